// Decals: picks, erasing with the marked list and the selection following, where copies go in
// the drawing order, group stamps and the random angles. A 129 x 129 field at zoom 3: 16 units
// on screen, pick radius 0.5, turn handles 4 units behind a decal's facing.
#include "editor_fixture.h"
#include "data/mem.h"
#include "terrain/decal_grid.h"
#include <vector>

struct EditorDecals : EditorTest {
    EditorDecals() : EditorTest(6) {}
    void SetUp() override
    {
        EditorTest::SetUp();
        terrain_field *t = field.t;
        growable_array_init(&t->decals, sizeof(decal));
        for (growable_array &a : t->decal_grid) growable_array_init(&a, sizeof(int));
        for (growable_array &a : t->decal_work) growable_array_init(&a, sizeof(int));
        set_slider(W_ZOOM, 3);
        view_at(40, 40);
        g_editor.editor_mode = MODE_DECALS;
        editor_random_seed(7);
    }
    void TearDown() override
    {
        terrain_field *t = field.t;
        for (int i = 0; i < t->decals.count; ++i) mem_free(dec(i).name);
        growable_array_free(&t->decals);
        for (growable_array &a : t->decal_grid) growable_array_free(&a);
        for (growable_array &a : t->decal_work) growable_array_free(&a);
        EditorTest::TearDown();
    }
    decal &dec(int i) { return ((decal *)field.t->decals.items)[i]; }
    int count() const { return field.t->decals.count; }
    // A decal of image "a.png" or "b.png" at (x, z).
    void add(char kind, float x, float z, float angle = 0)
    {
        decal d = {};
        d.x = x, d.z = z, d.size1 = 1, d.size2 = 1;
        d.angle = angle, d.sin_angle = std::sin(angle), d.cos_angle = std::cos(angle);
        d.color_texture = kind;
        d.name = (char *)mem_alloc(6);
        std::memcpy(d.name, kind == 'a' ? "a.png" : "b.png", 6);
        ASSERT_TRUE(growable_array_append(&field.t->decals, &d));
        decal_grid_insert(field.t, count() - 1);
    }
    std::string kinds()
    {
        std::string s;
        for (int i = 0; i < count(); ++i) s += (char)dec(i).color_texture;
        return s;
    }
    std::vector<int> marks() const
    {
        const int *m = (const int *)g_editor.marked_decals.items;
        return std::vector<int>(m, m + g_editor.marked_decals.count);
    }
    // Every decal index once in the grid, none beyond the array.
    void expect_grid_whole()
    {
        int n = 0;
        const int *list = decal_grid_query(field.t, 0, 0, 128, 128, &n);
        ASSERT_EQ(n, count());
        for (int i = 0; i < n; ++i) EXPECT_EQ(list[i], i);
    }
};

TEST_F(EditorDecals, PressTakesCentreThenHandleElseStamps)
{
    add('a', 40, 40);   // handle at (40, 36)
    add('b', 44, 40);
    g_editor.selected_decal = 1;
    int m = 0;
    growable_array_append(&g_editor.marked_decals, &m);
    struct Case { float x, z; int selected, grip, count; size_t marks; };
    const Case cases[] = {
        {44, 40, 1, 1, 2, 1},    // the selected one again: marks kept
        {40, 36, 0, 2, 2, 0},    // another decal's handle: marks cleared
        {50, 50, 1, 0, 3, 0},    // nothing: a copy of the selected decal over it, selected
    };
    for (const Case &c : cases) {
        mouse_on(c.x, c.z);
        press_left();
        release_left();
        EXPECT_EQ(g_editor.selected_decal, c.selected) << c.x;
        EXPECT_EQ(g_editor.grip, c.grip) << c.x;
        EXPECT_EQ(count(), c.count) << c.x;
        EXPECT_EQ(marks().size(), c.marks) << c.x;
    }
    EXPECT_EQ(kinds(), "aab");
    EXPECT_NEAR(dec(1).x, 50, 0.1f);
    expect_grid_whole();
}

TEST_F(EditorDecals, EraseRenumbersAndFallsBack)
{
    for (int i = 0; i < 5; ++i) add(i % 2 ? 'b' : 'a', 30 + 2.0f * (float)i, 40);   // a b a b a
    g_editor.selected_decal = 2;
    for (int m : {3, 4}) growable_array_append(&g_editor.marked_decals, &m);
    mouse_on(32, 40);   // the first b
    EXPECT_EQ(key('x'), 1);
    EXPECT_EQ(kinds(), "aaba");
    EXPECT_EQ(marks(), (std::vector<int>{2, 3}));
    EXPECT_EQ(g_editor.selected_decal, 1);
    expect_grid_whole();
    mouse_on(34, 40);   // the selected decal: the last other "a" takes over, marks go
    key('x');
    EXPECT_EQ(kinds(), "aba");
    EXPECT_EQ(g_editor.selected_decal, 2);
    EXPECT_TRUE(marks().empty());
    // Every "a" within the brush radius, "b" hidden: none matching is left to select.
    editor_panel[W_HIDE_DIFFERENT].choice.current = 1;
    set_slider(W_RADIUS, 125);   // 10 units
    mouse_on(34, 40);
    key('X');
    EXPECT_EQ(kinds(), "b");
    EXPECT_EQ(g_editor.selected_decal, -1);
    expect_grid_whole();
}

