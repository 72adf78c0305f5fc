// The rider's foot anchors, once per bike per tick: riding with a foot put down, and crashed
// (the legs held to the rider by their length and the knee plane).
#include "bike/anchors.h"
#include "bike/bike_create.h"
#include "bike/bike_record.h"
#include "data/mem.h"
#include "shell/startup.h"
#include <benchmark/benchmark.h>

static unsigned    texture(const char *) { return 0; }
static const char *info_text(unsigned) { return nullptr; }
static unsigned    plate(const char *, const unsigned char *, const unsigned char *) { return 0; }
static void        plate_delete(unsigned) {}
static shape      *load_shape(const char *) { return nullptr; }
static void        free_shape(shape *s) { mem_free(s); }

static void BM_RiderAnchors(benchmark::State &state)
{
    static const bike_resource_loaders loaders = {texture, info_text, plate, plate_delete, load_shape, free_shape};
    bike_resources_set(&loaders);
    dInitODE2(0);
    physics_world = dWorldCreate();
    bike *b = bike_create("450sxf(2018)", 1, "1", nullptr, nullptr, nullptr, nullptr);
    bike_rotate(b, 0, 0, 1, 0.3f);
    const int crashed = (int)state.range(0);
    for (auto _ : state) {
        b->crash_counter = crashed ? 200 : 0;
        b->input.foot_down = 1;
        bike_update_rider_anchors(b);
        benchmark::DoNotOptimize(b->anchors.foot[0][1]);
    }
    bike_destroy(b);
    dWorldDestroy(physics_world);
    physics_world = nullptr;
    dCloseODE();
    bike_resources_set(nullptr);
}
BENCHMARK(BM_RiderAnchors)->Arg(0)->Arg(1);
