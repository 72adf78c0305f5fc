// racing/race.h — the race as the shell and the track code reach it: rider slots, the tick
// count, the per-tick race step and the race reset. What later parts of the race bring (demos,
// the network client, the robots' lines) has do-nothing stand-ins in racing/racing_seams.cpp.
#pragma once

struct bike;

enum { CONTROLLER_LOCAL = 0, CONTROLLER_REMOTE = 1, CONTROLLER_ROBOT = 2 };

extern bike *bike_slot_table[160];
extern int   controller_kind[160];
extern int   participant_flags[160];   // 1 marks the local player, 2 a robot
extern int   viewed_slot;
extern int   tick_count;               // the race tick, 1/128 s
extern int   race_start_tick;
extern int   race_laps;                // the lap count in force
// One rider's place in the race: gates passed and the tick of the last (0 when none).
struct standings_entry {
    int slot;
    int gates;
    int last_gate_tick;
};
extern standings_entry standings[160];   // leader first
extern int   standings_count;
extern int   erode_level;              // erosion strength, 1/1024 units; erosion runs while above 0

void race_step(void);
// participants: 160 codes or null (the time trial); mode: record a demo. 1 on success, 0 when
// the track could not be loaded (the bikes are freed by then).
int  reset_race(const int *participants, int playback, int mode, int time_limit_ticks, int laps,
                int skill);
extern char rider_names[160][64];
extern int  track_reload_requested;   // the next reset loads the track again
void reset_player_position(void);
int  rider_is_hidden(int slot);
int  race_is_time_trial(void);
int  race_first_lap_gates(void);   // gates of the first lap; 0 without lap gates
int  race_gates_per_lap(void);     // 0 without lap gates
// Plain gates (entries below 100000) among the first n of the race's gate sequence.
int  race_count_plain_gates(int n);
// Bytes of a demo packet of that kind: 26 for kind 4, 39 (one bike frame) for 5, else 0.
int  demo_packet_size(int kind);
int  race_track_loaded(void);      // non-zero while a track is loaded
const char *rider_number_text(int slot);   // the slot's bike's number; null without a bike
void series_record_round(void);

// Learned lines of the robots.
int  lines_current(void);
void lines_save(void);
void lines_free(void);

// Demos.
int  demo_play_open(void);                  // 1 on success
void demo_play_set_name(const char *name);  // the demo demo_play_open reads
const char *demo_play_track(void);          // the played demo's track folder
void demo_play_close(void);                 // playback stream closed, position 0
void demo_record_stop(void);
void demo_skip(float seconds);              // negative skips back

// The network client.
extern int  net_socket;      // -1 while offline
extern int  server_tick;
extern int  race_slot;       // the local rider's race slot online, 160 without one
extern char server_name_history[16][128];
extern int  server_rules[16];
void net_update(void);
void net_disconnect(void);   // sends the disconnect packet, closes the socket, resets the session
void net_cleanup(void);
void net_set_connect_address(const char *address);   // null: no connect address
int  net_connecting(void);   // non-zero while a connect address is set
int  fixed_files_check(void);
// The round trip to the server of a slot's packets, in ticks, as the client measures it.
int  net_round_trip_ticks(int slot);

// What the track loader and the erosion code reach of the race.
#include "platform/array.h"

// Statues near a rider: 8 x 8 cells of statue indices (int), made fresh by every track load
// (racing/object_grid.h).
extern growable_array object_grid[64];
void object_grid_insert(int statue_index);
// The heading yaw turned onto the ground normal at (x, z); the identity when yaw >= 3.25.
void object_terrain_orientation(float out[9], float x, float z, float yaw);

// The flying-dirt particles: each of the 2000 owns one billboard, reserved by every track load.
enum { PARTICLE_POOL = 2000 };
void particle_set_billboard(int node, int billboard);
// Launches one particle drawn in the style of a tile's roost type; null when the pool is empty.
struct particle_node;
struct roost_type;
particle_node *particle_spawn(const float position[3], const float velocity[3], const roost_type *style);

// Online: queues an erosion message for the server; offline: straight into the erosion queue.
void net_send_erosion(const unsigned char *bytes, int length);

// One stored robot line of a gate section. An empty slot: no samples, count 0, recorded and
// best times 1000000, everything else 0.
// One point of a recorded line, 20 bytes: the frame's position (ft), its speed (ft/s, negative
// while neither wheel touches) and its lean (rad).
struct line_sample {
    float x, y, z;
    float speed;
    float lean;
};
struct learned_line {
    line_sample *samples;
    int sample_count;
    int section_time, two_section_time;           // ticks, as recorded
    int tested_count;
    int best_section_time, best_two_section_time;
    int section_time_sum, two_section_time_sum;
    int failure_count;
    int last_picked;                              // tick
    int id;                                       // 0 = none
};
