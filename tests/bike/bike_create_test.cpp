#include "bike_fixture.h"
#include "bike/plate_colours.h"
#include "bike/setters.h"
#include <cmath>
#include <cstring>
#include <vector>

static void expect_near3(const dReal *p, float x, float y, float z, double eps = 1e-5)
{
    EXPECT_NEAR(p[0], x, eps);
    EXPECT_NEAR(p[1], y, eps);
    EXPECT_NEAR(p[2], z, eps);
}

TEST_F(BikeWorld, CreationBuildsBodiesJointsAndPlate)
{
    unsigned bytes_before = render_stats.texture_bytes;
    bike *b = make("123456789");
    ASSERT_NE(b, nullptr);
    EXPECT_NEAR(b->total_mass, 13.95875f, 1e-4f);
    EXPECT_STREQ(b->number_text, "1234567");
    EXPECT_EQ(fake_bike_resources::last_plate_text(), "1234567");
    EXPECT_EQ(b->rider_slot, 3);
    EXPECT_EQ(b->plate_texture, 900u);
    EXPECT_EQ(b->handles.bike_texture, 11u);
    EXPECT_EQ(b->handles.wheel_texture, 12u);
    EXPECT_EQ(b->handles.rider_body_texture, 13u);
    EXPECT_EQ(b->handles.head_texture, 14u);
    EXPECT_EQ(fake_bike_resources::shapes(), 7);
    EXPECT_FLOAT_EQ(b->engine_inertia, info.engine_inertia);
    EXPECT_FLOAT_EQ(b->final_drive, 48.0f / 13);

    const int types[BIKE_JOINTS] = {dJointTypeHinge, dJointTypeHinge, dJointTypeHinge, dJointTypeSlider,
                                    dJointTypeHinge, dJointTypeHinge2};
    for (int i = 0; i < BIKE_JOINTS; ++i) {
        SCOPED_TRACE(i);
        ASSERT_NE(b->joints[i], nullptr);
        EXPECT_EQ(dJointGetType(b->joints[i]), types[i]);
        EXPECT_EQ(dJointGetFeedback(b->joints[i]), &b->feedback[i]);
    }
    const int attached[BIKE_JOINTS][2] = {{BODY_FORK_LOWER, BODY_FRONT_WHEEL}, {BODY_SWINGARM, BODY_REAR_WHEEL},
                                          {BODY_FORK_UPPER, BODY_FRAME},       {BODY_FORK_UPPER, BODY_FORK_LOWER},
                                          {BODY_SWINGARM, BODY_FRAME},         {BODY_RIDER, BODY_FRAME}};
    for (int i = 0; i < BIKE_JOINTS; ++i) {
        EXPECT_EQ(dJointGetBody(b->joints[i], 0), b->bodies[attached[i][0]]) << i;
        EXPECT_EQ(dJointGetBody(b->joints[i], 1), b->bodies[attached[i][1]]) << i;
    }
    EXPECT_EQ(b->wheels[WHEEL_FRONT].body, b->bodies[BODY_FRONT_WHEEL]);
    EXPECT_FLOAT_EQ(b->wheels[WHEEL_REAR].radius, 0.75f);
    EXPECT_FLOAT_EQ(b->wheels[WHEEL_FRONT].axle[0], 1);
    EXPECT_NE(dBodyGetFiniteRotationMode(b->bodies[BODY_FRONT_WHEEL]), 0);
    EXPECT_EQ(dBodyGetFiniteRotationMode(b->bodies[BODY_FRAME]), 0);
    EXPECT_EQ(b->gate_times.capacity, 16);
    EXPECT_EQ(b->line_samples[0].element_size, 20);

    EXPECT_EQ(render_stats.texture_bytes, bytes_before + 87380);
    bike_destroy(b);
    EXPECT_EQ(render_stats.texture_bytes, bytes_before);
    EXPECT_EQ(fake_bike_resources::plates(), 0);
    EXPECT_EQ(fake_bike_resources::shapes(), 0);
}

// A texture that does not load falls back to the catalogue's, with a warning.
TEST_F(BikeWorld, MissingSkinFallsBackToCatalogueTexture)
{
    bike *b = bike_create_from_info(&info, 0, "", "@gear/rider_body-nosuch.png", nullptr, nullptr, nullptr);
    EXPECT_EQ(b->handles.rider_body_texture, 13u);
    bool warned = false;
    for (int i = 0; i < 40; ++i)
        if (console_last_line(i) == "Warning: Can't load @gear/rider_body-nosuch.png") warned = true;
    EXPECT_TRUE(warned);
    bike_destroy(b);
}

TEST_F(BikeWorld, PlateColoursComeFromTheBikeTexturesText)
{
    fake_bike_resources::info()[11] = "[numberbackground:0,0,1][numberforeground:1,1,1]";
    bike *b = make();
    const unsigned char want[6] = {0, 0, 255, 255, 255, 255};
    EXPECT_EQ(memcmp(fake_bike_resources::last_colours(), want, 6), 0);
    bike_destroy(b);
}

