#include <gtest/gtest.h>
#include "data/console.h"
#include "shell/setup.h"
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

static double slider(int i) { return setup_sliders[i].value; }

// Designations as the catalogue lists them, whatever the catalogue built into this program holds.
static const char *const test_models[] = {"450sxf(2018)", "yz250f(2017)", "crf450(2017)", "yz250f(2008)"};

static void setup_fresh(void)
{
    setup_init();
    setup_bike.items = test_models;
    setup_bike.item_count = 4;
    setup_select_bike("yz250f(2017)");
}

TEST(SetupKeys, ParsingTable)
{
    struct Case {
        const char *key, *value;
        int         result;
        std::function<void()> check;
    };
    static const std::string long_name(70, 'n');
    const Case cases[] = {
        {"bike", "yz250f", 1, [] { EXPECT_STREQ(choice_item_text(&setup_bike), "yz250f(2008)"); }},
        {"bike", "crf450(2017)", 1, [] { EXPECT_STREQ(choice_item_text(&setup_bike), "crf450(2017)"); }},
        {"bike", "moped", 1, [] { EXPECT_STREQ(choice_item_text(&setup_bike), "yz250f(2017)"); }},
        {"name", long_name.c_str(), 1, [] { EXPECT_EQ(strlen(setup_name.buffer), 63u); }},
        {"number", "1234", 1, [] { EXPECT_STREQ(setup_number.buffer, "123"); }},
        {"wheel_texture", "gold", 1, [] { EXPECT_STREQ(setup_wanted_graphics[SETUP_WHEELS], "gold"); }},
        {"roll_limit_angle", "500", 1, [] { EXPECT_EQ(slider(SETUP_ROLL_LIMIT_ANGLE), 180); }},
        {"max_dab_speed", "1", 1, [] { EXPECT_EQ(slider(SETUP_MAX_DAB_SPEED), 5); }},
        {"rider_mass_distribution", "0.41", 1,
         [] { EXPECT_EQ(slider(SETUP_RIDER_MASS_DISTRIBUTION), (double)0.41f); }},
        {"brake_torque", "soft", 1, [] { EXPECT_EQ(slider(SETUP_BRAKE_TORQUE), 500); }},
        {"stop_wheelies", "Front Only", 1, [] { EXPECT_EQ(setup_choices[SETUP_STOP_WHEELIES].current, 2); }},
        {"front_brake", "antilock", 1, [] { EXPECT_EQ(setup_choices[SETUP_FRONT_BRAKE].current, 1); }},
        {"rear_brake", "Antilock", 1, [] { EXPECT_EQ(setup_choices[SETUP_REAR_BRAKE].current, 1); }},
        {"stability", "50", 1, [] { EXPECT_EQ(slider(SETUP_RESTRICTED_LOCK), 7.5); }},
        {"stability", "steady", 1, [] { EXPECT_EQ(slider(SETUP_RESTRICTED_LOCK), 1); }},
        {"Stability", "0", 0, [] { EXPECT_EQ(slider(SETUP_STABILITY), 100); }},
        {"xres", "800", 0, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.value);
        setup_fresh();
        EXPECT_EQ(setup_set(c.key, c.value), c.result);
        if (c.check) c.check();
    }
}

TEST(SetupKeys, StabilityPresets)
{
    struct Case { int stability, anchor; double restricted_lock, roll_damping, direct_steering; };
    const Case cases[] = {
        {50, 2, 7.5, 65, 1},
        {100, 4, 1, 80, 0.125},
        {130, 4, 1, 80, 0.125},
        {-5, 0, 45, 40, 1},
        {70, 3, 3.75, 72.5, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.stability);
        setup_init();
        EXPECT_EQ(setup_set_defaults(c.stability), c.anchor);
        EXPECT_DOUBLE_EQ(slider(SETUP_RESTRICTED_LOCK), c.restricted_lock);
        EXPECT_DOUBLE_EQ(slider(SETUP_ROLL_DAMPING), c.roll_damping);
        EXPECT_DOUBLE_EQ(slider(SETUP_DIRECT_STEERING), c.direct_steering);
    }
}

TEST(SetupKeys, LaterAdvancedKeysOverrideThePreset)
{
    setup_init();
    setup_set("stability", "0");
    setup_set("leveling", "55");
    EXPECT_EQ(slider(SETUP_LEVELING), 55);
    EXPECT_EQ(slider(SETUP_ROLL_LIMIT_ANGLE), 90);
    EXPECT_EQ(slider(SETUP_LAND_DAMPING_FALLOFF), 0);
    EXPECT_EQ(slider(SETUP_RESTRICTED_LOCK), 45);
}

// Records what apply_setup hands the bike.
static struct {
    dBodyID                       body;
    double                        now;
    int                           no_arcade;
    std::vector<std::string>      calls;
    std::vector<std::vector<double>> args;
} rec;

static void note(const char *name, std::vector<double> a)
{
    rec.calls.push_back(name);
    rec.args.push_back(a);
}

