#include "bike/suspension_readout.h"

#include <gtest/gtest.h>

#include <cmath>

#include "rig_test.h"
#include "racing/race.h"
#include "shell/startup.h"

namespace {

class SuspensionReadout : public RigTest {
protected:
    // The unit slider axis (upper fork toward lower fork is -axis) in world coordinates.
    void slider_axis(double out[3]) const
    {
        dVector3 a;
        dJointGetSliderAxis(b->joints[JOINT_FORK_SLIDER], a);
        for (int k = 0; k < 3; ++k) out[k] = a[k];
    }
};

TEST(SwingarmLeverage, ValuesAndSlopes)
{
    const bike_info info = rig_info();   // break 0.75: 0.2837 there, 0.4134 at 1
    struct Case {
        float x, value, slope;
    };
    const Case cases[] = {
        {0, 0, 0.3150f},
        {0.75f, 0.2837f, 0.4605f},
        {0.75f + 1e-5f, 0.2837f, 0.4605f},   // the second segment starts where the first ends
        {1, 0.4134f, 0.6070f},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.x);
        float value, slope;
        swingarm_leverage(&info, c.x, &value, &slope);
        EXPECT_NEAR(value, c.value, 2e-5);
        EXPECT_NEAR(slope, c.slope, 2e-4);
    }
    // Between the ends the curve lies between its end values.
    float value, slope;
    swingarm_leverage(&info, 0.4f, &value, &slope);
    EXPECT_GT(value, 0);
    EXPECT_LT(value, 0.2837f);
}

TEST_F(SuspensionReadout, ForkTravelIsNotClamped)
{
    double a[3];
    slider_axis(a);
    const float *p = b->info.fork_lower_position;
    struct Case {
        float along, want;   // lower fork moved along the axis (toward the upper fork), travel
    };
    const Case cases[] = {{0, 0}, {0.4f, 0.4f}, {1.5f, 1.5f}, {-0.25f, -0.25f}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.along);
        dBodySetPosition(b->bodies[BODY_FORK_LOWER], p[0] + c.along * a[0], p[1] + c.along * a[1],
                         p[2] + c.along * a[2]);
        float travel, speed, factor;
        bike_get_fork_telemetry(b, &travel, &speed, &factor);
        EXPECT_NEAR(travel, c.want, 1e-5);
    }
}

TEST_F(SuspensionReadout, ForkDampingFactor)
{
    double a[3];
    slider_axis(a);
    struct Case {
        const char *what;
        bike_suspension fork;
        float speed, want;    // slider rate, positive extending
    };
    const Case cases[] = {
        {"at rest on the default setup", {60, 0, 32, 0, 600, 0, 0}, 0, 0},
        {"rebound", {60, 60, 32, 30, 600, 0, 0}, 2, 30.0f / (30 + 64)},
        {"compression", {60, 60, 32, 30, 600, 0, 0}, -2, 60.0f / (60 + 120)},
        {"at rest with offsets", {60, 60, 32, 30, 600, 0, 0}, 0, 1},
        {"a negative offset cancelling the speed", {30, -60, 32, 30, 600, 0, 0}, -2, 0},
        {"a negative offset", {30, -30, 32, 30, 600, 0, 0}, -2, -30.0f / (-30 + 60)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        b->fork = c.fork;
        // The slider reads the upper fork's motion along the axis relative to the lower fork's.
        dBodySetLinearVel(b->bodies[BODY_FORK_LOWER], -c.speed * a[0], -c.speed * a[1], -c.speed * a[2]);
        float travel, speed, factor;
        bike_get_fork_telemetry(b, &travel, &speed, &factor);
        EXPECT_NEAR(speed, c.speed, 1e-5);
        EXPECT_TRUE(std::isfinite(factor));
        EXPECT_NEAR(factor, c.want, 1e-5);
    }
}

TEST_F(SuspensionReadout, SwingarmTravelIsClamped)
{
    struct Case {
        float angle, rate, want_travel;
    };
    const float max = b->info.swingarm_angle_max;
    const Case cases[] = {
        {0, 2, 0},
        {-0.2f, 0.5f, 0.2f / max},
        {-max, -1, 1},
        {-0.8f, 0, 1},       // past the stop
        {0.1f, 0, 0},        // extended past rest
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.angle);
        rig_pose_swingarm(&r, c.angle);
        dBodySetAngularVel(b->bodies[BODY_SWINGARM], c.rate, 0, 0);
        ASSERT_NEAR(dJointGetHingeAngleRate(b->joints[JOINT_SWINGARM]), c.rate, 1e-6);
        float travel, speed, factor;
        bike_get_swingarm_telemetry(b, &travel, &speed, &factor);
        EXPECT_NEAR(travel, c.want_travel, 1e-5);
        float value, slope;
        swingarm_leverage(&b->info, c.want_travel, &value, &slope);
        EXPECT_NEAR(speed, c.rate * slope, 1e-5);
        EXPECT_TRUE(std::isfinite(factor));
    }
}

