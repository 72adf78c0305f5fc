// racing/race_state.h — the race's own state beyond racing/race.h: the online line-up as the
// race step reads it, the start rule, the start gates, time-trial times and the telemetry
// rings. The race step (racing/race_step.cpp) and the race reset write it.
#pragma once
#include "terrain/timing_gates.h"

struct bike;

enum { TELEMETRY_SAMPLES = 1024, SPAN_TICKS = 640 };

// Online: the local rider's slot (160 = none) and, per slot, the tick of the last state the
// server sent. The network client fills both; offline they stay 160 and 0.
extern int   local_slot;
extern int   last_state_tick[160];
// The server's hide thresholds: riders slower than the leader by scale x his time + bias are
// off course. Seconds and a factor.
extern float off_course_bias, off_course_scale;

extern int   false_start_hold;      // ticks the local rider is still held at the start
extern float start_position[3];     // the local rider's frame body as the reset placed it
// Per start gate: 1 standing .. 0 down, and its falling speed per second (0..8).
extern float gate_drop[START_POSITIONS_MAX];
extern float gate_drop_speed[START_POSITIONS_MAX];

extern int   time_trial;
extern int   best_lap_ticks, last_lap_ticks;   // 0: none yet
extern int   race_time_limit;                  // ticks, 0 without
extern int   race_span;                        // 5 s in ticks, read by the scene and the robots
// The laps the race was set up with; in a race run by time, the laps run after the limit.
// race_laps (racing/race.h) is the lap count in force: 1000000 in a race run by time until the
// standings fix it.
extern int   race_laps_chosen;

// Telemetry of the viewed rider: fork travel, speed, factor, swingarm travel, speed, factor.
extern int   telemetry_on;
extern float telemetry_rings[6][TELEMETRY_SAMPLES];
extern int   telemetry_index;                  // TELEMETRY_SAMPLES: clear before the next sample

// 1 online while the local player has no place in the start line-up (spectating or warming up).
int  race_lineup_absent(void);
// The off-course rule between the local rider and another: 1 when the other is skipped (not
// collided with, not drawn). Only online, with more than one rider in the standings and once
// off_course_bias seconds of racing have passed.
int  rider_off_course_skip(bike *local, bike *other);
// Whether a rider at gate n has fallen behind the standings' reference rider by the thresholds.
int  rider_off_course_at(bike *b, int n);

// What later parts of the race fill in; stand-ins in racing/racing_seams.cpp.
void autopilot_step(bike *b);
void autopilot_learn(bike *b);
void autopilot_analyze_lines(void);
void standings_update(void);
void demo_record_tick(int force);
void demo_record_start(void);
void demo_play_tick(void);
int  demo_play_format(void);          // the frame layout of the demo being played; 0 when none
int  demo_play_rider_count(void);     // riders of the demo being played
void net_slot_info_clear(void);
void engine_sound_load(int slot);
void lines_load(int skill);

// The race step calls the standings through this; tests count the calls. Null restores it.
void race_set_standings_hook(void (*hook)(void));
