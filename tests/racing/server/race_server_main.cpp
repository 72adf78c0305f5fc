// rl_race_server: the loopback race server as a program, for whole-program tests.
//   rl_race_server --track FOLDER --log FOLDER [--port N] [--chat TEXT] [--loss PERCENT]
// Prints "port N" once it listens on 127.0.0.1. The track is loaded without graphics to give
// the digest a client must match. The log folder gets server.log (connect, client info,
// ready, chat lines, files, restart, disconnect) and every file a client sent.
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
    race_server s;
    std::string chat;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i], value = argv[i + 1];
        if (key == "--port") s.port = atoi(value.c_str());
        else if (key == "--track") s.track = value;
        else if (key == "--log") s.log_folder = value;
        else if (key == "--chat") chat = value;
        else if (key == "--loss") s.loss = atoi(value.c_str());
        else {
            fprintf(stderr, "rl_race_server: unknown option %s\n", key.c_str());
            return 2;
        }
    }
    if (s.track.empty() || s.log_folder.empty()) {
        fprintf(stderr, "usage: rl_race_server --track FOLDER --log FOLDER [--port N] [--chat TEXT] [--loss PERCENT]\n");
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
    s.laps = 3;
    if (!race_server_open(&s)) {
        fprintf(stderr, "rl_race_server: cannot listen\n");
        return 1;
    }
    signal(SIGTERM, stop);
    signal(SIGINT, stop);
    printf("port %d\n", s.port);
    fflush(stdout);
    bool chatted = chat.empty();
    while (!g_stop) {
        race_server_poll(&s, now_seconds());
        if (!chatted && s.ready) {
            race_server_reliable(&s, 19, chat);
            chatted = true;
        }
        if (s.disconnected) chatted = chat.empty();   // a client that comes back is greeted again
        usleep(2000);
    }
    race_server_close(&s);
    return 0;
}
