#include "bike/drivetrain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "rig_test.h"
#include "racing/race.h"
#include "shell/globals.h"
#include "shell/startup.h"

namespace {

const float pi = 3.14159265358979f;
const float rpm_per_rad = 9.549296585513721f;

class Drivetrain : public RigTest {
protected:
    void set_rpm(float rpm) { b->engine_speed = rpm / rpm_per_rad; }
    float gearing() const
    {
        return b->info.primary_ratio * b->info.gear_ratios[b->gear] * b->final_drive;
    }
    float rear_rate() const { return (float)dJointGetHingeAngleRate(b->joints[JOINT_REAR_AXLE]); }
    float rear_angle() const { return (float)dJointGetHingeAngle(b->joints[JOINT_REAR_AXLE]); }
    // The clutch torque passed to the rear wheel in the last step (its accumulator is -τ on x).
    float clutch_torque() const { return -(float)dBodyGetTorque(b->bodies[BODY_REAR_WHEEL])[0]; }
};

TEST_F(Drivetrain, RearAxleRatePositiveRollingForward)
{
    rig_spin_rear(&r, 12);
    EXPECT_NEAR(rear_rate(), 12, 1e-5);
}

TEST_F(Drivetrain, EngineTorque)
{
    struct Case {
        const char *what;
        float rpm, throttle;
        int mode;                   // stop-wheelies mode
        bool front_down, rear_down;
        float pitch_rate;           // frame angular velocity about its x axis
        float want;
    };
    const Case cases[] = {
        {"beyond the last point", 30000, 1, 0, true, true, 0, -160},
        {"last point exactly", 24500, 1, 0, true, true, 0, -160},
        {"negative speed reads the first point", -700, 1, 0, true, true, 0, 10},
        {"closed throttle at rest", 0, 0, 0, true, true, 0, 2},
        {"engine braking above idle", 5000, 0, 0, true, true, 0, -3},
        {"between points, half throttle", 1250, 0.5f, 0, true, true, 0, 6.9375f},
        {"wheelie cut", 5000, 1, 1, false, true, 0, 0},
        {"cut keeps engine braking", 5000, 0, 1, false, true, 0, -3},
        {"cut by mode 3 too", 5000, 1, 3, false, true, 0, 0},
        {"mode 2 alone does not cut", 5000, 1, 2, false, true, 0, 22.5f},
        {"front wheel down", 5000, 1, 1, true, true, 0, 22.5f},
        {"rear wheel up as well", 5000, 1, 1, false, false, 0, 22.5f},
        {"already coming down", 5000, 1, 1, false, true, -0.05f, 22.5f},
        {"slowly pitching down still cut", 5000, 1, 1, false, true, -0.03f, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        set_rpm(c.rpm);
        b->input.throttle = c.throttle;
        b->option_flags = (unsigned char)(OPTION_BIT0 | c.mode << 1);
        rig_wheel_contact(&r, WHEEL_FRONT, c.front_down, 0);
        rig_wheel_contact(&r, WHEEL_REAR, c.rear_down, 0);
        dBodySetAngularVel(b->bodies[BODY_FRAME], c.pitch_rate, 0, 0);
        EXPECT_NEAR(bike_engine_torque(b), c.want, 1e-3);
        EXPECT_NEAR(bike_get_rpm(b), c.rpm, std::fabs(c.rpm) * 1e-6f + 1e-3f);
    }
}

TEST_F(Drivetrain, AutomaticShift)
{
    struct Case {
        const char *what;
        int gear;
        float rate;                 // rear axle, rad/s
        int tick;
        bool auto_shift, compressed, rear_down;
        float rear_slip;            // contact point speed, ft/s
        bool four_gears;
        int want;
        float first_scale = 1;      // first gear's ratio times this
    };
    // First gear: 80 rad/s is 13831 rpm (up); third gear at 10 rad/s is 1210 rpm (down); 200
    // rad/s is above the shift-up speed in every gear. Second gear at 40 rad/s is 5764 rpm, below
    // the 6000 down point: first would turn 6916, or 13831 with its ratio doubled, past the
    // 10500 up point, where the next check would shift straight back.
    const Case cases[] = {
        {"up at a multiple of 32", 0, 80, 128, true, true, false, 0, false, 1},
        {"not between", 0, 80, 129, true, true, false, 0, false, 0},
        {"down", 2, 10, 64, true, true, false, 0, false, 1},
        {"off", 0, 80, 128, false, true, false, 0, false, 0},
        {"swingarm extended", 0, 80, 128, true, false, false, 0, false, 0},
        {"rear wheel spinning", 0, 80, 128, true, true, true, 2.5f, false, 0},
        {"rear wheel gripping", 0, 80, 128, true, true, true, 2, false, 1},
        {"from fifth on a five-speed", 4, 200, 128, true, true, false, 0, false, 4},
        {"from fourth on a four-speed", 3, 200, 128, true, true, false, 0, true, 3},
        {"from first down", 0, 1, 128, true, true, false, 0, false, 0},
        {"down into first", 1, 40, 64, true, true, false, 0, false, 0},
        {"held where first would pass the up point", 1, 40, 64, true, true, false, 0, false, 1, 2},
    };
    const float first = b->info.gear_ratios[0];
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        rig_rest(&r);
        b->gear = c.gear;
        b->info.gear_ratios[4] = c.four_gears ? 0 : 1;
        b->info.gear_ratios[0] = first * c.first_scale;
        rig_spin_rear(&r, c.rate);
        rig_pose_swingarm(&r, c.compressed ? -0.1f : 0);
        rig_wheel_contact(&r, WHEEL_REAR, c.rear_down, c.rear_slip);
        b->option_flags = (unsigned char)(OPTION_BIT0 | (c.auto_shift ? OPTION_AUTO_SHIFT : 0));
        tick_count = c.tick;
        bike_drivetrain_step(b);
        EXPECT_EQ(b->gear, c.want);
    }
}

TEST_F(Drivetrain, AutomaticShiftsAtMostEvery32Ticks)
{
    b->option_flags |= OPTION_AUTO_SHIFT;
    rig_pose_swingarm(&r, -0.1f);
    std::vector<int> shifts;
    for (tick_count = 97; tick_count < 192; ++tick_count) {
        rig_spin_rear(&r, 80);   // first 13831 rpm, second 11527, third 9681
        int gear = b->gear;
        bike_drivetrain_step(b);
        if (b->gear != gear) shifts.push_back(tick_count);
    }
    EXPECT_EQ(shifts, (std::vector<int>{128, 160}));
    EXPECT_EQ(b->gear, 2);
}

TEST_F(Drivetrain, ClutchEngagement)
{
    // The wheel turns with the engine (no damping torque), so τ = c² × spring × wind-up.
    struct Case {
        const char *what;
        float rpm, input, windup, want_c;
    };
    const Case cases[] = {
        {"below auto-clutch, engine drives: open", 1000, 1, 0.1f, 0},
        {"below auto-clutch, wheel drives: the input", 1000, 1, -0.1f, 1},
        {"below auto-clutch, wheel drives, half input", 1000, 0.5f, -0.1f, 0.5f},
        {"slipping in, engine drives", 3500, 1, 0.1f, 0.5f},
        {"slipping in, the input is less", 3500, 0.3f, 0.1f, 0.3f},
        {"above the ramp: the input", 4600, 0.8f, 0.1f, 0.8f},
        {"pulled in", 9000, 0, 0.1f, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        rig_rest(&r);
        clear_accumulators();
        b->tuning.auto_clutch_rpms = 2500;
        b->input.clutch = c.input;
        set_rpm(c.rpm);
        rig_spin_rear(&r, b->engine_speed / gearing());
        b->engine_angle = rear_angle() + c.windup;
        bike_drivetrain_step(b);
        float want = c.want_c * c.want_c * b->info.clutch_spring * c.windup;
        EXPECT_NEAR(clutch_torque(), want, 0.02f);
        // Equal and opposite on the frame.
        EXPECT_NEAR(dBodyGetTorque(b->bodies[BODY_FRAME])[0], want, 0.02f);
    }
}

TEST_F(Drivetrain, WindUpLimit)
{
    struct Case {
        const char *what;
        float rpm, input, windup, want_windup;   // before the engine's own advance
    };
    const Case cases[] = {
        {"engaged, cut to π/4", 9000, 1, 1.0f, pi / 4},
        {"engaged, cut to -π/4", 9000, 1, -1.0f, -pi / 4},
        {"half engaged, cut to π/8", 3500, 1, 0.5f, pi / 8},
        {"within the limit", 9000, 1, 0.5f, 0.5f},
        {"open: follows the wheel", 2000, 1, 0.3f, 0},
        {"pulled in: follows the wheel", 9000, 0, -0.6f, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        rig_rest(&r);
        clear_accumulators();
        b->input.throttle = 0;
        b->input.clutch = c.input;
        set_rpm(c.rpm);
        rig_spin_rear(&r, 3);
        b->engine_angle = rear_angle() + c.windup;
        bike_drivetrain_step(b);
        float advance = (float)tick * b->engine_speed / gearing();
        EXPECT_NEAR(b->engine_angle - advance - rear_angle(), c.want_windup, 1e-5);
        if (c.want_windup == 0) EXPECT_EQ(clutch_torque(), 0);
    }
}

TEST_F(Drivetrain, EngineAngleStaysWithinHalfTurn)
{
    // The rear wheel turned to 3 rad: an engaged engine at 14000 rpm passes π in this tick.
    dMatrix3 rot;
    for (float sign : {1.0f, -1.0f}) {
        dRFromAxisAndAngle(rot, 1, 0, 0, sign * 3.0f);
        dBodySetRotation(b->bodies[BODY_REAR_WHEEL], rot);
        if (std::fabs(rear_angle() - 3.0f) < 1e-4f) break;
    }
    ASSERT_NEAR(rear_angle(), 3.0f, 1e-4f);
    set_rpm(14000);
    rig_spin_rear(&r, b->engine_speed / gearing());
    b->engine_angle = rear_angle();
    bike_drivetrain_step(b);
    float advance = (float)tick * b->engine_speed / gearing();
    EXPECT_GT(3.0f + advance, pi);
    EXPECT_NEAR(b->engine_angle, 3.0f + advance - 2 * pi, 1e-4f);

    // An infinite engine speed ends the step instead of turning the angle back forever.
    b->engine_speed = INFINITY;
    b->engine_angle = 0;
    bike_drivetrain_step(b);
    SUCCEED();
}

// With the frame held by the world, first gear and full throttle spin the rear wheel up until
// the engine reaches the speed where its torque runs out; the rear brake then stops the wheel.
// Held in the air the light wheel rings against the clutch spring from tick to tick, so the
// speeds are averaged over the last 32 ticks.
TEST_F(Drivetrain, SpinUpAndBrakeWithTheFrameHeld)
{
    dJointID hold = dJointCreateFixed(physics_world, nullptr);
    dJointAttach(hold, b->bodies[BODY_FRAME], nullptr);
    dJointSetFixed(hold);
    b->input.throttle = 1;
    b->input.clutch = 1;
    double engine = 0, wheel = 0;
    for (int k = 0; k < 512; ++k) {
        ++tick_count;
        bike_drivetrain_step(b);
        rig_world_step(&r);
        if (k >= 480) {
            engine += bike_get_rpm(b) / 32;
            wheel += gearing() * rear_rate() * rpm_per_rad / 32;
        }
    }
    const float top = 14500;   // the open-throttle curve crosses 0 here
    EXPECT_NEAR(engine, top, 0.03f * top);
    EXPECT_NEAR(wheel, engine, 0.02f * top);

    b->input.throttle = 0;
    b->input.clutch = 0;
    b->input.rear_brake = 1;
    for (int k = 0; k < 64; ++k) {
        ++tick_count;
        bike_drivetrain_step(b);
        rig_world_step(&r);
    }
    EXPECT_NEAR(rear_rate(), 0, 0.1f);
    dJointDestroy(hold);
}

TEST_F(Drivetrain, BrakesAndTheirAids)
{
    struct Case {
        const char *what;
        int flags;
        bool front_down;
        float front_slip;
        bool rear_down;
        float rear_slip, front_input, rear_input, want_front, want_rear;
    };
    const int front_abs = OPTION_FRONT_ANTILOCK, rear_abs = OPTION_REAR_ANTILOCK;
    const int release = 2 << 1;   // stop-wheelies mode 2
    const Case cases[] = {
        {"plain", 0, true, 5, true, 5, 1, 1, 300, 200},
        {"half", 0, true, 0, true, 0, 0.5f, 0.25f, 150, 50},
        {"front antilock, sliding", front_abs, true, 2.5f, true, 5, 1, 1, 0, 200},
        {"front antilock, gripping", front_abs, true, 2, true, 5, 1, 1, 300, 200},
        {"front antilock, in the air", front_abs, false, 5, true, 5, 1, 1, 300, 200},
        {"rear antilock, sliding", rear_abs, true, 5, true, 3, 1, 1, 300, 0},
        {"rear antilock, in the air", rear_abs, true, 5, false, 3, 1, 1, 300, 200},
        {"stoppie release, rear up", release, true, 0, false, 0, 1, 1, 0, 200},
        {"stoppie release, both down", release, true, 0, true, 0, 1, 1, 300, 200},
        {"stoppie release, both up", release, false, 0, false, 0, 1, 1, 300, 200},
        {"mode 3 releases too", 3 << 1, true, 0, false, 0, 1, 1, 0, 200},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        b->option_flags = (unsigned char)(OPTION_BIT0 | c.flags);
        rig_wheel_contact(&r, WHEEL_FRONT, c.front_down, c.front_slip);
        rig_wheel_contact(&r, WHEEL_REAR, c.rear_down, c.rear_slip);
        b->input.front_brake = c.front_input;
        b->input.rear_brake = c.rear_input;
        bike_drivetrain_step(b);
        EXPECT_FLOAT_EQ(dJointGetHingeParam(b->joints[JOINT_FRONT_AXLE], dParamFMax), c.want_front);
        EXPECT_FLOAT_EQ(dJointGetHingeParam(b->joints[JOINT_REAR_AXLE], dParamFMax), c.want_rear);
        EXPECT_EQ(dJointGetHingeParam(b->joints[JOINT_FRONT_AXLE], dParamVel), 0);
        EXPECT_EQ(dJointGetHingeParam(b->joints[JOINT_REAR_AXLE], dParamVel), 0);
    }
}

}  // namespace
