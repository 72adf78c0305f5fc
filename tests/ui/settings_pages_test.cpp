// The setup and settings pages without drawing: their rows after start-up, what a key hands the
// bike of the viewed rider (recorded through the setup's setter table), the stability preset,
// the graphics presets, the page 8 readouts and the binding rows' texts.
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>
#include "menu_keys.h"
#include "bike/bike.h"
#include "bike/catalogue.h"
#include "graphics/glcaps.h"
#include "racing/race.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "shell/graphics_presets.h"
#include "shell/setup.h"
#include "shell/video_modes.h"
#include "ui/menu.h"
#include "ui/menu_settings.h"

namespace {

std::vector<std::string> calls;

void note(const char *name, std::vector<double> args)
{
    std::string s = name;
    char text[32];
    for (double a : args) {
        snprintf(text, sizeof text, " %g", a);
        s += text;
    }
    calls.push_back(s);
}

#define F1(n) [](bike *, float v) { note(n, {v}); }
#define I1(n) [](bike *, int v) { note(n, {(double)v}); }
const setup_bike_ops recording_ops = {
    [](bike *) { return (dBodyID) nullptr; },   // no body: the bike stands still
    [] { return 0.0; },
    [] { return 0; },
    F1("leveling"), F1("roll_damping"), F1("roll_limit_angle"), F1("roll_limit_factor"),
    F1("steering_damping"), F1("steering_strength"), F1("max_steering_force"), I1("arcade"),
    I1("front_brake_aid"), I1("rear_brake_aid"), I1("stop_wheelies"), I1("auto_shift"),
    I1("auto_dab"), I1("auto_align"), F1("direct_steering"), F1("slow_damping_speed"),
    F1("slow_damping_factor"), F1("land_damping_falloff"), F1("land_damping_factor"),
    F1("full_lock_speed"), F1("restricted_lock_speed"), F1("restricted_lock"),
    F1("auto_clutch_rpms"), F1("brake_torque"), F1("rear_brake_torque"), F1("max_dab_speed"),
    [](bike *, float a, float b) { note("sprockets", {a, b}); },
    [](bike *, float, float, float, float, float, float, float) { note("fork", {}); },
    [](bike *, float, float, float, float, float, float) { note("shock", {}); },
    [](bike *, float, float) { note("rider_springs", {}); },
    [](bike *, float, float) { note("rider_dampers", {}); },
    F1("mass_distribution"),
};

const char *const mode_items[] = {"Default Fullscreen", "Windowed", "800x600"};

// The settings as start-up leaves them, one rider in slot 0 whose bike is never touched itself.
struct SettingsPages : ::testing::Test {
    MenuKeys keys;
    alignas(16) char fake_bike[64] = {};
    void SetUp() override
    {
        config_init();
        setup_init();
        setup_set_defaults(setup_stability());
        graphics_preset_apply(GRAPHICS_PRESET_COMPATIBILITY);
        video_mode_choice = menu_choice{"Video Mode", mode_items, 3, 0, {}};
        setup_use_ops(&recording_ops);
        calls.clear();
        bike_slot_table[0] = reinterpret_cast<bike *>(fake_bike);
        controller_kind[0] = CONTROLLER_LOCAL;
        viewed_slot = 0;
        net_socket = -1;
        menu_changed = 0;
        mouse_x = mouse_y = -100;
        typeahead_owner = nullptr;
        binding_capture.binding = nullptr;
    }
    void TearDown() override
    {
        setup_use_ops(nullptr);
        bike_slot_table[0] = nullptr;
        net_socket = -1;
        menu_state = MENU_CLOSED;
    }
    // Opens the page on the row, then hands it the keys, one frame each.
    void at(int page, int row)
    {
        menu_state = page;
        focused_item = row;
    }
    void press(std::initializer_list<int> codes)
    {
        for (int code : codes) {
            menu_changed = 0;
            menu_key(code);
        }
    }
};

// What a row's widget is, found through the page's hit list.
struct Row {
    std::string label;
    char kind = '?';   // b button, c choice, s slider, t text
    std::string value;
    double step = 0, minimum = 0, maximum = 0;
};

template <typename T, int N>
bool find_in(T (&records)[N], const widget_rect *r, T **out)
{
    for (T &t : records)
        if (&t.rect == r) return *out = &t, true;
    return false;
}

Row describe(const widget_rect *r)
{
    Row row;
    menu_slider *s = nullptr;
    menu_choice *c = nullptr;
    menu_button *b = nullptr;
    menu_choice *single_choices[] = {&setup_bike, &video_mode_choice};
    for (menu_choice *one : single_choices)
        if (&one->rect == r) c = one;
    menu_button *single_buttons[] = {&suspension_back, &stability_back, &controls_back, &advanced_graphics_back};
    for (menu_button *one : single_buttons)
        if (&one->rect == r) b = one;
    if (find_in(setup_sliders, r, &s) || find_in(config_sliders, r, &s)) {
        char text[32];
        snprintf(text, sizeof text, "%g", s->value);
        return Row{s->label, 's', text, s->step, s->minimum, s->maximum};
    }
    if (c || find_in(setup_choices, r, &c) || find_in(setup_graphics, r, &c) || find_in(config_choices, r, &c))
        return Row{c->label, 'c', choice_item_text(c)};
    if (b || find_in(bike_setup_buttons, r, &b) || find_in(graphics_setup_buttons, r, &b))
        return Row{b->label, 'b', ""};
    for (menu_text_field *t : {&setup_name, &setup_number})
        if (&t->rect == r) return Row{t->label, 't', t->buffer};
    return row;
}

TEST_F(SettingsPages, RowsAfterStartUp)
{
    struct Case {
        int page, row;
        const char *label;
        char kind;
        const char *value;
        double step = 0, minimum = 0, maximum = 0;
    };
    const Case cases[] = {
        {7, 0, "Back to Main Menu", 'b', ""}, {7, 1, "Suspension and Gearing", 'b', ""},
        {7, 2, "Advanced Stability Setup", 'b', ""}, {7, 3, "Bike", 'c', "yz250f(2017)"},
        {7, 4, "Name", 't', "Pat Roostwell"}, {7, 5, "Number", 't', "999"},
        {7, 6, "Riding Gear", 'c', ""}, {7, 7, "Helmet", 'c', ""}, {7, 8, "Bike Graphics", 'c', ""},
        {7, 9, "Wheel Graphics", 'c', ""},
        {7, 10, "Stability", 's', "100", 1, 0, 100}, {7, 11, "Auto Clutch RPMs", 's', "5000", 100, 0, 5000},
        {7, 12, "Braking Torque (Front)", 's', "500", 10, 0, 500},
        {7, 13, "Braking Torque (Rear)", 's', "250", 10, 0, 500},
        {7, 14, "Max Dab Speed (MPH)", 's', "60", 1, 5, 60},
        {7, 15, "Arcade Physics", 'c', "Yes"}, {7, 16, "Front Brake", 'c', "Antilock"},
        {7, 17, "Rear Brake", 'c', "Normal"}, {7, 18, "Stop Wheelies", 'c', "Yes"},
        {7, 19, "Automatic Shifting", 'c', "Yes"}, {7, 20, "Dab When Stopped", 'c', "Yes"},
        {7, 21, "Sticky Sit/Dab", 'c', "No"}, {7, 22, "Realign After Fall", 'c', "Yes"},
        {7, 23, "Reversed Steering", 'c', "Yes"}, {7, 24, "Lean Indicator", 'c', "Yes"},

        {8, 0, "Back to Bike Setup Menu", 'b', ""},
        {8, 1, "Fork High Speed Compression Damping", 's', "50", 1, 0, 100},
        {8, 2, "Fork Low Speed Compression Damping", 's', "50", 1, 0, 100},
        {8, 3, "Fork High Speed Rebound Damping", 's', "50", 1, 0, 100},
        {8, 4, "Fork Low Speed Rebound Damping", 's', "50", 1, 0, 100},
        {8, 5, "Fork Spring Rate", 's', "50", 1, 0, 100}, {8, 6, "Fork Preload", 's', "50", 1, 0, 100},
        {8, 7, "Fork Oil Level", 's', "50", 1, 0, 100},
        {8, 8, "Shock High Speed Compression Damping", 's', "75", 1, 0, 100},
        {8, 9, "Shock Low Speed Compression Damping", 's', "50", 1, 0, 100},
        {8, 10, "Shock High Speed Rebound Damping", 's', "75", 1, 0, 100},
        {8, 11, "Shock Low Speed Rebound Damping", 's', "50", 1, 0, 100},
        {8, 12, "Shock Spring Rate", 's', "50", 1, 0, 100}, {8, 13, "Shock Preload", 's', "50", 1, 0, 100},
        {8, 14, "Countershaft Sprocket", 's', "0", 1, -2, 2}, {8, 15, "Rear Sprocket", 's', "0", 1, -2, 2},
        {8, 16, "Rider Vertical Spring", 's', "50", 1, 0, 100},
        {8, 17, "Rider Vertical Damping", 's', "50", 1, 0, 100},
        {8, 18, "Rider Forward Spring", 's', "50", 1, 0, 100},
        {8, 19, "Rider Forward Damping", 's', "50", 1, 0, 100},
        {8, 20, "Rider Mass Distribution", 's', "0.33", 0.01, 0.33, 0.5},

        // The stability-100 preset, which start-up applies.
        {9, 0, "Back to Bike Setup Menu", 'b', ""}, {9, 1, "Leveling", 's', "20", 1, 0, 100},
        {9, 2, "Roll Damping", 's', "80", 1, 0, 100}, {9, 3, "Roll Limit Angle", 's', "45", 1, 0, 180},
        {9, 4, "Roll Limit Factor", 's', "32", 1, 0, 64}, {9, 5, "Steering Damping", 's', "60", 1, 0, 100},
        {9, 6, "Steering Strength", 's', "75", 1, 0, 100},
        {9, 7, "Max Steering Force", 's', "400", 5, 0, 1000},
        {9, 8, "Direct Steering", 's', "0.125", 0.125, 0, 1},
        {9, 9, "Slow Damping Speed", 's', "40", 1, 0, 100},
        {9, 10, "Slow Damping Factor", 's', "2", 0.25, 1, 10},
        {9, 11, "Landing Damping Falloff", 's', "0.25", 0.0625, 0, 0.5},
        {9, 12, "Landing Damping Factor", 's', "2", 0.25, 1, 3},
        {9, 13, "Full Lock Speed", 's', "10", 1, 1, 100},
        {9, 14, "Restricted Lock Speed", 's', "50", 1, 1, 100},
        {9, 15, "Restricted Lock Angle", 's', "1", 0.125, 0, 45},

        {11, 0, "Back to Main Menu", 'b', ""}, {11, 1, "Advanced Graphics Setup", 'b', ""},
        {11, 2, "Use Compatibility Settings", 'b', ""}, {11, 3, "Use High FPS Settings", 'b', ""},
        {11, 4, "Use Normal Settings", 'b', ""}, {11, 5, "Use High Detail Settings", 'b', ""},
        {11, 6, "Video Mode", 'c', "Default Fullscreen"}, {11, 7, "Switch To Selected Mode Now", 'b', ""},
        {11, 8, "Hide 1st Person Rider", 'c', "No"}, {11, 9, "Rigid 3rd person camera", 'c', "No"},
        {11, 10, "Field Of View", 's', "110", 1, 10, 170},
        {11, 11, "1st Person Height", 's', "0", 0.03125, 0, 1},
        {11, 12, "1st Person Angle", 's', "0", 1, 0, 40}, {11, 13, "3rd Person Height", 's', "5", 1, 0, 20},
        {11, 14, "3rd Person Distance", 's', "10", 1, 5, 40}, {11, 15, "Volume", 's', "10", 1, 0, 10},
        {11, 16, "Competitor Volume", 's', "8", 1, 0, 10},

        // The Compatibility column, which start-up applies.
        {12, 0, "Back to Graphics/Sound Menu", 'b', ""},
        {12, 1, "Ground Geometric Detail", 's', "70", 1, 0, 100},
        {12, 2, "Ground Texture Levels", 's', "9", 1, 0, 10},
        {12, 3, "Ground Texture Resolution", 'c', "64x64"}, {12, 4, "Enable Ground Mipmaps", 'c', "Yes"},
        {12, 5, "Compress Textures", 'c', "No"}, {12, 6, "Terrain Rendering Method", 'c', "Software"},
        {12, 7, "Use Shader Programs", 'c', "Yes"}, {12, 8, "Model Geometric Detail", 's', "50", 1, 0, 100},
        {12, 9, "Model Texture Detail", 's', "9", 1, 0, 10}, {12, 10, "Roost Density", 's', "1000", 10, 0, 1000},
        {12, 11, "Enable Lens Flares", 'c', "Yes"}, {12, 12, "Enable Reflections", 'c', "Yes"},
    };
    int counts[19] = {};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.page) + "/" + std::to_string(c.row));
        const widget_rect *const *list = settings_page_hit_list(c.page);
        ASSERT_TRUE(list);
        Row r = describe(list[c.row]);
        EXPECT_EQ(r.label, c.label);
        EXPECT_EQ(r.kind, c.kind);
        EXPECT_EQ(r.value, c.value);
        if (c.kind == 's') {
            EXPECT_DOUBLE_EQ(r.step, c.step);
            EXPECT_DOUBLE_EQ(r.minimum, c.minimum);
            EXPECT_DOUBLE_EQ(r.maximum, c.maximum);
        }
        ++counts[c.page];
    }
    // Every row is in its list, and the list ends there.
    for (int page : {7, 8, 9, 11, 12}) {
        const widget_rect *const *list = settings_page_hit_list(page);
        EXPECT_EQ(list[counts[page]], nullptr) << page;
    }
}

