#include <gtest/gtest.h>
#include "bike/bike.h"
#include "bike/catalogue.h"
#include "bike/rider_bones.h"
#include "tools/catalogue_draw.h"
#include <cctype>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

static const double pi = 3.14159265358979323846;
static const double tick_s = 1.0 / 128;

static const bike_info &record(const char *name)
{
    const bike_info *info = bike_info_find(name);
    EXPECT_NE(info, nullptr) << name;
    return info ? *info : bike_catalogue[0];
}

static bool six_speed(const bike_info &b)
{
    return strcmp(b.engine_class, "125") == 0 || strcmp(b.engine_class, "50") == 0;
}

static double row_top_mph(const bike_info &b)
{
    if (strstr(b.name, "350sxf")) return 100;
    static const struct { const char *engine_class; double mph; } rows[] = {
        {"450f", 100}, {"250f", 85}, {"250", 90}, {"125", 78}, {"50", 60},
    };
    for (const auto &r : rows)
        if (strcmp(b.engine_class, r.engine_class) == 0) return r.mph;
    ADD_FAILURE() << "no row for class " << b.engine_class;
    return 0;
}

TEST(BikeCatalogue, DataFileIsWhatTheDrawRulesMake)
{
    std::ifstream in(std::string(RL_SOURCE_DIR) + "/bike/bike_catalogue_data.cpp", std::ios::binary);
    ASSERT_TRUE(in.good());
    std::stringstream text;
    text << in.rdbuf();
    // If this fails after a change to the draw code, the frozen numbers would move: keep the
    // old numbers, or run make_catalogue_data on purpose and commit its file.
    std::istringstream committed(text.str()), drawn(catalogue_draw::source());
    std::string want, got;
    for (int line = 1; std::getline(drawn, want); ++line) {
        ASSERT_TRUE(std::getline(committed, got)) << "the file ends before line " << line;
        ASSERT_EQ(got, want) << "line " << line;
    }
    EXPECT_FALSE(std::getline(committed, got)) << "the file goes on after the drawn text";

    ASSERT_EQ(bike_catalogue_count, 80);
    for (int i = 0; i < bike_catalogue_count; ++i)
        EXPECT_STREQ(bike_catalogue[i].name, catalogue_draw::models[i].name);
}

