// bike/physics_step.h — one tick of a bike's own control: the suspension, the rider on his
// springs, the crash phases, the riding aids, steering, the drivetrain and the dab. It moves no
// body itself: it reads what the last world step left and sets motors, forces and soft contacts
// (in physics_world's contact group) for the next one.
#pragma once
#include <ode/ode.h>

struct bike;

// 1 while the bike is driven by its own physics (not by received or replayed frames).
int  bike_is_simulated(bike *b);
// The race step's hook before the physics; does nothing.
int  bike_pre_step(bike *b);
void bike_physics_step(bike *b);

// Pulls the two points (each in its body's coordinates) together once they are farther apart
// than length. The pull grows with the distance, not only with the stretch.
void bike_soft_tether(dBodyID a, const float point_a[3], dBodyID b, const float point_b[3], float length);

// A soft contact joint in the contact group from a spring k (lbf/ft) and a damper c (lbf·s/ft),
// pushing body a along normal (as given, not normalised) and b against it; no friction. None is
// made at a depth of 0 or less.
void bike_soft_contact(dBodyID a, dBodyID b, const float position[3], const float normal[3], float depth,
                       float k, float c);
// An angular motor in the contact group turning body about one world axis at rate (rad/s).
void bike_axis_motor(dBodyID body, const float axis[3], int relative, float rate, float force_limit);

// The suspension forces the step sets as motors: fork along its slider (lbf) and shock about
// the swingarm hinge (lbf·ft), from the joints' present position and rate.
float bike_fork_force(bike *b, float position, float rate);
float bike_shock_force(bike *b, float angle, float rate);
