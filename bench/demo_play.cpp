// One playback tick of 160 riders: the packets of the tick read into the histories, without
// the race step that poses them (bench/race_step.cpp has that).
#include <benchmark/benchmark.h>

#include "demo_bench.h"

static void BM_DemoPlayTick(benchmark::State &state)
{
    const int length = 60 * 128;
    if (!demo_bench::record(160, length) || !demo_bench::play()) {
        state.SkipWithError("no default track");
        return;
    }
    const int first = tick_count;
    for (auto _ : state) {
        if (tick_count >= length) {
            state.PauseTiming();
            demo_play_seek(first);
            tick_count = first;
            state.ResumeTiming();
        }
        ++tick_count;
        demo_play_tick();
    }
    state.SetItemsProcessed(state.iterations() * 160);
}
BENCHMARK(BM_DemoPlayTick)->Unit(benchmark::kMicrosecond);
