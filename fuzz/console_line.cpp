// Arbitrary console lines, one per line of the input, run the way the console page runs them:
// through console_line, or (by the first byte) typed key by key into the input line. A fake
// network message, demo recorder and bike stand behind the commands; files go to a temporary
// home folder.
#include "data/console.h"
#include "data/paths.h"
#include "data/stream.h"
#include "platform/clock.h"
#include "racing/net.h"
#include "racing/race.h"
#include "shell/main/camkeys.h"
#include "shell/config.h"
#include "shell/main/console_commands.h"
#include "shell/globals.h"
#include "shell/setup.h"
#include "tests/fixtures/temp_folders.h"
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

static net_msg_node g_message;
static std::int64_t g_now_us;
static const char  *g_engine;
alignas(16) static char g_fake_bike[64];

static net_msg_node *fake_msg_new(void)
{
    g_message = net_msg_node{};
    g_message.length = NET_MSG_HEADER;
    return &g_message;
}
static int         recording(void) { return 1; }
static int         not_time_trial(void) { return 0; }
static void        packet(int, const void *, int) {}
static void        demo_name(const char *) {}
static const char *engine_class(bike *) { return g_engine; }
static int         apply(bike *) { return 1; }
static std::int64_t fake_clock(void) { return g_now_us; }

static const console_ops fake_ops = {fake_msg_new, recording, not_time_trial, packet, demo_name, engine_class, apply};

// Keys of the input line: these bytes stand for the navigation keys.
static const std::uint32_t nav_codes[6] = {0x101C, 0x1148, 0x1150, 0x1149, 0x1151, 0x111C};
static const int nav_buttons[6] = {MENU_ENTER, MENU_UP, MENU_DOWN, MENU_PAGE_UP, MENU_PAGE_DOWN, MENU_KEYPAD_ENTER};

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    char tmpl[] = "/tmp/rl_fuzz_console_XXXXXX";
    const char *base = temp_folder_make(tmpl);
    if (!base) abort();
    setenv("XDG_DATA_HOME", base, 1);
    setenv("RL_HOME", (std::string(base) + "/data").c_str(), 1);
    search_folders_free();
    console_use_ops(&fake_ops);
    kubl_time_set_source(fake_clock);
    for (int i = 0; i < 6; ++i) menu_buttons[nav_buttons[i]] = nav_codes[i];
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0) return 0;
    const int mode = data[0];
    ++data, --size;
    config_init();
    setup_init();
    console_commands_reset();
    camkeys_clear();
    g_now_us = 1000000000;
    net_socket = mode & 1 ? 3 : -1;
    g_engine = mode & 2 ? "450f" : "125";
    bike_slot_table[0] = mode & 4 ? reinterpret_cast<bike *>(g_fake_bike) : nullptr;
    controller_kind[0] = CONTROLLER_LOCAL;
    viewed_slot = 0;
    if (mode & 8) {
        for (size_t i = 0; i < size; ++i) {
            g_now_us += 1500000;
            const int b = data[i];
            console_input_key(b >= 1 && b <= 6 ? (int)nav_codes[b - 1] : b == '\n' ? (int)nav_codes[0] : b);
        }
    } else {
        std::string text((const char *)data, size);
        size_t at = 0;
        while (at <= text.size()) {
            size_t end = text.find('\n', at);
            if (end == std::string::npos) end = text.size();
            std::string line = text.substr(at, end - at);
            g_now_us += 3000000;
            console_line(line.c_str());
            at = end + 1;
        }
        if (g_message.length < NET_MSG_HEADER || g_message.length > NET_MSG_LIMIT) abort();
    }
    if (net_outgoing_file) data_close(net_outgoing_file);
    net_outgoing_file = nullptr;
    bike_slot_table[0] = nullptr;
    net_socket = -1;
    return 0;
}
