// The smoothing, smudging, snapping and gradient brushes and the gradient modes' press and drag,
// on 33 x 33 fields of unit cells at zoom 1 over a 200-pixel window (16 units on screen, pick
// radius 0.5, one unit 12.5 pixels).
#include "editor_fixture.h"

struct EditorTools : EditorTest {
    void set_ground(const std::function<float(int, int)> &f)
    {
        for (int z = 0; z < 33; ++z)
            for (int x = 0; x < 33; ++x) field.t->heights[z * 33 + x] = f(x, z);
        g_editor.pending_edits = 1;
        editor_take_snapshot();
    }
    gradient *make_gradient(float x0, float z0, float x1, float z1, std::initializer_list<gradient_point> points,
                            std::initializer_list<int> types)
    {
        editor_new_gradient();
        gradient *g = editor_selected_gradient();
        g->x0 = x0, g->z0 = z0, g->x1 = x1, g->z1 = z1;
        gradient_clear_profile(g);
        auto t = types.begin();
        for (const gradient_point &p : points) gradient_append_point(g, p.distance, p.height, *t++);
        return g;
    }
    // Runs the held tool for one tick with the mouse on (x, z).
    void drag_to(float x, float z)
    {
        mouse_on(x, z);
        ticks(1);
    }
};

TEST_F(EditorTools, SmoothRadiusIsHeldToOneTo1024)
{
    struct Case { float strength; int radius; };
    const Case cases[] = {{-1, 1}, {0.25f, 1}, {1, 1}, {2.4f, 2}, {2.6f, 3}, {1024, 1024}, {5000, 1024}, {NAN, 1}};
    for (const Case &c : cases) EXPECT_EQ(smooth_radius(c.strength), c.radius) << c.strength;
}

TEST_F(EditorTools, SmoothMeansTheSnapshotOverItsDisc)
{
    set_ground(bumpy);
    smooth_begin();
    // Radius 1: the vertex and its two row neighbours; at the border the clamped sample counts twice.
    EXPECT_FLOAT_EQ(smooth_target(0, 0.5f, 0, 0, 10, 7), (bumpy(9, 7) + bumpy(10, 7) + bumpy(11, 7)) / 3);
    EXPECT_FLOAT_EQ(smooth_target(0, 0.5f, 0, 0, 0, 7), (2 * bumpy(0, 7) + bumpy(1, 7)) / 3);
    // Radius 2: rows -1..1 with half widths 2, 2, 2 (round(sqrt(3)) = 2): 15 samples.
    double sum = 0;
    for (int i = -1; i <= 1; ++i)
        for (int c = -2; c <= 2; ++c) sum += bumpy(16 + c, 16 + i);
    smooth_begin();
    EXPECT_NEAR(smooth_target(0, 2, 0, 0, 16, 16), sum / 15, 1e-5);
}

TEST_F(EditorTools, RunningSumEqualsTheDirectMean)
{
    set_ground(bumpy);
    for (float strength : {3.0f, 17.0f, 1024.0f}) {
        editor_smooth_running_sum(1);
        smooth_begin();
        float running = 0;
        for (int c = 0; c <= 20; c += 1) running = smooth_target(0, strength, 0, 0, c, 5);
        editor_smooth_running_sum(0);
        smooth_begin();
        float direct = smooth_target(0, strength, 0, 0, 20, 5);
        EXPECT_NEAR(running, direct, 1e-4f) << strength;
    }
    editor_smooth_running_sum(1);
}

TEST_F(EditorTools, SmoothStrokeLowersABump)
{
    set_ground([](int x, int z) { return x == 16 && z == 16 ? 9.0f : 0.0f; });
    set_slider(W_RADIUS, 25);   // 2 units
    set_slider(W_STRENGTH, 0);  // radius 1: the mean of three
    view_at(16, 16);
    key('1');
    mouse_on(16, 16);
    press_left();
    ticks(1);
    release_left();
    EXPECT_FLOAT_EQ(h(16, 16), 3);
    EXPECT_FLOAT_EQ(h(15, 16), 3);
    EXPECT_FLOAT_EQ(h(16, 15), 0);
}