// Forces written by hand into the front axle's feedback: the frame gets their negated sum,
// the torque taken about the frame's position.
TEST_F(SuspensionReadout, RelayNegatesTheJointForces)
{
    tick_count = 5;
    dJointFeedback &fb = b->feedback[JOINT_FRONT_AXLE];
    fb = {};
    fb.f1[1] = 10;     // on the lower fork at (0, 1.77, 1.59)
    fb.f2[1] = -4;     // on the front wheel at (0, 1.09, 1.11)
    fb.t1[0] = 1;
    for (int j = 1; j < BIKE_JOINTS; ++j) b->feedback[j] = {};
    clear_accumulators();
    bike_relay_joint_forces(b);
    const dReal *f = dBodyGetForce(b->bodies[BODY_FRAME]), *t = dBodyGetTorque(b->bodies[BODY_FRAME]);
    // Frame at (0, 1.98, 3.6): (0, -0.21, -2.01) × (0, 10, 0) + (0, -0.89, -2.49) × (0, -4, 0)
    // + (1, 0, 0) = (20.1 - 9.96 + 1, 0, 0).
    EXPECT_NEAR(f[0], 0, 1e-6);
    EXPECT_NEAR(f[1], -6, 1e-5);
    EXPECT_NEAR(f[2], 0, 1e-6);
    EXPECT_NEAR(t[0], -11.14, 1e-4);
    EXPECT_NEAR(t[1], 0, 1e-6);
    EXPECT_NEAR(t[2], 0, 1e-6);
}

TEST_F(SuspensionReadout, RelayNeedsTickTwoTheRiderAndEveryBody)
{
    b->feedback[JOINT_FRONT_AXLE].f1[1] = 10;
    struct Case {
        const char *what;
        int tick, crash;
        bool detach_swingarm;
        bool applies;
    };
    const Case cases[] = {
        {"riding", 2, 0, false, true},
        {"at tick 1", 1, 0, false, false},
        {"crashed", 2, 1, false, false},
        {"a joint lacking a body", 2, 0, true, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        tick_count = c.tick;
        b->crash_counter = c.crash;
        dJointID arm = b->joints[JOINT_SWINGARM];
        dJointAttach(arm, b->bodies[BODY_SWINGARM], c.detach_swingarm ? nullptr : b->bodies[BODY_FRAME]);
        clear_accumulators();
        bike_relay_joint_forces(b);
        EXPECT_EQ(dBodyGetForce(b->bodies[BODY_FRAME])[1] != 0, c.applies);
    }
}

// After a world step with the frame held and everything hanging from it, every joint carries
// load, and what the joints do to the bodies they join cancels: the relay adds next to nothing.
TEST_F(SuspensionReadout, RelayAfterAWorldStep)
{
    dJointID hold = dJointCreateFixed(physics_world, nullptr);
    dJointAttach(hold, b->bodies[BODY_FRAME], nullptr);
    dJointSetFixed(hold);
    rig_world_step(&r);
    double carried = 0;
    for (const dJointFeedback &fb : b->feedback) carried += std::fabs(fb.f1[1]);
    EXPECT_GT(carried, 10);
    tick_count = 3;
    clear_accumulators();
    bike_relay_joint_forces(b);
    const dReal *f = dBodyGetForce(b->bodies[BODY_FRAME]), *t = dBodyGetTorque(b->bodies[BODY_FRAME]);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(f[k], 0, 1e-3 * carried);
        EXPECT_NEAR(t[k], 0, 1e-2 * carried);
    }
    dJointDestroy(hold);
}

}  // namespace
