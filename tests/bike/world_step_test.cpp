// The world's step on bikes as the race builds them. ODE's dense solver gives up on some row
// sets (a fresh bike in the air, every joint on its stop and nothing moving) and then drops the
// constraint forces it has not reached; the step is made again with the iterative solver.
#include "ride_harness.h"

#include <cmath>
#include <gtest/gtest.h>

#include "bike/setters.h"
#include "bike/world_step.h"
#include "racing/race.h"

namespace {

float flat(int, int) { return 0; }

// Standing on its wheels with the foot down: a step whose forces were dropped lets the bike sink.
TEST(WorldStep, ABikeDroppedOntoItsWheelsStandsOnThem)
{
    for (const char *model : {"yz250f(2017)", "450sxf(2018)", "rs50cr"}) {
        SCOPED_TRACE(model);
        ride_harness h(9, 2.0f, flat);
        bike *b = h.add(model, 1024, 1024);
        bike_set_auto_dab(b, 1);
        bike_set_auto_shift(b, 1);
        float deepest = 0;
        h.run(128 * 3, [&](int) {
            for (const wheel_record &w : b->wheels) deepest = std::fmax(deepest, w.depth);
        });
        EXPECT_LT(deepest, b->info.rear_wheel.tube_radius) << "the tyres hold it up";
        EXPECT_LT(ride_speed(b), 0.25f);
        EXPECT_TRUE(ride_finite(b));
    }
}

// A fresh bike in the air stepped until the dense solver first gives up (quick < 0), or with
// the iterative solver for the tick numbered quick alone.
struct frame_pose {
    dReal position[3], quaternion[4];
    int given_up_at = -1;
};

frame_pose fresh_bike(int quick)
{
    ride_harness h(9, 2.0f, flat);
    bike *b = h.add("450sxf(2018)", 1024, 1024);
    bike_set_auto_dab(b, 1);
    frame_pose p;
    const int saved = ride_exact_step;
    for (int i = 0; i < 16 && p.given_up_at < 0; ++i) {
        const long before = world_steps.fallback;
        ride_exact_step = i != quick;
        h.tick();
        if (quick < 0 ? world_steps.fallback > before : i == quick) p.given_up_at = i;
    }
    ride_exact_step = saved;
    for (int k = 0; k < 3; ++k) p.position[k] = dBodyGetPosition(b->bodies[BODY_FRAME])[k];
    for (int k = 0; k < 4; ++k) p.quaternion[k] = dBodyGetQuaternion(b->bodies[BODY_FRAME])[k];
    return p;
}

TEST(WorldStep, AStepGivenUpStartsAgainFromTheSameState)
{
    const frame_pose exact = fresh_bike(-1);
    ASSERT_GE(exact.given_up_at, 0) << "the fresh bike no longer trips the dense solver: find another case";
    const frame_pose quick = fresh_bike(exact.given_up_at);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(exact.position[k], quick.position[k]) << k;
    for (int k = 0; k < 4; ++k) EXPECT_EQ(exact.quaternion[k], quick.quaternion[k]) << k;
}

}   // namespace
