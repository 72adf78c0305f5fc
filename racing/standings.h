// racing/standings.h — the riders ranked by gates passed and time, the final results with the
// track-cutting penalty, "@results.txt", and the points series round a finished race makes.
#pragma once
#include "racing/race.h"

// Negative when a goes first: more gates, then the earlier last gate, then the lower slot.
int  compare_standings(const void *a, const void *b);
// Ranks the field; when everybody is done, builds the results, writes "@results.txt" and
// records the series round. Does nothing once the results are final.
void standings_update(void);
// Ticks a rider typically needs from gate a to gate b (a negative a: from tick 0); 7680 when
// no rider counts.
int  gate_mean_time(int first_gate, int last_gate);
// The track-cutting penalty of a rider's first `gates` gates, before any laps are taken off.
int  standings_penalty(int slot, int gates);
// The one rule for a rider's best lap in the results, on the board and in "@results.txt": the
// first lap starts from the gate and is no measure of the lap, so laps 2 and up count, and lap 1
// only when it is the only lap the rider completed (a one-lap race).
inline int results_lap_counts(int lap, int laps_completed) { return lap >= 2 || (lap == 1 && laps_completed == 1); }
// Clears the results-final flag and the estimate of a race run by time (the race reset).
void standings_reset(void);

extern int results_final;              // 1 once the results are built
extern int estimated_laps;             // a race run by time: its laps as estimated at half time
extern standings_entry results[160];   // the standings with penalties, when final

// The points series being raced and the event of it (-1 = none); the race menus set them.
extern int active_series;
extern int active_series_event;

// Writes the series' standings file (its rounds done); 1, or 0 with the reason logged.
struct points_series;
int series_standings_write(const points_series *series);
