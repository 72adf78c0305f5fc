// The network client against the loopback race server: the handshake to racing with two remote
// riders, every way the connection ends, messages and files both ways, and a poor connection.
#include <gtest/gtest.h>

#include <cstring>

#include "bike/bike.h"
#include "bike/setters.h"
#include "data/console.h"
#include "data/stream.h"
#include "net_fixture.h"
#include "racing/net.h"
#include "racing/net_client.h"
#include "racing/race.h"
#include "racing/race_state.h"
#include "racing/state_history.h"
#include "shell/setup.h"

namespace {

int count_type(const race_server &s, int type)
{
    int n = 0;
    for (const std::string &d : s.captured) n += (unsigned char)d[0] == type;
    return n;
}

TEST_F(NetRace, HandshakeToRacingWithTwoRemoteRiders)
{
    ASSERT_TRUE(racing());
    for (const char *line : {"Contacting server", "Sending client info", "Sending track acknowledgment",
                             "Sending bike acknowledgment 1", "Sending bike acknowledgment 5", "2 minutes + 3 laps"})
        EXPECT_TRUE(console_has(line)) << line;
    EXPECT_EQ(local_slot, 2);
    EXPECT_EQ(race_slot, 0);
    EXPECT_EQ(controller_kind[2], CONTROLLER_LOCAL);
    EXPECT_EQ(net_slot_info[1].participant, PARTICIPANT_REMOTE);
    EXPECT_STREQ(net_slot_info[5].name, "Remote 5");
    EXPECT_STREQ(rider_names[5], "Remote 5");

    // The bike acknowledgments report the slots in the order they were taken.
    std::vector<uint32_t> acked;
    for (const std::string &d : server.captured)
        if (d[0] == 7 && (acked.empty() || acked.back() != net_get_u32((const unsigned char *)d.data() + 13)))
            acked.push_back(net_get_u32((const unsigned char *)d.data() + 13));
    EXPECT_EQ(acked, (std::vector<uint32_t>{1, 5}));

    ASSERT_TRUE(run_until([&] { return server.client_states >= 8 && last_state_tick[5] > 0; }, 400));
    for (int slot : {1, 5}) {
        SCOPED_TRACE(slot);
        ASSERT_TRUE(bike_slot_table[slot]);
        EXPECT_EQ(controller_kind[slot], CONTROLLER_REMOTE);
        EXPECT_EQ(state_history[slot].stamps[state_history[slot].newest], last_state_tick[slot]);
        EXPECT_EQ(net_round_trip_ticks(slot), 5);
    }
    EXPECT_EQ(last_state_tick[2], 0);   // our own record is not taken
    for (size_t i = 0; i < server.state_ticks.size(); ++i) {
        EXPECT_EQ(server.state_ticks[i] % 4, 0u);
        if (i) EXPECT_EQ(server.state_ticks[i] - server.state_ticks[i - 1], 4u);
    }
    EXPECT_GE(net_round_trip_ticks(2), 0);
    EXPECT_GT(server_tick, 0);
}

TEST_F(NetRace, EveryWayTheConnectionFails)
{
    struct Case {
        const char *name;
        std::function<void(race_server &)> set;
        const char *message;
    };
    const Case cases[] = {
        {"unknown track", [](race_server &s) { s.track = "nowhere"; }, "Can't find track 'nowhere'"},
        {"another digest", [](race_server &s) { s.digest[7] ^= 1; },
         "Client track modified - does not match server's track (t/a)"},
        {"another version", [](race_server &s) { s.version = 5; }, "Server version does not match client version"},
        {"wrong password", [](race_server &s) { s.password = "sesame"; }, "Wrong password"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        race_server_close(&server);
        race_server fresh;
        memcpy(fresh.digest, server.digest, 20);
        fresh.track = "t/a";
        server = fresh;
        c.set(server);
        ASSERT_TRUE(race_server_open(&server));
        console_clear();
        connect();
        ASSERT_TRUE(run_until([] { return net_client.client_state == CLIENT_DISCONNECTING; }, 600));
        EXPECT_TRUE(console_has(c.message));
        // Leaving: the disconnect packet until the server answers it.
        ASSERT_TRUE(run_until([] { return net_socket < 0; }, 400));
        EXPECT_TRUE(server.disconnected);
        EXPECT_TRUE(console_has("Disconnected"));
        EXPECT_FALSE(net_connecting());
        EXPECT_EQ(net_client.client_state, CLIENT_CONNECTING);
        EXPECT_EQ(race_slot, 160);
    }
}

TEST_F(NetRace, FullServerIsAskedOnceASecond)
{
    server.full = true;
    connect();
    for (int i = 0; i < 128 * 3; ++i) step();
    EXPECT_TRUE(console_has("Server is full"));
    EXPECT_EQ(net_client.client_state, CLIENT_CONNECTING);
    EXPECT_EQ(count_type(server, 0), 3);   // at 0, 1 and 2 s
}

TEST_F(NetRace, RedirectBeforeTheAcceptOnly)
{
    race_server second;
    memcpy(second.digest, server.digest, 20);
    second.track = "t/a";
    ASSERT_TRUE(race_server_open(&second));
    server.redirect = "127.0.0.1:" + std::to_string(second.port);
    connect();
    for (int i = 0; i < 40 && net_client.client_state != CLIENT_INFO; ++i) {
        step();
        race_server_poll(&second, net_test_now());
    }
    EXPECT_EQ(count_type(second, 0), 1);
    EXPECT_EQ(net_client.client_state, CLIENT_INFO);
    // Accepted: a redirect now changes nothing.
    const uint32_t nonce = net_client.nonce;
    std::string d = std::string(1, (char)25) + race_server_u32(nonce) + "127.0.0.1:1";
    race_server_send(&second, d, true);
    step();
    EXPECT_NE(net_client.client_state, CLIENT_CONNECTING);
    EXPECT_EQ(net_client.nonce, nonce);
    race_server_close(&second);
}

TEST_F(NetRace, RestartAndLeaving)
{
    ASSERT_TRUE(racing());
    race_server_send(&server, std::string(1, (char)14) + race_server_u32(server.race + 1), true);
    ASSERT_TRUE(run_until([] { return net_client.client_state == CLIENT_RACING && net_client.race == 2; }, 600));
    EXPECT_TRUE(console_has("Sending restart"));
    EXPECT_GE(server.restarts, 1);

    race_server_send(&server, std::string(1, (char)16) + "Race closed", true);
    step();
    EXPECT_TRUE(console_has("Race closed"));
    EXPECT_EQ(net_client.client_state, CLIENT_DISCONNECTING);
    ASSERT_TRUE(run_until([] { return net_socket < 0; }, 400));
    EXPECT_TRUE(server.disconnected);

    console_clear();
    ASSERT_TRUE(racing());
    race_server_send(&server, std::string(1, (char)15), true);
    step();
    EXPECT_TRUE(console_has("Disconnected"));
    EXPECT_EQ(net_socket, -1);
    EXPECT_EQ(local_slot, 160);
}

TEST_F(NetRace, ChatGatesAndErosionBothWays)
{
    ASSERT_TRUE(racing());
    net_queue_message(NET_KIND_CHAT, "hello", 5);
    bike *own = bike_slot_table[2];
    bike_record_gate_time(own, 0, 321);
    bike_set_gate_index(own, 1);
    const unsigned char trail[6] = {1, 2, 3, 4, 5, 6};
    net_send_erosion(trail, 6);

    race_server_reliable(&server, NET_KIND_CHAT, "Welcome to the race");
    race_server_reliable(&server, NET_KIND_GATES,
                         race_server_u32(server.race) + race_server_u32(2) + race_server_u32(1) + race_server_u32(0) +
                             race_server_u32(400) + race_server_u32(2) + race_server_u32(0) + race_server_u32(1));
    race_server_reliable(&server, NET_KIND_COMMAND, "knockout 100 200");
    setup_changed = 1;   // the rider changed his number: his info goes out again
    setup_number.buffer[0] = '7', setup_number.buffer[1] = 0;
    ASSERT_TRUE(run_until([&] { return server.delivered.size() >= 4 && server.out.empty(); }, 800));

    ASSERT_EQ(server.chat, std::vector<std::string>{"hello"});
    ASSERT_GE(server.delivered.size(), 3u);
    // The erosion was queued at once, the gate message by the next racing tick.
    EXPECT_EQ(server.delivered[1].first, NET_KIND_ERODE);
    EXPECT_EQ(server.delivered[1].second, race_server_u32(1) + std::string("\1\2\3\4\5\6", 6));
    EXPECT_EQ(server.delivered[2].first, NET_KIND_GATES);
    EXPECT_EQ(server.delivered[2].second, race_server_u32(1) + race_server_u32(0) + race_server_u32(321));

    EXPECT_EQ(server.delivered[3].first, NET_KIND_RIDER_INFO);
    EXPECT_EQ(server.delivered[3].second.back(), '\0');
    EXPECT_NE(server.delivered[3].second.find("\n7\n"), std::string::npos);
    EXPECT_EQ(setup_changed, 0);

    EXPECT_TRUE(console_has("Welcome to the race"));
    EXPECT_EQ(bike_get_gate_index(bike_slot_table[1]), 1);
    EXPECT_EQ(bike_get_gate_time(bike_slot_table[1], 0), 400);
    EXPECT_EQ(bike_get_gate_index(own), 1);   // our own record is left alone
    EXPECT_EQ(server_rules[0], 100);
    EXPECT_EQ(server_rules[15], 200);
}

TEST_F(NetRace, FileTransferReadyAndDenied)
{
    ASSERT_TRUE(racing());
    std::string content;
    for (int i = 0; i < 700; ++i) content += (char)(i * 7);
    write("sent.bin", content);
    for (bool deny : {false, true}) {
        SCOPED_TRACE(deny);
        server.deny_files = deny;
        console_clear();
        net_outgoing_file = data_open((home + "sent.bin").c_str(), "rb");
        ASSERT_TRUE(net_outgoing_file);
        snprintf(net_outgoing_name, sizeof net_outgoing_name, "namefile sent.bin");
        net_queue_message(NET_KIND_COMMAND, "sendfile", 8);
        const size_t files = server.files.size();
        ASSERT_TRUE(run_until([&] { return !net_outgoing_file && server.out.empty(); }, 1500));
        if (deny) {
            EXPECT_TRUE(console_has("Send file denied"));
            EXPECT_EQ(server.files.size(), files);
        } else {
            ASSERT_TRUE(run_until([&] { return server.files.size() > files; }, 400));
            EXPECT_EQ(server.files.back().name, "sent.bin");
            EXPECT_EQ(server.files.back().bytes, content);
        }
    }
}

TEST_F(NetRace, FixedFileMismatchRefusesToConnect)
{
    fixed_files_flag = 0;
    connect();
    step();
    EXPECT_TRUE(console_has("Fixed file mismatch"));
    EXPECT_FALSE(net_connecting());
    EXPECT_EQ(net_socket, -1);
    EXPECT_TRUE(server.captured.empty());
}

TEST_F(NetRace, PoorConnectionStillRacesAndEveryMessageArrivesOnceInOrder)
{
    server.loss = 30;
    server.duplicate = 30;
    server.reorder = 30;
    ASSERT_TRUE(racing());
    std::vector<std::string> sent, received;
    for (int i = 0; i < 8; ++i) {
        const std::string up = "up " + std::to_string(i), down = "down " + std::to_string(i);
        net_queue_message(NET_KIND_CHAT, up.data(), (int)up.size());
        race_server_reliable(&server, NET_KIND_CHAT, down);
        sent.push_back(up);
    }
    ASSERT_TRUE(run_until([&] { return server.chat.size() >= 8 && server.out.empty(); }, 128 * 60));
    for (int i = 0; i < 64; ++i) step();
    EXPECT_EQ(server.chat, sent);
    int seen = 0;
    for (int i = 0; i < 8; ++i) seen += console_has("down " + std::to_string(i), 400);
    EXPECT_EQ(seen, 8);
    EXPECT_GT(last_state_tick[1], 0);
}

}   // namespace
