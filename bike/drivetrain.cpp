// The drivetrain. Signs follow ODE's hinge convention: the rear axle's angle and rate are the
// rear wheel's about the axle relative to the swingarm, positive rolling forward, so
// G × rate is the engine speed the wheel asks for.
#include "bike/drivetrain.h"

#include <algorithm>
#include <cmath>

#include "bike/bike_record.h"
#include "bike/catalogue.h"
#include "shell/race_clock.h"
#include "shell/globals.h"

static const float pi = 3.14159265358979f;
static const float rad_to_rpm = 9.549296585513721f;   // 30 / pi

static float clampf(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }

static float gear_product(const bike *b)
{
    return b->info.primary_ratio * b->info.gear_ratios[b->gear] * b->final_drive;
}

static int touches(const wheel_record &w) { return w.depth > 0; }

static float contact_speed(const wheel_record &w)
{
    const float *v = w.contact_velocity;
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

float bike_get_rpm(bike *b) { return b->engine_speed * rad_to_rpm; }

float bike_engine_torque(bike *b)
{
    float t = bike_info_engine_torque(&b->info, bike_get_rpm(b), b->input.throttle);
    int mode = (b->option_flags >> 1) & 3;
    if ((mode & 1) && !touches(b->wheels[WHEEL_FRONT]) && touches(b->wheels[WHEEL_REAR])) {
        dVector3 w;
        const dReal *world = dBodyGetAngularVel(b->bodies[BODY_FRAME]);
        dBodyVectorFromWorld(b->bodies[BODY_FRAME], world[0], world[1], world[2], w);
        if (w[0] > -0.03125) t = std::min(t, 0.0f);   // not already coming down
    }
    return t;
}

// One gear up or down, skipping gears this model does not have downward.
static int shifted_gear(const bike *b, int gear)
{
    gear = std::clamp(gear, 0, BIKE_GEARS - 1);
    while (gear > 0 && b->info.gear_ratios[gear] <= 0) --gear;
    return gear;
}

static void auto_shift(bike *b)
{
    if (!(b->option_flags & OPTION_AUTO_SHIFT)) return;
    if (!(dJointGetHingeAngle(b->joints[JOINT_SWINGARM]) < -0.01)) return;
    if (tick_count % 32 != 0) return;
    const wheel_record &rear = b->wheels[WHEEL_REAR];
    if (touches(rear) && contact_speed(rear) > 2) return;   // a spinning wheel reads no speed
    float r = gear_product(b) * (float)dJointGetHingeAngleRate(b->joints[JOINT_REAR_AXLE]) * rad_to_rpm;
    int gear = b->gear;
    if (r < b->info.shift_down_rpm) {
        // Where two gears lie further apart than the shift points, the lower one would put the
        // engine past the up-shift point and the next check would shift straight back: hold on.
        const int lower = shifted_gear(b, gear - 1);
        const float now = b->info.gear_ratios[b->gear];
        if (lower != b->gear && now > 0 && r * b->info.gear_ratios[lower] / now <= b->info.shift_up_rpm)
            gear = lower;
    } else if (r > b->info.shift_up_rpm) {
        ++gear;
    }
    b->gear = shifted_gear(b, gear);
}

static void set_brake(dJointID axle, float limit)
{
    dJointSetHingeParam(axle, dParamVel, 0);
    dJointSetHingeParam(axle, dParamFMax, limit);
}

void bike_drivetrain_step(bike *b)
{
    auto_shift(b);
    const float g = gear_product(b);
    const float t = bike_engine_torque(b);
    const float rear_angle = (float)dJointGetHingeAngle(b->joints[JOINT_REAR_AXLE]);
    const float rear_rate = (float)dJointGetHingeAngleRate(b->joints[JOINT_REAR_AXLE]);

    float d = b->engine_angle - rear_angle;
    if (d > pi) d -= 2 * pi;
    else if (d < -pi) d += 2 * pi;

    // Below the auto-clutch speed the clutch slips in over 2000 rpm, but only while the engine
    // drives: a wheel driving the engine (F < 0) finds the clutch as the rider holds it.
    const float input = b->input.clutch;
    const float n = b->engine_speed * rad_to_rpm, a = b->tuning.auto_clutch_rpms;
    float c = n <= a + 2000 ? std::min(clampf((n - a) / 2000, 0, 1), input) : input;
    float s = clampf((b->engine_speed - g * rear_rate) * b->info.clutch_damper, -500, 500);
    float f = b->info.clutch_spring * d + s;
    if (f < 0) c = input;
    f = clampf(f, -1e6f, 1e6f);

    const float wind = c * pi / 4;
    if (d > wind) b->engine_angle = rear_angle + wind;
    else if (d < -wind) b->engine_angle = rear_angle - wind;

    const float tau = c * c * f;
    dBodyAddRelTorque(b->bodies[BODY_REAR_WHEEL], -tau, 0, 0);
    dBodyAddRelTorque(b->bodies[BODY_FRAME], tau, 0, 0);

    b->engine_speed += (float)tick * (t - tau / g) / b->engine_inertia;
    // A remainder rather than repeated turns of 2π: an infinite angle would never come back.
    float angle = b->engine_angle + (float)tick * b->engine_speed / g;
    if (angle > pi || angle < -pi) angle = std::remainder(angle, 2 * pi);
    b->engine_angle = angle;

    const wheel_record &front = b->wheels[WHEEL_FRONT], &rear = b->wheels[WHEEL_REAR];
    float front_limit = b->tuning.front_brake_torque * b->input.front_brake;
    if ((b->option_flags & OPTION_FRONT_ANTILOCK) && touches(front) && contact_speed(front) > 2)
        front_limit = 0;
    if ((((b->option_flags >> 1) & 3) & 2) && touches(front) && !touches(rear)) front_limit = 0;
    set_brake(b->joints[JOINT_FRONT_AXLE], front_limit);

    float rear_limit = b->tuning.rear_brake_torque * b->input.rear_brake;
    if ((b->option_flags & OPTION_REAR_ANTILOCK) && touches(rear) && contact_speed(rear) > 2)
        rear_limit = 0;
    set_brake(b->joints[JOINT_REAR_AXLE], rear_limit);
}
