#include "terrain_fixture.h"
#include "terrain/brush.h"
#include "terrain/field.h"
#include "terrain/lod.h"
#include <gtest/gtest.h>
#include <cmath>
#include <limits>

TEST(TerrainHeight, VerticesAreExact)
{
    for (int depth : {7, 8})
        for (float cell : {0.5f, 2.0f}) {
            small_field f(depth, cell, bumpy);
            for (int z = 0; z < f.t->grid_dim; ++z)
                for (int x = 0; x < f.t->grid_dim; ++x)
                    ASSERT_EQ(terrain_height_at(f.t, x * cell, z * cell), f.h(x, z)) << x << "," << z;
        }
}

TEST(TerrainHeight, CellCentreIsMeanOfTheSplitDiagonal)
{
    small_field f(7, 2.0f, bumpy);
    for (int gz = 0; gz < 6; ++gz)
        for (int gx = 0; gx < 6; ++gx) {
            // Equal parity: the rising diagonal (gx, gz)-(gx+1, gz+1); else the falling one.
            float want = (gx & 1) == (gz & 1) ? (f.h(gx, gz) + f.h(gx + 1, gz + 1)) / 2
                                              : (f.h(gx + 1, gz) + f.h(gx, gz + 1)) / 2;
            EXPECT_NEAR(terrain_height_at(f.t, (gx + 0.5f) * 2, (gz + 0.5f) * 2), want, 1e-4) << gx << "," << gz;
        }
}

TEST(TerrainHeight, OutsideTheGridTheEdgeContinues)
{
    small_field f(7, 1.0f, bumpy);
    const float last = (float)(f.t->grid_dim - 1), z = 17.25f;
    EXPECT_EQ(terrain_height_at(f.t, -50.0f, z), terrain_height_at(f.t, 0.0f, z));
    EXPECT_EQ(terrain_height_at(f.t, last + 80.0f, z), terrain_height_at(f.t, last, z));
    EXPECT_EQ(terrain_height_at(f.t, 33.0f, -1e6f), f.h(33, 0));
    EXPECT_EQ(terrain_height_at(f.t, -3.0f, last + 3.0f), f.h(0, f.t->grid_dim - 1));
}

TEST(TerrainHeight, CheckerboardTriangles)
{
    // One raised vertex shows which triangle a point falls in.
    small_field f(7, 1.0f, [](int x, int z) { return x == 0 && z == 1 ? 10.0f : 0.0f; });
    // Cell (0, 0) splits along the rising diagonal: (0, 1) belongs only to the upper-left half.
    EXPECT_EQ(terrain_height_at(f.t, 0.75f, 0.25f), 0.0f);
    EXPECT_NEAR(terrain_height_at(f.t, 0.25f, 0.75f), 5.0f, 1e-5);
    // Cell (1, 0) splits along the falling diagonal (2, 0)-(1, 1); (0, 1) is outside it.
    EXPECT_EQ(terrain_height_at(f.t, 1.5f, 0.5f), 0.0f);

    // On the falling diagonal of cell (1, 0) the point belongs to the triangle with its corner
    // on row 0: a raised (2, 1) tilts only the other triangle.
    small_field g(7, 1.0f, [](int x, int z) { return x == 2 && z == 1 ? 10.0f : 0.0f; });
    float n[3];
    terrain_normal_at(g.t, 1.5f, 0.5f, n);
    EXPECT_EQ(n[0], 0.0f);
    EXPECT_EQ(n[1], 1.0f);
    EXPECT_EQ(n[2], 0.0f);
    terrain_normal_at(g.t, 1.75f, 0.75f, n);
    EXPECT_NE(n[0], 0.0f);
}

TEST(TerrainNormal, FlatFieldAndSlope)
{
    small_field flat(7, 3.0f, [](int, int) { return 4.0f; });
    for (float x : {0.3f, 100.0f, -20.0f, 1000.0f}) {
        float n[3];
        terrain_normal_at(flat.t, x, x * 0.7f, n);
        EXPECT_EQ(n[0], 0.0f);
        EXPECT_EQ(n[1], 9.0f);
        EXPECT_EQ(n[2], 0.0f);
    }
    // h = 0.5 x (x in cells, cell 2): the normal leans against +x, y stays cell_size^2.
    small_field slope(7, 2.0f, [](int x, int) { return 0.5f * x; });
    float n[3];
    terrain_normal_at(slope.t, 11.1f, 7.3f, n);
    EXPECT_FLOAT_EQ(n[1], 4.0f);
    EXPECT_FLOAT_EQ(n[0] / n[1], -0.25f);
    EXPECT_NEAR(n[2], 0.0f, 1e-6);
}

TEST(TerrainHeight, NonFiniteAndHugeCoordinatesAreClamped)
{
    small_field f(7, 1.0f, bumpy);
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const float last = (float)(f.t->grid_dim - 1);
    struct Case { float x, z, want_x, want_z; };
    const Case cases[] = {
        {nan, 5.0f, 0.0f, 5.0f},   {5.0f, nan, 5.0f, 0.0f},      {inf, 5.0f, last, 5.0f},
        {-inf, 5.0f, 0.0f, 5.0f},  {3e38f, -3e38f, last, 0.0f},  {4.2e9f, 2.0f, last, 2.0f},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << " " << c.z);
        EXPECT_EQ(terrain_height_at(f.t, c.x, c.z), terrain_height_at(f.t, c.want_x, c.want_z));
        float n[3];
        terrain_normal_at(f.t, c.x, c.z, n);
        EXPECT_TRUE(std::isfinite(n[0]) && std::isfinite(n[1]) && std::isfinite(n[2]));
        EXPECT_GT(n[1], 0.0f);
    }
}

TEST(TerrainSetHeight, MarksNeighboursWithinTheGridAndHonoursTheLock)
{
    small_field f(7, 1.0f, [](int, int) { return 1.0f; });
    f.t->height_min = f.t->height_max = 1.0f;
    const int dim = f.t->grid_dim;
    terrain_set_height(f.t, 0, 0, 5.0f);
    EXPECT_EQ(f.h(0, 0), 5.0f);
    EXPECT_EQ(f.t->change_flags, 7);
    EXPECT_EQ(f.t->height_max, 5.0f);
    int marked = 0;
    for (long i = 0; i < (long)dim * dim; ++i) marked += bit_get(f.t->vertex_dirty, i);
    EXPECT_EQ(marked, 4);
    EXPECT_TRUE(bit_get(f.t->vertex_dirty, dim + 1));

    terrain_set_height(f.t, dim, 3, -7.0f);   // outside: nothing
    terrain_set_height(f.t, 3, -1, -7.0f);
    EXPECT_EQ(f.t->height_min, 1.0f);

    memset(f.t->vertex_dirty, 0, bit_bytes((long)dim * dim));
    f.t->change_flags = 0;
    f.t->edit_lock = 1;
    terrain_set_height(f.t, 10, 10, -3.0f);
    EXPECT_EQ(f.h(10, 10), 1.0f);
    EXPECT_EQ(f.t->change_flags, 0);
    EXPECT_EQ(f.t->height_min, 1.0f);
    EXPECT_FALSE(bit_get(f.t->vertex_dirty, 10L * dim + 10));
}
