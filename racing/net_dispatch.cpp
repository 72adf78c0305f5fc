// The server's datagrams, by type and client state, and its reliable messages and commands.
#include "racing/net_client.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bike/bike.h"
#include "bike/setters.h"
#include "data/console.h"
#include "racing/demo.h"
#include "racing/net.h"
#include "racing/net_reliable.h"
#include "racing/race.h"
#include "racing/race_state.h"
#include "racing/state_history.h"
#include "data/stream.h"
#include "shell/config.h"
#include "terrain/erosion.h"
#include "shell/track_list.h"
#include "terrain/track_load.h"

static void print(const char *text) { console_print(text); }

void net_print_remote(const char *format, const char *text)
{
    // The log keeps the whole text; the screen's line shows its start.
    char escaped[4 * NET_BUFFER + 1], line[4 * NET_BUFFER + 64];
    net_escape_text(escaped, sizeof escaped, text);
    snprintf(line, sizeof line, format, escaped);
    print(line);
}

// Laps and time limit as the race can count them: a limit beyond is said and taken as the most.
static uint32_t bounded(uint32_t value, uint32_t most, const char *what)
{
    if (value <= most) return value;
    char line[96];
    snprintf(line, sizeof line, "Server's %s %u taken as %u", what, (unsigned)value, (unsigned)most);
    print(line);
    return most;
}

static int (*g_race_reset)(const int *, int, int, int, int, int) = reset_race;
void net_set_race_reset(int (*reset)(const int *, int, int, int, int, int)) { g_race_reset = reset ? reset : reset_race; }

static void send_ack(uint32_t sequence)
{
    unsigned char out[NET_ACK_BYTES];
    if (udp_send(net_socket, out, net_write_ack(out, net_client.local_slot, net_client.connection, sequence),
                 &net_client.server) < 0 &&
        udp_error_text[0]) {
        char line[160];
        snprintf(line, sizeof line, "sendto error (%.100s)", udp_error_text);
        print(line);
    }
}

static void enter(int state)
{
    net_client.client_state = state;
    net_client.last_state_send = 0;
}

static int slot_set(void) { return net_client.local_slot != NET_SLOTS; }

static void take_track(const unsigned char *d, int length)
{
    const uint32_t race = net_get_u32(d + 1);
    if (net_client.race != 0 && race != net_client.race) return;
    const char *name = (const char *)d + NET_TRACK_HEAD;   // runs to the datagram's end zero
    if (track_list_find(name) < 0) {
        char cut[151];
        snprintf(cut, sizeof cut, "%s", name);
        net_print_remote("Can't find track '%s'\n", cut);
        enter(CLIENT_DISCONNECTING);
        return;
    }
    net_client.race = race;
    net_client.time_limit = bounded(net_get_u32(d + 5), NET_TIME_LIMIT_MAX, "time limit");
    net_client.laps = bounded(net_get_u32(d + 9), NET_LAPS_MAX, "laps");
    net_client.start_tick = net_get_u32(d + 13);
    memcpy(net_client.server_digest, d + 17, 20);
    track_choice_select(name);
    net_slot_info_clear();
    for (int &t : last_state_tick) t = 0;
    history_clear();
    race_slot = NET_SLOTS;
    net_client.last_info_slot = NET_SLOTS;
    net_client.highest_server_tick = 0;
    net_client.wild_tick_told = 0;
    server_tick = 0;
    net_client.last_gate_sent = 0;
    enter(CLIENT_TRACK_ACK);
}

static void take_own_info(const unsigned char *d)
{
    const uint32_t position = net_get_u32(d + 5);
    // No line-up has a place above 160: such a position reads as "not in the line-up".
    race_slot = position > NET_SLOTS ? NET_SLOTS : (int)position;
    const int slot = (int)net_client.local_slot;
    net_slot_info[slot].participant = PARTICIPANT_LOCAL;
    rider_info_parse(slot, (const char *)d + 9);
    int codes[NET_SLOTS];
    for (int i = 0; i < NET_SLOTS; ++i) codes[i] = net_slot_info[i].participant;
    local_slot = slot;
    g_race_reset(codes, 0, setting_record(), (int)net_client.time_limit, (int)net_client.laps, 0);
    local_slot = slot;
    enter(CLIENT_READY);
    if (memcmp(track_digest, net_client.server_digest, sizeof track_digest) != 0) {
        char line[200];
        snprintf(line, sizeof line, "Client track modified - does not match server's track (%.100s)\n",
                 track_name ? track_name : "");
        print(line);
        enter(CLIENT_DISCONNECTING);
    }
}

