// Loading a whole track of 1025^2 vertices with its objects, and each step of the load on its
// own: the digest of the ground files, the ground, the gates, flaggers, billboards, statues and
// cameras. Textures, models and shapes are answered without files (the caches have their own
// benchmarks).
#include "bench_temp.h"
#include "terrain/cameras.h"
#include "terrain/field.h"
#include "terrain/flaggers.h"
#include "terrain/statues.h"
#include "terrain/terrain_io.h"
#include "terrain/timing_gates.h"
#include "terrain/track_files.h"
#include "terrain/track_load.h"
#include "data/file_index.h"
#include "data/paths.h"
#include "data/ripemd160.h"
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

static unsigned fake_texture(const char *) { return 1; }
static km_model *fake_model(const char *) { return nullptr; }
static shape *fake_shape(const char *) { return nullptr; }

static void put(const std::string &path, const std::string &bytes)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) abort();
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

// A home folder holding "tracks/bench": depth 9 raw heights, shading, two tiles, a tile map,
// 40 starts and 60 gates, 50 flaggers, 1000 billboards, 500 statues, 20 cameras.
static const char *make_track(void)
{
    static std::string root;
    if (!root.empty()) return "tracks/bench";
    char tmpl[] = "/tmp/rl_bench_trackload_XXXXXX";
    if (!bench_mkdtemp(tmpl)) abort();
    root = tmpl;
    std::string dir = root + "/xdg/Rutline/tracks/bench/";
    if (system(("mkdir -p " + dir + " " + root + "/game").c_str())) abort();
    setenv("XDG_DATA_HOME", (root + "/xdg").c_str(), 1);
    setenv("RL_HOME", (root + "/game").c_str(), 1);
    search_folders_free();

    const int depth = 9, dim = (1 << (depth + 1)) + 1;
    std::string hf = std::to_string(depth) + " 0.5 -10 30\n:";
    for (int z = 0; z < dim; ++z)
        for (int x = 0; x < dim; ++x) {
            int v = (x * 37 + z * 91 + x * z) & 0xFFFF;
            hf += (char)(v & 0xFF);
            hf += (char)(v >> 8);
        }
    put(dir + "terrain.hf", hf);
    put(dir + "shadingx2.ppm", "P6\n" + std::to_string(dim) + " " + std::to_string(dim) + "\n255\n" +
                                   std::string((size_t)dim * dim * 3, (char)120));
    put(dir + "tileinfo", "friction 1 1\naddtile\nfriction 0.5 1\naddtile\n");
    put(dir + "tilemap", std::string((size_t)1 << (2 * depth), '\1'));

    std::string gates = "startinggate:\n";
    for (int i = 0; i < 40; ++i) gates += "[" + std::to_string(100 + 2 * i) + " 0 100] 0\n";
    gates += "checkpoints:\n";
    for (int i = 0; i < 60; ++i) gates += "6 [" + std::to_string(50 + 7 * i) + " 0 200] [6 0 0]\n";
    gates += "firstlap:";
    for (int i = 0; i < 60; ++i) gates += " " + std::to_string(i);
    gates += "\nnormallap:";
    for (int i = 0; i < 60; ++i) gates += " " + std::to_string(i % 3 ? 100000 + i : i);
    put(dir + "timing_gates", gates + "\n");
    std::string flaggers = "[10 0 10] [20 0 10] 1 2 3 m0 m1 m2 m3 m4\n[30 0 10] 1 2 b0 b1 b2 b3\n";
    for (int i = 0; i < 50; ++i) flaggers += "[" + std::to_string(5 * i) + " 0 40] 1 2 " + std::to_string(i) + " -1 -1 -1 f0 f1\n";
    put(dir + "flaggers", flaggers);
    std::string billboards;
    for (int i = 0; i < 1000; ++i)
        billboards += "[" + std::to_string(i % 500) + ".5 1 " + std::to_string(i / 2) + ".25] 3 5 #ff8000#banner.png\n";
    put(dir + "billboards", billboards);
    std::string statues;
    for (int i = 0; i < 500; ++i)
        statues += "[" + std::to_string(i) + ".5 0 " + std::to_string(300 + i % 100) + "] 0.5 tree.km bark.png @tree.shp\n";
    put(dir + "statues", statues);
    std::string cameras;
    for (int i = 0; i < 20; ++i) cameras += "fov 40\ngate " + std::to_string(3 * i) + "\naddcamera " + std::to_string(25 * i) + " 5 20\n";
    put(dir + "cameras", cameras);
    static const track_resource_loaders fakes = {fake_texture, fake_model, fake_shape};
    track_resources_set(&fakes);
    return "tracks/bench";
}

static void BM_TrackLoadWhole(benchmark::State &state)
{
    track_name = make_track();
    for (auto _ : state) {
        track_name = "tracks/bench";
        if (!load_track()) state.SkipWithError("load failed");
        free_track();
    }
}
BENCHMARK(BM_TrackLoadWhole)->Unit(benchmark::kMillisecond);

static void BM_TrackLoadDigest(benchmark::State &state)
{
    track_name = make_track();
    for (auto _ : state) {
        ripemd160_ctx ctx;
        ripemd160_init(&ctx);
        for (const char *name : {"terrain.hf", "terrain.png", "texturelist", "tilemap", "tileinfo", "timing_gates", "statues"})
            track_file_digest(&ctx, name);
        ripemd160_final(&ctx);
        benchmark::DoNotOptimize(ctx.digest);
    }
}
BENCHMARK(BM_TrackLoadDigest)->Unit(benchmark::kMillisecond);

static void BM_TrackLoadGround(benchmark::State &state)
{
    track_name = make_track();
    for (auto _ : state) {
        if (!terrain_load(terrain_ptr, "@tracks/bench", 1)) state.SkipWithError("load failed");
        terrain_free(terrain_ptr);
    }
}
BENCHMARK(BM_TrackLoadGround)->Unit(benchmark::kMillisecond);

// One object step over a loaded ground, with fresh lists each time.
static void object_step(benchmark::State &state, void (*step)(const char *), const char *file)
{
    track_name = make_track();
    if (!terrain_load(terrain_ptr, "@tracks/bench", 1)) state.SkipWithError("load failed");
    std::string path = std::string("@tracks/bench/") + file;
    int count = 0;
    for (auto _ : state) {
        track_objects_init();
        growable_array_init(&flaggers, sizeof(flagger));
        step(path.c_str());
        count = statues.count + billboards.count + flaggers.count;
        growable_array_free(&flaggers);
        timing_gates_free();
        track_objects_free();
    }
    state.counters["objects"] = count;
    terrain_free(terrain_ptr);
}

static void BM_TrackLoadGates(benchmark::State &state) { object_step(state, timing_gates_load, "timing_gates"); }
static void BM_TrackLoadFlaggers(benchmark::State &state) { object_step(state, flaggers_load, "flaggers"); }
static void BM_TrackLoadBillboards(benchmark::State &state) { object_step(state, billboards_load, "billboards"); }
static void BM_TrackLoadStatues(benchmark::State &state) { object_step(state, statues_load, "statues"); }
static void BM_TrackLoadCameras(benchmark::State &state) { object_step(state, cameras_load, "cameras"); }
BENCHMARK(BM_TrackLoadGates)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TrackLoadFlaggers)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TrackLoadBillboards)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TrackLoadStatues)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TrackLoadCameras)->Unit(benchmark::kMicrosecond);
