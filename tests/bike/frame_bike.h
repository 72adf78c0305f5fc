// A headless bike for the frame tests, built the way creation builds one (bodies at the first
// catalogue model's rest places, the six joints with their axes and stops), but with no files,
// shapes or textures behind it. Header-only, so the frame benchmark and fuzz target share it.
#pragma once
#include <cstdlib>
#include <cstring>
#include <ode/ode.h>

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

inline bike *fixture_bike_create(const bike_info &info)
{
    fixture_physics_world();
    bike *b = (bike *)std::calloc(1, sizeof(bike));
    b->info = info;
    const float *places[BIKE_BODIES] = {info.frame_position, info.front_wheel.center,
                                        info.rear_wheel.center, info.fork_upper_position,
                                        info.fork_lower_position, info.swingarm_position,
                                        info.rider_position};
    const float masses[BIKE_BODIES] = {info.frame_mass + info.rider_mass * 2 / 3, 0.56f, 0.78f,
                                       info.fork_mass, info.fork_mass, 2 * info.swingarm_mass,
                                       info.rider_mass / 3};
    for (int i = 0; i < BIKE_BODIES; ++i) {
        dBodyID body = dBodyCreate(physics_world);
        dMass m;
        dMassSetSphereTotal(&m, masses[i], 0.5);
        dBodySetMass(body, &m);
        dBodySetPosition(body, places[i][0], places[i][1], places[i][2]);
        b->bodies[i] = body;
    }
    dBodySetFiniteRotationMode(b->bodies[BODY_FRONT_WHEEL], 1);
    dBodySetFiniteRotationMode(b->bodies[BODY_REAR_WHEEL], 1);
    for (int w = 0; w < 2; ++w) {
        const bike_wheel_info &wi = w ? info.rear_wheel : info.front_wheel;
        b->wheels[w].body = b->bodies[w ? BODY_REAR_WHEEL : BODY_FRONT_WHEEL];
        b->wheels[w].axle[0] = 1;
        b->wheels[w].radius = wi.radius;
        b->wheels[w].tube_radius = wi.tube_radius;
    }

    dJointID *j = b->joints;
    const float *fw = info.front_wheel.center, *rw = info.rear_wheel.center;
    const float *up = info.fork_upper_position, *lo = info.fork_lower_position;
    const float axis[3] = {up[0] - lo[0], up[1] - lo[1], up[2] - lo[2]};
    j[JOINT_FRONT_AXLE] = dJointCreateHinge(physics_world, nullptr);
    dJointAttach(j[JOINT_FRONT_AXLE], b->bodies[BODY_FORK_LOWER], b->bodies[BODY_FRONT_WHEEL]);
    dJointSetHingeAnchor(j[JOINT_FRONT_AXLE], fw[0], fw[1], fw[2]);
    dJointSetHingeAxis(j[JOINT_FRONT_AXLE], 1, 0, 0);
    j[JOINT_REAR_AXLE] = dJointCreateHinge(physics_world, nullptr);
    dJointAttach(j[JOINT_REAR_AXLE], b->bodies[BODY_SWINGARM], b->bodies[BODY_REAR_WHEEL]);
    dJointSetHingeAnchor(j[JOINT_REAR_AXLE], rw[0], rw[1], rw[2]);
    dJointSetHingeAxis(j[JOINT_REAR_AXLE], 1, 0, 0);
    j[JOINT_STEERING] = dJointCreateHinge(physics_world, nullptr);
    dJointAttach(j[JOINT_STEERING], b->bodies[BODY_FORK_UPPER], b->bodies[BODY_FRAME]);
    dJointSetHingeAnchor(j[JOINT_STEERING], up[0], up[1], up[2]);
    dJointSetHingeAxis(j[JOINT_STEERING], axis[0], axis[1], axis[2]);
    dJointSetHingeParam(j[JOINT_STEERING], dParamLoStop, -M_PI / 4);
    dJointSetHingeParam(j[JOINT_STEERING], dParamHiStop, M_PI / 4);
    j[JOINT_FORK_SLIDER] = dJointCreateSlider(physics_world, nullptr);
    dJointAttach(j[JOINT_FORK_SLIDER], b->bodies[BODY_FORK_UPPER], b->bodies[BODY_FORK_LOWER]);
    dJointSetSliderAxis(j[JOINT_FORK_SLIDER], axis[0], axis[1], axis[2]);
    dJointSetSliderParam(j[JOINT_FORK_SLIDER], dParamLoStop, -info.fork_travel);
    dJointSetSliderParam(j[JOINT_FORK_SLIDER], dParamHiStop, 0);
    j[JOINT_SWINGARM] = dJointCreateHinge(physics_world, nullptr);
    dJointAttach(j[JOINT_SWINGARM], b->bodies[BODY_SWINGARM], b->bodies[BODY_FRAME]);
    dJointSetHingeAnchor(j[JOINT_SWINGARM], info.swingarm_pivot[0], info.swingarm_pivot[1],
                         info.swingarm_pivot[2]);
    dJointSetHingeAxis(j[JOINT_SWINGARM], 1, 0, 0);
    dJointSetHingeParam(j[JOINT_SWINGARM], dParamLoStop, -info.swingarm_angle_max);
    dJointSetHingeParam(j[JOINT_SWINGARM], dParamHiStop, 0);
    j[JOINT_RIDER] = dJointCreateHinge2(physics_world, nullptr);
    dJointAttach(j[JOINT_RIDER], b->bodies[BODY_RIDER], b->bodies[BODY_FRAME]);
    dJointSetHinge2Anchor(j[JOINT_RIDER], 0, info.rider_position[1], -50);
    const dReal a1[3] = {0, 1, 1}, a2[3] = {1, 0, 0};
    dJointSetHinge2Axes(j[JOINT_RIDER], a1, a2);
    dJointSetHinge2Param(j[JOINT_RIDER], dParamLoStop, 0);
    dJointSetHinge2Param(j[JOINT_RIDER], dParamHiStop, 0);
    for (int i = 0; i < BIKE_JOINTS; ++i) dJointSetFeedback(j[i], &b->feedback[i]);
    b->simulated_weight = 1;
    return b;
}

inline void fixture_bike_destroy(bike *b)
{
    for (dBodyID body : b->bodies) dBodyDestroy(body);
    for (dJointID joint : b->joints) dJointDestroy(joint);
    std::free(b);
}
