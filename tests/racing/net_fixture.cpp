#include "net_fixture.h"

#include <cstring>

#include "bike/bike_create.h"
#include "bike/bike_record.h"
#include "data/console.h"
#include "platform/clock.h"
#include "racing/headless_race.h"
#include "racing/net_client.h"
#include "racing/net_reliable.h"
#include "racing/race.h"
#include "racing/race_state.h"
#include "shell/globals.h"
#include "shell/setup.h"
#include "shell/startup.h"
#include "terrain/field.h"

namespace {

std::int64_t g_us;
std::int64_t fake_clock(void) { return g_us; }

}   // namespace

double net_test_now(void) { return g_us * 1e-6; }

bool console_has(const std::string &text, int last)
{
    std::string want = text;
    if (!want.empty() && want.back() == '\n') want.pop_back();
    for (int i = 1; i <= last; ++i) {
        const char *line = g_console.lines[(g_console.write_index - i + CONSOLE_LINES) % CONSOLE_LINES];
        if (!strncmp(line, want.c_str(), want.size())) return true;
    }
    return false;
}

void NetRace::SetUp()
{
    TrackHome::SetUp();
    ground("t/a");
    write("t/a/desc", "Alpha\n");
    write("t/a/timing_gates", "startinggate:\n[40 0 40] 0\n[60 0 40] 0\n[80 0 40] 0\n");
    ASSERT_GE(scan_tracks(), 1);
    race_world_open();
    g_terrain = race_terrain();
    bike_resources_set(&race_bare_bikes);
    setup_init();
    console_clear();
    g_us = 1000000000;
    kubl_time_set_source(fake_clock);
    net_socket = -1;
    tick_count = 0;
    track_name = nullptr;
    ASSERT_TRUE(track_choice_select("t/a"));
    // The server names the track with the digest the loader gives it.
    ASSERT_TRUE(load("t/a"));
    memcpy(server.digest, track_digest, 20);
    server.track = "t/a";
    server.time_limit = 11520;
    fixed_files_flag = 1;
    g_options.fake_lag = 0;
    g_options.fake_loss = 0;
    g_options.password = nullptr;
    ASSERT_TRUE(race_server_open(&server));
}

void NetRace::TearDown()
{
    net_client_reset(nullptr);
    net_slot_info_clear();
    race_server_close(&server);
    kubl_time_set_source(nullptr);
    race_world_close();
    TrackHome::TearDown();
}

void NetRace::connect()
{
    const std::string address = "127.0.0.1:" + std::to_string(server.port);
    net_set_connect_address(address.c_str());
}

void NetRace::advance(double seconds) { g_us += (std::int64_t)(seconds * 1e6); }

void NetRace::step()
{
    net_update();
    if (server_tick > 0 && race_track_loaded()) race_step();
    race_server_poll(&server, net_test_now());
    g_us += 7813;
    ++steps;
}

bool NetRace::run_until(const std::function<bool()> &done, int max_ticks)
{
    for (int i = 0; i < max_ticks; ++i) {
        if (done()) return true;
        step();
    }
    return done();
}

bool NetRace::racing()
{
    connect();
    return run_until([] { return net_client.client_state == CLIENT_RACING; });
}
