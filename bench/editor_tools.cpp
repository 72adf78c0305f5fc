// The editor's tools at their heaviest: each brush once at Zoom -3 and Radius 128 pixels of a
// 720-pixel window on a 1025^2 field (the brush covers the whole field), Smooth with and without
// the running sum; a tile stroke; erasing 1000 of 20,000 decals; a statue drag tick among 1000.
#include "editor_bench.h"
#include "data/mem.h"
#include "editor/editor.h"
#include "editor/editor_state.h"
#include "shell/globals.h"
#include "terrain/decal_grid.h"
#include "terrain/statues.h"
#include "terrain/terrain_seams.h"
#include "terrain/track_load.h"
#include <benchmark/benchmark.h>
#include <cstring>

static terrain_field *bench_editor(int depth)
{
    terrain_field *t = editor_bench_field(depth);
    terrain_settings.ground_texture_detail = 6;
    frame_width = 1280;
    frame_height = 720;
    editor_setup_track(nullptr, t);
    mouse_x = 640;
    mouse_y = 360;
    return t;
}

static void bench_release(terrain_field *t)
{
    editor_release();
    free(t->heights);
    free(t->shading);
    free(t->shadows);
    free(t->vertex_dirty);
    free(t->block_request);
    free(t->tilemap);
    free(t);
}

// Arg: the mode; a second arg 0 turns the running sum off.
static void BM_EditorBrush(benchmark::State &state)
{
    terrain_field *t = bench_editor(9);
    editor_panel[W_ZOOM].slider.value = -3;
    editor_panel[W_RADIUS].slider.value = 128;
    g_editor.editor_mode = (int)state.range(0);
    editor_smooth_running_sum((int)state.range(1));
    editor_new_gradient();
    gradient *g = editor_selected_gradient();
    g->x0 = 100, g->z0 = 300, g->x1 = 900, g->z1 = 700;
    gradient_clear_profile(g);
    gradient_append_point(g, 0, 0, SEGMENT_CURVE);
    gradient_append_point(g, 400, 30, SEGMENT_CURVE);
    gradient_append_point(g, 894, 5, SEGMENT_LINE);
    float cx, cz;
    editor_cursor(&cx, &cz);
    for (auto _ : state) {
        g_editor.level_x = g_editor.level_z = -1;
        g_editor.smudge_x = cx + 2;
        g_editor.smudge_z = cz;
        if (g_editor.editor_mode == MODE_SNAP) editor_snap_apply();
        else editor_brush_apply();
        benchmark::DoNotOptimize(t->heights[512 * 1025 + 512]);
        state.PauseTiming();
        g_editor.pending_edits = 1;
        editor_take_snapshot();
        state.ResumeTiming();
    }
    editor_smooth_running_sum(1);
    bench_release(t);
}
BENCHMARK(BM_EditorBrush)
    ->ArgNames({"mode", "running"})
    ->Args({MODE_SMOOTH, 1})->Args({MODE_SMOOTH, 0})->Args({MODE_SMUDGE, 1})->Args({MODE_SNAP, 1})
    ->Args({MODE_LINEAR_PAINT, 1})->Args({MODE_LINEAR_ADD, 1})->Args({MODE_RADIAL_PAINT, 1})
    ->Args({MODE_RADIAL_ADD, 1})
    ->Unit(benchmark::kMillisecond);

// One application of the tile brush at the default Radius (64 pixels at zoom 1: 46 units).
static void BM_EditorTileStroke(benchmark::State &state)
{
    terrain_field *t = bench_editor(9);
    t->tilemap = (unsigned char *)calloc(512 * 512, 1);
    t->tile_count = 4;
    t->tile_codes[0] = 0;
    t->tile_codes[1] = (1 << 16) | (1 << 8);
    t->tile_codes[2] = (1 << 16) | (1 << 8);
    t->tile_codes[3] = (1 << 8) | 10;
    editor_panel[W_TILE].slider.value = 1;
    float r = editor_brush_radius();
    for (auto _ : state) {
        tile_paint_stroke(400, 500, 520, 540, r);
        benchmark::DoNotOptimize(t->tilemap[250 * 512 + 230]);
        state.PauseTiming();
        std::memset(t->tilemap, 0, 512 * 512);
        state.ResumeTiming();
    }
    bench_release(t);
}
BENCHMARK(BM_EditorTileStroke)->Unit(benchmark::kMicrosecond);

// 'X' over 1000 decals of 20,000: each one out of the array, the grid renumbered behind it.
static void BM_EditorDecalErase(benchmark::State &state)
{
    terrain_field *t = bench_editor(9);
    growable_array_init(&t->decals, sizeof(decal));
    for (growable_array &a : t->decal_grid) growable_array_init(&a, sizeof(int));
    for (growable_array &a : t->decal_work) growable_array_init(&a, sizeof(int));
    float cx, cz;
    editor_cursor(&cx, &cz);
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < t->decals.count; ++i) mem_free(((decal *)t->decals.items)[i].name);
        t->decals.count = 0;
        for (growable_array &a : t->decal_grid) a.count = 0;
        for (int i = 0; i < 20000; ++i) {
            decal d = {};
            // Every 20th within 10 units of the cursor, the others spread over the field.
            float a = (float)i * 2.39996f;
            float reach = i % 20 == 0 ? 9.0f * (float)(i % 97) / 97 : 20 + (float)(i % 480);
            d.x = cx + reach * std::cos(a);
            d.z = cz + reach * std::sin(a);
            d.size1 = d.size2 = 1;
            d.cos_angle = 1;
            d.name = (char *)mem_alloc(9);
            std::memcpy(d.name, "dirt.png", 9);
            growable_array_append(&t->decals, &d);
            decal_grid_insert(t, i);
        }
        g_editor.selected_decal = 0;
        g_editor.marked_decals.count = 0;
        state.ResumeTiming();
        decal_erase(10);
    }
    if (t->decals.count != 19000) state.SkipWithError("not 1000 erased");
    for (int i = 0; i < t->decals.count; ++i) mem_free(((decal *)t->decals.items)[i].name);
    growable_array_free(&t->decals);
    for (growable_array &a : t->decal_grid) growable_array_free(&a);
    for (growable_array &a : t->decal_work) growable_array_free(&a);
    bench_release(t);
}
BENCHMARK(BM_EditorDecalErase)->Unit(benchmark::kMillisecond);

// One tick of a statue drag among 1000: moved, seated, and the object grid rebuilt.
static void BM_EditorStatueDrag(benchmark::State &state)
{
    terrain_field *t = bench_editor(9);
    terrain_field *saved = terrain_ptr;
    terrain_ptr = t;
    track_objects_init();
    first_own_statue = 0;
    for (int i = 0; i < 1000; ++i)
        statue_add((float)(i * 37 % 1000), 0, (float)(i * 91 % 1000), 0, nullptr, nullptr, nullptr);
    g_editor.editor_mode = MODE_STATUES;
    g_editor.selected_statue = 500;
    g_editor.grip = 1;
    int k = 0;
    for (auto _ : state) {
        mouse_x = 600 + (k++ & 63);
        statue_held();
        benchmark::DoNotOptimize(((statue *)statues.items)[500].y);
    }
    track_objects_free();
    terrain_ptr = saved;
    bench_release(t);
}
BENCHMARK(BM_EditorStatueDrag)->Unit(benchmark::kMicrosecond);
