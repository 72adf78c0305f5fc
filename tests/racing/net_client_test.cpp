// The client's update on its own terms: nothing without an address, the fake lag and loss,
// state datagrams that overstate their records, the rider-info order, and datagrams that are
// garbage or come from someone other than the server.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <random>
#include <sys/socket.h>
#include <unistd.h>

#include "data/console.h"
#include "net_fixture.h"
#include "racing/net_client.h"
#include "racing/race.h"
#include "racing/race_state.h"
#include "shell/globals.h"

namespace {

int g_draw;
int counting_draw(void) { return g_draw++ & 0x7FFF; }

void dispatch(std::string d)
{
    const int n = (int)d.size();
    d += '\0';
    net_dispatch((unsigned char *)d.data(), n);
}

TEST_F(NetRace, NoAddressLeavesEverythingUntouched)
{
    net_set_connect_address(nullptr);
    const net_client_record before = net_client;
    const int tick = tick_count;
    for (int i = 0; i < 10; ++i) step();
    EXPECT_EQ(net_socket, -1);
    EXPECT_EQ(0, memcmp(&before, &net_client, sizeof before));
    EXPECT_EQ(tick_count, tick);
    EXPECT_TRUE(server.captured.empty());
}

TEST_F(NetRace, FakeLagKeepsOrderAndTime)
{
    g_options.fake_lag = 0.5;
    connect();
    step();   // connects; the server answers within the same step
    const double answered = net_test_now();
    ASSERT_TRUE(run_until([] { return net_client.client_state == CLIENT_INFO; }, 200));
    const double taken = net_test_now() - 7813e-6;   // the step that took it ran a tick ago
    EXPECT_GT(taken, answered + 0.5);
    EXPECT_LE(taken, answered + 0.5 + 8e-3);

    for (const char *text : {"first", "second", "third"}) race_server_send(&server, std::string(1, (char)16) + text, true);
    ASSERT_TRUE(run_until([] { return console_has("third"); }, 200));
    const char *const texts[3] = {"first", "second", "third"};
    int at[3] = {};   // lines back from the newest
    for (int i = 1; i < 50; ++i) {
        const char *line = g_console.lines[(g_console.write_index - i + CONSOLE_LINES) % CONSOLE_LINES];
        for (int k = 0; k < 3; ++k)
            if (!strcmp(line, texts[k]) && !at[k]) at[k] = i;
    }
    EXPECT_GT(at[0], at[1]);
    EXPECT_GT(at[1], at[2]);
}

TEST_F(NetRace, FullLossDrops32700Of32768Draws)
{
    g_options.fake_loss = 100;
    g_options.fake_lag = 1e6;   // nothing is delivered: what was kept stays queued
    connect();
    step();
    net_update();   // the server's answer is drawn for before the count starts; it polls no more
    net_set_loss_draw(counting_draw);
    g_draw = 0;
    const int before = net_client.fake_count;
    const std::string value = std::string(1, (char)13) + race_server_u32(1);
    for (int batch = 0; batch < 32768 / 128; ++batch) {
        for (int i = 0; i < 128; ++i) race_server_send(&server, value, true);
        net_update();
    }
    net_set_loss_draw(nullptr);
    EXPECT_EQ(g_draw, 32768);
    EXPECT_EQ(net_client.fake_count - before, 68);
}

TEST_F(NetRace, StatePacketTooSmallTakesTheRecordsThatFit)
{
    ASSERT_TRUE(racing());
    ASSERT_TRUE(run_until([] { return last_state_tick[1] > 0; }, 200));
    const uint32_t highest = net_client.highest_server_tick;
    const int newest = last_state_tick[1];
    std::string d = std::string(1, (char)11) + race_server_u32(net_client.race) + race_server_u32(highest + 1000) +
                    race_server_u32(0) + race_server_u32(3);
    std::string record = std::string("\1\0\7\0", 4) + race_server_u32((uint32_t)newest + 1) + std::string(39, '\0');
    dispatch(d + record + record.substr(0, 20));
    EXPECT_TRUE(console_has("State packet too small"));
    EXPECT_EQ(last_state_tick[1], newest + 1);
    EXPECT_EQ(net_round_trip_ticks(1), 7);
    EXPECT_EQ(net_client.highest_server_tick, highest);   // the clock update is dropped

    // A record for our own slot leaves our bike alone.
    std::string own = std::string("\2\0\7\0", 4) + race_server_u32((uint32_t)newest + 9) + std::string(39, '\0');
    dispatch(d.substr(0, 13) + race_server_u32(1) + own);
    EXPECT_EQ(last_state_tick[2], 0);
}

TEST_F(NetRace, RiderInfoTakenOnlyAboveTheLastSlot)
{
    net_client.client_state = CLIENT_BIKE_ACK;
    net_client.local_slot = 2;
    net_client.race = 4;
    net_client.last_info_slot = 5;
    auto info = [](uint32_t slot) {
        return std::string(1, (char)6) + race_server_u32(4) + race_server_u32(slot) + "rm125\n9\nX";
    };
    dispatch(info(3));
    dispatch(info(5));
    EXPECT_EQ(net_slot_info[3].participant, 0);
    EXPECT_EQ(net_slot_info[5].participant, 0);
    dispatch(info(160));
    EXPECT_EQ(net_client.last_info_slot, 5u);
    dispatch(info(7));
    EXPECT_EQ(net_slot_info[7].participant, PARTICIPANT_REMOTE);
    EXPECT_STREQ(net_slot_info[7].number, "9");
    EXPECT_EQ(net_client.last_info_slot, 7u);
    net_client.client_state = CLIENT_CONNECTING;
    net_client.race = 0;
}

TEST_F(NetRace, GarbageAndStrangersNeverMoveTheClientWrongly)
{
    ASSERT_TRUE(racing());
    // From another port: even a valid-looking goodbye is not listened to.
    const int stranger = socket(AF_INET, SOCK_DGRAM, 0);
    for (const std::string &d : {std::string(1, (char)15), std::string(1, (char)16) + "bye",
                                 std::string(1, (char)14) + race_server_u32(99)}) {
        net_address to = server.client;
        sendto(stranger, d.data(), d.size(), 0, (const sockaddr *)(const void *)to.sockaddr, (socklen_t)to.length);
    }
    close(stranger);
    for (int i = 0; i < 4; ++i) step();
    EXPECT_EQ(net_client.client_state, CLIENT_RACING);
    EXPECT_GE(net_socket, 0);

    // From the server: random bytes, and every type cut to every length.
    std::mt19937 rng(3);
    for (int i = 0; i < 300; ++i) {
        std::string d(rng() % 80, '\0');
        for (char &c : d) c = (char)rng();
        if (!d.empty() && ((unsigned char)d[0] == 15 || (unsigned char)d[0] == 16 || (unsigned char)d[0] == 14))
            d[0] = 13;   // those move the client by design
        race_server_send(&server, d, true);
        if (i % 16 == 0) step();
    }
    const std::string full_states = std::string(1, (char)11) + race_server_u32(net_client.race) +
                                    race_server_u32(5) + race_server_u32(1) + race_server_u32(2) +
                                    std::string(100, '\x01');
    for (int type : {1, 2, 4, 6, 8, 10, 11, 13, 17, 18, 25}) {
        std::string d = full_states;
        d[0] = (char)type;
        for (size_t n = 1; n <= d.size(); ++n) race_server_send(&server, d.substr(0, n), true);
        step();
    }
    for (int i = 0; i < 4; ++i) step();
    EXPECT_GE(net_socket, 0);
    EXPECT_EQ(net_client.client_state, CLIENT_RACING);
}

}   // namespace
