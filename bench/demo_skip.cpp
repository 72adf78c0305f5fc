// A 10 s skip forward and back in the middle of a 10-minute demo of 10 riders: forward races
// 1280 steps with every rider posed, back walks the packet chain and runs one step.
#include <benchmark/benchmark.h>

#include "demo_bench.h"

static void BM_DemoSkipTenSeconds(benchmark::State &state)
{
    if (!demo_bench::record(10, 600 * 128) || !demo_bench::play()) {
        state.SkipWithError("no default track");
        return;
    }
    // Halfway in, reading the packets on the way as a playback does.
    while (tick_count < 300 * 128) {
        ++tick_count;
        demo_play_tick();
    }
    for (auto _ : state) {
        demo_skip(10);
        demo_skip(-10);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DemoSkipTenSeconds)->Unit(benchmark::kMillisecond);