TEST_F(SettingsPages, KeysReachTheLocalBikeOnly)
{
    struct Case {
        int page, row, kind, socket;
        std::initializer_list<int> keys;
        std::vector<std::string> want;   // one call each; "*" the whole setup, checked by one call
    };
    const Case cases[] = {
        {9, 1, CONTROLLER_LOCAL, -1, {K_RIGHT}, {"leveling 21"}},
        {9, 3, CONTROLLER_LOCAL, -1, {K_LEFT}, {"roll_limit_angle 0.767945"}},   // 44 degrees
        {9, 15, CONTROLLER_LOCAL, -1, {K_RIGHT}, {"restricted_lock 0.019635"}},  // 1.125 degrees
        {9, 7, CONTROLLER_LOCAL, -1, {K_LEFT}, {"max_steering_force 395"}},
        {9, 1, CONTROLLER_ROBOT, -1, {K_RIGHT}, {}},
        {9, 1, CONTROLLER_REMOTE, -1, {K_RIGHT}, {}},
        {9, 2, CONTROLLER_LOCAL, -1, {K_UP, K_DOWN}, {}},   // moving over rows changes nothing
        {7, 18, CONTROLLER_LOCAL, -1, {K_RIGHT}, {"stop_wheelies 2"}},              // "Front Only"
        {7, 18, CONTROLLER_LOCAL, -1, {K_RIGHT, K_RIGHT}, {"stop_wheelies 2", "stop_wheelies 0"}},
        {7, 18, CONTROLLER_LOCAL, -1, {K_LEFT}, {"stop_wheelies 0"}},               // "No"
        {7, 15, CONTROLLER_LOCAL, -1, {K_RIGHT, K_RIGHT}, {"arcade 0", "arcade 1"}},
        {7, 15, CONTROLLER_LOCAL, 5, {K_RIGHT, K_RIGHT}, {"arcade 0", "arcade 0"}},  // online: never arcade
        {7, 16, CONTROLLER_LOCAL, -1, {K_RIGHT}, {"front_brake_aid 0"}},
        {7, 17, CONTROLLER_LOCAL, -1, {K_RIGHT}, {"rear_brake_aid 1"}},
        {7, 19, CONTROLLER_LOCAL, -1, {K_RIGHT}, {"auto_shift 0"}},
        {7, 20, CONTROLLER_LOCAL, -1, {K_RIGHT}, {"auto_dab 0"}},
        {7, 22, CONTROLLER_LOCAL, -1, {K_RIGHT}, {"auto_align 0"}},
        {7, 21, CONTROLLER_LOCAL, -1, {K_RIGHT}, {}},   // sticky sit/dab: the controls read it
        {7, 15, CONTROLLER_ROBOT, -1, {K_RIGHT}, {}},
        {7, 11, CONTROLLER_LOCAL, -1, {K_LEFT}, {"*", "auto_clutch_rpms 4900"}},
        {7, 11, CONTROLLER_ROBOT, -1, {K_LEFT}, {}},
        {7, 11, CONTROLLER_LOCAL, -1, {K_RIGHT}, {}},   // at its maximum: no change, nothing pushed
        {8, 14, CONTROLLER_LOCAL, -1, {K_LEFT}, {"*", "sprockets -1 0"}},
        {8, 20, CONTROLLER_LOCAL, -1, {K_RIGHT}, {"*", "mass_distribution 0.34"}},
        {8, 14, CONTROLLER_ROBOT, -1, {K_LEFT}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.page) + "/" + std::to_string(c.row) + " kind " + std::to_string(c.kind));
        SetUp();
        controller_kind[0] = c.kind;
        net_socket = c.socket;
        at(c.page, c.row);
        press(c.keys);
        if (!c.want.empty() && c.want[0] == "*") {
            EXPECT_GT(calls.size(), 30u);   // apply_setup: every setter
            EXPECT_NE(std::find(calls.begin(), calls.end(), c.want[1]), calls.end()) << c.want[1];
        } else {
            EXPECT_EQ(calls, c.want);
        }
        EXPECT_EQ(focused_item, c.row);
    }
    // Online, "Yes" stays the player's choice though the bike is not arcade.
    SetUp();
    net_socket = 5;
    at(MENU_PAGE_BIKE_SETUP, 15);
    press({K_RIGHT, K_RIGHT});
    EXPECT_STREQ(choice_item_text(&setup_choices[SETUP_ARCADE]), "Yes");
    EXPECT_EQ(calls.back(), "arcade 0");
}

