// bike/bike_info.h — one model of the built-in bike catalogue: the rest geometry and masses of
// the seven bodies, the suspension ranges the setup moves within, the gearbox, the torque
// curves, the rider and the files it is drawn from. A bike copies its record at creation and
// never reads the catalogue again.
//
// Units: feet, slugs, pounds, radians, rpm where named. Bike coordinates: x along the axles,
// y up, z to the rear (the front wheel has the smaller z).
#pragma once

enum { BIKE_TORQUE_POINTS = 50, BIKE_GEARS = 6, BIKE_INFO_FILES = 23, RIDER_BONES = 9 };

// Points of the torque curves lie 500 rpm apart from 0 rpm.
#define BIKE_TORQUE_STEP_RPM 500.0f

struct bike_wheel_info {
    float center[3];
    float radius;          // wheel radius R
    float tube_radius;     // tyre tube radius r
    float tyre_mass;
    float hub_radius;
    float hub_mass;
};

// Indices of bike_info::files, in the record's order. A null name means none.
enum bike_file {
    BIKE_FILE_FRAME_MODEL, BIKE_FILE_FRAME_SHAPE, BIKE_FILE_BIKE_TEXTURE,
    BIKE_FILE_FORK_UPPER_MODEL, BIKE_FILE_FORK_UPPER_SHAPE,
    BIKE_FILE_FORK_LOWER_MODEL, BIKE_FILE_FORK_LOWER_SHAPE,
    BIKE_FILE_SWINGARM_MODEL, BIKE_FILE_SWINGARM_SHAPE,
    BIKE_FILE_FRONT_WHEEL_MODEL, BIKE_FILE_FRONT_WHEEL_SHAPE,
    BIKE_FILE_REAR_WHEEL_MODEL, BIKE_FILE_REAR_WHEEL_SHAPE,
    BIKE_FILE_WHEEL_TEXTURE,
    BIKE_FILE_HEAD_MODEL, BIKE_FILE_HEAD_TEXTURE,
    BIKE_FILE_RIDER_BODY_MODEL, BIKE_FILE_RIDER_BODY_FP_MODEL, BIKE_FILE_RIDER_SHAPE,
    BIKE_FILE_RIDER_BODY_TEXTURE,
    BIKE_FILE_SIDE_PLATES_MODEL, BIKE_FILE_FRONT_PLATE_MODEL, BIKE_FILE_RIDER_PLATE_MODEL,
};

// The rider's posing geometry: points on the rider body, the upper fork and the frame, in
// those bodies' coordinates, and the limb lengths.
struct rider_geometry {
    float chest[3];              // on the centre line of the rider body
    float hands[2][3];           // left, right: the mirrored pair on the rider body
    float hips[2][3];            // left, right, on the rider body
    float grips[2][3];           // left, right handlebar grips, on the upper fork
    float feet[2][3];            // left, right foot pegs, on the frame
    float upper_arm, lower_arm;
    float upper_leg, lower_leg;
};

struct bike_info {
    const char *name;            // "450sxf(2018)"
    const char *engine_class;    // "50", "125", "250", "250f", "450f"
    bike_wheel_info front_wheel;
    bike_wheel_info rear_wheel;
    float frame_position[3];
    float frame_mass;            // without the rider
    float frame_box[3];          // sides of the frame's inertia box
    float fork_upper_position[3];   // top of the steering axis
    float swingarm_position[3];
    float swingarm_pivot[3];
    float fork_lower_position[3];   // bottom of the steering axis
    float fork_leg_spacing, fork_length, fork_mass;
    float fork_spring_range[2];     // lbf/ft, low and high
    float fork_preload_range[2];
    float fork_air_length_range[2]; // chosen by the oil level
    float fork_damping_base[4];     // high-speed compression, low-speed compression,
                                    // high-speed rebound, low-speed rebound
    float fork_travel;
    float swingarm_mass;            // of each of its two inertia boxes
    float shock_spring_range[2];
    float shock_preload_range[2];
    float shock_damping_base[4];    // in the fork's order
    // Swingarm leverage: curve value at the break point and at full travel, the largest
    // swingarm angle, the break point, and the slopes at 0, at the break point and at full travel.
    float leverage_at_break, leverage_at_full, swingarm_angle_max, leverage_break;
    float leverage_slope[3];
    float primary_ratio;
    float front_teeth, rear_teeth;
    float gear_ratios[BIKE_GEARS];  // first gear first; 0 or less: no such gear
    float engine_inertia;
    float clutch_spring, clutch_damper;
    float torque_closed[BIKE_TORQUE_POINTS];   // lbf·ft, one point per 500 rpm
    float torque_open[BIKE_TORQUE_POINTS];
    float shift_down_rpm, shift_up_rpm;
    float third_rpm;                // only bike_info_max_rpm reads it (the rev limit of the curves)
    float rider_lean_direction[3];
    float rider_position[3];
    float rider_lean_limits[2];     // low, high
    float rider_mass;
    const char *files[BIKE_INFO_FILES];        // searched "@" names, by bike_file
    rider_geometry rider;
    const float (*bones)[3];        // the shared rider bone table, RIDER_BONES points
};