static void clock_update(uint32_t tick, uint32_t echoed, int ping_known)
{
    if (echoed != 0 && ping_known) {
        // The echo is one of our own ticks: one not yet reached, or from long ago, is damaged.
        const int64_t ping = (int64_t)tick_count - echoed;
        if (ping >= 0 && ping <= NET_PING_MAX) net_slot_info[net_client.local_slot].ping_ticks = (int)ping;
    }
    // Ticks this far on are damaged data (8 years of racing): the race clock would overflow.
    if (tick >= NET_TICK_MAX) return;
    const double now = net_now();
    if (net_client.highest_server_tick == 0) {
        tick_count = (int)tick;
        net_client.sync_tick = tick;
        net_client.sync_time = now;
    } else if (tick > net_client.sync_tick + (now - net_client.sync_time) * 128 + NET_TICK_SLACK) {
        // A server's clock runs in real time; following a jump would run the race fast for good.
        if (!net_client.wild_tick_told) {
            char line[96];
            snprintf(line, sizeof line, "Server tick %u is ahead of its clock: not taken", (unsigned)tick);
            print(line);
            net_client.wild_tick_told = 1;
        }
        return;
    }
    if (tick > net_client.highest_server_tick) {
        net_client.highest_server_tick = tick;
        server_tick = (int)tick;
    }
}

static void clock_started(void)
{
    if (net_client.client_state == CLIENT_READY) {
        char line[64];
        race_format_line(line, sizeof line, net_client.time_limit, net_client.laps);
        print(line);
    }
    net_client.client_state = CLIENT_RACING;
}

static void take_states(const unsigned char *d, int length)
{
    const uint32_t count = net_get_u32(d + 13);
    const unsigned char *r = d + NET_STATES_HEAD;
    for (uint32_t i = 0; i < count; ++i, r += NET_STATE_RECORD) {
        if (r + NET_STATE_RECORD > d + length) {
            print("State packet too small");
            return;
        }
        const int slot = r[0] | r[1] << 8;
        const uint32_t record_tick = net_get_u32(r + 4);
        const int tick = (int)record_tick;
        if (record_tick >= NET_TICK_MAX) continue;
        if (slot >= NET_SLOTS || controller_kind[slot] != CONTROLLER_REMOTE || !bike_slot_table[slot]) continue;
        if (tick <= last_state_tick[slot]) continue;
        last_state_tick[slot] = tick;
        net_slot_info[slot].ping_ticks = r[2] | r[3] << 8;
        add_state_to_history(slot, r + 8, tick);
    }
    clock_update(net_get_u32(d + 5), net_get_u32(d + 9), count > 0);
    clock_started();
}

void net_dispatch(unsigned char *d, int length)
{
    if (length < 1) return;
    const int state = net_client.client_state;
    const int racing = (state == CLIENT_READY || state == CLIENT_RACING) && slot_set();
    const int riders = (state == CLIENT_TRACK_ACK || state == CLIENT_BIKE_ACK) && slot_set();
    switch (d[0]) {
    case NET_FULL:
        print("Server is full\n");
        break;
    case NET_ACCEPTED:
        if (state != CLIENT_CONNECTING || length < 13) break;
        // A slot no table has makes the answer unusable; the server sends it again.
        if (net_get_u32(d + 1) >= NET_SLOTS) break;
        net_client.local_slot = net_get_u32(d + 1);
        net_client.connection = net_get_u32(d + 5);
        net_reliable_set_header(net_client.local_slot, net_client.connection);
        if (net_get_u32(d + 9) == NET_SERVER_VERSION) {
            enter(CLIENT_INFO);
        } else {
            print("Server version does not match client version\n");
            enter(CLIENT_DISCONNECTING);
        }
        break;
    case NET_TRACK:
        if ((state == CLIENT_INFO || state == CLIENT_RESTART) && slot_set() && length >= NET_TRACK_HEAD) take_track(d, length);
        break;
    case NET_OTHER_INFO: {
        if (!riders || length < 9 || net_get_u32(d + 1) != net_client.race) break;
        const uint32_t slot = net_get_u32(d + 5);
        if (slot >= NET_SLOTS) break;
        if (net_client.last_info_slot != NET_SLOTS && slot <= net_client.last_info_slot) break;
        rider_info_parse((int)slot, (const char *)d + 9);
        net_slot_info[slot].participant = PARTICIPANT_REMOTE;
        net_client.last_info_slot = slot;
        enter(CLIENT_BIKE_ACK);
        break;
    }
    case NET_OWN_INFO:
        if (riders && length >= 9 && net_get_u32(d + 1) == net_client.race) take_own_info(d);
        break;
    case NET_CLOCK:
        if (!racing || length < 13 || net_get_u32(d + 1) != net_client.race) break;
        clock_update(net_get_u32(d + 5), net_get_u32(d + 9), 1);
        clock_started();
        break;
    case NET_STATES:
        if (racing && length >= NET_STATES_HEAD && net_get_u32(d + 1) == net_client.race) take_states(d, length);
        break;
    case NET_VALUE:
        if (racing && length >= 5) net_client.value = net_get_u32(d + 1);
        break;
    case NET_RESTART:
        if (racing && length >= 5 && net_get_u32(d + 1) > net_client.race) {
            net_client.race = net_get_u32(d + 1);
            enter(CLIENT_RESTART);
        }
        break;
    case NET_DISCONNECT:
        print("Disconnected\n");
        net_client_reset(nullptr);
        break;
    case NET_MESSAGE:
        net_print_remote("%s", (const char *)d + 1);
        enter(CLIENT_DISCONNECTING);
        break;
    case NET_RELIABLE:
        if (net_reliable_receive(d, length, net_handle_reliable)) send_ack(net_get_u32(d + 1));
        break;
    case NET_ACK:
        if (length >= 5) net_reliable_acked(net_get_u32(d + 1));
        break;
    case NET_REDIRECT: {
        if (state != CLIENT_CONNECTING || length < 5 || net_get_u32(d + 1) != net_client.nonce) break;
        const char *address = (const char *)d + 5;
        if (strlen(address) > 127 || !address[0]) break;
        char next[128];
        snprintf(next, sizeof next, "%s", address);
        net_client_reset(next);
        break;
    }
    }
}

