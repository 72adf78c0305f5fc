// bike/catalogue_rows.h — how a catalogue record is put together: the values every model
// shares, the chassis-and-engine rows models fall into, and the file names of a model stem.
// bike/bike_catalogue_data.cpp (written by tools/make_catalogue_data.cpp) adds what each model
// has of its own: gearing, torque curves and stem. Everything here is constexpr so the table is
// filled before any code runs.
#pragma once
#include "bike/bike.h"
#include "bike/bike_info.h"
#include "bike/rider_bones.h"

// The rows. The "350sxf" take the 450 chassis with a lighter crank; "rm125" and "rs50rm" rev
// 1000 rpm higher than the rest of their class.
enum bike_row {
    BIKE_ROW_450F, BIKE_ROW_350SXF, BIKE_ROW_250F, BIKE_ROW_250, BIKE_ROW_125, BIKE_ROW_RM125,
    BIKE_ROW_50, BIKE_ROW_RS50RM, BIKE_ROWS
};

struct bike_row_values {
    const char *engine_class;
    float frame_mass, fork_mass;
    float fork_spring_range[2];
    float fork_hs_rebound;
    float swingarm_mass;
    float shock_spring_range[2];
    float shock_hs_rebound;
    float engine_inertia;
    float clutch_spring, clutch_damper;
    float shift_down_rpm, shift_up_rpm, third_rpm;
    float rider_mass;
};

inline constexpr bike_row_values bike_rows[BIKE_ROWS] = {
    {"450f", 4.735f, 0.703125f, {376.3026f, 913.8778f}, 32, 0.5025f, {2486.2852f, 5174.1611f}, 650,
     0.0088501f, 7500, 0.75f, 6000, 10500, 12000, 5.46875f},
    {"250f", 4.735f, 0.703125f, {376.3026f, 913.8778f}, 32, 0.5025f, {2486.2852f, 5174.1611f}, 650,
     0.006836f, 7500, 0.75f, 6000, 10500, 12000, 5.46875f},
    {"250f", 4.24f, 0.703125f, {335.9845f, 873.5597f}, 30, 0.504375f, {2217.4976f, 4905.3735f}, 600,
     0.004883f, 7500, 0.75f, 8000, 12500, 13250, 4.6875f},
    {"250", 4.365625f, 0.75375f, {322.5451f, 860.1203f}, 30, 0.589375f, {2083.1038f, 4770.9795f}, 600,
     0.006836f, 7500, 0.75f, 6000, 9000, 10500, 5.46875f},
    {"125", 3.65375f, 0.739688f, {322.5451f, 860.1203f}, 30, 0.541875f, {1814.3163f, 4502.1919f}, 600,
     0.004883f, 7500, 0.75f, 9400, 12000, 12750, 4.6875f},
    {"125", 3.65375f, 0.739688f, {322.5451f, 860.1203f}, 30, 0.541875f, {1814.3163f, 4502.1919f}, 600,
     0.004883f, 7500, 0.75f, 9400, 12000, 13750, 4.6875f},
    {"50", 3.34125f, 0.739688f, {309.1057f, 846.6809f}, 30, 0.541875f, {1814.3163f, 4502.1919f}, 600,
     0.00119358f, 1200, 1, 9400, 12000, 12750, 4.6875f},
    {"50", 3.34125f, 0.739688f, {309.1057f, 846.6809f}, 30, 0.541875f, {1814.3163f, 4502.1919f}, 600,
     0.00119358f, 1200, 1, 9400, 12000, 13750, 4.6875f},
};

// Wheels every model rolls on.
inline constexpr bike_wheel_info bike_front_wheel = {{0, 1.09f, 1.11f}, 0.8333f, 0.3333f, 0.40625f, 0.5f, 0.15625f};
inline constexpr bike_wheel_info bike_rear_wheel = {{0, 1.04f, 6}, 0.75f, 0.3333f, 0.46875f, 0.5f, 0.3125f};

// The rider's posing geometry every model shares.
inline constexpr rider_geometry bike_rider_geometry = {
    {0, 0.808f, -0.943f},
    {{-0.556f, 0.580f, -0.6545f}, {0.556f, 0.580f, -0.6545f}},
    {{-0.269f, -0.571f, 0.6706f}, {0.269f, -0.571f, 0.6706f}},
    {{-1.097f, 1.145f, 0.753f}, {1.097f, 1.145f, 0.753f}},
    {{-0.6f, -0.557f, 0.584f}, {0.6f, -0.557f, 0.584f}},
    0.9f, 1.15f,
    1.328f, 1.701f,
};

// The files named after a model's stem.
struct bike_stem_files {
    const char *frame, *texture, *fork_upper, *fork_lower, *swingarm, *side_plates, *front_plate;
};
#define BIKE_STEM_FILES(stem)                                                                  \
    bike_stem_files{"@" stem "_frame.km", "@" stem ".png", "@" stem "_fork_upper.km",         \
                    "@" stem "_fork_lower.km", "@" stem "_swingarm.km",                        \
                    "@" stem "_side_plates.km", "@" stem "_front_plate.km"}

