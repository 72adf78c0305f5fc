// bike/steering.h — normal (not arcade) steering: one torque about the steering axis, between
// the front wheel and the frame, that holds the bike up, leans it into turns and keeps the
// front wheel's slide within a lock that shrinks with speed and grip.
#pragma once

struct bike;

// How close the front wheel is to its lock, 0..1, as the last steering step left it (0 while
// the rider is down). The dab step of the same bike reads it.
extern float lock_nearness;

// Adds size (lbf·ft) about the steering axis to the front wheel and its negative to the frame.
void  bike_apply_steering_torque(bike *b, float size);
// The front wheel's slide angle (rad) in the steering plane; 0 below 1 ft/s.
float bike_get_front_slip_angle(bike *b);
// A steering command in -2/3..2/3 that turns the bars toward target_rad.
float bike_steer_toward_angle(bike *b, float target_rad);
// The steering lock (rad, at most π/4) at front rolling speed w_fps on friction mu.
float bike_steering_lock(bike *b, float w_fps, float mu);
// The friction of the surface tile under the front wheel's centre, at least 0.125.
float bike_front_friction(bike *b);
void  bike_steering_step(bike *b);
