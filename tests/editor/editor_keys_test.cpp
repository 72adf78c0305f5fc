// The editor's view mapping, its key table and its mode changes on a 33 x 33 field (32 units).
#include "editor_fixture.h"

using EditorKeys = EditorTest;

TEST_F(EditorKeys, ScreenToMapAtZoomZeroAndOne)
{
    // 400 x 200 window over a 32-unit field, view centred at (16, 16).
    struct Case { double zoom; float sx, sy, x, z; };
    const Case cases[] = {
        {0, 200, 100, 16, 16},      // the centre is the view point
        {0, 200, 0, 16, 0},         // zoom 0: the screen height spans the whole field
        {0, 400, 200, 48, 32},
        {1, 200, 0, 16, 8},         // zoom 1: half of it
        {1, 0, 100, 0, 16},
        {-1, 200, 200, 16, 48},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.zoom);
        set_slider(W_ZOOM, c.zoom);
        float x, z;
        editor_screen_to_map(c.sx, c.sy, &x, &z);
        EXPECT_FLOAT_EQ(x, c.x);
        EXPECT_FLOAT_EQ(z, c.z);
    }
}

TEST_F(EditorKeys, PanKeysMoveAQuarterOfTheVisibleSpan)
{
    // Zoom 1: 16 units visible, a quarter is 4.
    struct Case { int code; float dx, dz; };
    const Case cases[] = {
        {CODE_ARROW_LEFT, -4, 0}, {CODE_ARROW_RIGHT, 4, 0}, {CODE_ARROW_UP, 0, -4}, {CODE_ARROW_DOWN, 0, 4},
    };
    for (const Case &c : cases) {
        view_at(16, 16);
        EXPECT_EQ(key(c.code), 1);
        EXPECT_FLOAT_EQ(g_editor.view_x, 16 + c.dx);
        EXPECT_FLOAT_EQ(g_editor.view_z, 16 + c.dz);
    }
    EXPECT_EQ(editor_key(CODE_ARROW_LEFT, 0), 0) << "a release pans nothing and is not used";
}

TEST_F(EditorKeys, RightButtonDragPans)
{
    EXPECT_EQ(editor_key(CODE_RIGHT_BUTTON, 1), 1);
    mouse_x -= 25;   // 25 pixels at 16 units over 200 pixels: 2 units
    ticks(1);
    EXPECT_FLOAT_EQ(g_editor.view_x, 18);
    EXPECT_EQ(editor_key(CODE_RIGHT_BUTTON, 0), 1);
    mouse_x -= 25;
    ticks(1);
    EXPECT_FLOAT_EQ(g_editor.view_x, 18) << "released: no more panning";
}

TEST_F(EditorKeys, KeyTableReturnsAndEffects)
{
    struct Case { int mode, code, pressed, want; };
    const Case cases[] = {
        {MODE_RAISE, 9, 1, 0},               // Tab goes to the shell at once
        {MODE_RAISE, 'q', 1, 0},             // no row takes it
        {MODE_RAISE, 'q', 0, 0},
        {MODE_RAISE, 'u', 1, 1},
        {MODE_RAISE, 'f', 1, 1},
        {MODE_RAISE, 'l', 1, 1},
        {MODE_TILEMAP, 127, 1, 0},           // no delete action in this mode
        {MODE_TILEMAP, 'x', 1, 0},
        {MODE_BILLBOARDS, 127, 1, 1},
        {MODE_BILLBOARDS, 'x', 1, 1},
        {MODE_RAISE, CODE_LEFT_BUTTON, 0, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.code);
        g_editor.editor_mode = c.mode;
        EXPECT_EQ(editor_key(c.code, c.pressed), c.want);
    }
}

TEST_F(EditorKeys, ZoomAndStrengthKeys)
{
    for (int i = 0; i < 20; ++i) key('-');
    EXPECT_DOUBLE_EQ(editor_value(W_ZOOM), -3);
    for (int i = 0; i < 30; ++i) key('=');
    EXPECT_DOUBLE_EQ(editor_value(W_ZOOM), 12) << "'=' goes past the slider's maximum of 8";
    for (int i = 0; i < 200; ++i) key('=');
    EXPECT_DOUBLE_EQ(editor_value(W_ZOOM), 32) << "held where the view scale stays finite";
    for (int i = 0; i < 50; ++i) key(']');
    EXPECT_DOUBLE_EQ(editor_value(W_STRENGTH), 5);
    key('[');
    EXPECT_DOUBLE_EQ(editor_value(W_STRENGTH), 4.75);
}

