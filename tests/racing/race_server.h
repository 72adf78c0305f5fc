// tests/racing/race_server.h — a small race server on the loopback for the network client's
// tests and the whole-program scripts. Single-threaded and driven from outside: each poll takes
// every waiting datagram, answers it as a race server does, and sends what is due at that time.
// A fault layer drops, duplicates and reorders datagrams both ways.
//
// A race_server talks to one client. A race_server_group shares one socket among several, one
// race_server per client address, and races them against each other: each client is sent the
// others' rider info, states and gate crossings.
#pragma once
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "racing/udp.h"

// Another client's rider as this client is sent it in the states packet.
struct race_server_rider {
    std::uint32_t slot = 0, tick = 0;
    std::uint8_t  frame[39] = {};
};

struct race_server_file {
    std::string name, bytes;
};

struct race_server {
    // Set up before the first poll.
    std::string   track;                 // folder name sent in the track packet
    std::uint8_t  digest[20] = {};
    std::uint32_t version = 6;
    std::uint32_t race = 1, time_limit = 0, laps = 3, start_tick = 0;
    std::uint32_t client_slot = 2, connection = 0x5157u;
    std::uint32_t lineup = 0;
    std::vector<std::uint32_t> remote_slots = {1, 5};
    std::string   password;
    bool          full = false;          // answer connects with "full" only
    bool          deny_files = false;    // "senddenied" instead of "sendready"
    std::string   redirect;              // answer connects with a redirect there
    int           loss = 0, duplicate = 0, reorder = 0;   // percent, both ways
    std::string   log_folder;            // when set: server.log and received files written there
    std::string   greeting;              // when set: chat sent once per connection, when ready

    // What happened.
    int           sock = -1, port = 0;
    net_address   client{};
    bool          have_client = false;
    std::uint32_t nonce = 0;
    std::string   rider_info;
    bool          ready = false, disconnected = false;
    int           restarts = 0, proof_failures = 0;
    std::uint32_t tick = 0;              // the server tick, rising 128 per second once ready
    double        ready_time = 0, last_states = 0;
    std::uint32_t echo_tick = 0;         // the client's tick to echo
    std::uint8_t  client_frame[39] = {};
    int           client_states = 0;     // state packets received
    std::vector<std::uint32_t> state_ticks;   // the client's tick in each
    std::vector<std::string> captured;   // every datagram received, before the fault layer
    // Reliable messages in: (kind, body) in the order handled.
    std::vector<std::pair<int, std::string>> delivered;
    std::uint32_t in_next = 0;
    std::map<std::uint32_t, std::string> held;
    std::vector<std::string> chat;
    std::string   file_parts;
    std::vector<race_server_file> files;
    // Reliable messages out.
    std::vector<std::string> out;        // whole datagrams, head first
    std::uint32_t out_next = 0;
    double        out_last = -1;
    int           out_acked = 0;
    // The fault layer.
    std::mt19937  rng{7};
    std::vector<std::string> late_in, late_out;
    bool          greeted = false;

    // Kept by a group. With relay set the remote riders are the other clients': their rider info
    // from remote_info, their states from relayed; without it they are made up beside this one.
    bool          relay = false;
    bool          hold_riders = false;   // track and bike acknowledgments wait for the other clients
    bool          hold_clock = false;    // a ready client waits for the others to be ready
    bool          informed = false;      // a client info packet came on this connection
    bool          waiting = false;       // asked to start while the clock was held
    double        clock_start = -1;      // when set: the tick counts from then, not from ready
    std::map<std::uint32_t, std::string> remote_info;
    std::vector<race_server_rider> relayed;
    std::vector<std::string> gates_in;   // the client's gate crossings (kind-21 bodies) to pass on
};

int  race_server_open(race_server *s);   // port 0 picks one; 1 on success
void race_server_close(race_server *s);
void race_server_poll(race_server *s, double now);
// Queues a reliable message of that kind and body to the client.
void race_server_reliable(race_server *s, int kind, const std::string &body);
// One datagram to the client, through the fault layer (raw: around it).
void race_server_send(race_server *s, const std::string &bytes, bool raw = false);
std::string race_server_u32(std::uint32_t v);
// The two halves of a poll, for a caller that reads the socket itself: datagrams from the
// client (through the fault layer), then what is due at that time.
void race_server_take(race_server *s, const std::vector<std::string> &datagrams, double now);
void race_server_send_due(race_server *s, double now);

struct race_server_group {
    race_server base;          // the settings every client's server starts from
    int         clients = 1;   // the race waits for this many; with one the riders are made up
    int         sock = -1, port = 0;
    std::vector<race_server> servers;   // one per client address, in order of arrival
    double      clock_start = -1;
};

int  race_server_group_open(race_server_group *g);   // base.port 0 picks one; 1 on success
void race_server_group_close(race_server_group *g);
void race_server_group_poll(race_server_group *g, double now);
