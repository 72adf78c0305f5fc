#include "bike/crash_test.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>

#include "bike/crash_start.h"
#include "rig_test.h"
#include "racing/race.h"

namespace {

class CrashTest : public RigTest {
protected:
    void SetUp() override
    {
        RigTest::SetUp();
        memset(server_rules, 0, sizeof server_rules);
    }
    void TearDown() override
    {
        memset(server_rules, 0, sizeof server_rules);
        RigTest::TearDown();
    }

    // Rider and frame moving; the ring filled with the rider's velocity of four ticks ago.
    void move(const float frame[3], const float rider[3], const float before[3])
    {
        dBodySetLinearVel(b->bodies[BODY_FRAME], frame[0], frame[1], frame[2]);
        dBodySetLinearVel(b->bodies[BODY_RIDER], rider[0], rider[1], rider[2]);
        for (auto &entry : b->rider_velocity_ring) memcpy(entry, before, sizeof entry);
    }
    bool rider_attached() const { return dJointGetBody(b->joints[JOINT_RIDER], 0) != nullptr; }
};

TEST_F(CrashTest, Tolerance)
{
    struct Case {
        const char *what;
        int fall_start, landing, now;
        float want;
    };
    // 90 ticks is 0.703 s of air, 77 ticks 0.602 s.
    const Case cases[] = {
        {"riding, never jumped", 0, 0, 5000, 1.5f},
        {"in the air", 1090, 1000, 1100, 1.5f},
        {"0.1 s after a 0.7 s jump", 1000, 1090, 1103, 1.0f},
        {"right at touchdown", 1000, 1090, 1090, 1.0f},
        {"0.1875 s after", 1000, 1090, 1114, 1.25f},
        {"0.25 s after", 1000, 1090, 1122, 1.5f},
        {"after a 0.6 s jump", 1000, 1077, 1077, 1.5f - 0.5f * (77 / 128.0f - 0.559f) * 7.9365087f},
        {"after a 0.5 s jump", 1000, 1064, 1064, 1.5f},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        b->fall_start_tick = c.fall_start;
        b->landing_tick = c.landing;
        tick_count = c.now;
        EXPECT_NEAR(bike_crash_tolerance(b), c.want, 1e-5);
    }
}

TEST_F(CrashTest, RelativeVelocity)
{
    struct Case {
        const char *what;
        float frame[3], rider[3];
        int fall_start, landing, now;
        float bump;
        int arcade;
        bool crash;
    };
    const Case cases[] = {
        {"riding: 47 ft/s", {0, 0, 0}, {47, 0, 0}, 0, 0, 5000, 0, 0, true},
        {"riding: 46 ft/s", {0, 0, 0}, {46, 0, 0}, 0, 0, 5000, 0, 0, false},
        {"together at 60 ft/s", {0, 0, -60}, {0, 0, -60}, 0, 0, 5000, 0, 0, false},
        {"after a long jump: 32 ft/s", {0, 0, 0}, {0, -32, 0}, 1000, 1090, 1103, 0, 0, true},
        {"after a long jump: 30 ft/s", {0, 0, 0}, {0, -30, 0}, 1000, 1090, 1103, 0, 0, false},
        {"just hit by a bike", {0, 0, 0}, {60, 0, 0}, 0, 0, 5000, -1, 0, false},
        {"arcade", {0, 0, 0}, {60, 0, 0}, 0, 0, 5000, 0, 1, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        rig_rest(&r);
        b->crash_counter = 0;
        b->crash_count = 0;
        b->fall_start_tick = c.fall_start;
        b->landing_tick = c.landing;
        tick_count = c.now;
        b->bump_timer = c.bump;
        b->option_flags2 = (unsigned char)c.arcade;
        move(c.frame, c.rider, c.rider);   // steady: no acceleration
        bike_crash_test(b);
        EXPECT_EQ(b->crash_counter, c.crash ? 512 : 0);
        EXPECT_EQ(b->crash_count, c.crash ? 1 : 0);
        EXPECT_EQ(rider_attached(), !c.crash);
    }
}

TEST_F(CrashTest, RiderCarriedByTheTurningFrame)
{
    // The frame spinning about its own centre carries the rider at ω × offset: no crash though
    // the rider moves at 50 ft/s.
    const dReal *pf = dBodyGetPosition(b->bodies[BODY_FRAME]), *pr = dBodyGetPosition(b->bodies[BODY_RIDER]);
    const double w = 20, dy = pr[1] - pf[1], dz = pr[2] - pf[2];
    const float v[3] = {0, (float)(-w * dz), (float)(w * dy)};
    const float still[3] = {0, 0, 0};
    move(still, v, v);
    dBodySetAngularVel(b->bodies[BODY_FRAME], w, 0, 0);
    ASSERT_GT(std::hypot(v[1], v[2]), 47);
    bike_crash_test(b);
    EXPECT_EQ(b->crash_counter, 0);
}

TEST_F(CrashTest, Acceleration)
{
    // Frame and rider together, so only the acceleration over four ticks counts: 45 ft/s gained
    // is 1440 ft/s², 65 ft/s 2080.
    struct Case {
        const char *what;
        float gained;
        int fall_start, landing, now;
        bool crash;
    };
    const Case cases[] = {
        {"riding: 1440 ft/s²", 45, 0, 0, 5000, false},
        {"riding: 2080 ft/s²", 65, 0, 0, 5000, true},
        {"after a long jump: 1440 ft/s²", 45, 1000, 1090, 1103, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        rig_rest(&r);
        b->crash_counter = 0;
        b->fall_start_tick = c.fall_start;
        b->landing_tick = c.landing;
        tick_count = c.now;
        const float now[3] = {c.gained, 0, 0}, before[3] = {0, 0, 0};
        move(now, now, before);
        bike_crash_test(b);
        EXPECT_EQ(b->crash_counter, c.crash ? 512 : 0);
    }
}

TEST_F(CrashTest, FreeFallReadsNoAcceleration)
{
    for (dBodyID body : b->bodies) dBodySetLinearVel(body, 3, 0, -40);
    for (int k = 0; k < 8; ++k) {
        ++tick_count;
        rig_world_step(&r);
        // The end of the physics step: this tick's velocity goes into the ring.
        const dReal *v = dBodyGetLinearVel(b->bodies[BODY_RIDER]);
        for (int i = 0; i < 3; ++i) b->rider_velocity_ring[tick_count & 3][i] = (float)v[i];
    }
    ++tick_count;
    rig_world_step(&r);
    float g[3];
    bike_rider_acceleration(b, g);
    EXPECT_LT(std::sqrt(g[0] * g[0] + g[1] * g[1] + g[2] * g[2]), 0.01f);
    EXPECT_GT(std::fabs(dBodyGetLinearVel(b->bodies[BODY_RIDER])[1]), 2);   // it did fall
}

TEST_F(CrashTest, OnlyWhileRiding)
{
    b->crash_counter = 700;
    b->crash_count = 2;
    const float fast[3] = {80, 0, 0}, still[3] = {0, 0, 0};
    move(still, fast, still);
    bike_crash_test(b);
    EXPECT_EQ(b->crash_counter, 700);
    EXPECT_EQ(b->crash_count, 2);
    EXPECT_TRUE(rider_attached());
}

TEST_F(CrashTest, CrashStart)
{
    server_rules[0] = 0;
    server_rules[3] = 100;
    server_rules[15] = 40;
    server_rules[5] = -1000;
    server_rules[6] = INT_MAX;
    struct Case {
        const char *what;
        int count, want_counter;
    };
    const Case cases[] = {
        {"first crash, entry 0", 0, 512},
        {"fourth crash", 3, 612},
        {"sixteenth", 15, 552},
        {"beyond the table: entry 15", 40, 552},
        {"a negative count: entry 0", -3, 512},
        {"an entry cancelling the held phase still leaves a crash", 5, 1},
        {"a huge entry does not wrap", 6, INT_MAX},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        rig_rest(&r);
        b->crash_counter = 0;
        b->crash_count = c.count;
        dBodySetLinearVel(b->bodies[BODY_RIDER], 10, 2, -30);
        dBodySetAngularVel(b->bodies[BODY_RIDER], 0, 1, 0);
        bike_crash_start(b);
        EXPECT_EQ(b->crash_counter, c.want_counter);
        EXPECT_EQ(b->crash_count, c.count + 1);
        EXPECT_FALSE(rider_attached());
        EXPECT_EQ(dJointGetBody(b->joints[JOINT_RIDER], 1), nullptr);
        // Each anchor moves with the rider body at its own position.
        for (int k = 0; k < 2; ++k) {
            const float *p = b->anchors.foot[k];
            dVector3 v;
            dBodyGetPointVel(b->bodies[BODY_RIDER], p[0], p[1], p[2], v);
            for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(b->anchors.velocity[k][i], (float)v[i]);
        }
    }
}

}  // namespace
