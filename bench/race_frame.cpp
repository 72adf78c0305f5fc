// A whole race frame at 1280 x 720 on "ridgeback" — scene, riders, flying dirt, HUD and the swap —
// with 0, 1, 20 and 160 riders drawn, from the chase camera and on board. 160 robots race from
// the gate for two seconds; the frame is seen from the rider at the back of the field, and the
// riders drawn are the ones nearest him in view (0: none, not even him; the HUD is his in every
// case), so the cases differ only in the riders drawn. Counters per frame: wall and game-thread
// CPU milliseconds (llvmpipe rasterises on threads of its own; the game thread's time includes
// the driver's work on it), the GL calls the frame makes, the riders in view and the draw calls
// each adds to the frame without riders, and (in builds without the address sanitizer) the heap
// calls our own code makes.
//
// BM_RaceFrame runs with the game's default settings; BM_RaceFrameFugly with the lowest ones
// ("--fugly", the High FPS preset), the floor. Settings fix how models are built at load, so
// each runs in a process of its own: pick one with --benchmark_filter. Run under a display of
// at least 1280 x 720; skipped without one.
#include "bench_temp.h"
#include "gl_call_counts.h"

#include "bike/bike.h"
#include "bike/bike_record.h"
#include "data/paths.h"
#include "graphics/font.h"
#include "graphics/glcaps.h"
#include "graphics/shader.h"
#include "graphics/texture.h"
#include "platform/display.h"
#include "racing/race.h"
#include "shell/main/cameras.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "shell/graphics_presets.h"
#include "shell/setup.h"
#include "shell/startup.h"
#include "terrain/lighting.h"
#include "shell/track_list.h"
#include "ui/ground_view.h"
#include "ui/scene.h"
#include "ui/ui.h"
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <ode/ode.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <new>
#include <string>
#include <unistd.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RACE_FRAME_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define RACE_FRAME_SANITIZED 1
#endif

