// One rider against the default track's statues: at the start line among the start gates, and
// at every statue of the track in turn.
#include <benchmark/benchmark.h>

#include "race_bench.h"
#include "bike/bike_record.h"
#include "racing/object_grid.h"

static void BM_RiderObjectCollisionsAtTheStart(benchmark::State &state)
{
    if (!race_bench::open() || !race_bench::reset(0)) {
        state.SkipWithError("no default track");
        return;
    }
    bike *b = bike_slot_table[0];
    for (auto _ : state) {
        benchmark::DoNotOptimize(rider_object_collisions(b));
        dJointGroupEmpty(contact_group);
    }
}
BENCHMARK(BM_RiderObjectCollisionsAtTheStart)->Unit(benchmark::kMicrosecond);

static void BM_RiderObjectCollisionsAtEachStatue(benchmark::State &state)
{
    if (!race_bench::open() || !race_bench::reset(0)) {
        state.SkipWithError("no default track");
        return;
    }
    bike *b = bike_slot_table[0];
    const statue *all = (const statue *)statues.items;
    int i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const dReal *p = dBodyGetPosition(b->bodies[BODY_FRAME]);
        const statue &s = all[i];
        bike_translate(b, s.x + 2 - (float)p[0], s.y + 2 - (float)p[1], s.z - (float)p[2]);
        i = (i + 1) % statues.count;
        state.ResumeTiming();
        benchmark::DoNotOptimize(rider_object_collisions(b));
        dJointGroupEmpty(contact_group);
    }
}
BENCHMARK(BM_RiderObjectCollisionsAtEachStatue)->Unit(benchmark::kMicrosecond);
