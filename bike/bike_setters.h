// bike/bike_setters.h — the setup setters of a bike: each clamps its value to its own range and
// stores it; the settings code pushes a whole setup through them with apply_setup.
#pragma once
#include <ode/ode.h>

struct bike;

dBodyID bike_get_frame_body(bike *b);

void bike_set_leveling(bike *b, float value);
void bike_set_roll_damping(bike *b, float value);
void bike_set_roll_limit_angle(bike *b, float radians);
void bike_set_roll_limit_factor(bike *b, float value);
void bike_set_steering_damping(bike *b, float value);
void bike_set_steering_strength(bike *b, float value);
void bike_set_max_steering_force(bike *b, float value);
void bike_set_arcade(bike *b, int on);
void bike_set_front_brake_aid(bike *b, int antilock);
void bike_set_rear_brake_aid(bike *b, int antilock);
void bike_set_stop_wheelies(bike *b, int mode);   // 0 off, 3 both wheels, 2 front only
void bike_set_auto_shift(bike *b, int on);
void bike_set_auto_dab(bike *b, int on);
void bike_set_auto_align(bike *b, int on);
void bike_set_direct_steering(bike *b, float value);
void bike_set_slow_damping_speed(bike *b, float value);
void bike_set_slow_damping_factor(bike *b, float value);
void bike_set_land_damping_falloff(bike *b, float value);
void bike_set_land_damping_factor(bike *b, float value);
void bike_set_full_lock_speed(bike *b, float value);
void bike_set_restricted_lock_speed(bike *b, float value);
void bike_set_restricted_lock(bike *b, float radians);
void bike_set_auto_clutch_rpms(bike *b, float value);
void bike_set_brake_torque(bike *b, float value);
void bike_set_rear_brake_torque(bike *b, float value);
void bike_set_max_dab_speed(bike *b, float feet_per_second);
void bike_set_sprockets(bike *b, float front_adjustment, float rear_adjustment);
// Fork: compression factor, slow-compression offset, rebound factor, slow-rebound offset,
// spring, preload, oil level.
void bike_set_spring_setup(bike *b, float compression, float slow_compression, float rebound,
                           float slow_rebound, float spring, float preload, float oil_level);
// Shock: the same without the oil level.
void bike_set_damping_setup(bike *b, float compression, float slow_compression, float rebound,
                            float slow_rebound, float spring, float preload);
void bike_set_rider_springs(bike *b, float vertical, float forward);
void bike_set_rider_dampers(bike *b, float vertical, float forward);
void bike_set_mass_distribution(bike *b, float rider_share);
