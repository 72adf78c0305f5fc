// The setup reaching a real bike through its own setters.
#include "bike_fixture.h"
#include "bike/setters.h"
#include "shell/setup.h"
#include <cmath>

TEST_F(BikeWorld, ApplySetupReachesTheBike)
{
    setup_init();
    setup_use_ops(nullptr);
    // Values the sliders never offer are still cut to the bike's own ranges.
    setup_sliders[SETUP_ROLL_DAMPING].value = 150;
    setup_sliders[SETUP_SLOW_DAMPING_FACTOR].value = 0.5;
    setup_sliders[SETUP_MAX_DAB_SPEED].value = 2;   // mph: 2.93 ft/s, below the bike's 7
    bike *b = make();
    ASSERT_EQ(apply_setup(b), 1);
    EXPECT_FLOAT_EQ(bike_get_roll_damping(b), 100);
    EXPECT_FLOAT_EQ(bike_get_leveling(b), 20);
    EXPECT_FLOAT_EQ(bike_get_roll_limit_angle(b), 45 * 0.017453292519943295f);
    EXPECT_FLOAT_EQ(bike_get_roll_limit_factor(b), 32);
    EXPECT_FLOAT_EQ(bike_get_steering_damping(b), 60);
    EXPECT_FLOAT_EQ(bike_get_steering_strength(b), 75);
    EXPECT_FLOAT_EQ(bike_get_max_steering_force(b), 400);
    EXPECT_FLOAT_EQ(bike_get_direct_steering(b), 0.125f);
    EXPECT_FLOAT_EQ(bike_get_slow_damping_speed(b), 40);
    EXPECT_FLOAT_EQ(bike_get_slow_damping_factor(b), 1);
    EXPECT_FLOAT_EQ(b->tuning.max_dab_speed_fps, 7);
    EXPECT_FLOAT_EQ(b->tuning.restricted_lock, 0.017453292519943295f);
    EXPECT_FLOAT_EQ(b->tuning.front_brake_torque, 500);
    EXPECT_EQ(bike_get_arcade(b), 1);
    EXPECT_EQ(bike_get_stop_wheelies(b), 3);   // "Yes"
    EXPECT_EQ(bike_get_rear_brake_aid(b), 0);
    EXPECT_EQ(bike_get_auto_shift(b), 1);
    // Fork at 50 on every slider: coefficients 2^0 x base, offsets 0, springs mid-range.
    EXPECT_FLOAT_EQ(b->fork.compression, 60);
    EXPECT_NEAR(b->fork.slow_compression, 0, 1e-5f);
    EXPECT_FLOAT_EQ(b->fork.spring_rate, (376.3026f + 913.8778f) / 2);
    // Shock high-speed sliders at 75: 2^1 x base.
    EXPECT_FLOAT_EQ(b->shock.compression, 1600);
    EXPECT_FLOAT_EQ(b->rider_vertical_spring, 0.5f);
    dMass rider;
    dBodyGetMass(b->bodies[BODY_RIDER], &rider);
    EXPECT_NEAR(rider.mass, 0.33 * 5.46875, 1e-5);
    bike_destroy(b);
}

TEST_F(BikeWorld, MovingBikeKeepsItsSetup)
{
    setup_init();
    setup_use_ops(nullptr);
    setup_sliders[SETUP_LEVELING].value = 77;
    bike *b = make();
    for (dBodyID body : b->bodies) dBodySetLinearVel(body, 0, 0, -0.2f);
    EXPECT_EQ(apply_setup(b), 0);
    EXPECT_FLOAT_EQ(bike_get_leveling(b), 20);
    EXPECT_FLOAT_EQ(bike_get_roll_damping(b), 60);
    EXPECT_EQ(b->option_flags, 141);
    bike_destroy(b);
}
