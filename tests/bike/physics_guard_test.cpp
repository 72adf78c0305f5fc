// ODE never ends a race: bikes whose bodies are not finite or move beyond any bike are calmed
// before the world step, and a fault ODE meets inside the step leaves it with the world usable.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "bike/bike_fixture.h"
#include "bike/physics_guard.h"
#include "shell/globals.h"

namespace {

class PhysicsGuard : public BikeWorld {
protected:
    bike *b = nullptr;
    void SetUp() override
    {
        BikeWorld::SetUp();
        physics_guard_init(physics_world);
        b = make();
        bike_translate(b, 100, 20, 100);
    }
    void TearDown() override
    {
        bike_destroy(b);
        physics_guard_free(physics_world);
        BikeWorld::TearDown();
    }
};

bool all_finite(const bike *b)
{
    for (dBodyID body : b->bodies) {
        const dReal *values[6] = {dBodyGetPosition(body), dBodyGetQuaternion(body), dBodyGetLinearVel(body),
                                  dBodyGetAngularVel(body), dBodyGetForce(body), dBodyGetTorque(body)};
        for (int v = 0; v < 6; ++v)
            for (int k = 0; k < (v == 1 ? 4 : 3); ++k)
                if (!std::isfinite(values[v][k])) return false;
    }
    return true;
}

TEST_F(PhysicsGuard, BikesNotFiniteOrFlyingAreCalmedBeforeTheStep)
{
    const double nan = std::nan(""), inf = INFINITY;
    struct Case {
        const char *what;
        std::function<void(bike *)> spoil;
        int want;
        bool moved;   // re-placed rather than only stopped
    };
    const Case cases[] = {
        {"a sound bike", [](bike *) {}, 0, false},
        {"a riding speed", [](bike *x) { dBodySetLinearVel(x->bodies[BODY_FRAME], 150, -40, 0); }, 0, false},
        {"rider position not a number", [&](bike *x) { dBodySetPosition(x->bodies[BODY_RIDER], nan, 3, 100); }, 1, true},
        {"every position infinite",
         [&](bike *x) {
             for (dBodyID body : x->bodies) dBodySetPosition(body, inf, -inf, inf);
         },
         1, true},
        {"a frame at 10,000 ft/s", [](bike *x) { dBodySetLinearVel(x->bodies[BODY_FRAME], 0, 10000, 0); }, 1, false},
        {"a wheel spinning without end", [&](bike *x) { dBodySetAngularVel(x->bodies[BODY_REAR_WHEEL], inf, 0, 0); }, 1,
         false},
        {"a force not a number", [&](bike *x) { dBodyAddForce(x->bodies[BODY_SWINGARM], 0, nan, 0); }, 1, false},
        {"a torque of infinity", [&](bike *x) { dBodyAddTorque(x->bodies[BODY_FORK_LOWER], inf, 0, 0); }, 1, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        bike_reset_pose(b);
        bike_translate(b, 100, 20, 100);
        c.spoil(b);
        const dReal *frame = dBodyGetPosition(b->bodies[BODY_FRAME]);
        const double x = frame[0], z = frame[2];
        ASSERT_EQ(bike_guard_state(b), c.want);
        EXPECT_TRUE(all_finite(b));
        if (c.want && !c.moved) {
            EXPECT_EQ(dBodyGetPosition(b->bodies[BODY_FRAME])[0], x);   // stopped where it was
            EXPECT_EQ(dBodyGetLinearVel(b->bodies[BODY_FRAME])[1], 0);
        }
        if (c.moved && std::isfinite(x)) {   // upright where the frame was
            EXPECT_DOUBLE_EQ(dBodyGetPosition(b->bodies[BODY_FRAME])[0], x);
            EXPECT_DOUBLE_EQ(dBodyGetPosition(b->bodies[BODY_FRAME])[2], z);
            EXPECT_DOUBLE_EQ(dBodyGetQuaternion(b->bodies[BODY_FRAME])[0], 1);
        }
        EXPECT_EQ(physics_world_step(physics_world, tick), 1);
        EXPECT_TRUE(all_finite(b));
        EXPECT_EQ(bike_guard_state(b), 0);
    }
}

TEST_F(PhysicsGuard, AFaultInsideTheStepLeavesItAndTheWorldStepsOn)
{
    const int faults = physics_step_faults();
    // Unguarded, a spin that is not a number reaches ODE's own assertion in the step.
    dBodySetAngularVel(b->bodies[BODY_FRAME], std::nan(""), 0, 0);
    EXPECT_EQ(physics_world_step(physics_world, tick), 0);
    EXPECT_EQ(physics_step_faults(), faults + 1);
    EXPECT_EQ(bike_guard_state(b), 1);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(bike_guard_state(b), 0) << i;
        ASSERT_EQ(physics_world_step(physics_world, tick), 1) << i;
    }
    EXPECT_TRUE(all_finite(b));
    EXPECT_LT(dBodyGetPosition(b->bodies[BODY_FRAME])[1], 0);   // it fell as a bike falls
    // A second fault is left the same way; the world is then destroyed as usual (TearDown).
    dBodySetLinearVel(b->bodies[BODY_RIDER], 0, std::nan(""), 0);
    EXPECT_EQ(physics_world_step(physics_world, tick), 0);
    EXPECT_EQ(bike_guard_state(b), 1);
    EXPECT_EQ(physics_world_step(physics_world, tick), 1);
}

}   // namespace
