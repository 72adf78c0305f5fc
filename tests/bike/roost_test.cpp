// Roost on a bike standing on flat dirt: particles are counted by a recorder in place of the
// track's pool, the generator seeded so runs repeat.
#include "ride_harness.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

#include "bike/roost.h"
#include "data/util.h"
#include "racing/race.h"
#include "shell/globals.h"
#include "terrain/field.h"

namespace {

struct particle { float p[3], v[3]; const roost_type *style; };
std::vector<particle> spawned;

particle_node *record(const float p[3], const float v[3], const roost_type *style)
{
    spawned.push_back({{p[0], p[1], p[2]}, {v[0], v[1], v[2]}, style});
    return nullptr;
}

struct Roost : ::testing::Test {
    ride_harness h{5, 1.0f, [](int, int) { return 0.0f; }};
    bike *b = nullptr;
    roost_type *emitters = nullptr;

    void SetUp() override
    {
        b = h.add(nullptr, 32, 32);
        h.run(64);
        ASSERT_GT(b->wheels[WHEEL_REAR].depth, 0);
        emitters = h.ground.t->roost[0];
        for (int i = 1; i < TILE_ROOST_TYPES; ++i) emitters[i] = {};
        random_seed(1234);
        spawned.clear();
        bike_roost_set_spawner(record);
    }
    void TearDown() override { bike_roost_set_spawner(nullptr); }

