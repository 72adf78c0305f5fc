// The race reset's line analysis on 20 sections of 45 lines: crowded sections thinned to 43
// (crossing tests), then the chains of three skills chosen.
#include <benchmark/benchmark.h>

#include "line_store_bench.h"

static void BM_ResetLineAnalysis(benchmark::State &state)
{
    bench_line_store store(4, 16);
    for (auto _ : state) {
        state.PauseTiming();
        store.fill();
        state.ResumeTiming();
        line_store_thin();
        autopilot_analyze_lines();
    }
    state.SetItemsProcessed(state.iterations() * 20 * 45);
}
BENCHMARK(BM_ResetLineAnalysis)->Unit(benchmark::kMillisecond);

// The chains alone, on sections already thinned.
static void BM_ChooseChains(benchmark::State &state)
{
    bench_line_store store(4, 16);
    line_store_thin();
    for (auto _ : state) autopilot_analyze_lines();
    state.SetItemsProcessed(state.iterations() * 20 * 43);
}
BENCHMARK(BM_ChooseChains)->Unit(benchmark::kMillisecond);
