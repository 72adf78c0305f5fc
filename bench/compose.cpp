// Composing one ground texture in each back end (a level-0 ring slot and a 128-cell block),
// and the frame time of the ground view at 1280 x 720. Needs a display (run under Xvfb).
#include "bench_temp.h"
#include "terrain/compose.h"
#include "terrain/field.h"
#include "terrain/terrain_io.h"
#include "terrain/terrain_seams.h"
#include "shell/main/cameras.h"
#include "shell/globals.h"
#include "graphics/glcaps.h"
#include "ui/ground_view.h"
#include "ui/ui.h"
#include "platform/display.h"
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void write(const std::string &path, const std::string &bytes)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) abort();
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

// A 1025^2 track: rolling heights, lit vertex colours, three striped tiles in patches.
std::string make_track(void)
{
    char tmpl[] = "/tmp/rl_bench_ground_XXXXXX";
    if (!bench_mkdtemp(tmpl)) abort();
    const std::string dir = tmpl;
    const int depth = 9, dim = (1 << (depth + 1)) + 1;
    std::string hf = std::to_string(depth) + " 1.0 -20 20\n:";
    std::string shading = "P6\n" + std::to_string(dim) + " " + std::to_string(dim) + "\n255\n";
    for (int z = 0; z < dim; ++z)
        for (int x = 0; x < dim; ++x) {
            double h = 12 * std::sin(x / 37.0) * std::cos(z / 53.0);
            unsigned v = (unsigned)((h + 20) / 40 * 65535);
            hf += (char)(v & 0xFF);
            hf += (char)(v >> 8);
            int light = 80 + (int)(40 * std::cos(x / 37.0) * std::cos(z / 53.0));
            shading += std::string(3, (char)light);
        }
    write(dir + "/terrain.hf", hf);
    write(dir + "/shadingx2.ppm", shading);
    std::string tileinfo;
    for (int i = 0; i < 3; ++i) {
        std::string tile = "P6\n64 64\n255\n";
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                for (int k = 0; k < 3; ++k) tile += (char)(60 + 50 * i + 20 * k + ((x ^ y) & 8 ? 15 : 0));
        std::string name = dir + "/tile" + std::to_string(i) + ".ppm";
        write(name, tile);
        tileinfo += "texture " + name + "\naddtile\n";
    }
    write(dir + "/tileinfo", tileinfo);
    const int leaves = 1 << depth;
    std::string map((std::size_t)leaves * leaves, '\0');
    for (int z = 0; z < leaves; ++z)
        for (int x = 0; x < leaves; ++x) map[(std::size_t)z * leaves + x] = (char)(((x / 5) + (z / 7)) % 3);
    write(dir + "/tilemap", map);
    return dir;
}

struct context {
    display *window = nullptr;
    std::string track;
    context()
    {
        window = kubl_gl_window_open("Rutline ground bench", 1280, 720, 24, 0, 16, 0, 0);
        if (window) gl_probe_extensions();
        track = make_track();
        frame_width = 1280;
        frame_height = 720;
    }
};

context &gl(void)
{
    static context c;
    return c;
}

const char *const mode_names[4] = {"", "processor", "frame buffer copy", "framebuffer object"};

// Loads the bench track in a texture mode with every ring filled around the middle.
bool load(benchmark::State &state, int mode)
{
    if (!gl().window) {
        state.SkipWithError("no display");
        return false;
    }
    g_render.terrain_detail = 0.125f;
    g_render.ground_texture_detail = 0;
    g_render.ground_texture_size = 256;
    g_render.ground_mipmaps = 1;
    terrain_settings_from_render();
    if (!terrain_load(terrain_ptr, gl().track.c_str(), mode) || terrain_ptr->texture_mode != mode) {
        state.SkipWithError("texture mode not available");
        return false;
    }
    terrain_field *t = terrain_ptr;
    t->eye_pos[0] = 500.5f; t->eye_pos[1] = 20; t->eye_pos[2] = 500.5f;
    for (int i = 0; i < 100; ++i) terrain_compose_texture(t);
    state.SetLabel(mode_names[mode]);
    return true;
}

} // namespace

static void BM_ComposeRingSlot(benchmark::State &state)
{
    const int mode = (int)state.range(0);
    if (!load(state, mode)) return;
    terrain_field *t = terrain_ptr;
    for (auto _ : state) {
        t->ring_ready[0][1][2] = 0;   // the one slot this call composes
        terrain_compose_texture(t);
        glFinish();
    }
    terrain_free(t);
}
BENCHMARK(BM_ComposeRingSlot)->DenseRange(1, 3)->Unit(benchmark::kMicrosecond);

static void BM_ComposeBlock(benchmark::State &state)
{
    const int mode = (int)state.range(0);
    if (!load(state, mode)) return;
    terrain_field *t = terrain_ptr;
    for (auto _ : state) {
        t->block_request[5] = 1;   // the oldest request
        terrain_compose_texture(t);
        glFinish();
    }
    terrain_free(t);
}
BENCHMARK(BM_ComposeBlock)->DenseRange(1, 3)->Unit(benchmark::kMicrosecond);

// One frame of the ground view through the free camera, composition of the frame included.
static void BM_GroundViewFrame(benchmark::State &state)
{
    const int mode = (int)state.range(0);
    if (!load(state, mode)) return;
    cameras_reset();
    track_camera_index = -1;
    free_camera.position[0] = 500; free_camera.position[1] = 25; free_camera.position[2] = 480;
    free_camera.yaw = 0.6f;
    free_camera.pitch = -0.15f;
    free_camera.fov = 90;
    for (int i = 0; i < 100; ++i) keycam_view_draw();
    for (auto _ : state) {
        keycam_view_draw();
        glFinish();
    }
    state.counters["rim_vertices"] = (double)terrain_ptr->fan_vertex_count;
    terrain_free(terrain_ptr);
}
BENCHMARK(BM_GroundViewFrame)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);
