// The dab's roll push and the auto-align turn, on a bike posed by hand with both wheels down.
#include "ride_harness.h"

#include <cmath>
#include <gtest/gtest.h>

#include "bike/bike_create.h"
#include "bike/dab.h"
#include "bike/setters.h"
#include "bike/small_ops.h"
#include "bike/steering.h"
#include "racing/race.h"
#include "shell/globals.h"
#include "shell/startup.h"
#include "terrain/timing_gates.h"

namespace {

const float pi = 3.14159265358979f;

struct Dab : ::testing::Test {
    ride_harness h{5, 1.0f, [](int, int) { return 0.0f; }};
    bike *b = nullptr;

    void SetUp() override
    {
        b = h.add(nullptr, 32, 32);
        bike_set_auto_align(b, 0);
    }
    // The bike leaning by lean (positive to the left) at speed v along -z, dab held, both
    // wheels down; returns the world force the dab step put on the frame.
    void pose(float lean, float v)
    {
        bike_reset_pose(b);
        bike_rotate(b, 0, 0, 1, lean);
        for (dBodyID body : b->bodies) {
            dBodySetLinearVel(body, 0, 0, -v);
            dBodySetForce(body, 0, 0, 0);
        }
        for (wheel_record &w : b->wheels) w.depth = 0.05f;
        b->input.dab = 1;
        dJointGroupEmpty(contact_group);
    }
    void force(float out[3])
    {
        const dReal *f = dBodyGetForce(b->bodies[BODY_FRAME]);
        for (int k = 0; k < 3; ++k) out[k] = (float)f[k];
    }
    float frame_motor_rate()
    {
        dBodyID frame = b->bodies[BODY_FRAME];
        for (int i = 0; i < dBodyGetNumJoints(frame); ++i) {
            dJointID j = dBodyGetJoint(frame, i);
            if (dJointGetType(j) == dJointTypeAMotor) return (float)dJointGetAMotorParam(j, dParamVel);
        }
        return NAN;
    }
};

TEST_F(Dab, RollPushByLeanAndSteer)
{
    struct Case { float lean, steer, push; const char *why; };
    const Case cases[] = {
        {0, 0, 0, "upright: nothing to push"},
        {pi / 64, 1, 200, "below pi/32 the push fades linearly"},
        {pi / 128, 1, 100, ""},
        {pi / 64, 0, 200 * (pi / 64) / 0.25f, "at rest the lean limit is 0: the fade by lean alone"},
        {pi / 64, -1, 200 * (pi / 64) / 0.25f, "steering away from the lean does not keep it"},
        {0.3f, 0, 400, "past the fade: the full push"},
        {-0.3f, -1, -400, "the other side"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.why);
        SCOPED_TRACE(c.lean);
        pose(c.lean, 0);
        ASSERT_NEAR(bike_get_lean_angle(b->bodies[BODY_FRAME]), c.lean, 1e-4);
        b->input.steer = c.steer;
        bike_dab_step(b);
        float f[3];
        force(f);
        // (F, 0, 0) along the frame's side plus |F|/8 straight up.
        EXPECT_NEAR(f[0] / std::cos(c.lean), c.push, 0.5f);
        EXPECT_NEAR(f[1], std::fabs(c.push) / 8 + c.push * std::sin(c.lean), 0.5f);
    }
}

TEST_F(Dab, BikeLyingDownIsLiftedStraightUp)
{
    pose(1.0f, 0);
    bike_dab_step(b);
    float f[3];
    force(f);
    EXPECT_NEAR(f[0], 0, 1e-3);
    EXPECT_NEAR(f[1], 400, 1e-3);
    // The lift acts 4 ft up the frame: it turns the bike back toward upright.
    const dReal *t = dBodyGetTorque(b->bodies[BODY_FRAME]);
    EXPECT_LT(t[2], 0);
}

TEST_F(Dab, FastBikeNeedsBothWheelsAndADeepLean)
{
    bike_set_max_dab_speed(b, 40);
    struct Case { float lean; float rear_depth; bool pushes; };
    const Case cases[] = {
        {0.3f, 0.05f, false},    // below 3 pi / 16
        {0.7f, 0.05f, true},
        {0.7f, 0, false},        // rear wheel in the air
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.lean);
        pose(c.lean, 20);
        b->wheels[WHEEL_REAR].depth = c.rear_depth;
        b->input.steer = 1;   // into the lean: no fade
        lock_nearness = 1;
        bike_dab_step(b);
        float f[3];
        force(f);
        EXPECT_EQ(f[1] != 0, c.pushes);
    }
}

struct AutoAlign : Dab {
    timing_gate two[2] = {};
    int order[2] = {0, 1};
    void SetUp() override
    {
        Dab::SetUp();
        gates = two;
        gate_count = 2;
        lap_list = order;
        first_lap_count = 2;
        normal_lap_count = 0;
        race_start_tick = tick_count - 100;
    }
    void TearDown() override
    {
        gates = nullptr;
        gate_count = 0;
        lap_list = nullptr;
        first_lap_count = 0;
        Dab::TearDown();
    }
};

TEST_F(AutoAlign, TurnsASlowBikeTowardTheNextGate)
{
    for (float side : {1.0f, -1.0f}) {
        SCOPED_TRACE(side);
        // Leaning 30 degrees toward the gate: a lean to the right is negative.
        pose(-side * pi / 6, 1);
        bike_set_auto_align(b, 1);
        bike_set_gate_index(b, 1);
        const dReal *p = dBodyGetPosition(b->bodies[BODY_FRAME]);
        two[1].centre[0] = (float)p[0] + 30 * side;
        two[1].centre[2] = (float)p[2];
        float aim[3];
        bike_aim_point(b, 0, aim);
        EXPECT_EQ(aim[0], two[1].centre[0]);

        bike_dab_step(b);
        const float rate = frame_motor_rate();
        EXPECT_NEAR(rate, -side * pi / 2, 1e-5) << "a gate on the right turns the bike clockwise from above";
        // Both wheels are lifted off the ground to let it turn.
        EXPECT_NEAR(dBodyGetForce(b->wheels[0].body)[1], 32 * b->total_mass, 1e-3);

        dWorldStep(physics_world, tick);
        EXPECT_LT(dBodyGetAngularVel(b->bodies[BODY_FRAME])[1] * side, 0);
    }

    // Before the first gate, or upright, nothing turns it.
    pose(-pi / 6, 1);
    bike_set_gate_index(b, 0);
    bike_dab_step(b);
    EXPECT_TRUE(std::isnan(frame_motor_rate()));
}

}   // namespace
