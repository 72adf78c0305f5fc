// The per-frame ground work on a 1025^2 field: choosing the active patches and walking them
// into fans from a few eyes (counted, not drawn), and the frame upkeep while the pyramid is
// complete and while erosion keeps it rebuilding.
#include "terrain/draw.h"
#include "terrain/field.h"
#include "terrain/lod.h"
#include "terrain/upkeep.h"
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

terrain_field *make_field(int depth)
{
    terrain_field *t = (terrain_field *)calloc(1, sizeof(terrain_field));
    t->lod_depth = depth;
    t->grid_dim = (1 << (depth + 1)) + 1;
    t->cell_size = 1.0f;
    t->world_size = (float)(1 << (depth + 1));
    t->lod_tolerance = 0.125f;
    t->eye_cell_x = t->eye_cell_z = TERRAIN_NO_EYE;
    t->texture_mode = 1;
    t->height_generation = 1;
    t->lod_build_level = depth;
    const long n = (long)t->grid_dim * t->grid_dim;
    t->heights = (float *)calloc(2 * n, sizeof(float));
    t->height_min = 1e30f;
    t->height_max = -1e30f;
    for (int z = 0; z < t->grid_dim; ++z)
        for (int x = 0; x < t->grid_dim; ++x) {
            float h = 12 * std::sin(x / 37.0f) * std::cos(z / 53.0f) + 3 * std::sin((x + 2 * z) / 9.0f);
            t->heights[(long)z * t->grid_dim + x] = h;
            t->height_min = std::fmin(t->height_min, h);
            t->height_max = std::fmax(t->height_max, h);
        }
    const long nodes = terrain_lod_node_count(depth);
    t->lod_split_dist2 = (float *)calloc(nodes, sizeof(float));
    t->lod_split_next = (float *)calloc(nodes, sizeof(float));
    t->lod_active = (unsigned char *)calloc(bit_bytes(nodes), 1);
    terrain_build_lod(t, TERRAIN_BUDGET_UNLIMITED);
    return t;
}

terrain_field *field(void)
{
    static terrain_field *t = make_field(9);
    return t;
}

long g_fans;
void count_bind(terrain_field *, int, int, int, int) {}
void count_fan(terrain_field *t, int depth, int x, int z, int start, int count, int level)
{
    terrain_fan fan;
    terrain_fan_build(t, depth, x, z, start, count, level, &fan);
    ++g_fans;
}
const terrain_draw_ops counter = {count_bind, count_fan};

struct eye_case { const char *label; float pos[3], dir[3]; };
const eye_case eyes[] = {
    {"centre, looking along x", {512, 30, 512}, {1, -0.2f, 0}},
    {"corner, looking across", {20, 15, 20}, {0.7f, -0.1f, 0.7f}},
    {"high above, looking down", {512, 400, 512}, {0, 0, 0}},
    {"outside the terrain", {-300, 60, 500}, {1, -0.1f, 0}},
};

} // namespace

static void BM_GroundPatchesPerFrame(benchmark::State &state)
{
    terrain_field *t = field();
    const eye_case &e = eyes[state.range(0)];
    memcpy(t->eye_pos, e.pos, sizeof e.pos);
    memcpy(t->view_dir, e.dir, sizeof e.dir);
    long fans = 0;
    for (auto _ : state) {
        g_fans = 0;
        terrain_choose_patches(t);
        terrain_walk(t, &counter);
        fans = g_fans;
        benchmark::DoNotOptimize(t->fan_vertex_count);
    }
    state.counters["fans"] = (double)fans;
    state.counters["rim_vertices"] = (double)t->fan_vertex_count;
    state.SetLabel(e.label);
}
BENCHMARK(BM_GroundPatchesPerFrame)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

// Upkeep while nothing changes, and while every completed pyramid is made stale again (as
// steady erosion does): the budget of 8000 units bounds each frame.
static void BM_TerrainUpdate(benchmark::State &state)
{
    terrain_field *t = field();
    const bool eroding = state.range(0) != 0;
    long frames = 0, rebuilds = 0;
    for (auto _ : state) {
        if (eroding && t->lod_build_state == t->height_generation) {
            t->height_generation++;
            ++rebuilds;
        }
        terrain_update(t);
        ++frames;
    }
    if (eroding) state.counters["frames_per_rebuild"] = rebuilds ? (double)frames / rebuilds : 0;
    state.SetLabel(eroding ? "pyramid rebuilding" : "pyramid complete");
    terrain_build_lod(t, TERRAIN_BUDGET_UNLIMITED);
}
BENCHMARK(BM_TerrainUpdate)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
