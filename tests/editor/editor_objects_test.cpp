// Timing gates with the robots' switch points, and statues, on a 33 x 33 field at zoom 1 (pick
// radius 0.5, turn handles 4 units behind a statue's facing).
#include "editor_fixture.h"
#include "data/mem.h"
#include "terrain/timing_gates.h"
#include <array>
#include <vector>

static unsigned no_texture(const char *) { return 0; }
static km_model *no_model(const char *) { return nullptr; }
static shape *no_shape(const char *) { return nullptr; }

struct EditorObjects : EditorTest {
    void SetUp() override
    {
        EditorTest::SetUp();
        static const track_resource_loaders none = {no_texture, no_model, no_shape};
        track_resources_set(&none);
        view_at(16, 16);
    }
    void TearDown() override
    {
        timing_gates_free();
        track_resources_set(nullptr);
        EditorTest::TearDown();
    }
    // Gates as (x, z, direction x, direction z, reach); lap lists of first and later laps.
    void make_gates(std::initializer_list<std::array<float, 5>> list, std::initializer_list<int> first,
                    std::initializer_list<int> normal)
    {
        gate_count = (int)list.size();
        gates = (timing_gate *)mem_alloc(sizeof(timing_gate) * list.size());
        int i = 0;
        for (const auto &g : list) gates[i++] = timing_gate{{g[0], 0, g[1]}, {g[2], 0, g[3]}, g[4], 0};
        first_lap_count = (int)first.size();
        normal_lap_count = (int)normal.size();
        lap_list = (int *)mem_alloc(sizeof(int) * (first.size() + normal.size()));
        int k = 0;
        for (int e : first) lap_list[k++] = e;
        for (int e : normal) lap_list[k++] = e;
    }
    std::vector<int> laps() const { return std::vector<int>(lap_list, lap_list + first_lap_count + normal_lap_count); }
    statue &st(int i) { return ((statue *)statues.items)[i]; }
    int add_statue(float x, float z, float angle, const char *model)
    {
        return statue_add(x, 0, z, angle, model, "bark.png", nullptr);
    }
};

TEST_F(EditorObjects, SwitchPointTextsAndButtons)
{
    // Gate 0 mixed, 1 yes, 2 no, 3 in no list, 4 a switch point of both lists.
    make_gates({{2, 2, 1, 0, 3}, {8, 2, 1, 0, 3}, {14, 2, 1, 0, 3}, {20, 2, 1, 0, 3}, {26, 2, 1, 0, 3}},
               {0, 1, 100002, 4}, {100000, 1, 4});
    struct Case { int gate; const char *text; };
    const Case cases[] = {{0, "Switch Point: Mixed"}, {1, "Switch Point: Yes"}, {2, "Switch Point: No"},
                          {3, "Gate not referenced"}, {-1, "Gate not referenced"}, {9, "Gate not referenced"}};
    for (const Case &c : cases) {
        g_editor.selected_gate = c.gate;
        EXPECT_STREQ(switch_point_text(), c.text) << c.gate;
    }
    // The buttons through the panel, as a click on them arrives.
    auto button = [&](int widget) {
        field.t->change_flags = 0;
        widget_rect &r = editor_panel[widget].button.rect;
        r.x0 = 0, r.y0 = 0, r.x1 = 400, r.y1 = 200;
        g_editor.hovered_widget = widget;
        editor_panel_event(CODE_LEFT_BUTTON);
        widget_rect_clear(&r);
        EXPECT_EQ(field.t->change_flags, CHANGE_ALL);
    };
    g_editor.selected_gate = 0;
    button(W_SET_SWITCH);
    EXPECT_STREQ(switch_point_text(), "Switch Point: Yes");
    EXPECT_EQ(laps(), (std::vector<int>{0, 1, 100002, 4, 0, 1, 4}));
    button(W_CLEAR_SWITCH);
    EXPECT_STREQ(switch_point_text(), "Switch Point: No");
    g_editor.selected_gate = 1;   // Set then Clear: every entry of the gate ends "no"
    button(W_SET_SWITCH);
    button(W_CLEAR_SWITCH);
    const std::vector<int> before = {100000, 100001, 100002, 4, 100000, 100001, 4};
    EXPECT_EQ(laps(), before);
    for (int g : {3, -1}) {
        g_editor.selected_gate = g;
        button(W_SET_SWITCH);
        EXPECT_EQ(laps(), before) << g;
    }
    // Gate 4 is the last switch point of both lists: clearing it would leave a file that loads
    // without gates.
    g_editor.selected_gate = 4;
    button(W_CLEAR_SWITCH);
    EXPECT_EQ(laps(), before);
    EXPECT_STREQ(g_editor.status, "A lap needs a switch point!");
}