TEST_F(SettingsPages, StabilityPresetOnlyOnAWholeNumberChange)
{
    at(MENU_PAGE_BIKE_SETUP, 10);
    press({K_LEFT});   // 100 to 99
    EXPECT_EQ(setup_sliders[SETUP_STABILITY].value, 99);
    EXPECT_DOUBLE_EQ(setup_sliders[SETUP_ROLL_DAMPING].value, 79.75);   // 75 + 5 x 0.95
    EXPECT_FALSE(calls.empty());

    // A click that lands on the same whole number leaves the advanced values alone, but the
    // new value is still pushed.
    setup_sliders[SETUP_STABILITY].value = 50.25;
    setup_sliders[SETUP_ROLL_DAMPING].value = 3;
    setup_sliders[SETUP_STABILITY].rect = widget_rect{-50, 0, 200, 20};
    setup_sliders[SETUP_STABILITY].bar_start = 0;
    setup_sliders[SETUP_STABILITY].bar_end = 100;
    mouse_x = 50;
    mouse_y = 10;
    calls.clear();
    press({K_CLICK});
    EXPECT_EQ(setup_sliders[SETUP_STABILITY].value, 50);
    EXPECT_EQ(setup_sliders[SETUP_ROLL_DAMPING].value, 3);
    EXPECT_FALSE(calls.empty());

    // The stability 0 anchors, as a click left of the bar gives.
    mouse_x = -10;
    press({K_CLICK});
    EXPECT_EQ(setup_sliders[SETUP_STABILITY].value, 0);
    EXPECT_EQ(setup_sliders[SETUP_ROLL_LIMIT_ANGLE].value, 90);
    EXPECT_EQ(setup_sliders[SETUP_RESTRICTED_LOCK].value, 45);
}

