// Making and unmaking one bike, as a race reset does up to 160 times: the game's own shapes and
// models from the build's generated content (cached after the first), textures stood in for so
// it runs without a window.
#include "bike/bike.h"
#include "bike/bike_create.h"
#include "bike/shape.h"
#include "data/file_index.h"
#include "data/paths.h"
#include "graphics/model.h"
#include "data/mem.h"
#include "shell/startup.h"
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <string>
#include <unistd.h>

static unsigned    texture(const char *) { return 1; }
static const char *info_text(unsigned) { return nullptr; }
static unsigned    plate(const char *, const unsigned char *, const unsigned char *) { return 0; }
static void        plate_delete(unsigned) {}
static shape      *load_shape(const char *name) { return shape_load_instance(name); }
static void        free_shape(shape *s) { mem_free(s); }
static unsigned    compile(const km_mesh *) { return 0; }
static void        destroy(unsigned) {}

static void use_game_content(void)
{
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return;
    exe[n] = 0;
    std::string dir = exe;
    dir = dir.substr(0, dir.rfind('/'));   // <build>/bench
    dir = dir.substr(0, dir.rfind('/') + 1) + "game";
    setenv("RL_HOME", dir.c_str(), 1);
    search_folders_free();
    data_files_free();
}

static void BM_BikeCreateDestroy(benchmark::State &state)
{
    use_game_content();
    static const bike_resource_loaders loaders = {texture, info_text, plate, plate_delete, load_shape, free_shape};
    static const model_list_ops lists = {compile, destroy};
    bike_resources_set(&loaders);
    model_set_list_ops(&lists);
    dInitODE2(0);
    physics_world = dWorldCreate();
    for (auto _ : state) {
        bike *b = bike_create("450sxf(2018)", 1, "123", nullptr, nullptr, nullptr, nullptr);
        benchmark::DoNotOptimize(b);
        bike_destroy(b);
    }
    dWorldDestroy(physics_world);
    physics_world = nullptr;
    dCloseODE();
    model_purge(1);
    model_set_list_ops(nullptr);
    bike_resources_set(nullptr);
}
BENCHMARK(BM_BikeCreateDestroy);
