// The packed bike state: golden bytes of the wire format, round trips through a second bike,
// the crash and gear decoding, the kinematic playback, the pull on a simulated bike, the
// rotation vector, and frames made of arbitrary bytes.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "bike/bike_fixture.h"
#include "bike/frame.h"
#include "shell/globals.h"
#include "terrain/terrain_fixture.h"

namespace {

constexpr double pi = 3.14159265358979323846;

class Frame : public BikeWorld {
protected:
    std::unique_ptr<small_field> field;
    terrain_field *saved = nullptr;
    bike *b = nullptr;

    void SetUp() override
    {
        BikeWorld::SetUp();
        saved = terrain_ptr;
        use_ground([](int, int) { return 0.0f; });
        b = make();
    }
    void TearDown() override
    {
        bike_destroy(b);
        terrain_ptr = saved;
        BikeWorld::TearDown();
    }
    // A 256 ft field (depth 7, 1 ft cells).
    void use_ground(float (*height)(int, int))
    {
        field = std::make_unique<small_field>(7, 1.0f, [height](int x, int z) { return height(x, z); });
        terrain_ptr = field->t;
    }
    std::vector<std::uint8_t> pack(bike *which = nullptr)
    {
        std::vector<std::uint8_t> out(BIKE_FRAME_BYTES);
        bike_pack_frame(which ? which : b, out.data());
        return out;
    }
};

void set_position(dBodyID body, double x, double y, double z) { dBodySetPosition(body, x, y, z); }

void expect_finite(const bike *b, const char *where)
{
    for (int i = 0; i < BIKE_BODIES; ++i) {
        const dReal *values[4] = {dBodyGetPosition(b->bodies[i]), dBodyGetQuaternion(b->bodies[i]),
                                  dBodyGetLinearVel(b->bodies[i]), dBodyGetAngularVel(b->bodies[i])};
        for (int v = 0; v < 4; ++v)
            for (int k = 0; k < (v == 1 ? 4 : 3); ++k)
                ASSERT_TRUE(std::isfinite(values[v][k])) << where << ": body " << i << " value " << v;
    }
}

// Angle between two orientations.
double turn_between(const dReal *a, const dReal *c)
{
    double d = std::fabs(a[0] * c[0] + a[1] * c[1] + a[2] * c[2] + a[3] * c[3]);
    return 2 * std::acos(std::min(1.0, d));
}

// Poses a bike from continuous joint values by the joints' own geometry (rotation matrices,
// independent of the frame code): each child at its rest offset on its parent, turned about the
// joint axis. Wheels turn about -x relative to their carrier, so the hinge reads +angle.
struct pose_values {
    double position[3], quat[4], steer, swing, slide, rider_offset[3], rider_quat[4], front, rear;
};

void pose_bike(bike *b, const pose_values &v)
{
    const bike_info &i = b->info;
    auto rel = [](const float *a, const float *o, double s = 1) {
        return std::vector<double>{(a[0] - o[0]) * s, (a[1] - o[1]) * s, (a[2] - o[2]) * s};
    };
    auto place = [](dBodyID parent, std::vector<double> off, dBodyID child, const dReal *axis, double angle) {
        dVector3 p;
        dBodyGetRelPointPos(parent, off[0], off[1], off[2], p);
        dMatrix3 turn, r;
        dRFromAxisAndAngle(turn, axis[0], axis[1], axis[2], angle);
        dMultiply0_333(r, dBodyGetRotation(parent), turn);
        dBodySetPosition(child, p[0], p[1], p[2]);
        dBodySetRotation(child, r);
    };
    dBodyID frame = b->bodies[BODY_FRAME];
    set_position(frame, v.position[0], v.position[1], v.position[2]);
    dBodySetQuaternion(frame, v.quat);
    const dReal steer_axis[3] = {i.fork_upper_position[0] - i.fork_lower_position[0],
                                 i.fork_upper_position[1] - i.fork_lower_position[1],
                                 i.fork_upper_position[2] - i.fork_lower_position[2]};
    const dReal x_axis[3] = {1, 0, 0}, minus_x[3] = {-1, 0, 0};
    place(frame, rel(i.fork_upper_position, i.frame_position), b->bodies[BODY_FORK_UPPER], steer_axis, v.steer);
    std::vector<double> arm = rel(i.swingarm_position, i.swingarm_pivot);
    double c = std::cos(v.swing), s = std::sin(v.swing);
    std::vector<double> pivot = rel(i.swingarm_pivot, i.frame_position);
    place(frame, {pivot[0] + arm[0], pivot[1] + arm[1] * c - arm[2] * s, pivot[2] + arm[1] * s + arm[2] * c},
          b->bodies[BODY_SWINGARM], x_axis, v.swing);
    std::vector<double> d = rel(i.fork_lower_position, i.fork_upper_position);
    double dl = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    place(b->bodies[BODY_FORK_UPPER], {d[0] * (1 + v.slide / dl), d[1] * (1 + v.slide / dl), d[2] * (1 + v.slide / dl)},
          b->bodies[BODY_FORK_LOWER], x_axis, 0);
    place(b->bodies[BODY_FORK_LOWER], rel(i.front_wheel.center, i.fork_lower_position), b->bodies[BODY_FRONT_WHEEL],
          minus_x, v.front);
    place(b->bodies[BODY_SWINGARM], rel(i.rear_wheel.center, i.swingarm_position), b->bodies[BODY_REAR_WHEEL],
          minus_x, v.rear);
    set_position(b->bodies[BODY_RIDER], v.position[0] + v.rider_offset[0], v.position[1] + v.rider_offset[1],
                 v.position[2] + v.rider_offset[2]);
    dBodySetQuaternion(b->bodies[BODY_RIDER], v.rider_quat);
}

std::uint32_t field_at(const std::vector<std::uint8_t> &f, int offset, int bytes)
{
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= (std::uint32_t)f[offset + i] << (8 * i);
    return v;
}

// A frame of the bike resting at (x, y, z) with the identity orientation and the given drive byte.
std::vector<std::uint8_t> resting_frame(bike *b, double x, double y, double z, std::uint8_t drive)
{
    pose_values v = {{x, y, z}, {1, 0, 0, 0}, 0, 0, 0, {0, 2.52, 0.52}, {1, 0, 0, 0}, 0, 0};
    pose_bike(b, v);
    std::vector<std::uint8_t> f(BIKE_FRAME_BYTES);
    bike_pack_frame(b, f.data());
    f[36] = drive;
    return f;
}

}  // namespace

