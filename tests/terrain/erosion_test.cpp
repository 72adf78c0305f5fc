#include "terrain_fixture.h"
#include "terrain/erosion.h"
#include "bike/wheel_erosion.h"
#include "terrain/field.h"
#include "terrain/surface.h"
#include "bike/bike.h"
#include "racing/race.h"
#include "data/console.h"
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

// The race's ground is a tiny flat field (depth 2: 8 x 8 units of cell 1, or larger) whose one
// tile digs with the parameters set here.
struct Erosion : testing::Test {
    std::unique_ptr<small_field> field;
    terrain_field *saved = nullptr;

    void use_field(int depth, float cell, float (*height)(int, int))
    {
        field = std::make_unique<small_field>(depth, cell, [height](int x, int z) { return height(x, z); });
        std::memcpy(field->t->loaded_heights, field->t->heights, sizeof(float) * field->t->grid_dim * field->t->grid_dim);
        erosion_params &e = field->t->erosion[0];
        erosion_defaults(&e);
        e.erode_depth = 1;
        e.erode_inner_depth = 0;
        e.erode_radius = 2;
        e.erode_inner_radius = 1;
        e.erode_displacement = 3;
        e.erode_min_slope = -1;
        e.erode_max_slope = 1;
        e.erode_downhill_scale = 0;
        e.limit_count = 1;
        e.limit_depth[0] = 0;
        e.limit_a[0] = 1;
        e.limit_b[0] = 1;
        terrain_ptr = field->t;
    }
    void SetUp() override
    {
        saved = terrain_ptr;
        erode_queue_reset();
        tick_count = 0;
        use_field(2, 1.0f, [](int, int) { return 0.0f; });
    }
    void TearDown() override
    {
        terrain_ptr = saved;
        erode_queue_reset();
        tick_count = 0;
    }
};

static erode_trail trail_of(const std::vector<erode_entry> &points)
{
    erode_trail t;
    erode_trail_reset(&t);
    for (std::size_t k = 0; k < points.size(); ++k) {
        t.points[k] = points[k];
        if (k == 0) continue;
        const float s[2] = {points[k].x - points[k - 1].x, points[k].z - points[k - 1].z};
        for (int a = 0; a < 2; ++a) {
            t.step_min[a] = k == 1 || s[a] < t.step_min[a] ? s[a] : t.step_min[a];
            t.step_max[a] = k == 1 || s[a] > t.step_max[a] ? s[a] : t.step_max[a];
        }
    }
    t.point_count = (int)points.size();
    return t;
}

TEST_F(Erosion, PacketLayoutAndRoundTrip)
{
    // A weight of 16 goes as 15 in its four bits.
    const erode_trail trail = trail_of({{2, 4, 1, -1, 5}, {3, 4, 0, 0, 16}});
    std::uint8_t packet[ERODE_PACKET_MAX];
    ASSERT_EQ(erode_encode_trail(packet, &trail), 21);
    const std::uint8_t want[21] = {0x01, 0x1e, 0x80, 0xfe, 0x7f, 0x22, 0x80, 0x02, 0x80, 0x00, 0x00,
                                   0x40, 0x00, 0x00, 0x80, 0xfd, 0x01, 0x60, 0x60, 0x83, 0x83};
    EXPECT_EQ(std::memcmp(packet, want, sizeof want), 0);

    struct Case { int length, points; };
    const Case cases[] = {{17, 1}, {20, 1}, {21, 2}, {16, 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.length);
        erode_entry got[4];
        ASSERT_EQ(erode_packet_decode(packet, c.length, got, 4), c.points);
        if (c.points == 0) continue;
        EXPECT_NEAR(got[0].x, 2.0f, 1e-5f);
        EXPECT_NEAR(got[0].z, 4.0f, 1e-5f);
        EXPECT_NEAR(got[0].push_x, 1.0f, 2.0f / 64);
        EXPECT_EQ(got[0].push_z, -1.0f);
        EXPECT_EQ(got[0].weight, 5);
        if (c.points < 2) continue;
        EXPECT_NEAR(got[1].x, 3.0f, 0.125f / 255);
        EXPECT_NEAR(got[1].z, 4.0f, 0.125f / 255);
        EXPECT_EQ(got[1].push_x, 0.0f);
        EXPECT_EQ(got[1].weight, 15);
    }
    packet[0] = 2;
    erode_entry none;
    EXPECT_EQ(erode_packet_decode(packet, 21, &none, 1), 0);
}

