// Gradient profiles: the slope and cubic tables, the snapshot samplers, Flatten and Set From
// Terrain.
#include "editor_fixture.h"

using EditorGradients = EditorTest;

static gradient *profile(std::initializer_list<gradient_point> points, std::initializer_list<int> types)
{
    editor_new_gradient();
    gradient *g = editor_selected_gradient();
    gradient_clear_profile(g);
    auto t = types.begin();
    for (const gradient_point &p : points) gradient_append_point(g, p.distance, p.height, *t++);
    return g;
}

TEST_F(EditorGradients, SlopeTable)
{
    // 0 -> 10 rises 10; 10 -> 20 flat; 20 -> 40 falls 10.
    profile({{0, 0}, {10, 10}, {20, 10}, {40, 0}}, {SEGMENT_CURVE, SEGMENT_CURVE, SEGMENT_LINE, SEGMENT_LINE});
    struct Case { int i; float want; };
    const Case cases[] = {
        {-1, 1}, {0, 1},      // the first segment's slope
        {1, 0.5f},            // between two Curve segments: the mean of 1 and 0
        {2, -0.5f},           // Curve before, Line after: the forward difference
        {3, -0.5f}, {9, -0.5f},
    };
    for (const Case &c : cases) EXPECT_FLOAT_EQ(gradient_slope_at(c.i), c.want) << c.i;
    gradient_types(editor_selected_gradient())[1] = SEGMENT_LINE;
    EXPECT_FLOAT_EQ(gradient_slope_at(2), 0) << "a Line before: the backward difference";
}

TEST_F(EditorGradients, HermiteTable)
{
    profile({{0, 0}, {10, 10}, {20, 10}}, {SEGMENT_CURVE, SEGMENT_CURVE, SEGMENT_LINE});
    // Segment 0: m0 = 1 * 10, m1 = 0.5 * 10.
    struct Case { int i; float s, want; };
    const Case cases[] = {
        {0, 0, 0}, {0, 1, 10},
        {0, 0.5f, 0 + 5 + (30 - 20 - 5) * 0.25f + (10 + 5 - 20) * 0.125f},
        {1, 0, 10}, {1, 1, 10},
        {2, 0.5f, 10}, {7, 0.5f, 10},   // at or past the last point: its height
    };
    for (const Case &c : cases) EXPECT_FLOAT_EQ(gradient_hermite(c.i, c.s), c.want) << c.i << " " << c.s;
}

TEST_F(EditorGradients, DegenerateProfilesGiveZeroSlopes)
{
    EXPECT_EQ(gradient_slope_at(0), 0) << "no gradient";
    profile({{5, 3}}, {SEGMENT_CURVE});
    EXPECT_EQ(gradient_slope_at(0), 0) << "one point";
    EXPECT_EQ(gradient_hermite(0, 0.5f), 3);
    profile({{5, 3}, {5, 9}, {10, 9}}, {SEGMENT_CURVE, SEGMENT_CURVE, SEGMENT_CURVE});
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(std::isfinite(gradient_slope_at(i))) << i;
    EXPECT_EQ(gradient_slope_at(0), 0) << "coincident distances";
}

TEST_F(EditorGradients, NewGradientAndFlatten)
{
    field.t->change_flags = 0;
    key('f');
    EXPECT_EQ(field.t->change_flags, CHANGE_ALL) << "flags even without a gradient";
    editor_new_gradient();
    const gradient *g = editor_selected_gradient();
    ASSERT_NE(g, nullptr);
    EXPECT_FLOAT_EQ(g->x0, 16);
    EXPECT_FLOAT_EQ(g->z0, 16);
    EXPECT_FLOAT_EQ(g->x1, 66);
    EXPECT_FLOAT_EQ(g->z1, 16);
    ASSERT_EQ(gradient_point_count(g), 2);
    EXPECT_FLOAT_EQ(gradient_points(g)[1].distance, 50);
    EXPECT_EQ(gradient_types(g)[0], SEGMENT_LINE);
    EXPECT_EQ(gradient_points(g)[1].height, 0);
}

TEST_F(EditorGradients, SamplersAtFullResolutionMatchTheGround)
{
    for (int z = 0; z < 33; ++z)
        for (int x = 0; x < 33; ++x) field.t->heights[z * 33 + x] = bumpy(x, z);
    g_editor.pending_edits = 1;
    editor_take_snapshot();
    const int k = snapshot_full_level();
    for (int z = 0; z < 33; z += 3)
        for (int x = 0; x < 33; x += 5) EXPECT_EQ(snapshot_lod_height(k, x, z), bumpy(x, z));
    const float points[][2] = {{3.25f, 7.5f}, {10.75f, 2.125f}, {31.9f, 0.1f}, {16, 16}};
    for (const auto &p : points)
        EXPECT_NEAR(snapshot_lod_height_at(k, p[0], p[1]), terrain_height_at(field.t, p[0], p[1]), 1e-4f);
    // Outside the grid the border continues.
    EXPECT_EQ(snapshot_lod_height(k, -5, 40), bumpy(0, 32));
    EXPECT_EQ(snapshot_lod_height_at(k, -1e30f, 1e30f), bumpy(0, 32));
    // A coarser level reads its corners exactly too.
    EXPECT_EQ(snapshot_lod_height(k - 2, 8, 12), bumpy(8, 12));
}

