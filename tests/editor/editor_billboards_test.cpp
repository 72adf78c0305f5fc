// Billboards mode: cyclic picking, copies by a press away from all, removal of the track's own.
#include "editor_fixture.h"

struct EditorBillboards : EditorTest {
    void SetUp() override
    {
        EditorTest::SetUp();
        billboard_add(0, 0, 0, 1, 1, nullptr);        // a program billboard before the track's
        first_own_billboard = 1;
        billboard_add(10, 0, 10, 3, 5, "a.png");      // 1
        billboard_add(10.2f, 1, 10, 3, 5, "b.png");   // 2
        billboard_add(20, 2, 20, 4, 6, "#ff0000#c.png");   // 3
        g_editor.editor_mode = MODE_BILLBOARDS;
        set_slider(W_ZOOM, 0);   // 32 units over 200 pixels: pick radius 0.5
    }
    const billboard &bb(int i) const { return ((const billboard *)billboards.items)[i]; }
};

TEST_F(EditorBillboards, PressesOverTwoSelectThemInTurn)
{
    mouse_on(10.1f, 10);
    const int want[] = {1, 2, 1, 2};
    for (int w : want) {
        press_left();
        release_left();
        EXPECT_EQ(g_editor.selected_billboard, w);
        EXPECT_EQ(g_editor.placed_billboard, -1);
    }
    EXPECT_DOUBLE_EQ(editor_value(W_BILLBOARD_HEIGHT), 1);
}

TEST_F(EditorBillboards, FirstPressAfterSetUpCopiesBillboardZero)
{
    mouse_on(5, 25);
    press_left();
    release_left();
    ASSERT_EQ(billboards.count, 5);
    EXPECT_EQ(g_editor.placed_billboard, 4);
    EXPECT_EQ(bb(4).texture, 0u) << "a copy of the untextured slot";
    EXPECT_EQ(billboard_sort_space.count, 10);
}

TEST_F(EditorBillboards, CopyKeepsTintAndRemovalFreesIt)
{
    mouse_on(20, 20);
    press_left();   // selects the red one
    release_left();
    ASSERT_EQ(g_editor.selected_billboard, 3);
    field.t->change_flags = 0;
    mouse_on(25, 5);
    press_left();
    release_left();
    ASSERT_EQ(billboards.count, 5);
    EXPECT_EQ(field.t->change_flags, CHANGE_ALL);
    EXPECT_EQ(bb(4).color[1], 0);
    EXPECT_EQ(bb(4).height_offset, 2);
    EXPECT_STREQ(bb(4).name, "c.png");

    EXPECT_EQ(key('x'), 1);
    EXPECT_EQ(billboards.count, 4);
    EXPECT_EQ(billboard_sort_space.count, 8);

    mouse_on(0, 0);
    g_editor.selected_billboard = 3;
    EXPECT_EQ(key(127), 1);
    EXPECT_EQ(billboards.count, 4) << "the program's own billboard stays";
}

// Removing a billboard listed before the selected one: the selection follows its billboard, so
// the next copy still takes the red one's looks; removing the selected one leaves none selected.
TEST_F(EditorBillboards, SelectionFollowsARemoval)
{
    mouse_on(20, 20);
    press_left();
    release_left();
    ASSERT_EQ(g_editor.selected_billboard, 3);
    mouse_on(10, 10);
    EXPECT_EQ(key('x'), 1);   // billboard 1
    ASSERT_EQ(billboards.count, 3);
    EXPECT_EQ(g_editor.selected_billboard, 2);
    mouse_on(25, 5);
    press_left();
    release_left();
    ASSERT_EQ(billboards.count, 4);
    EXPECT_STREQ(bb(3).name, "c.png");
    EXPECT_EQ(bb(3).color[1], 0);
    EXPECT_EQ(g_editor.placed_billboard, 3);

    mouse_on(20, 20);
    EXPECT_EQ(key('x'), 1);   // the selected one itself
    EXPECT_EQ(g_editor.selected_billboard, -1);
    EXPECT_EQ(g_editor.placed_billboard, 2) << "the copy moved down with it";
}

// A drag after a copy lays a trail: the next copy once the cursor is Spacing x the drawn width
// (height x width fraction: 3 for billboard 1) from the last and from every other billboard.
TEST_F(EditorBillboards, DragLaysATrailBySpacing)
{
    mouse_on(10, 10);
    press_left();
    release_left();
    ASSERT_EQ(g_editor.selected_billboard, 1);
    mouse_on(4, 25);
    press_left();
    ASSERT_EQ(g_editor.placed_billboard, 4);
    struct Case { float x, z; int count; };
    const Case cases[] = {{6.4f, 25, 5}, {7.2f, 25, 6}, {9, 25, 6}, {10.4f, 25, 7}};
    for (const Case &c : cases) {
        mouse_on(c.x, c.z);
        ticks(1);
        EXPECT_EQ(billboards.count, c.count) << c.x;
    }
    release_left();
    EXPECT_STREQ(bb(6).name, "a.png");
    EXPECT_NEAR(bb(6).x - bb(5).x, 3.2f, 0.2f);
    EXPECT_EQ(bb(6).width, 3);
}
