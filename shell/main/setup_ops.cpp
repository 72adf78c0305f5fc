// The bike setup's own setters: the setup pages and the setup files reach the bike through
// this table (tests hand in recorders instead).
#include "shell/setup.h"
#include "shell/seams_neighbours.h"
#include "bike/bike.h"
#include "platform/clock.h"

static double clock_seconds(void)
{
    int s, us;
    kubl_time_now(&s, &us);
    return s + us * 1e-6;
}

const setup_bike_ops setup_bike_default_ops = {
    bike_get_frame_body, clock_seconds, net_no_arcade_rule,
    bike_set_leveling, bike_set_roll_damping, bike_set_roll_limit_angle, bike_set_roll_limit_factor,
    bike_set_steering_damping, bike_set_steering_strength, bike_set_max_steering_force,
    bike_set_arcade, bike_set_front_brake_aid, bike_set_rear_brake_aid, bike_set_stop_wheelies,
    bike_set_auto_shift, bike_set_auto_dab, bike_set_auto_align, bike_set_direct_steering,
    bike_set_slow_damping_speed, bike_set_slow_damping_factor, bike_set_land_damping_falloff,
    bike_set_land_damping_factor, bike_set_full_lock_speed, bike_set_restricted_lock_speed,
    bike_set_restricted_lock, bike_set_auto_clutch_rpms, bike_set_brake_torque,
    bike_set_rear_brake_torque, bike_set_max_dab_speed, bike_set_sprockets, bike_set_spring_setup,
    bike_set_damping_setup, bike_set_rider_springs, bike_set_rider_dampers,
    bike_set_mass_distribution,
};