#define F1(n) [](bike *, float v) { note(n, {v}); }
#define I1(n) [](bike *, int v) { note(n, {(double)v}); }
static const setup_bike_ops recording_ops = {
    [](bike *) { return rec.body; },
    [] { return rec.now; },
    [] { return rec.no_arcade; },
    F1("leveling"), F1("roll_damping"), F1("roll_limit_angle"), F1("roll_limit_factor"),
    F1("steering_damping"), F1("steering_strength"), F1("max_steering_force"), I1("arcade"),
    I1("front_brake_aid"), I1("rear_brake_aid"), I1("stop_wheelies"), I1("auto_shift"),
    I1("auto_dab"), I1("auto_align"), F1("direct_steering"), F1("slow_damping_speed"),
    F1("slow_damping_factor"), F1("land_damping_falloff"), F1("land_damping_factor"),
    F1("full_lock_speed"), F1("restricted_lock_speed"), F1("restricted_lock"),
    F1("auto_clutch_rpms"), F1("brake_torque"), F1("rear_brake_torque"), F1("max_dab_speed"),
    [](bike *, float a, float b) { note("sprockets", {a, b}); },
    [](bike *, float a, float b, float c, float d, float e, float f, float g) { note("fork", {a, b, c, d, e, f, g}); },
    [](bike *, float a, float b, float c, float d, float e, float f) { note("shock", {a, b, c, d, e, f}); },
    [](bike *, float a, float b) { note("rider_springs", {a, b}); },
    [](bike *, float a, float b) { note("rider_dampers", {a, b}); },
    F1("mass_distribution"),
};

class ApplySetup : public ::testing::Test {
protected:
    dWorldID world;
    void SetUp() override
    {
        dInitODE2(0);
        world = dWorldCreate();
        rec = {};
        rec.body = dBodyCreate(world);
        setup_init();
        setup_use_ops(&recording_ops);
        console_clear();
    }
    void TearDown() override
    {
        setup_use_ops(nullptr);
        dWorldDestroy(world);
        dCloseODE();
    }
    std::vector<double> args_of(const char *name)
    {
        for (size_t i = 0; i < rec.calls.size(); ++i)
            if (rec.calls[i] == name) return rec.args[i];
        ADD_FAILURE() << name << " not called";
        return {};
    }
    static std::string last_console_line()
    {
        return g_console.lines[(g_console.write_index + CONSOLE_LINES - 1) % CONSOLE_LINES];
    }
};

TEST_F(ApplySetup, PushesEveryValueInOrder)
{
    dBodySetLinearVel(rec.body, 0.125, 0, 0);   // exactly the limit still applies
    setup_choices[SETUP_STOP_WHEELIES].current = 1;
    setup_sliders[SETUP_FORK_COMPRESSION].value = 100;
    setup_sliders[SETUP_SHOCK_SLOW_REBOUND].value = 0;
    ASSERT_EQ(apply_setup(nullptr), 1);
    ASSERT_EQ(rec.calls.size(), 32u);
    EXPECT_EQ(rec.calls.front(), "leveling");
    EXPECT_EQ(rec.calls.back(), "mass_distribution");
    EXPECT_FLOAT_EQ(args_of("roll_limit_angle")[0], (float)(45 * M_PI / 180));
    EXPECT_FLOAT_EQ(args_of("restricted_lock")[0], (float)(M_PI / 180));
    EXPECT_FLOAT_EQ(args_of("max_dab_speed")[0], 88.0f);
    EXPECT_EQ(args_of("stop_wheelies")[0], 3);
    EXPECT_EQ(args_of("arcade")[0], 1);
    std::vector<double> fork = args_of("fork");
    EXPECT_FLOAT_EQ(fork[0], 4.0f);    // 100 gives the top of 0.25..4
    EXPECT_FLOAT_EQ(fork[1], 0.0f);    // 50 gives no offset
    EXPECT_FLOAT_EQ(fork[2], 1.0f);
    EXPECT_FLOAT_EQ(fork[6], 0.5f);
    EXPECT_FLOAT_EQ(args_of("shock")[3], -1.0f);
    EXPECT_FLOAT_EQ(args_of("rider_springs")[1], 0.5f);
}

TEST_F(ApplySetup, NoArcadeRuleWins)
{
    rec.no_arcade = 1;
    apply_setup(nullptr);
    EXPECT_EQ(args_of("arcade")[0], 0);
}

TEST_F(ApplySetup, RefusesWhileMovingAndComplainsOnlyWhenRushed)
{
    dBodySetLinearVel(rec.body, 0, 0.2, 0);
    struct Step { double now; int message; };
    const Step steps[] = {{100, 0}, {103, 1}, {114, 0}, {150, 0}, {159.5, 1}};
    for (const Step &s : steps) {
        SCOPED_TRACE(s.now);
        int before = g_console.write_index;
        rec.now = s.now;
        EXPECT_EQ(apply_setup(nullptr), 0);
        EXPECT_EQ(g_console.write_index != before, s.message != 0);
    }
    EXPECT_EQ(last_console_line(), "Settings not applied.  Mechanic can't keep up error.");
    EXPECT_TRUE(rec.calls.empty());
}