TEST_F(SettingsPages, PageChanges)
{
    struct Case { int page, row, key, want_page; };
    const Case cases[] = {
        {7, 0, K_ENTER, MENU_PAGE_MAIN},         {7, 1, K_ENTER, MENU_PAGE_SUSPENSION},
        {7, 2, K_ENTER, MENU_PAGE_STABILITY},    {7, 10, KEY_STAR, MENU_PAGE_STABILITY},
        {7, 11, KEY_STAR, MENU_PAGE_BIKE_SETUP}, {8, 0, K_ENTER, MENU_PAGE_BIKE_SETUP},
        {9, 0, ' ', MENU_PAGE_BIKE_SETUP},       {10, 0, K_ENTER, MENU_PAGE_MAIN},
        {11, 0, K_ENTER, MENU_PAGE_MAIN},        {11, 1, K_ENTER, MENU_PAGE_ADVANCED_GRAPHICS},
        {12, 0, K_KEYPAD_ENTER, MENU_PAGE_GRAPHICS},
        {7, 3, K_ENTER, MENU_PAGE_CHOOSER},      {7, 8, K_ENTER, MENU_PAGE_CHOOSER},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.page) + "/" + std::to_string(c.row));
        at(c.page, c.row);
        press({c.key});
        EXPECT_EQ(menu_state, c.want_page);
    }
    EXPECT_STREQ(g_chooser.title, "Choose Bike Graphics");
    EXPECT_EQ(menu_return_state, MENU_PAGE_BIKE_SETUP);
}

