// bike/small_ops.h — small operations on bikes that the physics, the frame playback, the robots
// and the drawing share.
#pragma once
#include <ode/ode.h>

struct bike;
struct terrain_field;

// The roll of the frame in radians, 0 upright, positive leaning to the left (-x).
float bike_get_lean_angle(dBodyID frame);
// The ground height at (x, z); 0 without a field.
float bike_terrain_height(const terrain_field *t, float x, float z);
// A horizontal force toward the target velocity: none below 0.25 ft/s of difference, the full
// limit from 1.5 ft/s.
void  body_match_velocity(dBodyID body, float force_limit, const float target[3]);
