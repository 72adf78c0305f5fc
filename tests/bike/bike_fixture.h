// A physics world and stand-in resources for making bikes without a window: textures are
// ids by name (only listed names load), the plate counts what it "uploads", shapes have no
// spheres. The record is the first catalogue model's, made by hand.
#pragma once
#include "bike/bike_create.h"
#include "bike/bike_record.h"
#include "bike/shape.h"
#include "graphics/texture.h"
#include "shell/startup.h"
#include "data/console.h"
#include "data/mem.h"
#include <gtest/gtest.h>
#include <cstring>
#include <map>
#include <string>

struct fake_bike_resources {
    static std::map<std::string, unsigned> &textures() { static std::map<std::string, unsigned> m; return m; }
    static std::map<unsigned, std::string> &info() { static std::map<unsigned, std::string> m; return m; }
    static int &plates() { static int n; return n; }
    static int &shapes() { static int n; return n; }
    static std::string &last_plate_text() { static std::string s; return s; }
    static unsigned char *last_colours() { static unsigned char c[6]; return c; }

    static unsigned texture(const char *name)
    {
        auto it = textures().find(name);
        return it == textures().end() ? 0u : it->second;
    }
    static const char *info_text(unsigned id)
    {
        auto it = info().find(id);
        return it == info().end() ? nullptr : it->second.c_str();
    }
    static unsigned plate(const char *text, const unsigned char *bg, const unsigned char *fg)
    {
        last_plate_text() = text;
        for (int c = 0; c < 3; ++c) last_colours()[c] = bg[c], last_colours()[3 + c] = fg[c];
        ++plates();
        render_stats.texture_bytes += 87380;   // a 128 x 128 RGBA chain
        return 900;
    }
    static void plate_delete(unsigned) { --plates(); }
    static shape *shape_load(const char *)
    {
        ++shapes();
        shape *s = (shape *)mem_alloc(sizeof(shape));   // whole, of no spheres: the game reads it
        if (s) memset(s, 0, sizeof *s);
        return s;
    }
    static void shape_free(shape *s) { --shapes(); mem_free(s); }
};

// Models load from files without display lists (fake_models.cpp: graphics/model.h and the bike
// record name the model type differently). all = 1 also empties the model cache.
void bike_test_fake_models(int on);
const char *bike_test_model_name(const struct km_mesh *m);

