// One recording tick of 160 riders: sampled every 4 ticks, written every 16, so the figure is
// the mean over that cycle.
#include <benchmark/benchmark.h>

#include "demo_bench.h"

static void BM_DemoRecordTick(benchmark::State &state)
{
    if (!demo_bench::robots(160, 1)) {
        state.SkipWithError("no default track");
        return;
    }
    for (auto _ : state) {
        ++tick_count;
        demo_record_tick(0);
    }
    demo_record_stop();
    state.SetItemsProcessed(state.iterations() * 160);
}
BENCHMARK(BM_DemoRecordTick)->Unit(benchmark::kMicrosecond);
