// A robot's tick outside the follower: the look-ahead index moving along the path, lines
// appended and blended in, the start on the line, the roll-out after the finish, and the
// "empty" personality that leaves its bike alone.
#include "autopilot_fixture.h"

#include <cmath>
#include <cstring>

#include "bike/bike_create.h"
#include "bike/dab.h"
#include "bike/setters.h"
#include "bike/small_ops.h"
#include "data/util.h"
#include "racing/gate_passing.h"
#include "shell/globals.h"

namespace {

TEST_F(RobotField, Advance)
{
    struct Case {
        const char *what;
        float ahead;          // ft along -z from the frame to the look-ahead sample
        float previous;       // ft along -z of the sample before it
        int index;            // look-ahead index (the sample at `previous` is index - 1)
        int recovery;
        int want_index, want_recovery;
    };
    const Case cases[] = {
        {"within 60 ft", 50, 45, 1, 0, 2, 0},
        {"beyond 60 ft", 70, 65, 1, 0, 1, 0},
        {"recovering: within 30 ft", 25, 20, 1, 3, 2, 2},
        {"recovering: beyond 30 ft", 40, 35, 1, 3, 1, 3},
        {"recovering with count 2: 60 ft again", 40, 35, 1, 2, 2, 1},
        {"a step back toward the bike waits", 10, 20, 1, 0, 1, 0},
        {"a step back, but the bike is on it", 3, 13, 1, 0, 2, 0},
        {"a step back of under a foot", 10, 10.5f, 1, 0, 2, 0},
        {"a step back from the first sample", 10, 20, 0, 0, 1, 0},
    };
    bike *b = robot(0, 1, 0, 0);
    const dReal *p = dBodyGetPosition(b->bodies[BODY_FRAME]);
    const float x = (float)p[0], y = (float)p[1], z = (float)p[2];
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<line_sample> s(4, line_sample{x, y, z - 200, 20, 0});
        s[c.index].z = z - c.ahead;
        if (c.index > 0) s[c.index - 1].z = z - c.previous;
        set_path(b, s, c.index);
        b->robot_state[ROBOT_RECOVERY] = c.recovery;
        b->robot_state[ROBOT_LAST_ADVANCE] = 7;
        autopilot_advance(b);
        EXPECT_EQ(b->robot_state[ROBOT_LOOK_AHEAD], c.want_index);
        EXPECT_EQ(b->robot_state[ROBOT_RECOVERY], c.want_recovery);
        EXPECT_EQ(b->robot_state[ROBOT_LAST_ADVANCE], c.want_index != c.index ? tick_count : 7);
    }

    // One sample per tick however many are near; the last one empties the path.
    set_path(b, std::vector<line_sample>(3, line_sample{x, y, z - 5, 20, 0}), 0);
    autopilot_advance(b);
    EXPECT_EQ(b->robot_state[ROBOT_LOOK_AHEAD], 1);
    autopilot_advance(b);
    autopilot_advance(b);
    EXPECT_EQ(b->robot_state[ROBOT_LOOK_AHEAD], 0);
    EXPECT_EQ(b->line_record.count, 0);
}

// A line whose first sample lies off to the side of where the path ends.
learned_line side_line(std::vector<line_sample> &s)
{
    s = straight_samples(12, 6, 2, -60, 4, 30);
    for (size_t k = 0; k < s.size(); ++k) s[k].lean = 0.2f;
    learned_line l = {};
    l.samples = s.data();
    l.sample_count = (int)s.size();
    l.id = 9;
    return l;
}

