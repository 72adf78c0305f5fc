// racing/net_client.h — the network client's own state: the connection values, the per-slot
// rider info, the fake lag and loss queue and the file transfer. The shell, the menus and the
// HUD reach it through racing/race.h and racing/net.h; tests and the benchmarks read it here.
#pragma once
#include <cstdint>

#include "racing/net_protocol.h"
#include "racing/udp.h"

struct data_stream;

enum client_state_value {
    CLIENT_CONNECTING = 0, CLIENT_INFO = 3, CLIENT_TRACK_ACK = 5, CLIENT_BIKE_ACK = 7, CLIENT_READY = 9,
    CLIENT_RACING = 11, CLIENT_RESTART = 14, CLIENT_DISCONNECTING = 15,
};
enum { NET_FAKE_QUEUE = 1024, PARTICIPANT_LOCAL = 1, PARTICIPANT_REMOTE = 5 };
constexpr double NET_TICK_SLACK = 10 * 128;              // how far a server tick may run ahead of real time
constexpr int    NET_PING_MAX = 60 * 128;                // round trips above a minute are damaged echoes
constexpr int    NET_LAPS_MAX = 1000;                    // what the gate times of a bike can hold
constexpr int    NET_TIME_LIMIT_MAX = 24 * 3600 * 128;   // a day of racing
constexpr double NET_SILENCE_SECONDS = 5;                // a server quiet this long is said to be silent
constexpr double NET_SILENCE_REPEAT = 30;                // and said again this often while it stays so


// One rider slot of the server's race; names interned (null when unset), number up to 3.
struct net_slot_record {
    int         participant;   // 0 none, 1 the local rider, 5 a remote rider whose info arrived
    const char *bike, *body, *graphics, *wheels, *helmet, *name;
    char        number[4];
    int         ping_ticks;
    int         seen;          // remote: 1 once its bike stood posed from a state, 2 once told under way
    float       seen_at[3];    // where its bike stood then
};
extern net_slot_record net_slot_info[NET_SLOTS];

struct net_fake_entry {
    double        time;
    int           length;
    net_address   from;
    unsigned char bytes[NET_BUFFER];
};

struct net_client_record {
    char        connect_address[128];   // empty: offline
    net_address server;
    int         client_state;
    uint32_t    local_slot, connection, race, time_limit, laps, start_tick;
    uint8_t     server_digest[20];
    uint32_t    last_info_slot;         // 160: none taken since the track packet
    uint32_t    highest_server_tick;
    // The first server tick taken and when: the server's clock runs in real time from there, so
    // a tick far beyond that is damaged, not news.
    uint32_t    sync_tick;
    double      sync_time;
    int         wild_tick_told;         // the refused tick was said once this race
    double      last_heard;             // seconds: the last datagram from the server, or the connect
    double      silence_next;           // when a silence is said (again); 0: not said since heard
    double      last_update;            // seconds: the update before this one
    uint32_t    value;                  // type 13, kept unused
    int         last_gate_sent;
    uint32_t    nonce;
    double      last_state_send;        // seconds; 0 sends at the next update
    int         no_arcade;
    // Fake lag and loss of received datagrams: a ring, oldest at head.
    double      fake_lag;
    int         fake_loss;
    int         fake_head, fake_count;
    uint32_t    fake_random;            // the loss draw's own generator
    // The file transfer after "sendready".
    int         send_ready;
    double      next_part_time;
};
extern net_client_record net_client;
extern net_fake_entry   *net_fake_queue;   // NET_FAKE_QUEUE entries while fake lag or loss is on
extern int               fixed_files_flag; // 0 forbids connecting

// The client's clock: seconds, never zero while running.
double net_now(void);
// Fake lag (s) and loss (%) of received datagrams, on when either is non-zero; each connect
// takes them from the options.
void   net_set_fake(double lag_seconds, int loss_percent);
// Queues a reliable message of that kind with body and more after it, cut to what a message
// holds; offline "Not connected to server" and nothing queued.
void   net_queue_message(int kind, const void *body, int length, const void *more = nullptr, int more_length = 0);
// The 15-bit draw the fake loss compares with percent x 327; tests count through it.
void   net_set_loss_draw(int (*draw)(void));

// Dispatches one received datagram of length bytes (buffer[length] is 0) from the server.
void   net_dispatch(unsigned char *datagram, int length);
// An in-order reliable message from the server (the whole type-17 datagram).
void   net_handle_reliable(const unsigned char *datagram, int length);
// Prints a text that came from the network through format's one %s, escaped (net_escape_text).
void   net_print_remote(const char *format, const char *text);
// The server's command texts (reliable kind 24).
void   net_server_command(const char *text);
// What the own-rider-info packet resets the race with (the fuzz targets keep the race still).
// Null restores reset_race.
void   net_set_race_reset(int (*reset)(const int *participants, int playback, int mode, int time_limit,
                                      int laps, int skill));
// Back to offline values: socket closed, lists freed, address cleared or set to next.
void   net_client_reset(const char *next_address);

// Rider info: the local rider's text, and a received text into a slot.
int    rider_info_format(char *buffer, int limit);
void   rider_info_parse(int slot, const char *text);

// Which digests of the fixed shape files allow connecting (besides the built-in ones): the
// build compiles in the digest of its own generated files.
void   fixed_files_digest_hex(char out[41]);

