// shell/setup.h — the bike setup: the setup widgets, their "key=value" lines (inside "@config"
// and in setup files), the stability presets and pushing a setup into a bike.
#pragma once
#include "shell/widget_values.h"
#include <ode/ode.h>

struct bike;
struct data_stream;

enum setup_slider_index {
    // Stability and its fifteen advanced values, in preset-table order after STABILITY.
    SETUP_STABILITY,
    SETUP_LEVELING,
    SETUP_ROLL_DAMPING,
    SETUP_ROLL_LIMIT_ANGLE,        // degrees
    SETUP_ROLL_LIMIT_FACTOR,
    SETUP_STEERING_DAMPING,
    SETUP_STEERING_STRENGTH,
    SETUP_MAX_STEERING_FORCE,
    SETUP_DIRECT_STEERING,
    SETUP_SLOW_DAMPING_SPEED,
    SETUP_SLOW_DAMPING_FACTOR,
    SETUP_LAND_DAMPING_FALLOFF,
    SETUP_LAND_DAMPING_FACTOR,
    SETUP_FULL_LOCK_SPEED,
    SETUP_RESTRICTED_LOCK_SPEED,
    SETUP_RESTRICTED_LOCK,         // degrees
    // Drivetrain, suspension and rider.
    SETUP_AUTO_CLUTCH_RPMS,
    SETUP_BRAKE_TORQUE,
    SETUP_REAR_BRAKE_TORQUE,
    SETUP_MAX_DAB_SPEED,           // mph
    SETUP_FRONT_SPROCKET,
    SETUP_REAR_SPROCKET,
    SETUP_FORK_COMPRESSION,
    SETUP_FORK_SLOW_COMPRESSION,
    SETUP_FORK_REBOUND,
    SETUP_FORK_SLOW_REBOUND,
    SETUP_FORK_SPRING_RATE,
    SETUP_FORK_PRELOAD,
    SETUP_FORK_OIL_LEVEL,
    SETUP_SHOCK_COMPRESSION,
    SETUP_SHOCK_SLOW_COMPRESSION,
    SETUP_SHOCK_REBOUND,
    SETUP_SHOCK_SLOW_REBOUND,
    SETUP_SHOCK_SPRING_RATE,
    SETUP_SHOCK_PRELOAD,
    SETUP_RIDER_YSPRING,
    SETUP_RIDER_YDAMPING,
    SETUP_RIDER_ZSPRING,
    SETUP_RIDER_ZDAMPING,
    SETUP_RIDER_MASS_DISTRIBUTION,
    SETUP_SLIDER_COUNT
};

enum setup_choice_index {
    SETUP_ARCADE,
    SETUP_FRONT_BRAKE,
    SETUP_REAR_BRAKE,
    SETUP_STOP_WHEELIES,
    SETUP_AUTO_SHIFT,
    SETUP_AUTO_DAB,
    SETUP_AUTO_ALIGN,
    SETUP_STICKY_DAB,
    SETUP_REVERSE_STEERING,
    SETUP_LEAN_INDICATOR,
    SETUP_CHOICE_COUNT
};

enum setup_graphics_index { SETUP_RIDER_GEAR, SETUP_HELMET, SETUP_BIKE_GRAPHICS, SETUP_WHEELS, SETUP_GRAPHICS_COUNT };

enum { SETUP_LINE_COUNT = 57, SETUP_STABILITY_ROWS = 15, SETUP_WANTED_BYTES = 1024 };

extern menu_choice     setup_bike;
extern menu_text_field setup_name;     // at most 63 characters
extern menu_text_field setup_number;   // at most 3 characters
extern menu_slider     setup_sliders[SETUP_SLIDER_COUNT];
extern menu_choice     setup_choices[SETUP_CHOICE_COUNT];
// "Riding Gear", "Helmet", "Bike Graphics", "Wheel Graphics": items are the graphics variants
// gathered at start-up; the wanted buffers hold what a setup line asked for.
extern menu_choice     setup_graphics[SETUP_GRAPHICS_COUNT];
extern char            setup_wanted_graphics[SETUP_GRAPHICS_COUNT][SETUP_WANTED_BYTES];
// Set when the player changes the bike, name, number or graphics; the online client reads and
// clears it to send the rider's details again.
extern int             setup_changed;

// What apply_setup drives: the bike's setters and the facts it reads. Tests swap in a recorder.
struct setup_bike_ops {
    dBodyID (*frame_body)(bike *b);
    double  (*now_seconds)(void);
    int     (*no_arcade)(void);
    void (*leveling)(bike *, float);
    void (*roll_damping)(bike *, float);
    void (*roll_limit_angle)(bike *, float);
    void (*roll_limit_factor)(bike *, float);
    void (*steering_damping)(bike *, float);
    void (*steering_strength)(bike *, float);
    void (*max_steering_force)(bike *, float);
    void (*arcade)(bike *, int);
    void (*front_brake_aid)(bike *, int);
    void (*rear_brake_aid)(bike *, int);
    void (*stop_wheelies)(bike *, int);
    void (*auto_shift)(bike *, int);
    void (*auto_dab)(bike *, int);
    void (*auto_align)(bike *, int);
    void (*direct_steering)(bike *, float);
    void (*slow_damping_speed)(bike *, float);
    void (*slow_damping_factor)(bike *, float);
    void (*land_damping_falloff)(bike *, float);
    void (*land_damping_factor)(bike *, float);
    void (*full_lock_speed)(bike *, float);
    void (*restricted_lock_speed)(bike *, float);
    void (*restricted_lock)(bike *, float);
    void (*auto_clutch_rpms)(bike *, float);
    void (*brake_torque)(bike *, float);
    void (*rear_brake_torque)(bike *, float);
    void (*max_dab_speed)(bike *, float);
    void (*sprockets)(bike *, float, float);
    void (*fork)(bike *, float, float, float, float, float, float, float);
    void (*shock)(bike *, float, float, float, float, float, float);
    void (*rider_springs)(bike *, float, float);
    void (*rider_dampers)(bike *, float, float);
    void (*mass_distribution)(bike *, float);
};
extern const setup_bike_ops setup_bike_default_ops;   // the bike's own setters (shell/main/)
// The program's top sets these at start-up: the table setup_init and a null setup_use_ops put
// in force (setup_bike_default_ops), and the catalogue's bike names for the "Bike" choice
// (fills at most capacity, returns the count).
extern const setup_bike_ops *setup_default_ops_hook;
extern int (*setup_bike_names_hook)(const char **names, int capacity);

// Every setup widget back to its default (the stability-100 preset, "yz250f(2017)").
void setup_init(void);
void setup_use_ops(const setup_bike_ops *ops);   // null restores the bike's own setters
const setup_bike_ops *setup_ops(void);            // the table in use; the setup pages call through it
void setup_select_bike(const char *model);        // the "Bike" choice
int  setup_stability(void);                       // the stability slider, truncated

// 1 when key is a setup key, whether or not the value was usable; 0 otherwise.
int  setup_set(const char *key, const char *value);
void setup_write(data_stream *s);
// Sets the fifteen advanced stability sliders from the presets; returns the lower anchor 0..4.
int  setup_set_defaults(int stability);
// Pushes the setup into the bike, or refuses while it moves (returns 0).
int  apply_setup(bike *b);

// Text of the selected item, "" when there is none.
const char *choice_item_text(const menu_choice *choice);