// What each model has of its own.
struct bike_model_values {
    float primary_ratio;
    float front_teeth, rear_teeth;
    float gear_ratios[BIKE_GEARS];
    float torque_closed[BIKE_TORQUE_POINTS];
    float torque_open[BIKE_TORQUE_POINTS];
};

template <int N>
constexpr void bike_copy(float (&to)[N], const float (&from)[N])
{
    for (int i = 0; i < N; ++i) to[i] = from[i];
}

constexpr bike_info bike_record(const char *name, bike_row row_index, const bike_stem_files &stem,
                                const bike_model_values &own)
{
    const bike_row_values &row = bike_rows[row_index];
    bike_info r = {};
    r.name = name;
    r.engine_class = row.engine_class;
    r.front_wheel = bike_front_wheel;
    r.rear_wheel = bike_rear_wheel;
    r.frame_position[1] = 1.98f, r.frame_position[2] = 3.6f;
    r.frame_mass = row.frame_mass;
    r.frame_box[0] = 0.8333f, r.frame_box[1] = 1.6667f, r.frame_box[2] = 1.6667f;
    r.fork_upper_position[1] = 2.9f, r.fork_upper_position[2] = 2.16f;
    r.swingarm_position[1] = 1.34f, r.swingarm_position[2] = 4.99f;
    r.swingarm_pivot[1] = 1.6f, r.swingarm_pivot[2] = 4.08f;
    r.fork_lower_position[1] = 1.77f, r.fork_lower_position[2] = 1.59f;
    r.fork_leg_spacing = 0.8333f, r.fork_length = 3, r.fork_mass = row.fork_mass;
    bike_copy(r.fork_spring_range, row.fork_spring_range);
    r.fork_preload_range[0] = 0, r.fork_preload_range[1] = 0.0833f;
    r.fork_air_length_range[0] = 0.4167f, r.fork_air_length_range[1] = 0.25f;
    r.fork_damping_base[0] = 60, r.fork_damping_base[1] = 60;
    r.fork_damping_base[2] = row.fork_hs_rebound, r.fork_damping_base[3] = 30;
    r.fork_travel = 1;
    r.swingarm_mass = row.swingarm_mass;
    bike_copy(r.shock_spring_range, row.shock_spring_range);
    r.shock_preload_range[0] = 0, r.shock_preload_range[1] = 0.3333f;
    r.shock_damping_base[0] = 800, r.shock_damping_base[1] = 200;
    r.shock_damping_base[2] = row.shock_hs_rebound, r.shock_damping_base[3] = 150;
    r.leverage_at_break = 0.2837f, r.leverage_at_full = 0.4134f;
    r.swingarm_angle_max = 0.5303f, r.leverage_break = 0.75f;
    r.leverage_slope[0] = 0.3150f, r.leverage_slope[1] = 0.4605f, r.leverage_slope[2] = 0.6070f;
    r.primary_ratio = own.primary_ratio;
    r.front_teeth = own.front_teeth, r.rear_teeth = own.rear_teeth;
    bike_copy(r.gear_ratios, own.gear_ratios);
    r.engine_inertia = row.engine_inertia;
    r.clutch_spring = row.clutch_spring, r.clutch_damper = row.clutch_damper;
    bike_copy(r.torque_closed, own.torque_closed);
    bike_copy(r.torque_open, own.torque_open);
    r.shift_down_rpm = row.shift_down_rpm, r.shift_up_rpm = row.shift_up_rpm;
    r.third_rpm = row.third_rpm;
    r.rider_lean_direction[1] = 0.0833f, r.rider_lean_direction[2] = 0.0833f;
    r.rider_position[1] = 4.5f, r.rider_position[2] = 4.12f;
    r.rider_lean_limits[0] = -0.6667f, r.rider_lean_limits[1] = 0.5f;
    r.rider_mass = row.rider_mass;
    const char *const files[BIKE_INFO_FILES] = {
        stem.frame, "@generic_frame.shp", stem.texture,
        stem.fork_upper, "@generic_fork_upper.shp",
        stem.fork_lower, "@generic_fork_lower.shp",
        stem.swingarm, "@generic_swingarm.shp",
        "@front_wheel.km", "@front_wheel.shp",
        "@rear_wheel.km", "@rear_wheel.shp",
        "@wheels.png",
        "@rider_head.km", "@rider_head.png",
        "@rider_body.km", "@rider_body_fp.km", "@generic_rider.shp",
        "@rider_body.png",
        stem.side_plates, stem.front_plate, "@rider_plate.km",
    };
    for (int i = 0; i < BIKE_INFO_FILES; ++i) r.files[i] = files[i];
    r.rider = bike_rider_geometry;
    r.bones = rider_bones;
    return r;
}