TEST_F(SettingsPages, SetupChangedAndTheNumberIsTypedOver)
{
    at(MENU_PAGE_BIKE_SETUP, 5);
    press({'1'});
    EXPECT_STREQ(setup_number.buffer, "199");
    EXPECT_EQ(setup_changed, 1);
    press({'2', '3', '4'});   // the fourth character finds no room
    EXPECT_STREQ(setup_number.buffer, "123");

    setup_changed = 0;
    at(MENU_PAGE_BIKE_SETUP, 4);
    press({K_RIGHT});   // the caret moves; the name stays
    EXPECT_EQ(setup_changed, 0);
    press({'X'});
    EXPECT_STREQ(setup_name.buffer, "PXat Roostwell");
    EXPECT_EQ(setup_changed, 1);

    // A new model from the chooser lists its own graphics, the first selected.
    setup_changed = 0;
    setup_graphics[SETUP_BIKE_GRAPHICS].current = 3;
    bike_choice_changed(setup_bike.current);
    EXPECT_EQ(setup_changed, 0);
    bike_choice_changed(setup_bike.current + 1);
    EXPECT_EQ(setup_changed, 1);
    EXPECT_EQ(setup_graphics[SETUP_BIKE_GRAPHICS].current, 0);
    EXPECT_STREQ(choice_item_text(&setup_graphics[SETUP_BIKE_GRAPHICS]), "default");
    bike_choice_changed(setup_bike.item_count);   // no such model
    EXPECT_LT(setup_bike.current, setup_bike.item_count);
}

