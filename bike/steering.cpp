// Steering. The frame's body z axis points to the rear, so its roll rate is ω.z in body
// coordinates; a positive torque about the steering axis turns the bars the way the steering
// hinge's angle grows.
#include "bike/steering.h"

#include <algorithm>
#include <cmath>

#include "bike/bike_record.h"
#include "bike/small_ops.h"
#include "shell/globals.h"
#include "terrain/field.h"

float lock_nearness;

static const float pi = 3.14159265358979f;

static float clampf(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }

// The unit steering axis, lower to upper fork point, in frame coordinates.
static void steering_axis(const bike *b, float out[3])
{
    const float *u = b->info.fork_upper_position, *l = b->info.fork_lower_position;
    float d[3] = {u[0] - l[0], u[1] - l[1], u[2] - l[2]};
    float len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    for (int i = 0; i < 3; ++i) out[i] = len > 0 ? d[i] / len : 0;
}

void bike_apply_steering_torque(bike *b, float size)
{
    float s[3];
    steering_axis(b, s);
    dVector3 w;
    dBodyVectorToWorld(b->bodies[BODY_FRAME], s[0], s[1], s[2], w);
    dBodyAddTorque(b->bodies[BODY_FRONT_WHEEL], size * w[0], size * w[1], size * w[2]);
    dBodyAddTorque(b->bodies[BODY_FRAME], -size * w[0], -size * w[1], -size * w[2]);
}

float bike_get_front_slip_angle(bike *b)
{
    float s[3];
    steering_axis(b, s);
    const float n[3] = {0, -s[2], s[1]};
    const dReal *v = dBodyGetLinearVel(b->bodies[BODY_FRONT_WHEEL]);
    dVector3 f;
    dBodyVectorFromWorld(b->bodies[BODY_FORK_UPPER], v[0], v[1], v[2], f);
    float a = (float)f[0];
    float c = (float)(f[0] * n[0] + f[1] * n[1] + f[2] * n[2]);
    if (a * a + c * c <= 1) return 0;
    return -std::atan2(a, -c);
}

float bike_steer_toward_angle(bike *b, float target_rad)
{
    float e = target_rad - (float)dJointGetHingeAngle(b->joints[JOINT_STEERING]);
    float r = (float)dJointGetHingeAngleRate(b->joints[JOINT_STEERING]);
    float cmd;
    if (e < -0.25f) {
        cmd = -1.75f - r;
    } else {
        e = std::min(e, 0.25f);
        if (e < -0.03125f) cmd = 8 * (e + 0.03125f) - r;
        else if (e > 0.03125f) cmd = 8 * (e - 0.03125f) - r;
        else cmd = -r;
    }
    const float dead = 0.0004166666666666667f;
    if (cmd > dead) cmd -= dead;
    else if (cmd < -dead) cmd += dead;
    else cmd = 0;
    return clampf(cmd * 0.5f, -0.6666667f, 0.6666667f);
}

float bike_steering_lock(bike *b, float w_fps, float mu)
{
    const bike_tuning &u = b->tuning;
    float f = std::max(u.full_lock_speed + 1, u.restricted_lock_speed);
    float t = clampf((1 / std::max(w_fps, 1.0f) - 1 / f) / (1 / u.full_lock_speed - 1 / f), 0, 1);
    float l = std::min(u.restricted_lock / std::max(mu, 0.125f), pi / 4);
    return l + (pi / 4 - l) * t;
}

float bike_front_friction(bike *b)
{
    const terrain_field *t = terrain_ptr;
    if (!t || !t->tilemap || !(t->cell_size > 0)) return 1;   // no ground loaded: full grip
    const dReal *p = dBodyGetPosition(b->bodies[BODY_FRONT_WHEEL]);
    const float inv = 0.5f / t->cell_size;
    const long last = (1L << t->lod_depth) - 1;
    long x = std::clamp(std::lround(terrain_safe_cells((float)p[0], inv)), 0L, last);
    long z = std::clamp(std::lround(terrain_safe_cells((float)p[2], inv)), 0L, last);
    return std::max(t->friction[t->tilemap[(z << t->lod_depth) + x]][0], 0.125f);
}

// 0 at a0, 1 at a1. With no span between them (a lock of 0) it steps at a0.
static float ramp(float v, float a0, float a1)
{
    if (a1 == a0) return v > a0 ? 1.0f : 0.0f;
    return clampf((v - a0) / (a1 - a0), 0, 1);
}