static void take_gate_times(const unsigned char *body, int length)
{
    if (length < 8 || net_get_u32(body) != net_client.race) return;
    const uint32_t count = net_get_u32(body + 4);
    const unsigned char *r = body + 8;
    for (uint32_t i = 0; i < count && r + 12 <= body + length; ++i, r += 12) {
        const uint32_t slot = net_get_u32(r), gate = net_get_u32(r + 4);
        if (slot >= NET_SLOTS || slot == net_client.local_slot || !bike_slot_table[slot]) continue;
        if (gate >= BIKE_GATE_TIMES_MAX) continue;
        bike_record_gate_time(bike_slot_table[slot], (int)gate, (int)net_get_u32(r + 8));
        bike_set_gate_index(bike_slot_table[slot], (int)gate + 1);
    }
    standings_update();
}

void net_handle_reliable(const unsigned char *d, int length)
{
    const unsigned char *body = d + 6;
    const int body_length = length - 6;
    switch (d[5]) {
    case NET_KIND_CHAT:
        net_print_remote("%s", (const char *)body);
        demo_record_packet(DEMO_TEXT, body, body_length);
        break;
    case NET_KIND_GATES:
        take_gate_times(body, body_length);
        break;
    case NET_KIND_COMMAND:
        net_server_command((const char *)body);
        break;
    case NET_KIND_ERODE:
        if (body_length >= 4 && net_get_u32(body) == net_client.race) {
            erode_queue_push_packet(body + 4, body_length - 4);
            demo_record_packet(DEMO_ERODE, body + 4, body_length - 4);
        }
        break;
    }
}

static int whole_word(const char *text, const char *word)
{
    const size_t n = strlen(word);
    return strncmp(text, word, n) == 0 && (text[n] == 0 || text[n] == ' ');
}

static void finite_float(const char *text, const char *format, float *out)
{
    float v;
    if (sscanf(text, format, &v) == 1 && std::isfinite(v)) *out = v;
}

void net_server_command(const char *text)
{
    if (!strcmp(text, "no_arcade")) {
        net_client.no_arcade = 1;
        int was_on = 0;
        for (int slot = 0; slot < NET_SLOTS; ++slot)
            if (bike_slot_table[slot] && controller_kind[slot] == CONTROLLER_LOCAL) {
                was_on |= bike_get_arcade(bike_slot_table[slot]);
                bike_set_arcade(bike_slot_table[slot], 0);
            }
        if (was_on) print("Arcade physics disabled");
    } else if (!strncmp(text, "off_course_bias", 15)) {
        finite_float(text, "off_course_bias %f", &off_course_bias);
    } else if (!strncmp(text, "off_course_scale", 16)) {
        finite_float(text, "off_course_scale %f", &off_course_scale);
    } else if (knockout_parse(text, server_rules)) {
    } else if (!strncmp(text, "erode", 5)) {
        int race, strength;
        if (sscanf(text, "erode %d %d", &race, &strength) < 2) {
            print("Malformed erode command received");
        } else if ((uint32_t)race == net_client.race) {
            if (erode_level == -1 && strength == 0) {
                erode_level = 0;
            } else {
                erode_level = strength;
                char line[32];
                const int n = snprintf(line, sizeof line, "erode %d", strength);
                demo_record_packet(DEMO_ERODE_LEVEL, line, n);
            }
        }
    } else if (!strcmp(text, "sendready")) {
        net_client.send_ready = 1;
    } else if (whole_word(text, "senddenied")) {
        print("Send file denied");
        net_client.send_ready = 0;
        if (net_outgoing_file) data_close(net_outgoing_file);
        net_outgoing_file = nullptr;
        net_outgoing_name[0] = 0;
    }
}
