// terrain_height_at over random points of a 1025 x 1025 field (the rule every wheel, particle
// and robot samples the ground with).
#include "terrain/field.h"
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <vector>

static void BM_TerrainHeightAt(benchmark::State &state)
{
    static terrain_field t;
    const int depth = 9, dim = (1 << (depth + 1)) + 1;
    std::vector<float> heights((size_t)dim * dim);
    for (size_t i = 0; i < heights.size(); ++i) heights[i] = (float)((i * 2654435761u) % 1000) * 0.01f;
    t.lod_depth = depth;
    t.grid_dim = dim;
    t.cell_size = 0.5f;
    t.world_size = (dim - 1) * 0.5f;
    t.heights = heights.data();

    std::vector<float> points(8192);
    srand(1);
    for (float &p : points) p = (float)rand() / (float)RAND_MAX * t.world_size;
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(terrain_height_at(&t, points[i], points[i + 1]));
        i = (i + 2) & 8191;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TerrainHeightAt);