TEST_F(SettingsPages, SuspensionReadouts)
{
    bike_info info = bike_catalogue[0];
    info.front_teeth = 13;
    info.rear_teeth = 50;
    setup_sliders[SETUP_FRONT_SPROCKET].value = -2;
    setup_sliders[SETUP_REAR_SPROCKET].value = 1;
    setup_sliders[SETUP_FORK_SPRING_RATE].value = 25;
    char text[64], want[64];
    suspension_readout(&info, 14, text, sizeof text);
    EXPECT_STREQ(text, "11.00 teeth");
    suspension_readout(&info, 15, text, sizeof text);
    EXPECT_STREQ(text, "51.00 teeth");
    suspension_readout(&info, 5, text, sizeof text);
    snprintf(want, sizeof want, "%.3f kg/mm", bike_info_fork_spring_rate_kgmm(&info, 0.25f));
    EXPECT_STREQ(text, want);
    suspension_readout(&info, 13, text, sizeof text);
    snprintf(want, sizeof want, "%.2f mm", bike_info_shock_preload_mm(&info, 0.5f));
    EXPECT_STREQ(text, want);
    for (int row : {0, 1, 8, 16, 20, 21}) {
        suspension_readout(&info, row, text, sizeof text);
        EXPECT_STREQ(text, "") << row;
    }
    suspension_readout(nullptr, 14, text, sizeof text);   // the title view: no bike
    EXPECT_STREQ(text, "");
}

