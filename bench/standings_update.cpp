// The standings as they are ranked on every gate a rider passes: 160 riders, 10 laps of gate
// times each, nobody finished yet.
#include <benchmark/benchmark.h>

#include "timing_riders.h"

static void BM_StandingsUpdate(benchmark::State &state)
{
    timing_riders field(2 + 10 * 10);
    for (auto _ : state) {
        standings_update();
        benchmark::DoNotOptimize(standings[0]);
    }
    state.SetItemsProcessed(state.iterations() * 160);
}
BENCHMARK(BM_StandingsUpdate);