void bike_steering_step(bike *b)
{
    lock_nearness = 0;
    if (b->crash_counter > 0) return;
    const bike_tuning &u = b->tuning;
    dBodyID frame = b->bodies[BODY_FRAME], wheel = b->bodies[BODY_FRONT_WHEEL];

    float s = u.steering_strength * b->input.steer * u.direct_steering;
    float lo = -u.max_steering_force, hi = u.max_steering_force;

    const float rolling = b->info.front_wheel.radius + b->info.front_wheel.tube_radius;
    const float axle_rate = (float)dJointGetHingeAngleRate(b->joints[JOINT_FRONT_AXLE]);
    const float w = rolling * axle_rate;
    const float lean = bike_get_lean_angle(frame);
    const float sigma = (float)dJointGetHingeAngle(b->joints[JOINT_STEERING]);
    const float phi = bike_get_front_slip_angle(b);

    const float lock = bike_steering_lock(b, w, bike_front_friction(b));

    // Close to the ground the bound that would push the slide further turns, past the lock,
    // into a quarter of the force against it.
    const terrain_field *t = terrain_ptr;
    if (w > 1 && t && t->heights) {
        const dReal *p = dBodyGetPosition(wheel);
        float g = (float)p[1] - bike_terrain_height(t, (float)p[0], (float)p[2]) - rolling;
        if (g < 0.5f) {
            float k = clampf(2 * g, 0, 1);
            float lim = lock + (pi / 4 - lock) * k;
            float m = 1.125f * lim + 0.015f;
            if (phi > lim)
                lo = -u.max_steering_force * (1.25f * clampf((phi - m) / (lim - m), 0, 1) - 0.25f);
            else if (phi < -lim)
                hi = u.max_steering_force * (1.25f * clampf((phi + m) / (m - lim), 0, 1) - 0.25f);
        }
    }

    float torque;
    if (!(b->wheels[WHEEL_FRONT].depth > 0) || axle_rate <= pi / 4) {
        b->land_damping = u.land_damping_factor;
        torque = -50 * sigma;
        if (!(b->option_flags & OPTION_BIT0)) s = 0;
    } else {
        dVector3 omega;
        const dReal *aw = dBodyGetAngularVel(frame);
        dBodyVectorFromWorld(frame, aw[0], aw[1], aw[2], omega);
        const float wz = (float)omega[2];
        torque = wz * u.roll_damping * b->land_damping;
        if (b->land_damping > 1) {
            if (u.land_damping_falloff == 0) b->land_damping = 1;
            else
                b->land_damping = std::max(1.0f, b->land_damping - (u.land_damping_factor - 1) *
                                                     (float)tick / u.land_damping_falloff);
        }
        float level = lean * u.leveling;
        const dReal *lv = dBodyGetLinearVel(frame);
        float v = (float)std::sqrt(lv[0] * lv[0] + lv[1] * lv[1] + lv[2] * lv[2]);
        if (v < u.slow_damping_speed) {
            float q = u.slow_damping_factor +
                      (1 - u.slow_damping_factor) * clampf(v / u.slow_damping_speed, 0, 1);
            torque *= q;
            level *= q;
        }
        bool into_lean = (wz < 0 && lean < 0) || (wz >= 0 && lean >= 0);
        if (into_lean && std::fabs(lean) > u.roll_limit_angle)
            torque *= (std::fabs(lean) - u.roll_limit_angle) * u.roll_limit_factor + 1;
        torque += level;
        if (u.direct_steering < 1) {
            float a = (-b->input.steer * u.roll_limit_angle - lean) * 2.5f;
            bool against = (lean >= 0 && a < 0) || (lean < 0 && a >= 0);
            float amax = against ? 9.817477f : 3.926991f;
            a = clampf(a, -amax, amax);
            float e = clampf(a - wz, -0.125f, 0.125f);
            float ind = u.steering_strength * clampf((wz - (a - e)) * 4, -1, 1);
            s = (s - ind) * u.direct_steering + ind;
        }
    }

    // Right after a hit by another bike the roll torque is off, coming back as the timer runs out.
    if (b->bump_timer > 0) {
        float cap = 200 * clampf((128 - b->bump_timer) / 128, 0, 1);
        torque = clampf(torque, -cap, cap);
    }

    float q = (torque + s) * 1.5f;
    q = std::max(q, lo);
    q = std::min(q, hi);
    bike_apply_steering_torque(b, q);

    const float r = clampf((w - 5) / (15 - 5), 0, 1);
    const float a0 = 0.25f * r * lock, a1 = (0.125f + 0.625f * r) * lock;
    float x, y;
    if (lean >= 0) {
        x = ramp(-phi, a0, a1);
        y = clampf((sigma - pi / 12) * 12 / pi, 0, 1);
    } else {
        x = ramp(phi, a0, a1);
        y = clampf((sigma + pi / 12) * (-12 / pi), 0, 1);
    }
    lock_nearness = std::max(x, y);
}
