// terrain/lap_gates.h — the loaded track's lap as the gate counts see it: the first lap's
// gates, then the normal lap's over and over.
#pragma once

int race_track_loaded(void);      // non-zero while a track is loaded
int race_first_lap_gates(void);   // gates of the first lap; 0 without lap gates
int race_gates_per_lap(void);     // 0 without lap gates
// Plain gates (entries below 100000) among the first n of the race's gate sequence.
int race_count_plain_gates(int n);
