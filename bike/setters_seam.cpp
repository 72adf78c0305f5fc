// Do-nothing setup setters until the simulated bike lands with the real ones.
#include "bike/bike_setters.h"

dBodyID bike_get_frame_body(bike *) { return nullptr; }
void bike_set_leveling(bike *, float) {}
void bike_set_roll_damping(bike *, float) {}
void bike_set_roll_limit_angle(bike *, float) {}
void bike_set_roll_limit_factor(bike *, float) {}
void bike_set_steering_damping(bike *, float) {}
void bike_set_steering_strength(bike *, float) {}
void bike_set_max_steering_force(bike *, float) {}
void bike_set_arcade(bike *, int) {}
void bike_set_front_brake_aid(bike *, int) {}
void bike_set_rear_brake_aid(bike *, int) {}
void bike_set_stop_wheelies(bike *, int) {}
void bike_set_auto_shift(bike *, int) {}
void bike_set_auto_dab(bike *, int) {}
void bike_set_auto_align(bike *, int) {}
void bike_set_direct_steering(bike *, float) {}
void bike_set_slow_damping_speed(bike *, float) {}
void bike_set_slow_damping_factor(bike *, float) {}
void bike_set_land_damping_falloff(bike *, float) {}
void bike_set_land_damping_factor(bike *, float) {}
void bike_set_full_lock_speed(bike *, float) {}
void bike_set_restricted_lock_speed(bike *, float) {}
void bike_set_restricted_lock(bike *, float) {}
void bike_set_auto_clutch_rpms(bike *, float) {}
void bike_set_brake_torque(bike *, float) {}
void bike_set_rear_brake_torque(bike *, float) {}
void bike_set_max_dab_speed(bike *, float) {}
void bike_set_sprockets(bike *, float, float) {}
void bike_set_spring_setup(bike *, float, float, float, float, float, float, float) {}
void bike_set_damping_setup(bike *, float, float, float, float, float, float) {}
void bike_set_rider_springs(bike *, float, float) {}
void bike_set_rider_dampers(bike *, float, float) {}
void bike_set_mass_distribution(bike *, float) {}
