// A bike's collision passes with the generated shapes: the ground pass (both wheels and five
// shapes) on a rolling 1025^2 field of half-foot or 1.5 ft cells, and a bike pair touching and
// far apart (the broad test). Timing pauses around the contact group's emptying cost about 2 us.
// The shapes come from the build's game folder; textures and models are left out.
#include "bench_ground.h"
#include "bike/bike_create.h"
#include "bike/bike_record.h"
#include "bike/collision_passes.h"
#include "bike/shape.h"
#include "data/mem.h"
#include "data/paths.h"
#include "graphics/model.h"
#include "racing/race.h"
#include "shell/startup.h"
#include "terrain/field.h"
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdlib>
#include <string>
#include <unistd.h>

static unsigned no_texture(const char *) { return 0; }
static const char *no_info(unsigned) { return nullptr; }
static unsigned no_plate(const char *, const unsigned char *, const unsigned char *) { return 0; }
static void no_plate_delete(unsigned) {}
static void shape_free(shape *s) { mem_free(s); }
static unsigned no_list(const km_mesh *) { return 0; }
static void no_list_delete(unsigned) {}

static std::string game_dir()
{
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return "";
    exe[n] = 0;
    std::string s = exe;
    s = s.substr(0, s.rfind('/'));   // <build>/bench
    return s.substr(0, s.rfind('/') + 1) + "game/";
}

static void bench_setup(void)
{
    static bool done;
    if (done) return;
    done = true;
    setenv("RL_HOME", game_dir().c_str(), 1);
    search_folders_free();
    static const bike_resource_loaders loaders = {no_texture, no_info, no_plate, no_plate_delete,
                                                  shape_load_instance, shape_free};
    bike_resources_set(&loaders);
    static const model_list_ops lists = {no_list, no_list_delete};
    model_set_list_ops(&lists);
    dInitODE2(0);
    physics_world = dWorldCreate();
    dWorldSetGravity(physics_world, 0, -32, 0);
    contact_group = dJointGroupCreate(0);
}

// A rolling 1025^2 field of half-foot cells (index 0) or of the default track's 1.5 ft cells
// (index 1), made once; it becomes the race's field.
static terrain_field *bench_world(int index)
{
    static terrain_field *fields[2];
    bench_setup();
    terrain_field *&t = fields[index];
    if (!t) {
        const float cell = index ? 1.5f : 0.5f;
        t = bench_ground_make(cell, [cell](int x, int z) {
            return 2.0f * std::sin(x * cell * 0.1f) * std::cos(z * cell * 0.08f);
        });
        t->friction_key[0][0] = 10;
        t->friction[0][0] = 1;
        t->roll_resist_key[0][0] = 10;
        t->roll_resist[0][0][0] = 5;
        t->roll_resist[0][0][1] = 15;
    }
    terrain_ptr = t;
    return t;
}

// A bike standing with its wheels a little into the ground at (x, z), facing -z.
static bike *bike_on_ground(terrain_field *t, float x, float z)
{
    bike *b = bike_create(bike_catalogue[0].name, 0, "1", nullptr, nullptr, nullptr, nullptr);
    bike_translate(b, x, terrain_height_at(t, x, z) - 0.05f, z);
    return b;
}

static void BM_bike_terrain_collide(benchmark::State &state)
{
    terrain_field *t = bench_world((int)state.range(0));
    bike *b = bike_on_ground(t, 200, 200);
    int hits = 0;
    for (auto _ : state) {
        hits += bike_terrain_collide(b);
        state.PauseTiming();
        dJointGroupEmpty(contact_group);
        state.ResumeTiming();
    }
    state.counters["touching"] = benchmark::Counter((double)hits / (double)state.iterations());
    bike_destroy(b);
    dJointGroupEmpty(contact_group);
}
BENCHMARK(BM_bike_terrain_collide)->Arg(0)->Arg(1)->ArgNames({"cell_1.5ft"})->Unit(benchmark::kMicrosecond);

// Side by side 1.2 ft apart (touching) or 50 ft apart.
static void BM_bike_collide_bikes(benchmark::State &state)
{
    terrain_field *t = bench_world(1);
    float gap = state.range(0) ? 1.2f : 50.0f;
    bike *a = bike_on_ground(t, 200, 200), *b = bike_on_ground(t, 200 + gap, 200);
    int hits = 0;
    for (auto _ : state) {
        ++tick_count;
        hits += bike_collide_bikes(a, b, 0) != 0;
        state.PauseTiming();
        dJointGroupEmpty(contact_group);
        state.ResumeTiming();
    }
    state.counters["touching"] = benchmark::Counter((double)hits / (double)state.iterations());
    bike_destroy(b);
    bike_destroy(a);
    dJointGroupEmpty(contact_group);
}
BENCHMARK(BM_bike_collide_bikes)->Arg(1)->Arg(0)->ArgNames({"touching"})->Unit(benchmark::kMicrosecond);
