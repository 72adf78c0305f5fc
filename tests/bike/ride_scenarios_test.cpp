// Scripted rides on generated ground: the bike as a rider would judge it.
#include "ride_harness.h"

#include <cmath>
#include <cstdio>

#include "bike/physics_step.h"
#include "bike/setters.h"
#include "racing/race.h"
#include <gtest/gtest.h>

TEST(RideScenarios, Smoke)
{
    ride_harness h(6, 1.0f, [](int, int) { return 0.0f; });
    bike *b = h.add("yz250f(2017)", 64, 64);
    h.run(256, [&](int i) {
        if (i % 16 == 0) {
            const dReal *p = dBodyGetPosition(b->bodies[BODY_FRAME]);
            printf("%d frame %.3f %.3f %.3f fork %.3f arm %.3f v %.3f\n", i, p[0], p[1], p[2],
                   dJointGetSliderPosition(b->joints[JOINT_FORK_SLIDER]), dJointGetHingeAngle(b->joints[JOINT_SWINGARM]),
                   ride_speed(b));
        }
    });
    EXPECT_TRUE(ride_finite(b));
}
