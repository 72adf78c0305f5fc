// The packed bike state. All fields are unsigned little-endian; a field of n bits holds
// floor(v * (2^n - 1) + 0.5) for v in 0..1, read back as stored / (2^n - 1). E is the field's
// world extent, Ymin its lowest height, R the swingarm's angle range, T the fork travel.
//
//   bytes  field                                   v
//   0-2    frame x                                 clamp(x, 0, E) / E
//   3-5    frame y                                 (clamp(y, Ymin, Ymin + E) - Ymin) / E
//   6-8    frame z                                 clamp(z, 0, E) / E
//   9-16   frame quaternion w, x, y, z (16 each)   (clamp(q, -1, 1) + 1) / 2
//   17     steering hinge angle                    (clamp(a, -pi/4, pi/4) + pi/4) / (pi/2)
//   18     swingarm hinge angle                    (clamp(a, -R, 0) + R) / R, then bit 0 set
//   19     fork slider position                    (clamp(p, -T, 0) + T) / T, then bit 0 clear
//   20-25  rider minus frame position, world x y z (clamp(d, -16, 16) + 16) / 32, 16 bits each
//   26-33  rider quaternion                        as bytes 9-16
//   34     front axle hinge angle                  (clamp(a, -pi, pi) + pi) / (2 pi)
//   35     rear axle hinge angle                   as byte 34
//   36     drive byte                              see drive_byte
//   37-38  engine speed, rpm                       clamp(rpm, 0, 32768) / 32768
//
// Layout 4 (26 bytes, older recordings): bytes 0-19 as above, 20 the rider's lean position
// between the catalogue's lean limits, 21-22 the axle angles, 23 the drive byte, 24-25 the rpm.
#include "bike/frame.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "bike/anchors.h"
#include "bike/bike_create.h"
#include "bike/bike_record.h"
#include "bike/small_ops.h"
#include "platform/log.h"
#include "shell/globals.h"
#include "terrain/field.h"

namespace {

constexpr double pi = 3.14159265358979323846;
constexpr double rpm_per_rad_s = 9.549296585513721;
constexpr double rad_s_per_rpm = 0.10471975511965977;
constexpr double rpm_range = 32768;
constexpr double rider_reach = 16;         // ft either way from the frame
constexpr double blend_force_cap = 2500;   // lbf, and lbf·ft for the torque

struct frame_offsets {
    int rider_offset;   // -1: layout 4 has none
    int rider_quat;
    int lean;           // layout 4 only
    int front_wheel, rear_wheel, drive, rpm;
};
constexpr frame_offsets offsets_39 = {20, 26, -1, 34, 35, 36, 37};
constexpr frame_offsets offsets_26 = {-1, -1, 20, 21, 22, 23, 24};

const frame_offsets &offsets_of(int layout)
{
    return layout == BIKE_FRAME_OLD_LAYOUT ? offsets_26 : offsets_39;
}

std::uint32_t field_max(int bits) { return (std::uint32_t)((1ull << bits) - 1); }

// x in lo..lo + span as a field of n bits. A value that is not finite (a bike that blew up) or
// an empty range (no ground loaded) gives the low end, never an undefined conversion.
std::uint32_t quantise(double x, double lo, double span, int bits)
{
    if (!std::isfinite(x) || !std::isfinite(lo) || !std::isfinite(span) || !(span > 0)) return 0;
    x = std::clamp(x, lo, lo + span);
    return (std::uint32_t)std::floor((x - lo) / span * field_max(bits) + 0.5);
}

void put(std::uint8_t *out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) out[i] = (std::uint8_t)(value >> (8 * i));
}

std::uint32_t get(const std::uint8_t *in, int bytes)
{
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= (std::uint32_t)in[i] << (8 * i);
    return v;
}

double fraction(const std::uint8_t *in, int bytes) { return get(in, bytes) / (double)field_max(8 * bytes); }

// The ground's extent and lowest height; 0 and 0 when no usable field is loaded.
void field_range(double *extent, double *low)
{
    *extent = 0;
    *low = 0;
    const terrain_field *t = terrain_ptr;
    if (!t || !std::isfinite(t->world_size) || !(t->world_size > 0)) return;
    *extent = t->world_size;
    if (std::isfinite(t->height_min)) *low = t->height_min;
}