TEST_F(EditorObjects, GatePickPriority)
{
    make_gates({{10, 10, 1, 0, 4},        // second point (14, 10)
                {15, 10, 0, 1, 0.2f},     // position and second point both near (15, 10.1)
                {24, 24, 0, 0, 3}},       // no direction: no second point
               {0}, {0});
    struct Case { float x, z; int gate, grip; };
    const Case cases[] = {
        {10, 10, 0, 1},
        {14, 10, 0, 2},         // gate 0's second point comes before gate 1's position
        {15.05f, 10.1f, 1, 1},  // gate 1: its position first
        {7.5f, 11, 0, 0},       // behind gate 0 within its reach: selected, no grip
        {12, 11, -1, 0},        // in front of it
        {27, 24, -1, 0},        // where a second point would be without a direction
    };
    for (const Case &c : cases) {
        g_editor.grip = 9;
        mouse_on(c.x, c.z);
        gate_pick();
        EXPECT_EQ(g_editor.selected_gate, c.gate) << c.x << "," << c.z;
        EXPECT_EQ(g_editor.grip, c.grip) << c.x << "," << c.z;
    }
}

TEST_F(EditorObjects, GateDrags)
{
    make_gates({{10, 10, 1, 0, 4}}, {0}, {0});
    key('9');
    mouse_on(14, 10);
    press_left();
    ASSERT_EQ(g_editor.grip, 2);
    mouse_on(10, 13);
    ticks(1);
    EXPECT_NEAR(gates[0].direction[2], 3, 0.05f);
    EXPECT_NEAR(gates[0].direction[0], 0, 0.05f);
    EXPECT_NEAR(gates[0].radius, 3, 0.05f);
    release_left();
    mouse_on(10, 10);
    press_left();
    mouse_on(12, 6);
    field.t->edit_lock = 1;
    ticks(1);
    EXPECT_EQ(gates[0].centre[0], 10) << "the edit lock holds gates";
    field.t->edit_lock = 0;
    ticks(1);
    EXPECT_NEAR(gates[0].centre[0], 12, 0.05f);
    EXPECT_NEAR(gates[0].centre[2], 6, 0.05f);
    release_left();
}

TEST_F(EditorObjects, StatuePicksAndTurn)
{
    add_statue(16, 16, 0, "rock.km");          // turn handle at (16, 12)
    add_statue(16.2f, 12.1f, 1.5f, "rock.km"); // its position under the first's handle
    struct Case { float x, z; int statue, grip; };
    const Case cases[] = {{16, 16, 0, 1}, {16.1f, 12, 1, 1}, {12.2f, 12, 1, 2}, {5, 5, -1, 0}};
    for (const Case &c : cases) {
        mouse_on(c.x, c.z);
        statue_pick();
        EXPECT_EQ(g_editor.selected_statue, c.statue) << c.x << "," << c.z;
        EXPECT_EQ(g_editor.grip, c.grip) << c.x << "," << c.z;
    }
    st(1).x = 30;   // out of the way
    g_editor.selected_statue = 0;
    st(0).x = 16, st(0).z = 16, st(0).angle = 0;
    g_editor.editor_mode = MODE_STATUES;
    mouse_on(16, 12);
    press_left();
    ASSERT_EQ(g_editor.grip, 2);
    mouse_on(20, 16);
    ticks(1);
    EXPECT_NEAR(st(0).angle, -1.5707963f, 0.02f) << "the handle follows the cursor";
    st(0).angle = 3.5f;   // upright: kept
    ticks(1);
    EXPECT_EQ(st(0).angle, 3.5f);
    release_left();
}

