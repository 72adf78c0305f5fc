// racing/race.h — the race as the shell and the track code reach it: rider slots, the tick
// count, the per-tick race step and the race reset. The racing subsystem defines all of these;
// until it lands, racing/racing_seams.cpp holds do-nothing stand-ins.
#pragma once

struct bike;

enum { CONTROLLER_LOCAL = 0, CONTROLLER_REMOTE = 1, CONTROLLER_ROBOT = 2 };

extern bike *bike_slot_table[160];
extern int   controller_kind[160];
extern int   participant_flags[160];   // 2 marks the local player
extern int   viewed_slot;
extern int   tick_count;               // the race tick, 1/128 s
extern int   race_start_tick;
extern int   race_laps;                // the lap count in force
extern int   standings[160];           // rider slots, leader first
extern int   standings_count;
extern int   erosion_strength;         // 1/1024 units; erosion runs while above 0

void race_step(void);
// participants: 160 flags or null.
void reset_race(const int *participants, int playback, int mode, int time_limit_ticks, int laps,
                int skill);
void reset_player_position(void);
int  rider_is_hidden(int slot);
int  race_is_time_trial(void);
int  race_first_lap_gates(void);   // gates of the first lap; 0 without lap gates
int  race_gates_per_lap(void);     // 0 without lap gates
int  race_track_loaded(void);      // non-zero while a track is loaded
const char *rider_number_text(int slot);   // null when the rider shows no number
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