TEST(BikeCatalogue, EveryRecord)
{
    for (int n = 0; n < bike_catalogue_count; ++n) {
        const bike_info &b = bike_catalogue[n];
        SCOPED_TRACE(b.name);
        const bike_info &first = bike_catalogue[0];

        EXPECT_EQ(bike_info_find(b.name), &b);
        std::string upper = b.name, blank = std::string(b.name) + " ";
        for (char &c : upper) c = (char)toupper((unsigned char)c);
        EXPECT_EQ(bike_info_find(upper.c_str()), nullptr);
        EXPECT_EQ(bike_info_find(blank.c_str()), nullptr);

        const float *g = b.gear_ratios;
        int gears = 0;
        while (gears < BIKE_GEARS && g[gears] > 0) ++gears;
        EXPECT_EQ(gears, six_speed(b) ? 6 : 5);
        for (int i = gears; i < BIKE_GEARS; ++i) EXPECT_EQ(g[i], -1);
        for (int i = 1; i < gears; ++i) EXPECT_LT(g[i], g[i - 1]);

        EXPECT_LT(b.shift_down_rpm, b.shift_up_rpm);
        EXPECT_LT(b.shift_up_rpm, b.third_rpm);

        float peak = 0;
        for (int i = 0; i < BIKE_TORQUE_POINTS; ++i) {
            EXPECT_GE(b.torque_open[i], b.torque_closed[i]) << "point " << i;
            peak = std::max(peak, b.torque_open[i]);
        }
        EXPECT_LT(bike_info_engine_torque(&b, b.third_rpm + 1000, 1), 0);
        for (int i = 0; i < 4; ++i) EXPECT_EQ(b.torque_closed[i], first.torque_closed[i]);
        EXPECT_GE(peak / b.engine_inertia, 2500);
        EXPECT_LE(peak / b.engine_inertia, 6000);

        // At the third speed in top gear, on the rear tyre's rolling radius.
        double top_ratio = g[gears - 1] * b.primary_ratio * b.rear_teeth / b.front_teeth;
        double top_fps = b.third_rpm * pi / 30 / top_ratio * (b.rear_wheel.radius + b.rear_wheel.tube_radius);
        EXPECT_NEAR(top_fps * 3600 / 5280, row_top_mph(b), 0.08 * row_top_mph(b));

        for (int i = 0; i < BIKE_INFO_FILES; ++i) {
            ASSERT_NE(b.files[i], nullptr);
            EXPECT_EQ(b.files[i][0], '@');
        }
        std::string stem = std::string("@") + catalogue_draw::stem(b.name);
        EXPECT_EQ(b.files[BIKE_FILE_FRAME_MODEL], stem + "_frame.km");
        EXPECT_EQ(b.files[BIKE_FILE_BIKE_TEXTURE], stem + ".png");
        EXPECT_EQ(b.files[BIKE_FILE_FRONT_PLATE_MODEL], stem + "_front_plate.km");

        // What every model shares.
        EXPECT_EQ(memcmp(&b.front_wheel, &first.front_wheel, sizeof b.front_wheel), 0);
        EXPECT_EQ(memcmp(&b.rear_wheel, &first.rear_wheel, sizeof b.rear_wheel), 0);
        EXPECT_EQ(memcmp(&b.rider, &first.rider, sizeof b.rider), 0);
        EXPECT_EQ(memcmp(b.frame_position, first.frame_position, sizeof b.frame_position), 0);
        EXPECT_EQ(memcmp(b.leverage_slope, first.leverage_slope, sizeof b.leverage_slope), 0);
        EXPECT_EQ(b.bones, first.bones);
        for (int i : {BIKE_FILE_FRAME_SHAPE, BIKE_FILE_WHEEL_TEXTURE, BIKE_FILE_RIDER_SHAPE, BIKE_FILE_RIDER_PLATE_MODEL})
            EXPECT_STREQ(b.files[i], first.files[i]);
    }

    // The creation fallback takes the first record naming "125", or else "250f".
    auto first_naming = [](const char *part) {
        for (int n = 0; n < bike_catalogue_count; ++n)
            if (strstr(bike_catalogue[n].name, part)) return bike_catalogue[n].name;
        return "";
    };
    EXPECT_STREQ(first_naming("125"), "cr125");
    EXPECT_STREQ(first_naming("250f"), "kx250f(2018)");
}

