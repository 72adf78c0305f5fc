// The bike's control and setup setters, option bits, gears and readouts.
#include "bike/setters.h"
#include "bike/bike_record.h"
#include "graphics/texture.h"
#include <cmath>

static float clampf(float v, float lo, float hi)
{
    // A NaN input lands on the low end rather than slipping through both tests.
    return v > hi ? hi : v >= lo ? v : lo;
}

static int rider_down(const bike *b) { return b->crash_counter > 0; }

void bike_set_throttle(bike *b, float v) { b->input.throttle = rider_down(b) ? 0 : clampf(v, 0, 1); }
void bike_set_clutch(bike *b, float v) { b->input.clutch = clampf(v, 0, 1); }
void bike_set_front_brake(bike *b, float v) { b->input.front_brake = clampf(v, 0, 1); }
void bike_set_rear_brake(bike *b, float v) { b->input.rear_brake = clampf(v, 0, 1); }
void bike_set_steer(bike *b, float v) { b->input.steer = clampf(v, -1, 1); }
void bike_set_dab(bike *b, float v) { b->input.dab = rider_down(b) ? 0 : clampf(v, 0, 1); }
void bike_set_back_up(bike *b, float v) { b->input.back_up = rider_down(b) ? 0 : clampf(v, 0, 1); }
void bike_set_lean(bike *b, float v) { b->input.lean = rider_down(b) ? 0 : clampf(v, -1, 1); }

static const float pi = 3.14159265358979323846f;

void bike_set_roll_damping(bike *b, float v) { b->tuning.roll_damping = clampf(v, 0, 100); }
void bike_set_leveling(bike *b, float v) { b->tuning.leveling = clampf(v, 0, 100); }
void bike_set_roll_limit_factor(bike *b, float v) { b->tuning.roll_limit_factor = clampf(v, 0, 64); }
void bike_set_roll_limit_angle(bike *b, float v) { b->tuning.roll_limit_angle = clampf(v, 0, pi); }
void bike_set_steering_damping(bike *b, float v) { b->tuning.steering_damping = clampf(v, 0, 100); }
void bike_set_steering_strength(bike *b, float v) { b->tuning.steering_strength = clampf(v, 0, 100); }
void bike_set_max_steering_force(bike *b, float v) { b->tuning.max_steering_force = clampf(v, 0, 1000); }
void bike_set_direct_steering(bike *b, float v) { b->tuning.direct_steering = clampf(v, 0, 1); }
void bike_set_slow_damping_speed(bike *b, float v) { b->tuning.slow_damping_speed = clampf(v, 0, 100); }
void bike_set_slow_damping_factor(bike *b, float v) { b->tuning.slow_damping_factor = clampf(v, 1, 10); }
void bike_set_land_damping_falloff(bike *b, float v) { b->tuning.land_damping_falloff = clampf(v, 0, 0.5f); }
void bike_set_land_damping_factor(bike *b, float v) { b->tuning.land_damping_factor = clampf(v, 1, 3); }
void bike_set_auto_clutch_rpms(bike *b, float v) { b->tuning.auto_clutch_rpms = clampf(v, 0, 5000); }
void bike_set_brake_torque(bike *b, float v) { b->tuning.front_brake_torque = clampf(v, 0, 500); }
void bike_set_rear_brake_torque(bike *b, float v) { b->tuning.rear_brake_torque = clampf(v, 0, 500); }
void bike_set_max_dab_speed(bike *b, float v) { b->tuning.max_dab_speed_fps = clampf(v, 7, 100); }
void bike_set_full_lock_speed(bike *b, float v) { b->tuning.full_lock_speed = clampf(v, 1, 100); }
void bike_set_restricted_lock_speed(bike *b, float v) { b->tuning.restricted_lock_speed = clampf(v, 1, 100); }
void bike_set_restricted_lock(bike *b, float v) { b->tuning.restricted_lock = clampf(v, 0, pi / 4); }

