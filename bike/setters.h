// bike/setters.h — what bike/bike.h does not already declare of the bike's setters and
// readouts: the option bits, the setup getters, gears, race timing kept in the bike, and the
// robot personality. Every setter clamps its value and never refuses it.
#pragma once
#include <ode/ode.h>

struct bike;

// The setup block's defaults, the fork and shock defaults, final drive from the catalogue teeth.
void bike_default_tuning(bike *b);
// The frame as a box of frame mass + (1 - share) x rider mass, the rider a sphere of the share.
void bike_frame_rider_mass(bike *b, float rider_share);

void bike_set_option_bit0(bike *b, int on);
int  bike_get_option_bit0(bike *b);
int  bike_get_arcade(bike *b);
int  bike_get_stop_wheelies(bike *b);     // 0..3
int  bike_get_front_brake_aid(bike *b);
int  bike_get_rear_brake_aid(bike *b);
int  bike_get_auto_shift(bike *b);
int  bike_get_auto_dab(bike *b);
int  bike_get_auto_align(bike *b);

float bike_get_roll_damping(bike *b);
float bike_get_leveling(bike *b);
float bike_get_roll_limit_factor(bike *b);
float bike_get_roll_limit_angle(bike *b);
float bike_get_steering_damping(bike *b);
float bike_get_steering_strength(bike *b);
float bike_get_max_steering_force(bike *b);
float bike_get_direct_steering(bike *b);
float bike_get_slow_damping_speed(bike *b);
float bike_get_slow_damping_factor(bike *b);

void bike_set_gear(bike *b, int gear);
int  bike_get_gear(bike *b);
float bike_throttle(bike *b);
const char *bike_get_model_name(bike *b);
const char *bike_get_number_text(bike *b);
const char *bike_get_body_texture_name(bike *b);   // null when the texture has no name
const char *bike_get_head_texture_name(bike *b);
const char *bike_get_bike_texture_name(bike *b);
const char *bike_get_wheel_texture_name(bike *b);
float bike_get_speed_mph(bike *b);
float bike_info_max_rpm(bike *b);                  // the rev limit of the bike's curves
int   bike_has_mishap(bike *b);

// Gate times, in ticks, one per gate of the race's gate sequence; -1 where missing.
enum { BIKE_GATE_TIMES_MAX = 1 << 20 };
void  bike_record_gate_time(bike *b, int n, int tick);
int   bike_get_gate_time(bike *b, int n);
void  bike_set_gate_index(bike *b, int n);
int   bike_get_current_lap(bike *b);
int   bike_get_lap_gate(bike *b);
float bike_get_lap_time(bike *b, int n);    // seconds; n < 0: the current lap
int   bike_update_finished(bike *b);

// "hugo", "dorian", "ezra", "tester" are 1..4; anything else is logged and gives 1.
void bike_set_autopilot_personality(bike *b, const char *name);
