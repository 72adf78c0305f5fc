// What the composer still has to make around the eye: the frame loop reports it so that a
// picture of the ground can wait for it.
#include "terrain/field.h"
#include "terrain/terrain_seams.h"
#include "terrain/upkeep.h"
#include "terrain/terrain_fixture.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <functional>

TEST(ComposePending, EachKindOfWorkKeepsTheGroundComposing)
{
    const int saved_detail = terrain_settings.ground_texture_detail;
    struct Case {
        const char *what;
        int detail;
        std::function<void(terrain_field *)> change;
        int want;
    };
    const Case cases[] = {
        {"all made", 2, [](terrain_field *) {}, 0},
        {"a block wanted now", 2, [](terrain_field *t) { t->block_request[3] = -1; }, 1},
        {"a block requested", 2, [](terrain_field *t) { t->block_request[0] = 7; }, 1},
        {"a ring slot requested", 2, [](terrain_field *t) { t->ring_request[5][3][3] = 9; }, 1},
        {"a ring slot not ready", 2, [](terrain_field *t) { t->ring_ready[2][0][1] = 0; }, 1},
        {"a level finer than the detail", 3, [](terrain_field *t) { t->ring_ready[2][0][1] = 0; }, 0},
        {"rings off at detail 6", 6, [](terrain_field *t) { t->ring_request[5][0][0] = 9; }, 0},
        {"the pyramid rebuilding", 2, [](terrain_field *t) { t->lod_build_state = -1; }, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        small_field f(7, 1.0f, [](int, int) { return 0.0f; });
        terrain_field *t = f.t;
        t->block_request = (int *)calloc(4, sizeof(int));
        t->block_color = (int *)calloc(4, sizeof(int));
        t->lod_build_state = t->height_generation;
        for (auto &level : t->ring_ready)
            for (auto &row : level)
                for (int &ready : row) ready = 1;
        terrain_settings.ground_texture_detail = c.detail;
        c.change(t);
        EXPECT_EQ(terrain_compose_pending(t), c.want);
        free(t->block_color);
        t->block_color = nullptr;
    }
    EXPECT_EQ(terrain_compose_pending(nullptr), 0);   // the title view has no ground
    terrain_settings.ground_texture_detail = saved_detail;
}
