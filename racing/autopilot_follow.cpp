// Following the path: a target speed from the samples, a target lean from the curvature toward
// an aim point, both held by the grip of the ground, a rider ahead and a jump coming, and the
// lean error turned into counter-steering. Nothing here allocates.
//
// Every division that could meet a zero (upright, at rest, a target straight under the bike)
// has a finite stand-in of the same meaning, since the setters' clamps let NaN through.
#include "racing/autopilot.h"

#include <algorithm>
#include <cmath>

#include "bike/setters.h"
#include "bike/small_ops.h"
#include "bike/steering.h"
#include "racing/autopilot_internal.h"
#include "racing/lines.h"
#include "racing/race.h"
#include "racing/race_state.h"
#include "shell/globals.h"
#include "shell/startup.h"
#include "terrain/field.h"

using namespace autopilot_detail;

static const float pi = 3.14159265358979f;
static const float straight = 1000000;   // the radius of a straight run, and the time to no jump

void velocity_frame_of(bike *b, velocity_frame *out)
{
    const dReal *v = dBodyGetLinearVel(b->bodies[BODY_FRAME]);
    const float vx = (float)v[0], vy = (float)v[1], vz = (float)v[2];
    const float s = std::sqrt(vx * vx + vy * vy + vz * vz);
    out->up[0] = 0, out->up[1] = 1, out->up[2] = 0;
    if (!(s > 0)) {
        out->side[0] = 1, out->side[1] = 0, out->side[2] = 0;
        out->back[0] = 0, out->back[1] = 0, out->back[2] = 1;
        return;
    }
    out->side[0] = -vz / s, out->side[1] = 0, out->side[2] = vx / s;
    out->back[0] = -vx / s, out->back[1] = -vy / s, out->back[2] = -vz / s;
}