TEST_F(Frame, GoldenBytes)
{
    const double nan = std::nan("");
    struct Case {
        const char *what;
        std::function<void(bike *)> set;
        int offset;
        std::vector<std::uint8_t> want;
    };
    const Case cases[] = {
        {"x = 0", [](bike *b) { set_position(b->bodies[BODY_FRAME], 0, 3, 5); }, 0, {0, 0, 0}},
        {"x = E", [](bike *b) { set_position(b->bodies[BODY_FRAME], 256, 3, 5); }, 0, {0xFF, 0xFF, 0xFF}},
        {"x beyond E", [](bike *b) { set_position(b->bodies[BODY_FRAME], 1e6, 3, 5); }, 0, {0xFF, 0xFF, 0xFF}},
        {"y at half E", [](bike *b) { set_position(b->bodies[BODY_FRAME], 0, 128, 5); }, 3, {0x00, 0x00, 0x80}},
        {"x not finite", [nan](bike *b) { set_position(b->bodies[BODY_FRAME], nan, 3, 5); }, 0, {0, 0, 0}},
        {"identity", [](bike *) {}, 9, {0xFF, 0xFF, 0x00, 0x80, 0x00, 0x80, 0x00, 0x80}},
        {"rider 16 ft up", [](bike *b) { set_position(b->bodies[BODY_RIDER], 0, 1.98 + 16, 3.6); }, 22, {0xFF, 0xFF}},
        {"crash counter 1", [](bike *b) { b->crash_counter = 1; }, 36, {0x07}},
        {"crash counter 127", [](bike *b) { b->crash_counter = 127; }, 36, {0xE7}},
        {"crash counter 128", [](bike *b) { b->crash_counter = 128; }, 36, {0xF7}},
        {"crash counter huge", [](bike *b) { b->crash_counter = INT_MAX; }, 36, {0xF7}},
        {"gear 2, throttle 0.5", [](bike *b) { b->gear = 2; b->input.throttle = 0.5f; }, 36, {0x72}},
        {"foot down, full throttle", [](bike *b) { b->gear = 9; b->input.throttle = 3; b->input.foot_down = 0.1f; }, 36, {0xFE}},
        {"throttle not finite", [nan](bike *b) { b->gear = 1; b->input.throttle = (float)nan; }, 36, {0x01}},
        {"1000 rad/s", [](bike *b) { b->engine_speed = 1000; }, 37, {0x9A, 0x4A}},   // 19098
        {"32768 rpm", [](bike *b) { b->engine_speed = (float)(32768 / 9.549296585513721); }, 37, {0xFF, 0xFF}},
        {"engine speed not finite", [nan](bike *b) { b->engine_speed = (float)nan; }, 37, {0, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        bike *fresh = make();
        c.set(fresh);
        std::vector<std::uint8_t> f = pack(fresh);
        for (size_t i = 0; i < c.want.size(); ++i) EXPECT_EQ(f[c.offset + i], c.want[i]) << "byte " << c.offset + i;
        EXPECT_EQ(f[18] & 1, 1);
        EXPECT_EQ(f[19] & 1, 0);
        bike_destroy(fresh);
    }

    // With no ground loaded the extent is 0: the position is written as 0, not divided by it.
    terrain_ptr = nullptr;
    set_position(b->bodies[BODY_FRAME], 10, 20, 30);
    std::vector<std::uint8_t> f = pack();
    for (int i = 0; i < 9; ++i) EXPECT_EQ(f[i], 0) << "byte " << i;
}

TEST_F(Frame, RoundTripThroughASecondBike)
{
    bike *second = make();
    std::mt19937 rng(18);
    auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(rng); };
    auto unit_quat = [&](double q[4]) {
        std::normal_distribution<double> n;
        double l = 0;
        for (int i = 0; i < 4; ++i) l += (q[i] = n(rng)) * q[i];
        for (int i = 0; i < 4; ++i) q[i] /= std::sqrt(l);
    };
    const double R = b->info.swingarm_angle_max, T = b->info.fork_travel;
    auto round_to = [](double v, double max) { return (std::int64_t)std::floor(v * max + 0.5); };
    // Per body: position and orientation error allowed after one quantisation. Bytes 18 and 19
    // give up their bit 0, so the swingarm and the fork slider keep steps of two units.
    const double position_error = 0.01;
    const double turn_error[BIKE_BODIES] = {2e-4, 0.02, 0.02, 0.004, 0.004, 1.5 * R / 255, 2e-4};

    for (int n = 0; n < 200; ++n) {
        SCOPED_TRACE(n);
        pose_values v;
        v.position[0] = uniform(0, 256);
        v.position[1] = uniform(0, 256);
        v.position[2] = uniform(0, 256);
        unit_quat(v.quat);
        v.steer = uniform(-pi / 4, pi / 4);
        v.swing = uniform(-R, 0);
        v.slide = uniform(-T, 0);
        for (double &d : v.rider_offset) d = uniform(-16, 16);
        unit_quat(v.rider_quat);
        v.front = uniform(-3, 3);   // away from the wrap at pi
        v.rear = uniform(-3, 3);
        pose_bike(b, v);
        b->gear = n % 5;
        b->input.throttle = (float)((n % 16) / 15.0);
        b->engine_speed = (float)uniform(0, 3000);

        std::vector<std::uint8_t> first = pack();
        // The bytes say what the pose was: the hinge and slider readings match the geometry.
        struct Field { int offset, bytes; std::int64_t want; };
        const Field truth[] = {
            {0, 3, round_to(v.position[0] / 256, 16777215)},
            {3, 3, round_to(v.position[1] / 256, 16777215)},
            {6, 3, round_to(v.position[2] / 256, 16777215)},
            {17, 1, round_to((v.steer + pi / 4) / (pi / 2), 255)},
            {18, 1, round_to((v.swing + R) / R, 255) | 1},
            {19, 1, round_to((v.slide + T) / T, 255) & ~1},
            {20, 2, round_to((v.rider_offset[0] + 16) / 32, 65535)},
            {22, 2, round_to((v.rider_offset[1] + 16) / 32, 65535)},
            {24, 2, round_to((v.rider_offset[2] + 16) / 32, 65535)},
            {34, 1, round_to((v.front + pi) / (2 * pi), 255)},
            {35, 1, round_to((v.rear + pi) / (2 * pi), 255)},
        };
        for (const Field &t : truth)
            EXPECT_LE(std::llabs((std::int64_t)field_at(first, t.offset, t.bytes) - t.want), 1) << "offset " << t.offset;

        bike_unpack_frame(second, first.data(), BIKE_FRAME_LAYOUT);
        std::vector<std::uint8_t> again = pack(second);
        const int widths[] = {3, 3, 3, 2, 2, 2, 2, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 1, 1, 1, 2};
        for (int at = 0, k = 0; at < BIKE_FRAME_BYTES; at += widths[k++]) {
            std::int64_t a = field_at(first, at, widths[k]), c = field_at(again, at, widths[k]);
            if (at == 36)
                EXPECT_EQ(a, c) << "drive byte";   // gear and throttle unchanged
            else
                EXPECT_LE(std::llabs(a - c), at == 19 ? 2 : 1) << "offset " << at;   // 19 drops bit 0
        }
        EXPECT_EQ(second->gear, b->gear);
        EXPECT_FLOAT_EQ(second->input.throttle, b->input.throttle);
        EXPECT_NEAR(second->engine_speed, b->engine_speed, 32768 * 0.10471975511965977 / 65535);
        for (int i = 0; i < BIKE_BODIES; ++i) {
            const dReal *p = dBodyGetPosition(b->bodies[i]), *q = dBodyGetPosition(second->bodies[i]);
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(p[k], q[k], position_error) << "body " << i;
            EXPECT_LE(turn_between(dBodyGetQuaternion(b->bodies[i]), dBodyGetQuaternion(second->bodies[i])),
                      turn_error[i]) << "body " << i;
        }
    }
    bike_destroy(second);
}

TEST_F(Frame, OldLayoutPutsTheRiderAlongTheLeanDirection)
{
    const bike_info &i = b->info;
    double dir[3] = {i.rider_lean_direction[0], i.rider_lean_direction[1], i.rider_lean_direction[2]};
    double n = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
    std::vector<std::uint8_t> modern = resting_frame(b, 100, 20, 100, 0x32);
    struct Case { std::uint8_t lean; double u; };
    const Case cases[] = {{0, i.rider_lean_limits[0]}, {255, i.rider_lean_limits[1]}, {51, -0.6667 + 1.1667 * 0.2}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.lean);
        // Exactly 26 bytes, so that a read past them is caught.
        std::vector<std::uint8_t> old(modern.begin(), modern.begin() + 20);
        old.insert(old.end(), {c.lean, 128, 128, 0x32, 0xFF, 0xFF});
        ASSERT_EQ(old.size(), (size_t)BIKE_FRAME_OLD_BYTES);
        b->simulated_weight = 0;
        bike_apply_frame(b, old.data(), old.data(), old.data(), 1, BIKE_FRAME_OLD_LAYOUT);
        const dReal *frame = dBodyGetPosition(b->bodies[BODY_FRAME]), *rider = dBodyGetPosition(b->bodies[BODY_RIDER]);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(rider[k] - frame[k], i.rider_position[k] - i.frame_position[k] + c.u * dir[k] / n, 2e-4);
        EXPECT_LT(turn_between(dBodyGetQuaternion(b->bodies[BODY_RIDER]), dBodyGetQuaternion(b->bodies[BODY_FRAME])), 1e-6);
        EXPECT_EQ(b->gear, 2);
        EXPECT_FLOAT_EQ(b->input.throttle, 0.2f);
        EXPECT_NEAR(b->engine_speed, 32768 * 0.10471975511965977, 1e-3);

        // A simulated bike reads the same 26 bytes: the lean position is its lean.
        b->simulated_weight = 1;
        b->engine_speed = 0;
        bike_apply_frame(b, old.data(), old.data(), old.data(), 1, BIKE_FRAME_OLD_LAYOUT);
        EXPECT_NEAR(b->input.lean, c.u * (dir[2] - 0.5 * dir[1]) / n, 1e-5);
        EXPECT_NEAR(b->engine_speed, 32768 * 0.10471975511965977, 1e-3);
    }
}