// The 16-bit components read back. Almost no byte pattern is a unit quaternion, and a matrix
// built from one that is not would be no rotation: normalise (the length is never below about
// 3e-5, since a component can only be 0 at 1.5e-5 of its step from the middle).
void decode_quaternion(const std::uint8_t *in, dQuaternion q)
{
    double length2 = 0;
    for (int i = 0; i < 4; ++i) {
        q[i] = 2 * fraction(in + 2 * i, 2) - 1;
        length2 += q[i] * q[i];
    }
    double scale = 1 / std::sqrt(length2);
    for (int i = 0; i < 4; ++i) q[i] *= scale;
}

void decode_position(const std::uint8_t *in, dVector3 p)
{
    double extent, low;
    field_range(&extent, &low);
    p[0] = extent * fraction(in, 3);
    p[1] = low + extent * fraction(in + 3, 3);
    p[2] = extent * fraction(in + 6, 3);
}

void quat_to_matrix(const dReal q[4], double m[3][3])
{
    double w = q[0], x = q[1], y = q[2], z = q[3];
    m[0][0] = 1 - 2 * (y * y + z * z); m[0][1] = 2 * (x * y - w * z);     m[0][2] = 2 * (x * z + w * y);
    m[1][0] = 2 * (x * y + w * z);     m[1][1] = 1 - 2 * (x * x + z * z); m[1][2] = 2 * (y * z - w * x);
    m[2][0] = 2 * (x * z - w * y);     m[2][1] = 2 * (y * z + w * x);     m[2][2] = 1 - 2 * (x * x + y * y);
}

void sub3(const float a[3], const float b[3], double out[3])
{
    for (int i = 0; i < 3; ++i) out[i] = (double)a[i] - b[i];
}

double length3(const double v[3]) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

void cross3(const double a[3], const double b[3], double out[3])
{
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

double dot3(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void set_pose(dBodyID body, const dReal *position, const dQuaternion q)
{
    dBodySetPosition(body, position[0], position[1], position[2]);
    dBodySetQuaternion(body, q);
}

// The world point of a body-relative offset, and the body's rotation followed by a turn about a
// body axis: the child bodies hang off the frame this way.
void pose_child(dBodyID parent, const double offset[3], double ax, double ay, double az,
                double angle, dBodyID child)
{
    dVector3 p;
    dBodyGetRelPointPos(parent, offset[0], offset[1], offset[2], p);
    dQuaternion turn, q;
    dQFromAxisAndAngle(turn, ax, ay, az, angle);
    dQMultiply0(q, dBodyGetQuaternion(parent), turn);
    set_pose(child, p, q);
}

// The foot anchors where a crash begins, with the rider body's velocity there.
void rider_anchors_at_crash(bike *b)
{
    float feet[2][3];
    bike_get_rider_anchors(b, feet[0], nullptr, feet[1], nullptr);
    for (int side = 0; side < 2; ++side) {
        dVector3 v;
        dBodyGetPointVel(b->bodies[BODY_RIDER], feet[side][0], feet[side][1], feet[side][2], v);
        for (int i = 0; i < 3; ++i) {
            b->anchors.foot[side][i] = feet[side][i];
            b->anchors.velocity[side][i] = (float)v[i];
        }
    }
}

void set_gear_from(bike *b, int bits)
{
    int gear = std::min(bits, BIKE_GEARS - 1);
    while (gear > 0 && !(b->info.gear_ratios[gear] > 0)) --gear;
    b->gear = gear;
}

bool drive_down(std::uint8_t drive) { return (drive & 7) == 7; }

// Rider up: gear in bits 0-2, a foot down in bit 3, the throttle in fifteenths above. Rider down:
// 7 in bits 0-2 and how far into the crash (0..15, full from 128 ticks) above.
std::uint8_t drive_byte(const bike *b)
{
    if (b->crash_counter > 0) {
        long long into = (15LL * b->crash_counter - 15) / 127;
        return (std::uint8_t)(7 | std::min(into, 15LL) << 4);
    }
    int gear = std::clamp(b->gear, 0, 6);
    double throttle = (double)b->input.throttle * 15;
    int nibble = std::isfinite(throttle) ? (int)std::clamp(throttle, 0.0, 15.0) : 0;
    return (std::uint8_t)(gear | (b->input.foot_down > 0 ? 8 : 0) | nibble << 4);
}

void pack_quaternion(const dReal *q, std::uint8_t *out)
{
    for (int i = 0; i < 4; ++i) put(out + 2 * i, quantise(q[i], -1, 2, 16), 2);
}

}  // namespace

void rotation_vector_between(const dReal qa[4], const dReal qb[4], dReal out[3])
{
    out[0] = out[1] = out[2] = 0;
    double la = 0, lb = 0;
    for (int i = 0; i < 4; ++i) {
        la += qa[i] * qa[i];
        lb += qb[i] * qb[i];
    }
    if (!(la > 0) || !(lb > 0) || !std::isfinite(la) || !std::isfinite(lb)) return;
    dReal ua[4], ub[4];
    for (int i = 0; i < 4; ++i) {
        ua[i] = qa[i] / std::sqrt(la);
        ub[i] = qb[i] / std::sqrt(lb);
    }
    double a[3][3], m[3][3];
    quat_to_matrix(ua, a);
    quat_to_matrix(ub, m);
    // Basis vectors (the matrix columns) and their changes.
    double basis[3][3], change[3][3];
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 3; ++r) {
            basis[c][r] = a[r][c];
            change[c][r] = m[r][c] - a[r][c];
        }
    // For a turn by t about the unit axis k, change_i x change_j = (2 - 2 cos t)(k . (e_i x e_j)) k:
    // any one pair of basis vectors loses the axis when k lies in their plane, so take the pair
    // that keeps it best.
    static const int pairs[3][2] = {{0, 1}, {1, 2}, {2, 0}};
    double axis[3] = {0, 0, 0}, best = 0;
    int measured = 0;
    for (const auto &p : pairs) {
        double c[3];
        cross3(change[p[0]], change[p[1]], c);
        double l = length3(c);
        if (l > best) {
            best = l;
            std::memcpy(axis, c, sizeof axis);
            measured = length3(change[p[0]]) >= length3(change[p[1]]) ? p[0] : p[1];
        }
    }
    if (!(best > 1e-30)) return;
    for (double &v : axis) v /= best;
    // The measured basis vector's component across the axis, before and after the turn.
    double along = dot3(basis[measured], axis);
    double from[3], to[3];
    for (int i = 0; i < 3; ++i) {
        from[i] = basis[measured][i] - along * axis[i];
        to[i] = from[i] + change[measured][i];
    }
    double lf = length3(from), lt = length3(to);
    if (!(lf > 0) || !(lt > 0)) return;
    double cosine = std::clamp(dot3(from, to) / (lf * lt), -1.0, 1.0);
    double angle = std::acos(cosine);
    double turn[3];
    cross3(from, to, turn);
    if (dot3(turn, axis) < 0) angle = -angle;
    for (int i = 0; i < 3; ++i) out[i] = axis[i] * angle / tick;
}