TEST(BikeCatalogue, TellingRows)
{
    const bike_info &a = record("450sxf(2018)");
    EXPECT_STREQ(a.engine_class, "450f");
    const float front[8] = {0, 1.09f, 1.11f, 0.8333f, 0.3333f, 0.40625f, 0.5f, 0.15625f};
    EXPECT_EQ(memcmp(&a.front_wheel, front, sizeof front), 0);
    EXPECT_EQ(a.rear_wheel.center[2], 6);
    EXPECT_EQ(a.frame_mass, 4.735f);
    EXPECT_EQ(a.fork_spring_range[0], 376.3026f);
    EXPECT_EQ(a.shock_spring_range[1], 5174.1611f);
    EXPECT_EQ(a.shock_damping_base[2], 650);
    EXPECT_EQ(a.leverage_slope[2], 0.6070f);
    EXPECT_EQ(a.primary_ratio, 2.4516f);
    EXPECT_EQ(a.front_teeth, 13);
    EXPECT_EQ(a.rear_teeth, 48);
    const float five[6] = {2, 1.667f, 1.4f, 1.182f, 1, -1};
    EXPECT_EQ(memcmp(a.gear_ratios, five, sizeof five), 0);
    EXPECT_EQ(a.engine_inertia, 0.0088501f);
    EXPECT_EQ(a.rider_mass, 5.46875f);
    EXPECT_STREQ(a.files[BIKE_FILE_FRAME_MODEL], "@450sxfv2016_frame.km");
    EXPECT_STREQ(a.files[BIKE_FILE_RIDER_SHAPE], "@generic_rider.shp");
    EXPECT_EQ(a.rider.lower_leg, 1.701f);

    const bike_info &c = record("rs50cr");
    EXPECT_STREQ(c.engine_class, "50");
    EXPECT_EQ(c.frame_mass, 3.34125f);
    EXPECT_EQ(c.fork_mass, 0.739688f);
    EXPECT_EQ(c.primary_ratio, 3.7143f);
    EXPECT_EQ(c.front_teeth, 12);
    EXPECT_EQ(c.rear_teeth, 55);
    const float six[6] = {3.091f, 2, 1.5f, 1.2f, 1.045f, 0.957f};
    EXPECT_EQ(memcmp(c.gear_ratios, six, sizeof six), 0);
    EXPECT_EQ(c.engine_inertia, 0.00119358f);
    EXPECT_EQ(c.clutch_spring, 1200);
    EXPECT_EQ(c.clutch_damper, 1);
    EXPECT_EQ(c.shift_down_rpm, 9400);
    EXPECT_EQ(c.shift_up_rpm, 12000);
    EXPECT_EQ(c.third_rpm, 12750);
    EXPECT_EQ(c.rider_mass, 4.6875f);
    EXPECT_STREQ(c.files[BIKE_FILE_FRAME_MODEL], "@cr125_frame.km");
    EXPECT_STREQ(c.files[BIKE_FILE_BIKE_TEXTURE], "@cr125.png");

    struct Row { const char *name, *engine_class; float inertia, third_rpm, rider_mass; };
    const Row rows[] = {
        {"350sxf(2013)", "250f", 0.006836f, 12000, 5.46875f},   // the 450 chassis
        {"kx250f(2018)", "250f", 0.004883f, 13250, 4.6875f},
        {"cr250(2007)", "250", 0.006836f, 10500, 5.46875f},
        {"kx125", "125", 0.004883f, 12750, 4.6875f},
        {"rm125", "125", 0.004883f, 13750, 4.6875f},
        {"rs50rm", "50", 0.00119358f, 13750, 4.6875f},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.name);
        const bike_info &b = record(r.name);
        EXPECT_STREQ(b.engine_class, r.engine_class);
        EXPECT_EQ(b.engine_inertia, r.inertia);
        EXPECT_EQ(b.third_rpm, r.third_rpm);
        EXPECT_EQ(b.rider_mass, r.rider_mass);
    }
    EXPECT_STREQ(record("cr250(2007)").files[BIKE_FILE_SWINGARM_MODEL], "@cr250_swingarm.km");
    EXPECT_STREQ(record("crf450(2017)").files[BIKE_FILE_SIDE_PLATES_MODEL], "@crf450v2017_side_plates.km");
    EXPECT_STREQ(record("rs50kx").files[BIKE_FILE_FORK_UPPER_MODEL], "@kx125_fork_upper.km");
}

// The engine alone, clutch out: the curves must carry it to the rev limit and back to idle.
TEST(BikeCatalogue, EngineAlone)
{
    for (int n = 0; n < bike_catalogue_count; ++n) {
        const bike_info &b = bike_catalogue[n];
        SCOPED_TRACE(b.name);
        auto run = [&](double rpm, float throttle, double seconds, auto &&watch) {
            double w = rpm * pi / 30;
            for (int t = 1; t <= (int)(seconds * 128); ++t) {
                w += tick_s * bike_info_engine_torque(&b, (float)(w * 30 / pi), throttle) / b.engine_inertia;
                watch(t, w * 30 / pi);
            }
            return w * 30 / pi;
        };
        double highest = 0;
        double settled = run(1500, 1, 10, [&](int, double rpm) { highest = std::max(highest, rpm); });
        EXPECT_LT(highest, b.third_rpm + 1000);
        EXPECT_NEAR(settled, b.third_rpm, 250);

        int below_at = -1;
        double idle = run(b.shift_up_rpm, 0, 10, [&](int t, double rpm) {
            if (below_at < 0 && rpm < b.shift_down_rpm) below_at = t;
        });
        EXPECT_GE(below_at, 0);
        EXPECT_LE(below_at * tick_s, 2.0);
        EXPECT_NEAR(idle, 1500, 50);
    }
}