TEST_F(Frame, DriveByteDecoding)
{
    struct Case { std::uint8_t drive; int gear, crash; float throttle; };
    const Case cases[] = {
        {0x72, 2, 0, 7 / 15.0f},
        {0x05, 4, 0, 0},          // gear 5 has no positive ratio on this model
        {0x06, 4, 0, 0},          // 6 is read as the top gear, then lowered as well
        {0xF3, 3, 0, 1},
        {0x07, 1, 1, 0},          // down: the counter restarts the crash at its first tick
        {0x77, 1, 60, 0},         // 7 * 127 / 15 + 1
        {0xF7, 1, 128, 0},
        {0xFF, 1, 128, 0},        // bit 3 means nothing while down
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.drive);
        b->gear = 1;
        b->crash_counter = 0;
        b->input.throttle = 0.5f;
        std::vector<std::uint8_t> f = resting_frame(b, 50, 10, 50, c.drive);
        bike_unpack_frame(b, f.data(), BIKE_FRAME_LAYOUT);
        EXPECT_EQ(b->gear, c.gear);
        EXPECT_EQ(b->crash_counter, c.crash);
        EXPECT_FLOAT_EQ(b->input.throttle, c.throttle);
    }

    // Every gear ratio missing but the first: gear bits 5 fall all the way to 0.
    bike_info one_speed = info;
    for (int g = 1; g < BIKE_GEARS; ++g) one_speed.gear_ratios[g] = 0;
    one_speed.gear_ratios[0] = -1;
    bike *odd = bike_create_from_info(&one_speed, 4, "8", nullptr, nullptr, nullptr, nullptr);
    std::vector<std::uint8_t> f = resting_frame(odd, 50, 10, 50, 0x05);
    bike_unpack_frame(odd, f.data(), BIKE_FRAME_LAYOUT);
    EXPECT_EQ(odd->gear, 0);
    bike_destroy(odd);
}

