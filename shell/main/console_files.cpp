// The console commands that read or write files: setup files, the track info file for server
// admins, the file sent to the server, and the listing of the file index.
#include "shell/main/console_commands.h"
#include "shell/main/console_internal.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "data/console.h"
#include "data/file_index.h"
#include "data/paths.h"
#include "data/stream.h"
#include "data/util.h"
#include "racing/net.h"
#include "racing/race.h"
#include "shell/config.h"
#include "shell/lists.h"
#include "shell/setup.h"
#include "terrain/timing_gates.h"
#include "terrain/track_load.h"
#include "ui/widgets.h"

// "@setups/" + the argument without its outer blanks, cut to 1023 characters. 0 when the name
// is empty (the folder itself) or has a ".." step out of the folder.
static int setup_path(const char *arg, char *path)
{
    while (console_is_blank(*arg)) ++arg;
    size_t n = strlen(arg);
    while (n && console_is_blank(arg[n - 1])) --n;
    snprintf(path, CONSOLE_NAME_BYTES, "@setups/%.*s", (int)n, arg);
    return n > 0 && !path_climbs(path + 1);
}

void cmd_readsetup(const char *arg)
{
    char path[CONSOLE_NAME_BYTES];
    data_stream *s = setup_path(arg, path) ? data_open(path, "rb") : nullptr;
    if (!s) {
        console_print("Error reading setup");
    } else {
        config_read_pairs(s, [](const char *key, const char *value) { setup_set(key, value); });
        data_close(s);
        bike_graphics_variants_list();
        graphics_variants_select_wanted();
        console_print("Setup updated");
    }
    // Even without a file the server hears the rider's details again and the bike gets the
    // setup in force.
    setup_changed = 1;
    bike *b = console_viewed_bike();
    if (b && controller_kind[viewed_slot] == CONTROLLER_LOCAL) console_ops_in_use->apply_setup(b);
}

void cmd_writesetup(const char *arg)
{
    char path[CONSOLE_NAME_BYTES];
    file_save save;
    data_stream *s = setup_path(arg, path) ? file_save_begin(&save, path, ".tmp") : nullptr;
    if (!s) {
        console_print("Error writing setup");
        return;
    }
    setup_write(s);
    console_print(file_save_commit(&save) ? "Setup written" : "Error writing setup");
}

void cmd_savetrackinfo(void)
{
    if (!track_name) return;
    char name[CONSOLE_NAME_BYTES];
    if (snprintf(name, sizeof name, "@%s.trackinfo", track_name) >= (int)sizeof name) return;
    file_save save;
    data_stream *s = file_save_begin(&save, name, ".tmp");
    if (!s) return;
    data_printf(s, "dir=%s\n", track_name);
    data_printf(s, "longname=%s\n", track_long_name ? track_long_name : track_name);
    data_printf(s, "firstlap=%d\n", first_lap_count);
    data_printf(s, "normallap=%d\n", normal_lap_count);
    data_printf(s, "gatecount=%d\n", start_count);
    data_printf(s, "hash=");
    for (int i = 0; i < 20; ++i) data_printf(s, "%02x", track_digest[i]);
    data_printf(s, "\n");
    if (!file_save_commit(&save)) return;
    char text[CONSOLE_NAME_BYTES + 32];
    snprintf(text, sizeof text, "Track info saved to %s.trackinfo", track_name);
    console_print(text);
}

void cmd_sendfile(const char *line)
{
    while (*line && !console_is_blank(*line)) ++line;
    while (console_is_blank(*line)) ++line;
    const char *name = line;
    for (const char *c = name; *c; ++c)
        if (!isalnum((unsigned char)*c) && *c != '_' && *c != '.') {
            console_print("Filename may only contain alphanumeric characters, '_' or '.'");
            return;
        }
    const size_t n = strlen(name);
    if (sizeof "@outgoing/" + n > CONSOLE_NAME_BYTES) {
        console_print("Filename too long");
        return;
    }
    if (net_outgoing_file) {
        data_close(net_outgoing_file);
        net_outgoing_file = nullptr;
        console_print("Stopping previous transfer");
    }
    // A name of dots alone ("", ".", "..") is the folder or its parent, not a file to send.
    const int only_dots = strspn(name, ".") == n;
    char path[CONSOLE_NAME_BYTES];
    snprintf(path, sizeof path, "@outgoing/%s", name);
    data_stream *s = only_dots ? nullptr : data_open(path, "rb");
    if (!s) {
        net_outgoing_name[0] = 0;
        console_print("Can't open file");
        return;
    }
    net_outgoing_file = s;
    snprintf(net_outgoing_name, sizeof net_outgoing_name, "namefile %s", name);
    if (net_socket < 0) {
        console_print("Not connected to server");
    } else if (net_msg_node *m = console_ops_in_use->msg_new()) {
        static const char word[] = "sendfile";
        if (m->length >= 0 && m->length + (int)sizeof word <= NET_MSG_LIMIT) {
            m->payload[m->length] = NET_KIND_SENDFILE;
            memcpy(m->payload + m->length + 1, word, sizeof word - 1);
            m->length += (int)sizeof word;
        }
    }
    console_print("Sending file");
}

void cmd_listfiles(const char *pattern)
{
    file_index_names();
    char text[2 * CONSOLE_NAME_BYTES + 8];
    for (int i = 0; file_index_entry_text(i, text, sizeof text); ++i)
        if (!*pattern || text_find_nocase_last(text, pattern)) console_print(text);
}
