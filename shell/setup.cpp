// The bike setup widgets, their lines, the stability presets and apply_setup.
#include "shell/setup.h"
#include "data/console.h"
#include "data/stream.h"
#include "platform/clock.h"
#include "shell/seams_neighbours.h"
#include <cmath>
#include <cstring>

menu_choice     setup_bike;
menu_text_field setup_name;
menu_text_field setup_number;
menu_slider     setup_sliders[SETUP_SLIDER_COUNT];
menu_choice     setup_choices[SETUP_CHOICE_COUNT];
menu_choice     setup_graphics[SETUP_GRAPHICS_COUNT];
char            setup_wanted_graphics[SETUP_GRAPHICS_COUNT][SETUP_WANTED_BYTES];
int             setup_changed;

static const menu_slider_def slider_defs[SETUP_SLIDER_COUNT] = {
    {"stability", "Stability", 100, 1, 0, 100},
    {"leveling", "Leveling", 20, 1, 0, 100},
    {"roll_damping", "Roll Damping", 80, 1, 0, 100},
    {"roll_limit_angle", "Roll Limit Angle", 45, 1, 0, 180},
    {"roll_limit_factor", "Roll Limit Factor", 32, 1, 0, 64},
    {"steering_damping", "Steering Damping", 60, 1, 0, 100},
    {"steering_strength", "Steering Strength", 75, 1, 0, 100},
    {"max_steering_force", "Max Steering Force", 400, 5, 0, 1000},
    {"direct_steering", "Direct Steering", 0.125, 0.125, 0, 1},
    {"slow_damping_speed", "Slow Damping Speed", 40, 1, 0, 100},
    {"slow_damping_factor", "Slow Damping Factor", 2, 0.25, 1, 10},
    {"land_damping_falloff", "Landing Damping Falloff", 0.25, 0.0625, 0, 0.5},
    {"land_damping_factor", "Landing Damping Factor", 2, 0.25, 1, 3},
    {"full_lock_speed", "Full Lock Speed", 10, 1, 1, 100},
    {"restricted_lock_speed", "Restricted Lock Speed", 50, 1, 1, 100},
    {"restricted_lock", "Restricted Lock Angle", 1, 0.125, 0, 45},
    {"auto_clutch_rpms", "Auto Clutch RPMs", 5000, 100, 0, 5000},
    {"brake_torque", "Braking Torque (Front)", 500, 10, 0, 500},
    {"rear_brake_torque", "Braking Torque (Rear)", 250, 10, 0, 500},
    {"max_dab_speed", "Max Dab Speed (MPH)", 60, 1, 5, 60},
    {"front_sprocket_adjustment", "Countershaft Sprocket", 0, 1, -2, 2},
    {"rear_sprocket_adjustment", "Rear Sprocket", 0, 1, -2, 2},
    {"fork_compression_adjustment", "Fork High Speed Compression Damping", 50, 1, 0, 100},
    {"fork_slow_compression_adjustment", "Fork Low Speed Compression Damping", 50, 1, 0, 100},
    {"fork_rebound_adjustment", "Fork High Speed Rebound Damping", 50, 1, 0, 100},
    {"fork_slow_rebound_adjustment", "Fork Low Speed Rebound Damping", 50, 1, 0, 100},
    {"fork_spring_rate_adjustment", "Fork Spring Rate", 50, 1, 0, 100},
    {"fork_preload_adjustment", "Fork Preload", 50, 1, 0, 100},
    {"fork_oil_level_adjustment", "Fork Oil Level", 50, 1, 0, 100},
    {"shock_compression_adjustment", "Shock High Speed Compression Damping", 75, 1, 0, 100},
    {"shock_slow_compression_adjustment", "Shock Low Speed Compression Damping", 50, 1, 0, 100},
    {"shock_rebound_adjustment", "Shock High Speed Rebound Damping", 75, 1, 0, 100},
    {"shock_slow_rebound_adjustment", "Shock Low Speed Rebound Damping", 50, 1, 0, 100},
    {"shock_spring_rate_adjustment", "Shock Spring Rate", 50, 1, 0, 100},
    {"shock_preload_adjustment", "Shock Preload", 50, 1, 0, 100},
    {"rider_yspring", "Rider Vertical Spring", 50, 1, 0, 100},
    {"rider_ydamping", "Rider Vertical Damping", 50, 1, 0, 100},
    {"rider_zspring", "Rider Forward Spring", 50, 1, 0, 100},
    {"rider_zdamping", "Rider Forward Damping", 50, 1, 0, 100},
    {"rider_mass_distribution", "Rider Mass Distribution", 0.33, 0.01, 0.33, 0.5},
};