TEST_F(EditorTools, SmudgeCarriesTheGroundAlongTheDrag)
{
    set_ground([](int x, int) { return (float)x; });
    set_slider(W_RADIUS, 12.5);   // 1 unit
    set_slider(W_STRENGTH, 0);    // samples at 0 and half a cell
    view_at(16, 16);
    editor_change_mode(MODE_SMUDGE);
    mouse_on(20, 16);
    press_left();
    EXPECT_NEAR(g_editor.smudge_x, 20, 0.05);
    double before = field.total();
    drag_to(19.3f, 16);   // under a unit from the smudge point: nothing
    EXPECT_EQ(field.total(), before);
    EXPECT_NEAR(g_editor.smudge_x, 20, 0.05);
    ticks(31);
    drag_to(18, 16);
    EXPECT_NEAR(g_editor.smudge_x, 19, 0.05) << "a unit behind the cursor";
    EXPECT_FLOAT_EQ(h(18, 16), 18.25f) << "the mean of the ground at 18 and 18.5";
    release_left();
}

TEST_F(EditorTools, SamplersAreLinearOnTrianglesAndClampedOutside)
{
    set_ground([](int x, int z) { return 2.0f * (float)x - 3.0f * (float)z; });
    const int k = snapshot_full_level();
    for (int level : {k, k - 1, k - 3})
        for (float p : {0.0f, 3.3f, 7.75f, 21.5f}) {
            float x = p, z = 31 - p * 0.5f;
            EXPECT_NEAR(snapshot_lod_height_at(level, x, z), 2 * x - 3 * z, 1e-3f) << level << " " << p;
            EXPECT_NEAR(snapshot_lod_height(level, (int)x, (int)z), 2 * (int)x - 3 * (int)z, 1e-3f) << level;
        }
    EXPECT_FLOAT_EQ(snapshot_lod_height_at(k, 40, -7), 64) << "the corner (32, 0)";
    EXPECT_FLOAT_EQ(snapshot_lod_height(k - 2, -9, 50), -96) << "the corner (0, 32)";
}

// The snap block's vertices lie on the two planes of its coarse cell, split by one diagonal.
TEST_F(EditorTools, SnappedBlockIsTwoPlanes)
{
    set_ground(bumpy);
    set_slider(W_STRENGTH, 2);   // 4 units: blocks of 4 cells
    view_at(16, 16);
    key('2');
    mouse_on(9.5f, 6.5f);
    press_left();
    ticks(1);
    release_left();
    auto plane = [&](int a0, int b0, int a1, int b1, int a2, int b2, int x, int z) {
        // The height at (x, z) on the plane through three vertices of the block.
        float h0 = h(a0, b0), h1 = h(a1, b1), h2 = h(a2, b2);
        float det = (float)((a1 - a0) * (b2 - b0) - (a2 - a0) * (b1 - b0));
        float u = ((float)(x - a0) * (b2 - b0) - (float)(a2 - a0) * (z - b0)) / det;
        float v = ((float)(a1 - a0) * (z - b0) - (float)(x - a0) * (b1 - b0)) / det;
        return h0 + u * (h1 - h0) + v * (h2 - h0);
    };
    int fits[2] = {1, 1};   // diagonal (8,4)-(12,8), then (12,4)-(8,8)
    for (int z = 4; z <= 8; ++z)
        for (int x = 8; x <= 12; ++x) {
            int dx = x - 8, dz = z - 4;
            float a = dx >= dz ? plane(8, 4, 12, 4, 12, 8, x, z) : plane(8, 4, 8, 8, 12, 8, x, z);
            float b = dx + dz <= 4 ? plane(8, 4, 12, 4, 8, 8, x, z) : plane(12, 4, 12, 8, 8, 8, x, z);
            if (std::fabs(a - h(x, z)) > 1e-4f) fits[0] = 0;
            if (std::fabs(b - h(x, z)) > 1e-4f) fits[1] = 0;
        }
    EXPECT_TRUE(fits[0] || fits[1]);
    EXPECT_FLOAT_EQ(h(8, 4), bumpy(8, 4)) << "the corners keep their heights";
    EXPECT_FLOAT_EQ(h(12, 8), bumpy(12, 8));
    EXPECT_FLOAT_EQ(h(13, 6), bumpy(13, 6)) << "outside the block nothing moves";
    EXPECT_FLOAT_EQ(h(10, 3), bumpy(10, 3));
}

