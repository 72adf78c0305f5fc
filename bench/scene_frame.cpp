// One frame of the world from on board the player's bike on the practice track's start line, at
// 800 x 600 with the game's own textures, models and settings (the reference picture's scene):
// the frame time, and what the scene drew as counters. Run under a display; skipped without one.
#include "bench_temp.h"
#include "bike/bike.h"
#include "data/paths.h"
#include "graphics/font.h"
#include "graphics/glcaps.h"
#include "graphics/shader.h"
#include "graphics/texture.h"
#include "platform/display.h"
#include "racing/race.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "shell/main/seams.h"
#include "shell/setup.h"
#include "shell/startup.h"
#include "terrain/lighting.h"
#include "shell/track_list.h"
#include "ui/ground_view.h"
#include "ui/ui.h"
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <ode/ode.h>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string game_folder(void)
{
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string path(exe, n > 0 ? (size_t)n : 0);
    path = path.substr(0, path.rfind('/'));
    return path.substr(0, path.rfind('/')) + "/game/";
}

// The game's start-up, cut to what the scene needs, and a race of the player and five robots.
bool race_open(void)
{
    char tmpl[] = "/tmp/rl_bench_scene_XXXXXX";
    if (!bench_mkdtemp(tmpl)) return false;
    setenv("XDG_DATA_HOME", tmpl, 1);
    setenv("RL_HOME", game_folder().c_str(), 1);
    search_folders_free();
    config_init();
    setup_init();
    setup_select_bike("yz250f(2017)");
    setup_set_defaults(setup_stability());
    graphics_preset_apply(0);
    track_lighting_set_default();
    g_render.ground_mipmaps = 1;
    graphics_settings graphics;
    settings_graphics(&graphics);
    render_options_derive(&graphics, &g_render);
    display *d = kubl_gl_window_open("Rutline bench", 800, 600, 32, 0, 16, 0, 0);
    if (!d || !kubl_gl_frame_begin(d)) return false;
    gl_probe_extensions();
    // Shaders as start-up chooses them.
    g_render.shader_capable = gl_shader_capable();
    g_render.use_shader = setting_use_shader() && g_render.shader_capable;
    if (g_render.use_shader) g_render.use_shader = shader_build_programs();
    glEnable(GL_CULL_FACE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    fonts_load();
    growable_array_init(&camera_keyframes, 36);
    growable_array_init(&track_cameras, 36);
    dInitODE2(0);
    physics_world = dWorldCreate();
    dWorldSetGravity(physics_world, 0, -32, 0);
    contact_group = dJointGroupCreate(0);
    frame_width = 800;
    frame_height = 600;
    if (!scan_tracks() || !track_choice_select("ridgeback-practice")) return false;
    static int codes[160];
    for (int i = 0; i < 160; ++i) codes[i] = i == 0 ? 1 : i <= 5 ? 2 : 0;
    return reset_race(codes, 0, 0, 0, 3, 0) && bike_slot_table[0];
}

void BM_SceneFrameOnboard(benchmark::State &state)
{
    static const bool opened = race_open();
    if (!opened) {
        state.SkipWithError("no display or no generated practice track");
        return;
    }
    dBodyID body = bike_get_rider_body(bike_slot_table[0]);
    // The ground composes its textures over the first frames; those are not what a race sees.
    for (int i = 0; i < 120; ++i) onboard_view_draw(body, 0);
    glFinish();
    for (auto _ : state) {
        set_projection(800, 600, 110);
        onboard_view_draw(body, 0);
        glFinish();
    }
    state.counters["texture_binds"] = render_stats.texture_binds;
    state.counters["billboards"] = render_stats.billboards;
    state.counters["triangles"] = render_stats.model_triangles;
    state.counters["programs"] = render_stats.program_switches;
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SceneFrameOnboard)->Unit(benchmark::kMillisecond)->UseRealTime();

}   // namespace