static const char *const no_yes[] = {"No", "Yes"};
static const char *const brake_items[] = {"Normal", "Antilock"};
static const char *const wheelie_items[] = {"No", "Yes", "Front Only"};

static const menu_choice_def choice_defs[SETUP_CHOICE_COUNT] = {
    {"arcade", "Arcade Physics", no_yes, 2, 1},
    {"front_brake", "Front Brake", brake_items, 2, 1},
    {"rear_brake", "Rear Brake", brake_items, 2, 0},
    {"stop_wheelies", "Stop Wheelies", wheelie_items, 3, 1},
    {"auto_shift", "Automatic Shifting", no_yes, 2, 1},
    {"auto_dab", "Dab When Stopped", no_yes, 2, 1},
    {"auto_align", "Realign After Fall", no_yes, 2, 1},
    {"sticky_dab", "Sticky Sit/Dab", no_yes, 2, 0},
    {"reverse_steering", "Reversed Steering", no_yes, 2, 1},
    {"lean_indicator", "Lean Indicator", no_yes, 2, 1},
};

static const char *const graphics_keys[SETUP_GRAPHICS_COUNT] = {
    "rider_texture", "head_texture", "bike_texture", "wheel_texture"};
static const char *const graphics_labels[SETUP_GRAPHICS_COUNT] = {
    "Riding Gear", "Helmet", "Bike Graphics", "Wheel Graphics"};

// Anchors for stability 0, 20, 40, 60, 80 and 100; row r sets slider SETUP_LEVELING + r.
static const float stability_presets[SETUP_STABILITY_ROWS][6] = {
    {20, 20, 20, 20, 20, 20},
    {40, 50, 60, 70, 75, 80},
    {90, 45, 45, 45, 45, 45},
    {0, 5, 10, 32, 32, 32},
    {45, 45, 45, 45, 50, 60},
    {75, 75, 75, 75, 75, 75},
    {400, 400, 400, 400, 400, 400},
    {1, 1, 1, 1, 1, 0.125f},
    {40, 40, 40, 40, 40, 40},
    {1, 1, 1.5f, 2, 2, 2},
    {0, 0.125f, 0.25f, 0.25f, 0.25f, 0.25f},
    {1, 1.5f, 2, 2, 2, 2},
    {10, 10, 10, 10, 10, 10},
    {50, 50, 50, 50, 50, 50},
    {45, 15, 10, 5, 2.5f, 1},
};

// Old designations a setup may still name.
static const char *const bike_aliases[4][2] = {
    {"crf250", "crf250(2008)"},
    {"kx250f", "kx250f(2008)"},
    {"rmz250", "rmz250(2008)"},
    {"yz250f", "yz250f(2008)"},
};

enum { BIKE_ITEMS_MAX = 160 };

static struct {
    const char           *bike_items[BIKE_ITEMS_MAX];
    char                  name[64];
    char                  number[4];
    double                last_refusal;
    const setup_bike_ops *ops;
} g_setup;

const setup_bike_ops *setup_default_ops_hook;
int (*setup_bike_names_hook)(const char **names, int capacity);

void setup_init(void)
{
    int n = 0;
    if (setup_bike_names_hook) n = setup_bike_names_hook(g_setup.bike_items, BIKE_ITEMS_MAX);
    setup_bike = menu_choice{"Bike", g_setup.bike_items, n, 0, {}};

    memset(g_setup.name, 0, sizeof g_setup.name);
    memset(g_setup.number, 0, sizeof g_setup.number);
    setup_name = menu_text_field{"Name", 63, g_setup.name, 0, 1, {}};
    // Race numbers are typed over, digit by digit.
    setup_number = menu_text_field{"Number", 3, g_setup.number, 0, 0, {}};
    widget_text_set(&setup_name, "Pat Roostwell");
    widget_text_set(&setup_number, "999");

    widget_sliders_init(setup_sliders, slider_defs, SETUP_SLIDER_COUNT);
    widget_choices_init(setup_choices, choice_defs, SETUP_CHOICE_COUNT);
    for (int i = 0; i < SETUP_GRAPHICS_COUNT; ++i) {
        setup_graphics[i] = menu_choice{graphics_labels[i], nullptr, 0, 0, {}};
        setup_wanted_graphics[i][0] = 0;
    }
    widget_choice_select(&setup_bike, "yz250f(2017)");
    g_setup.last_refusal = -20;
    setup_changed = 0;
    g_setup.ops = setup_default_ops_hook;
}

void setup_select_bike(const char *model) { widget_choice_select(&setup_bike, model); }
int  setup_stability(void) { return (int)setup_sliders[SETUP_STABILITY].value; }

