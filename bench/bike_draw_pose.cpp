// The CPU side of drawing 40 bikes on the start line of the default track: each rider's arms and
// legs bent to the grips and feet and the helmet turned to look ahead, as bike_draw works them
// out every frame before any model is drawn. Items are bikes.
#include <benchmark/benchmark.h>

#include "race_bench.h"
#include "bike/bike.h"
#include "bike/bike_record.h"
#include "ui/bike_draw.h"

static void BM_BikeDrawPose(benchmark::State &state)
{
    const int bikes = (int)state.range(0);
    if (!race_bench::open() || !race_bench::reset(bikes - 1)) {
        state.SkipWithError("no default track");
        return;
    }
    rider_pose pose;
    float head[9];
    for (auto _ : state) {
        for (int slot = 0; slot < bikes; ++slot) {
            bike *b = bike_slot_table[slot];
            if (!b) continue;
            dBodyID body = b->bodies[BODY_RIDER];
            const dReal *p = dBodyGetPosition(body), *r = dBodyGetRotation(body);
            const float position[3] = {(float)p[0], (float)p[1], (float)p[2]};
            float rotation[9];
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j) rotation[i * 3 + j] = (float)r[i * 4 + j];
            rider_pose_build(b, position, rotation, &pose);
            rider_head_look(b, rotation, head);
            benchmark::DoNotOptimize(pose.rotations[0]);
            benchmark::DoNotOptimize(head[0]);
        }
    }
    state.SetItemsProcessed(state.iterations() * bikes);
}
BENCHMARK(BM_BikeDrawPose)->Arg(40)->Unit(benchmark::kMicrosecond);
