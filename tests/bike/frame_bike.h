// A headless bike for the frame benchmark and fuzz target, which have no test framework: the
// first catalogue model's geometry (no file names), made by bike_create_from_info with resources
// that never load.
#pragma once
#include <cstdlib>
#include <cstring>
#include <ode/ode.h>

#include "bike/bike_create.h"
#include "bike/bike_record.h"
#include "shell/startup.h"

inline bike_info fixture_bike_info(void)
{
    bike_info i = {};
    i.name = "450sxf(2018)";
    i.engine_class = "450f";
    i.front_wheel = {{0, 1.09f, 1.11f}, 0.8333f, 0.3333f, 0.40625f, 0.5f, 0.15625f};
    i.rear_wheel = {{0, 1.04f, 6}, 0.75f, 0.3333f, 0.46875f, 0.5f, 0.3125f};
    const float frame[3] = {0, 1.98f, 3.6f}, box[3] = {0.8333f, 1.6667f, 1.6667f};
    std::memcpy(i.frame_position, frame, sizeof frame);
    std::memcpy(i.frame_box, box, sizeof box);
    i.frame_mass = 4.735f;
    const float upper[3] = {0, 2.9f, 2.16f}, arm[3] = {0, 1.34f, 4.99f}, pivot[3] = {0, 1.6f, 4.08f},
                lower[3] = {0, 1.77f, 1.59f};
    std::memcpy(i.fork_upper_position, upper, sizeof upper);
    std::memcpy(i.swingarm_position, arm, sizeof arm);
    std::memcpy(i.swingarm_pivot, pivot, sizeof pivot);
    std::memcpy(i.fork_lower_position, lower, sizeof lower);
    i.fork_leg_spacing = 0.8333f;
    i.fork_length = 3;
    i.fork_mass = 0.703125f;
    i.fork_travel = 1;
    i.swingarm_mass = 0.5025f;
    i.swingarm_angle_max = 0.5303f;
    const float gears[BIKE_GEARS] = {2, 1.667f, 1.4f, 1.182f, 1, -1};
    std::memcpy(i.gear_ratios, gears, sizeof gears);
    const float lean[3] = {0, 0.0833f, 0.0833f}, rider[3] = {0, 4.5f, 4.12f};
    std::memcpy(i.rider_lean_direction, lean, sizeof lean);
    std::memcpy(i.rider_position, rider, sizeof rider);
    i.rider_lean_limits[0] = -0.6667f;
    i.rider_lean_limits[1] = 0.5f;
    i.rider_mass = 5.46875f;
    const float feet[2][3] = {{-0.6f, -0.557f, 0.584f}, {0.6f, -0.557f, 0.584f}};
    std::memcpy(i.rider.feet, feet, sizeof feet);
    return i;
}

// One world for the process; the bike's bodies live in physics_world as the game's do.
inline void fixture_physics_world(void)
{
    if (physics_world) return;
    dInitODE2(0);
    physics_world = dWorldCreate();
    dWorldSetGravity(physics_world, 0, -32, 0);
}

// Resources that never load: no textures, plate or shapes, and the record names no files.
inline unsigned    fixture_no_texture(const char *) { return 0; }
inline const char *fixture_no_info(unsigned) { return nullptr; }
inline unsigned    fixture_no_plate(const char *, const unsigned char *, const unsigned char *) { return 0; }
inline void        fixture_no_plate_delete(unsigned) {}
inline shape      *fixture_no_shape(const char *) { return nullptr; }
inline void        fixture_no_shape_free(shape *) {}

inline bike *fixture_bike_create(const bike_info &info)
{
    fixture_physics_world();
    static const bike_resource_loaders none = {fixture_no_texture, fixture_no_info, fixture_no_plate,
                                               fixture_no_plate_delete, fixture_no_shape, fixture_no_shape_free};
    bike_resources_set(&none);
    return bike_create_from_info(&info, 0, "1", nullptr, nullptr, nullptr, nullptr);
}