void setup_use_ops(const setup_bike_ops *ops) { g_setup.ops = ops ? ops : setup_default_ops_hook; }
const setup_bike_ops *setup_ops(void) { return g_setup.ops ? g_setup.ops : setup_default_ops_hook; }

const char *choice_item_text(const menu_choice *c)
{
    if (!c->items || c->current < 0 || c->current >= c->item_count || !c->items[c->current]) return "";
    return c->items[c->current];
}

int setup_set_defaults(int stability)
{
    float c = (float)stability * 5.0f * 0.01f;
    if (c < 0) c = 0;
    if (c > 5) c = 5;
    int i = (int)std::floor(c);
    if (i > 4) i = 4;
    float m = c - (float)i;
    for (int r = 0; r < SETUP_STABILITY_ROWS; ++r) {
        const float *a = stability_presets[r];
        setup_sliders[SETUP_LEVELING + r].value = a[i] + (a[i + 1] - a[i]) * m;
    }
    return i;
}

static int slider_key(const char *key, int first, int last)
{
    for (int i = first; i <= last; ++i)
        if (strcmp(key, slider_defs[i].key) == 0) return i;
    return -1;
}

int setup_set(const char *key, const char *value)
{
    if (strcmp(key, "bike") == 0) {
        const char *wanted = value;
        for (const auto &alias : bike_aliases)
            if (strcmp(value, alias[0]) == 0) { wanted = alias[1]; break; }
        widget_choice_select(&setup_bike, wanted);
        return 1;
    }
    if (strcmp(key, "name") == 0) return widget_text_set(&setup_name, value), 1;
    if (strcmp(key, "number") == 0) return widget_text_set(&setup_number, value), 1;
    for (int i = 0; i < SETUP_GRAPHICS_COUNT; ++i)
        if (strcmp(key, graphics_keys[i]) == 0) {
            size_t n = strnlen(value, SETUP_WANTED_BYTES - 1);
            memcpy(setup_wanted_graphics[i], value, n);
            setup_wanted_graphics[i][n] = 0;
            return 1;
        }
    if (strcmp(key, "stability") == 0) {
        // The preset is applied even when the value was not a number.
        widget_slider_set_text(&setup_sliders[SETUP_STABILITY], value);
        setup_set_defaults((int)setup_sliders[SETUP_STABILITY].value);
        return 1;
    }
    int s = slider_key(key, SETUP_LEVELING, SETUP_RESTRICTED_LOCK);
    if (s >= 0) return widget_slider_set_text(&setup_sliders[s], value), 1;
    for (int i = 0; i < SETUP_CHOICE_COUNT; ++i)
        if (strcmp(key, choice_defs[i].key) == 0) return widget_choice_select(&setup_choices[i], value), 1;
    s = slider_key(key, SETUP_AUTO_CLUTCH_RPMS, SETUP_SLIDER_COUNT - 1);
    if (s >= 0) return widget_slider_set_text(&setup_sliders[s], value), 1;
    return 0;
}

void setup_write(data_stream *s)
{
    data_printf(s, "bike=%s\n", choice_item_text(&setup_bike));
    data_printf(s, "name=%s\n", setup_name.buffer);
    data_printf(s, "number=%s\n", setup_number.buffer);
    for (int i = 0; i < SETUP_GRAPHICS_COUNT; ++i) {
        // Before the variants are gathered the choice is empty: keep what was asked for.
        const menu_choice *c = &setup_graphics[i];
        const char *text = c->item_count > 0 ? choice_item_text(c) : setup_wanted_graphics[i];
        data_printf(s, "%s=%s\n", graphics_keys[i], text);
    }
    for (int i = SETUP_STABILITY; i <= SETUP_RESTRICTED_LOCK; ++i)
        data_printf(s, "%s=%f\n", slider_defs[i].key, setup_sliders[i].value);
    for (int i = 0; i < SETUP_CHOICE_COUNT; ++i)
        data_printf(s, "%s=%s\n", choice_defs[i].key, choice_item_text(&setup_choices[i]));
    for (int i = SETUP_AUTO_CLUTCH_RPMS; i < SETUP_SLIDER_COUNT; ++i)
        data_printf(s, "%s=%f\n", slider_defs[i].key, setup_sliders[i].value);
}

static float sv(int i) { return (float)setup_sliders[i].value; }
static int   cv(int i) { return setup_choices[i].current; }

