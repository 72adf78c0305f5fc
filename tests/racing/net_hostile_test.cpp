// A server that sends damaged or hostile values: clock and echo ticks far off, laps and time
// limits no race can count, texts with control characters, silence, and nobody answering.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstdio>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "data/console.h"
#include "net_fixture.h"
#include "racing/net.h"
#include "racing/net_client.h"
#include "racing/race.h"
#include "racing/race_state.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "shell/pacing.h"
#include "ui/hud.h"

namespace {

std::string clock_datagram(uint32_t race, uint32_t server, uint32_t echoed)
{
    return std::string(1, (char)10) + race_server_u32(race) + race_server_u32(server) + race_server_u32(echoed);
}

// The ping and offset the HUD shows, in ms.
void ping_readout(int *ping_ms, int *offset_ms)
{
    const config_values saved = g_config;
    g_config.draw_fps = g_config.draw_time = g_config.draw_speed = 0;
    g_config.draw_ping = 1;
    char lines[HUD_READOUT_LINES][HUD_LINE_BYTES];
    ASSERT_EQ(hud_readout_lines(lines, -1), 1);
    g_config = saved;
    ASSERT_EQ(sscanf(lines[0], "Ping - %dms (%dms offset)", ping_ms, offset_ms), 2) << lines[0];
}

TEST_F(NetRace, ClockAndEchoFarOffAreNotTaken)
{
    ASSERT_TRUE(racing());
    for (int i = 0; i < 256; ++i) step();
    struct Case {
        const char *what;
        int64_t ahead;     // server tick minus the highest seen; above 2^20 the tick itself
        int64_t echo_age;  // our tick count minus the echoed tick; INT64_MIN: 0x80000000
        bool taken;
    };
    const Case cases[] = {
        {"a tick on, 7 ticks round trip", 1, 7, true},
        {"300,000,000", 300000000, 7, false},
        {"the last tick taken at all", (1 << 30) - 1, 7, false},
        {"echo 0x80000000", 2, INT64_MIN, true},
        {"an echo from the future", 3, -50, true},
        {"an echo an hour old", 4, 3600 * 128, true},
        {"5 s ahead of the clock", 5 * 128, 9, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const uint32_t highest = net_client.highest_server_tick;
        const int ping_before = net_round_trip_ticks(2);
        const uint32_t tick = c.ahead > (1 << 20) ? (uint32_t)c.ahead : highest + (uint32_t)c.ahead;
        const uint32_t echoed = c.echo_age == INT64_MIN ? 0x80000000u : (uint32_t)(tick_count - c.echo_age);
        race_server_send(&server, clock_datagram(net_client.race, tick, echoed), true);
        net_update();
        EXPECT_EQ(net_client.highest_server_tick, c.taken ? tick : highest);
        const bool sound_echo = c.echo_age >= 0 && c.echo_age <= 60 * 128;
        EXPECT_EQ(net_round_trip_ticks(2), sound_echo ? (int)c.echo_age : ping_before);
        int ping_ms = 0, offset_ms = 0;
        ping_readout(&ping_ms, &offset_ms);
        EXPECT_GE(ping_ms, 0);
        EXPECT_LE(ping_ms, 60000);
        EXPECT_LE(std::abs(offset_ms), 11000);
        EXPECT_LE(online_time_scale(server_tick, tick_count, race_start_tick), 4.0);
    }
    EXPECT_TRUE(console_has("Server tick 300000000 is ahead of its clock: not taken"));
    // The real clock goes on being followed; the pace comes back to the server's.
    const uint32_t highest = net_client.highest_server_tick;
    for (int i = 0; i < 128 * 12; ++i) step();
    EXPECT_GT(net_client.highest_server_tick, highest);
    EXPECT_EQ(net_client.client_state, CLIENT_RACING);
    EXPECT_LE(online_time_scale(server_tick, tick_count, race_start_tick), 1.125);
}

TEST_F(NetRace, LapsAndTimeLimitBoundedWhenRead)
{
    struct Case {
        const char *what;
        uint32_t laps, time_limit;
        uint32_t want_laps, want_time_limit;
        const char *message, *format;
    };
    const Case cases[] = {
        {"3 laps", 3, 0, 3, 0, nullptr, "3 laps"},
        {"2 minutes and 3 laps", 3, 15360, 3, 15360, nullptr, "2 minutes + 3 laps"},
        {"laps 0x7FFFFFFF", 0x7FFFFFFFu, 0, 1000, 0, "Server's laps 2147483647 taken as 1000", "1000 laps"},
        {"laps 0xFFFFFFFF", 0xFFFFFFFFu, 0, 1000, 0, "Server's laps 4294967295 taken as 1000", "1000 laps"},
        {"time limit 0xFFFFFFFF", 0, 0xFFFFFFFFu, 0, 24 * 3600 * 128, "Server's time limit 4294967295 taken as 11059200",
         "1440 minutes"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        race_server_close(&server);
        race_server fresh;
        memcpy(fresh.digest, server.digest, 20);
        fresh.track = "t/a";
        fresh.laps = c.laps;
        fresh.time_limit = c.time_limit;
        server = fresh;
        ASSERT_TRUE(race_server_open(&server));
        console_clear();
        ASSERT_TRUE(racing());
        EXPECT_EQ(net_client.laps, c.want_laps);
        EXPECT_EQ(net_client.time_limit, c.want_time_limit);
        if (c.message) EXPECT_TRUE(console_has(c.message));
        EXPECT_TRUE(console_has(c.format));
        // The race runs on these: standings and finishing every tick.
        for (int i = 0; i < 256; ++i) step();
        EXPECT_EQ(net_client.client_state, CLIENT_RACING);
        net_disconnect();
    }
}

TEST_F(NetRace, ServerTextsAreWrittenEscaped)
{
    ASSERT_TRUE(racing());
    race_server_reliable(&server, 19, std::string("\x1b[2J\x1b[31mboo\rforged\n") + '\0');
    ASSERT_TRUE(run_until([] { return console_has("\\x1b[2J\\x1b[31mboo\\x0dforged"); }, 400));
    race_server_send(&server, std::string(1, (char)16) + "bye\x07\xc2\x9b" "2J\n", true);
    net_update();
    EXPECT_TRUE(console_has("bye\\x07\\xc2\\x9b2J"));
    for (int i = 0; i < CONSOLE_LINES; ++i) {
        for (const char *c = g_console.lines[i]; *c; ++c)
            ASSERT_FALSE((unsigned char)*c < 0x20 && strcmp(c, "\n") != 0) << g_console.lines[i];
    }
}

TEST_F(NetRace, ASilentServerIsSaid)
{
    ASSERT_TRUE(racing());
    for (int i = 0; i < 128; ++i) step();
    console_clear();
    // The server stops answering: the client goes on with its own steps.
    auto quiet_step = [this] {
        net_update();
        advance(1.0 / 128);
    };
    for (int i = 0; i < 128 * 4; ++i) quiet_step();
    EXPECT_FALSE(console_has("Server silent"));
    for (int i = 0; i < 128 * 2; ++i) quiet_step();
    EXPECT_TRUE(console_has("Server silent for 5 seconds"));
    int said = 0;
    for (int i = 0; i < CONSOLE_LINES; ++i) said += !strncmp(g_console.lines[i], "Server silent", 13);
    EXPECT_EQ(said, 1);   // once, not every tick
    EXPECT_EQ(net_client.client_state, CLIENT_RACING);
    ASSERT_TRUE(run_until([] { return console_has("Server answers again"); }, 128));

    // A stall of our own, as a track load is, is no silence of the server's.
    for (int i = 0; i < 128; ++i) step();
    console_clear();
    advance(8);
    net_update();
    for (int i = 0; i < 128 * 2; ++i) quiet_step();
    EXPECT_FALSE(console_has("Server silent"));
}

TEST_F(NetRace, NobodyAnsweringTheConnectIsSaidWhileItKeepsTrying)
{
    // A socket that takes the connects and never answers.
    const int nobody = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(nobody, (sockaddr *)&at, sizeof at), 0);
    socklen_t n = sizeof at;
    ASSERT_EQ(getsockname(nobody, (sockaddr *)&at, &n), 0);
    const std::string address = "127.0.0.1:" + std::to_string(ntohs(at.sin_port));
    net_set_connect_address(address.c_str());
    for (int i = 0; i < 128 * 6; ++i) {
        net_update();
        advance(1.0 / 128);
    }
    EXPECT_TRUE(console_has("No answer from " + address + " - still trying"));
    for (int i = 0; i < 128 * 3; ++i) {
        net_update();
        advance(1.0 / 128);
    }
    EXPECT_TRUE(net_connecting());
    EXPECT_EQ(net_client.client_state, CLIENT_CONNECTING);
    int connects = 0;
    char buffer[64];
    while (recv(nobody, buffer, sizeof buffer, MSG_DONTWAIT) > 0) ++connects;
    EXPECT_EQ(connects, 9);   // at 0 s and then once a second
    close(nobody);
}

}   // namespace
