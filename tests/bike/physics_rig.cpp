#include "physics_rig.h"

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
    return i;
}

static void body_at(dBodyID body, const float p[3])
{
    dMatrix3 identity;
    dRSetIdentity(identity);
    dBodySetPosition(body, p[0], p[1], p[2]);
    dBodySetRotation(body, identity);
    dBodySetLinearVel(body, 0, 0, 0);
    dBodySetAngularVel(body, 0, 0, 0);
    dBodySetForce(body, 0, 0, 0);
    dBodySetTorque(body, 0, 0, 0);
}

static void set_mass(dBodyID body, double mass, double x, double y, double z)
{
    dMass m;
    dMassSetBoxTotal(&m, mass, x, y, z);
    dBodySetMass(body, &m);
}

// A hub sphere and sixteen tyre spheres around the rim, as a bike's wheels are weighted.
static void wheel_mass(dBodyID body, const bike_wheel_info &w)
{
    dMass total, piece;
    dMassSetSphereTotal(&total, w.hub_mass, w.hub_radius);
    dMatrix3 turn;
    dRFromAxisAndAngle(turn, 1, 0, 0, M_PI / 8);
    double at[3] = {0, w.radius, 0};
    for (int k = 0; k < 16; ++k) {
        dMassSetSphereTotal(&piece, w.tyre_mass / 16, w.tube_radius);
        dMassTranslate(&piece, at[0], at[1], at[2]);
        dMassAdd(&total, &piece);
        double y = at[1] * turn[5] + at[2] * turn[6], z = at[1] * turn[9] + at[2] * turn[10];
        at[1] = y;
        at[2] = z;
    }
    total.c[0] = total.c[1] = total.c[2] = 0;   // the rim is symmetric: only rounding is left
    dBodySetMass(body, &total);
}

static const float *rest_position(const bike_info &i, int body)
{
    switch (body) {
    case BODY_FRAME: return i.frame_position;
    case BODY_FRONT_WHEEL: return i.front_wheel.center;
    case BODY_REAR_WHEEL: return i.rear_wheel.center;
    case BODY_FORK_UPPER: return i.fork_upper_position;
    case BODY_FORK_LOWER: return i.fork_lower_position;
    case BODY_SWINGARM: return i.swingarm_position;
    default: return i.rider_position;
    }
}

static void attach_rider(bike *b)
{
    const bike_info &i = b->info;
    dJointID j = b->joints[JOINT_RIDER];
    dJointAttach(j, b->bodies[BODY_RIDER], b->bodies[BODY_FRAME]);
    dJointSetHinge2Anchor(j, 0, i.rider_position[1], -50);
    const dReal axis1[3] = {0, 1, 1}, axis2[3] = {1, 0, 0};
    dJointSetHinge2Axes(j, axis1, axis2);
    dJointSetHinge2Param(j, dParamLoStop, 0);
    dJointSetHinge2Param(j, dParamHiStop, 0);
}

