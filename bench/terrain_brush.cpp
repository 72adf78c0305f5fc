// One dig and one deposit at the radii wheel erosion uses (the default erode_inner_radius 2 and
// erode_radius 4 feet) on a 1025 x 1025 field of half-foot cells.
#include "terrain/brush.h"
#include "terrain/field.h"
#include "terrain/lod.h"
#include <benchmark/benchmark.h>
#include <vector>

static void BM_TerrainBrush(benchmark::State &state)
{
    static terrain_field t;
    const int depth = 9, dim = (1 << (depth + 1)) + 1;
    std::vector<float> heights((size_t)dim * dim, 1.0f);
    std::vector<unsigned char> dirty(bit_bytes((long)dim * dim));
    std::vector<int> requests(64);
    t.lod_depth = depth;
    t.grid_dim = dim;
    t.cell_size = 0.5f;
    t.world_size = (dim - 1) * 0.5f;
    t.heights = heights.data();
    t.vertex_dirty = dirty.data();
    t.texture_mode = 1;
    t.block_request = requests.data();
    t.eye_cell_x = t.eye_cell_z = TERRAIN_NO_EYE;
    const float radius = (float)state.range(0);
    float x = 100.0f;
    for (auto _ : state) {
        float sum = terrain_erode_dig(&t, x, 200.0f, radius, -0.01f);
        terrain_erode_deposit(&t, x + radius, 201.0f, radius, -sum);
        x = x < 400.0f ? x + 0.37f : 100.0f;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TerrainBrush)->Arg(2)->Arg(4);
