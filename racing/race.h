// racing/race.h — the race as the program's top and the presentation reach it: the per-tick race
// step and the race reset, with the rider slots and the race clock it keeps in the shell's
// headers below.
#pragma once

#include "shell/race_clock.h"    // the tick, the race's start and laps, the erosion level
#include "shell/rider_slots.h"   // the slots' bikes and controllers, the viewed slot, standings
#include "shell/server_state.h"  // the server's rules and the joined servers' names
#include "terrain/lap_gates.h"   // the track's lap: first-lap and per-lap gate counts

struct bike;

void race_step(void);
// participants: 160 codes or null (the time trial); mode: record a demo. 1 on success, 0 when
// the track could not be loaded (the bikes are freed by then).
int  reset_race(const int *participants, int playback, int mode, int time_limit_ticks, int laps,
                int skill);
// Frees every slot's bike and engine voice and empties the standings (race reset, shutdown).
void race_bikes_free(void);
extern char rider_names[160][64];
extern int  track_reload_requested;   // the next reset loads the track again
void reset_player_position(void);
int  rider_is_hidden(int slot);
int  race_is_time_trial(void);
// Bytes of a demo packet of that kind: 26 for kind 4, 39 (one bike frame) for 5, else 0.
int  demo_packet_size(int kind);
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
void net_update(void);
void net_disconnect(void);   // sends the disconnect packet, closes the socket, resets the session
void net_cleanup(void);
void net_set_connect_address(const char *address);   // null: no connect address
int  net_connecting(void);   // non-zero while a connect address is set
int  fixed_files_check(void);
// The round trip to the server of a slot's packets, in ticks, as the client measures it.
int  net_round_trip_ticks(int slot);

// What the track loader, the statues, the roost and the erosion reach of the race, through the
// hooks the program's top sets (shell/main/hooks.cpp).
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

#include "terrain/learned_line.h"   // line_sample, learned_line