#ifndef RACE_FRAME_SANITIZED
// Heap calls made straight from the program's own code (the driver and the libraries allocate
// as they please), through glibc's own entry points.
static long heap_calls;
static int counting;
extern "C" char __executable_start, etext;
static inline bool from_program(const void *caller)
{
    return caller >= (const void *)&__executable_start && caller < (const void *)&etext;
}
extern "C" void *__libc_malloc(size_t);
extern "C" void *__libc_calloc(size_t, size_t);
extern "C" void *__libc_realloc(void *, size_t);
extern "C" void __libc_free(void *);
extern "C" void *malloc(size_t n)
{
    heap_calls += counting && from_program(__builtin_return_address(0));
    return __libc_malloc(n);
}
extern "C" void *calloc(size_t n, size_t k)
{
    heap_calls += counting && from_program(__builtin_return_address(0));
    return __libc_calloc(n, k);
}
extern "C" void *realloc(void *p, size_t n)
{
    heap_calls += counting && from_program(__builtin_return_address(0));
    return __libc_realloc(p, n);
}
void *operator new(size_t n)
{
    heap_calls += counting && from_program(__builtin_return_address(0));
    if (void *p = __libc_malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept
{
    __libc_free(p);
}
void operator delete(void *p, size_t) noexcept
{
    __libc_free(p);
}
#endif

namespace {

enum { WIDTH = 1280, HEIGHT = 720, SLOTS = 160 };
enum { SETTINGS_NONE, SETTINGS_DEFAULT, SETTINGS_FUGLY };

int g_settings = SETTINGS_NONE;
bool g_ready = false;
display *g_window;
int g_viewed = -1;
int g_by_distance[SLOTS];   // slots, the viewed rider first, then those in view nearest him
int g_in_view_count;
bike *g_all[SLOTS];

std::string game_folder(void)
{
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string path(exe, n > 0 ? (size_t)n : 0);
    path = path.substr(0, path.rfind('/'));
    return path.substr(0, path.rfind('/')) + "/game/";
}

void camera_for(int view, float eye[3], float rotation[9])
{
    bike *b = g_all[g_viewed];
    if (view == 0) {
        chase_camera_place(bike_get_frame_body(b), 1, eye, rotation);
    } else {
        onboard_camera(bike_get_rider_body(b), (float)config_sliders[CONFIG_FIRST_PERSON_HEIGHT].value,
                       (float)config_sliders[CONFIG_FIRST_PERSON_ANGLE].value, eye, rotation);
    }
}

bool in_view(const float eye[3], const float rotation[9], const dReal *p)
{
    float half_x, half_y;
    view_half_extents(WIDTH, HEIGHT, setting_fov(), &half_x, &half_y);
    const float v[3] = {(float)p[0] - eye[0], (float)p[1] - eye[1], (float)p[2] - eye[2]};
    const float x = v[0] * rotation[0] + v[1] * rotation[3] + v[2] * rotation[6];
    const float y = v[0] * rotation[1] + v[1] * rotation[4] + v[2] * rotation[7];
    const float z = -(v[0] * rotation[2] + v[1] * rotation[5] + v[2] * rotation[8]);
    return z > 0.25f && std::fabs(x) < z * half_x && std::fabs(y) < z * half_y;
}

// The viewed rider: the one farthest back along the field's way.
void choose_viewed(void)
{
    double centre[3] = {0, 0, 0}, way[3] = {0, 0, 0};
    for (int s = 0; s < SLOTS; ++s) {
        const dReal *p = dBodyGetPosition(g_all[s]->bodies[BODY_FRAME]);
        const dReal *r = dBodyGetRotation(g_all[s]->bodies[BODY_FRAME]);
        for (int k = 0; k < 3; ++k) {
            centre[k] += p[k] / (double)SLOTS;
            way[k] -= r[k * 4 + 2];   // the bike faces -z
        }
    }
    double least = 1e30;
    for (int s = 0; s < SLOTS; ++s) {
        const dReal *p = dBodyGetPosition(g_all[s]->bodies[BODY_FRAME]);
        const double along = (p[0] - centre[0]) * way[0] + (p[2] - centre[2]) * way[2];
        if (along < least) least = along, g_viewed = s;
    }
}

// Orders the others by distance from the viewed rider, those in the chase camera's view first.
void order_riders(void)
{
    float eye[3], rotation[9];
    camera_for(0, eye, rotation);
    const dReal *v = dBodyGetPosition(g_all[g_viewed]->bodies[BODY_FRAME]);
    struct entry { int slot, hidden; double d; };
    entry e[SLOTS];
    int n = 0;
    g_in_view_count = 0;
    for (int s = 0; s < SLOTS; ++s) {
        if (s == g_viewed) continue;
        const dReal *p = dBodyGetPosition(g_all[s]->bodies[BODY_FRAME]);
        const double d[3] = {p[0] - v[0], p[1] - v[1], p[2] - v[2]};
        const int hidden = !in_view(eye, rotation, p);
        g_in_view_count += !hidden;
        e[n++] = {s, hidden, d[0] * d[0] + d[1] * d[1] + d[2] * d[2]};
    }
    std::sort(e, e + n, [](const entry &a, const entry &b) { return a.hidden != b.hidden ? a.hidden < b.hidden : a.d < b.d; });
    g_by_distance[0] = g_viewed;
    for (int i = 0; i < n; ++i) g_by_distance[i + 1] = e[i].slot;
}

// The game's start-up cut to what a race frame needs, then 160 robots two seconds past the drop.
bool race_open(int settings)
{
    char tmpl[] = "/tmp/rl_bench_race_frame_XXXXXX";
    if (!bench_mkdtemp(tmpl)) return false;
    setenv("XDG_DATA_HOME", tmpl, 1);
    setenv("RL_HOME", game_folder().c_str(), 1);
    search_folders_free();
    config_init();
    setup_init();
    setup_select_bike("yz250f(2017)");
    setup_set_defaults(setup_stability());
    if (settings == SETTINGS_FUGLY) {
        graphics_preset_apply(GRAPHICS_PRESET_HIGH_FPS);
        g_options.fugly = 1;
    }
    track_lighting_set_default();
    g_render.ground_mipmaps = 1;
    graphics_settings graphics;
    settings_graphics(&graphics);
    render_options_derive(&graphics, &g_render);
    g_window = kubl_gl_window_open("Rutline bench", WIDTH, HEIGHT, 32, 0, 16, 0, 0);
    if (!g_window || !kubl_gl_frame_begin(g_window)) return false;
    gl_probe_extensions();
    gl_call_counts_wrap_extensions();
    if (!setting_ground_mipmaps()) g_render.ground_mipmaps = 0;
    g_render.shader_capable = gl_shader_capable();
    g_render.use_shader = setting_use_shader() && g_render.shader_capable;
    if (g_render.use_shader) g_render.use_shader = shader_build_programs();
    const int method = setting_render_texture();
    g_render.terrain_shader = g_render.use_shader && (method == 3 || method == 4);
    glEnable(GL_CULL_FACE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (g_options.fugly) glShadeModel(GL_FLAT);
    fonts_load();
    tach_texture = texture_load("!@tach.png");
    shifter_texture = texture_load("!@shifter.png");
    pitboard_texture = texture_load("!@pitboard.png");
    growable_array_init(&camera_keyframes, 36);
    growable_array_init(&track_cameras, 36);
    dInitODE2(0);
    physics_world = dWorldCreate();
    dWorldSetGravity(physics_world, 0, -32, 0);
    contact_group = dJointGroupCreate(0);
    frame_width = WIDTH;
    frame_height = HEIGHT;
    if (!scan_tracks() || !track_choice_select("ridgeback")) return false;
    static int codes[SLOTS];
    for (int i = 0; i < SLOTS; ++i) codes[i] = 2;
    if (!reset_race(codes, 0, 0, 0, 20, 0)) return false;
    while (tick_count < race_start_tick + 2 * 128) race_step();
    for (int s = 0; s < SLOTS; ++s)
        if (!(g_all[s] = bike_slot_table[s])) return false;
    choose_viewed();
    viewed_slot = g_viewed;
    order_riders();
    return true;
}

double thread_ms(void)
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec * 1e-6;
}

double wall_ms(void)
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec * 1e-6;
}

// One frame as the frame loop draws it, with the first `riders` of the order in the slot table.
void frame(int view, int riders)
{
    kubl_gl_frame_begin(g_window);
    set_projection(WIDTH, HEIGHT, setting_fov());
    for (int i = 0; i < SLOTS; ++i) bike_slot_table[g_by_distance[i]] = i < riders ? g_all[g_by_distance[i]] : nullptr;
    float eye[3], rotation[9];
    camera_for(view, eye, rotation);
    scene_draw(eye, rotation, setting_fov(), view == 0 ? NO_RIDER : g_viewed);
    for (int s = 0; s < SLOTS; ++s) bike_slot_table[s] = g_all[s];
    hud_draw_telemetry(g_viewed);
    hud_draw_overlays(g_viewed);
    kubl_gl_frame_end(g_window);
}

void run(benchmark::State &state, int settings)
{
    if (g_settings == SETTINGS_NONE) {
        g_settings = settings;
        g_ready = race_open(settings);
    }
    if (g_settings != settings) {
        state.SkipWithError("the settings differ from this process's: run each with --benchmark_filter");
        return;
    }
    if (!g_ready) {
        state.SkipWithError("no display of 1280 x 720 or no generated track");
        return;
    }
    const int riders = (int)state.range(0), view = (int)state.range(1);
    // The ground composes its textures over the first frames; those are not what a race sees.
    for (int i = 0; i < 60; ++i) frame(view, riders);
    gl_counts = {};
#ifndef RACE_FRAME_SANITIZED
    heap_calls = 0;
    counting = 1;
#endif
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        const double c0 = thread_ms(), w0 = wall_ms();
        frame(view, riders);
        cpu += thread_ms() - c0;
        wall += wall_ms() - w0;
    }
    const double n = (double)state.iterations();
#ifndef RACE_FRAME_SANITIZED
    counting = 0;
    state.counters["heap_calls"] = (double)heap_calls / n;
#endif
    state.counters["wall_ms"] = wall / n;
    state.counters["cpu_ms"] = cpu / n;
    state.counters["draws"] = gl_counts.draw_calls / n;
    state.counters["vertices"] = gl_counts.vertices / n;
    state.counters["binds"] = gl_counts.texture_binds / n;
    state.counters["states"] = gl_counts.state_changes / n;
    const int drawn = std::min(riders, 1 + g_in_view_count);
    state.counters["in_view"] = drawn;
    // What each rider adds to the same frame without riders (that case runs first).
    static double empty_draws[2] = {-1, -1};
    if (riders == 0) empty_draws[view] = gl_counts.draw_calls / n;
    if (drawn > 0 && empty_draws[view] >= 0)
        state.counters["draws_per_rider"] = (gl_counts.draw_calls / n - empty_draws[view]) / drawn;
}

void BM_RaceFrame(benchmark::State &state)
{
    run(state, SETTINGS_DEFAULT);
}

void BM_RaceFrameFugly(benchmark::State &state)
{
    run(state, SETTINGS_FUGLY);
}

void frame_args(benchmark::internal::Benchmark *b)
{
    b->ArgNames({"riders", "onboard"});
    for (int view = 0; view < 2; ++view)
        for (int riders : {0, 1, 20, 160}) b->Args({riders, view});
    b->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
}
BENCHMARK(BM_RaceFrame)->Apply(frame_args);
BENCHMARK(BM_RaceFrameFugly)->Apply(frame_args);

}   // namespace
