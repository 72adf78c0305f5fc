// One race step on the default track: the player alone on the start line, and with 159
// replayed riders posed every tick from full histories.
#include <benchmark/benchmark.h>

#include "race_bench.h"
#include "bike/bike.h"
#include "bike/frame.h"
#include "racing/state_history.h"

static void BM_RaceStepPlayerAlone(benchmark::State &state)
{
    if (!race_bench::open() || !race_bench::reset(0)) {
        state.SkipWithError("no default track");
        return;
    }
    bike_set_throttle(bike_slot_table[0], 1);
    for (auto _ : state) race_step();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RaceStepPlayerAlone)->Unit(benchmark::kMicrosecond);

static void BM_RaceStepWithReplayedRiders(benchmark::State &state)
{
    const int replayed = (int)state.range(0);
    if (!race_bench::open() || !race_bench::reset(replayed)) {
        state.SkipWithError("no default track");
        return;
    }
    // 128 states a tick apart for every replayed rider, where the reset placed it.
    std::uint8_t frame[BIKE_FRAME_BYTES];
    for (int slot = 1; slot <= replayed; ++slot) {
        bike_pack_frame(bike_slot_table[slot], frame);
        for (int t = 0; t < HISTORY_LENGTH; ++t) add_state_to_history(slot, frame, t);
    }
    for (auto _ : state) {
        tick_count = 64;   // between two stored states every time
        race_step();
    }
    state.SetItemsProcessed(state.iterations() * (replayed + 1));
}
BENCHMARK(BM_RaceStepWithReplayedRiders)->Arg(159)->Unit(benchmark::kMicrosecond);