TEST(BikeCatalogue, Readouts)
{
    const bike_info *b = &record("450sxf(2018)");
    struct Case { const char *what; float (*readout)(const bike_info *, float); float low, high; };
    const Case cases[] = {
        {"fork spring", bike_info_fork_spring_rate_kgmm, 0.28f, 0.68f},
        {"fork preload", bike_info_fork_preload_mm, 0, 25.39f},
        {"fork oil level", bike_info_fork_oil_level_mm, 127.01f, 76.2f},
        {"shock spring", bike_info_shock_spring_rate_kgmm, 3.7f, 7.7f},
        {"shock preload", bike_info_shock_preload_mm, 0, 101.59f},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_NEAR(c.readout(b, 0), c.low, 0.01f);
        EXPECT_NEAR(c.readout(b, 1), c.high, 0.01f);
        EXPECT_FLOAT_EQ(c.readout(b, 1.5f), c.readout(b, 1));
        EXPECT_FLOAT_EQ(c.readout(b, -1), c.readout(b, 0));
        EXPECT_FLOAT_EQ(c.readout(b, NAN), c.readout(b, 0));
        EXPECT_NEAR(c.readout(b, 0.5f), (c.low + c.high) / 2, 0.01f);
    }
    EXPECT_EQ(bike_info_front_teeth(b), 13);
    EXPECT_EQ(bike_info_rear_teeth(b), 48);
    EXPECT_EQ(bike_info_rear_teeth(&record("rs50cr")), 55);
}

TEST(BikeCatalogue, TorqueLookup)
{
    bike_info b = {};
    for (int i = 0; i < BIKE_TORQUE_POINTS; ++i) {
        b.torque_closed[i] = -(float)i;
        b.torque_open[i] = 100 + (float)i;
    }
    struct Case { float rpm, throttle, want; };
    const Case cases[] = {
        {0, 0, 0},
        {750, 0, -1.5f},        // between points 1 and 2
        {750, 1, 101.5f},
        {750, 0.5f, 50},
        {-3000, 1, 100},        // below 0: the first point
        {24500, 0, -49},
        {90000, 1, 149},        // beyond the last point: the last
        {NAN, 1, 100},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.rpm);
        EXPECT_FLOAT_EQ(bike_info_engine_torque(&b, c.rpm, c.throttle), c.want);
    }
    // Engine braking above idle on every model.
    for (int n = 0; n < bike_catalogue_count; ++n)
        EXPECT_LT(bike_info_engine_torque(&bike_catalogue[n], 3000, 0), 0) << bike_catalogue[n].name;
}

TEST(BikeCatalogue, RiderBonesAreATPose)
{
    const rider_geometry &g = bike_catalogue[0].rider;
    EXPECT_EQ(bike_catalogue[0].bones, rider_bones);
    for (int side = 0; side < 2; ++side) {
        SCOPED_TRACE(side);
        const float *elbow = rider_bones[RIDER_BONE_LEFT_ELBOW + side];
        const float *shoulder = rider_bones[RIDER_BONE_LEFT_SHOULDER + side];
        const float *knee = rider_bones[RIDER_BONE_LEFT_KNEE + side];
        const float *hip = rider_bones[RIDER_BONE_LEFT_HIP + side];
        EXPECT_NEAR(std::fabs(elbow[0] - shoulder[0]), g.upper_arm, 1e-4);
        EXPECT_EQ(elbow[1], shoulder[1]);
        EXPECT_NEAR(hip[1] - knee[1], g.upper_leg, 1e-4);
        EXPECT_EQ(hip[0], knee[0]);
        EXPECT_EQ(hip[0], g.hips[side][0]);
        EXPECT_LT(elbow[0] * (side ? -1 : 1), 0);   // left is -x
    }
    EXPECT_EQ(rider_bones[RIDER_BONE_PELVIS][0], 0);
}