void bike_pack_frame(bike *b, std::uint8_t out[BIKE_FRAME_BYTES])
{
    const bike_info &info = b->info;
    double extent, low;
    field_range(&extent, &low);

    const dReal *frame = dBodyGetPosition(b->bodies[BODY_FRAME]);
    put(out + 0, quantise(frame[0], 0, extent, 24), 3);
    put(out + 3, quantise(frame[1], low, extent, 24), 3);
    put(out + 6, quantise(frame[2], 0, extent, 24), 3);
    pack_quaternion(dBodyGetQuaternion(b->bodies[BODY_FRAME]), out + 9);

    double steer = dJointGetHingeAngle(b->joints[JOINT_STEERING]);
    double swing = dJointGetHingeAngle(b->joints[JOINT_SWINGARM]);
    double slide = dJointGetSliderPosition(b->joints[JOINT_FORK_SLIDER]);
    out[17] = (std::uint8_t)quantise(steer, -pi / 4, pi / 2, 8);
    out[18] = (std::uint8_t)(quantise(swing, -info.swingarm_angle_max, info.swingarm_angle_max, 8) | 1);
    out[19] = (std::uint8_t)(quantise(slide, -info.fork_travel, info.fork_travel, 8) & ~1u);

    const dReal *rider = dBodyGetPosition(b->bodies[BODY_RIDER]);
    for (int i = 0; i < 3; ++i)
        put(out + 20 + 2 * i, quantise(rider[i] - frame[i], -rider_reach, 2 * rider_reach, 16), 2);
    pack_quaternion(dBodyGetQuaternion(b->bodies[BODY_RIDER]), out + 26);

    out[34] = (std::uint8_t)quantise(dJointGetHingeAngle(b->joints[JOINT_FRONT_AXLE]), -pi, 2 * pi, 8);
    out[35] = (std::uint8_t)quantise(dJointGetHingeAngle(b->joints[JOINT_REAR_AXLE]), -pi, 2 * pi, 8);
    out[36] = drive_byte(b);
    put(out + 37, quantise(b->engine_speed * rpm_per_rad_s, 0, rpm_range, 16), 2);
}