// Without a plate nothing is deleted and nothing comes off the texture count.
TEST_F(BikeWorld, NoPlateTakesNothingOff)
{
    bike *b = make();
    render_stats.texture_bytes = 5;
    b->plate_texture = 0;
    bike_destroy(b);
    EXPECT_EQ(render_stats.texture_bytes, 5u);
    EXPECT_EQ(fake_bike_resources::plates(), 1);
}

TEST(BikePlateColours, Table)
{
    struct Case { const char *text; unsigned char bg[3], fg[3]; };
    const Case cases[] = {
        {nullptr, {255, 255, 255}, {0, 0, 0}},
        {"[numberbackground:2,1,-1]", {255, 255, 0}, {0, 0, 0}},
        {"x [numberforeground:0.5,0,1] y", {255, 255, 255}, {127, 0, 255}},
        {"[numberbackground:0,0]", {255, 255, 255}, {0, 0, 0}},            // two numbers: default
        {"[numberbackground:nan,0,0]", {255, 0, 0}, {0, 0, 0}},            // NaN keeps its default
        {"[numberbackground:-inf,inf,0]", {0, 255, 0}, {0, 0, 0}},
        {"[numberbackground:0,0,0][numberforeground:1,1,0]", {0, 0, 0}, {255, 255, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text ? c.text : "(null)");
        unsigned char bg[3], fg[3];
        bike_plate_colours(c.text, bg, fg);
        EXPECT_EQ(memcmp(bg, c.bg, 3), 0) << int(bg[0]) << " " << int(bg[1]) << " " << int(bg[2]);
        EXPECT_EQ(memcmp(fg, c.fg, 3), 0) << int(fg[0]) << " " << int(fg[1]) << " " << int(fg[2]);
    }
}

TEST_F(BikeWorld, RestPoseClearsAndRotateSetsHeading)
{
    bike *b = make();
    bike_translate(b, 10, 2, -3);
    for (dBodyID body : b->bodies) {
        dBodySetLinearVel(body, 1, 2, 3);
        dBodySetAngularVel(body, 1, 0, 0);
    }
    b->gear = 3;
    b->simulated_weight = 0.5f;
    b->crash_counter = 9;
    b->land_damping = 4;
    b->input.throttle = 1;
    bike_record_gate_time(b, 3, 77);

    bike_reset_pose(b);
    for (int i = 0; i < BIKE_BODIES; ++i) {
        SCOPED_TRACE(i);
        const dReal *r = dBodyGetRotation(b->bodies[i]);
        EXPECT_DOUBLE_EQ(r[0], 1);
        EXPECT_DOUBLE_EQ(r[5], 1);
        EXPECT_DOUBLE_EQ(r[10], 1);
        expect_near3(dBodyGetLinearVel(b->bodies[i]), 0, 0, 0);
        expect_near3(dBodyGetAngularVel(b->bodies[i]), 0, 0, 0);
    }
    expect_near3(dBodyGetPosition(b->bodies[BODY_RIDER]), 0, 4.5f, 4.12f);
    expect_near3(dBodyGetPosition(b->bodies[BODY_FRAME]), 0, 1.98f, 3.6f);
    EXPECT_EQ(b->gear, 0);
    EXPECT_EQ(b->simulated_weight, 1);
    EXPECT_EQ(b->crash_counter, 0);
    EXPECT_EQ(b->land_damping, 1);
    EXPECT_EQ(b->robot_stamp, -1000000);
    EXPECT_EQ(b->contact_flags, -1);
    EXPECT_EQ(b->last_hit, -1);
    EXPECT_EQ(b->input.throttle, 0);
    EXPECT_EQ(bike_get_gate_time(b, 3), -1);

    bike_rotate(b, 0, 1, 0, (float)M_PI / 2);
    dVector3 forward;
    dBodyVectorToWorld(b->bodies[BODY_FRAME], 0, 0, -1, forward);
    expect_near3(forward, -1, 0, 0);
    const dReal *front = dBodyGetPosition(b->bodies[BODY_FRONT_WHEEL]);
    const dReal *rear = dBodyGetPosition(b->bodies[BODY_REAR_WHEEL]);
    EXPECT_LT(front[0], rear[0]);
    EXPECT_NEAR(front[2], 0, 1e-5);
    bike_destroy(b);
}

TEST_F(BikeWorld, SnapshotRoundTrip)
{
    bike *b = make();
    bike_rotate(b, 0, 1, 0, 0.7f);
    bike_translate(b, 5, 1, 2);
    b->gear = 4;
    b->engine_speed = 100;
    std::vector<float> first(BIKE_SNAPSHOT_FLOATS), second(BIKE_SNAPSHOT_FLOATS);
    bike_snapshot(b, first.data());
    int gear;
    memcpy(&gear, &first[49], sizeof gear);
    EXPECT_EQ(gear, 4);
    EXPECT_NEAR(first[50], 954.9296f, 1e-3f);

    bike_reset_pose(b);
    bike_restore_snapshot(b, first.data());
    b->gear = 4;
    b->engine_speed = 100;
    bike_snapshot(b, second.data());
    for (int i = 0; i < BIKE_SNAPSHOT_FLOATS; ++i) EXPECT_NEAR(first[i], second[i], 1e-6f) << i;
    bike_destroy(b);
}

// A touched remote bike: simulated 96 ticks, kinematic from weight 0.25, weight 0 after 32 more.
TEST_F(BikeWorld, FadeAfterTouch)
{
    bike *b = make();
    bike_disable_bodies(b);
    EXPECT_EQ(b->simulated_weight, 0);
    EXPECT_FALSE(dBodyIsEnabled(b->bodies[BODY_FRAME]));
    bike_toggle_bodies(b);
    EXPECT_EQ(b->simulated_weight, 1);
    int simulated = 1;   // the touching tick itself
    for (int tick = 0; tick < 95; ++tick) {
        dBodyAddForce(b->bodies[BODY_FRAME], 1, 0, 0);
        bike_fade_bodies(b);
        simulated += dBodyIsEnabled(b->bodies[BODY_RIDER]) ? 1 : 0;
    }
    EXPECT_EQ(simulated, 96);
    bike_fade_bodies(b);
    EXPECT_FLOAT_EQ(b->simulated_weight, 0.25f);
    EXPECT_FALSE(dBodyIsEnabled(b->bodies[BODY_FRAME]));
    bike_toggle_bodies(b);   // below 0.25 but not 0: stays kinematic at 0.25
    EXPECT_FLOAT_EQ(b->simulated_weight, 0.25f);
    for (int tick = 0; tick < 32; ++tick) bike_fade_bodies(b);
    EXPECT_EQ(b->simulated_weight, 0);
    expect_near3(dBodyGetForce(b->bodies[BODY_FRAME]), 0, 0, 0);
    bike_enable_bodies(b);
    EXPECT_EQ(b->simulated_weight, 1);
    EXPECT_TRUE(dBodyIsEnabled(b->bodies[BODY_SWINGARM]));
    bike_destroy(b);
}

// A rider detached (a crash) while the bike moves and turns, then joined again, stays at its
// rest offset.
TEST_F(BikeWorld, RiderReattachKeepsRestOffset)
{
    bike *b = make();
    dJointAttach(b->joints[JOINT_RIDER], nullptr, nullptr);
    bike_rotate(b, 0.3f, 1, 0.2f, 1.1f);
    bike_translate(b, 40, 3, -20);
    dBodySetPosition(b->bodies[BODY_RIDER], 0, 0, 0);
    bike_rider_reattach(b);
    for (int step = 0; step < 128; ++step) dWorldStep(physics_world, 1.0 / 128);
    dVector3 local;
    const dReal *p = dBodyGetPosition(b->bodies[BODY_RIDER]);
    dBodyGetPosRelPoint(b->bodies[BODY_FRAME], p[0], p[1], p[2], local);
    expect_near3(local, 0, 4.5f - 1.98f, 4.12f - 3.6f, 1e-3);
    bike_destroy(b);
}

TEST_F(BikeWorld, WheelMassIsHubAndTyre)
{
    dBodyID body = dBodyCreate(physics_world);
    wheel_mass_build(body, &info.front_wheel);
    dMass m;
    dBodyGetMass(body, &m);
    EXPECT_NEAR(m.mass, 0.5625, 1e-6);
    // A ring about x: the two other axes share their inertia.
    EXPECT_NEAR(m.I[5], m.I[10], 1e-6);
    EXPECT_GT(m.I[0], m.I[5]);
    dBodyDestroy(body);
}

TEST_F(BikeWorld, UnknownModelsFallBack)
{
    struct Case { const char *asked, *used; const char *line; };
    const Case cases[] = {
        {"450sxf(2018)", "450sxf(2018)", nullptr},
        {"xx125", "cr125", "bike info for 'xx125' not found using 'cr125' instead"},
        {"450SXF(2018)", "kx250f(2018)", "bike info for '450SXF(2018)' not found using 'kx250f(2018)' instead"},
        {"a-very-long-model-name-indeed", "kx250f(2018)",
         "bike info for 'a-very-long-model-na' not found using 'kx250f(2018)' instead"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.asked);
        console_clear();
        bike *b = bike_create(c.asked, 0, "1", nullptr, nullptr, nullptr, nullptr);
        EXPECT_STREQ(b->info.name, c.used);
        bool found = false;
        for (int i = 0; i < 60; ++i)
            if (console_last_line(i).rfind("bike info for", 0) == 0) {
                found = true;
                if (c.line) EXPECT_EQ(console_last_line(i), c.line);
            }
        EXPECT_EQ(found, c.line != nullptr);
        bike_destroy(b);
    }
}

TEST_F(BikeWorld, FirstCatalogueModelWeighsItsParts)
{
    bike *b = bike_create("450sxf(2018)", 0, "1", nullptr, nullptr, nullptr, nullptr);
    EXPECT_NEAR(b->total_mass, 13.95875f, 1e-4f);
    bike_destroy(b);
}
