// Flying dirt: every particle of the full pool moved one tick, those that land launched again.
#include <benchmark/benchmark.h>

#include "race_bench.h"
#include "racing/particles.h"
#include "terrain/field.h"
#include "terrain/surface.h"

static void BM_ParticlesUpdateFullPool(benchmark::State &state)
{
    if (!race_bench::open() || !race_bench::reset(0)) {
        state.SkipWithError("no default track");
        return;
    }
    roost_type style = {};
    style.kind = 1, style.size = 0.25f, style.grow = 4, style.drag = 0.5f, style.a = 255;
    const float middle = race_terrain()->world_size / 2;
    auto launch = [&](int k) {
        const float at[3] = {middle + (float)(k % 50), 200, middle + (float)(k / 50)};
        const float velocity[3] = {(float)(k % 7) - 3, 20, (float)(k % 5) - 2};
        return particle_spawn(at, velocity, &style) != nullptr;
    };
    for (int k = 0; launch(k); ++k) {}
    int k = 0;
    for (auto _ : state) {
        particles_update();
        state.PauseTiming();
        while (launch(k)) ++k;   // keep the pool full
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * PARTICLE_POOL);
}
BENCHMARK(BM_ParticlesUpdateFullPool)->Unit(benchmark::kMicrosecond);