// The first catalogue record's values.
inline bike_info test_bike_info(void)
{
    static const float bones[RIDER_BONES][3] = {};
    bike_info in = {};
    in.name = "450sxf(2018)";
    in.engine_class = "450f";
    in.front_wheel = {{0, 1.09f, 1.11f}, 0.8333f, 0.3333f, 0.40625f, 0.5f, 0.15625f};
    in.rear_wheel = {{0, 1.04f, 6}, 0.75f, 0.3333f, 0.46875f, 0.5f, 0.3125f};
    const float frame[3] = {0, 1.98f, 3.6f}, box[3] = {0.8333f, 1.6667f, 1.6667f};
    for (int k = 0; k < 3; ++k) in.frame_position[k] = frame[k], in.frame_box[k] = box[k];
    in.frame_mass = 4.735f;
    const float upper[3] = {0, 2.9f, 2.16f}, arm[3] = {0, 1.34f, 4.99f}, pivot[3] = {0, 1.6f, 4.08f},
                lower[3] = {0, 1.77f, 1.59f};
    for (int k = 0; k < 3; ++k) {
        in.fork_upper_position[k] = upper[k];
        in.swingarm_position[k] = arm[k];
        in.swingarm_pivot[k] = pivot[k];
        in.fork_lower_position[k] = lower[k];
    }
    in.fork_leg_spacing = 0.8333f, in.fork_length = 3, in.fork_mass = 0.703125f;
    in.fork_spring_range[0] = 376.3026f, in.fork_spring_range[1] = 913.8778f;
    in.fork_preload_range[0] = 0, in.fork_preload_range[1] = 0.0833f;
    in.fork_air_length_range[0] = 0.4167f, in.fork_air_length_range[1] = 0.25f;
    const float fork_base[4] = {60, 60, 32, 30}, shock_base[4] = {800, 200, 650, 150};
    for (int k = 0; k < 4; ++k) in.fork_damping_base[k] = fork_base[k], in.shock_damping_base[k] = shock_base[k];
    in.fork_travel = 1;
    in.swingarm_mass = 0.5025f;
    in.shock_spring_range[0] = 2486.2852f, in.shock_spring_range[1] = 5174.1611f;
    in.shock_preload_range[0] = 0, in.shock_preload_range[1] = 0.3333f;
    in.leverage_at_break = 0.2837f, in.leverage_at_full = 0.4134f, in.swingarm_angle_max = 0.5303f;
    in.leverage_break = 0.75f;
    in.leverage_slope[0] = 0.3150f, in.leverage_slope[1] = 0.4605f, in.leverage_slope[2] = 0.6070f;
    in.primary_ratio = 2.4516f;
    in.front_teeth = 13, in.rear_teeth = 48;
    const float gears[6] = {2, 1.667f, 1.4f, 1.182f, 1, -1};
    for (int k = 0; k < 6; ++k) in.gear_ratios[k] = gears[k];
    in.engine_inertia = 0.0088501f;
    in.clutch_spring = 7500, in.clutch_damper = 0.75f;
    in.shift_down_rpm = 6000, in.shift_up_rpm = 10500, in.third_rpm = 12000;
    in.rider_lean_direction[1] = in.rider_lean_direction[2] = 0.0833f;
    const float rider[3] = {0, 4.5f, 4.12f};
    for (int k = 0; k < 3; ++k) in.rider_position[k] = rider[k];
    in.rider_lean_limits[0] = -0.6667f, in.rider_lean_limits[1] = 0.5f;
    in.rider_mass = 5.46875f;
    static const char *const files[BIKE_INFO_FILES] = {
        "@450sxfv2016_frame.km", "@generic_frame.shp", "@450sxfv2016.png",
        "@450sxfv2016_fork_upper.km", "@generic_fork_upper.shp",
        "@450sxfv2016_fork_lower.km", "@generic_fork_lower.shp",
        "@450sxfv2016_swingarm.km", "@generic_swingarm.shp",
        "@front_wheel.km", "@front_wheel.shp", "@rear_wheel.km", "@rear_wheel.shp", "@wheels.png",
        "@rider_head.km", "@rider_head.png", "@rider_body.km", "@rider_body_fp.km", "@generic_rider.shp",
        "@rider_body.png", "@450sxfv2016_side_plates.km", "@450sxfv2016_front_plate.km", "@rider_plate.km"};
    for (int k = 0; k < BIKE_INFO_FILES; ++k) in.files[k] = files[k];
    in.rider = rider_geometry{{0, 0.808f, -0.943f},
                              {{-0.556f, 0.580f, -0.6545f}, {0.556f, 0.580f, -0.6545f}},
                              {{-0.269f, -0.571f, 0.6706f}, {0.269f, -0.571f, 0.6706f}},
                              {{-1.097f, 1.145f, 0.753f}, {1.097f, 1.145f, 0.753f}},
                              {{-0.6f, -0.557f, 0.584f}, {0.6f, -0.557f, 0.584f}},
                              0.9f, 1.15f, 1.328f, 1.701f};
    in.bones = bones;
    return in;
}

inline std::string console_last_line(int back = 0)
{
    return g_console.lines[(g_console.write_index + CONSOLE_LINES - 1 - back) % CONSOLE_LINES];
}

class BikeWorld : public ::testing::Test {
protected:
    bike_info info = test_bike_info();

    void SetUp() override
    {
        dInitODE2(0);
        physics_world = dWorldCreate();
        dWorldSetGravity(physics_world, 0, -32, 0);
        fake_bike_resources::textures() = {{"@450sxfv2016.png", 11}, {"@wheels.png", 12}, {"@rider_body.png", 13},
                                           {"@rider_head.png", 14}};
        fake_bike_resources::info().clear();
        fake_bike_resources::plates() = 0;
        fake_bike_resources::shapes() = 0;
        static const bike_resource_loaders fakes = {
            fake_bike_resources::texture, fake_bike_resources::info_text, fake_bike_resources::plate,
            fake_bike_resources::plate_delete, fake_bike_resources::shape_load, fake_bike_resources::shape_free};
        bike_resources_set(&fakes);
        bike_test_fake_models(1);
        console_clear();
    }
    void TearDown() override
    {
        bike_resources_set(nullptr);
        bike_test_fake_models(0);
        dWorldDestroy(physics_world);
        physics_world = nullptr;
        dCloseODE();
    }
    bike *make(const char *number = "7") { return bike_create_from_info(&info, 3, number, nullptr, nullptr, nullptr, nullptr); }
};
