#include "bike/steering.h"

#include <gtest/gtest.h>

#include <cmath>

#include "rig_test.h"
#include "terrain/field.h"

namespace {

const float pi = 3.14159265358979f;

class Steering : public RigTest {
protected:
    // The unit steering axis in world coordinates.
    void axis(double out[3]) const
    {
        dVector3 a;
        dJointGetHingeAxis(b->joints[JOINT_STEERING], a);
        for (int k = 0; k < 3; ++k) out[k] = a[k];
    }
    // The steering torque the last step put on the front wheel, about the steering axis.
    double steering_torque() const
    {
        double a[3];
        axis(a);
        const dReal *t = dBodyGetTorque(b->bodies[BODY_FRONT_WHEEL]);
        return t[0] * a[0] + t[1] * a[1] + t[2] * a[2];
    }
    // Riding on the ground: the front wheel touching and rolling at rate rad/s.
    void roll_front(float rate)
    {
        rig_wheel_contact(&r, WHEEL_FRONT, true, 0);
        dBodySetAngularVel(b->bodies[BODY_FRONT_WHEEL], -rate, 0, 0);
    }
};

TEST_F(Steering, FrontSlipAngle)
{
    struct Case {
        const char *what;
        float vx, vz, want;
    };
    const Case cases[] = {
        {"straight ahead", 0, -10, 0},
        {"drifting right", 3, -10, -0.3241540f},
        {"drifting left", -3, -10, 0.3241540f},
        {"rolling backward", 3, 10, -2.8174387f},
        {"slow: 1 ft/s sideways", 1, 0, 0},
        {"slow: under 1 ft/s", 0.7f, -0.7f, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        dBodySetLinearVel(b->bodies[BODY_FRONT_WHEEL], c.vx, 0, c.vz);
        EXPECT_NEAR(bike_get_front_slip_angle(b), c.want, 1e-5);
    }
}

TEST_F(Steering, SteerTowardAngle)
{
    struct Case {
        const char *what;
        float target, rate, want;
    };
    const Case cases[] = {
        {"far left: full", -0.5f, 0, -0.6666667f},
        {"far right: full", 0.5f, 0, 0.6666667f},
        {"right band", 0.1f, 0, 0.2747917f},
        {"left band", -0.1f, 0, -0.2747917f},
        {"inside the band: damping only", 0.02f, 0, 0},
        {"inside the dead band", 0.03125f + 0.00005f, 0, 0},
        {"damping the bars' rate", 0, 0.5f, -0.2497917f},
        {"left band against the rate", -0.2f, -1, -0.1747917f},
        {"far left while turning right", -0.3f, 1, -0.6666667f},
    };
    double a[3];
    axis(a);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        // The hinge reads the upper fork's spin about the axis relative to the frame's.
        dBodySetAngularVel(b->bodies[BODY_FORK_UPPER], c.rate * a[0], c.rate * a[1], c.rate * a[2]);
        ASSERT_NEAR(dJointGetHingeAngleRate(b->joints[JOINT_STEERING]), c.rate, 1e-6);
        EXPECT_NEAR(bike_steer_toward_angle(b, c.target), c.want, 1e-6);
    }
}

TEST_F(Steering, Lock)
{
    struct Case {
        const char *what;
        float full_speed, restricted_speed, restricted_lock, w, mu, want;
    };
    const Case cases[] = {
        {"fast on grip", 5, 50, 0.05f, 100, 1, 0.05f},
        {"fast on friction 0.125: 8 x", 5, 50, 0.05f, 100, 0.125f, 0.4f},
        {"friction below 0.125 counts as 0.125", 5, 50, 0.05f, 100, 0.05f, 0.4f},
        {"8 x at most π/4", 5, 50, 0.15f, 100, 0.125f, pi / 4},
        {"full lock at full-lock speed", 5, 50, 0.05f, 5, 1, pi / 4},
        {"full lock when slower", 5, 50, 0.05f, 0.2f, 1, pi / 4},
        {"linear in 1/speed", 5, 50, 0.05f, 10, 1, 0.3768436f},
        {"restricted speed not above full: fades over 1 ft/s", 5, 5, 0.05f, 5.5f, 1, 0.3842719f},
        {"... gone 1 ft/s above full", 5, 5, 0.05f, 6, 1, 0.05f},
        {"a lock of 0", 5, 50, 0, 100, 1, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        b->tuning.full_lock_speed = c.full_speed;
        b->tuning.restricted_lock_speed = c.restricted_speed;
        b->tuning.restricted_lock = c.restricted_lock;
        EXPECT_NEAR(bike_steering_lock(b, c.w, c.mu), c.want, 1e-6);
    }
}

TEST_F(Steering, FrictionOfTheTileUnderTheFrontWheel)
{
    // Tile cells are 4 ft; the wheel's cell is rounded to the nearest, not truncated.
    r.ground->tilemap[1 * 4 + 0] = 1;
    r.ground->friction[1][0] = 0.3f;
    rig_set_friction(&r, 0.6f);
    struct Case {
        float x, z, want;
    };
    const Case cases[] = {
        {0, 1.9f, 0.6f}, {0, 2.1f, 0.3f}, {0, 5.9f, 0.3f}, {-40, 2.5f, 0.3f}, {0, -100, 0.6f},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.z);
        dBodySetPosition(b->bodies[BODY_FRONT_WHEEL], c.x, 1, c.z);
        EXPECT_FLOAT_EQ(bike_front_friction(b), c.want);
    }
    rig_set_friction(&r, 0.01f);
    dBodySetPosition(b->bodies[BODY_FRONT_WHEEL], 0, 1, 0);
    EXPECT_FLOAT_EQ(bike_front_friction(b), 0.125f);
}

TEST_F(Steering, TorqueIsEqualAndOppositeAboutTheSteeringAxis)
{
    // Turned and leaned, the axis still goes with the frame.
    dMatrix3 rot;
    dRFromEulerAngles(rot, 0.3, -0.8, 0.2);
    for (dBodyID body : b->bodies) dBodySetRotation(body, rot);
    bike_apply_steering_torque(b, 12.5f);
    const float *u = b->info.fork_upper_position, *l = b->info.fork_lower_position;
    dVector3 s;
    dBodyVectorToWorld(b->bodies[BODY_FRAME], u[0] - l[0], u[1] - l[1], u[2] - l[2], s);
    double len = std::sqrt(s[0] * s[0] + s[1] * s[1] + s[2] * s[2]);
    const dReal *front = dBodyGetTorque(b->bodies[BODY_FRONT_WHEEL]);
    const dReal *frame = dBodyGetTorque(b->bodies[BODY_FRAME]);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(front[k], 12.5 * s[k] / len, 1e-5);
        EXPECT_NEAR(frame[k], -front[k], 1e-9);
    }
}