void rig_rest(physics_rig *r)
{
    bike *b = r->b;
    for (int k = 0; k < BIKE_BODIES; ++k) body_at(b->bodies[k], rest_position(b->info, k));
    dJointDestroy(b->joints[JOINT_RIDER]);
    b->joints[JOINT_RIDER] = dJointCreateHinge2(physics_world, nullptr);
    attach_rider(b);
    dJointSetFeedback(b->joints[JOINT_RIDER], &b->feedback[JOINT_RIDER]);
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

void rig_world_step(physics_rig *)
{
    dWorldQuickStep(physics_world, tick);
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

    bike *b = new bike{};
    r->b = b;
    b->info = rig_info();
    const bike_info &i = b->info;
    dWorldID w = physics_world;
    for (int k = 0; k < BIKE_BODIES; ++k) b->bodies[k] = dBodyCreate(w);
    dBodySetFiniteRotationMode(b->bodies[BODY_FRONT_WHEEL], 1);
    dBodySetFiniteRotationMode(b->bodies[BODY_REAR_WHEEL], 1);
    set_mass(b->bodies[BODY_FRAME], i.frame_mass + i.rider_mass * 2 / 3, i.frame_box[0], i.frame_box[1], i.frame_box[2]);
    dMass m;
    dMassSetSphereTotal(&m, i.rider_mass / 3, 1);
    dBodySetMass(b->bodies[BODY_RIDER], &m);
    wheel_mass(b->bodies[BODY_FRONT_WHEEL], i.front_wheel);
    wheel_mass(b->bodies[BODY_REAR_WHEEL], i.rear_wheel);
    set_mass(b->bodies[BODY_FORK_UPPER], i.fork_mass, 0.8, 2, 0.2);
    set_mass(b->bodies[BODY_FORK_LOWER], i.fork_mass, 0.8, 2, 0.2);
    set_mass(b->bodies[BODY_SWINGARM], 2 * i.swingarm_mass, 0.4, 0.2, 2);
    for (int k = 0; k < BIKE_BODIES; ++k) body_at(b->bodies[k], rest_position(i, k));

    const float *u = i.fork_upper_position, *l = i.fork_lower_position;
    const dReal steer[3] = {u[0] - l[0], u[1] - l[1], u[2] - l[2]};
    dJointID j;
    j = b->joints[JOINT_FRONT_AXLE] = dJointCreateHinge(w, nullptr);
    dJointAttach(j, b->bodies[BODY_FORK_LOWER], b->bodies[BODY_FRONT_WHEEL]);
    dJointSetHingeAnchor(j, i.front_wheel.center[0], i.front_wheel.center[1], i.front_wheel.center[2]);
    dJointSetHingeAxis(j, 1, 0, 0);
    j = b->joints[JOINT_REAR_AXLE] = dJointCreateHinge(w, nullptr);
    dJointAttach(j, b->bodies[BODY_SWINGARM], b->bodies[BODY_REAR_WHEEL]);
    dJointSetHingeAnchor(j, i.rear_wheel.center[0], i.rear_wheel.center[1], i.rear_wheel.center[2]);
    dJointSetHingeAxis(j, 1, 0, 0);
    j = b->joints[JOINT_STEERING] = dJointCreateHinge(w, nullptr);
    dJointAttach(j, b->bodies[BODY_FORK_UPPER], b->bodies[BODY_FRAME]);
    dJointSetHingeAnchor(j, u[0], u[1], u[2]);
    dJointSetHingeAxis(j, steer[0], steer[1], steer[2]);
    dJointSetHingeParam(j, dParamLoStop, -M_PI / 4);
    dJointSetHingeParam(j, dParamHiStop, M_PI / 4);
    j = b->joints[JOINT_FORK_SLIDER] = dJointCreateSlider(w, nullptr);
    dJointAttach(j, b->bodies[BODY_FORK_UPPER], b->bodies[BODY_FORK_LOWER]);
    dJointSetSliderAxis(j, steer[0], steer[1], steer[2]);
    dJointSetSliderParam(j, dParamBounce, 0);
    dJointSetSliderParam(j, dParamLoStop, -i.fork_travel);
    dJointSetSliderParam(j, dParamHiStop, 0);
    j = b->joints[JOINT_SWINGARM] = dJointCreateHinge(w, nullptr);
    dJointAttach(j, b->bodies[BODY_SWINGARM], b->bodies[BODY_FRAME]);
    dJointSetHingeAnchor(j, i.swingarm_pivot[0], i.swingarm_pivot[1], i.swingarm_pivot[2]);
    dJointSetHingeAxis(j, 1, 0, 0);
    dJointSetHingeParam(j, dParamBounce, 0);
    dJointSetHingeParam(j, dParamLoStop, -i.swingarm_angle_max);
    dJointSetHingeParam(j, dParamHiStop, 0);
    b->joints[JOINT_RIDER] = dJointCreateHinge2(w, nullptr);
    attach_rider(b);
    for (int k = 0; k < BIKE_JOINTS; ++k) dJointSetFeedback(b->joints[k], &b->feedback[k]);

    for (int k = 0; k < 2; ++k) {
        wheel_record &wr = b->wheels[k];
        const bike_wheel_info &wi = k == 0 ? i.front_wheel : i.rear_wheel;
        wr.body = b->bodies[k == 0 ? BODY_FRONT_WHEEL : BODY_REAR_WHEEL];
        wr.axle[0] = 1;
        wr.radius = wi.radius;
        wr.tube_radius = wi.tube_radius;
    }

    // The setup defaults of a new bike.
    b->engine_inertia = i.engine_inertia;
    b->final_drive = i.rear_teeth / i.front_teeth;
    b->input.clutch = 1;
    b->land_damping = 1;
    b->simulated_weight = 1;
    b->fall_start_tick = b->landing_tick = 0;
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
    for (int k = 0; k < BIKE_JOINTS; ++k) dJointDestroy(r->b->joints[k]);
    for (int k = 0; k < BIKE_BODIES; ++k) dBodyDestroy(r->b->bodies[k]);
    delete r->b;
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

// Until the small bike operations land: the lean, the ground height and the foot anchors as
// those operations define them, enough for these tests. Weak, so the real ones take over.
__attribute__((weak)) float bike_get_lean_angle(dBodyID frame)
{
    const dReal *rot = dBodyGetRotation(frame);   // row-major 3x4: column k is body axis k
    double side[3] = {rot[0], 0, rot[8]};
    double len = std::sqrt(side[0] * side[0] + side[2] * side[2]);
    if (len == 0) return 0;
    double up_dot_side = (rot[1] * side[0] + rot[9] * side[2]) / len;
    return (float)(std::acos(std::fmax(-1.0, std::fmin(1.0, up_dot_side))) - M_PI / 2);
}

__attribute__((weak)) float bike_terrain_height(const terrain_field *t, float x, float z)
{
    return terrain_height_at(t, x, z);
}

__attribute__((weak)) void bike_get_rider_anchors(bike *b, float left[3], float *left_weight, float right[3],
                                                 float *right_weight)
{
    for (int k = 0; k < 2; ++k) {
        const float *f = b->info.rider.feet[k];
        dVector3 p;
        dBodyGetRelPointPos(b->bodies[BODY_FRAME], f[0], f[1], f[2], p);
        float *out = k == 0 ? left : right;
        for (int i = 0; i < 3; ++i) out[i] = (float)p[i];
    }
    if (left_weight) *left_weight = 0;
    if (right_weight) *right_weight = 0;
}
