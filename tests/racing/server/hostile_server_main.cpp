// rl_hostile_server: a race server that tries what a damaged or hostile one could, for the
// whole-program test. It stops by itself: when the client leaves, or after its time is up.
//   rl_hostile_server --track FOLDER --log FOLDER
// Prints "port N" once it listens on 127.0.0.1. In turn, each step once the client has raced on
// from the one before:
//   1. the handshake announces 159 riders and a race of 2147483647 laps;
//   2. clock datagrams with server tick 300,000,000 and 2^30 - 1, one echoing tick 0x80000000,
//      and a chat line of terminal escapes, a carriage return and bytes 1-255;
//   3. eight seconds of the riders' states: one rider on the client's own bike, the others on
//      it too, jumping up and down the field from frame to frame;
//   4. a restart into a race of 4294967295 laps and as many ticks of time limit;
//   5. the chat line "hostile server done".
// server.log in the log folder gets one line per step.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "../race_server.h"
#include "bike/shape.h"
#include "platform/clock.h"
#include "racing/net_protocol.h"
#include "terrain/statues.h"
#include "shell/track_list.h"
#include "terrain/track_load.h"

static volatile sig_atomic_t g_stop;
static void stop(int) { g_stop = 1; }

static unsigned no_texture(const char *) { return 0; }
static km_model *no_model(const char *) { return nullptr; }

static double now_seconds(void)
{
    int s, us;
    kubl_time_now(&s, &us);
    return s + us * 1e-6;
}

static void note(const std::string &folder, const char *line)
{
    if (FILE *f = fopen((folder + "/server.log").c_str(), "a")) {
        fprintf(f, "%s\n", line);
        fclose(f);
    }
}

static std::string clock_datagram(const race_server &s, uint32_t tick, uint32_t echoed)
{
    return std::string(1, (char)10) + race_server_u32(s.race) + race_server_u32(tick) + race_server_u32(echoed);
}

static void send_wild_clocks(race_server *s)
{
    race_server_send(s, clock_datagram(*s, 300000000u, 0), true);
    race_server_send(s, clock_datagram(*s, (1u << 30) - 1, 0), true);
    race_server_send(s, clock_datagram(*s, s->tick + 1, 0x80000000u), true);
}

// The states of every remote slot, as many datagrams as the client's 1023 bytes take.
static void send_states(race_server *s, const std::vector<uint32_t> &riders, int round)
{
    const size_t per = (NET_DATAGRAM_MAX - NET_STATES_HEAD) / NET_STATE_RECORD;
    for (size_t first = 0; first < riders.size(); first += per) {
        std::string records;
        uint32_t count = 0;
        for (size_t i = first; i < riders.size() && i < first + per; ++i, ++count) {
            const uint32_t slot = riders[i];
            uint8_t frame[39];
            memcpy(frame, s->client_frame, 39);
            if (i != 0) {
                // Up to the top of the field and down to its floor, turn about.
                const uint32_t y = (round + slot) % 2 ? 0xFFFFFFu : 0;
                frame[3] = (uint8_t)y, frame[4] = (uint8_t)(y >> 8), frame[5] = (uint8_t)(y >> 16);
            }
            records += (char)slot;
            records += (char)0;
            records += (char)5;
            records += (char)0;
            records += race_server_u32(s->tick);
            records.append((const char *)frame, 39);
        }
        race_server_send(s,
                         std::string(1, (char)11) + race_server_u32(s->race) + race_server_u32(s->tick) +
                             race_server_u32(s->echo_tick) + race_server_u32(count) + records,
                         true);
    }
}

int main(int argc, char **argv)
{
    race_server s;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i], value = argv[i + 1];
        if (key == "--track") s.track = value;
        else if (key == "--log") s.log_folder = value;
        else {
            fprintf(stderr, "rl_hostile_server: unknown option %s\n", key.c_str());
            return 2;
        }
    }
    if (s.track.empty() || s.log_folder.empty()) {
        fprintf(stderr, "usage: rl_hostile_server --track FOLDER --log FOLDER\n");
        return 2;
    }
    static const track_resource_loaders loaders = {no_texture, no_model, shape_load_instance};
    track_resources_set(&loaders);
    if (!scan_tracks() || track_list_find(s.track.c_str()) < 0) {
        fprintf(stderr, "rl_hostile_server: no track %s\n", s.track.c_str());
        return 1;
    }
    track_name = s.track.c_str();
    if (!load_track()) {
        fprintf(stderr, "rl_hostile_server: cannot load %s\n", s.track.c_str());
        return 1;
    }
    memcpy(s.digest, track_digest, sizeof s.digest);
    s.time_limit = 0;
    s.laps = 0x7FFFFFFFu;
    s.remote_slots.clear();
    for (uint32_t slot = 0; slot < NET_SLOTS; ++slot)
        if (slot != s.client_slot) s.remote_slots.push_back(slot);
    if (!race_server_open(&s)) {
        fprintf(stderr, "rl_hostile_server: cannot listen\n");
        return 1;
    }
    signal(SIGTERM, stop);
    signal(SIGINT, stop);
    printf("port %d\n", s.port);
    fflush(stdout);

    const double started = now_seconds();
    int step = 1, states_at_step = 0, round = 0;
    double posing_since = 0, last_posing = 0, last_restart = 0;
    uint32_t restart_race = 0;
    const std::vector<uint32_t> riders = s.remote_slots;
    while (!g_stop && !s.disconnected && now_seconds() - started < 300) {
        const double now = now_seconds();
        race_server_poll(&s, now);
        // The server's own state datagrams would be too long for 159 riders: this loop sends them,
        // and a restart announces none.
        if (s.ready) s.remote_slots.clear();
        const bool raced_on = s.ready && s.client_states >= states_at_step + 16;
        if (step == 1 && raced_on) {
            note(s.log_folder, "laps 2147483647 and 159 riders");
            send_wild_clocks(&s);
            std::string chat = "\x1b[2J\x1b[31mboo\rforged\n";
            for (int c = 1; c < 256; ++c) chat += (char)c;
            race_server_reliable(&s, 19, chat + '\0');
            note(s.log_folder, "clock, echo and chat");
            step = 2, states_at_step = s.client_states;
        } else if (step == 2 && raced_on) {
            if (posing_since == 0) posing_since = now;
            if (now - last_posing >= 1.0 / 32) {
                last_posing = now;
                send_states(&s, riders, round++);
                if (round % 32 == 0) send_wild_clocks(&s);   // again, should the first be lost
            }
            if (now - posing_since >= 8) {
                note(s.log_folder, "riders posed on the client");
                s.laps = s.time_limit = 0xFFFFFFFFu;
                restart_race = s.race + 1;
                step = 3;
            }
        } else if (step == 3 && s.restarts == 0) {
            // Datagrams get lost on a busy client: asked again until it restarts.
            if (now - last_restart >= 0.5) {
                last_restart = now;
                race_server_send(&s, std::string(1, (char)14) + race_server_u32(restart_race), true);
            }
            states_at_step = s.client_states;
        } else if (step == 3 && raced_on) {
            note(s.log_folder, "restart into 4294967295 laps and time limit");
            race_server_reliable(&s, 19, std::string("hostile server done") + '\0');
            step = 4;
        }
        usleep(2000);
    }
    note(s.log_folder, s.disconnected ? "client left" : "stopped");
    race_server_close(&s);
    return 0;
}
