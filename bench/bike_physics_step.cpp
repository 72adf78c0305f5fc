// One race tick of riding bikes on a 1025^2 generated field (2 ft cells): ground contacts, the
// world step, each bike's physics step. One bike, then 20 and 40 spread 40 ft apart, all holding
// about 40 ft/s with the generated collision shapes. The bike-tick rate is the figure to read.
#include "../tests/bike/ride_harness.h"

#include <benchmark/benchmark.h>
#include <cmath>

#include "bike/bike_create.h"
#include "bike/setters.h"

static float rolling(int x, int z) { return 0.5f * std::sin(x * 0.05f) * std::cos(z * 0.07f); }

static void place(ride_harness &h)
{
    for (size_t i = 0; i < h.bikes.size(); ++i) {
        bike *b = h.bikes[i];
        bike_reset_pose(b);
        const dReal *p = dBodyGetPosition(b->bodies[BODY_FRAME]);
        const float x = 100 + 40 * (float)(i % 40), z = 1900 - 200 * (float)(i / 40);
        bike_translate(b, x - (float)p[0], 2 , z - (float)p[2]);
        b->input.clutch = 1;
    }
    for (int i = 0; i < 256; ++i) {
        for (bike *b : h.bikes) bike_set_throttle(b, std::fmin(std::fmax((40 - ride_forward_speed(b)) * 0.25f, 0), 1));
        h.tick();
    }
}

static void BM_BikePhysicsTick(benchmark::State &state)
{
    ride_harness h(9, 2.0f, rolling);
    const int n = (int)state.range(0);
    for (int i = 0; i < n; ++i) {
        bike *b = h.add(nullptr, 0, 0);
        bike_set_auto_shift(b, 1);
    }
    place(h);
    int ticks = 0;
    for (auto _ : state) {
        if (++ticks % 4096 == 0) {   // back to the start before they run off the field
            state.PauseTiming();
            place(h);
            state.ResumeTiming();
        }
        for (bike *b : h.bikes) bike_set_throttle(b, std::fmin(std::fmax((40 - ride_forward_speed(b)) * 0.25f, 0), 1));
        h.tick();
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["bike_ticks"] = benchmark::Counter((double)n, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_BikePhysicsTick)->Arg(1)->Arg(20)->Arg(40)->Unit(benchmark::kMicrosecond);
