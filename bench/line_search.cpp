// One robot's pick: a line search over 8 sections of 45 lines, for a skill and for the
// exploring cost.
#include <benchmark/benchmark.h>

#include "line_store_bench.h"

static void BM_LineSearch8(benchmark::State &state)
{
    bench_line_store store(4, 16);
    const int skill = (int)state.range(0);
    int section = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(line_search(section, 8, skill));
        section = (section + 1) % 20;
    }
    state.SetItemsProcessed(state.iterations() * 8);
}
BENCHMARK(BM_LineSearch8)->Arg(SKILL_EXPERT)->Arg(SKILL_EXPLORING)->Unit(benchmark::kMicrosecond);
