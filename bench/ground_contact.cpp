// One wheel's ground pass (contact search, joint, rolling resistance) and one frame shape's
// (12 spheres) on a rolling 1025^2 ground of half-foot cells. The contact group is emptied
// outside the timing, as the race step empties it after each world step.
#include "bench_ground.h"
#include "bike/bike.h"
#include "bike/ground_contact.h"
#include "bike/shape.h"
#include "data/mem.h"
#include "shell/startup.h"
#include "terrain/field.h"
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdlib>

static terrain_field *bench_field(void)
{
    static terrain_field *t;
    if (t) return t;
    t = bench_ground_make(0.5f, [](int x, int z) {
        return 2.0f * std::sin(x * 0.05f) * std::cos(z * 0.04f) + 0.03f * (float)((x * 7 + z * 13) % 5);
    });
    for (int k = 0; k < 4; ++k) {
        t->friction_key[0][k] = 10.0f * (float)(k + 1);
        t->friction[0][k] = 1.0f - 0.1f * (float)k;
        t->roll_resist_key[0][k] = 10.0f * (float)(k + 1);
        t->roll_resist[0][k][0] = 5;
        t->roll_resist[0][k][1] = 15;
    }
    dInitODE2(0);
    physics_world = dWorldCreate();
    contact_group = dJointGroupCreate(0);
    return t;
}

// Places along a diagonal, each resting a little into the ground under it.
static void place(const terrain_field *t, int k, float lift, float out[3])
{
    out[0] = 100.0f + 0.37f * (float)(k % 256);
    out[2] = 120.0f + 0.29f * (float)(k % 256);
    out[1] = terrain_height_at(t, out[0], out[2]) + lift;
}

static void BM_wheel_terrain_collide(benchmark::State &state)
{
    terrain_field *t = bench_field();
    wheel_record w = {};
    w.body = dBodyCreate(physics_world);
    w.axle[0] = 1;
    w.radius = 1.0f;
    w.tube_radius = 0.3f;
    dBodySetLinearVel(w.body, 0, 0, 20);
    int k = 0, touched = 0;
    for (auto _ : state) {
        state.PauseTiming();
        float p[3];
        place(t, k++, 1.2f, p);
        dBodySetPosition(w.body, p[0], p[1], p[2]);
        dJointGroupEmpty(contact_group);
        state.ResumeTiming();
        touched += wheel_terrain_collide(t, &w, 1.0f);
    }
    dJointGroupEmpty(contact_group);
    dBodyDestroy(w.body);
    state.counters["touching"] = benchmark::Counter((double)touched / (double)state.iterations());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_wheel_terrain_collide)->Unit(benchmark::kMicrosecond);

static void BM_shape_terrain_collide(benchmark::State &state)
{
    terrain_field *t = bench_field();
    shape *s = shape_load_instance(RL_SOURCE_DIR "/fuzz/corpus/shape_file/generic_frame.shp");
    if (!s) {
        state.SkipWithError("no frame shape");
        return;
    }
    dBodyID body = dBodyCreate(physics_world);
    const float rot[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    int k = 0, touched = 0;
    for (auto _ : state) {
        state.PauseTiming();
        float p[3];
        place(t, k++, 0.2f, p);   // the lowest spheres into the ground
        dJointGroupEmpty(contact_group);
        state.ResumeTiming();
        touched += shape_terrain_collide(s, body, p, rot, t);
    }
    dJointGroupEmpty(contact_group);
    dBodyDestroy(body);
    mem_free(s);
    state.counters["touching"] = benchmark::Counter((double)touched / (double)state.iterations());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_shape_terrain_collide)->Unit(benchmark::kMicrosecond);