// Point 0 in three bytes over the 8-unit world: the edges and what lies past them hold at the
// edge; the far edge must not wrap round to 0 (the opposite edge).
TEST_F(Erosion, PacketPositionsHoldAtTheEdges)
{
    struct Case { float v; int want_q; float want; };
    const Case cases[] = {
        {0.0f, 0, 0.0f},
        {-3.0f, 0, 0.0f},
        {4.0f, 8388608, 4.0f},
        {7.9999995f, 16777214, 7.9999995f},   // the last step before the edge
        {8.0f, 16777215, 8.0f},               // 2^24 in single precision, held
        {12.0f, 16777215, 8.0f},
    };
    for (const Case &c : cases)
        for (int axis = 0; axis < 2; ++axis) {
            SCOPED_TRACE(testing::Message() << c.v << (axis ? " along z" : " along x"));
            erode_entry p = {axis ? 4.0f : c.v, axis ? c.v : 4.0f, 0, 0, 1};
            const erode_trail trail = trail_of({p});
            std::uint8_t packet[ERODE_PACKET_MAX];
            ASSERT_EQ(erode_encode_trail(packet, &trail), 17);
            const std::uint8_t *q = packet + 9 + 3 * axis;
            EXPECT_EQ(q[0] | q[1] << 8 | q[2] << 16, c.want_q);
            erode_entry got;
            ASSERT_EQ(erode_packet_decode(packet, 17, &got, 1), 1);
            EXPECT_NEAR(axis ? got.z : got.x, c.want, 1e-5f);
            EXPECT_NEAR(axis ? got.x : got.z, 4.0f, 1e-5f);
        }
}

TEST_F(Erosion, StepErrorsDoNotAccumulate)
{
    use_field(7, 1.0f, [](int, int) { return 0.0f; });
    std::vector<erode_entry> points;
    for (int k = 0; k < ERODE_TRAIL_POINTS; ++k) points.push_back({10 + 0.3f * k, 20 + 0.17f * (float)(k % 3), 0, 1, 1});
    erode_trail trail = trail_of(points);
    std::uint8_t packet[ERODE_PACKET_MAX];
    ASSERT_EQ(erode_encode_trail(packet, &trail), ERODE_PACKET_MAX);
    erode_entry got[ERODE_TRAIL_POINTS];
    ASSERT_EQ(erode_packet_decode(packet, ERODE_PACKET_MAX, got, ERODE_TRAIL_POINTS), ERODE_TRAIL_POINTS);
    for (int k = 0; k < ERODE_TRAIL_POINTS; ++k) {
        // Within half a step quantum (range / 255) at every k: no growth along the trail.
        ASSERT_NEAR(got[k].x, points[k].x, 0.0005f) << k;
        ASSERT_NEAR(got[k].z, points[k].z, 0.0015f) << k;
    }

    // Bounds narrower than the steps: each step is held at the bound, and the next is measured
    // from where the decoder put the point.
    trail.point_count = 3;
    trail.points[1] = {15, 20, 0, 1, 1};
    trail.points[2] = {15.5f, 20, 0, 1, 1};
    trail.step_min[0] = trail.step_max[0] = 0.5f;
    trail.step_min[1] = trail.step_max[1] = 0;
    ASSERT_EQ(erode_encode_trail(packet, &trail), 25);
    ASSERT_EQ(erode_packet_decode(packet, 25, got, 3), 3);
    EXPECT_NEAR(got[1].x, 10.5625f, 0.04f);
    EXPECT_NEAR(got[2].x, 11.125f, 0.08f);
}

// A packet of count points along x from (x0, z) with push (push_x, 0).
static std::vector<std::uint8_t> packet_of(int count, float x0, float z, float push_x)
{
    std::vector<erode_entry> points;
    for (int k = 0; k < count; ++k) points.push_back({x0 + 0.01f * k, z, push_x, 0, 1});
    erode_trail trail = trail_of(points);
    std::vector<std::uint8_t> bytes(ERODE_PACKET_MAX);
    bytes.resize((std::size_t)erode_encode_trail(bytes.data(), &trail));
    return bytes;
}

TEST_F(Erosion, QueueDigsAndThrowsTheDirtBack)
{
    use_field(7, 1.0f, [](int, int) { return 0.0f; });
    const terrain_field *t = terrain_ptr;
    erode_queue_apply(nullptr, 1024);
    EXPECT_EQ(erode_queue.deadline, ERODE_NO_DEADLINE);
    EXPECT_EQ(field->total(), 0.0);

    auto p = packet_of(1, 100, 100, 1);
    erode_queue_push_packet(p.data(), (int)p.size());
    ASSERT_EQ(erode_queue.queue_count, 1);
    const float rider[3] = {105, 0, 100};
    erode_queue_apply(rider, 1024);                 // within 10 units: waits
    EXPECT_EQ(erode_queue.queue_count, 1);
    EXPECT_EQ(erode_queue.deadline, 256);
    tick_count = 256;
    erode_queue_apply(rider, 1024);
    EXPECT_EQ(erode_queue.queue_count, 1);
    tick_count = 257;                               // past the deadline the rider no longer holds it
    erode_queue_apply(rider, 1024);
    EXPECT_EQ(erode_queue.queue_count, 0);
    EXPECT_EQ(erode_queue.deadline, ERODE_NO_DEADLINE);

    EXPECT_LT(erode_height_at(t, 100, 100), 0.0f);            // dug where the wheel pushed
    EXPECT_GT(erode_height_at(t, 100 - 3 * 0.96875f, 100), 0.0f);   // thrown back against the push
    EXPECT_NEAR(field->total(), 0.0, 1e-3);                  // nothing made or lost
    EXPECT_EQ(erode_height_at(t, 37.3f, 61.8f), terrain_height_at(t, 37.3f, 61.8f));
}

