// The object grid, the order riders meet each other, flying dirt and the orientation of an
// object standing on the ground.
#include "race_fixture.h"

#include <cmath>
#include <vector>

#include "bike/bike_record.h"
#include "bike/shape.h"
#include "data/util.h"
#include "racing/object_grid.h"
#include "racing/particles.h"
#include "shell/globals.h"
#include "shell/startup.h"
#include "terrain/field.h"
#include "terrain/surface.h"

namespace {

using ObjectGrid = RaceField;   // 128 ft of flat ground: cells of 12 ft from 16 ft to 112 ft

int statue_here(float x, float z, float radius)
{
    const int i = statue_add(x, 0, z, 0, nullptr, nullptr, nullptr);
    statue *s = (statue *)statues.items + i;
    s->shape = one_sphere_shape(radius);
    s->last_hit_tick = -1;
    return i;
}

std::vector<int> cell(int row, int col)
{
    const growable_array &c = object_grid[row * OBJECT_GRID_SIDE + col];
    return std::vector<int>((const int *)c.items, (const int *)c.items + c.count);
}

TEST(ObjectGridCell, MiddleThreeQuartersAndBorders)
{
    struct Case { float v; int want; };
    const Case cases[] = {{-50, 0}, {0, 0}, {16, 0}, {27.9f, 0}, {28.1f, 1}, {64, 4}, {111.9f, 7}, {500, 7},
                          {NAN, 0}};
    for (const Case &c : cases) EXPECT_EQ(object_grid_cell(c.v, 128), c.want) << c.v;
}

TEST_F(ObjectGrid, StatuesGoIntoTheCellsTheyTouch)
{
    const int small = statue_here(34, 34, 1);         // inside cell (1, 1)
    const int across = statue_here(40, 52, 1);        // on the line between rows 2 and 3
    const int none = statue_add(60, 0, 60, 0, nullptr, nullptr, nullptr);   // no shape
    const int huge = statue_here(64, 64, 500);        // covers the whole terrain
    object_grid_rebuild();
    EXPECT_EQ(cell(1, 1), (std::vector<int>{small, huge}));
    EXPECT_EQ(cell(2, 2), (std::vector<int>{across, huge}));
    EXPECT_EQ(cell(3, 2), (std::vector<int>{across, huge}));
    for (int k = 0; k < 64; ++k) EXPECT_EQ(cell(k / 8, k % 8).back(), huge);
    for (int k = 0; k < 64; ++k)
        for (int i : cell(k / 8, k % 8)) EXPECT_NE(i, none);
    object_grid_rebuild();   // again: nothing twice
    EXPECT_EQ(cell(1, 1), (std::vector<int>{small, huge}));
}

TEST_F(ObjectGrid, RiderMeetsEachNearStatueOnce)
{
    // A statue spanning the terrain sits on the rider; the rider straddles four cells.
    bike *b = rider(0, CONTROLLER_LOCAL, 28, 28);
    const int huge = statue_here(64, 64, 500);
    const int near = statue_here(30, 25, 0.5f);
    const int far = statue_here(90, 90, 0.5f);
    object_grid_rebuild();
    tick_count = 1234;
    rider_object_collisions(b);
    statue *s = (statue *)statues.items;
    EXPECT_EQ(s[huge].last_hit_tick, 1234);
    EXPECT_EQ(s[far].last_hit_tick, -1);
    (void)near;
    // Tested once: the merged list holds every index once, in order.
    const int *list = (const int *)rider_object_hits.items;
    std::vector<int> merged(list, list + rider_object_hits.count);
    EXPECT_TRUE(std::is_sorted(merged.begin(), merged.end()));
    EXPECT_EQ(std::adjacent_find(merged.begin(), merged.end()), merged.end());
}

TEST_F(ObjectGrid, RiderOutsideTheMiddleTestsTheBorderCells)
{
    struct Case { float x, z; float sx, sz; };
    const Case cases[] = {{4, 4, 10, 6}, {124, 60, 118, 60}, {60, 124, 60, 119}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.x);
        track_objects_free();
        track_objects_init();
        for (int slot = 0; slot < 160; ++slot) bike_slot_table[slot] = nullptr;
        bike *b = rider(0, CONTROLLER_LOCAL, c.x, c.z);
        const dReal *p = dBodyGetPosition(b->bodies[BODY_FRAME]);
        // Large enough to reach the rider's frame.
        const int i = statue_here((float)p[0] + (c.sx - c.x) * 0.1f, (float)p[2] + (c.sz - c.z) * 0.1f, 2.5f);
        object_grid_rebuild();
        tick_count = 77;
        rider_object_collisions(b);
        EXPECT_EQ(((statue *)statues.items)[i].last_hit_tick, 77);
    }
}

TEST_F(ObjectGrid, FasterRiderFirst)
{
    bike *slow = rider(0, CONTROLLER_LOCAL, 30, 30);
    bike *fast = rider(1, CONTROLLER_LOCAL, 60, 30);
    bike *still = rider(2, CONTROLLER_LOCAL, 90, 30);
    dBodySetLinearVel(slow->bodies[BODY_FRAME], 0, 0, -3);
    dBodySetLinearVel(fast->bodies[BODY_FRAME], 10, 0, 0);
    dBodySetLinearVel(still->bodies[BODY_FRAME], 0, 0, 0);
    bike *list[3] = {still, slow, fast};
    heap_sort(list, 3, sizeof list[0], compare_rider_speed);
    EXPECT_EQ(list[0], fast);
    EXPECT_EQ(list[1], slow);
    EXPECT_EQ(list[2], still);
    EXPECT_EQ(compare_rider_speed(&list[1], &list[1]), 0);
}