float bike_get_roll_damping(bike *b) { return b->tuning.roll_damping; }
float bike_get_leveling(bike *b) { return b->tuning.leveling; }
float bike_get_roll_limit_factor(bike *b) { return b->tuning.roll_limit_factor; }
float bike_get_roll_limit_angle(bike *b) { return b->tuning.roll_limit_angle; }
float bike_get_steering_damping(bike *b) { return b->tuning.steering_damping; }
float bike_get_steering_strength(bike *b) { return b->tuning.steering_strength; }
float bike_get_max_steering_force(bike *b) { return b->tuning.max_steering_force; }
float bike_get_direct_steering(bike *b) { return b->tuning.direct_steering; }
float bike_get_slow_damping_speed(bike *b) { return b->tuning.slow_damping_speed; }
float bike_get_slow_damping_factor(bike *b) { return b->tuning.slow_damping_factor; }

static void set_bits(unsigned char *flags, int mask, int shift, int value)
{
    *flags = (unsigned char)((*flags & ~(mask << shift)) | ((value & mask) << shift));
}

void bike_set_option_bit0(bike *b, int on) { set_bits(&b->option_flags, 1, 0, on); }
void bike_set_stop_wheelies(bike *b, int mode) { set_bits(&b->option_flags, 3, 1, mode); }
void bike_set_front_brake_aid(bike *b, int on) { set_bits(&b->option_flags, 1, 3, on); }
void bike_set_rear_brake_aid(bike *b, int on) { set_bits(&b->option_flags, 1, 4, on); }
void bike_set_auto_shift(bike *b, int on) { set_bits(&b->option_flags, 1, 5, on); }
void bike_set_auto_dab(bike *b, int on) { set_bits(&b->option_flags, 1, 6, on); }
void bike_set_auto_align(bike *b, int on) { set_bits(&b->option_flags, 1, 7, on); }
void bike_set_arcade(bike *b, int on) { set_bits(&b->option_flags2, 1, 0, on); }

int bike_get_option_bit0(bike *b) { return b->option_flags & 1; }
int bike_get_stop_wheelies(bike *b) { return (b->option_flags >> 1) & 3; }
int bike_get_front_brake_aid(bike *b) { return (b->option_flags >> 3) & 1; }
int bike_get_rear_brake_aid(bike *b) { return (b->option_flags >> 4) & 1; }
int bike_get_auto_shift(bike *b) { return (b->option_flags >> 5) & 1; }
int bike_get_auto_dab(bike *b) { return (b->option_flags >> 6) & 1; }
int bike_get_auto_align(bike *b) { return (b->option_flags >> 7) & 1; }
int bike_get_arcade(bike *b) { return b->option_flags2 & 1; }

static void set_damping(bike_suspension *s, const float base[4], float a, float c, float d, float e)
{
    s->compression = clampf(a, 0.25f, 4) * base[0];
    s->slow_compression = clampf(c, -1, 1) * base[1];
    s->rebound = clampf(d, 0.25f, 4) * base[2];
    s->slow_rebound = clampf(e, -1, 1) * base[3];
}

static float across(const float range[2], float s) { return range[0] + clampf(s, 0, 1) * (range[1] - range[0]); }

void bike_set_spring_setup(bike *b, float a, float c, float d, float e, float spring, float preload, float oil)
{
    const bike_info &in = b->info;
    set_damping(&b->fork, in.fork_damping_base, a, c, d, e);
    b->fork.spring_rate = across(in.fork_spring_range, spring);
    b->fork.preload = across(in.fork_preload_range, preload);
    b->fork.oil_level = across(in.fork_air_length_range, oil);
}

void bike_set_damping_setup(bike *b, float a, float c, float d, float e, float spring, float preload)
{
    const bike_info &in = b->info;
    set_damping(&b->shock, in.shock_damping_base, a, c, d, e);
    b->shock.spring_rate = across(in.shock_spring_range, spring);
    b->shock.preload = across(in.shock_preload_range, preload);
}

void bike_set_fork_setup(bike *b, float a, float c, float d, float e, float spring, float preload, float oil)
{
    bike_set_spring_setup(b, a, c, d, e, spring, preload, oil);
}

void bike_set_shock_setup(bike *b, float a, float c, float d, float e, float spring, float preload)
{
    bike_set_damping_setup(b, a, c, d, e, spring, preload);
}

