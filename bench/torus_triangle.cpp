// One wheel torus against one ground triangle: the face case (the wheel standing on the triangle)
// and the general case (the wheel beside it, solved through the edge quartic).
#include "bike/contact_geometry.h"
#include <benchmark/benchmark.h>

static const float tri[3][3] = {{0, 0.1f, 0}, {0, -0.05f, 2}, {2, 0.2f, 0}};
static const float axle[3] = {0.9f, 0.1f, 0.4f};

static void run(benchmark::State &state, const float W[3], bool general)
{
    float point[3], normal[3], sum = 0;
    // The effects variant gives 0 exactly in the general case: check the case is the one named.
    if ((torus_triangle_distance_fx(point, normal, W, axle, 1.0f, 0.3f, tri) == 0) != general)
        state.SkipWithError("wrong case");
    for (auto _ : state) {
        float d = torus_triangle_distance(point, normal, W, axle, 1.0f, 0.3f, tri);
        benchmark::DoNotOptimize(d);
        sum += d;
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations());
}

static void BM_torus_triangle_face(benchmark::State &state)
{
    const float W[3] = {0.6f, 1.15f, 0.6f};
    run(state, W, false);
}
BENCHMARK(BM_torus_triangle_face);

static void BM_torus_triangle_general(benchmark::State &state)
{
    const float W[3] = {-0.2f, 1.1f, 2.3f};
    run(state, W, true);
}
BENCHMARK(BM_torus_triangle_general);