TEST_F(Frame, GoingDownAndUpDetachesAndReattachesTheRider)
{
    dJointID hinge = b->joints[JOINT_RIDER];
    std::vector<std::uint8_t> down = resting_frame(b, 60, 10, 80, 0x07);
    bike_unpack_frame(b, down.data(), BIKE_FRAME_LAYOUT);
    EXPECT_EQ(dJointGetBody(hinge, 0), nullptr);
    EXPECT_EQ(dJointGetBody(hinge, 1), nullptr);
    EXPECT_EQ(b->crash_counter, 1);

    // Up again on a turned frame with the rider somewhere off his rest place.
    pose_values v = {{90, 30, 70}, {std::cos(0.4), 0, std::sin(0.4), 0}, 0.2, -0.1, -0.3,
                     {0.5, 2.0, 0.9}, {std::cos(0.2), std::sin(0.2), 0, 0}, 1, -1};
    pose_bike(b, v);
    b->crash_counter = 0;
    b->gear = 1;
    std::vector<std::uint8_t> up = pack();
    b->crash_counter = 40;
    dJointAttach(hinge, nullptr, nullptr);
    bike_unpack_frame(b, up.data(), BIKE_FRAME_LAYOUT);
    EXPECT_EQ(b->crash_counter, 0);
    EXPECT_EQ(dJointGetBody(hinge, 0), b->bodies[BODY_RIDER]);
    EXPECT_EQ(dJointGetBody(hinge, 1), b->bodies[BODY_FRAME]);
    const dReal *frame = dBodyGetPosition(b->bodies[BODY_FRAME]), *rider = dBodyGetPosition(b->bodies[BODY_RIDER]);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(rider[k] - frame[k], v.rider_offset[k], 1e-3);
    EXPECT_LT(turn_between(dBodyGetQuaternion(b->bodies[BODY_RIDER]), v.rider_quat), 1e-4);
    // The joint was set afresh from the frame as it stood: with the rider back at his rest place
    // both halves of its anchor meet, and its first axis is the frame's.
    const bike_info &i = b->info;
    dVector3 rest;
    dBodyGetRelPointPos(b->bodies[BODY_FRAME], i.rider_position[0] - i.frame_position[0],
                        i.rider_position[1] - i.frame_position[1], i.rider_position[2] - i.frame_position[2], rest);
    dBodySetPosition(b->bodies[BODY_RIDER], rest[0], rest[1], rest[2]);
    dBodySetQuaternion(b->bodies[BODY_RIDER], dBodyGetQuaternion(b->bodies[BODY_FRAME]));
    dVector3 on_rider, on_frame, axis, want;
    dJointGetHinge2Anchor(hinge, on_rider);
    dJointGetHinge2Anchor2(hinge, on_frame);
    dJointGetHinge2Axis1(hinge, axis);
    dBodyVectorToWorld(b->bodies[BODY_FRAME], 0, std::sqrt(0.5), std::sqrt(0.5), want);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(on_rider[k], on_frame[k], 1e-6);
        EXPECT_NEAR(axis[k], want[k], 1e-6);
    }
}

