// Arbitrary bytes as a track's "timing_gates" file.
#include "track_fuzz.h"
#include "terrain/timing_gates.h"
#include "racing/race.h"
#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz_track_setup();
    std::string path = fuzz_write_temp("timing_gates", data, size);
    track_objects_init();
    timing_gates_load(path.c_str());
    // Loaded whole or not at all; every lap entry names a gate; every start has its statue.
    if (gate_count) {
        if (!gates || !lap_list || !line_store || first_lap_count < 1 || normal_lap_count < 1) abort();
        if (first_lap_switch_count < 1 || normal_lap_switch_count < 1 || gate_count > GATES_MAX) abort();
        for (int i = 0; i < first_lap_count + normal_lap_count; ++i) {
            int e = lap_list[i] % LAP_NO_SWITCH;
            if (lap_list[i] < 0 || e >= gate_count) abort();
        }
    } else if (gates || lap_list || line_store || first_lap_count || normal_lap_count) {
        abort();
    }
    if (start_count < 0 || start_count > START_POSITIONS_MAX || statues.count != start_count) abort();
    for (int k = 0; k < start_count; ++k)
        if (!(start_angles[k] >= -(float)M_PI && start_angles[k] <= (float)M_PI)) abort();
    timing_gates_free();
    track_objects_free();
    return 0;
}