static float frame_speed(bike *b)
{
    const dReal *v = dBodyGetLinearVel(b->bodies[BODY_FRAME]);
    return (float)std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

static void frame_position(bike *b, float out[3])
{
    const dReal *p = dBodyGetPosition(b->bodies[BODY_FRAME]);
    out[0] = (float)p[0], out[1] = (float)p[1], out[2] = (float)p[2];
}

void autopilot_speed_control(bike *b, float v, float target)
{
    if (!(b->wheels[WHEEL_REAR].depth > 0)) {
        bike_set_front_brake(b, 0);
        bike_set_rear_brake(b, 0);
        dVector3 w;
        frame_spin(b, w);
        const float pitch = (float)w[0];
        const float yf = (float)dBodyGetPosition(b->bodies[BODY_FRONT_WHEEL])[1];
        const float yr = (float)dBodyGetPosition(b->bodies[BODY_REAR_WHEEL])[1];
        if ((yr <= yf || pitch >= 0) && pitch >= -pi / 4) {
            bike_set_throttle(b, 0);
            // A front more than a foot high comes down under the rear brake.
            if (yr + 1 < yf && pitch >= -pi / 8) {
                bike_set_clutch(b, 0);
                bike_set_rear_brake(b, 1);
            } else {
                bike_set_clutch(b, 0.125f);
            }
        } else {
            // The front is low and dropping: the spinning rear wheel lifts it.
            bike_set_throttle(b, 1);
            bike_set_clutch(b, 0.125f);
        }
        return;
    }
    if (v < target - 1) {
        bike_set_throttle(b, 1);
        bike_set_front_brake(b, 0);
        bike_set_rear_brake(b, 0);
    } else if (v < target) {
        bike_set_throttle(b, target - v);
        bike_set_front_brake(b, 0);
        bike_set_rear_brake(b, 0);
    } else {
        const float brake = clampf(v - target, 0, 1);
        bike_set_throttle(b, 0);
        bike_set_front_brake(b, brake);
        bike_set_rear_brake(b, brake);
    }
    if (b->gear > 0) {
        bike_set_clutch(b, 1);
    } else {
        const float rpm = b->engine_speed * 9.549296f;
        bike_set_clutch(b, clampf((rpm - (b->info.shift_down_rpm - 1000)) / 1000, 0, 1));
    }
}

float autopilot_aim_radius(bike *b, const float aim[3], const velocity_frame *frame, float R)
{
    float p[3], d[3];
    frame_position(b, p);
    for (int k = 0; k < 3; ++k) d[k] = aim[k] - p[k];
    const double y = -dot3(d, frame->back), x = dot3(d, frame->side);
    if (!(y > 0)) return x < 0 ? -10.0f : 10.0f;
    // Push the aim point away from the circle the bike now rides, so that the new turn
    // corrects past it.
    const double cx = x - R, cy = y, cl = std::sqrt(cx * cx + cy * cy);
    double qx = R + std::fabs(R), qy = 0;   // any point of the circle when the aim is its centre
    if (cl > 0) qx = R + cx / cl * std::fabs(R), qy = cy / cl * std::fabs(R);
    double x2 = x + 2 * (x - qx);
    const double y2 = y + 2 * (y - qy);
    if (std::fabs(x2) <= 1e-6) x2 = x2 < 0 ? -1e-6 : 1e-6;
    return (float)((x2 * x2 + y2 * y2) / (2 * x2));
}

void autopilot_footprint(float corners[4][2], const float p[3], const velocity_frame *frame, float a1, float b1,
                         float a2, float b2)
{
    const float *s = frame->side, *k = frame->back;
    const float side[4] = {a1, a1, a2, a2}, back[4] = {b1, b2, b2, b1};
    for (int c = 0; c < 4; ++c) {
        corners[c][0] = p[0] + side[c] * s[0] + back[c] * k[0];
        corners[c][1] = p[2] + side[c] * s[2] + back[c] * k[2];
    }
}

// Which side of the line through a and b the point p lies on (sign of the cross product).
static float side_of(const float a[2], const float b[2], const float p[2])
{
    return (b[0] - a[0]) * (p[1] - a[1]) - (b[1] - a[1]) * (p[0] - a[0]);
}

int autopilot_footprints_cross(const float a[4][2], const float b[4][2])
{
    for (int k = 0; k < 4; ++k) {
        const float *a0 = a[k], *a1 = a[(k + 1) % 4], *b0 = b[k], *b1 = b[(k + 1) % 4];
        if (side_of(a0, a1, b0) * side_of(a0, a1, b1) < 0 && side_of(b0, b1, a0) * side_of(b0, b1, a1) < 0)
            return 1;
    }
    return 0;
}

float autopilot_neighbour_speed(bike *b, float R, const velocity_frame *frame, float v, float S, bike *other)
{
    const float r = std::min((float)((tick_count - race_start_tick) * tick), 100.0f);
    // Keenness: none until 3 s after the start, full at 5 s, down to 0.2 at 100 s.
    const float w = clampf((r - 3) / 2, 0, 1) * clampf((120 - r) / 100, 0, 1);
    float own[3], pos[3];
    frame_position(b, own);
    frame_position(other, pos);
    float q[3], dd = 0;
    for (int k = 0; k < 3; ++k) {
        dd += (pos[k] - own[k]) * (pos[k] - own[k]);
        q[k] = pos[k] - (own[k] + R * frame->side[k]);
    }
    const float d = std::sqrt(dd);
    const dReal *uv = dBodyGetLinearVel(other->bodies[BODY_FRAME]);
    const float u[3] = {(float)uv[0], (float)uv[1], (float)uv[2]};
    // The other's motion along the turn: its velocity without the part toward the turn's centre.
    float ut[3] = {u[0], u[1], u[2]};
    const float q2 = dot3(q, q);
    if (q2 > 0) {
        const float f = dot3(u, q) / q2;
        for (int k = 0; k < 3; ++k) ut[k] = u[k] - q[k] * f;
    }
    const float vo = dot3(ut, frame->back) < 0 ? std::sqrt(dot3(ut, ut)) : 0;
    const float gap = 12 + 8 * w;
    if (d >= gap && vo < S) {
        const float t = (v - vo) / 5;   // seconds to shed the difference at 5 ft/s²
        const float x = v * t - 2.5f * t * t - (vo * t + d);
        if (x > -gap) {
            S += (vo - S) * clampf((x + gap) / 3, 0, 1);
            // Held up by another rider, the run says nothing about its lines.
            for (int &id : b->recent_line_ids) id = 0;
        }
    }
    if (d < gap) return std::min(S, (1 - w / 4) * vo);
    return S;
}

// The nearest overlapping rider ahead of b, or null.
static bike *rider_ahead(bike *b, const velocity_frame *frame, float v)
{
    float own[3], mine[4][2];
    frame_position(b, own);
    const float at[3] = {own[0], 0, own[2]};
    autopilot_footprint(mine, at, frame, -2, -(4 + v), 2, 4);
    bike *best = nullptr;
    float best_d2 = 0;
    for (bike *o : bike_slot_table) {
        if (!o || o == b) continue;
        float pos[3], theirs[4][2];
        frame_position(o, pos);
        const float dx = pos[0] - own[0], dz = pos[2] - own[2], d2 = dx * dx + dz * dz;
        // Footprints reach at most 4 + v ft from their riders: far riders cannot overlap.
        const float reach = 8 + v + frame_speed(o) + 4;
        if (d2 > reach * reach) continue;
        velocity_frame of;
        velocity_frame_of(o, &of);
        const float oat[3] = {pos[0], 0, pos[2]};
        autopilot_footprint(theirs, oat, &of, -2, -(4 + frame_speed(o)), 2, 4);
        if (!autopilot_footprints_cross(mine, theirs)) continue;
        if (!best || d2 < best_d2) best = o, best_d2 = d2;
    }
    if (!best) return nullptr;
    float pos[3];
    frame_position(best, pos);
    velocity_frame of;
    velocity_frame_of(best, &of);
    const float to[3] = {pos[0] - own[0], pos[1] - own[1], pos[2] - own[2]};
    const float from[3] = {-to[0], -to[1], -to[2]};
    return dot3(to, frame->back) < dot3(from, of.back) ? best : nullptr;
}

// The friction coefficient of the surface tile under (x, z); 1 without ground.
static float tile_friction(float x, float z)
{
    const terrain_field *t = terrain_ptr;
    if (!t || !t->tilemap || !(t->cell_size > 0)) return 1;
    const float inv = 0.5f / t->cell_size;
    const long last = (1L << t->lod_depth) - 1;
    const long cx = std::clamp(std::lround(terrain_safe_cells(x, inv)), 0L, last);
    const long cz = std::clamp(std::lround(terrain_safe_cells(z, inv)), 0L, last);
    return t->friction[t->tilemap[(cz << t->lod_depth) + cx]][0];
}

// θ held to what the ground at (x, z) can carry across the bike.
static float grip_limit(bike *b, float x, float z, float lean, float theta)
{
    float n[3] = {0, 1, 0};
    if (terrain_ptr && terrain_ptr->heights) terrain_normal_at(terrain_ptr, x, z, n);
    dVector3 f;
    dBodyVectorFromWorld(b->bodies[BODY_FRAME], n[0], n[1], n[2], f);
    const float phi = std::atan2((float)f[0], (float)f[1]);
    // Leaning to atan μ would use all the tyre's grip across the bike, leaving none for a bump
    // or the brakes: the front slid away under most robots that did. A robot keeps 0.4 in hand.
    const float psi = std::min(std::atan(0.6f * tile_friction(x, z)), 1.1780972f);
    return clampf(theta, lean - phi - psi, lean - phi + psi);
}

void autopilot_follow(bike *b)
{
    int *state = b->robot_state;
    if ((tick_count - state[ROBOT_LAST_ADVANCE]) * tick > 3) {
        state[ROBOT_RECOVERY] = 3;
        return;
    }
    bike_set_dab(b, 0);
    const int count = path_count(b);
    const float f = autopilot_path_position(b);
    const int i = clampi((int)std::lround(f), 0, count - 1);
    const float si = std::fabs(sample(b, i).speed);
    float S = si + (std::fabs(sample(b, i + 1).speed) - si) * (f - (float)i);
    const float v = frame_speed(b);
    float X[3];
    frame_position(b, X);

    // A jump ahead: two airborne samples in a row.
    int k = -1;
    for (int j = i; j < std::min(i + 20, count) - 1; ++j)
        if (sample(b, j).speed < 0 && sample(b, j + 1).speed < 0) {
            k = j;
            break;
        }
    float J = straight;
    if (k >= 0 && v > 0) {
        const line_sample &p = sample(b, i);
        const float dx = p.x - X[0], dy = p.y - X[1], dz = p.z - X[2];
        J = std::min((float)(k - i) * 0.25f + std::sqrt(dx * dx + dy * dy + dz * dz) / v, straight);
    }

    dVector3 w;
    frame_spin(b, w);
    const float lean = bike_get_lean_angle(b->bodies[BODY_FRAME]);
    velocity_frame frame;
    velocity_frame_of(b, &frame);

    const float load = ((float)b->wheels[WHEEL_FRONT].feedback.f1[1] + (float)b->wheels[WHEEL_REAR].feedback.f1[1]) /
                       (32 * b->total_mass);
    const float G = std::max(1.0f, load - 1);
    float Lm = pi / G;
    // The radius the present lean holds; upright it is a straight run.
    float R = -v * v / (32 * G * std::tan(lean));
    if (!std::isfinite(R) || std::fabs(R) > straight) R = lean > 0 ? -straight : straight;

    bike *ahead = rider_ahead(b, &frame, v);
    if (ahead) S = autopilot_neighbour_speed(b, R, &frame, v, S, ahead);

    float A[3], K = lean_gain;
    if (b->gate_index < 1) {
        path_point(b, f + 4, A);
    } else {
        // Samples nearly straight ahead: the more there are, the gentler the lean command.
        int h = 0;
        for (int j = i + 1; j <= i + 6 && j < count; ++j) {
            const line_sample &p = sample(b, j);
            const float d[3] = {p.x - X[0], 0, p.z - X[2]};
            const float fwd = -dot3(d, frame.back), lat = dot3(d, frame.side);
            if (!(fwd > 0) || std::fabs(lat) > 0.125f * fwd) break;
            ++h;
        }
        const float q = clampf((20 - (float)h) / 17, 0, 1);
        K = lean_gain * q;
        Lm *= q;
        if (J >= 2) {
            path_point(b, h > 4 && std::fabs(lean) < pi / 8 ? f + 3 : f + 2, A);
        } else {
            // Line up with the take-off run.
            const float bl = clampf((2 - J) * 2, 0, 1);
            const line_sample &p3 = sample(b, i + 3), &k3 = sample(b, k + 3), &k0 = sample(b, k);
            const float P3[3] = {p3.x, p3.y, p3.z};
            const float T[3] = {k3.x + X[0] - k0.x, k3.y + X[1] - k0.y, k3.z + X[2] - k0.z};
            for (int c = 0; c < 3; ++c) A[c] = P3[c] + (T[c] - P3[c]) * bl;
        }
    }

    const float Ra = autopilot_aim_radius(b, A, &frame, R);
    float theta = std::atan(-v * v / (32 * G * Ra));

    const float unlimited = theta;
    for (int j = i + 4; j >= i; --j) {
        const line_sample &p = sample(b, j);
        theta = grip_limit(b, p.x, p.z, lean, theta);
    }
    const dReal *fp = dBodyGetPosition(b->bodies[BODY_FRONT_WHEEL]);
    const dReal *fv = dBodyGetLinearVel(b->bodies[BODY_FRONT_WHEEL]);
    theta = grip_limit(b, (float)(fp[0] + 0.25 * fv[0]), (float)(fp[2] + 0.25 * fv[2]), lean, theta);
    if (theta != unlimited) {
        S = std::min(S, std::sqrt(std::tan(std::fabs(theta)) * G * std::fabs(Ra) * 32));
        b->robot_stamp = tick_count;
    }

    const float *cv = b->wheels[WHEEL_FRONT].contact_velocity;
    const float slide = std::sqrt(dot3(cv, cv));
    float F = clampf((16 - slide) / 16, 0, 1);

    if (v < 7.5f) {
        theta = 0;
        F = 1;
    } else if (v < 10) {
        const float h = (v - 7.5f) * 0.4f;
        theta *= h;
        F = 1 - (1 - F) * h;
    }

    if (J < 3) {
        const float j = clampf((3 - J) / 2, 0, 1);
        F += (1 - F) * j;
        S += (std::max(v, si + 2) - S) * j;
        const float m = pi / 2 - 1.3744469f * j;
        theta = clampf(theta, -m, m);
        Lm += (pi / 8 - Lm) * clampf((3 - J) / 3, 0, 1);
    }

    float e = (theta - lean) * K;
    if ((lean >= 0 && e < 0) || (lean < 0 && e >= 0)) Lm *= 2;   // back toward upright
    e = clampf(e, -Lm, Lm);

    bike_set_full_lock_speed(b, 1);
    bike_set_restricted_lock_speed(b, 50);
    bike_set_restricted_lock(b, (1 + 4 * clampf(std::fabs(e) / pi, 0, 1)) * pi / 180);

    const float a = bike_steer_toward_angle(b, bike_get_front_slip_angle(b));
    float steer = a;
    if (b->wheels[WHEEL_FRONT].depth > 0)
        steer = a + (counter_steer(e, (float)w[2]) - a) * clampf((4 - slide) / 4, 0, 1);
    bike_set_steer(b, clampf(steer, -1, 1));

    autopilot_speed_control(b, v, S);

    const float x = F * b->input.throttle, m = b->robot_float[ROBOT_THROTTLE];
    const float throttle = (tick_count - b->robot_stamp) * tick >= 0.125 ? clampf(x, m - 1.0f / 32, 1)
                                                                          : clampf(x, 0, m + 1.0f / 32);
    b->robot_float[ROBOT_THROTTLE] = throttle;
    bike_set_throttle(b, throttle);
}
