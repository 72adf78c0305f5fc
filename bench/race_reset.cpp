// The race reset onto the default track with the player alone: loading the track the first
// time (forced again every iteration), and resetting on the track already loaded.
#include <benchmark/benchmark.h>

#include "race_bench.h"

static void BM_ResetRaceFirstLoad(benchmark::State &state)
{
    if (!race_bench::open()) {
        state.SkipWithError("no default track");
        return;
    }
    for (auto _ : state) {
        track_reload_requested = 1;
        if (!race_bench::reset(0)) state.SkipWithError("reset failed");
    }
}
BENCHMARK(BM_ResetRaceFirstLoad)->Unit(benchmark::kMillisecond)->Iterations(3);

static void BM_ResetRaceSameTrack(benchmark::State &state)
{
    if (!race_bench::open() || !race_bench::reset(0)) {
        state.SkipWithError("no default track");
        return;
    }
    for (auto _ : state)
        if (!race_bench::reset(0)) state.SkipWithError("reset failed");
}
BENCHMARK(BM_ResetRaceSameTrack)->Unit(benchmark::kMillisecond);