TEST_F(Steering, TorqueOnTheGround)
{
    // Upright on flat ground, the front wheel rolling at 10 rad/s (11.7 ft/s) with no slide,
    // the frame rolling at ω.z: roll damping 60, steering strength 40, landing multiplier 1.
    struct Case {
        const char *what;
        float roll_rate, steer, direct, bump, want;
    };
    const Case cases[] = {
        {"roll damping and the steer input", 0.5f, 0.5f, 1, 0, (30 + 20) * 1.5f},
        {"right after a hit: the steer input alone", 0.5f, 0.5f, 1, 128, 20 * 1.5f},
        {"long after a hit: roll torque under the cap", 0.5f, 0.5f, 1, 64, (30 + 20) * 1.5f},
        {"half way: capped at 100", 4, 0, 1, 64, 100 * 1.5f},
        {"bounded by max steering force", 4, 1, 1, 0, 300},
        {"indirect: toward the target roll rate", 0, 1, 0, 0, 40 * 1.5f},
        {"indirect, already rolling faster", -2, 1, 0, 0, (-120 - 20) * 1.5f},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        rig_rest(&r);
        clear_accumulators();
        roll_front(10);
        dBodySetAngularVel(b->bodies[BODY_FRAME], 0, 0, c.roll_rate);
        b->input.steer = c.steer;
        b->tuning.direct_steering = c.direct;
        b->bump_timer = c.bump;
        bike_steering_step(b);
        EXPECT_NEAR(steering_torque(), c.want, 1e-3);
    }
}

