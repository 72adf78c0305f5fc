// rl_race_server: the loopback race server as a program, for whole-program tests.
//   rl_race_server --track FOLDER --log FOLDER [--port N] [--chat TEXT] [--loss PERCENT]
//                  [--clients N] [--laps N]
// Prints "port N" once it listens on 127.0.0.1. The track is loaded without graphics to give
// the digest a client must match. The log folder gets server.log (client k in slot s, connect,
// client info, ready, chat lines, files, restart, disconnect) and every file a client sent.
// Each client is greeted with the chat text once it is ready, once per connection.
// With --clients 1 (the default) every client races two riders the server makes up beside it;
// with more, the race waits until that many clients are in and ready, and they race each other.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

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

int main(int argc, char **argv)
{
    race_server_group g;
    race_server &s = g.base;
    s.laps = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i], value = argv[i + 1];
        if (key == "--port") s.port = atoi(value.c_str());
        else if (key == "--track") s.track = value;
        else if (key == "--log") s.log_folder = value;
        else if (key == "--chat") s.greeting = value;
        else if (key == "--loss") s.loss = atoi(value.c_str());
        else if (key == "--clients" && atoi(value.c_str()) >= 1) g.clients = atoi(value.c_str());
        else if (key == "--laps" && atoi(value.c_str()) >= 1) s.laps = (std::uint32_t)atoi(value.c_str());
        else {
            fprintf(stderr, "rl_race_server: unknown option %s\n", key.c_str());
            return 2;
        }
    }
    if (s.track.empty() || s.log_folder.empty()) {
        fprintf(stderr, "usage: rl_race_server --track FOLDER --log FOLDER [--port N] [--chat TEXT] [--loss PERCENT]"
                        " [--clients N] [--laps N]\n");
        return 2;
    }
    // The digest as the game's loader makes it: the shapes for real, no textures or models.
    static const track_resource_loaders loaders = {no_texture, no_model, shape_load_instance};
    track_resources_set(&loaders);
    if (!scan_tracks() || track_list_find(s.track.c_str()) < 0) {
        fprintf(stderr, "rl_race_server: no track %s\n", s.track.c_str());
        return 1;
    }
    track_name = s.track.c_str();
    if (!load_track()) {
        fprintf(stderr, "rl_race_server: cannot load %s\n", s.track.c_str());
        return 1;
    }
    memcpy(s.digest, track_digest, sizeof s.digest);
    s.time_limit = 0;
    if (!race_server_group_open(&g)) {
        fprintf(stderr, "rl_race_server: cannot listen\n");
        return 1;
    }
    signal(SIGTERM, stop);
    signal(SIGINT, stop);
    printf("port %d\n", g.port);
    fflush(stdout);
    while (!g_stop) {
        race_server_group_poll(&g, now_seconds());
        usleep(2000);
    }
    race_server_group_close(&g);
    return 0;
}