void bike_unpack_frame(bike *b, const std::uint8_t *f, int layout)
{
    const bike_info &info = b->info;
    const frame_offsets &at = offsets_of(layout);
    dBodyID frame = b->bodies[BODY_FRAME], upper = b->bodies[BODY_FORK_UPPER];
    dBodyID lower = b->bodies[BODY_FORK_LOWER], swingarm = b->bodies[BODY_SWINGARM];
    dBodyID rider = b->bodies[BODY_RIDER];

    dVector3 p;
    dQuaternion q;
    decode_position(f, p);
    decode_quaternion(f + 9, q);
    set_pose(frame, p, q);

    double offset[3], axis[3];
    sub3(info.fork_upper_position, info.frame_position, offset);
    sub3(info.fork_upper_position, info.fork_lower_position, axis);
    double steer = fraction(f + 17, 1) * (pi / 2) - pi / 4;
    pose_child(frame, offset, axis[0], axis[1], axis[2], steer, upper);

    // The whole byte, bit 0 included, as the reader always took it.
    double range = info.swingarm_angle_max;
    double swing = range * fraction(f + 18, 1) - range;
    double arm[3];
    sub3(info.swingarm_position, info.swingarm_pivot, arm);
    double c = std::cos(swing), s = std::sin(swing);
    offset[0] = (double)info.swingarm_pivot[0] + arm[0] - info.frame_position[0];
    offset[1] = (double)info.swingarm_pivot[1] + arm[1] * c - arm[2] * s - info.frame_position[1];
    offset[2] = (double)info.swingarm_pivot[2] + arm[1] * s + arm[2] * c - info.frame_position[2];
    pose_child(frame, offset, 1, 0, 0, swing, swingarm);

    double travel = info.fork_travel;
    double slide = travel * fraction(f + 19, 1) - travel;
    double d[3];
    sub3(info.fork_lower_position, info.fork_upper_position, d);
    double dl = length3(d);
    for (int i = 0; i < 3; ++i) offset[i] = d[i] + (dl > 0 ? slide * d[i] / dl : 0);
    pose_child(upper, offset, 1, 0, 0, 0, lower);

    if (at.rider_offset >= 0) {
        const dReal *fp = dBodyGetPosition(frame);
        dVector3 rp;
        for (int i = 0; i < 3; ++i)
            rp[i] = fp[i] + 2 * rider_reach * fraction(f + at.rider_offset + 2 * i, 2) - rider_reach;
        decode_quaternion(f + at.rider_quat, q);
        set_pose(rider, rp, q);
    } else {
        double lo = info.rider_lean_limits[0], hi = info.rider_lean_limits[1];
        double u = lo + (hi - lo) * fraction(f + at.lean, 1);
        double dir[3] = {info.rider_lean_direction[0], info.rider_lean_direction[1],
                         info.rider_lean_direction[2]};
        double n = length3(dir);
        sub3(info.rider_position, info.frame_position, offset);
        if (n > 0)
            for (int i = 0; i < 3; ++i) offset[i] += u * dir[i] / n;
        pose_child(frame, offset, 1, 0, 0, 0, rider);
    }

    sub3(info.front_wheel.center, info.fork_lower_position, offset);
    pose_child(lower, offset, -1, 0, 0, 2 * pi * fraction(f + at.front_wheel, 1) - pi,
               b->bodies[BODY_FRONT_WHEEL]);
    sub3(info.rear_wheel.center, info.swingarm_position, offset);
    pose_child(swingarm, offset, -1, 0, 0, 2 * pi * fraction(f + at.rear_wheel, 1) - pi,
               b->bodies[BODY_REAR_WHEEL]);

    std::uint8_t drive = f[at.drive];
    if (drive_down(drive)) {
        dJointAttach(b->joints[JOINT_RIDER], nullptr, nullptr);
        b->input.throttle = 0;
        b->crash_counter = (drive >> 4) * 127 / 15 + 1;
    } else {
        if (b->crash_counter != 0) {
            dVector3 rp;
            dQuaternion rq;
            std::memcpy(rp, dBodyGetPosition(rider), sizeof rp);
            std::memcpy(rq, dBodyGetQuaternion(rider), sizeof rq);
            bike_rider_reattach(b);
            set_pose(rider, rp, rq);
        }
        b->crash_counter = 0;
        set_gear_from(b, drive & 7);
        b->input.throttle = (float)((drive >> 4) / 15.0);
    }
    b->engine_speed = (float)(fraction(f + at.rpm, 2) * rpm_range * rad_s_per_rpm);
}

