#include "physics_rig.h"

#include "bike/bike_create.h"
#include "bike/world_step.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "racing/race.h"
#include "shell/globals.h"
#include "shell/startup.h"
#include "terrain/field.h"

bike_info rig_info(void)
{
    bike_info i = {};
    i.name = "rig450";
    i.engine_class = "450f";
    i.front_wheel = {{0, 1.09f, 1.11f}, 0.8333f, 0.3333f, 0.40625f, 0.5f, 0.15625f};
    i.rear_wheel = {{0, 1.04f, 6.0f}, 0.75f, 0.3333f, 0.46875f, 0.5f, 0.3125f};
    const float frame[3] = {0, 1.98f, 3.6f}, box[3] = {0.8333f, 1.6667f, 1.6667f};
    memcpy(i.frame_position, frame, sizeof frame);
    memcpy(i.frame_box, box, sizeof box);
    i.frame_mass = 4.735f;
    const float upper[3] = {0, 2.9f, 2.16f}, arm[3] = {0, 1.34f, 4.99f}, pivot[3] = {0, 1.6f, 4.08f};
    const float lower[3] = {0, 1.77f, 1.59f};
    memcpy(i.fork_upper_position, upper, sizeof upper);
    memcpy(i.swingarm_position, arm, sizeof arm);
    memcpy(i.swingarm_pivot, pivot, sizeof pivot);
    memcpy(i.fork_lower_position, lower, sizeof lower);
    i.fork_leg_spacing = 0.8333f;
    i.fork_length = 3;
    i.fork_mass = 0.703125f;
    const float fork_base[4] = {60, 60, 32, 30}, shock_base[4] = {800, 200, 650, 150};
    memcpy(i.fork_damping_base, fork_base, sizeof fork_base);
    memcpy(i.shock_damping_base, shock_base, sizeof shock_base);
    i.fork_travel = 1;
    i.swingarm_mass = 0.5025f;
    i.leverage_at_break = 0.2837f;
    i.leverage_at_full = 0.4134f;
    i.swingarm_angle_max = 0.5303f;
    i.leverage_break = 0.75f;
    i.leverage_slope[0] = 0.3150f;
    i.leverage_slope[1] = 0.4605f;
    i.leverage_slope[2] = 0.6070f;
    i.primary_ratio = 2.4516f;
    i.front_teeth = 13;
    i.rear_teeth = 48;
    const float gears[6] = {2, 1.667f, 1.4f, 1.182f, 1, -1};
    memcpy(i.gear_ratios, gears, sizeof gears);
    i.engine_inertia = 0.0088501f;
    i.clutch_spring = 7500;
    i.clutch_damper = 0.75f;
    for (int k = 0; k < BIKE_TORQUE_POINTS; ++k) {
        i.torque_closed[k] = 2 - 0.5f * (float)k;          // idle at 2000 rpm
        i.torque_open[k] = k < 24 ? 10 + 1.25f * (float)k : 40 - 8 * (float)(k - 24);   // 0 at 14500
    }
    i.shift_down_rpm = 6000;
    i.shift_up_rpm = 10500;
    i.third_rpm = 12000;
    const float rider[3] = {0, 4.5f, 4.12f};
    memcpy(i.rider_position, rider, sizeof rider);
    i.rider_mass = 5.46875f;
    i.rider = rider_geometry{{0, 0.808f, -0.943f},
                             {{-0.556f, 0.580f, -0.6545f}, {0.556f, 0.580f, -0.6545f}},
                             {{-0.269f, -0.571f, 0.6706f}, {0.269f, -0.571f, 0.6706f}},
                             {{-1.097f, 1.145f, 0.753f}, {1.097f, 1.145f, 0.753f}},
                             {{-0.6f, -0.557f, 0.584f}, {0.6f, -0.557f, 0.584f}},
                             0.9f, 1.15f, 1.328f, 1.701f};
    return i;
}

// Bikes without a window: no textures, plate or shapes.
static unsigned no_texture(const char *) { return 0; }
static const char *no_info(unsigned) { return nullptr; }
static unsigned no_plate(const char *, const unsigned char *, const unsigned char *) { return 0; }
static void no_plate_delete(unsigned) {}
static shape *no_shape(const char *) { return nullptr; }
static void no_shape_free(shape *) {}
static const bike_resource_loaders headless = {no_texture, no_info, no_plate, no_plate_delete, no_shape, no_shape_free};