TEST_F(Frame, ApplyPosesAKinematicBike)
{
    b->simulated_weight = 0;
    // Velocities from previous to next over the tick gap; a gap of 0 or 1 is one tick.
    struct Case { int ticks; double span; };
    const Case cases[] = {{0, 1}, {1, 1}, {-7, 1}, {4, 4}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.ticks);
        pose_values v = {{100, 10, 100}, {1, 0, 0, 0}, 0, 0, 0, {0, 2.52, 0.52}, {1, 0, 0, 0}, 0, 0};
        pose_bike(b, v);
        std::vector<std::uint8_t> previous = pack();
        v.position[0] += 1;
        v.quat[0] = std::cos(0.05);
        v.quat[2] = std::sin(0.05);   // 0.1 rad about +y
        pose_bike(b, v);
        std::vector<std::uint8_t> next = pack();
        bike_apply_frame(b, next.data(), previous.data(), next.data(), c.ticks, BIKE_FRAME_LAYOUT);
        const dReal *lv = dBodyGetLinearVel(b->bodies[BODY_FRAME]), *av = dBodyGetAngularVel(b->bodies[BODY_FRAME]);
        EXPECT_NEAR(lv[0], 1 / (c.span * tick), 1e-2);
        EXPECT_NEAR(lv[1], 0, 1e-2);
        EXPECT_NEAR(av[1], 0.1 / (c.span * tick), 0.1);
        EXPECT_NEAR(av[0], 0, 0.1);
        // The frame itself is the pose.
        EXPECT_NEAR(dBodyGetPosition(b->bodies[BODY_FRAME])[0], 101, 1e-3);
    }
}

TEST_F(Frame, ApplyTakesFramesFasterThanABikeAsATeleport)
{
    b->simulated_weight = 0;
    struct Case {
        const char *what;
        double dx, dy;
        int ticks;
        bool teleport;
    };
    const Case cases[] = {
        {"a ride at 128 ft/s", 1, 0, 1, false},
        {"a long gap", 100, 0, 1000, false},
        {"across the field in a tick", 150, 0, 1, true},
        {"straight up 50 ft in a tick", 0, 50, 1, true},
        {"3 ft in a tick", 3, 0, 1, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        pose_values v = {{50, 10, 100}, {1, 0, 0, 0}, 0, 0, 0, {0, 2.52, 0.52}, {1, 0, 0, 0}, 0, 0};
        pose_bike(b, v);
        std::vector<std::uint8_t> previous = pack();
        v.position[0] += c.dx;
        v.position[1] += c.dy;
        pose_bike(b, v);
        std::vector<std::uint8_t> next = pack();
        bike_apply_frame(b, next.data(), previous.data(), next.data(), c.ticks, BIKE_FRAME_LAYOUT);
        expect_finite(b, c.what);
        // Posed at the current frame whatever the speed.
        EXPECT_NEAR(dBodyGetPosition(b->bodies[BODY_FRAME])[0], 50 + c.dx, 0.05);
        for (int i = 0; i < BIKE_BODIES; ++i) {
            const dReal *lv = dBodyGetLinearVel(b->bodies[i]);
            const double speed = std::sqrt(lv[0] * lv[0] + lv[1] * lv[1] + lv[2] * lv[2]);
            if (c.teleport) EXPECT_EQ(speed, 0) << "body " << i;
            else EXPECT_LE(speed, BIKE_FRAME_SPEED_MAX_FPS) << "body " << i;
        }
        if (!c.teleport)
            EXPECT_NEAR(dBodyGetLinearVel(b->bodies[BODY_FRAME])[0], c.dx / (c.ticks * tick), 0.05);
    }
}

TEST_F(Frame, ApplyLiftsAFrameOutOfTheGround)
{
    use_ground([](int, int) { return 10.0f; });
    b->simulated_weight = 0;
    const double rear_radius = b->info.rear_wheel.radius;
    struct Case { double frame_y; bool lifted; };
    // At rest the rear tyre's lowest point is 1.98 - 1.04 + 0.75 below the frame.
    const Case cases[] = {{10 + 0.5, true}, {10 + 1.69, false}, {10 + 3, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.frame_y);
        std::vector<std::uint8_t> f = resting_frame(b, 100, c.frame_y, 100, 0x01);
        bike_apply_frame(b, f.data(), f.data(), f.data(), 1, BIKE_FRAME_LAYOUT);
        double lowest = dBodyGetPosition(b->bodies[BODY_REAR_WHEEL])[1] - rear_radius;
        if (c.lifted)
            EXPECT_NEAR(lowest, 10, 1e-4);
        else
            EXPECT_GT(lowest, 10 - 1e-4);
        EXPECT_NEAR(dBodyGetPosition(b->bodies[BODY_RIDER])[1] - dBodyGetPosition(b->bodies[BODY_FRAME])[1], 2.52, 1e-3);
    }
}

TEST_F(Frame, ApplyRaisesTheFootDownAmount)
{
    b->simulated_weight = 0;
    struct Case { std::uint8_t drive; float before, after; };
    const Case cases[] = {
        {0x01, 0.5f, 0.5f},
        {0x09, 0.5f, (float)(0.5 + 8 * tick)},
        {0x09, 0.99f, 1.0f},
        {0x07, 0.0f, (float)(8 * tick)},   // down counts as a foot down
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.drive);
        b->crash_counter = 0;
        b->input.foot_down = c.before;
        std::vector<std::uint8_t> f = resting_frame(b, 100, 20, 100, c.drive);
        bike_apply_frame(b, f.data(), f.data(), f.data(), 1, BIKE_FRAME_LAYOUT);
        EXPECT_FLOAT_EQ(b->input.foot_down, c.after);
    }
}