roost_type dirt_style(void)
{
    roost_type r = {};
    r.kind = 1;
    r.texture = 9;
    r.size = 0.25f, r.grow = 4, r.drag = 0.5f;
    r.r = 100, r.g = 90, r.b = 80, r.a = 250;
    r.fade_a = (std::uint8_t)(std::int8_t)-10;
    return r;
}

using Particles = RaceField;

TEST_F(Particles, FullPoolRefusesASpawn)
{
    const roost_type style = dirt_style();
    const float at[3] = {60, 5, 60}, up[3] = {0, 10, 0};
    for (int i = 0; i < PARTICLE_POOL; ++i) ASSERT_NE(particle_spawn(at, up, &style), nullptr) << i;
    EXPECT_EQ(particle_spawn(at, up, &style), nullptr);
    EXPECT_EQ(particles_active_count(), PARTICLE_POOL);
    particles_reset();
    EXPECT_EQ(particles_active_count(), 0);
}

TEST_F(Particles, FlyFallAndRetire)
{
    // Billboards for the pool, as the track loader reserves them.
    for (int i = 0; i < 3; ++i) particle_set_billboard(i, billboard_add(0, 0, 0, 1, 1, nullptr));
    particles_reset();
    const roost_type style = dirt_style();
    const float under[3] = {60, -1, 60}, rising[3] = {0, 8, 0};
    particle_node *p = particle_spawn(under, rising, &style);
    ASSERT_NE(p, nullptr);
    billboard *b = (billboard *)billboards.items + p->billboard;
    EXPECT_EQ(b->texture, 9u);
    EXPECT_FLOAT_EQ(b->height, 0.25f);
    EXPECT_EQ(b->color[3], 250);
    particles_update();
    // Below the ground but rising: kept.
    EXPECT_EQ(particles_active_count(), 1);
    EXPECT_NEAR(p->position[1], -1 + 8 * tick, 1e-6);
    EXPECT_NEAR(p->velocity[1], 8 - 8 * tick * 0.5 - 32 * tick, 1e-5);
    EXPECT_FLOAT_EQ(b->height, 0.25f + 4 * (float)tick);
    EXPECT_EQ(b->color[3], 240);
    EXPECT_FLOAT_EQ(b->y, p->position[1]);
    int ticks = 0;
    while (particles_active_count() && ticks < 1000) particles_update(), ++ticks;
    EXPECT_EQ(particles_active_count(), 0);
    EXPECT_EQ(b->texture, 0u);   // hidden when it went into the ground
    EXPECT_GT(ticks, 25);        // kept below the ground while it rose
    EXPECT_LT(p->velocity[1], 0);   // retired on its way down
    EXPECT_EQ(b->color[3], 0);   // faded, never wrapped
}

TEST_F(Particles, ResetParksTheBillboards)
{
    particle_set_billboard(0, billboard_add(0, 0, 0, 1, 1, nullptr));
    particles_reset();
    const billboard *b = (const billboard *)billboards.items;
    EXPECT_FLOAT_EQ(b[billboards.count - 1].x, 64 + 800);
    EXPECT_FLOAT_EQ(b[billboards.count - 1].z, 64);
    EXPECT_EQ(b[billboards.count - 1].texture, 0u);
}

TEST(ObjectOrientation, GroundAndYaw)
{
    // A ground rising 1 ft per 2 ft along x.
    small_field slope(3, 2.0f, [](int x, int) { return (float)x; });
    small_field flat(3, 2.0f, [](int, int) { return 0.0f; });
    terrain_field *saved = terrain_ptr;
    const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    struct Case { terrain_field *t; float yaw; bool want_identity; };
    const Case cases[] = {{flat.t, 0, true}, {slope.t, 3.25f, true}, {slope.t, 100, true}, {flat.t, 1.0f, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.yaw);
        terrain_ptr = c.t;
        float m[9];
        object_terrain_orientation(m, 8, 8, c.yaw);
        bool same = true;
        for (int k = 0; k < 9; ++k) same = same && std::fabs(m[k] - identity[k]) < 1e-6f;
        EXPECT_EQ(same, c.want_identity);
    }
    terrain_ptr = slope.t;
    float m[9];
    object_terrain_orientation(m, 8, 8, 0);
    const float n = 1 / std::sqrt(1.25f);
    EXPECT_NEAR(m[1], -0.5f * n, 1e-5);   // the up column leans against the slope
    EXPECT_NEAR(m[4], n, 1e-5);
    object_terrain_orientation(m, 8, 8, -7);   // at or below -2π: upright whatever the ground
    EXPECT_NEAR(m[1], 0, 1e-6);
    EXPECT_NEAR(m[4], 1, 1e-6);
    EXPECT_NEAR(m[7], 0, 1e-6);
    // Every result is a rotation.
    object_terrain_orientation(m, 8, 8, 1.2f);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            float dot = 0;
            for (int k = 0; k < 3; ++k) dot += m[k * 3 + i] * m[k * 3 + j];
            EXPECT_NEAR(dot, i == j ? 1 : 0, 1e-5);
        }
    terrain_ptr = saved;
}

}   // namespace
