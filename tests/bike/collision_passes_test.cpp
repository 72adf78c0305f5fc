// The collision passes on headless bikes whose every part is one sphere at its body's origin,
// over a flat field at height 0.
#include "bike_fixture.h"
#include "one_sphere.h"

#include <cmath>
#include <cstring>

#include "bike/collision_passes.h"
#include "bike/ground_contact.h"
#include "bike/shape.h"
#include "racing/race.h"
#include "terrain/field.h"
#include "terrain/terrain_fixture.h"

namespace {

const float PART_RADIUS = 0.3f;

shape *load_part_shape(const char *) { return one_sphere_shape(PART_RADIUS); }
void free_part_shape(shape *s) { mem_free(s); }

struct CollisionPasses : BikeWorld {
    small_field ground{2, 2.0f, [](int, int) { return 0.0f; }};
    terrain_field *saved_terrain = nullptr;
    int saved_rules[16];

    void SetUp() override
    {
        BikeWorld::SetUp();
        static const bike_resource_loaders loaders = {
            fake_bike_resources::texture, fake_bike_resources::info_text, fake_bike_resources::plate,
            fake_bike_resources::plate_delete, load_part_shape, free_part_shape};
        bike_resources_set(&loaders);
        contact_group = dJointGroupCreate(0);
        saved_terrain = terrain_ptr;
        terrain_ptr = ground.t;
        memcpy(saved_rules, server_rules, sizeof saved_rules);
        memset(server_rules, 0, sizeof server_rules);
        tick_count = 1000;
        first_bump_tick = -1;
    }
    void TearDown() override
    {
        memcpy(server_rules, saved_rules, sizeof saved_rules);
        terrain_ptr = saved_terrain;
        dJointGroupDestroy(contact_group);
        contact_group = nullptr;
        BikeWorld::TearDown();
    }
    // A bike high above the field, facing -z, its centre at (x, 20, z).
    bike *bike_at(float x, float z, float heading = 0)
    {
        bike *b = make();
        if (heading != 0) bike_rotate(b, 0, 1, 0, heading);
        bike_translate(b, x, 20, z);
        return b;
    }
    static void set_height(bike *b, int body, float y)
    {
        const dReal *p = dBodyGetPosition(b->bodies[body]);
        dBodySetPosition(b->bodies[body], p[0], y, p[2]);
    }
    static void set_velocity(bike *b, float vx, float vy, float vz)
    {
        for (dBodyID body : b->bodies) dBodySetLinearVel(body, vx, vy, vz);
    }
    static bool rider_attached(bike *b) { return dJointGetBody(b->joints[JOINT_RIDER], 0) != nullptr; }
};

TEST_F(CollisionPasses, GroundTouchesOfBodyPartsRaiseTheMishapFlag)
{
    struct Case { const char *what; int body; int want_result, want_mishap; };
    const Case cases[] = {
        {"in the air", -1, 0, 0},
        {"frame", BODY_FRAME, 1, 0},
        {"upper fork", BODY_FORK_UPPER, 1, 1},
        {"lower fork", BODY_FORK_LOWER, 1, 1},
        {"swingarm", BODY_SWINGARM, 1, 1},
        {"rider", BODY_RIDER, 1, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        bike *b = bike_at(8, 8);
        if (c.body >= 0) set_height(b, c.body, 0.2f);
        EXPECT_EQ(bike_terrain_collide(b), c.want_result);
        EXPECT_EQ(b->mishap_flag, c.want_mishap);
        EXPECT_EQ(b->crash_counter, 0);
        dJointGroupEmpty(contact_group);
        bike_destroy(b);
    }
}

TEST_F(CollisionPasses, OnlyAFastUpsideDownRiderCrashesOnTheGround)
{
    dMatrix3 upside_down;
    dRFromAxisAndAngle(upside_down, 1, 0, 0, M_PI);
    struct Case { const char *what; bool flipped; float speed; int crash_count, table_entry; int want_counter; };
    const Case cases[] = {
        {"right side up, fast", false, 20, 0, 0, 0},
        {"upside down, slow", true, 5, 0, 0, 0},
        {"upside down, fast", true, 5.5f, 0, 0, 512},
        {"with a delay from the server", true, 20, 0, 40, 552},
        {"past the table's end", true, 20, 23, 70, 582},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        server_rules[c.crash_count > 15 ? 15 : c.crash_count] = c.table_entry;
        bike *b = bike_at(8, 8);
        b->crash_count = c.crash_count;
        set_height(b, BODY_RIDER, 0.2f);
        if (c.flipped) dBodySetRotation(b->bodies[BODY_RIDER], upside_down);
        dBodySetLinearVel(b->bodies[BODY_RIDER], c.speed, 0, 0);
        EXPECT_EQ(bike_terrain_collide(b), 1);
        EXPECT_EQ(b->crash_counter, c.want_counter);
        EXPECT_EQ(b->crash_count, c.crash_count + (c.want_counter ? 1 : 0));
        EXPECT_EQ(rider_attached(b), c.want_counter == 0);
        dJointGroupEmpty(contact_group);
        bike_destroy(b);
        memset(server_rules, 0, sizeof server_rules);
    }
    // No crash while a bump is being ridden out.
    bike *b = bike_at(8, 8);
    b->bump_timer = -1;
    set_height(b, BODY_RIDER, 0.2f);
    dBodySetRotation(b->bodies[BODY_RIDER], upside_down);
    dBodySetLinearVel(b->bodies[BODY_RIDER], 20, 0, 0);
    bike_terrain_collide(b);
    EXPECT_EQ(b->crash_counter, 0);
    bike_destroy(b);
}

TEST_F(CollisionPasses, ARiderHittingAnObjectFastCrashes)
{
    const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    shape *bale = one_sphere_shape(1);
    struct Case { float speed; int want_crash; };
    const Case cases[] = {{20, 0}, {20.5f, 1}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.speed);
        bike *b = bike_at(8, 8);
        const dReal *r = dBodyGetPosition(b->bodies[BODY_RIDER]);
        float at[3] = {(float)r[0] + 1.1f, (float)r[1], (float)r[2]};
        dBodySetLinearVel(b->bodies[BODY_RIDER], c.speed, 0, 0);
        int flags = bike_collide_object(b, bale, nullptr, at, identity);
        EXPECT_TRUE(flags & HIT_RIDER);
        EXPECT_EQ(b->crash_counter > 0, c.want_crash == 1);
        // The contact, and the hinge to the frame while the rider stays on.
        EXPECT_EQ(dBodyGetNumJoints(b->bodies[BODY_RIDER]), c.want_crash ? 1 : 2);
        dJointGroupEmpty(contact_group);
        bike_destroy(b);
    }
    mem_free(bale);
}

// Two bikes facing each other, or one running into the other's side.
TEST_F(CollisionPasses, BumpsSetTheTimersByWhoHitWhom)
{
    // A faces -z; B sits ahead of it. Head-on: B turned to face +z, front wheels together.
    bike *a = bike_at(8, 8);
    const dReal *af = dBodyGetPosition(a->bodies[BODY_FRONT_WHEEL]);
    float front_z = (float)af[2];
    bike *b = bike_at(8, 0, (float)M_PI);
    const dReal *bf = dBodyGetPosition(b->bodies[BODY_FRONT_WHEEL]);
    bike_translate(b, 0, 0, (front_z - 0.4f) - (float)bf[2]);
    set_velocity(a, 0, 0, -12);
    set_velocity(b, 0, 0, 12);
    int flags = bike_collide_bikes(a, b, 0);
    EXPECT_TRUE(flags & HIT_FRONT_WHEEL);
    EXPECT_EQ(a->bump_timer, 128);
    EXPECT_EQ(b->bump_timer, 128);
    EXPECT_EQ(a->last_bump_tick, 1000);
    EXPECT_EQ(b->last_bump_tick, 1000);
    EXPECT_EQ(first_bump_tick, 1000);
    dJointGroupEmpty(contact_group);
    bike_destroy(b);

    // A's front wheel into the side of B's frame: B crosses in front of A.
    b = bike_at(0, 0, (float)M_PI / 2);
    const dReal *frame = dBodyGetPosition(b->bodies[BODY_FRAME]);
    bike_translate(b, 8 - (float)frame[0], (float)af[1] - (float)frame[1],
                   front_z - 0.5f - (float)frame[2]);
    set_velocity(b, 6, 0, 0);
    a->bump_timer = 0;
    b->bump_timer = -10;
    a->recent_line_ids[2] = b->recent_line_ids[1] = 9;
    tick_count = 1001;
    flags = bike_collide_bikes(a, b, 0);
    EXPECT_TRUE(flags & HIT_FRAME);
    EXPECT_FALSE(flags & (HIT_FRONT_WHEEL | HIT_FORK_LOWER));
    EXPECT_EQ(a->bump_timer, 192);
    EXPECT_EQ(b->bump_timer, -640);
    EXPECT_EQ(a->recent_line_ids[2], 0);
    EXPECT_EQ(b->recent_line_ids[1], 0);
    EXPECT_EQ(first_bump_tick, 1000);   // only the first contact of the race
    dJointGroupEmpty(contact_group);

    // Seen from B: A's front wheel hit it, so A's timer goes up and B's deeper.
    a->bump_timer = 0;
    b->bump_timer = -10;
    tick_count = 1002;
    flags = bike_collide_bikes(b, a, 0);
    EXPECT_TRUE(flags & HIT_FRONT_WHEEL);
    EXPECT_EQ(a->bump_timer, 192);
    EXPECT_EQ(b->bump_timer, -640);
    dJointGroupEmpty(contact_group);
    bike_destroy(b);
    bike_destroy(a);
}

// With the fork flag, B's front parts hit by A's other parts only test.
TEST_F(CollisionPasses, ForkFlagMakesFrontPartsTestOnly)
{
    bike *a = bike_at(8, 8);
    bike *b = bike_at(0, 0, (float)M_PI / 2);
    // B's front wheel sits on A's frame.
    const dReal *frame = dBodyGetPosition(a->bodies[BODY_FRAME]);
    const dReal *wheel = dBodyGetPosition(b->bodies[BODY_FRONT_WHEEL]);
    bike_translate(b, (float)(frame[0] - wheel[0]) + 0.5f, (float)(frame[1] - wheel[1]),
                   (float)(frame[2] - wheel[2]));
    for (int fork_flag = 0; fork_flag < 2; ++fork_flag) {
        SCOPED_TRACE(fork_flag);
        int flags = bike_collide_bikes(a, b, fork_flag);
        EXPECT_TRUE(flags & HIT_FRONT_WHEEL);
        // Its axle hinge, and a contact only without the flag.
        EXPECT_EQ(dBodyGetNumJoints(b->bodies[BODY_FRONT_WHEEL]) > 1, fork_flag == 0);
        dJointGroupEmpty(contact_group);
    }
    bike_destroy(b);
    bike_destroy(a);
}

// The list pass skips pairs by their whole-bike boxes: it must make exactly the contacts the
// all-pairs loop makes, down to bikes a hair inside and outside touching distance, and in its
// order whatever the bikes' order along x (a bike that bumped this tick pushes its later pairs
// apart directly, so an order changed shows in the joints made).
TEST_F(CollisionPasses, ListPassMakesTheContactsOfEveryPair)
{
    // Side by side, facing -z: the parts of neighbours under 0.6 ft apart touch (two 0.3 ft spheres).
    const float rows[][7] = {
        {0, 0.599f, 1.2f, 1.801f, 6, 6.3f, 40},
        {1.2f, 40, 0.599f, 6.3f, 1.801f, 0, 6},
    };
    for (const auto &xs : rows) {
        bike *bikes[std::size(xs)];
        for (size_t i = 0; i < std::size(xs); ++i) bikes[i] = bike_at(xs[i], 0);
        const int n = (int)std::size(xs);
        for (int lost = 0; lost < 2; ++lost) {
            SCOPED_TRACE(lost);
            // A bike whose box is spoilt meets every other in the list pass as in the loop.
            if (lost) dBodySetPosition(bikes[3]->bodies[BODY_RIDER], NAN, 20, 0);
            ++tick_count;
            long before = contact_joints_made;
            int touching_pairs = 0;
            for (int i = 0; i < n; ++i)
                for (int j = i + 1; j < n; ++j) touching_pairs += bike_collide_bikes(bikes[i], bikes[j], 0) != 0;
            const long all_pairs = contact_joints_made - before;
            int bumped[std::size(xs)];
            for (int i = 0; i < n; ++i) bumped[i] = bikes[i]->last_bump_tick == tick_count;
            dJointGroupEmpty(contact_group);
            EXPECT_GE(touching_pairs, 3);   // 0-1, 4-5 whole; the tyres reach a little further

            ++tick_count;   // a pair that touched this tick would push apart directly, making no joints
            before = contact_joints_made;
            bike_collide_list(bikes, n);
            EXPECT_EQ(contact_joints_made - before, all_pairs);
            for (int i = 0; i < n; ++i) EXPECT_EQ(bikes[i]->last_bump_tick == tick_count, bumped[i]) << i;
            dJointGroupEmpty(contact_group);
        }
        for (bike *b : bikes) bike_destroy(b);
    }

    // A box spoilt by a position that is not a number never counts as apart.
    const float xs[] = {0, 40};
    bike *bikes[] = {bike_at(xs[0], 0), bike_at(xs[1], 0)};
    dBodySetPosition(bikes[1]->bodies[BODY_RIDER], NAN, 20, 0);
    bike_bounds near, lost;
    bike_bounds_of(bikes[0], &near);
    bike_bounds_of(bikes[1], &lost);
    EXPECT_FALSE(bike_bounds_apart(&near, &lost));
    const float far_centre[3] = {100, 20, 0};
    EXPECT_TRUE(bike_bounds_miss_sphere(&near, far_centre, 1));
    EXPECT_FALSE(bike_bounds_miss_sphere(&lost, far_centre, 1));
    for (bike *b : bikes) bike_destroy(b);
}

}  // namespace
