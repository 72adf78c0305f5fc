// bike/bike_record.h — the simulated bike with its rider: a copy of its catalogue record, seven
// ODE bodies joined by six joints, two wheel records, the control inputs, the drivetrain, the
// setup, the race's gate times, the robot's working arrays, the drawing handles and the crash
// and foot-anchor state. Only the bike subsystem and the code that steps, packs and draws bikes
// reach inside; everything else goes through bike/bike.h.
//
// Units: feet, slugs, pounds, radians, ticks of 1/128 s. The bike faces -z in its rest pose.
#pragma once
#include <ode/ode.h>

#include "bike/bike.h"
#include "bike/bike_info.h"
#include "platform/array.h"
#include "terrain/erosion.h"

struct km_mesh;
typedef km_mesh km_model;   // graphics/model.h
struct shape;

enum bike_body_index {
    BODY_FRAME, BODY_FRONT_WHEEL, BODY_REAR_WHEEL, BODY_FORK_UPPER, BODY_FORK_LOWER,
    BODY_SWINGARM, BODY_RIDER, BIKE_BODIES
};
enum bike_joint_index {
    JOINT_FRONT_AXLE, JOINT_REAR_AXLE, JOINT_STEERING, JOINT_FORK_SLIDER, JOINT_SWINGARM,
    JOINT_RIDER, BIKE_JOINTS
};
enum { WHEEL_FRONT, WHEEL_REAR };

// The nine control inputs.
struct bike_inputs {
    float throttle;      // 0..1
    float clutch;        // 0..1, 1 engaged
    float front_brake;   // 0..1
    float rear_brake;    // 0..1
    float steer;         // -1..1
    float dab;           // 0..1
    float foot_down;     // 0..1: raised while a foot is down, falls by 4 per second otherwise
    float back_up;       // 0..1
    float lean;          // -1..1
};

// Fork (with oil level) and shock as the setters leave them: damping coefficients and offsets
// already scaled by the catalogue's bases, spring rate and preload inside the catalogue's ranges.
struct bike_suspension {
    float compression, slow_compression, rebound, slow_rebound;
    float spring_rate, preload;
    float oil_level;     // the fork's air length; unused on the shock
};

// The setup block, in the order the setup keys list it.
struct bike_tuning {
    float roll_damping, leveling, roll_limit_factor, roll_limit_angle;
    float steering_damping, steering_strength, max_steering_force, direct_steering;
    float slow_damping_speed, slow_damping_factor;
    float land_damping_falloff, land_damping_factor;
    float auto_clutch_rpms;
    float front_brake_torque, rear_brake_torque;
    float max_dab_speed_fps;
    float full_lock_speed, restricted_lock_speed, restricted_lock;
};

// Drawing and contact handles.
struct bike_handles {
    km_model *frame_model;      shape *frame_shape;
    unsigned  bike_texture, bike_normal_map, bike_specular_map;
    km_model *fork_upper_model; shape *fork_upper_shape;
    km_model *fork_lower_model; shape *fork_lower_shape;
    km_model *swingarm_model;   shape *swingarm_shape;
    km_model *front_wheel_model; shape *front_wheel_shape;
    km_model *rear_wheel_model;  shape *rear_wheel_shape;
    unsigned  wheel_texture, wheel_normal_map, wheel_specular_map;
    km_model *head_model, *rider_body_model, *rider_body_fp_model;
    shape    *rider_shape;
    unsigned  head_texture, head_normal_map, head_specular_map;
    unsigned  rider_body_texture, rider_body_normal_map, rider_body_specular_map;
    km_model *side_plates_model, *front_plate_model, *rider_plate_model;
};

// The two foot points in world coordinates with their velocities.
struct rider_anchor_points {
    float foot[2][3];
    float velocity[2][3];
};

enum {
    OPTION_BIT0 = 1, OPTION_STOP_WHEELIES = 6, OPTION_FRONT_ANTILOCK = 8,
    OPTION_REAR_ANTILOCK = 16, OPTION_AUTO_SHIFT = 32, OPTION_AUTO_DAB = 64,
    OPTION_AUTO_ALIGN = 128,
    OPTION2_ARCADE = 1,
};

struct bike {
    bike_info info;                    // the catalogue copy the physics reads
    dBodyID bodies[BIKE_BODIES];
    dJointID joints[BIKE_JOINTS];
    dJointFeedback feedback[BIKE_JOINTS];
    wheel_record wheels[2];            // front, rear
    bike_inputs input;

    // Drivetrain.
    int   gear;                        // 0..5
    int   last_shift;                  // -1, 0, 1
    float engine_angle;                // rad
    float engine_speed;                // rad/s
    float engine_inertia;
    float final_drive;                 // rear teeth over front teeth

    bike_suspension fork, shock;
    float rider_vertical_spring, rider_vertical_damping;
    float rider_forward_spring, rider_forward_damping;

    int gate_index;                    // gates of the race's sequence passed
    growable_array gate_times;         // int ticks, one per gate; -1 where missing

    // Robot working state: line samples (20 bytes each) of the robot's path and learning.
    growable_array line_samples[2];
    int line_cursor;                   // cleared by the rest pose
    growable_array line_record;
    int robot_state[4];
    int personality;                   // 0..4
    float robot_float[2];
    int robot_stamp;                   // -1000000 after the rest pose
    int recent_line_ids[4];            // by gate section modulo 4
    float total_mass;

    bike_tuning tuning;
    bike_handles handles;
    unsigned plate_texture;            // 0 when none
    unsigned plate_texture_bytes;      // what the plate's upload added to the texture count
    char number_text[8];
    int rider_slot;

    int   contact_flags;               // -1 after the rest pose
    int   mishap_flag;
    float land_damping;                // the landing damping multiplier, 1 after the rest pose
    int   fall_start_tick, landing_tick;
    int   crash_counter;               // above 0 while the rider is down
    int   crash_count;

    rider_anchor_points anchors;
    float rider_velocity_ring[4][3];

    int   finished;
    float bump_timer;
    float steer_state;                 // cleared by the rest pose
    float simulated_weight;            // 0..1
    int   last_hit;                    // -1 after the rest pose

    erode_trail trails[2];             // front, rear
    unsigned char option_flags;        // OPTION_*
    unsigned char option_flags2;       // OPTION2_*
    int last_bump_tick;                // tick of the last bike-bike contact
};