TEST_F(RobotField, AppendTrimsAndBlends)
{
    bike *b = robot(0, 1, 0, 0);
    // 50 samples along -z from z = 140, 2 ft apart, speed 40; the look-ahead index at 40.
    set_path(b, straight_samples(50, 0, 2, 140, 2, 40), 40);
    std::vector<line_sample> s;
    const learned_line line = side_line(s);
    autopilot_append(b, &line, 0);

    // 10 samples trimmed, the index at 30; A = 35 (five back from the end), B = 40.
    ASSERT_EQ(b->line_record.count, 40 + 12);
    EXPECT_EQ(b->robot_state[ROBOT_LOOK_AHEAD], 30);
    const line_sample *p = (const line_sample *)b->line_record.items;
    EXPECT_FLOAT_EQ(p[0].z, 140 - 2 * 10);
    EXPECT_FLOAT_EQ(p[35].z, 140 - 2 * 45);   // A kept
    EXPECT_FLOAT_EQ(p[35].x, 0);
    for (int k = 0; k < 12; ++k) {            // the line's samples from B on, as recorded
        EXPECT_FLOAT_EQ(p[40 + k].x, s[k].x);
        EXPECT_FLOAT_EQ(p[40 + k].z, s[k].z);
    }
    for (int k = 36; k < 40; ++k) {
        SCOPED_TRACE(k);
        const float u = (float)(k - 35) / 5;
        EXPECT_LE(p[k].speed, 40 + (30 - 40) * u + 1e-4f);   // at most the linear blend
        EXPECT_NEAR(p[k].lean, 0.2f * u, 1e-6);                // lean linear
        EXPECT_GT(p[k].x, p[k - 1].x);                          // moving over to the line
        EXPECT_LT(p[k].z, p[k - 1].z);
    }

    // An airborne end is not blended: the samples stay as they were.
    set_path(b, straight_samples(50, 0, 2, 140, 2, 40), 40);
    ((line_sample *)b->line_record.items)[45].speed = -40;
    autopilot_append(b, &line, 0);
    p = (const line_sample *)b->line_record.items;
    for (int k = 36; k < 40; ++k) EXPECT_FLOAT_EQ(p[k].x, 0) << k;
}

TEST_F(RobotField, FirstAppendStartsAtTheBike)
{
    bike *b = robot(0, 1, 0, 0);
    const float at[3] = {0, 2, 0}, still[3] = {0, 0, 0};
    pose(b, at, still);
    set_path(b, {}, 0);
    std::vector<line_sample> s;
    const learned_line line = side_line(s);   // starts 60 ft ahead, 6 ft to the right
    autopilot_append(b, &line, 1);

    ASSERT_EQ(b->line_record.count, 5 + 12);
    const line_sample *p = (const line_sample *)b->line_record.items;
    EXPECT_FLOAT_EQ(p[0].z, s[0].z);   // the first sample five times, the first one kept
    EXPECT_FLOAT_EQ(p[5].z, s[0].z);
    // Between, a curve leaving the bike along its forward axis.
    EXPECT_LT(p[1].z, 0);
    EXPECT_GT(p[1].z, p[2].z);
    EXPECT_GE(p[1].x, 0);
    EXPECT_LE(p[1].x, 6);
    // The look-ahead index on the first sample more than 10 ft from sample 0, the stall clock
    // at 30 s.
    int want = 1;
    while (want < 17 && std::hypot(p[want].x - p[0].x, p[want].z - p[0].z) <= 10) ++want;
    EXPECT_EQ(b->robot_state[ROBOT_LOOK_AHEAD], want);
    EXPECT_EQ(b->robot_state[ROBOT_LAST_ADVANCE], 3840);
}

TEST_F(RobotField, EmptyPersonalityLeavesTheBikeAlone)
{
    bike *b = robot(0, 0, 0, 0);
    set_path(b, straight_samples(20, 0, 2, -10, 4, 20), 0);
    b->input = {0.3f, 0.4f, 0.5f, 0.6f, 0.1f, 0.2f, 0, 0.7f, -0.2f};
    b->option_flags = 0;
    const bike_inputs before = b->input;
    const int state[4] = {b->robot_state[0], b->robot_state[1], b->robot_state[2], b->robot_state[3]};
    for (int k = 0; k < 256; ++k, ++tick_count) autopilot_step(b);
    EXPECT_EQ(memcmp(&before, &b->input, sizeof before), 0);
    EXPECT_EQ(b->option_flags, 0);
    EXPECT_EQ(memcmp(state, b->robot_state, sizeof state), 0);
    EXPECT_EQ(b->line_record.count, 20);
}

