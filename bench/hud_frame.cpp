// The HUD's share of a frame in a race of 40 riders: the pit board of the last rider (who is
// being lapped by the field), the results board with the leader home, the readouts and the
// track map. BM_HudTexts builds the texts alone and counts the heap calls it makes (in builds
// without the address sanitizer); BM_HudDraw draws everything into a 1280x720 window and is
// skipped without a display.
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <ode/ode.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "bike/bike_record.h"
#include "bike/setters.h"
#include "data/paths.h"
#include "graphics/font.h"
#include "platform/display.h"
#include "racing/race.h"
#include "racing/race_state.h"
#include "racing/standings.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "terrain/field.h"
#include "terrain/timing_gates.h"
#include "terrain/track_load.h"
#include "ui/hud.h"
#include "ui/ui.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define HUD_BENCH_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define HUD_BENCH_SANITIZED 1
#endif

#ifndef HUD_BENCH_SANITIZED
// Every heap call of the process while counting is on, through glibc's own entry points.
static long heap_calls;
static int counting;
extern "C" void *__libc_malloc(size_t);
extern "C" void *__libc_calloc(size_t, size_t);
extern "C" void *__libc_realloc(void *, size_t);
extern "C" void *malloc(size_t n)
{
    heap_calls += counting;
    return __libc_malloc(n);
}
extern "C" void *calloc(size_t n, size_t k)
{
    heap_calls += counting;
    return __libc_calloc(n, k);
}
extern "C" void *realloc(void *p, size_t n)
{
    heap_calls += counting;
    return __libc_realloc(p, n);
}
#endif

namespace {

enum { RIDERS = 40 };

// 40 bare bike records on a track of a 2-gate first lap and 10-gate laps, 3 laps: 39 riders
// have finished and are a lap ahead of the last, each up to 2.5 s behind him on the road, so
// every one of them is in his lapping warning.
struct hud_field {
    bike riders[RIDERS];
    dWorldID world;
    int sequence[12];

    hud_field()
    {
        dInitODE2(0);
        world = dWorldCreate();
        memset(riders, 0, sizeof riders);
        for (int i = 0; i < 12; ++i) sequence[i] = i;
        lap_list = sequence, first_lap_count = 2, normal_lap_count = 10;
        track_name = "bench";
        race_start_tick = 0, race_time_limit = 0, race_laps = race_laps_chosen = 3;
        for (int slot = 0; slot < RIDERS; ++slot) {
            bike *b = &riders[slot];
            growable_array_init(&b->gate_times, sizeof(int));
            const int last = slot == RIDERS - 1;
            const int passed = last ? 12 : 22, pace = last ? 400 : 220;
            const int last_tick = last ? 5000 : 5000 + 8 * (slot + 1);
            for (int g = 0; g < passed; ++g) bike_record_gate_time(b, g, last_tick - (passed - 1 - g) * pace);
            b->gate_index = passed;
            b->bodies[BODY_FRAME] = dBodyCreate(world);
            dBodySetPosition(b->bodies[BODY_FRAME], 100 + 20 * slot, 2, 900 - 15 * slot);
            snprintf(b->number_text, sizeof b->number_text, "%d", slot + 1);
            bike_slot_table[slot] = b;
            controller_kind[slot] = CONTROLLER_ROBOT;
        }
        tick_count = 5400;
        standings_reset();
        standings_update();
        terrain_ptr->world_size = 1024;
    }
    ~hud_field()
    {
        for (int slot = 0; slot < RIDERS; ++slot) {
            growable_array_free(&riders[slot].gate_times);
            bike_slot_table[slot] = nullptr;
        }
        lap_list = nullptr, track_name = nullptr;
        standings_count = 0;
        terrain_ptr->world_size = 0;
        dWorldDestroy(world);
        dCloseODE();
    }
};

void readouts_on(void)
{
    g_config.draw_fps = g_config.draw_time = g_config.draw_speed = 1;
    g_options.draw_render_stats = 1;
}

void BM_HudTexts(benchmark::State &state)
{
    hud_field field;
    readouts_on();
    const int viewed = standings[standings_count - 1].slot;
    static pit_board_text board;
    static results_board_text results_board;
    char lines[HUD_READOUT_LINES][HUD_LINE_BYTES];
    hud_race race;
#ifndef HUD_BENCH_SANITIZED
    heap_calls = 0;
    counting = 1;
#endif
    for (auto _ : state) {
        hud_race_current(&race);
        hud_pit_board_text(&race, viewed, &board);
        hud_results_text(&race, &results_board);
        benchmark::DoNotOptimize(hud_readout_lines(lines, 30));
        benchmark::DoNotOptimize(board.lapping[0]);
    }
#ifndef HUD_BENCH_SANITIZED
    counting = 0;
    state.counters["heap_calls_per_frame"] = (double)heap_calls / (double)state.iterations();
#endif
    state.counters["lapping_bytes"] = (double)strlen(board.lapping);
    state.counters["result_rows"] = results_board.row_count;
}
BENCHMARK(BM_HudTexts);

std::string game_folder(void)
{
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string path(exe, n > 0 ? (size_t)n : 0);
    path = path.substr(0, path.rfind('/'));
    return path.substr(0, path.rfind('/')) + "/game/";
}

void BM_HudDraw(benchmark::State &state)
{
    setenv("RL_HOME", game_folder().c_str(), 1);
    search_folders_free();
    display *d = kubl_gl_window_open("Rutline bench", 1280, 720, 32, 0, 16, 0, 0);
    if (!d) {
        state.SkipWithError("no display");
        return;
    }
    kubl_gl_frame_begin(d);
    fonts_load();
    hud_field field;
    readouts_on();
    frame_width = 1280;
    frame_height = 720;
    set_projection(1280, 720, 70);
    // A plain map picture: the map's cost is in its riders, not in the picture.
    static unsigned char map[64 * 64 * 4];
    memset(map, 200, sizeof map);
    GLuint texture;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 64, 64, 0, GL_RGBA, GL_UNSIGNED_BYTE, map);
    track_map_texture = texture;
    telemetry_on = 1;
    const int viewed = standings[standings_count - 1].slot;
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT);
        hud_draw_telemetry(viewed);
        hud_draw_overlays(viewed);
        glFinish();
    }
    state.SetItemsProcessed(state.iterations());
    telemetry_on = 0;
    track_map_texture = 0;
    glDeleteTextures(1, &texture);
    fonts_free();
    kubl_gl_frame_end(d);
    kubl_gl_window_close(d);
}
BENCHMARK(BM_HudDraw)->Unit(benchmark::kMicrosecond);

}   // namespace
