// The race's gate sequence as the bikes count it: the first lap's entries, then the normal
// lap's over and over.
#include "racing/race.h"
#include "bike/setters.h"
#include "terrain/timing_gates.h"

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

const char *rider_number_text(int slot)
{
    if (slot < 0 || slot >= 160 || !bike_slot_table[slot]) return nullptr;
    return bike_get_number_text(bike_slot_table[slot]);
}

int demo_packet_size(int kind) { return kind == 4 ? 26 : kind == 5 ? 39 : 0; }
