// terrain/lap_gates.cpp — the lap's gate counts, read from the track's timing gates.
#include "terrain/lap_gates.h"
#include "terrain/timing_gates.h"
#include "terrain/track_load.h"

int race_track_loaded(void) { return track_name != nullptr; }
int race_first_lap_gates(void) { return first_lap_count; }
int race_gates_per_lap(void) { return normal_lap_count; }

int race_count_plain_gates(int n)
{
    const int first = race_first_lap_gates(), per_lap = race_gates_per_lap();
    if (!lap_list) return 0;
    int count = 0;
    for (int i = 0; i < n; ++i) {
        int entry;
        if (i < first) entry = lap_list[i];
        else if (per_lap > 0) entry = lap_list[first + (i - first) % per_lap];
        else break;   // no laps after the first: nothing further counts
        if (entry < LAP_NO_SWITCH) ++count;
    }
    return count;
}