TEST_F(Frame, ApplyComputesTheAnchorsWhenTheCrashBegins)
{
    b->simulated_weight = 0;
    std::vector<std::uint8_t> up = resting_frame(b, 100, 20, 100, 0x01);
    std::vector<std::uint8_t> down = up;
    down[36] = 0x07;
    bike_apply_frame(b, up.data(), up.data(), up.data(), 1, BIKE_FRAME_LAYOUT);
    EXPECT_EQ(b->anchors.foot[0][1], 0);
    // Riding, the stored anchors are the foot points the frame carries.
    const bike_info &i = b->info;
    for (int side = 0; side < 2; ++side)
        for (int k = 0; k < 3; ++k)
            b->anchors.foot[side][k] = (k == 1 ? 20 : 100) + i.rider.feet[side][k];
    // The previous and next frames are already down: only the current frame's start counts.
    bike_apply_frame(b, down.data(), down.data(), down.data(), 1, BIKE_FRAME_LAYOUT);
    // c = 1: the feet rise by 1.75 * 2/128 and move back by 4/(3 * 128), then come 1/128 of the
    // way back toward the stored anchors.
    const double kept = 127.0 / 128;
    EXPECT_NEAR(b->anchors.foot[0][0], 100 + i.rider.feet[0][0], 1e-3);
    EXPECT_NEAR(b->anchors.foot[0][1], 20 + i.rider.feet[0][1] + 1.75 * 2 / 128 * kept, 1e-3);
    EXPECT_NEAR(b->anchors.foot[1][2], 100 + i.rider.feet[1][2] + 4.0 / 384 * kept, 1e-3);
    EXPECT_EQ(b->anchors.velocity[0][1], 0);   // a pose from one frame only: the bodies stand still
}

TEST_F(Frame, BlendPullsASimulatedBike)
{
    struct Case { float weight; double k, c; };
    const Case cases[] = {
        {0.8f, 0, 0},
        {0.7f, 5000 * 0.2, -500 * 0.2},
        {0.5f, 5000, -500},
        {0.3f, 5000 + 45000 * 0.4, -500},
    };
    std::vector<std::uint8_t> target = resting_frame(b, 100, 20, 100, 0x01);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.weight);
        const dReal *at = dBodyGetPosition(b->bodies[BODY_FRAME]);
        const double goal[3] = {at[0], at[1], at[2]};
        set_position(b->bodies[BODY_FRAME], goal[0] - 0.01, goal[1], goal[2] + 0.005);
        dBodySetLinearVel(b->bodies[BODY_FRAME], 0.2, 0, 0);
        dBodySetAngularVel(b->bodies[BODY_FRAME], 0, 0, 1);
        dBodySetForce(b->bodies[BODY_FRAME], 0, 0, 0);
        dBodySetTorque(b->bodies[BODY_FRAME], 0, 0, 0);
        b->simulated_weight = c.weight;
        bike_blend_frame(b, target.data(), target.data(), target.data(), 1);
        const dReal *force = dBodyGetForce(b->bodies[BODY_FRAME]), *torque = dBodyGetTorque(b->bodies[BODY_FRAME]);
        EXPECT_NEAR(force[0], c.k * 0.01 + c.c * 0.2, 0.05 + c.k * 1e-4);
        EXPECT_NEAR(force[2], -c.k * 0.005, 0.05 + c.k * 1e-4);
        EXPECT_NEAR(torque[2], c.c, 0.5 + c.k * 4e-5);
        set_position(b->bodies[BODY_FRAME], goal[0], goal[1], goal[2]);
    }

    // Far off, fast and spinning: force and torque are held to 2500.
    b->simulated_weight = 0.3f;
    set_position(b->bodies[BODY_FRAME], 90, 25, 110);
    dBodySetAngularVel(b->bodies[BODY_FRAME], 40, 0, 30);
    dBodySetForce(b->bodies[BODY_FRAME], 0, 0, 0);
    dBodySetTorque(b->bodies[BODY_FRAME], 0, 0, 0);
    bike_blend_frame(b, target.data(), target.data(), target.data(), 1);
    const dReal *force = dBodyGetForce(b->bodies[BODY_FRAME]), *torque = dBodyGetTorque(b->bodies[BODY_FRAME]);
    EXPECT_NEAR(std::sqrt(force[0] * force[0] + force[1] * force[1] + force[2] * force[2]), 2500, 1e-6);
    EXPECT_NEAR(std::sqrt(torque[0] * torque[0] + torque[1] * torque[1] + torque[2] * torque[2]), 2500, 1e-6);
    EXPECT_GT(force[0], 0);   // toward the target
    EXPECT_LT(torque[0], 0);  // against the spin
}

