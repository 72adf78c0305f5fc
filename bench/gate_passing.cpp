// One tick of gate passing for a full field of 160 riders, none of them at a gate (the common
// tick), and with every rider passing its next gate (each pass ranks the field again).
#include <benchmark/benchmark.h>

#include "timing_riders.h"

static void BM_AutopilotLearnTick(benchmark::State &state)
{
    timing_riders field(2 + 10 * 10);
    for (auto _ : state) {
        for (bike &b : field.riders) autopilot_learn(&b);
        ++tick_count;
    }
    state.SetItemsProcessed(state.iterations() * 160);
}
BENCHMARK(BM_AutopilotLearnTick);

static void BM_AutopilotLearnEveryonePasses(benchmark::State &state)
{
    timing_riders field(2);
    for (auto _ : state) {
        state.PauseTiming();
        for (bike &b : field.riders) {
            b.gate_index = 2;
            b.gate_times.count = 2;
            dBodySetPosition(b.bodies[BODY_FRONT_WHEEL], field.row[2].centre[0] + 1, 0, 60);
        }
        state.ResumeTiming();
        for (bike &b : field.riders) autopilot_learn(&b);
        ++tick_count;
    }
    state.SetItemsProcessed(state.iterations() * 160);
}
BENCHMARK(BM_AutopilotLearnEveryonePasses);
