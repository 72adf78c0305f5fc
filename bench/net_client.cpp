// The network client's per-tick work: a state datagram of 20 riders dispatched into their
// histories, and net_update with nothing waiting and with the fake lag queue full.
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

#include "racing/net_client.h"
#include "racing/race.h"
#include "racing/race_state.h"
#include "racing/state_history.h"
#include "shell/globals.h"

namespace {

// The dispatch only asks whether a slot has a bike; it never reaches into one.
alignas(16) char g_stand_in[256];

void put(std::string &d, uint32_t v)
{
    unsigned char b[4];
    net_put_u32(b, v);
    d.append((const char *)b, 4);
}

// A socket on 127.0.0.1 that plays the server; the client's connect address names it.
struct loopback_server {
    int sock;
    sockaddr_in address{};
    loopback_server()
    {
        sock = socket(AF_INET, SOCK_DGRAM, 0);
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(sock, (sockaddr *)&address, sizeof address);
        socklen_t n = sizeof address;
        getsockname(sock, (sockaddr *)&address, &n);
        const std::string text = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
        net_set_connect_address(text.c_str());
        net_update();   // connects
        net_client.client_state = CLIENT_RACING;
        net_client.local_slot = 2;
    }
    ~loopback_server()
    {
        net_client_reset(nullptr);
        close(sock);
    }
};

}   // namespace

static void BM_NetDispatchStates20(benchmark::State &state)
{
    net_client.client_state = CLIENT_RACING;
    net_client.local_slot = 2;
    net_client.race = 1;
    net_client.highest_server_tick = 100;
    for (int slot = 10; slot < 30; ++slot) {
        bike_slot_table[slot] = (bike *)(void *)g_stand_in;
        controller_kind[slot] = CONTROLLER_REMOTE;
    }
    history_clear();
    std::string d(1, (char)11);
    put(d, 1), put(d, 1000), put(d, 0), put(d, 20);
    for (int slot = 10; slot < 30; ++slot) {
        d += (char)slot, d += '\0', d += (char)3, d += '\0';
        put(d, 0);
        d.append(39, (char)slot);
    }
    d += '\0';
    uint32_t tick = 1;
    for (auto _ : state) {
        ++tick;
        for (int r = 0; r < 20; ++r) net_put_u32((unsigned char *)d.data() + 17 + 47 * r + 4, tick);
        net_dispatch((unsigned char *)d.data(), (int)d.size() - 1);
    }
    for (int slot = 10; slot < 30; ++slot) bike_slot_table[slot] = nullptr;
    net_client_reset(nullptr);
    state.SetItemsProcessed(state.iterations() * 20);
}
BENCHMARK(BM_NetDispatchStates20);

static void BM_NetUpdateIdle(benchmark::State &state)
{
    g_options.fake_lag = 0;
    g_options.fake_loss = 0;
    loopback_server server;
    for (auto _ : state) net_update();
}
BENCHMARK(BM_NetUpdateIdle);

static void BM_NetUpdateFakeQueueFull(benchmark::State &state)
{
    g_options.fake_lag = 1e6;   // nothing is old enough to be delivered
    g_options.fake_loss = 0;
    loopback_server server;
    const std::string value = std::string(1, (char)13) + "\1\0\0\0";
    sockaddr_in client{};
    socklen_t n = sizeof client;
    // The client's own address: where its connect packet came from.
    char first[64];
    recvfrom(server.sock, first, sizeof first, 0, (sockaddr *)&client, &n);
    for (int batch = 0; batch < 8; ++batch) {
        for (int i = 0; i < 128; ++i)
            sendto(server.sock, value.data(), value.size(), 0, (sockaddr *)&client, sizeof client);
        net_update();
    }
    if (net_client.fake_count != NET_FAKE_QUEUE) state.SkipWithError("the fake queue did not fill");
    for (auto _ : state) net_update();
    g_options.fake_lag = 0;
}
BENCHMARK(BM_NetUpdateFakeQueueFull);
