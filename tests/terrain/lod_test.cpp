#include "terrain_fixture.h"
#include "terrain/brush.h"
#include "terrain/lod.h"
#include "terrain/terrain_seams.h"
#include <gtest/gtest.h>
#include <cmath>
#include <vector>

static std::vector<float> pyramid(const small_field &f)
{
    long n = terrain_lod_node_count(f.t->lod_depth);
    return std::vector<float>(f.t->lod_split_dist2, f.t->lod_split_dist2 + n);
}

TEST(TerrainLod, BudgetedBuildEqualsUnlimited)
{
    small_field whole(7, 1.0f, bumpy);
    ASSERT_EQ(terrain_build_lod(whole.t, TERRAIN_BUDGET_UNLIMITED), 1);
    for (int budget : {1, 37, 8000}) {
        small_field parts(7, 1.0f, bumpy);
        int calls = 1;
        while (!terrain_build_lod(parts.t, budget)) calls++;
        EXPECT_GT(calls, budget == 8000 ? 10 : 1000) << budget;
        EXPECT_EQ(pyramid(parts), pyramid(whole)) << budget;
    }
    // Nothing changed since: done at once.
    EXPECT_EQ(terrain_build_lod(whole.t, 1), 1);
}

TEST(TerrainLod, ChangeDuringABuildFinishesThenRebuilds)
{
    small_field f(7, 1.0f, bumpy);
    ASSERT_EQ(terrain_build_lod(f.t, 5000), 0);
    terrain_erode_dig(f.t, 40.0f, 40.0f, 6.0f, 3.0f);   // generation 2 while building 1
    while (!terrain_build_lod(f.t, 5000)) {}
    EXPECT_EQ(f.t->lod_build_state, 1);
    while (!terrain_build_lod(f.t, 5000)) {}
    EXPECT_EQ(f.t->lod_build_state, 2);

    small_field fresh(7, 1.0f, bumpy);
    terrain_erode_dig(fresh.t, 40.0f, 40.0f, 6.0f, 3.0f);
    terrain_build_lod(fresh.t, TERRAIN_BUDGET_UNLIMITED);
    EXPECT_EQ(pyramid(f), pyramid(fresh));
}

// The drawing relies on these: a node splits no later than its children, and well before any
// neighbouring finer node does.
TEST(TerrainLod, NodesCoverChildrenAndNeighbours)
{
    for (auto height : {+[](int, int) { return 0.0f; }, +[](int x, int z) { return bumpy(x, z); }}) {
        small_field f(7, 1.0f, height);
        terrain_build_lod(f.t, TERRAIN_BUDGET_UNLIMITED);
        const int N = 7;
        for (int i = 0; i < N; ++i) {
            const float *lvl = f.t->lod_split_dist2 + lod_level_offset[i];
            const float *kids = f.t->lod_split_dist2 + lod_level_offset[i + 1];
            const int n = 1 << i, n2 = 2 * n;
            const float gap = std::ldexp(f.t->world_size, -i) * 3.1622777f * 0.50048828125f;
            for (int z = 0; z < n; ++z)
                for (int x = 0; x < n; ++x) {
                    float v = lvl[z * n + x];
                    for (int dz = -1; dz <= 2; ++dz)
                        for (int dx = -1; dx <= 2; ++dx) {
                            int cx = 2 * x + dx, cz = 2 * z + dz;
                            if (cx < 0 || cz < 0 || cx >= n2 || cz >= n2) continue;
                            bool inside = dx >= 0 && dx <= 1 && dz >= 0 && dz <= 1;
                            bool corner = (dx == -1 || dx == 2) && (dz == -1 || dz == 2);
                            if (corner) continue;
                            float k = kids[cz * n2 + cx];
                            if (inside) ASSERT_GE(v, k);
                            else ASSERT_GE(std::sqrt(v) * 1.0001f, std::sqrt(k) + gap);
                        }
                }
        }
        // Finest level of a flat field: just the node's half-diagonal.
        float r = f.t->world_size * 0.70710678f * std::ldexp(1.0f, -N);
        if (height(3, 5) == 0.0f) EXPECT_EQ(f.t->lod_split_dist2[lod_level_offset[N] + 77], r * r);
    }
}

TEST(TerrainLod, HeightErrorWidensTheSplitDistance)
{
    // A spike at the centre of finest node (5, 9): its error is the spike's height.
    small_field f(7, 1.0f, [](int x, int z) { return x == 11 && z == 19 ? 2.0f : 0.0f; });
    terrain_build_lod(f.t, TERRAIN_BUDGET_UNLIMITED);
    float r = f.t->world_size * 0.70710678f * std::ldexp(1.0f, -7);
    float own = 2.0f / f.t->lod_tolerance + r;
    EXPECT_EQ(f.t->lod_split_dist2[lod_level_offset[7] + 9 * 128 + 5], own * own);
    EXPECT_EQ(f.t->lod_split_dist2[lod_level_offset[7] + 40 * 128 + 40], r * r);
}

TEST(TerrainLod, MarkingChangedCells)
{
    small_field f(8, 1.0f, [](int, int) { return 0.0f; });   // 512 cells: 4 x 4 blocks of 128
    f.t->block_request = (int *)calloc(16, sizeof(int));
    f.t->draw_stamp = 9;
    f.t->block_request[5] = 3;   // pending: keeps its older stamp
    terrain_settings.ground_texture_detail = 6;
    terrain_invalidate_cells(f.t, -5, 130, 100000, 140);
    const int want[16] = {0, 0, 0, 0, 9, 3, 9, 9, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(f.t->block_request[i], want[i]) << i;

    terrain_invalidate_cells(f.t, -5, -5, 100000, 100000);
    for (int i = 0; i < 16; ++i) EXPECT_NE(f.t->block_request[i], 0) << i;

    // Rings: with the eye unknown every window sits at the origin; level 5 slots are 64 cells.
    terrain_settings.ground_texture_detail = 5;
    f.t->draw_stamp = 11;
    terrain_mark_dirty(f.t, 64, 0, 64, 0);
    EXPECT_EQ(f.t->ring_request[5][0][0], 11);   // edges touching count
    EXPECT_EQ(f.t->ring_request[5][0][1], 11);
    EXPECT_EQ(f.t->ring_request[5][0][2], 0);
    EXPECT_EQ(f.t->ring_request[5][1][0], 0);
    terrain_settings.ground_texture_detail = 0;

    // GPU modes mark 384-cell colour blocks.
    f.t->texture_mode = 2;
    f.t->block_count = 2;
    f.t->block_dirty = (unsigned char *)calloc(1, 1);
    terrain_invalidate_cells(f.t, 383, 0, 384, 10);
    EXPECT_EQ(f.t->block_dirty[0], 0x3);
}
