// The editor's undo ring on the field sizes tracks have: one snapshot after a small edit (the
// heights copied twice, the stale shading brought up to date and copied), and one undo step.
#include "editor_bench.h"
#include "editor/editor.h"
#include "editor/editor_state.h"
#include "shell/globals.h"
#include "terrain/terrain_seams.h"
#include <benchmark/benchmark.h>

static void BM_EditorSnapshot(benchmark::State &state)
{
    terrain_field *t = editor_bench_field((int)state.range(0));
    terrain_settings.ground_texture_detail = 6;
    frame_width = 1280;
    frame_height = 720;
    editor_setup_track(nullptr, t);
    float h = 0;
    for (auto _ : state) {
        editor_set_height(t, 100, 100, h += 1);
        g_editor.pending_edits = 1;
        editor_take_snapshot();
    }
    editor_release();
    state.SetBytesProcessed(state.iterations() * (long)t->grid_dim * t->grid_dim * 11);
}
BENCHMARK(BM_EditorSnapshot)->Arg(9)->Arg(10)->Unit(benchmark::kMillisecond);

static void BM_EditorUndo(benchmark::State &state)
{
    terrain_field *t = editor_bench_field((int)state.range(0));
    terrain_settings.ground_texture_detail = 6;
    editor_setup_track(nullptr, t);
    float h = 0;
    for (auto _ : state) {
        state.PauseTiming();
        editor_set_height(t, 100, 100, h += 1);
        g_editor.pending_edits = 1;
        editor_take_snapshot();
        state.ResumeTiming();
        editor_undo();
    }
    editor_release();
}
BENCHMARK(BM_EditorUndo)->Arg(9)->Arg(10)->Unit(benchmark::kMillisecond);

// One Raise application at the widest brush: Zoom -3 and Radius 128 pixels of a 720-pixel
// window on a 1025^2 field, 1457 units across.
static void BM_EditorRaise(benchmark::State &state)
{
    terrain_field *t = editor_bench_field(9);
    terrain_settings.ground_texture_detail = 6;
    frame_width = 1280;
    frame_height = 720;
    editor_setup_track(nullptr, t);
    editor_panel[W_ZOOM].slider.value = -3;
    editor_panel[W_RADIUS].slider.value = 128;
    mouse_x = 640;
    mouse_y = 360;
    for (auto _ : state) {
        g_editor.level_x = g_editor.level_z = -1;
        editor_brush_apply();
        benchmark::DoNotOptimize(t->heights[512 * 1025 + 512]);
        state.PauseTiming();
        g_editor.pending_edits = 1;
        editor_take_snapshot();
        state.ResumeTiming();
    }
    editor_release();
}
BENCHMARK(BM_EditorRaise)->Unit(benchmark::kMillisecond);