TEST_F(EditorTools, ProfileHeights)
{
    make_gradient(0, 0, 30, 0, {{10, 2}, {20, 6}, {30, 6}}, {SEGMENT_LINE, SEGMENT_CURVE, SEGMENT_LINE});
    struct Case { float d, want; };
    const Case cases[] = {
        {-5, 2}, {5, 2}, {10, 2},   // before and at the first point
        {15, 4},                    // on the Line segment
        {20, 6},                    // at the second point: its Curve segment starts
        {30, 6}, {99, 6},           // at and beyond the last
    };
    for (const Case &c : cases) EXPECT_FLOAT_EQ(gradient_profile_height(c.d), c.want) << c.d;
    EXPECT_FLOAT_EQ(gradient_profile_height(25), gradient_hermite(1, 0.5f));
    EXPECT_NE(gradient_hermite(1, 0.5f), 6) << "the curve leaves the straight line";
    g_editor.selected_gradient = -1;
    EXPECT_EQ(gradient_profile_height(15), 0);
}

TEST_F(EditorTools, LinearAndRadialTargets)
{
    make_gradient(8, 16, 24, 16, {{0, 0}, {16, 8}}, {SEGMENT_LINE, SEGMENT_LINE});
    struct Case { float x, z, linear, radial; };
    const Case cases[] = {
        {12, 5, 2, 0},             // radial: |(4, -11)| = 11.7 -> 5.85
        {11, 20, 1.5f, 2.5f},      // radial: |(3, 4)| = 5
        {3, 19, 0, 1.5f},          // behind the first end point: 3 from the line
        {30, 16, 8, 8},
    };
    for (const Case &c : cases) {
        EXPECT_FLOAT_EQ(gradient_linear_target(c.x, c.z), c.linear) << c.x << "," << c.z;
        if (c.radial) EXPECT_FLOAT_EQ(gradient_radial_target(c.x, c.z), c.radial) << c.x << "," << c.z;
    }
    // A line of no length has no direction: the profile's start holds everywhere.
    make_gradient(8, 16, 8, 16, {{0, 3}, {16, 8}}, {SEGMENT_LINE, SEGMENT_LINE});
    EXPECT_FLOAT_EQ(gradient_linear_target(20, 20), 3);
    EXPECT_TRUE(std::isfinite(gradient_radial_target(5, 5)));
}

TEST_F(EditorTools, LinearPaintLaysTheProfileAlongTheLine)
{
    make_gradient(8, 16, 24, 16, {{0, 0}, {16, 8}}, {SEGMENT_LINE, SEGMENT_LINE});
    set_slider(W_RADIUS, 25);
    view_at(16, 16);
    key('3');
    mouse_on(8, 16);
    key('l');
    mouse_on(24, 16);
    press_left();
    ticks(1);
    release_left();
    for (int x = 8; x <= 24; x += 2) EXPECT_NEAR(h(x, 16), 0.5f * (float)(x - 8), 0.04f) << x;
    EXPECT_NEAR(h(16, 17), 4, 0.04f) << "across the line the same height";
    EXPECT_EQ(g_editor.undo_count, 1) << "a gradient brush's release takes no snapshot";
}

TEST_F(EditorTools, GradientPickTakesTheLastMatch)
{
    make_gradient(10, 10, 20, 10, {}, {});
    make_gradient(2, 2, 10.2f, 10, {}, {});
    make_gradient(30, 30, 31, 31, {}, {});
    view_at(16, 16);
    mouse_on(10, 10);
    gradient_pick();
    EXPECT_EQ(g_editor.selected_gradient, 1);
    mouse_on(25, 3);
    gradient_pick();
    EXPECT_EQ(g_editor.selected_gradient, 1) << "no match keeps the selection";
}