TEST_F(Erosion, EntriesThatDoNothing)
{
    use_field(7, 1.0f, [](int x, int) { return x < 100 ? 0.0f : 50.0f; });
    struct Case { const char *what; float x, push_x; };
    const Case cases[] = {
        {"target far above the point", 101.5f, -1},   // thrown uphill onto the cliff
        {"no push", 50, 0},                            // push byte 0x80 decodes to 0
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const double before = field->total();
        auto p = packet_of(1, c.x, 50, c.push_x);
        erode_queue_push_packet(p.data(), (int)p.size());
        erode_queue_apply(nullptr, 1024);
        EXPECT_EQ(erode_queue.queue_count, 0);
        EXPECT_EQ(field->total(), before);
    }
}

TEST_F(Erosion, BudgetAndFullQueue)
{
    use_field(7, 1.0f, [](int, int) { return 0.0f; });
    auto p = packet_of(ERODE_TRAIL_POINTS, 10, 10, 1);
    erode_queue_push_packet(p.data(), (int)p.size());
    erode_queue_push_packet(p.data(), 16);   // too short: ignored
    erode_queue_apply(nullptr, 1024);
    EXPECT_EQ(erode_queue.queue_count, ERODE_TRAIL_POINTS - (ERODE_TRAIL_POINTS / 64 + 32));

    erode_queue_reset();
    auto said = [] {
        int n = 0;
        for (const auto &line : g_console.lines) n += std::strcmp(line, "Erode queue full!") == 0;
        return n;
    };
    const int before = said();
    for (int i = 0; i < ERODE_QUEUE_SLOTS / ERODE_TRAIL_POINTS + 2; ++i) erode_queue_push_packet(p.data(), (int)p.size());
    EXPECT_EQ(erode_queue.queue_count, ERODE_QUEUE_SLOTS);
    EXPECT_EQ(said(), before + 1);
}

TEST_F(Erosion, WheelTrailsReachTheQueue)
{
    use_field(7, 1.0f, [](int, int) { return 0.0f; });
    // Equal bounds make each range a step: any speed, slip or push above them counts fully.
    erosion_params &e = terrain_ptr->erosion[0];
    e.erode_off_speed = e.erode_on_speed = 1;
    e.erode_slip_lower = e.erode_slip_upper = 1;
    e.erode_slip_base_scale = 0;
    e.erode_slip_scale = 1;
    e.erode_lower = e.erode_upper = 0.5f;

    dInitODE2(0);
    dWorldID world = dWorldCreate();
    dBodyID body = dBodyCreate(world);
    dBodySetLinearVel(body, 0, 0, 10);
    wheel_record w = {};
    w.body = body;
    w.depth = 0.1f;
    w.contact_velocity[2] = 5;
    w.feedback.f1[0] = 100;

    erode_trail trail;
    erode_trail_reset(&trail);
    for (int i = 0; i < 40; ++i, ++tick_count) {
        w.contact_point[0] = 50;
        w.contact_point[2] = 20 + 0.2f * i;
        erode_wheel_contact(&trail, &w);
        ASSERT_TRUE(std::isfinite(trail.push_sum[0]));
    }
    EXPECT_GT(trail.point_count, 5);
    EXPECT_NEAR(trail.points[0].push_x, 1.0f, 1e-6f);   // a full push has length 1
    EXPECT_EQ(erode_queue.queue_count, 0);

    w.depth = 0;
    const int points = trail.point_count;
    for (int i = 0; i < 70 && trail.point_count; ++i, ++tick_count) erode_wheel_contact(&trail, &w);
    EXPECT_EQ(trail.point_count, 0);
    EXPECT_EQ(erode_queue.queue_count, points + 1);   // the pending samples made one more

    // Below the bounds nothing is gathered.
    dBodySetLinearVel(body, 0, 0, 1);
    w.depth = 0.1f;
    erode_wheel_contact(&trail, &w);
    EXPECT_EQ(trail.sample_count, 0);
    dWorldDestroy(world);
    dCloseODE();
}
