// One editor frame on a 1280 x 720 window over a 1025^2 track with rolling ground: the ground
// composed around the cursor, drawn from above, the brush circles and the panel. Run under a
// display; skipped without one.
#include "bench_temp.h"
#include "data/paths.h"
#include "editor/editor.h"
#include "editor/editor_state.h"
#include "graphics/font.h"
#include "platform/display.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "terrain/field.h"
#include "terrain/statues.h"
#include "terrain/terrain_io.h"
#include "ui/ground_view.h"
#include "ui/ui.h"
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
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

void put(const std::string &path, const std::string &bytes)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) return;
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

// Depth 9: 1025 vertices a side, rolling heights, two striped tiles in patches.
std::string write_track(void)
{
    char dir[] = "/tmp/rl_bench_editor_XXXXXX";
    if (!bench_mkdtemp(dir)) return "";
    const int dim = 1025;
    std::string hf = "9 1.0 -12 20\n:";
    for (int z = 0; z < dim; ++z)
        for (int x = 0; x < dim; ++x) {
            double h = 8 * std::sin(x / 40.0) * std::cos(z / 55.0) + 0.01 * z;
            int v = (int)((h + 12) / 32 * 65535);
            hf += (char)(v & 255);
            hf += (char)(v >> 8);
        }
    put(std::string(dir) + "/terrain.hf", hf);
    std::string shading = "P6\n1025 1025\n255\n";
    shading.append((size_t)dim * dim * 3, (char)100);
    put(std::string(dir) + "/shadingx2.ppm", shading);
    std::string tileinfo;
    for (int i = 0; i < 2; ++i) {
        std::string tile = "P6\n16 16\n255\n";
        for (int p = 0; p < 256; ++p) tile += i ? "\x48\x84\x34" : "\xc4\xa8\x70";
        std::string name = std::string(dir) + "/tile" + std::to_string(i) + ".ppm";
        put(name, tile);
        tileinfo += "texture " + name + "\naddtile\n";
    }
    put(std::string(dir) + "/tileinfo", tileinfo);
    std::string map((size_t)512 * 512, '\0');
    for (size_t i = 0; i < map.size(); ++i) map[i] = (char)(((i / 512) / 16 + (i % 512) / 16) % 2);
    put(std::string(dir) + "/tilemap", map);
    return dir;
}

} // namespace

static void BM_EditorFrame(benchmark::State &state)
{
    setenv("RL_HOME", game_folder().c_str(), 0);   // a folder given by the caller stays
    search_folders_free();
    display *d = kubl_gl_window_open("Rutline bench", 1280, 720, 0, 8, 16, 0, 0);
    if (!d) {
        state.SkipWithError("no display");
        return;
    }
    kubl_gl_frame_begin(d);
    fonts_load();
    config_init();
    g_render.terrain_detail = 0.125f;
    g_render.ground_texture_detail = 0;
    g_render.ground_texture_size = 256;
    terrain_settings_from_render();
    std::string dir = write_track();
    if (dir.empty() || !terrain_load(terrain_ptr, dir.c_str(), 1)) {
        state.SkipWithError("the track did not load");
        return;
    }
    track_objects_init();
    frame_width = 1280;
    frame_height = 720;
    editor_setup_track(d, terrain_ptr);
    mouse_x = 800;
    mouse_y = 360;
    for (int i = 0; i < 60; ++i) {   // the rings around the cursor composed first
        set_projection(1280, 720, setting_fov());
        editor_draw();
    }
    for (auto _ : state) {
        set_projection(1280, 720, setting_fov());
        editor_draw();
        glFinish();
    }
    editor_release();
    track_objects_free();
    terrain_free(terrain_ptr);
    kubl_gl_frame_end(d);
}
BENCHMARK(BM_EditorFrame)->Unit(benchmark::kMillisecond);
