// bike/bike.h — the simulated bike and rider as the rest of the game reaches it: creation,
// controls, setup setters, bodies and contacts.
#pragma once
#include <ode/ode.h>

#include "bike/bike_info.h"

struct bike;

void        bike_destroy(bike *b);
void        bike_reset_pose(bike *b);
void        bike_translate(bike *b, float dx, float dy, float dz);   // feet
int         bike_terrain_collide(bike *b);   // adds contacts to the world's contact group
void        bike_update_wheel_tracks(bike *b);
dBodyID     bike_get_frame_body(bike *b);
dBodyID     bike_get_rider_body(bike *b);
float       bike_get_clutch(bike *b);
int         bike_get_gate_index(bike *b);
const char *bike_get_engine_class(bike *b);

// Per-tick controls. Throttle, dab, back-up and lean read 0 while crashed.
void bike_set_steer(bike *b, float steer);           // -1..1
void bike_set_front_brake(bike *b, float amount);    // 0..1
void bike_set_rear_brake(bike *b, float amount);
void bike_set_throttle(bike *b, float amount);
void bike_set_dab(bike *b, float amount);
void bike_set_back_up(bike *b, float amount);
void bike_set_lean(bike *b, float lean);             // -1..1
void bike_set_clutch(bike *b, float engaged);        // 1 engaged
void bike_shift_gear(bike *b, int direction);        // -1, 0, +1 every tick

// Setup setters; each clamps its value.
void bike_set_arcade(bike *b, int on);
void bike_set_auto_clutch_rpms(bike *b, float rpms);
void bike_set_auto_shift(bike *b, int on);
void bike_set_auto_dab(bike *b, int on);
void bike_set_auto_align(bike *b, int on);
void bike_set_brake_torque(bike *b, float torque);
void bike_set_rear_brake_torque(bike *b, float torque);
void bike_set_direct_steering(bike *b, float value);
void bike_set_fork_setup(bike *b, float compression, float slow_compression, float rebound,
                         float slow_rebound, float spring, float preload, float oil_level);
void bike_set_shock_setup(bike *b, float compression, float slow_compression, float rebound,
                          float slow_rebound, float spring, float preload);
// The same two under the names the settings use: fork (with oil level) and shock. Factors
// 0.25..4, offsets -1..1, spring, preload and oil level 0..1 across the model's range.
void bike_set_spring_setup(bike *b, float compression, float slow_compression, float rebound,
                           float slow_rebound, float spring, float preload, float oil_level);
void bike_set_damping_setup(bike *b, float compression, float slow_compression, float rebound,
                            float slow_rebound, float spring, float preload);
void bike_set_front_brake_aid(bike *b, int antilock);
void bike_set_rear_brake_aid(bike *b, int antilock);
void bike_set_full_lock_speed(bike *b, float speed);
void bike_set_restricted_lock(bike *b, float angle_rad);
void bike_set_restricted_lock_speed(bike *b, float speed);
void bike_set_land_damping_falloff(bike *b, float value);
void bike_set_land_damping_factor(bike *b, float value);
void bike_set_leveling(bike *b, float value);
void bike_set_mass_distribution(bike *b, float value);
void bike_set_max_dab_speed(bike *b, float speed_fps);
void bike_set_max_steering_force(bike *b, float value);
void bike_set_rider_dampers(bike *b, float vertical, float forward);
void bike_set_rider_springs(bike *b, float vertical, float forward);
void bike_set_roll_damping(bike *b, float value);
void bike_set_roll_limit_angle(bike *b, float angle_rad);
void bike_set_roll_limit_factor(bike *b, float value);
void bike_set_slow_damping_speed(bike *b, float value);
void bike_set_slow_damping_factor(bike *b, float value);
void bike_set_sprockets(bike *b, float front, float rear);
void bike_set_steering_damping(bike *b, float value);
void bike_set_steering_strength(bike *b, float value);
void bike_set_stop_wheelies(bike *b, int mode);

// The built-in catalogue, newest model first.
extern const bike_info bike_catalogue[];
extern const int       bike_catalogue_count;

// Collision shapes of riders and objects.
struct shape;
shape      *shape_load_instance(const char *file_name);   // caller frees with mem_free
const char *shape_get_name(const shape *s);

// A wheel's ground contact as the wheel contact code leaves it each tick; erosion reads it.
struct wheel_record {
    dBodyID        body;
    float          axle[3];               // in body coordinates, (1, 0, 0)
    float          radius;                // wheel radius R
    float          tube_radius;           // tyre tube radius r
    float          contact_point[3];      // world ft
    float          contact_velocity[3];   // of the wheel body at the contact, ft/s
    float          contact_normal[3];     // unit, from the ground into the wheel
    float          depth;                 // ft; above 0 while the wheel touches the ground
    dJointFeedback feedback;              // the contact joint's force on the wheel body (f1)
};
void            shape_cache_free(void);