TEST_F(EditorObjects, StatueDeleteDuplicateAndMove)
{
    add_statue(4, 4, 0, "startgate.km");   // the start gate's, made by the loader
    first_own_statue = 1;
    add_statue(10, 10, 0.5f, "rock.km");
    g_editor.editor_mode = MODE_STATUES;
    mouse_on(4, 4);
    EXPECT_EQ(key('x'), 1);
    EXPECT_EQ(statues.count, 2) << "a start gate's statue stays";
    mouse_on(10, 10);
    press_left();
    release_left();
    EXPECT_EQ(g_editor.selected_statue, 1);
    mouse_on(20, 22);
    EXPECT_EQ(key('d'), 1);
    ASSERT_EQ(statues.count, 3);
    EXPECT_NEAR(st(2).x, 20, 0.05f);
    EXPECT_EQ(st(2).angle, 0.5f);
    EXPECT_STREQ(st(2).model_name, "rock.km");
    EXPECT_STREQ(st(2).texture_name, "bark.png");
    mouse_on(10, 10);
    field.t->change_flags = 0;
    EXPECT_EQ(key(127), 1);
    ASSERT_EQ(statues.count, 2);
    EXPECT_NEAR(st(1).x, 20, 0.05f) << "the later statue moved down";
    EXPECT_EQ(field.t->change_flags, CHANGE_ALL);
    // A drag moves the statue and seats it on the ground.
    for (int i = 0; i < 33 * 33; ++i) field.t->heights[i] = 2;
    mouse_on(20, 22);
    press_left();
    mouse_on(6, 8);
    ticks(1);
    release_left();
    EXPECT_NEAR(st(1).x, 6, 0.05f);
    EXPECT_NEAR(st(1).z, 8, 0.05f);
    EXPECT_FLOAT_EQ(st(1).y, 2);
    first_own_statue = 0;
}

// Removing a statue listed before the selected one: the selection follows its statue, so a
// duplicate copies it and not the statue that moved into its place.
TEST_F(EditorObjects, StatueSelectionFollowsARemoval)
{
    add_statue(4, 4, 0, "rock.km");
    add_statue(10, 10, 0, "tree.km");
    add_statue(20, 10, 1.5f, "post.km");
    g_editor.editor_mode = MODE_STATUES;
    mouse_on(20, 10);
    press_left();
    release_left();
    ASSERT_EQ(g_editor.selected_statue, 2);
    mouse_on(10, 10);
    EXPECT_EQ(key('x'), 1);
    EXPECT_EQ(g_editor.selected_statue, 1);
    mouse_on(25, 25);
    EXPECT_EQ(key('d'), 1);
    ASSERT_EQ(statues.count, 3);
    EXPECT_STREQ(st(2).model_name, "post.km");
    EXPECT_EQ(st(2).angle, 1.5f);

    mouse_on(20, 10);
    EXPECT_EQ(key('x'), 1);   // the selected one itself
    EXPECT_EQ(g_editor.selected_statue, -1);
    EXPECT_EQ(key('d'), 1);
    EXPECT_EQ(statues.count, 2) << "nothing selected, nothing copied";
}

TEST_F(EditorObjects, Interpolate)
{
    const float xs[] = {2, 30, 5, 14};
    for (int i = 0; i < 4; ++i) add_statue(xs[i], xs[i] / 2, 0, "rock.km");
    g_editor.editor_mode = MODE_STATUES;
    g_editor.selected_statue = 2;   // second to last: nothing
    key('i');
    EXPECT_EQ(st(1).x, 30);
    g_editor.selected_statue = 0;
    key('i');
    EXPECT_FLOAT_EQ(st(1).x, 6);
    EXPECT_FLOAT_EQ(st(1).z, 3);
    EXPECT_FLOAT_EQ(st(2).x, 10);
    EXPECT_FLOAT_EQ(st(2).z, 5);
    EXPECT_EQ(st(3).x, 14);
    add_statue(20, 20, 0, "tree.km");
    st(1).x = 30;
    key('i');
    EXPECT_STREQ(g_editor.status, "Bad match for interpolate!");
    EXPECT_EQ(st(1).x, 30);
}