void bike_apply_frame(bike *b, const std::uint8_t *current, const std::uint8_t *previous,
                      const std::uint8_t *next, int ticks, int layout)
{
    if (b->simulated_weight > 0.25f) {
        bike_blend_frame(b, current, previous, next, ticks, layout);
        return;
    }
    int was_down = b->crash_counter;
    dVector3 from[BIKE_BODIES];
    dQuaternion turn_from[BIKE_BODIES];
    bike_unpack_frame(b, previous, layout);
    for (int i = 0; i < BIKE_BODIES; ++i) {
        std::memcpy(from[i], dBodyGetPosition(b->bodies[i]), sizeof from[i]);
        std::memcpy(turn_from[i], dBodyGetQuaternion(b->bodies[i]), sizeof turn_from[i]);
    }
    bike_unpack_frame(b, next, layout);
    const double span = ticks < 2 ? 1 : ticks;
    dReal v[BIKE_BODIES][3], w[BIKE_BODIES][3];
    double fastest = 0;
    bool finite = true;
    for (int i = 0; i < BIKE_BODIES; ++i) {
        const dReal *to = dBodyGetPosition(b->bodies[i]);
        for (int k = 0; k < 3; ++k) v[i][k] = (to[k] - from[i][k]) / (span * tick);
        rotation_vector_between(turn_from[i], dBodyGetQuaternion(b->bodies[i]), w[i]);
        for (int k = 0; k < 3; ++k) {
            w[i][k] /= span;
            finite = finite && std::isfinite(v[i][k]) && std::isfinite(w[i][k]);
        }
        fastest = std::max(fastest, std::sqrt(v[i][0] * v[i][0] + v[i][1] * v[i][1] + v[i][2] * v[i][2]));
    }
    // Frames that jump further than a bike can go were a reset, or are damaged: either way the
    // bike is taken there at rest, not flung at the next rider it touches.
    const bool teleport = !finite || !(fastest <= BIKE_FRAME_SPEED_MAX_FPS);
    if (teleport) {
        static int told;
        if (++told <= 20 || told % 1000 == 0)
            kubl_log_printf("Bike frames jump at %.0f ft/s: taken as a teleport\n", finite ? fastest : -1.0);
    }
    for (int i = 0; i < BIKE_BODIES; ++i) {
        if (teleport) {
            dBodySetLinearVel(b->bodies[i], 0, 0, 0);
            dBodySetAngularVel(b->bodies[i], 0, 0, 0);
        } else {
            dBodySetLinearVel(b->bodies[i], v[i][0], v[i][1], v[i][2]);
            dBodySetAngularVel(b->bodies[i], w[i][0], w[i][1], w[i][2]);
        }
    }
    bike_unpack_frame(b, current, layout);

    // Lift a frame that lies in the ground so the rear tyre's lowest point sits on it.
    if (terrain_ptr && terrain_ptr->heights) {
        dVector3 down;
        dBodyVectorToWorld(b->bodies[BODY_FRAME], 0, -b->info.rear_wheel.radius, 0, down);
        const dReal *centre = dBodyGetPosition(b->bodies[BODY_REAR_WHEEL]);
        double x = centre[0] + down[0], y = centre[1] + down[1], z = centre[2] + down[2];
        double ground = bike_terrain_height(terrain_ptr, (float)x, (float)z);
        if (std::isfinite(ground) && ground > y)
            for (dBodyID body : b->bodies) {
                const dReal *p = dBodyGetPosition(body);
                dBodySetPosition(body, p[0], p[1] + (ground - y), p[2]);
            }
    }

    if (was_down == 0 && b->crash_counter != 0) rider_anchors_at_crash(b);
    std::uint8_t drive = current[offsets_of(layout).drive];
    if (drive_down(drive) || (drive & 8))
        b->input.foot_down = (float)std::min(1.0, b->input.foot_down + 8 * tick);
}

