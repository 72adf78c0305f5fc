// racing/demo.h — demos: every race kept as a ".rldemo", played back into the state history,
// skipped and rewound; the time trial's lap recording and its ghost.
//
// A demo is a text head, then a chain of packets (all integers little-endian):
//   "RL06 %d %d %d %d\n"   version 6, recorded riders, time limit (ticks), laps, start tick
//   "%s\n"                 the track folder
//   per recorded rider, in slot order:
//     "%s|%s|%s|%s|%s\n%s\n%s\n\n"   model | rider | bike | wheel | helmet texture ("" none),
//                                     race number, name, an empty line
//   packets:
//     0  u32  payload length XOR the previous packet's payload length (0 before the first)
//     4  i32  tick
//     8  u8   type: 1 rider states (n records of ordinal u8, tick i32, 39-byte frame),
//                   2 a chat or console line, 3 "erode %d", 5 one erosion packet
//     9       payload
// The XORed lengths let the chain be walked back from any packet whose length is known.
// Versions 4 and 5 are read only: no name line per rider, and the body is one raw frame (26 or
// 39 bytes) per rider per tick, no packet headers.
#pragma once
#include <cstdint>

enum {
    DEMO_RIDERS_MAX = 160,
    DEMO_RECORD_BYTES = 44,            // ordinal, tick, frame
    DEMO_PACKET_HEAD_BYTES = 9,
    DEMO_STATES = 1, DEMO_TEXT = 2, DEMO_ERODE_LEVEL = 3, DEMO_ERODE = 5,
    DEMO_LOOKAHEAD_TICKS = 64,         // playback reads this far ahead of the race
    DEMO_OLD_LOOKAHEAD_TICKS = 8,
    DEMO_PACKETS_PER_TICK = 128,
    DEMO_TICK_MAX = 1 << 30,           // stamps beyond are damaged data
    DEMO_ERODE_MAX = 102400,           // the strongest erosion the command line gives
    DEMO_BACKUPS_MAX = 100,
    DEMO_NAME_MAX = 255,
};

// Recording.
void demo_record_start(void);
void demo_record_tick(int force);
void demo_record_stop(void);
int  demo_recording(void);            // 1 while a recording is open
// Appends a text (type 2), erosion level text (type 3) or erosion (type 5) packet at the
// current tick; nothing without a recording. For the console and the network client.
void demo_record_packet(int type, const void *payload, int length);
// The name the recording is kept under when it stops ("@demos/" + name); null or "" clears it.
void demo_record_set_name(const char *name);

// Playback.
void demo_play_set_name(const char *name);   // the demo demo_play_open reads; null for none
int  demo_play_open(void);                   // 1 on success
void demo_play_close(void);
void demo_play_tick(void);
const char *demo_play_track(void);           // the track folder of the open demo (a track-list entry)
int  demo_play_format(void);                 // the open demo's version (4, 5, 6); 0 when none
int  demo_play_rider_count(void);
int  demo_playing(void);                     // 1 while a demo is open
// The next of the demo's riders without a slot, now playing into the slot: its model (older
// names mapped to their current ones), race number, textures (rider, helmet, bike, wheel, null
// when not installed here) and name. 0 when every rider has a slot.
int  demo_play_take_rider(int slot, const char **model, const char **number, const char *textures[4],
                          const char **name);
// Ordinal k of the demo plays into the slot (-1: nowhere).
void demo_play_map(int ordinal, int slot);
// The model name a recording of an older version of the game stored, as the catalogue calls it now.
const char *demo_current_model_name(const char *name);

// Moves playback by a signed number of seconds.
void demo_skip(float seconds);
// Repositions playback at the target tick without running the race (the part of a skip that
// works on the file): 1 done, 0 when the file could not be positioned.
int  demo_play_seek(int target_tick);
// Riders drop the gate times after the tick; the results are no longer final.
void demo_gate_times_back(int tick);

// The time trial, from the race step: lap counts before the step, the lap's end after it.
void time_trial_remember_laps(void);
void time_trial_tick(void);
// The player was put back before the lap gate (Start, or backing up): the run from there is
// recorded to "lastlap.rldemo", but as it is no whole lap it can never become the fastest.
void time_trial_lap_begin(void);
// 1 when the player is put back again on the tick after the last time (backing up held), its
// run up still being recorded; the run up then goes on.
int  time_trial_lap_held(void);
// A lap time from running gate f - 1 to f + p - 1, every gate between timed; 0 when one is missing.
struct bike;
int  time_trial_lap_ticks(bike *b);