void rig_rest(physics_rig *r)
{
    bike_reset_pose(r->b);
    r->b->input.clutch = 1;
    for (int w = 0; w < 2; ++w) rig_wheel_contact(r, w, false, 0);
}

void rig_wheel_contact(physics_rig *r, int wheel, bool touching, float speed_fps)
{
    wheel_record &w = r->b->wheels[wheel];
    w.depth = touching ? 0.05f : 0;
    w.contact_velocity[0] = 0;
    w.contact_velocity[1] = 0;
    w.contact_velocity[2] = -speed_fps;
}

void rig_pose_swingarm(physics_rig *r, float angle_rad)
{
    dBodyID arm = r->b->bodies[BODY_SWINGARM];
    dMatrix3 rot;
    for (float sign : {1.0f, -1.0f}) {
        dRFromAxisAndAngle(rot, 1, 0, 0, sign * angle_rad);
        dBodySetRotation(arm, rot);
        if (std::fabs(dJointGetHingeAngle(r->b->joints[JOINT_SWINGARM]) - angle_rad) < 1e-5) return;
    }
}

void rig_spin_rear(physics_rig *r, float rate)
{
    // The hinge reads the swingarm's spin relative to the wheel's: a wheel rolling forward
    // (toward -z) turns about -x.
    dBodySetAngularVel(r->b->bodies[BODY_SWINGARM], 0, 0, 0);
    dBodySetAngularVel(r->b->bodies[BODY_REAR_WHEEL], -rate, 0, 0);
}

void rig_set_friction(physics_rig *r, float mu) { r->ground->friction[0][0] = mu; }

void rig_world_step(physics_rig *r)
{
    world_step(physics_world, tick, &r->b, 1);
    dJointGroupEmpty(contact_group);
}

void rig_open(physics_rig *r)
{
    dInitODE2(0);
    physics_world = dWorldCreate();
    dWorldSetGravity(physics_world, 0, -32, 0);
    contact_group = dJointGroupCreate(0);
    tick_count = 100;

    terrain_field *t = (terrain_field *)calloc(1, sizeof(terrain_field));
    t->lod_depth = 2;
    t->grid_dim = 9;
    t->cell_size = 2;
    t->tile_size = 4;
    t->world_size = 16;
    t->heights = (float *)calloc(2 * 81, sizeof(float));
    t->loaded_heights = t->heights + 81;
    t->tilemap = (unsigned char *)calloc(16, 1);
    t->tile_count = 1;
    t->friction[0][0] = 1;
    r->ground = t;
    r->saved_terrain = terrain_ptr;
    terrain_ptr = t;

    bike_resources_set(&headless);
    const bike_info info = rig_info();
    bike *b = bike_create_from_info(&info, 0, "7", nullptr, nullptr, nullptr, nullptr);
    r->b = b;
    b->input.clutch = 1;

    // The setup the tests count on, whatever the defaults.
    b->final_drive = info.rear_teeth / info.front_teeth;
    bike_tuning &s = b->tuning;
    s.roll_damping = 60;
    s.leveling = 40;
    s.roll_limit_factor = 1;
    s.roll_limit_angle = 0.7f;
    s.steering_damping = 45;
    s.steering_strength = 40;
    s.max_steering_force = 300;
    s.direct_steering = 1;
    s.slow_damping_speed = 0;
    s.slow_damping_factor = 1;
    s.land_damping_falloff = 0.25f;
    s.land_damping_factor = 2;
    s.auto_clutch_rpms = 2500;
    s.front_brake_torque = 300;
    s.rear_brake_torque = 200;
    s.max_dab_speed_fps = 20;
    s.full_lock_speed = 5;
    s.restricted_lock_speed = 50;
    s.restricted_lock = 0.05f;
    b->fork = {60, 0, 32, 0, 600, 0.04f, 0};
    b->shock = {1600, 0, 1300, 150, 3800, 0.17f, 0};
    b->option_flags = OPTION_BIT0;
}

void rig_close(physics_rig *r)
{
    bike_destroy(r->b);
    bike_resources_set(nullptr);
    dJointGroupDestroy(contact_group);
    dWorldDestroy(physics_world);
    contact_group = nullptr;
    physics_world = nullptr;
    dCloseODE();
    terrain_ptr = r->saved_terrain;
    free(r->ground->heights);
    free(r->ground->tilemap);
    free(r->ground);
}