TEST_F(Steering, InTheAir)
{
    b->input.steer = 0.5f;
    rig_wheel_contact(&r, WHEEL_FRONT, false, 0);
    bike_steering_step(b);
    EXPECT_NEAR(steering_torque(), 20 * 1.5f, 1e-4);   // bars straight: the steer input alone
    EXPECT_EQ(b->land_damping, b->tuning.land_damping_factor);

    clear_accumulators();
    b->option_flags &= ~OPTION_BIT0;
    bike_steering_step(b);
    EXPECT_NEAR(steering_torque(), 0, 1e-6);

    // On the ground again the first roll damping is doubled, and the multiplier falls back to
    // 1 over land_damping_falloff seconds (at once when that is 0).
    clear_accumulators();
    b->input.steer = 0;
    roll_front(10);
    dBodySetAngularVel(b->bodies[BODY_FRAME], 0, 0, 0.5f);
    bike_steering_step(b);
    EXPECT_NEAR(steering_torque(), 0.5 * 60 * 2 * 1.5, 1e-3);
    EXPECT_NEAR(b->land_damping, 2 - 1.0 / 128 / 0.25, 1e-6);
    b->tuning.land_damping_falloff = 0;
    bike_steering_step(b);
    EXPECT_EQ(b->land_damping, 1);
}

TEST_F(Steering, SlideBeyondTheLockNearTheGround)
{
    // Rolling fast on grip the lock is 0.05 rad; a slide of 0.324 rad is past 1.125 × lock +
    // 0.015, so the bound against the slide is a quarter of the force (75). Lifted 0.3 ft the
    // limit widens to 0.38 rad and the slide is within it.
    struct Case {
        const char *what;
        float vx, lift, want;
    };
    const Case cases[] = {
        {"sliding left", -3, 0, 75},
        {"sliding right", 3, 0, -75},
        {"lifted", -3, 0.3f, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        rig_rest(&r);
        clear_accumulators();
        roll_front(100);
        const float *p = b->info.front_wheel.center;
        dBodySetPosition(b->bodies[BODY_FRONT_WHEEL], p[0], p[1] + c.lift, p[2]);
        dBodySetLinearVel(b->bodies[BODY_FRONT_WHEEL], c.vx, 0, -10);
        bike_steering_step(b);
        EXPECT_NEAR(steering_torque(), c.want, 1e-3);
    }
}

TEST_F(Steering, CrashedRiderGetsNoTorque)
{
    roll_front(10);
    dBodySetAngularVel(b->bodies[BODY_FRAME], 0, 0, 0.5f);
    b->input.steer = 1;
    lock_nearness = 0.7f;
    b->crash_counter = 300;
    bike_steering_step(b);
    EXPECT_EQ(lock_nearness, 0);
    for (dBodyID body : b->bodies) {
        const dReal *t = dBodyGetTorque(body);
        EXPECT_EQ(t[0] * t[0] + t[1] * t[1] + t[2] * t[2], 0);
    }
}

TEST_F(Steering, LockNearness)
{
    // Fast (r = 1): a0 = lock/4, a1 = 3 lock/4. Upright counts as leaning right (λ >= 0), where
    // the front wheel sliding out to the right (φ < 0) nears the lock.
    struct Case {
        const char *what;
        float restricted_lock, vx, want;
    };
    const Case cases[] = {
        {"sliding right past the lock", 0.3f, 3, 1},
        {"sliding right, part way", 0.6f, 3, (0.3241540f - 0.15f) / 0.3f},
        {"sliding left: away from the lock", 0.3f, -3, 0},
        {"a lock of 0, sliding right", 0, 3, 1},
        {"a lock of 0, sliding left", 0, -3, 0},
        {"a lock of 0, no slide", 0, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        rig_rest(&r);
        roll_front(100);
        b->tuning.restricted_lock = c.restricted_lock;
        dBodySetLinearVel(b->bodies[BODY_FRONT_WHEEL], c.vx, 0, -10);
        bike_steering_step(b);
        ASSERT_TRUE(std::isfinite(lock_nearness));
        EXPECT_NEAR(lock_nearness, c.want, 1e-5);
    }
}

}  // namespace