TEST_F(EditorKeys, StatusTextsOfPressedKeys)
{
    key('q');
    EXPECT_STREQ(g_editor.status, "Pressed 0x71 ('q')");
    key(3);
    EXPECT_STREQ(g_editor.status, "Pressed 0x03");
}

TEST_F(EditorKeys, NumberKeysChangeModeWithSnapshot)
{
    const int want[9] = {MODE_SMOOTH, MODE_SNAP, MODE_LINEAR_PAINT, MODE_LINEAR_ADD, MODE_RADIAL_PAINT,
                         MODE_RADIAL_ADD, MODE_GRADIENT_PLACEMENT, MODE_GRADIENT_EDIT, MODE_TIMING_GATE};
    for (int k = 0; k < 9; ++k) {
        EXPECT_EQ(key('1' + k), 1);
        EXPECT_EQ(g_editor.editor_mode, want[k]);
        EXPECT_STREQ(g_editor.status, "OK");
    }

    // Pending heights: a change of mode stores them, the current mode's key does not.
    key('1');
    editor_set_height(field.t, 3, 3, 5);
    ticks(1);
    EXPECT_EQ(g_editor.pending_edits, 1);
    EXPECT_STREQ(g_editor.status, "Update needed!");
    int count = g_editor.undo_count;
    key('1');
    EXPECT_EQ(g_editor.pending_edits, 1);
    EXPECT_EQ(g_editor.undo_count, count);
    EXPECT_STREQ(g_editor.status, "Pressed 0x31 ('1')");
    key('2');
    EXPECT_EQ(g_editor.pending_edits, 0);
    EXPECT_EQ(g_editor.undo_count, count + 1);
    EXPECT_STREQ(g_editor.status, "OK");
    EXPECT_EQ(field.t->change_flags & CHANGE_HEIGHTS, 0);
    EXPECT_NE(field.t->change_flags & CHANGE_UNSAVED, 0);
}

TEST_F(EditorKeys, LevelPointKeyAndRelease)
{
    mouse_on(10, 12);
    key('l');
    EXPECT_NEAR(g_editor.level_x, 10, 0.1);
    EXPECT_NEAR(g_editor.level_z, 12, 0.1);
    key('l');
    EXPECT_EQ(g_editor.level_x, -1);

    g_editor.editor_mode = MODE_BILLBOARDS;   // not a level-point mode
    key('l');
    EXPECT_EQ(g_editor.level_x, -1);

    g_editor.editor_mode = MODE_LINEAR_PAINT;
    key('l');
    int count = g_editor.undo_count;
    g_editor.pending_edits = 1;
    press_left();
    release_left();
    EXPECT_EQ(g_editor.level_x, -1) << "the release clears the level point";
    EXPECT_EQ(g_editor.undo_count, count) << "no snapshot after a gradient brush";
}

TEST_F(EditorKeys, PressOverAWidgetRunsItAndNeverTheTool)
{
    widget_rect &r = editor_panel[MODE_LOWER].button.rect;
    r = {0, 0, 100, 10};
    mouse_x = 50;
    mouse_y = 5;
    EXPECT_EQ(editor_key(CODE_LEFT_BUTTON, 1), 0);
    EXPECT_EQ(g_editor.editor_mode, MODE_LOWER);
    EXPECT_EQ(g_editor.tool_button, EDITOR_HELD_WIDGET + (int)MODE_LOWER);
    EXPECT_EQ(key('q'), 1) << "other keys over a widget are used";
    release_left();
    EXPECT_EQ(g_editor.tool_button, 0);

    // A widget of another mode was given an empty rectangle: the press reaches the map.
    widget_rect_clear(&editor_panel[W_NEW_GRADIENT].button.rect);
    mouse_x = 300;
    mouse_y = 100;
    EXPECT_EQ(editor_key(CODE_LEFT_BUTTON, 1), 1);
    EXPECT_EQ(g_editor.tool_button, 1);
    EXPECT_EQ(g_editor.gradients.count, 0);
}

TEST_F(EditorKeys, CopyGradientWithoutSelection)
{
    g_editor.hovered_widget = W_COPY_GRADIENT;
    editor_panel_event(' ');
    EXPECT_STREQ(g_editor.status, "No gradient selected");
    EXPECT_EQ(g_editor.gradients.count, 0);

    editor_new_gradient();
    gradient *g = editor_selected_gradient();
    g->x1 = g->x0;   // no length
    editor_panel_event(' ');
    ASSERT_EQ(g_editor.gradients.count, 2);
    const gradient *copy = editor_gradient(1);
    EXPECT_FLOAT_EQ(copy->x0, editor_gradient(0)->x0 + 10) << "a line of no length is copied along x";
    EXPECT_EQ(g_editor.selected_gradient, 1);
}
