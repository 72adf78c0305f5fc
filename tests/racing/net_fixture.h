// tests/racing/net_fixture.h — the network client against the loopback race server on a
// generated track, with the game's clock stepped one tick at a time.
#pragma once
#include <functional>
#include <string>

#include "race_server.h"
#include "terrain/track_home.h"

struct NetRace : TrackHome {
    race_server server;
    int steps = 0;

    void SetUp() override;
    void TearDown() override;
    // One tick: the client's update, the race step once the server's clock runs, the server's
    // poll, then the clock moves on 1/128 s.
    void step();
    // Steps until done() or max_ticks; true when done() came.
    bool run_until(const std::function<bool()> &done, int max_ticks = 2000);
    void connect();   // the client's address set to the server
    bool racing();    // run until the client races
    void advance(double seconds);   // moves the clock without a step
};

double net_test_now(void);
// Whether the console's last n lines hold a line starting with text (its newline left off).
bool console_has(const std::string &text, int last = 200);