    // The rear wheel rolling forward at v ft/s and spinning at w rad/s, its contact as a ground
    // pass would leave it.
    wheel_record &roll(float v, float w)
    {
        wheel_record &r = b->wheels[WHEEL_REAR];
        dBodySetLinearVel(r.body, 0, 0, -v);
        dBodySetAngularVel(r.body, -w, 0, 0);
        dVector3 pv;
        dBodyGetPointVel(r.body, r.contact_point[0], r.contact_point[1], r.contact_point[2], pv);
        for (int k = 0; k < 3; ++k) r.contact_velocity[k] = (float)pv[k];
        return r;
    }
};

TEST_F(Roost, RateFractionIsTakenAtRandom)
{
    emitters[0].count = 2.25f;
    wheel_record &w = roll(20, 60);
    int counts[5] = {};
    const int ticks = 4000;
    for (int i = 0; i < ticks; ++i) {
        spawned.clear();
        bike_roost_emit(&w, 1, 100, 6.2831853f);
        ASSERT_LT(spawned.size(), 5u);
        counts[spawned.size()] += 1;
    }
    EXPECT_EQ(counts[0] + counts[1] + counts[4], 0);
    EXPECT_NEAR(counts[3] / (float)ticks, 0.25f, 0.03f);

    // The budget caps each emitter.
    spawned.clear();
    bike_roost_emit(&w, 1, 1, 6.2831853f);
    EXPECT_EQ(spawned.size(), 1u);
}

TEST_F(Roost, WheelInTheAirThrowsNothing)
{
    wheel_record &w = roll(20, 60);
    dBodyID body = w.body;
    const dReal *p = dBodyGetPosition(body);
    dBodySetPosition(body, p[0], p[1] + 3, p[2]);
    // The contact of the last ground pass is kept when reused...
    bike_roost_emit(&w, 1, 100, 6.2831853f);
    EXPECT_FALSE(spawned.empty());
    // ...and found afresh it is gone.
    spawned.clear();
    bike_roost_emit(&w, 0, 100, 6.2831853f);
    EXPECT_TRUE(spawned.empty());
    EXPECT_EQ(w.depth, 0);
}

TEST_F(Roost, SideSprayAlternatesAndSpreadsOverTheTick)
{
    emitters[0] = {};
    emitters[0].kind = 2;
    emitters[0].count = 2;
    emitters[0].vscale = 1;
    wheel_record &w = roll(20, 60);
    for (int t = 0; t < 2; ++t) {
        tick_count = 1000 + t;
        spawned.clear();
        bike_roost_emit(&w, 1, 100, 6.2831853f);
        ASSERT_EQ(spawned.size(), 2u);
        for (int i = 0; i < 2; ++i) {
            SCOPED_TRACE(testing::Message() << "tick " << t << " particle " << i);
            const particle &q = spawned[i];
            // Bit 0 of (tick xor index): 0 throws along N x T, which is -x for a wheel rolling
            // toward -z, and 1 to +x.
            const float side = ((tick_count ^ i) & 1) ? 1.0f : -1.0f;
            EXPECT_GT(q.v[0] * side, 0);
            const float dx = q.p[0] - w.contact_point[0];
            EXPECT_NEAR(dx, side * 20 * 0.70710677f * (float)tick * i / 2, 1e-4);
        }
    }
    // A wheel standing still has no sides to spray to.
    wheel_record &still = roll(0, 0);
    spawned.clear();
    bike_roost_emit(&still, 1, 100, 6.2831853f);
    EXPECT_TRUE(spawned.empty());
}

// The angle about the axle between the contact point and a particle's starting point (the
// first particle of a tick starts where it leaves the tyre).
float arc_of(const wheel_record &w, const particle &q)
{
    const dReal *c = dBodyGetPosition(w.body);
    const float y = q.p[1] - (float)c[1], z = q.p[2] - (float)c[2];
    const float y0 = w.contact_point[1] - (float)c[1], z0 = w.contact_point[2] - (float)c[2];
    return std::fabs(std::atan2(y * z0 - z * y0, y * y0 + z * z0));
}

TEST_F(Roost, FrontArcNeverBeyondAnEighthOfPi)
{
    roost_type &e = emitters[0];
    e.count = 1;
    e.randomize = 0;
    e.slow_angle = e.fast_angle = 3;   // wider than the front's limit at any spin
    e.slow_speed = 0, e.fast_speed = 64;
    wheel_record &w = roll(2, 200);     // spinning far faster than it rolls
    float widest = 0;
    for (int i = 0; i < 400; ++i) {
        spawned.clear();
        bike_roost_emit(&w, 1, 100, 0.39269908f);
        ASSERT_EQ(spawned.size(), 1u);
        widest = std::max(widest, arc_of(w, spawned[0]));
    }
    EXPECT_LE(widest, 0.39269908f + 1e-3f);
    EXPECT_GT(widest, 0.3f);

    // Equal spins: the low arc up to that spin, the high arc above it.
    e.slow_angle = 0.3f, e.fast_angle = 0.05f;
    e.slow_speed = e.fast_speed = 50;
    for (float spin : {40.0f, 60.0f}) {
        wheel_record &r = roll(2, spin);
        widest = 0;
        for (int i = 0; i < 400; ++i) {
            spawned.clear();
            bike_roost_emit(&r, 1, 100, 6.2831853f);
            ASSERT_EQ(spawned.size(), 1u);
            widest = std::max(widest, arc_of(r, spawned[0]));
        }
        EXPECT_NEAR(widest, spin < 50 ? 0.3f : 0.05f, 0.02f) << spin;
    }
}

TEST_F(Roost, BudgetFollowsTheRateSetting)
{
    const int saved = g_render.roost_frequency;
    emitters[0].count = 10;
    roll(20, 60);
    struct Case { int setting; float mean; };
    const Case cases[] = {{0, 0}, {100, 1}, {150, 1.5f}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.setting);
        g_render.roost_frequency = c.setting;
        spawned.clear();
        for (int i = 0; i < 2000; ++i) bike_spawn_wheel_particles(b, 1);
        // Only the spinning rear wheel slides enough to fling; it throws the whole budget.
        EXPECT_NEAR(spawned.size() / 2000.0f, c.mean, 0.05f);
    }
    g_render.roost_frequency = saved;
}

}   // namespace
