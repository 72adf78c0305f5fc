// One drivetrain step of a bike riding on the ground in third gear at part throttle, with
// automatic shifting and both antilock aids on: what the physics step pays per bike and tick
// (up to 40 simulated bikes in a race).
#include <benchmark/benchmark.h>

#include "bike/drivetrain.h"
#include "racing/race.h"
#include "tests/bike/physics_rig.h"

static void BM_BikeDrivetrainStep(benchmark::State &state)
{
    physics_rig r;
    rig_open(&r);
    bike *b = r.b;
    b->gear = 2;
    b->input.throttle = 0.7f;
    b->input.front_brake = 0.2f;
    b->option_flags |= OPTION_AUTO_SHIFT | OPTION_FRONT_ANTILOCK | OPTION_REAR_ANTILOCK;
    rig_wheel_contact(&r, WHEEL_FRONT, true, 1);
    rig_wheel_contact(&r, WHEEL_REAR, true, 1);
    rig_pose_swingarm(&r, -0.1f);
    rig_spin_rear(&r, 40);
    for (auto _ : state) {
        b->engine_speed = 900;   // keep the engine where the ride has it, away from drift
        ++tick_count;
        bike_drivetrain_step(b);
        benchmark::DoNotOptimize(b->engine_angle);
    }
    state.SetItemsProcessed(state.iterations());
    rig_close(&r);
}
BENCHMARK(BM_BikeDrivetrainStep);