// Eight robots on the line from the race reset: "ezra" lets the clutch in 0 to 0.1 s after the
// drop, the others 0.2 to 0.4 s; before 5 s they blip the throttle with the brakes on.
TEST_F(RobotField, StartTimeline)
{
    const int count = 8;
    bike *robots[count];
    for (int i = 0; i < count; ++i) {
        // Paths start 80 ft ahead: the look-ahead index stays put on the line.
        robots[i] = robot(i, i % 2 ? 3 : 1, 20 + 8 * (float)i, 60);
        set_path(robots[i], straight_samples(40, 20 + 8 * (float)i, 2, -20, 4, 30), 0);
    }
    random_seed(77);
    tick_count = 0;
    race_start_tick = 13 * 128;
    int launch[count], blips[count], held_before[count];
    for (int i = 0; i < count; ++i) launch[i] = -1, blips[i] = 0, held_before[i] = 1;
    float last_throttle[count] = {};
    while (tick_count < race_start_tick + 128) {
        for (int i = 0; i < count; ++i) {
            bike *b = robots[i];
            autopilot_step(b);
            const bike_inputs &in = b->input;
            if (tick_count < race_start_tick) {
                // Holding: dab, brakes, clutch out, second gear.
                held_before[i] &= in.dab == 1 && in.front_brake == 1 && in.rear_brake == 1 && in.clutch == 0 &&
                                  b->gear == 1 && in.steer == 0;
                if (tick_count < 5 * 128 && in.throttle > 0 && last_throttle[i] == 0) ++blips[i];
            }
            if (launch[i] < 0 && in.clutch > 0) launch[i] = tick_count;
            last_throttle[i] = in.throttle;
        }
        h->tick();
    }
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(held_before[i]);
        EXPECT_GE(blips[i], 1);
        ASSERT_GE(launch[i], 0);
        const double reaction = (launch[i] - race_start_tick) * tick;
        if (i % 2) {   // "ezra"
            EXPECT_GE(reaction, 0.0);
            EXPECT_LE(reaction, 0.1 + 1.0 / 128);
        } else {
            EXPECT_GE(reaction, 0.2);
            EXPECT_LE(reaction, 0.4 + 1.0 / 128);
        }
        // The clutch is fully in a quarter of a second after the launch, the dab lifted.
        EXPECT_EQ(robots[i]->input.clutch, 1);
    }
}

TEST_F(RobotField, LaunchLetsTheClutchIn)
{
    struct Case { float seconds, clutch, dab; int auto_shift; };
    const Case cases[] = {{0, 0, 1, 0}, {0.1f, 0.4f, 0.6f, 0}, {0.1875f, 0.75f, 0.25f, 1}, {0.5f, 1, 0, 1}};
    bike *b = robot(0, 1, 0, 0);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.seconds);
        autopilot_launch(b, c.seconds);
        EXPECT_NEAR(b->input.clutch, c.clutch, 1e-5);
        EXPECT_NEAR(b->input.dab, c.dab, 1e-5);
        EXPECT_EQ(bike_get_auto_shift(b), c.auto_shift);
        EXPECT_EQ(b->input.throttle, 1);
        EXPECT_EQ(b->input.front_brake + b->input.rear_brake, 0);
    }
}

// The whole bike rolled by `lean` about the frame body's forward axis (-z here), at rest but
// for the frame rolling at roll_rate.
void roll_bike(bike *b, float lean, float roll_rate)
{
    float snap[BIKE_SNAPSHOT_FLOATS];
    bike_snapshot(b, snap);
    const dReal *c = dBodyGetPosition(b->bodies[BODY_FRAME]);
    const float cx = (float)c[0], cy = (float)c[1], cs = std::cos(lean), sn = std::sin(lean);
    const float rw = std::cos(lean / 2), rz = std::sin(lean / 2);
    for (int i = 0; i < BIKE_BODIES; ++i) {
        float *p = snap + 7 * i, *q = p + 3;
        const float x = p[0] - cx, y = p[1] - cy;
        p[0] = cx + x * cs - y * sn, p[1] = cy + x * sn + y * cs;
        // (rw, 0, 0, rz) times q.
        const float w = q[0], qx = q[1], qy = q[2], qz = q[3];
        q[0] = rw * w - rz * qz, q[1] = rw * qx - rz * qy, q[2] = rw * qy + rz * qx, q[3] = rw * qz + rz * w;
    }
    bike_restore_snapshot(b, snap);
    for (int i = 0; i < BIKE_BODIES; ++i) {
        dBodySetLinearVel(b->bodies[i], 0, 0, 0);
        dBodySetAngularVel(b->bodies[i], 0, 0, 0);
    }
    dVector3 w;
    dBodyVectorToWorld(b->bodies[BODY_FRAME], 0, 0, roll_rate, w);
    dBodySetAngularVel(b->bodies[BODY_FRAME], w[0], w[1], w[2]);
}