int apply_setup(bike *b)
{
    const setup_bike_ops &o = *g_setup.ops;
    if (dBodyID body = o.frame_body(b)) {
        const dReal *v = dBodyGetLinearVel(body);
        float x = (float)v[0], y = (float)v[1], z = (float)v[2];
        if (std::sqrt(x * x + y * y + z * z) > 0.125f) {
            double now = o.now_seconds();
            if (now - 10 < g_setup.last_refusal)
                console_print("Settings not applied.  Mechanic can't keep up error.");
            g_setup.last_refusal = now;
            return 0;
        }
    }
    const float deg = 0.017453292519943295f;
    static const int wheelie_modes[3] = {0, 3, 2};
    int wheelies = cv(SETUP_STOP_WHEELIES);
    o.leveling(b, sv(SETUP_LEVELING));
    o.roll_damping(b, sv(SETUP_ROLL_DAMPING));
    o.roll_limit_angle(b, sv(SETUP_ROLL_LIMIT_ANGLE) * deg);
    o.roll_limit_factor(b, sv(SETUP_ROLL_LIMIT_FACTOR));
    o.steering_damping(b, sv(SETUP_STEERING_DAMPING));
    o.steering_strength(b, sv(SETUP_STEERING_STRENGTH));
    o.max_steering_force(b, sv(SETUP_MAX_STEERING_FORCE));
    o.arcade(b, o.no_arcade() ? 0 : cv(SETUP_ARCADE));
    o.front_brake_aid(b, cv(SETUP_FRONT_BRAKE));
    o.rear_brake_aid(b, cv(SETUP_REAR_BRAKE));
    o.stop_wheelies(b, wheelies >= 0 && wheelies < 3 ? wheelie_modes[wheelies] : 0);
    o.auto_shift(b, cv(SETUP_AUTO_SHIFT));
    o.auto_dab(b, cv(SETUP_AUTO_DAB));
    o.auto_align(b, cv(SETUP_AUTO_ALIGN));
    o.direct_steering(b, sv(SETUP_DIRECT_STEERING));
    o.slow_damping_speed(b, sv(SETUP_SLOW_DAMPING_SPEED));
    o.slow_damping_factor(b, sv(SETUP_SLOW_DAMPING_FACTOR));
    o.land_damping_falloff(b, sv(SETUP_LAND_DAMPING_FALLOFF));
    o.land_damping_factor(b, sv(SETUP_LAND_DAMPING_FACTOR));
    o.full_lock_speed(b, sv(SETUP_FULL_LOCK_SPEED));
    o.restricted_lock_speed(b, sv(SETUP_RESTRICTED_LOCK_SPEED));
    o.restricted_lock(b, sv(SETUP_RESTRICTED_LOCK) * deg);
    o.auto_clutch_rpms(b, sv(SETUP_AUTO_CLUTCH_RPMS));
    o.brake_torque(b, sv(SETUP_BRAKE_TORQUE));
    o.rear_brake_torque(b, sv(SETUP_REAR_BRAKE_TORQUE));
    o.max_dab_speed(b, sv(SETUP_MAX_DAB_SPEED) * 1.4666666666666666f);
    o.sprockets(b, sv(SETUP_FRONT_SPROCKET), sv(SETUP_REAR_SPROCKET));
    o.fork(b, std::pow(2.0f, sv(SETUP_FORK_COMPRESSION) * 0.04f - 2), sv(SETUP_FORK_SLOW_COMPRESSION) * 0.02f - 1,
           std::pow(2.0f, sv(SETUP_FORK_REBOUND) * 0.04f - 2), sv(SETUP_FORK_SLOW_REBOUND) * 0.02f - 1,
           sv(SETUP_FORK_SPRING_RATE) * 0.01f, sv(SETUP_FORK_PRELOAD) * 0.01f, sv(SETUP_FORK_OIL_LEVEL) * 0.01f);
    o.shock(b, std::pow(2.0f, sv(SETUP_SHOCK_COMPRESSION) * 0.04f - 2), sv(SETUP_SHOCK_SLOW_COMPRESSION) * 0.02f - 1,
            std::pow(2.0f, sv(SETUP_SHOCK_REBOUND) * 0.04f - 2), sv(SETUP_SHOCK_SLOW_REBOUND) * 0.02f - 1,
            sv(SETUP_SHOCK_SPRING_RATE) * 0.01f, sv(SETUP_SHOCK_PRELOAD) * 0.01f);
    o.rider_springs(b, sv(SETUP_RIDER_YSPRING) * 0.01f, sv(SETUP_RIDER_ZSPRING) * 0.01f);
    o.rider_dampers(b, sv(SETUP_RIDER_YDAMPING) * 0.01f, sv(SETUP_RIDER_ZDAMPING) * 0.01f);
    o.mass_distribution(b, sv(SETUP_RIDER_MASS_DISTRIBUTION));
    return 1;
}
