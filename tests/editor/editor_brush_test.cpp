// Raise and Lower on a 65 x 65 field at zoom 1 over a 200-pixel window: 32 units on screen, the
// Radius slider at 25 gives an outer radius of 4 units, Focus 0.5 an inner one of 2; Strength 3
// raises by 8.
#include "editor_fixture.h"

struct EditorBrush : EditorTest {
    EditorBrush() : EditorTest(5) {}
    void SetUp() override
    {
        EditorTest::SetUp();
        set_slider(W_RADIUS, 25);
        view_at(32, 32);
    }
};

TEST_F(EditorBrush, RaiseHeldStillRaisesOnce)
{
    mouse_on(32, 32);
    press_left();
    ticks(1);
    struct Case { int x, z; float want; };
    const Case cases[] = {
        {32, 32, 8}, {33, 32, 8}, {34, 32, 8},   // inside the inner radius: full strength
        {35, 32, 4},                             // halfway across the fall-off: weight 1/2
        {36, 32, 0}, {40, 40, 0},                // at and beyond the outer radius
    };
    for (const Case &c : cases) EXPECT_FLOAT_EQ(h(c.x, c.z), c.want) << c.x << "," << c.z;
    double total = field.total();
    ticks(96);   // three more applications at the same spot
    EXPECT_EQ(field.total(), total) << "holding still does not accumulate";
    release_left();
    EXPECT_EQ(g_editor.undo_count, 2) << "the release stored the stroke";
    EXPECT_EQ(g_editor.level_x, -1);
    EXPECT_EQ(field.t->change_flags & CHANGE_HEIGHTS, 0) << "the snapshot took the heights";
    EXPECT_NE(field.t->change_flags & CHANGE_UNSAVED, 0);
}

TEST_F(EditorBrush, StrokeFromASetLevelPointCoversTheCapsule)
{
    mouse_on(20, 32);
    key('l');
    mouse_on(40, 32);
    press_left();
    ticks(1);
    for (int x = 20; x <= 40; x += 5) EXPECT_FLOAT_EQ(h(x, 32), 8) << x;
    EXPECT_FLOAT_EQ(h(30, 35), 4);
    EXPECT_FLOAT_EQ(h(16, 32), 0);
    EXPECT_FLOAT_EQ(h(44, 32), 0);
    EXPECT_NEAR(g_editor.level_x, 40, 0.2) << "the next application continues from the cursor";
}

TEST_F(EditorBrush, LowerAndTheSubModes)
{
    struct Case { int mode, submode; float centre, edge; };
    const Case cases[] = {
        {MODE_LOWER, SUBMODE_ASSIGN, -8, -4},
        {MODE_LOWER, SUBMODE_RAISE_ONLY, 0, 0},   // stays at its snapshot height
        {MODE_LOWER, SUBMODE_LOWER_ONLY, -8, -4},
        {MODE_RAISE, SUBMODE_RAISE_ONLY, 8, 4},
        {MODE_RAISE, SUBMODE_LOWER_ONLY, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.mode * 10 + c.submode);
        g_editor.editor_mode = c.mode;
        editor_panel[W_SUBMODE].choice.current = c.submode;
        mouse_on(32, 32);
        press_left();
        ticks(1);
        release_left();
        EXPECT_FLOAT_EQ(h(32, 32), c.centre);
        EXPECT_FLOAT_EQ(h(35, 32), c.edge);
        key(8);   // back to flat for the next case
        ASSERT_FLOAT_EQ(h(32, 32), 0);
    }
}

TEST_F(EditorBrush, EditLockKeepsTheHeights)
{
    field.t->edit_lock = 1;
    mouse_on(32, 32);
    press_left();
    ticks(1);
    EXPECT_EQ(field.total(), 0);
    field.t->edit_lock = 0;
}

TEST_F(EditorBrush, BrushBeyondTheFieldTouchesOnlyTheGrid)
{
    set_slider(W_ZOOM, -3);   // 512 units on screen: the brush is far larger than the field
    set_slider(W_RADIUS, 128);
    mouse_on(-100, -100);
    press_left();
    ticks(1);
    EXPECT_FLOAT_EQ(h(0, 0), 8);
    EXPECT_GT(h(64, 64), 0);
    EXPECT_LT(h(64, 64), 8);
}
