#include "terrain_fixture.h"
#include "terrain/lighting.h"
#include "terrain/shading.h"
#include <gtest/gtest.h>
#include <cmath>

struct ShadingTest : testing::Test {
    lighting_record saved = track_lighting;
    void TearDown() override { track_lighting = saved; }
    void light(float sx, float sy, float sz, float r, float g, float b, float ambient)
    {
        float s[3] = {sx, sy, sz}, c[3] = {r, g, b};
        for (int i = 0; i < 3; ++i) {
            track_lighting.sun_vector[i] = s[i];
            track_lighting.sun_color[i] = c[i];
            track_lighting.ambient[i] = ambient;
        }
    }
};

TEST_F(ShadingTest, ColourRule)
{
    small_field f(7, 1.0f, [](int, int) { return 3.0f; });
    f.t->shadows[(long)5 * f.t->grid_dim + 5] = 255;
    struct Case { const char *what; float sun_y, sun_color, ambient; int x; unsigned char want; };
    const Case cases[] = {
        {"sun straight above", 1, 0.75f, 0.5f, 9, 159},    // trunc((0.75 + 0.5) * 127.5)
        {"fully shadowed", 1, 0.75f, 0.5f, 5, 63},          // ambient only
        {"sun below horizon", -1, 0.75f, 0.5f, 9, 63},
        {"saturates", 1, 2.0f, 1.0f, 9, 255},
        {"negative ambient", -1, 1.0f, -0.5f, 9, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        light(0, c.sun_y, 0, c.sun_color, c.sun_color, c.sun_color, c.ambient);
        unsigned char rgb[3];
        vertex_shade_color(f.t, c.x, 5, rgb);
        EXPECT_EQ(rgb[0], c.want);
        EXPECT_EQ(rgb[2], c.want);
    }
    // Coordinates outside the grid are clamped.
    light(0, 1, 0, 0.75f, 0.75f, 0.75f, 0.5f);
    unsigned char rgb[3];
    vertex_shade_color(f.t, -40, 100000, rgb);
    EXPECT_EQ(rgb[1], 159);
}

TEST_F(ShadingTest, NormalsOfPlanesAndBorders)
{
    small_field slope(7, 2.0f, [](int x, int z) { return 0.5f * x - 0.25f * z; });
    float n[3];
    vertex_normal(slope.t, 30, 40, n);
    float len = std::sqrt(0.0625f + 1 + 0.015625f);   // (-0.25, 1, 0.125) per cell of 2
    EXPECT_NEAR(n[0], -0.25f / len, 1e-5);
    EXPECT_NEAR(n[1], 1.0f / len, 1e-5);
    EXPECT_NEAR(n[2], 0.125f / len, 1e-5);

    small_field rough(7, 1.0f, bumpy);
    for (int v : {0, 256}) {
        vertex_normal(rough.t, v, v, n);
        EXPECT_NEAR(n[0] * n[0] + n[1] * n[1] + n[2] * n[2], 1.0f, 1e-5);
        EXPECT_GT(n[1], 0.0f);
    }
}

TEST_F(ShadingTest, RefreshSweepsOnlyStaleVertices)
{
    light(0, 1, 0, 1, 1, 1, 0.5f);
    small_field f(7, 1.0f, [](int, int) { return 0.0f; });
    const int dim = f.t->grid_dim;
    memset(f.t->shading, 7, 3L * dim * dim);
    terrain_update_shading(f.t);   // nothing stale: nothing changes
    EXPECT_EQ(f.t->shading[0], 7);

    terrain_set_height(f.t, 20, 20, 0.0f);
    terrain_update_shading(f.t);
    const long inside = 3 * (21L * dim + 19), outside = 3 * (22L * dim + 20);
    EXPECT_EQ(f.t->shading[inside], 191);
    EXPECT_EQ(f.t->shading[outside], 7);
    for (long i = 0; i < bit_bytes((long)dim * dim); ++i) ASSERT_EQ(f.t->vertex_dirty[i], 0);

    // With the terrain shader the normal image follows too.
    f.t->terrain_shader = 1;
    f.t->normal_image = (unsigned char *)calloc(3L * dim * dim, 1);
    f.t->normal_dirty = (unsigned char *)calloc(bit_bytes((long)dim * dim), 1);
    f.t->shadows[5] = 100;
    terrain_set_height(f.t, 4, 0, 0.0f);
    terrain_update_shading(f.t);
    EXPECT_EQ(f.t->normal_image[3 * 5 + 0], 128);
    EXPECT_EQ(f.t->normal_image[3 * 5 + 1], 155);   // 255 - shadow
    EXPECT_EQ(f.t->normal_image[3 * 5 + 2], 128);
    free(f.t->normal_image);
}
