// The gate times a bike keeps for its race: lap, lap gate, lap time and finishing.
#include "bike/setters.h"
#include "bike/bike_record.h"
#include "shell/race_clock.h"
#include "shell/rider_slots.h"
#include "terrain/lap_gates.h"
#include "platform/log.h"
#include <cstring>

static int *times(bike *b) { return (int *)b->gate_times.items; }

void bike_record_gate_time(bike *b, int n, int tick)
{
    // A packet can name any gate: beyond 2^20 (1000 laps of 256 gates need 256,000) is refused.
    if (n < 0 || n >= BIKE_GATE_TIMES_MAX) return;
    static const int missing = -1;
    while (n >= b->gate_times.count)
        if (!growable_array_append(&b->gate_times, &missing)) break;
    if (n < b->gate_times.count) times(b)[n] = tick;
}

int bike_get_gate_time(bike *b, int n)
{
    return n >= 0 && n < b->gate_times.count ? times(b)[n] : -1;
}

void bike_set_gate_index(bike *b, int n)
{
    if (n < 0 || n >= BIKE_GATE_TIMES_MAX) return;
    if (n < b->gate_index) b->finished = 0;
    if (n < b->gate_times.count) b->gate_times.count = n;
    b->gate_index = n;
    b->mishap_flag = 0;
}

int bike_get_gate_index(bike *b) { return b->gate_index; }

static int current_lap(const bike *b, int first, int per_lap)
{
    return per_lap != 0 && b->gate_index >= first ? (b->gate_index - first) / per_lap + 1 : 0;
}

int bike_get_current_lap(bike *b)
{
    if (!race_track_loaded()) return 0;
    return current_lap(b, race_first_lap_gates(), race_gates_per_lap());
}

int bike_get_lap_gate(bike *b)
{
    if (!race_track_loaded()) return 0;
    const int first = race_first_lap_gates(), per_lap = race_gates_per_lap();
    if (per_lap != 0 && b->gate_index >= first) return (b->gate_index - first) % per_lap + 1;
    return b->gate_index;
}

float bike_get_lap_time(bike *b, int n)
{
    if (!race_track_loaded()) return 0;
    const int first = race_first_lap_gates(), per_lap = race_gates_per_lap();
    const int lap = current_lap(b, first, per_lap);
    if (n < 0) n = lap;
    if (n <= 0 || n > lap) return 0;
    int start = n == 1 ? race_start_tick : bike_get_gate_time(b, first + per_lap * (n - 2) - 1);
    int end = bike_get_gate_time(b, first + per_lap * (n - 1) - 1);
    if (start == -1 || end == -1) return 0;
    return (float)(end - start) * (1.0f / 128);
}

int bike_update_finished(bike *b)
{
    if (!race_track_loaded()) return 0;
    if (b->finished) return 1;
    const int first = race_first_lap_gates(), per_lap = race_gates_per_lap();
    // Laps come from demos and servers: a finishing gate no bike can record finishes nobody.
    const long long last_gate = race_laps == 0 ? 0 : first + (long long)per_lap * (race_laps - 1) - 1;
    if (last_gate >= BIKE_GATE_TIMES_MAX || last_gate < -1) return 0;
    const int last = (int)last_gate;
    if (standings_count <= 0) return 0;
    const standings_entry &lead = standings[0];
    bike *leader = lead.slot >= 0 && lead.slot < 160 ? bike_slot_table[lead.slot] : nullptr;
    if (!leader || lead.gates <= last) return 0;
    const int leader_time = bike_get_gate_time(leader, last);
    if (leader_time == -1) return 0;
    const int done = per_lap != 0 && b->gate_index >= first
                         ? first + per_lap * ((b->gate_index - first) / per_lap) - 1
                         : 0;
    const int mine = bike_get_gate_time(b, done);
    if (mine == -1 || mine < leader_time) return 0;
    b->finished = 1;
    return 1;
}

static const char *const personality_names[5] = {"empty", "hugo", "dorian", "ezra", "tester"};

void bike_set_autopilot_personality(bike *b, const char *name)
{
    for (int i = 1; i < 5; ++i)
        if (name && !strcmp(name, personality_names[i])) {
            b->personality = i;
            return;
        }
    kubl_log_printf("auto pilot personality '%s' not found\n", name ? name : "");
    b->personality = 1;
}
