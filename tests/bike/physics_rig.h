// tests/bike/physics_rig.h — a headless bike for the physics sub-steps, made by bike creation
// from a record of our own without textures, plate or shapes, on a small flat ground, in the
// game's own world and contact group. Tests pose the bodies, set velocities and write the wheel
// records by hand, and step the world where a joint has to act.
#pragma once
#include <ode/ode.h>

#include "bike/bike_record.h"

struct terrain_field;

// Geometry, gearbox and suspension of a four-stroke 450, closed-throttle torque falling from
// +2 at 0 rpm to engine braking above idle (0 at 2000 rpm), open-throttle torque rising from 10
// to 40 lbf·ft at 12000 rpm and 0 at 14500 rpm, the engine's top speed.
bike_info rig_info(void);

struct physics_rig {
    bike *b;
    terrain_field *ground;     // 8 x 8 cells of 2 ft at height 0; tile 0 everywhere
    terrain_field *saved_terrain;
};

// Creates the world (gravity (0, -32, 0)) and contact group, the ground and the bike at rest,
// rider attached, clutch engaged, tick_count 100. The setup the tests count on: see the source.
void rig_open(physics_rig *r);
void rig_close(physics_rig *r);
// The rest pose again (inputs cleared, rider attached), clutch engaged, wheels off the ground.
void rig_rest(physics_rig *r);
// Both wheel records touching (depth 0.05) or not, contact velocity v each.
void rig_wheel_contact(physics_rig *r, int wheel, bool touching, float speed_fps);
// One world step of 1/128 s, emptying the contact group after it.
void rig_world_step(physics_rig *r);
// Turns the swingarm body about the axle direction so the swingarm hinge reads angle_rad.
void rig_pose_swingarm(physics_rig *r, float angle_rad);
// Gives the rear wheel the angular velocity that makes the rear axle hinge read rate (rad/s).
void rig_spin_rear(physics_rig *r, float rate);
// The friction of tile 0.
void rig_set_friction(physics_rig *r, float mu);