struct EditorGroundShapes : EditorTest {
    void set_ground(float (*f)(int, int))
    {
        for (int z = 0; z < 33; ++z)
            for (int x = 0; x < 33; ++x) field.t->heights[z * 33 + x] = f(x, z);
        g_editor.pending_edits = 1;
        editor_take_snapshot();
    }
};

TEST_F(EditorGroundShapes, SetFromTerrainOnARamp)
{
    set_ground([](int x, int) { return 0.25f * (float)x; });
    editor_new_gradient();
    gradient *g = editor_selected_gradient();
    g->x0 = 4, g->z0 = 16, g->x1 = 28, g->z1 = 16;
    gradient_set_from_terrain();
    ASSERT_EQ(gradient_point_count(g), 2);
    EXPECT_EQ(gradient_types(g)[0], SEGMENT_LINE);
    EXPECT_FLOAT_EQ(gradient_points(g)[0].height, 1);
    EXPECT_FLOAT_EQ(gradient_points(g)[1].distance, 24);
    EXPECT_FLOAT_EQ(gradient_points(g)[1].height, 7);
    EXPECT_EQ(g_editor.selected_point, -1);
}

TEST_F(EditorGroundShapes, SetFromTerrainOnABump)
{
    set_ground([](int x, int) { float d = (float)x - 16; return d * d < 64 ? 8 - d * d / 8 : 0.0f; });
    editor_new_gradient();
    gradient *g = editor_selected_gradient();
    g->x0 = 0, g->z0 = 16, g->x1 = 32, g->z1 = 16;
    gradient_set_from_terrain();
    int n = gradient_point_count(g);
    ASSERT_GT(n, 3);
    ASSERT_LT(n, 33) << "flat runs and near-straight points were merged";
    const gradient_point *p = gradient_points(g);
    EXPECT_EQ(p[0].distance, 0);
    EXPECT_EQ(p[n - 1].distance, 32);
    EXPECT_EQ(gradient_types(g)[0], SEGMENT_LINE) << "the flat run before the bump is one Line";
    // Every kept point lies on the ground, and the profile follows the bump closely.
    for (int i = 0; i < n; ++i) EXPECT_FLOAT_EQ(p[i].height, field.h((int)p[i].distance, 16));
    for (float d = 0; d <= 32; d += 0.5f)
        EXPECT_NEAR(gradient_profile_height(d), terrain_height_at(field.t, d, 16), 0.6f) << d;
}

static void *refuse_realloc(void *, std::size_t) { return nullptr; }

TEST_F(EditorGradients, EdinfoLineWhenTheListCannotGrow)
{
    for (int i = 0; i < 16; ++i) ASSERT_EQ(edinfo_parse_line("add_gradient 1 2 3 4"), 1);
    growable_array_set_realloc(refuse_realloc);
    EXPECT_EQ(edinfo_parse_line("add_gradient 9 9 9 9"), 0);
    growable_array_set_realloc(nullptr);
    ASSERT_EQ(g_editor.gradients.count, 16);
    EXPECT_EQ(editor_gradient(15)->x0, 1) << "the last gradient read is not overwritten";
}

// Snap to Gradient puts the selected statue on the gradient's line; where there is no direction
// to move along (the statue on the first end point, a line of no length) it stays where it is.
TEST_F(EditorGradients, SnapToGradientMovesOntoTheLineOrLeavesTheStatue)
{
    struct { float x, z; bool zero_length; float want_x, want_z; } cases[] = {
        {40, 18, false, 40, 16},   // beside the line: straight onto it
        {16, 16, false, 16, 16},   // on the first end point
        {30, 20, true, 30, 20},    // a gradient of no length
    };
    for (const auto &c : cases) {
        statues.count = 0;
        editor_new_gradient();
        gradient *g = editor_selected_gradient();
        ASSERT_NE(g, nullptr);
        if (c.zero_length) g->x1 = g->x0;
        statue s{};
        s.x = c.x;
        s.z = c.z;
        s.angle = 3.25f;   // upright: the heading is not turned
        ASSERT_TRUE(growable_array_append(&statues, &s));
        g_editor.selected_statue = 0;
        statue_snap_to_gradient();
        const statue &after = ((statue *)statues.items)[0];
        EXPECT_FLOAT_EQ(after.x, c.want_x) << c.x << "," << c.z;
        EXPECT_FLOAT_EQ(after.z, c.want_z) << c.x << "," << c.z;
        EXPECT_TRUE(std::isfinite(after.y));
    }
}
