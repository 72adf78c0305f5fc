// The generated collision shapes leave room under the bike: with both suspensions bottomed out on
// flat ground no fork, swingarm or rider sphere touches the ground, so no mishap is counted.
// The shapes are the build's own (the game folder beside the test build).
#include "bike_fixture.h"

#include <cstdlib>
#include <string>
#include <unistd.h>

#include "bike/collision_passes.h"
#include "fixtures/fixtures.h"
#include "bike/shape.h"
#include "data/file_index.h"
#include "data/paths.h"
#include "terrain/field.h"
#include "terrain/terrain_fixture.h"

namespace {

shape *game_shape(const char *name) { return shape_load_instance(name); }
void free_shape(shape *s) { mem_free(s); }

struct ShapeClearance : BikeWorld {
    small_field ground{3, 1.0f, [](int, int) { return 0.0f; }};
    unsigned char map[64] = {};
    terrain_field *saved_terrain = nullptr;
    std::string saved_home;

    void SetUp() override
    {
        BikeWorld::SetUp();
        const char *home = getenv("RL_HOME");
        saved_home = home ? home : "";
        setenv("RL_HOME", fixture_game_dir().c_str(), 1);
        search_folders_free();
        static const bike_resource_loaders loaders = {
            fake_bike_resources::texture, fake_bike_resources::info_text, fake_bike_resources::plate,
            fake_bike_resources::plate_delete, game_shape, free_shape};
        bike_resources_set(&loaders);
        contact_group = dJointGroupCreate(0);
        ground.t->tilemap = map;
        for (int k = 0; k < TILE_MAX; ++k) {
            ground.t->friction[k][0] = 1;
            ground.t->friction_key[k][0] = 1;
        }
        saved_terrain = terrain_ptr;
        terrain_ptr = ground.t;
    }
    void TearDown() override
    {
        terrain_ptr = saved_terrain;
        ground.t->tilemap = nullptr;
        dJointGroupDestroy(contact_group);
        contact_group = nullptr;
        shape_cache_free();
        if (saved_home.empty()) unsetenv("RL_HOME"); else setenv("RL_HOME", saved_home.c_str(), 1);
        search_folders_free();
        BikeWorld::TearDown();
    }
};

TEST_F(ShapeClearance, BottomedSuspensionKeepsThePartsOffTheGround)
{
    ASSERT_TRUE(fixture_file_exists(fixture_game_dir() + "generic_frame.shp")) << "no generated content in " << fixture_game_dir();
    for (const char *model : {"450sxf(2018)", "yz250f(2018)", "cr125", "rs50cr"}) {
        SCOPED_TRACE(model);
        bike *b = bike_create(model, 0, "1", nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(b->handles.swingarm_shape, nullptr);
        ASSERT_NE(b->handles.fork_lower_shape, nullptr);
        ASSERT_NE(b->handles.rider_shape, nullptr);
        bike_translate(b, 8, 0, 6);
        // Nothing springs the suspension, so gravity bottoms it out. The rider springs belong
        // to the physics step: the rider is held at its rest place on the frame instead.
        for (int tick = 0; tick < 384; ++tick) {
            bike_rider_reattach(b);
            bike_terrain_collide(b);
            ASSERT_EQ(b->mishap_flag, 0) << "tick " << tick;
            dWorldStep(physics_world, 1.0 / 128);
            dJointGroupEmpty(contact_group);
        }
        EXPECT_NEAR(dJointGetSliderPosition(b->joints[JOINT_FORK_SLIDER]), -b->info.fork_travel, 0.05);
        EXPECT_NEAR(dJointGetHingeAngle(b->joints[JOINT_SWINGARM]), -b->info.swingarm_angle_max, 0.05);
        bike_destroy(b);
    }
}

}  // namespace
