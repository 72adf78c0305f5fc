// One steering step of a bike leaning into a turn on the ground with the front wheel sliding a
// little, indirect steering blended in: what the physics step pays per bike and tick.
#include <benchmark/benchmark.h>

#include <ode/ode.h>

#include "bike/steering.h"
#include "racing/race.h"
#include "tests/bike/physics_rig.h"

static void BM_BikeSteeringStep(benchmark::State &state)
{
    physics_rig r;
    rig_open(&r);
    bike *b = r.b;
    b->input.steer = 0.4f;
    b->tuning.direct_steering = 0.5f;
    b->tuning.slow_damping_speed = 20;
    dMatrix3 lean;
    dRFromAxisAndAngle(lean, 0, 0, 1, 0.3);
    for (dBodyID body : b->bodies) dBodySetRotation(body, lean);
    rig_wheel_contact(&r, WHEEL_FRONT, true, 1);
    dBodySetAngularVel(b->bodies[BODY_FRONT_WHEEL], -20, 0, 0);
    dBodySetLinearVel(b->bodies[BODY_FRONT_WHEEL], 1.5, 0, -23);
    dBodySetLinearVel(b->bodies[BODY_FRAME], 0, 0, -23);
    dBodySetAngularVel(b->bodies[BODY_FRAME], 0, 0.2, 0.3);
    for (auto _ : state) {
        ++tick_count;
        bike_steering_step(b);
        benchmark::DoNotOptimize(lock_nearness);
    }
    state.SetItemsProcessed(state.iterations());
    rig_close(&r);
}
BENCHMARK(BM_BikeSteeringStep);
