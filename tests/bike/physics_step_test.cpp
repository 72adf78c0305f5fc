// The physics step's pieces on a bike standing on flat generated dirt, ridden through the harness
// or stepped alone where one tick's settings are the point.
#include "ride_harness.h"

#include <cmath>
#include <gtest/gtest.h>

#include "bike/anchors.h"
#include "bike/physics_step.h"
#include "bike/setters.h"
#include "racing/race.h"
#include "shell/globals.h"
#include "shell/startup.h"

namespace {

const float pi = 3.14159265358979f;

struct PhysicsStep : ::testing::Test {
    ride_harness h{5, 1.0f, [](int, int) { return 0.0f; }};
    bike *b = nullptr;

    void SetUp() override
    {
        b = h.add(nullptr, 32, 32);
        h.run(128);   // settled on its wheels
    }
    // The velocity of the one angular motor on the frame this tick, or NAN without one.
    float frame_motor_rate()
    {
        dBodyID frame = b->bodies[BODY_FRAME];
        for (int i = 0; i < dBodyGetNumJoints(frame); ++i) {
            dJointID j = dBodyGetJoint(frame, i);
            if (dJointGetType(j) == dJointTypeAMotor) return (float)dJointGetAMotorParam(j, dParamVel);
        }
        return NAN;
    }
    int contacts_on(dBodyID body)
    {
        int n = 0;
        for (int i = 0; i < dBodyGetNumJoints(body); ++i) n += dJointGetType(dBodyGetJoint(body, i)) == dJointTypeContact;
        return n;
    }
    // One physics step alone at a tick, on an empty contact group.
    void step_at(int tick)
    {
        dJointGroupEmpty(contact_group);
        tick_count = tick;
        bike_physics_step(b);
    }
};

TEST_F(PhysicsStep, BikeNotSimulatedOnlyMovesItsAnchors)
{
    b->simulated_weight = 0.25f;
    b->bump_timer = 5;
    b->input.foot_down = 0.5f;
    bike_translate(b, 1, 0, 0);
    step_at(tick_count + 1);
    EXPECT_EQ(b->bump_timer, 5);
    EXPECT_EQ(contacts_on(b->bodies[BODY_RIDER]), 0);
    EXPECT_FLOAT_EQ(b->input.foot_down, 0.5f - 4 * (float)tick);
    float left[3], right[3];
    bike_get_rider_anchors(b, left, nullptr, right, nullptr);
    for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(b->anchors.foot[0][k], left[k]);

    b->simulated_weight = 0.26f;
    EXPECT_EQ(bike_is_simulated(b), 1);
    step_at(tick_count + 1);
    EXPECT_EQ(b->bump_timer, 4);
}

TEST_F(PhysicsStep, StandingStillAfterTheStartIsAMishap)
{
    race_start_tick = 5000;
    step_at(5000 + 256);   // exactly 2 s
    EXPECT_EQ(b->mishap_flag, 0);
    step_at(5000 + 257);
    EXPECT_EQ(b->mishap_flag, 1);
}

TEST_F(PhysicsStep, BackUpPulsesEvery128TicksAfterTheFirstOnes)
{
    race_start_tick = 1200;   // pulses from tick 1280 on; before, only while bits 7 and 8 are clear
    b->input.back_up = 1;
    b->input.steer = 1;
    auto pulse = [&](int t) {
        step_at(t);
        return -frame_motor_rate() * 2 / pi;   // the motor turns at -steer x s x pi/2
    };
    auto shape = [](int t) { return (1 - std::cos((float)(t & 127) * 2 * pi / 127)) / 2; };
    struct Case { int tick; bool held_back; };
    const Case cases[] = {
        {1100, false},   // 1100 & 0x180 == 0
        {1180, true},    // bit 7
        {1279, true},
        {1280, false},
        {1343, false},   // the pulse's top
        {1471, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tick);
        EXPECT_NEAR(pulse(c.tick), c.held_back ? 0 : shape(c.tick), 1e-5);
        EXPECT_EQ(b->input.dab, 0) << "the dab is for this tick only";
    }
    EXPECT_NEAR(pulse(1343), pulse(1343 + 128), 1e-6);
    EXPECT_NEAR(pulse(1344), 0.99985f, 1e-3);
}

TEST_F(PhysicsStep, AutoDabHoldsASlowBikeAndGivesTheInputsBack)
{
    bike_set_auto_dab(b, 1);
    b->input.front_brake = 0;
    b->input.rear_brake = 0.5f;
    for (dBodyID body : b->bodies) dBodySetLinearVel(body, 0, 0, -3);
    ASSERT_GT(b->wheels[0].depth, 0);
    ASSERT_GT(b->wheels[1].depth, 0);
    dBodySetForce(b->bodies[BODY_FRAME], 0, 0, 0);
    const float before = b->input.foot_down;
    step_at(tick_count + 1);
    EXPECT_FLOAT_EQ(dJointGetHingeParam(b->joints[JOINT_FRONT_AXLE], dParamFMax), b->tuning.front_brake_torque);
    EXPECT_FLOAT_EQ(dJointGetHingeParam(b->joints[JOINT_REAR_AXLE], dParamFMax), b->tuning.rear_brake_torque);
    EXPECT_GT(b->input.foot_down, before - 4 * (float)tick) << "the foot went down";
    EXPECT_EQ(b->input.front_brake, 0);
    EXPECT_EQ(b->input.rear_brake, 0.5f);
    EXPECT_EQ(b->input.dab, 0);

    // Moving faster than the hold: the rider's own brakes.
    for (dBodyID body : b->bodies) dBodySetLinearVel(body, 0, 0, -40);
    step_at(tick_count + 1);
    EXPECT_FLOAT_EQ(dJointGetHingeParam(b->joints[JOINT_REAR_AXLE], dParamFMax), 0.5f * b->tuning.rear_brake_torque);
}

TEST_F(PhysicsStep, ForkAndShockForces)
{
    b->fork = {60, 0, 32, 0, 600, 0.04f, 0.25f};
    b->shock = {1600, 0, 1300, 150, 3800, 0.17f, 0};
    // Full extension carries nothing whatever the spring.
    EXPECT_EQ(bike_fork_force(b, 0, 0), 0);
    EXPECT_EQ(bike_shock_force(b, 0, 0), 0);
    // At rest, half way: air 82.46 ((1.25 / 0.75)^1.4 - 1) plus 600 x 0.54.
    EXPECT_NEAR(bike_fork_force(b, -0.5f, 0), 82.4616928f * (std::pow(1.25f / 0.75f, 1.4f) - 1) + 324, 0.01);
    // Bottomed: the air spring is at its stiffest.
    EXPECT_NEAR(bike_fork_force(b, -1, 0), 82.4616928f * (std::pow(5.0f, 1.4f) - 1) + 624, 0.01);
    // Damping: compressing adds, rebounding takes away, the low-speed part held within 8x.
    EXPECT_NEAR(bike_fork_force(b, -0.5f, -1) - bike_fork_force(b, -0.5f, 0), 60, 1e-3);
    EXPECT_NEAR(bike_fork_force(b, -0.5f, 1) - bike_fork_force(b, -0.5f, 0), -32, 1e-3);
    b->fork.slow_compression = 1000;
    EXPECT_NEAR(bike_fork_force(b, -0.5f, -0.1f) - bike_fork_force(b, -0.5f, 0), 48, 1e-3);
    // Without air length the bottomed fork stays finite.
    b->fork.oil_level = 0;
    EXPECT_TRUE(std::isfinite(bike_fork_force(b, -1, -5)));

    const float max = b->info.swingarm_angle_max;
    const float rest = bike_shock_force(b, -0.3f * max, 0), bottom = bike_shock_force(b, -max, 0);
    EXPECT_GT(rest, 0);
    EXPECT_GT(bottom, rest);
    EXPECT_GT(bike_shock_force(b, -0.3f * max, -1), rest) << "compression damping";

    // The step hands the fork's force to its slider motor, pushing out.
    step_at(tick_count + 1);
    dJointID fork = b->joints[JOINT_FORK_SLIDER];
    EXPECT_EQ(dJointGetSliderParam(fork, dParamVel), 100);
    EXPECT_NEAR(dJointGetSliderParam(fork, dParamFMax),
                bike_fork_force(b, (float)dJointGetSliderPosition(fork), (float)dJointGetSliderPositionRate(fork)),
                1e-3);
}

TEST_F(PhysicsStep, RiderSpringsStiffenOutsideTheirBands)
{
    bike_set_rider_springs(b, 0, 0);
    bike_set_rider_dampers(b, 0, 0);
    b->rider_forward_spring = b->rider_vertical_spring = b->rider_vertical_damping = 0;
    struct Case { float dy, dz; int contacts; };
    const Case cases[] = {
        {0, 0, 0},        // at rest: no spring set, nothing pulls
        {0, -1, 1},       // 1 ft ahead: the fore-aft band
        {0, -0.5f, 1},    // inside the band the error alone pulls
        {0.6f, 0, 1},     // raised, inside the vertical band: only the fore-aft error
        {0.8f, 0, 2},     // raised beyond 0.75: the vertical band too
        {-0.6f, 0, 2},    // lowered beyond 0.5
        {-0.4f, 0, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.dy << " " << c.dz);
        bike_reset_pose(b);
        const dReal *p = dBodyGetPosition(b->bodies[BODY_RIDER]);
        dBodySetPosition(b->bodies[BODY_RIDER], p[0], p[1] + c.dy, p[2] + c.dz);
        step_at(tick_count + 1);
        EXPECT_EQ(contacts_on(b->bodies[BODY_RIDER]), c.contacts);
    }

}

TEST_F(PhysicsStep, SoftTetherPullsOnlyWhenStretched)
{
    dBodyID frame = b->bodies[BODY_FRAME], rider = b->bodies[BODY_RIDER];
    const float origin[3] = {0, 0, 0};
    dJointGroupEmpty(contact_group);
    const int before = contacts_on(rider);
    bike_soft_tether(frame, origin, rider, origin, 100);
    EXPECT_EQ(contacts_on(rider), before);
    bike_soft_tether(frame, origin, rider, origin, 0.5f);
    EXPECT_EQ(contacts_on(rider), before + 1);
}

// A spring at its rest length makes no row: the dense solver gives up on a contact that sits
// exactly on its bound with nothing moving.
TEST_F(PhysicsStep, SoftContactOnlyWithDepth)
{
    dBodyID frame = b->bodies[BODY_FRAME], rider = b->bodies[BODY_RIDER];
    const float at[3] = {0, 0, 0}, up[3] = {0, 1, 0};
    const struct { float depth; int made; } cases[] = {{-0.1f, 0}, {0, 0}, {1e-4f, 1}, {0.5f, 1}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.depth);
        dJointGroupEmpty(contact_group);
        bike_soft_contact(rider, frame, at, up, c.depth, 600, 0);
        EXPECT_EQ(contacts_on(rider), c.made);
    }
}

}   // namespace
