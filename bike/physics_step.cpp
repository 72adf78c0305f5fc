// The bike's control side, once per tick. The frame's body z axis points to the rear; a motor or
// force set here acts in the next world step.
#include "bike/physics_step.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "bike/anchors.h"
#include "bike/bike_create.h"
#include "bike/bike_record.h"
#include "bike/crash_test.h"
#include "bike/dab.h"
#include "bike/drivetrain.h"
#include "bike/shape_contacts.h"
#include "bike/small_ops.h"
#include "bike/steering.h"
#include "bike/suspension_readout.h"
#include "shell/race_clock.h"
#include "shell/globals.h"
#include "shell/startup.h"
#include "terrain/field.h"

static const float pi = 3.14159265358979f;
static const float slow_speed = 5;          // ft/s: the aids' walking pace
static const float rider_spring_scale = 16.0f / 75;

static float clampf(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }
static float dot3(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

static void to_float(const dReal *v, float out[3])
{
    for (int k = 0; k < 3; ++k) out[k] = (float)v[k];
}

static void body_axis(dBodyID body, float x, float y, float z, float out[3])
{
    dVector3 w;
    dBodyVectorToWorld(body, x, y, z, w);
    to_float(w, out);
}

static void body_point(dBodyID body, const float p[3], float out[3])
{
    dVector3 w;
    dBodyGetRelPointPos(body, p[0], p[1], p[2], w);
    to_float(w, out);
}

static float speed_of(dBodyID body)
{
    const dReal *v = dBodyGetLinearVel(body);
    return (float)std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

// The body's pose as the shape routines take it: position and rotation row by row.
static void body_pose(dBodyID body, float position[3], float rotation[9])
{
    to_float(dBodyGetPosition(body), position);
    const dReal *r = dBodyGetRotation(body);
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) rotation[row * 3 + col] = (float)r[row * 4 + col];
}

int bike_is_simulated(bike *b) { return b->simulated_weight > 0.25f ? 1 : 0; }

int bike_pre_step(bike *) { return 0; }

// Kept out of line: gcc 12's -O3 inlined it into the rider's springs and handed ODE the rider's
// position in double precision, skipping its rounding to float, so a Release build rode apart
// from every other build from the first tick.
[[gnu::noinline]] void bike_soft_contact(dBodyID a, dBodyID b, const float position[3], const float normal[3],
                                         float depth, float k, float c)
{
    // A spring at its rest length pushes with no force. Made anyway, its row sits exactly on its
    // bound with nothing moving, and ODE's dense solver gives up on such a row ("LCP internal
    // error, s <= 0") and drops every constraint force of the step: the rider at rest, whose
    // fore-aft error is exactly 0, would drop his bike through the ground.
    if (!(depth > 0)) return;
    dContact contact;
    memset(&contact, 0, sizeof contact);
    contact.surface.mode = dContactSoftERP | dContactSoftCFM;
    contact.surface.mu = 0;
    const double tk = tick * k;
    contact.surface.soft_erp = tk / (tk + c);
    contact.surface.soft_cfm = 1 / (tk + c);
    for (int i = 0; i < 3; ++i) {
        contact.geom.pos[i] = position[i];
        contact.geom.normal[i] = normal[i];
    }
    contact.geom.depth = depth;
    dJointID j = dJointCreateContact(physics_world, contact_group, &contact);
    dJointAttach(j, a, b);
}

void bike_axis_motor(dBodyID body, const float axis[3], int relative, float rate, float force_limit)
{
    dJointID j = dJointCreateAMotor(physics_world, contact_group);
    dJointAttach(j, body, nullptr);
    dJointSetAMotorNumAxes(j, 1);
    dJointSetAMotorAxis(j, 0, relative, axis[0], axis[1], axis[2]);
    dJointSetAMotorParam(j, dParamVel, rate);
    dJointSetAMotorParam(j, dParamFMax, force_limit);
}

void bike_soft_tether(dBodyID a, const float point_a[3], dBodyID b, const float point_b[3], float length)
{
    float pa[3], pb[3];
    body_point(a, point_a, pa);
    body_point(b, point_b, pb);
    const float d[3] = {pb[0] - pa[0], pb[1] - pa[1], pb[2] - pa[2]};
    const float distance = std::sqrt(dot3(d, d));
    if (distance <= length) return;
    bike_soft_contact(a, b, pa, d, distance - length, 5000, 500);
}

// Damping of a fork or shock moving at rate (negative compressing): a coefficient on the speed
// plus a constant, held within 1/8 and 8 times the coefficient's part.
static float damping(const bike_suspension &s, float rate)
{
    float base, d;
    if (rate >= 0) {
        base = -rate * s.rebound;
        d = base - s.slow_rebound;
    } else {
        base = -rate * s.compression;
        d = s.slow_compression + base;
    }
    const float lo = std::min(base / 8, 8 * base), hi = std::max(base / 8, 8 * base);
    return clampf(d, lo, hi);
}

float bike_fork_force(bike *b, float x, float rate)
{
    const float travel = b->info.fork_travel;
    const float y = clampf(-x, 0, travel);
    const float a = travel + b->fork.oil_level;
    // With no air length the air spring would go infinite at full compression.
    const float gap = std::max(a - y, 1.0f / 1024);
    const float air = 82.4616928100586f * (std::pow(a / gap, 1.4f) - 1);
    const float linear = (b->fork.preload - x) * b->fork.spring_rate;
    const float ramp = travel > 0 ? clampf(-32 * x / travel, 0, 1) : 0;
    return (air + linear + damping(b->fork, rate)) * ramp;
}

float bike_shock_force(bike *b, float angle, float rate)
{
    const float max = b->info.swingarm_angle_max;
    if (!(max > 0)) return 0;
    float p, l;
    swingarm_leverage(&b->info, clampf(-angle / max, 0, 1), &p, &l);
    const float spring = (p + b->shock.preload) * b->shock.spring_rate;
    return (spring + damping(b->shock, rate * l)) * l * clampf(-32 * angle / max, 0, 1);
}

static void set_motor_force(dJointID j, int slider, float force)
{
    const float velocity = force >= 0 ? 100.0f : 0.0f;
    if (slider) {
        dJointSetSliderParam(j, dParamVel, velocity);
        dJointSetSliderParam(j, dParamFMax, std::fabs(force));
    } else {
        dJointSetHingeParam(j, dParamVel, velocity);
        dJointSetHingeParam(j, dParamFMax, std::fabs(force));
    }
}

static void suspension_step(bike *b)
{
    dJointID fork = b->joints[JOINT_FORK_SLIDER], arm = b->joints[JOINT_SWINGARM];
    set_motor_force(fork, 1,
                    bike_fork_force(b, (float)dJointGetSliderPosition(fork), (float)dJointGetSliderPositionRate(fork)));
    set_motor_force(arm, 0,
                    bike_shock_force(b, (float)dJointGetHingeAngle(arm), (float)dJointGetHingeAngleRate(arm)));
}

// The rider's rest point in frame coordinates.
static void rider_rest_point(const bike *b, float out[3])
{
    for (int k = 0; k < 3; ++k) out[k] = b->info.rider_position[k] - b->info.frame_position[k];
}

static void crashed_rider(bike *b)
{
    const rider_geometry &g = b->info.rider;
    dBodyID frame = b->bodies[BODY_FRAME], rider = b->bodies[BODY_RIDER], fork = b->bodies[BODY_FORK_UPPER];
    if (speed_of(rider) >= 2) {
        const float arm = 0.875f * (g.upper_arm + g.lower_arm);
        for (int i = 0; i < 2; ++i) bike_soft_tether(rider, g.hands[i], fork, g.grips[i], arm);
        if (b->crash_counter >= 512) {
            const float chest[3] = {0, g.chest[1], g.chest[2]};
            const float behind[3] = {0, g.grips[1][1], g.grips[1][2] + 10};
            bike_soft_tether(rider, chest, fork, behind, 8);
        }
        shape *rs = b->handles.rider_shape;
        if (rs) {
            float rp[3], rr[9], p[3], r[9];
            body_pose(rider, rp, rr);
            const struct { shape *s; dBodyID body; } parts[2] = {{b->handles.frame_shape, frame},
                                                                 {b->handles.fork_upper_shape, fork}};
            for (const auto &part : parts) {
                if (!part.s) continue;
                body_pose(part.body, p, r);
                shape_vs_shape_contacts(rs, rider, rp, rr, part.s, part.body, p, r, 0);
            }
        }
    } else {
        b->crash_counter -= 1;
    }

    const int c = b->crash_counter;
    if (c < 512) {
        const float length = clampf((float)(c - 128) / 384, 0, 1) * 5;
        float p[3];
        rider_rest_point(b, p);
        const float offsets[3][3] = {{0, 0, 0}, {-5, 10, 0}, {5, 10, 0}};
        for (const auto &o : offsets) {
            const float fp[3] = {p[0] + o[0], p[1] + o[1], p[2] + o[2]};
            bike_soft_tether(frame, fp, rider, o, length);
        }
    }
    if (c < 320) {
        const int i = bike_get_lean_angle(frame) < 0 ? 0 : 1;
        const float foot[3] = {g.feet[i][0], g.feet[i][1] + 3, g.feet[i][2] + 1};
        float w[3];
        body_point(frame, foot, w);
        float d[3];
        for (int k = 0; k < 3; ++k) d[k] = (w[k] - b->anchors.foot[i][k]) * 32;
        const float size = std::sqrt(dot3(d, d));
        if (size > 0) {
            const float scale = (size > 1 ? 1 / size : 1) * 4;
            for (int k = 0; k < 3; ++k) b->anchors.velocity[i][k] = d[k] * scale;
        }
    }
    if (c == 0) bike_rider_reattach(b);
}

// Back-up pushes and the auto dab. May change the dab and brake inputs for this tick only.
static void riding_aids(bike *b, float v)
{
    bike_inputs &in = b->input;
    dBodyID frame = b->bodies[BODY_FRAME];
    const int crashed = b->crash_counter > 0;
    if (in.back_up > 0 && v < slow_speed) {
        float s = (1 - std::cos((float)(tick_count & 127) * 2 * pi / 127)) / 2;
        // The first pulses after the start are held back so the bike does not roll off the line.
        // In 64 bits: a start tick from a demo head or a peer may be near the int's top.
        const std::int64_t first = (std::int64_t)std::floor(((std::int64_t)race_start_tick + 128) / 128.0) * 128;
        if (tick_count < first && (tick_count & 0x180)) s = 0;
        in.dab = crashed ? 0.0f : 1.0f;
        float z[3];
        body_axis(frame, 0, 0, 1, z);
        const float target[3] = {4 * s * z[0], 4 * s * z[1], 4 * s * z[2]};
        body_match_velocity(frame, 500, target);
        const float up[3] = {0, 1, 0};
        bike_axis_motor(frame, up, 0, -in.steer * s * pi / 2, 2000);
        return;
    }
    if (!(b->option_flags & OPTION_AUTO_DAB)) return;
    float vmax = b->tuning.max_dab_speed_fps;
    if (b->bump_timer <= -512) vmax = std::max(vmax, 75.0f);
    if (!(v <= vmax)) return;
    const float lean = std::fabs(bike_get_lean_angle(frame));
    if (v > 15 && lean < clampf((v - 15) / 15, 0, 1) * pi / 4) return;
    const int released = in.front_brake == 0 || in.rear_brake == 0;
    if (!(released || v < slow_speed || lean > pi / 16)) return;
    const float dab = vmax > 0 ? clampf((v - vmax) / (0 - vmax), 0, 1) : 0;
    in.dab = crashed ? 0 : std::max(dab, in.dab);
    // The hold waits for a closed throttle: held by both brakes and 1000 lbf, a bike could
    // otherwise never pull away from rest.
    if (v < slow_speed && released && in.throttle <= 0 && b->wheels[WHEEL_FRONT].depth > 0 &&
        b->wheels[WHEEL_REAR].depth > 0) {
        in.front_brake = in.rear_brake = 1;
        const float still[3] = {0, 0, 0};
        body_match_velocity(frame, 1000, still);
    }
}

// The rider held near his rest point by two soft contacts against the frame, moved by the lean
// input and lowered while a foot is down.
static void rider_springs(bike *b)
{
    dBodyID frame = b->bodies[BODY_FRAME], rider = b->bodies[BODY_RIDER];
    float rest[3], p[3], z[3], y[3];
    rider_rest_point(b, rest);
    body_point(frame, rest, rest);
    to_float(dBodyGetPosition(rider), p);
    body_axis(frame, 0, 0, 1, z);
    body_axis(frame, 0, 1, 0, y);
    const float d[3] = {rest[0] - p[0], rest[1] - p[1], rest[2] - p[2]};
    const float f = dot3(d, z), u = dot3(d, y);
    const float dab = b->input.dab;
    const float t = clampf((0.5f + 0.5f * dab) * u - b->input.lean, -0.75f, 0.75f);
    const float e = f - t;
    const float h = u + 0.125f - 0.5f * dab;
    const float scale = b->info.rider_mass * rider_spring_scale;

    float k, c;
    if (f < -0.75f || f >= 0.75f) k = c = 2500;
    else k = 100 * std::fabs(e) + 600 * b->rider_forward_spring, c = 0;
    k *= scale, c *= scale;
    if (k > 0) {
        const float n[3] = {e < 0 ? -z[0] : z[0], e < 0 ? -z[1] : z[1], e < 0 ? -z[2] : z[2]};
        bike_soft_contact(rider, frame, p, n, std::fabs(e), k, c);
    }

    if (u > 0.5f || u < -0.75f) k = c = 2500;
    else k = 400 * b->rider_vertical_spring, c = 100 * b->rider_vertical_damping;
    k *= scale, c *= scale;
    if (k + c > 0) {
        const float n[3] = {h < 0 ? -y[0] : y[0], h < 0 ? -y[1] : y[1], h < 0 ? -y[2] : y[2]};
        bike_soft_contact(rider, frame, p, n, std::fabs(h), k, c);
    }

    dJointID hinge = b->joints[JOINT_RIDER];
    dJointSetHinge2Param(hinge, dParamSuspensionERP, 0);
    dJointSetHinge2Param(hinge, dParamSuspensionCFM, 1 / ((30 * b->rider_forward_damping + 5) * scale));
}

static void arcade_steering(bike *b)
{
    dBodyID frame = b->bodies[BODY_FRAME];
    const bike_tuning &u = b->tuning;
    const float steer = b->input.steer;
    if (b->wheels[WHEEL_FRONT].depth <= 0) {
        // In the air with the ground far below the path: the bars only centre and follow steer.
        const dReal *p = dBodyGetPosition(frame), *v = dBodyGetLinearVel(frame);
        const float ahead[3] = {(float)(p[0] + v[0]), (float)(p[1] + v[1]) - 16, (float)(p[2] + v[2])};
        if (ahead[1] - bike_terrain_height(terrain_ptr, ahead[0], ahead[2]) >= b->info.frame_position[1]) {
            const float s = (b->option_flags & OPTION_BIT0) ? u.steering_strength * steer * u.direct_steering : 0;
            const float angle = (float)dJointGetHingeAngle(b->joints[JOINT_STEERING]);
            bike_apply_steering_torque(b, (-50 * angle + s) * 1.5f);
            return;
        }
    }
    const float lean = bike_get_lean_angle(frame);
    const float k = clampf((u.roll_damping - 40) * 0.025f, 0, 1);
    const float err = lean + steer * pi / 4;
    float rate = (1.5f - 0.5f * k) * std::min(std::fabs(err), 0.0625f) * 16;
    if (lean >= -steer * pi / 4) rate = -rate;
    float z[3];
    body_axis(frame, 0, 0, 1, z);
    bike_axis_motor(frame, z, 1, rate, 1000);
    bike_apply_steering_torque(b, u.steering_strength *
                                      bike_steer_toward_angle(b, bike_get_front_slip_angle(b) - 0.5f * steer));
    dVector3 v;
    dBodyGetRelPointVel(frame, 0, 0, 20, v);
    dBodyAddForceAtRelPos(frame, -0.25 * v[0], -0.25 * v[1], -0.25 * v[2], 0, 0, 20);
}

// Damps the front wheel's turning about anything but its axle. The damper pushes the wheel
// against the frame, so it works on the wheel's turning relative to the frame (the bars' swing),
// not on the turning the whole bike shares: taken on the wheel's own rate it also steered against
// every yaw and roll of the bike, out of each turn about as hard as the levelling steers into it
// at 30 mph, and a bike on its own defaults knocked at that speed went on leaning until it lay down.
static void wobble_damping(bike *b)
{
    dBodyID wheel = b->bodies[BODY_FRONT_WHEEL];
    float w[3], a[3], f[3];
    to_float(dBodyGetAngularVel(wheel), w);
    to_float(dBodyGetAngularVel(b->bodies[BODY_FRAME]), f);
    for (int k = 0; k < 3; ++k) w[k] -= f[k];
    body_axis(wheel, 1, 0, 0, a);
    const float along = dot3(w, a), damping = b->tuning.steering_damping;
    const float t[3] = {(a[0] * along - w[0]) * damping, (a[1] * along - w[1]) * damping,
                        (a[2] * along - w[2]) * damping};
    dBodyAddTorque(wheel, t[0], t[1], t[2]);
    dBodyAddTorque(b->bodies[BODY_FRAME], -t[0], -t[1], -t[2]);
}

void bike_physics_step(bike *b)
{
    if (!bike_is_simulated(b)) {
        bike_update_rider_anchors(b);
        return;
    }
    dBodyID frame = b->bodies[BODY_FRAME];
    const float v = speed_of(frame);

    if (b->mishap_flag == 0 && tick_count * tick > race_start_tick * tick + 2 && v < slow_speed) b->mishap_flag = 1;

    if (b->bump_timer < -1) b->bump_timer += 1;
    else if (b->bump_timer > 1) b->bump_timer -= 1;
    else b->bump_timer = 0;

    if (b->wheels[WHEEL_FRONT].depth > 0 || b->wheels[WHEEL_REAR].depth > 0) {
        if (b->landing_tick < b->fall_start_tick) b->landing_tick = tick_count;
    } else if (dBodyGetLinearVel(frame)[1] < 0 && b->fall_start_tick <= b->landing_tick) {
        b->fall_start_tick = tick_count;
    }

    bike_crash_test(b);
    if (b->crash_counter > 0) crashed_rider(b);

    bike_inputs &in = b->input;
    const float saved_dab = in.dab, saved_front = in.front_brake, saved_rear = in.rear_brake;
    riding_aids(b, v);
    // While the rider is down the crash tethers alone pull him back. The springs are not made
    // then: beyond their bands they are contacts of 2500 lbf/ft and 2500 lbf·s/ft toward the
    // seat, which would hold a thrown rider to the frame's motion from the first tick and pull
    // him home at once, ahead of the tethers that shorten from 5 ft to nothing over the crash's
    // count.
    if (b->crash_counter <= 0) rider_springs(b);
    suspension_step(b);

    if (!(b->option_flags2 & OPTION2_ARCADE)) bike_steering_step(b);
    else if (b->crash_counter <= 0) arcade_steering(b);

    bike_drivetrain_step(b);
    wobble_damping(b);
    bike_relay_joint_forces(b);
    bike_dab_step(b);

    in.dab = saved_dab, in.front_brake = saved_front, in.rear_brake = saved_rear;
    bike_update_rider_anchors(b);
    to_float(dBodyGetLinearVel(b->bodies[BODY_RIDER]), b->rider_velocity_ring[tick_count & 3]);
}
