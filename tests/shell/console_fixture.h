// The console's tests: a fresh home folder, a stepped clock, a fake network message, demo
// recorder and viewed bike behind the commands.
#pragma once
#include <gtest/gtest.h>
#include "settings_home.h"
#include "data/console.h"
#include "data/file_index.h"
#include "platform/clock.h"
#include "racing/net.h"
#include "racing/race.h"
#include "shell/main/camkeys.h"
#include "shell/main/cameras.h"
#include "shell/config.h"
#include "shell/main/console_commands.h"
#include "shell/setup.h"
#include <cstdint>
#include <string>
#include <vector>

struct ConsoleFakes {
    static std::int64_t &now_us() { static std::int64_t t; return t; }
    static std::int64_t clock(void) { return now_us(); }

    static net_msg_node &message() { static net_msg_node m; return m; }
    static int &messages() { static int n; return n; }
    static net_msg_node *msg_new(void)
    {
        ++messages();
        message() = net_msg_node{};
        message().payload[0] = 17;
        message().length = NET_MSG_HEADER;
        return &message();
    }

    struct packet { int type; std::string text; };
    static std::vector<packet> &packets() { static std::vector<packet> p; return p; }
    static int &recording() { static int r; return r; }
    static int &time_trial() { static int t; return t; }
    static std::string &demo_name() { static std::string s; return s; }
    static const char *&engine() { static const char *e; return e; }
    static int &applied() { static int n; return n; }

    static int  is_recording(void) { return recording(); }
    static int  is_time_trial(void) { return time_trial(); }
    static void packet_add(int type, const void *p, int n) { packets().push_back({type, std::string((const char *)p, n)}); }
    static void name_set(const char *name) { demo_name() = name; }
    static const char *engine_class(bike *) { return engine(); }
    static int  apply(bike *) { return ++applied(), 1; }
};

inline const console_ops console_fake_ops = {
    ConsoleFakes::msg_new,  ConsoleFakes::is_recording, ConsoleFakes::is_time_trial, ConsoleFakes::packet_add,
    ConsoleFakes::name_set, ConsoleFakes::engine_class, ConsoleFakes::apply,
};

struct ConsoleTest : ::testing::Test {
    std::string home;
    alignas(16) char fake_bike[64] = {};

    void SetUp() override
    {
        home = settings_fresh_home("console");
        data_files_free();
        config_init();
        setup_init();
        console_clear();
        console_commands_reset();
        camkeys_clear();
        console_use_ops(&console_fake_ops);
        ConsoleFakes::now_us() = 1000LL * 1000000;
        kubl_time_set_source(ConsoleFakes::clock);
        ConsoleFakes::messages() = 0;
        ConsoleFakes::packets().clear();
        ConsoleFakes::recording() = 1;
        ConsoleFakes::time_trial() = 0;
        ConsoleFakes::demo_name().clear();
        ConsoleFakes::engine() = "450f";
        ConsoleFakes::applied() = 0;
        net_socket = -1;
        bike_slot_table[0] = reinterpret_cast<bike *>(fake_bike);
        controller_kind[0] = CONTROLLER_LOCAL;
        viewed_slot = 0;
        tick_count = 0;
        free_camera = {};
        marked = g_console.write_index;
    }
    void TearDown() override
    {
        console_use_ops(nullptr);
        kubl_time_set_source(nullptr);
        bike_slot_table[0] = nullptr;
        net_socket = -1;
        camkeys_clear();
        data_files_free();
    }

    void advance(double seconds) { ConsoleFakes::now_us() += (std::int64_t)(seconds * 1e6); }

    // The console lines printed since the last mark, which they move on.
    int marked = 0;
    std::vector<std::string> printed()
    {
        std::vector<std::string> out;
        for (; marked != g_console.write_index; marked = (marked + 1) % CONSOLE_LINES)
            out.push_back(g_console.lines[marked]);
        return out;
    }
};
