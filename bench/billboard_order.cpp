// The scene's billboard ordering per frame: keys and the in-front list, the radix sort and the
// texture grouping of 2000 flying-dirt particles and 5000 track billboards seen from a camera
// in the middle of them. Items are billboards.
#include <benchmark/benchmark.h>
#include "ui/scene.h"
#include "terrain/statues.h"
#include <random>
#include <vector>

enum { PARTICLES = 2000, TRACK = 5000, ALL = PARTICLES + TRACK };

struct field {
    std::vector<billboard> b;
    std::vector<int> list, scratch;
    float eye[3] = {0, 5, 0};
    float backward[3] = {0.6f, 0, 0.8f};
    field() : b(ALL), list(ALL), scratch(ALL)
    {
        std::mt19937 rng(3);
        std::uniform_real_distribution<float> at(-2000, 2000), near(-30, 30);
        for (int i = 0; i < ALL; ++i) {
            billboard &v = b[i];
            const bool dirt = i < PARTICLES;
            v.x = dirt ? near(rng) : at(rng);
            v.z = dirt ? near(rng) : at(rng);
            v.height = dirt ? 0.5f : 8;
            v.width_fraction = dirt ? 1 : 0.75f;
            v.texture = dirt ? 1 : 2 + (unsigned)(rng() % 12);
            v.color[3] = 255;
        }
    }
};

static void BM_BillboardKeys(benchmark::State &state)
{
    static field f;
    for (auto _ : state) {
        int n = billboard_list_build(f.b.data(), ALL, PARTICLES, f.backward, f.eye, f.list.data());
        benchmark::DoNotOptimize(n);
    }
    state.SetItemsProcessed(state.iterations() * (long)ALL);
}
BENCHMARK(BM_BillboardKeys);

static void BM_BillboardSort(benchmark::State &state)
{
    static field f;
    const int n = billboard_list_build(f.b.data(), ALL, PARTICLES, f.backward, f.eye, f.list.data());
    std::vector<int> fresh(f.list.begin(), f.list.begin() + n);
    for (auto _ : state) {
        std::copy(fresh.begin(), fresh.end(), f.list.begin());
        billboard_radix_sort(f.list.data(), n, f.b.data(), f.scratch.data());
        benchmark::DoNotOptimize(f.list[0]);
    }
    state.SetItemsProcessed(state.iterations() * (long)n);
}
BENCHMARK(BM_BillboardSort);

static void BM_BillboardGroup(benchmark::State &state)
{
    static field f;
    const int n = billboard_list_build(f.b.data(), ALL, PARTICLES, f.backward, f.eye, f.list.data());
    billboard_radix_sort(f.list.data(), n, f.b.data(), f.scratch.data());
    std::vector<int> sorted(f.list.begin(), f.list.begin() + n);
    for (auto _ : state) {
        std::copy(sorted.begin(), sorted.end(), f.list.begin());
        billboard_group(f.list.data(), n, f.b.data(), f.eye, f.backward, (int)state.range(0));
        benchmark::DoNotOptimize(f.list[0]);
    }
    state.SetItemsProcessed(state.iterations() * (long)n);
}
BENCHMARK(BM_BillboardGroup)->Arg(8)->Arg(64);