void bike_set_rider_springs(bike *b, float vertical, float forward)
{
    b->rider_vertical_spring = clampf(vertical, 0, 1);
    b->rider_forward_spring = clampf(forward, 0, 1);
}

void bike_set_rider_dampers(bike *b, float vertical, float forward)
{
    b->rider_vertical_damping = clampf(vertical, 0, 1);
    b->rider_forward_damping = clampf(forward, 0, 1);
}

void bike_set_mass_distribution(bike *b, float m) { bike_frame_rider_mass(b, clampf(m, 0.33f, 0.5f)); }

void bike_set_sprockets(bike *b, float front, float rear)
{
    float f = std::floor(b->info.front_teeth + clampf(front, -2, 2));
    float r = std::floor(b->info.rear_teeth + clampf(rear, -2, 2));
    b->final_drive = (r > 3 ? r : 3) / (f > 3 ? f : 3);
}

void bike_default_tuning(bike *b)
{
    b->final_drive = b->info.rear_teeth / b->info.front_teeth;
    bike_set_spring_setup(b, 1, 0, 1, 0, 0.5f, 0.5f, 0);
    bike_set_damping_setup(b, 2, 0, 2, 1, 0.5f, 0.5f);
    b->rider_vertical_spring = 0.5f;
    b->rider_vertical_damping = 0.75f;
    b->rider_forward_spring = 0.5f;
    b->rider_forward_damping = 0.75f;
    b->tuning = bike_tuning{60, 20, 10, pi / 4, 45, 75, 400, 1, 0, 1, 0.25f, 2, 5000, 250, 250, 30, 10, 50,
                            0.0872665f};
    b->option_flags = 141;
    b->option_flags2 = 0;
}

// Gears without a positive ratio are skipped downwards.
static int usable_gear(const bike *b, int gear)
{
    gear = gear < 0 ? 0 : gear > 5 ? 5 : gear;
    while (gear > 0 && !(b->info.gear_ratios[gear] > 0)) --gear;
    return gear;
}

void bike_set_gear(bike *b, int gear) { b->gear = usable_gear(b, gear); }
int  bike_get_gear(bike *b) { return b->gear; }

void bike_shift_gear(bike *b, int direction)
{
    if (rider_down(b) || direction == b->last_shift || direction < -1 || direction > 1) return;
    b->last_shift = direction;
    b->gear = usable_gear(b, b->gear + direction);
}

dBodyID     bike_get_frame_body(bike *b) { return b->bodies[BODY_FRAME]; }
dBodyID     bike_get_rider_body(bike *b) { return b->bodies[BODY_RIDER]; }
float       bike_throttle(bike *b) { return b->input.throttle; }
float       bike_get_clutch(bike *b) { return b->input.clutch; }
const char *bike_get_model_name(bike *b) { return b->info.name; }
const char *bike_get_engine_class(bike *b) { return b->info.engine_class; }
const char *bike_get_number_text(bike *b) { return b->number_text; }

static const char *texture_name(unsigned id)
{
    int index;
    return id ? texture_find_by_id(id, &index) : nullptr;
}
const char *bike_get_body_texture_name(bike *b) { return texture_name(b->handles.rider_body_texture); }
const char *bike_get_head_texture_name(bike *b) { return texture_name(b->handles.head_texture); }
const char *bike_get_bike_texture_name(bike *b) { return texture_name(b->handles.bike_texture); }
const char *bike_get_wheel_texture_name(bike *b) { return texture_name(b->handles.wheel_texture); }

float bike_get_speed_mph(bike *b)
{
    dBodyID frame = b->bodies[BODY_FRAME];
    const dReal *v = dBodyGetLinearVel(frame);
    const dReal *r = dBodyGetRotation(frame);
    // The frame's z axis in world terms is the third column of its rotation.
    double along = v[0] * r[2] + v[1] * r[6] + v[2] * r[10];
    return (float)(-along * 0.6818181818181819);
}

float bike_info_max_rpm(bike *b) { return b->info.third_rpm; }

int bike_has_mishap(bike *b) { return b->mishap_flag && !b->finished; }