// On the launch the rider steers the bike back upright while the front wheel is down: leaning
// one way (up tilting toward -x is a positive lean) it counter-steers the same way, fully
// once the roll back toward upright is 0.125 rad/s short of twice the lean; nothing within
// that. In the air the lean steers nothing: the fork, straight at rest, stays so.
TEST_F(RobotField, LaunchKeepsTheBikeUpright)
{
    struct Case {
        const char *what;
        float lean, roll_rate, front_depth;
        float steer_min, steer_max;
    };
    const Case cases[] = {
        {"leaning left", 0.2f, 0, 0.1f, 1, 1},
        {"leaning right", -0.2f, 0, 0.1f, -1, -1},
        {"nearly upright", 0.02f, 0, 0.1f, 0, 0},
        {"leaning left, already rolling back", 0.2f, -0.4f, 0.1f, 0, 0},
        {"leaning left, in the air", 0.2f, 0, 0, -0.01f, 0.01f},
        {"leaning right, in the air", -0.2f, 0, 0, -0.01f, 0.01f},
    };
    bike *b = robot(0, 1, 0, 0);
    float snap[BIKE_SNAPSHOT_FLOATS];
    bike_snapshot(b, snap);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        bike_restore_snapshot(b, snap);
        roll_bike(b, c.lean, c.roll_rate);
        ASSERT_NEAR(bike_get_lean_angle(b->bodies[BODY_FRAME]), c.lean, 1e-4);
        b->wheels[WHEEL_FRONT].depth = c.front_depth;
        autopilot_launch(b, 1);
        EXPECT_GE(b->input.steer, c.steer_min);
        EXPECT_LE(b->input.steer, c.steer_max);
    }
}

TEST_F(RobotField, RollOutAfterTheFinish)
{
    bike *b = robot(0, 1, 0, 0);
    const dReal *at = dBodyGetPosition(b->bodies[BODY_FRAME]);
    // The bike stands between samples 9 and 10 of a path along -z.
    set_path(b, straight_samples(30, (float)at[0], (float)at[1], (float)at[2] + 38, 4, 40), 20);
    learn_roll_out(b);
    const line_sample *p = (const line_sample *)b->line_record.items;
    int first = -1;
    for (int k = 0; k < 30; ++k)
        if (p[k].speed < 40 && first < 0) first = k;
    ASSERT_GE(first, 10);   // the sample at the bike keeps its speed
    ASSERT_LE(first, 12);
    for (int k = 0; k < first; ++k) EXPECT_EQ(p[k].speed, 40) << k;
    for (int k = first; k < 30; ++k) EXPECT_LT(p[k].speed, p[k - 1].speed) << k;
    EXPECT_NEAR(p[29].speed, 40 * (0.25f + 0.75f / (float)(30 - (first - 1))), 1e-3);

    // Past the path's end, or not a robot: nothing changes.
    set_path(b, straight_samples(30, (float)at[0], (float)at[1], (float)at[2] + 200, 4, 40), 30);
    learn_roll_out(b);
    p = (const line_sample *)b->line_record.items;
    for (int k = 0; k < 30; ++k) EXPECT_EQ(p[k].speed, 40) << k;
    set_path(b, straight_samples(30, (float)at[0], (float)at[1], (float)at[2] + 38, 4, 40), 20);
    b->personality = 0;
    learn_roll_out(b);
    for (int k = 0; k < 30; ++k) EXPECT_EQ(p[k].speed, 40) << k;
}

}   // namespace

namespace {

// The foot's turn on the spot aims along the robot's own path: 4 samples past the nearest.
TEST_F(RobotField, AimPointOnOwnPath)
{
    bike *b = robot(0, 1, 0, 0);
    const dReal *at = dBodyGetPosition(b->bodies[BODY_FRAME]);
    set_path(b, straight_samples(10, (float)at[0] + 3, (float)at[1], (float)at[2] + 9, 4, 20), 6);
    float aim[3];
    bike_aim_point(b, 0, aim);
    EXPECT_FLOAT_EQ(aim[2], (float)at[2] + 9 - 4 * (2 + 4));   // nearest is sample 2
    EXPECT_FLOAT_EQ(aim[0], (float)at[0] + 3);
    // Near the end it holds the last sample.
    set_path(b, straight_samples(4, (float)at[0], (float)at[1], (float)at[2] + 4, 4, 20), 3);
    bike_aim_point(b, 0, aim);
    EXPECT_FLOAT_EQ(aim[2], (float)at[2] + 4 - 4 * 3);
}

}   // namespace