void bike_blend_frame(bike *b, const std::uint8_t *current, const std::uint8_t *previous,
                      const std::uint8_t *next, int ticks, int layout)
{
    const bike_info &info = b->info;
    const frame_offsets &at = offsets_of(layout);
    dBodyID frame = b->bodies[BODY_FRAME];

    double w = b->simulated_weight, k, c;
    if (w > 0.75) {
        k = c = 0;
    } else if (w > 0.5) {
        double q = std::clamp(4 * (0.75 - w), 0.0, 1.0);
        k = 5000 * q;
        c = -500 * q;
    } else {
        double q = std::clamp(2 * (0.5 - w), 0.0, 1.0);
        k = 5000 + 45000 * q;
        c = -500;
    }
    if (!std::isfinite(k)) k = c = 0;

    dVector3 target, before, after;
    dQuaternion target_q;
    decode_position(current, target);
    decode_position(previous, before);
    decode_position(next, after);
    decode_quaternion(current + 9, target_q);
    // Fewer than one tick between the two frames is taken as one, as the kinematic path does.
    double span = (ticks < 1 ? 1 : ticks) * tick;

    const dReal *p = dBodyGetPosition(frame), *v = dBodyGetLinearVel(frame);
    double force[3], torque[3];
    for (int i = 0; i < 3; ++i)
        force[i] = c * (v[i] - (after[i] - before[i]) / span) + k * (target[i] - p[i]);
    dReal turn[3];
    rotation_vector_between(dBodyGetQuaternion(frame), target_q, turn);
    const dReal *spin = dBodyGetAngularVel(frame);
    for (int i = 0; i < 3; ++i) torque[i] = c * spin[i] + k * tick * turn[i];
    // A body that is no longer finite gets nothing from here: nothing non-finite reaches ODE.
    for (double *f : {force, torque}) {
        double l = length3(f);
        if (!std::isfinite(l)) continue;
        if (l > blend_force_cap)
            for (int i = 0; i < 3; ++i) f[i] *= blend_force_cap / l;
        if (f == force)
            dBodyAddForce(frame, f[0], f[1], f[2]);
        else
            dBodyAddTorque(frame, f[0], f[1], f[2]);
    }

    double aim = fraction(current + 17, 1) * (pi / 2) - pi / 4;
    double steer = 0.25 * (aim - dJointGetHingeAngle(b->joints[JOINT_STEERING]) -
                           dJointGetHingeAngleRate(b->joints[JOINT_STEERING]));
    b->input.steer = std::isfinite(steer) ? (float)std::clamp(steer, -1.0, 1.0) : 0.0f;

    std::uint8_t drive = current[at.drive];
    bool down = drive_down(drive);
    if (down) {
        if (b->crash_counter == 0) rider_anchors_at_crash(b);
        dJointAttach(b->joints[JOINT_RIDER], nullptr, nullptr);
        b->input.throttle = 0;
        b->crash_counter = (drive >> 4) * 127 / 15 + 1;
        b->input.dab = 0;
    } else {
        if (b->crash_counter != 0) bike_rider_reattach(b);
        b->crash_counter = 0;
        set_gear_from(b, drive & 7);
        b->input.throttle = (float)((drive >> 4) / 15.0);
        b->input.dab = drive & 8 ? 1.0f : 0.0f;
    }

    // The rider's place on the frame, in the target's frame axes, says how far he leans.
    double local[3];
    if (at.rider_offset >= 0) {
        double m[3][3], world[3];
        quat_to_matrix(target_q, m);
        for (int i = 0; i < 3; ++i)
            world[i] = 2 * rider_reach * fraction(current + at.rider_offset + 2 * i, 2) - rider_reach;
        for (int i = 0; i < 3; ++i) local[i] = m[0][i] * world[0] + m[1][i] * world[1] + m[2][i] * world[2];
    } else {
        double lo = info.rider_lean_limits[0], hi = info.rider_lean_limits[1];
        double u = lo + (hi - lo) * fraction(current + at.lean, 1);
        double dir[3] = {info.rider_lean_direction[0], info.rider_lean_direction[1],
                         info.rider_lean_direction[2]};
        double n = length3(dir);
        sub3(info.rider_position, info.frame_position, local);
        if (n > 0)
            for (int i = 0; i < 3; ++i) local[i] += u * dir[i] / n;
    }
    double rest_height = (double)info.rider_position[1] - info.frame_position[1];
    double rest_back = (double)info.rider_position[2] - info.frame_position[2];
    double lean = (rest_height - local[1]) * (0.5 + 0.5 * b->input.dab) - (rest_back - local[2]);
    b->input.lean = down || !std::isfinite(lean) ? 0.0f : (float)std::clamp(lean, -1.0, 1.0);

    b->engine_speed = (float)(fraction(current + at.rpm, 2) * rpm_range * rad_s_per_rpm);
}