TEST_F(Frame, BlendSetsTheControlInputs)
{
    b->simulated_weight = 1;
    std::vector<std::uint8_t> f = resting_frame(b, 100, 20, 100, 0x5A);   // gear 2, foot down, throttle 5/15
    struct Case { std::uint8_t steer_byte; double fork_spin; float want; };
    const Case cases[] = {
        {255, 0, (float)(0.25 * pi / 4)},
        {0, 0, (float)(-0.25 * pi / 4)},
        {128, 0, (float)(0.25 * (128 / 255.0 * pi / 2 - pi / 4))},
        {128, 20, -1},   // a fork swinging fast is held back, within -1..1
        {128, -20, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.steer_byte);
        f[17] = c.steer_byte;
        const dReal *p = dBodyGetPosition(b->bodies[BODY_FORK_UPPER]);
        dBodySetPosition(b->bodies[BODY_FORK_UPPER], p[0], p[1], p[2]);
        dBodySetQuaternion(b->bodies[BODY_FORK_UPPER], dBodyGetQuaternion(b->bodies[BODY_FRAME]));
        dJointID steering = b->joints[JOINT_STEERING];
        dVector3 axis;
        dJointGetHingeAxis(steering, axis);
        dBodySetAngularVel(b->bodies[BODY_FRAME], 0, 0, 0);
        dBodySetAngularVel(b->bodies[BODY_FORK_UPPER], axis[0] * c.fork_spin, axis[1] * c.fork_spin, axis[2] * c.fork_spin);
        bike_blend_frame(b, f.data(), f.data(), f.data(), 1);
        EXPECT_NEAR(b->input.steer, c.want, 1e-5);
    }
    EXPECT_EQ(b->gear, 2);
    EXPECT_FLOAT_EQ(b->input.throttle, 5 / 15.0f);
    EXPECT_EQ(b->input.dab, 1);

    // Lean: the rider 0.2 ft lower and 0.1 ft further forward than at rest, dab down (factor 1).
    struct Lean { double dy, dz; std::uint8_t drive; float want; };
    const Lean leans[] = {
        {0, 0, 0x02, 0},
        {-0.2, -0.1, 0x0A, (float)(0.2 - 0.1)},
        {-0.2, 0, 0x02, (float)(0.2 * 0.5)},
        {-3, 0, 0x02, 1},     // clamped
        {-0.2, 0, 0x07, 0},   // down: no lean
    };
    for (const Lean &l : leans) {
        SCOPED_TRACE(l.want);
        b->crash_counter = 0;
        pose_values v = {{100, 20, 100}, {1, 0, 0, 0}, 0, 0, 0, {0, 2.52 + l.dy, 0.52 + l.dz}, {1, 0, 0, 0}, 0, 0};
        pose_bike(b, v);
        std::vector<std::uint8_t> g = pack();
        g[36] = l.drive;
        bike_blend_frame(b, g.data(), g.data(), g.data(), 1);
        EXPECT_NEAR(b->input.lean, l.want, 1e-3);
    }

    // Four mid values are (1.5e-5, ...) as read: only normalised are they the turn by 120 degrees
    // about (1, 1, 1) that carries x to y, y to z and z to x. The rider sits where that turn puts
    // his place 0.2 ft below rest.
    b->crash_counter = 0;
    pose_values v = {{100, 20, 100}, {1, 0, 0, 0}, 0, 0, 0, {0.52, 0, 2.32}, {1, 0, 0, 0}, 0, 0};
    pose_bike(b, v);
    std::vector<std::uint8_t> g = pack();
    for (int k = 9; k < 17; k += 2) {
        g[k] = 0x00;
        g[k + 1] = 0x80;
    }
    g[36] = 0x02;
    bike_blend_frame(b, g.data(), g.data(), g.data(), 1);
    EXPECT_NEAR(b->input.lean, 0.2 * 0.5, 1e-3);
}

