#include "terrain_fixture.h"
#include "terrain/brush.h"
#include <gtest/gtest.h>
#include <cmath>
#include <limits>

TEST(TerrainBrush, WeightFallsOffSmoothly)
{
    EXPECT_EQ(terrain_brush_weight(0.0f, 3.0f), 1.0f);
    EXPECT_EQ(terrain_brush_weight(3.0f, 3.0f), 0.0f);
    EXPECT_EQ(terrain_brush_weight(3.5f, 3.0f), 0.0f);
    EXPECT_FLOAT_EQ(terrain_brush_weight(1.5f, 3.0f), 0.5f);
    EXPECT_EQ(terrain_brush_weight(std::numeric_limits<float>::quiet_NaN(), 3.0f), 1.0f);
}

TEST(TerrainBrush, DigCentreAndRadius)
{
    small_field f(7, 0.5f, [](int, int) { return 2.0f; });
    // Centre on vertex (40, 40), radius 3 cells.
    float sum = terrain_erode_dig(f.t, 20.0f, 20.0f, 1.5f, -0.25f);
    EXPECT_EQ(f.h(40, 40), 1.75f);
    EXPECT_EQ(f.h(43, 40), 2.0f);
    EXPECT_EQ(f.h(40, 37), 2.0f);
    EXPECT_LT(f.h(41, 41), 2.0f);
    EXPECT_NEAR(f.total() - 2.0 * f.t->grid_dim * f.t->grid_dim, sum, 1e-3);
    EXPECT_EQ(f.t->height_generation, 2);
    EXPECT_EQ(terrain_erode_dig(f.t, 20.0f, 20.0f, 1.5f, 0.0f), 0.0f);
    EXPECT_EQ(f.t->height_generation, 2);
}

TEST(TerrainBrush, DigThenDepositKeepsTheGround)
{
    for (int depth : {7, 8}) {
        small_field f(depth, 1.0f, bumpy);
        double before = f.total();
        float sum = terrain_erode_dig(f.t, 60.3f, 71.8f, 4.0f, -0.4f);
        EXPECT_LT(sum, -1.0f);   // the deposit's weights then sum to well over 1
        terrain_erode_deposit(f.t, 66.9f, 69.1f, 5.5f, -sum);
        EXPECT_NEAR(f.total(), before, 1e-3) << depth;
        EXPECT_EQ(f.t->edit_lock, 0);
    }
}

TEST(TerrainBrush, TheExceptionsToConservation)
{
    // A deposit whose weights sum below 1 is divided by 1: only volume * W lands.
    small_field small(7, 1.0f, [](int, int) { return 0.0f; });
    terrain_erode_deposit(small.t, 10.1f, 10.1f, 0.3f, 1.0f);
    float w = terrain_brush_weight(std::sqrt(0.02f), 0.3f);
    EXPECT_NEAR(small.total(), w, 1e-5);
    EXPECT_NEAR(small.h(10, 10), w, 1e-5);

    // At the edge the dig counts the vertices outside the grid that it cannot change.
    small_field edge(7, 1.0f, [](int, int) { return 0.0f; });
    float sum = terrain_erode_dig(edge.t, 0.0f, 0.0f, 3.0f, 1.0f);
    EXPECT_GT(sum, edge.total() + 1.0);

    // Under the edit lock nothing changes, yet the sum comes back and the generation rises.
    small_field locked(7, 1.0f, [](int, int) { return 0.0f; });
    locked.t->edit_lock = 1;
    sum = terrain_erode_dig(locked.t, 30.0f, 30.0f, 3.0f, 1.0f);
    EXPECT_GT(sum, 1.0f);
    EXPECT_EQ(locked.total(), 0.0);
    EXPECT_EQ(locked.t->height_generation, 2);
}

TEST(TerrainBrush, BadNumbersChangeNothingHarmful)
{
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    small_field f(7, 1.0f, [](int, int) { return 1.0f; });
    terrain_erode_dig(f.t, nan, 5.0f, 2.0f, 0.5f);         // NaN position: held at cell 0
    terrain_erode_dig(f.t, 1e30f, -inf, 2.0f, 0.5f);       // far outside: nothing in the grid
    terrain_erode_dig(f.t, 9.0f, 9.0f, nan, 0.5f);         // NaN radius: empty window
    terrain_erode_dig(f.t, 9.0f, 9.0f, 1e30f, 0.5f);       // radius held to the grid's size
    terrain_erode_dig(f.t, 9.0f, 9.0f, 2.0f, nan);         // non-finite amounts are refused
    terrain_erode_deposit(f.t, 9.0f, 9.0f, 2.0f, inf);
    for (long i = 0; i < (long)f.t->grid_dim * f.t->grid_dim; ++i) ASSERT_TRUE(std::isfinite(f.t->heights[i]));
}