TEST_F(EditorDecals, LevelPlacesCopiesInTheDrawingOrder)
{
    for (char k : std::string("aabba")) add(k, 40, 40);
    struct Case { int level, n, want; };
    const Case cases[] = {
        {0, 2, 5}, {3, 2, 0},                 // Top, Bottom
        {1, 3, 2}, {1, 1, 0}, {1, 0, 0},      // Under Current: the start of the run ending at n
        {2, 2, 4}, {2, 4, 5}, {2, 0, 2},      // Over Current: just after the run starting at n
    };
    for (const Case &c : cases) {
        editor_panel[W_LEVEL].choice.current = c.level;
        EXPECT_EQ(decal_level_index(c.n), c.want) << c.level << " " << c.n;
    }
}

TEST_F(EditorDecals, GroupStampKeepsItsLayout)
{
    add('a', 40, 40, 0);
    add('b', 42, 40, 0.3f);
    add('b', 40, 43, -0.2f);
    g_editor.selected_decal = 0;
    mouse_on(42, 40);
    key('m');
    mouse_on(40, 43);
    key('m');
    ASSERT_EQ(marks(), (std::vector<int>{1, 2}));
    editor_panel[W_LEVEL].choice.current = 0;         // Top
    editor_panel[W_ORIENTATION].choice.current = 2;   // Flow: faces back toward the template
    mouse_on(40, 50);
    key('d');
    ASSERT_EQ(count(), 6);
    EXPECT_EQ(g_editor.selected_decal, 3);
    EXPECT_EQ(marks(), (std::vector<int>{4, 5}));
    const decal &made = dec(3), &c1 = dec(4), &c2 = dec(5);
    EXPECT_NEAR(std::fabs(made.angle), 3.1415927f, 1e-3f);
    EXPECT_NEAR(std::hypot(c1.x - made.x, c1.z - made.z), 2, 1e-3f);
    EXPECT_NEAR(std::hypot(c2.x - made.x, c2.z - made.z), 3, 1e-3f);
    EXPECT_NEAR(std::hypot(c1.x - c2.x, c1.z - c2.z), std::sqrt(13.0f), 1e-3f);
    // Turned half round with the new decal: the offsets point the other way.
    EXPECT_NEAR(c1.x, made.x - 2, 0.01f);
    EXPECT_NEAR(c2.z, made.z - 3, 0.01f);
    EXPECT_NEAR(std::remainder(c1.angle - made.angle - 0.3f, 6.2831853f), 0, 1e-3f);
    EXPECT_NE(dec(4).name, dec(1).name) << "a copy owns its name";
    EXPECT_STREQ(dec(4).name, "b.png");
    expect_grid_whole();
}

TEST_F(EditorDecals, RandomAndUphillFallbackStayWithinPi)
{
    add('a', 40, 40, 0);
    g_editor.selected_decal = 0;
    editor_panel[W_LEVEL].choice.current = 0;
    for (int orientation : {1, 4}) {   // Random; Uphill on flat ground
        editor_panel[W_ORIENTATION].choice.current = orientation;
        float lo = 10, hi = -10;
        for (int i = 0; i < 200; ++i) {
            g_editor.selected_decal = 0;
            mouse_on(40 + (float)(i % 7), 44);
            key('d');
            float a = dec(count() - 1).angle;
            lo = a < lo ? a : lo;
            hi = a > hi ? a : hi;
        }
        EXPECT_GE(lo, -3.1415927f) << orientation;
        EXPECT_LE(hi, 3.1415927f) << orientation;
        EXPECT_GT(hi - lo, 5) << "spread over the circle";
    }
    // On a slope Uphill faces along the ground's fall.
    for (int i = 0; i < 129 * 129; ++i) field.t->heights[i] = (float)(i % 129) * 0.5f;
    g_editor.selected_decal = 0;
    key('d');
    EXPECT_NEAR(dec(count() - 1).angle, -1.5707963f, 1e-3f);
}

TEST_F(EditorDecals, DragMovesTurnsAndTrails)
{
    add('a', 40, 40, 0);
    g_editor.selected_decal = 0;
    editor_panel[W_LEVEL].choice.current = 0;
    editor_panel[W_ORIENTATION].choice.current = 0;   // Copy
    mouse_on(40, 40);
    press_left();
    mouse_on(41, 42);
    ticks(1);
    release_left();
    EXPECT_NEAR(dec(0).x, 41, 0.1f);
    EXPECT_NEAR(dec(0).z, 42, 0.1f);
    mouse_on(41, 38);   // the handle
    press_left();
    mouse_on(45, 42);
    ticks(1);
    release_left();
    EXPECT_NEAR(dec(0).angle, -1.5707963f, 0.05f);
    EXPECT_NEAR(dec(0).sin_angle, -1, 0.01f);
    // Away from both: a trail at Spacing (0.75) x size along the drag.
    mouse_on(30, 30);
    press_left();
    int after_press = count();
    mouse_on(30, 34);
    ticks(1);
    EXPECT_EQ(count(), after_press + 1);
    EXPECT_NEAR(std::hypot(dec(count() - 1).x - dec(count() - 2).x, dec(count() - 1).z - dec(count() - 2).z), 0.75f, 1e-3f);
    release_left();
    expect_grid_whole();
}
