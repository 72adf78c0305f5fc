// Stand-ins for the bike subsystem until it lands: every operation does nothing and reports
// nothing, so the shell and the loaders can call them in their real places.
#include "bike/bike.h"
#include "bike/engine_sound.h"

void        bike_destroy(bike *) {}
void        bike_reset_pose(bike *) {}
void        bike_translate(bike *, float, float, float) {}
int         bike_terrain_collide(bike *) { return 0; }
void        bike_update_wheel_tracks(bike *) {}
dBodyID     bike_get_frame_body(bike *) { return nullptr; }
dBodyID     bike_get_rider_body(bike *) { return nullptr; }
float       bike_get_clutch(bike *) { return 1.0f; }
int         bike_get_gate_index(bike *) { return 0; }
const char *bike_get_engine_class(bike *) { return "250f"; }

void bike_set_steer(bike *, float) {}
void bike_set_front_brake(bike *, float) {}
void bike_set_rear_brake(bike *, float) {}
void bike_set_throttle(bike *, float) {}
void bike_set_dab(bike *, float) {}
void bike_set_back_up(bike *, float) {}
void bike_set_lean(bike *, float) {}
void bike_set_clutch(bike *, float) {}
void bike_shift_gear(bike *, int) {}

void bike_set_arcade(bike *, int) {}
void bike_set_auto_clutch_rpms(bike *, float) {}
void bike_set_auto_shift(bike *, int) {}
void bike_set_auto_dab(bike *, int) {}
void bike_set_auto_align(bike *, int) {}
void bike_set_brake_torque(bike *, float) {}
void bike_set_rear_brake_torque(bike *, float) {}
void bike_set_direct_steering(bike *, float) {}
void bike_set_fork_setup(bike *, float, float, float, float, float, float, float) {}
void bike_set_shock_setup(bike *, float, float, float, float, float, float) {}
void bike_set_front_brake_aid(bike *, int) {}
void bike_set_rear_brake_aid(bike *, int) {}
void bike_set_full_lock_speed(bike *, float) {}
void bike_set_restricted_lock(bike *, float) {}
void bike_set_restricted_lock_speed(bike *, float) {}
void bike_set_land_damping_falloff(bike *, float) {}
void bike_set_land_damping_factor(bike *, float) {}
void bike_set_leveling(bike *, float) {}
void bike_set_mass_distribution(bike *, float) {}
void bike_set_max_dab_speed(bike *, float) {}
void bike_set_max_steering_force(bike *, float) {}
void bike_set_rider_dampers(bike *, float, float) {}
void bike_set_rider_springs(bike *, float, float) {}
void bike_set_roll_damping(bike *, float) {}
void bike_set_roll_limit_angle(bike *, float) {}
void bike_set_roll_limit_factor(bike *, float) {}
void bike_set_slow_damping_speed(bike *, float) {}
void bike_set_slow_damping_factor(bike *, float) {}
void bike_set_sprockets(bike *, float, float) {}
void bike_set_steering_damping(bike *, float) {}
void bike_set_steering_strength(bike *, float) {}
void bike_set_stop_wheelies(bike *, int) {}

void *engine_voices[160];
void engine_sound_update(int, float) {}
void engine_sound_tables_free(void) {}
void engine_sound_table_list_free(void) {}
void engine_sound_compute_pipe(float, float, float, int, int, engine_sound_params *) {}