TEST_F(EditorTools, PointPickSelectsOrInserts)
{
    // Plotted at (4 + distance, 20 - height).
    const gradient *g = make_gradient(4, 20, 24, 20, {{0, 0}, {10, 5}, {20, 5}}, {SEGMENT_LINE, SEGMENT_CURVE, SEGMENT_LINE});
    view_at(14, 16);
    struct Case { float x, z; int points, selected, grip, segment; float distance, height; };
    const Case cases[] = {
        {14, 15, 3, 1, 1, SEGMENT_CURVE, 10, 5},   // on point 1
        {9, 18, 4, 1, 1, SEGMENT_LINE, 5, 2},      // between 0 and 1: inserted, typed as point 0
        {20, 17, 5, 3, 1, SEGMENT_CURVE, 16, 3},   // between 2 and 3 (then 10 and 20)
        {30, 20, 5, -1, 0, -1, 0, 0},              // right of the last: nothing
        {2, 20, 5, -1, 0, -1, 0, 0},               // left of the first
    };
    for (const Case &c : cases) {
        g_editor.selected_point = -1;
        mouse_on(c.x, c.z);
        gradient_point_pick();
        EXPECT_EQ(gradient_point_count(g), c.points) << c.x;
        EXPECT_EQ(g_editor.selected_point, c.selected) << c.x;
        EXPECT_EQ(g_editor.grip, c.grip) << c.x;
        if (c.selected < 0) continue;
        EXPECT_EQ(editor_choice(W_SEGMENT_TYPE), c.segment) << c.x;
        EXPECT_NEAR(gradient_points(g)[c.selected].distance, c.distance, 0.05f) << c.x;
        EXPECT_NEAR(gradient_points(g)[c.selected].height, c.height, 0.05f) << c.x;
    }
}

TEST_F(EditorTools, PointDrag)
{
    const gradient *g = make_gradient(4, 20, 24, 20, {{0, 0}, {10, 5}, {20, 5}}, {SEGMENT_LINE, SEGMENT_LINE, SEGMENT_LINE});
    view_at(14, 16);
    key('8');
    // The last point takes only the height, snapped by the granularity.
    set_slider(W_GRANULARITY, 0.5);
    mouse_on(24, 15);
    press_left();
    ASSERT_EQ(g_editor.selected_point, 2);
    drag_to(22.1f, 12.2f);
    EXPECT_EQ(gradient_points(g)[2].distance, 20);
    EXPECT_EQ(gradient_points(g)[2].height, 8);
    release_left();
    // An inner point follows within its neighbours, and goes when it reaches one.
    set_slider(W_GRANULARITY, 0);
    mouse_on(14, 15);
    press_left();
    ASSERT_EQ(g_editor.selected_point, 1);
    drag_to(16, 14);
    EXPECT_NEAR(gradient_points(g)[1].distance, 12, 0.05f);
    EXPECT_NEAR(gradient_points(g)[1].height, 6, 0.05f);
    drag_to(24.5f, 14);
    EXPECT_EQ(gradient_point_count(g), 2);
    EXPECT_EQ(g_editor.selected_point, -1);
    EXPECT_EQ(g_editor.grip, 0);
    drag_to(10, 10);
    EXPECT_EQ(gradient_points(g)[1].height, 8) << "the grip has ended";
    release_left();
}

TEST_F(EditorTools, PlacementDrags)
{
    view_at(16, 16);
    struct Case { bool flat; int grip; float to_x, to_z; float x0, z0, x1, z1; };
    const Case cases[] = {
        {true, 1, 6, 8, 6, 8, 20, 10},     // a flat gradient's end point goes alone
        {true, 2, 14, 24, 10, 10, 14, 24},
        {false, 1, 6, 8, 6, 8, 12, 8},     // others move whole
        {false, 2, 10, 4, 10, 10, 10, 4},  // or keep the profile's length (6)
        {false, 2, 10, 10, 10, 10, 16, 10},// the second end onto the first: kept
    };
    for (const Case &c : cases) {
        gradient *g = make_gradient(10, 10, 20, 10, {{0, 0}, {6, c.flat ? 0.0f : 2.0f}}, {SEGMENT_LINE, SEGMENT_LINE});
        if (!c.flat) g->x1 = 16;
        g_editor.grip = c.grip;
        mouse_on(c.to_x, c.to_z);
        gradient_placement_held();
        EXPECT_NEAR(g->x0, c.x0, 0.05f) << c.flat << c.grip;
        EXPECT_NEAR(g->z0, c.z0, 0.05f) << c.flat << c.grip;
        EXPECT_NEAR(g->x1, c.x1, 0.05f) << c.flat << c.grip;
        EXPECT_NEAR(g->z1, c.z1, 0.05f) << c.flat << c.grip;
    }
}