TEST_F(Frame, BlendTakesFewerThanOneTickAsOne)
{
    b->simulated_weight = 0.3f;
    std::vector<std::uint8_t> a = resting_frame(b, 100, 20, 100, 0x01), c = resting_frame(b, 101, 20, 100, 0x01);
    std::vector<double> forces;
    for (int ticks : {1, 0, -3}) {
        set_position(b->bodies[BODY_FRAME], 100.5, 20, 100);
        dBodySetLinearVel(b->bodies[BODY_FRAME], 0, 0, 0);
        dBodySetForce(b->bodies[BODY_FRAME], 0, 0, 0);
        bike_blend_frame(b, a.data(), a.data(), c.data(), ticks);
        ASSERT_TRUE(std::isfinite(dBodyGetForce(b->bodies[BODY_FRAME])[0]));
        forces.push_back(dBodyGetForce(b->bodies[BODY_FRAME])[0]);
    }
    EXPECT_DOUBLE_EQ(forces[1], forces[0]);
    EXPECT_DOUBLE_EQ(forces[2], forces[0]);
}

TEST(RotationVector, KnownTurns)
{
    const double r2 = std::sqrt(0.5), r3 = std::sqrt(1 / 3.0);
    struct Case { const char *what; double axis[3], angle; double start_axis[3], start_angle; };
    const Case cases[] = {
        {"pi/2 about x", {1, 0, 0}, pi / 2, {0, 1, 0}, 0},
        {"pi/2 about y", {0, 1, 0}, pi / 2, {0, 1, 0}, 0},
        {"pi/2 about z", {0, 0, 1}, pi / 2, {0, 1, 0}, 0},
        {"diagonal in the xy plane", {r2, r2, 0}, 0.7, {0, 1, 0}, 0},
        {"diagonal in the yz plane", {0, r2, -r2}, 0.7, {0, 1, 0}, 0},
        {"diagonal in the zx plane", {-r2, 0, r2}, 1.3, {0, 1, 0}, 0},
        {"small about (1, 1, 1)", {r3, r3, r3}, 1e-3, {0, 1, 0}, 0},
        {"from a turned start", {0, 0, 1}, 0.4, {r2, 0, r2}, 2.0},
        {"nearly half a turn", {0, 1, 0}, 3.1, {0, 1, 0}, 0},
        {"none", {1, 0, 0}, 0, {r3, r3, r3}, 1.0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        dQuaternion start, turn, end;
        dQFromAxisAndAngle(start, c.start_axis[0], c.start_axis[1], c.start_axis[2], c.start_angle);
        // The turn about a world axis: applied on the left.
        dQFromAxisAndAngle(turn, c.axis[0], c.axis[1], c.axis[2], c.angle);
        dQMultiply0(end, turn, start);
        dReal out[3];
        rotation_vector_between(start, end, out);
        for (int k = 0; k < 3; ++k) {
            ASSERT_TRUE(std::isfinite(out[k]));
            EXPECT_NEAR(out[k] * tick, c.axis[k] * c.angle, 1e-6 + 1e-6 * c.angle) << "component " << k;
        }
    }

    // Not unit, zero or not finite: a vector still, never a NaN.
    const dReal unit[4] = {1, 0, 0, 0}, doubled[4] = {2, 0, 0, 0}, zero[4] = {0, 0, 0, 0},
                bad[4] = {std::nan(""), 0, 0, 0};
    for (const dReal *q : {doubled, zero, bad}) {
        dReal out[3];
        rotation_vector_between(unit, q, out);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(out[k], 0);
    }
}

TEST_F(Frame, HostileFramesKeepEveryBodyFinite)
{
    use_ground([](int x, int z) { return (float)((x * 37 + z * 11) % 50) - 20; });
    std::mt19937 rng(1804);
    std::uniform_int_distribution<int> byte(0, 255);
    const float weights[] = {0, 0.2f, 0.3f, 0.6f, 1};
    const int gaps[] = {INT_MIN, -1, 0, 1, 2, 1000, INT_MAX};
    for (int n = 0; n < 300; ++n) {
        SCOPED_TRACE(n);
        std::uint8_t f[3][BIKE_FRAME_BYTES];
        for (auto &frame : f)
            for (std::uint8_t &x : frame) x = n % 3 == 0 ? (std::uint8_t)(byte(rng) < 128 ? 0 : 255) : (std::uint8_t)byte(rng);
        int layout = n % 2 ? BIKE_FRAME_OLD_LAYOUT : BIKE_FRAME_LAYOUT;
        b->simulated_weight = weights[n % 5];
        bike_apply_frame(b, f[0], f[1], f[2], gaps[n % 7], layout);
        expect_finite(b, "apply");
        bike_blend_frame(b, f[0], f[1], f[2], gaps[(n + 3) % 7], layout);
        bike_unpack_frame(b, f[1], layout);
        expect_finite(b, "unpack");
        ASSERT_TRUE(std::isfinite(b->input.steer) && std::isfinite(b->input.lean) && std::isfinite(b->engine_speed));
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(std::isfinite(dBodyGetForce(b->bodies[BODY_FRAME])[i]));
        dBodySetForce(b->bodies[BODY_FRAME], 0, 0, 0);
        dBodySetTorque(b->bodies[BODY_FRAME], 0, 0, 0);
    }
}