TEST_F(SettingsPages, GraphicsPresets)
{
    struct Case { int apply, detect; const char *label; };
    const Case cases[] = {
        {GRAPHICS_PRESET_COMPATIBILITY, GRAPHICS_PRESET_COMPATIBILITY, "Compatibility"},
        {GRAPHICS_PRESET_HIGH_FPS, GRAPHICS_PRESET_HIGH_FPS, "High FPS"},
        {GRAPHICS_PRESET_NORMAL, GRAPHICS_PRESET_NORMAL, "Normal"},
        {GRAPHICS_PRESET_HIGH_DETAIL, GRAPHICS_PRESET_CUSTOM, "Custom"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        at(MENU_PAGE_GRAPHICS, 2 + c.apply);
        press({K_ENTER});
        EXPECT_EQ(graphics_preset_detect(), c.detect);
        EXPECT_STREQ(graphics_preset_label(graphics_preset_detect()), c.label);
    }
    EXPECT_EQ(config_sliders[CONFIG_GROUND_DETAIL].value, 90);
    EXPECT_STREQ(choice_item_text(&config_choices[CONFIG_GROUND_TEXTURE_DIM]), "256x256");

    // One value off the Normal column is custom; out-of-range columns change nothing.
    graphics_preset_apply(GRAPHICS_PRESET_NORMAL);
    config_choices[CONFIG_LENS_FLARE].current = 0;
    EXPECT_EQ(graphics_preset_detect(), GRAPHICS_PRESET_CUSTOM);
    graphics_preset_apply(4);
    graphics_preset_apply(-1);
    EXPECT_EQ(config_choices[CONFIG_LENS_FLARE].current, 0);
    EXPECT_STREQ(choice_item_text(&config_choices[CONFIG_RENDER_TEXTURE]), "Shaders/Direct");
}

TEST_F(SettingsPages, LiveRoostAndReflections)
{
    g_render.roost_frequency = 7;
    g_render.reflections = 1;
    at(MENU_PAGE_ADVANCED_GRAPHICS, 10);
    press({K_LEFT});
    EXPECT_EQ(g_render.roost_frequency, 990);
    at(MENU_PAGE_ADVANCED_GRAPHICS, 12);
    press({K_RIGHT});
    EXPECT_EQ(g_render.reflections, 0);
    at(MENU_PAGE_ADVANCED_GRAPHICS, 1);   // the others wait for the next start
    press({K_RIGHT});
    EXPECT_EQ(g_render.roost_frequency, 990);
}

TEST_F(SettingsPages, RenderMethodMark)
{
    struct Case { const char *method; int fbo, available; };
    const Case cases[] = {
        {"Hardware/Direct", 0, 0}, {"Hardware/Direct", 1, 1}, {"Software", 0, 1}, {"Shaders/Direct", 0, 1},
    };
    gl_capabilities saved = gl_caps;
    for (const Case &c : cases) {
        widget_choice_select(&config_choices[CONFIG_RENDER_TEXTURE], c.method);
        gl_caps.framebuffer_object = c.fbo;
        EXPECT_EQ(render_method_available(), c.available) << c.method << " " << c.fbo;
    }
    gl_caps = saved;
}

TEST(BindingRows, Texts)
{
    struct Case { const char *key, *axis; float axis_min, axis_max; int watched; const char *want; };
    const Case cases[] = {
        {"x", nullptr, 0, 1, 0, "x"},
        {nullptr, "Pad axis 1", 0.1f, 0.9f, 0, "Pad axis 1 (Positive)"},
        {nullptr, "Pad axis 1", 0.5f, 0.5f, 0, "Pad axis 1 (Positive)"},
        {nullptr, "Pad axis 1", -0.1f, -0.9f, 0, "Pad axis 1 (Negative)"},
        {nullptr, nullptr, 0, 1, 0, "None"},
        {"x", nullptr, 0, 1, 1, "<<PRESS A KEY>>"},
        {"%s%n", nullptr, 0, 1, 0, "%s%n"},   // names are shown, never read as formats
    };
    for (const Case &c : cases) {
        key_binding b = {"Throttle", c.key, 0, c.axis, nullptr, c.axis_min, c.axis_max};
        char text[1100];
        binding_row_text(&b, c.watched, text, sizeof text);
        EXPECT_STREQ(text, c.want);
    }
    std::string long_axis(1500, 'a');
    key_binding b = {"Throttle", nullptr, 0, long_axis.c_str(), nullptr, 0, 1};
    char text[1100];
    binding_row_text(&b, 0, text, sizeof text);
    EXPECT_EQ(strlen(text), 1000u + strlen(" (Positive)"));
}

TEST(ControlsPage, ReturnStartsTheWatchOnItsRow)
{
    MenuKeys keys;
    key_bindings_reset();
    binding_capture.binding = nullptr;
    menu_state = MENU_PAGE_CONTROLS;
    focused_item = 0;
    menu_changed = 0;
    menu_key(K_DOWN);
    EXPECT_EQ(binding_capture.binding, nullptr);   // moving onto a row only focuses it
    menu_key(K_ENTER);
    EXPECT_EQ(binding_capture.binding, &key_bindings[BIND_THROTTLE]);
    binding_capture.binding = nullptr;
    menu_state = MENU_CLOSED;
}

}   // namespace
