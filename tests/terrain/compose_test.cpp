// Ground composition on the processor: a small area against a picture worked out here from
// the tiles, one decal and the vertex colours, and the decal rasteriser on its own.
#include "terrain/compose.h"
#include "terrain/decal_grid.h"
#include "terrain/field.h"
#include "terrain/shading.h"
#include "terrain/terrain_fixture.h"
#include "graphics/cpu.h"
#include "graphics/image.h"
#include <gtest/gtest.h>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

// An RGBA mip chain of one colour.
std::vector<unsigned char> solid_chain(int w, int h, unsigned r, unsigned g, unsigned b, unsigned a = 255)
{
    std::vector<unsigned char> p(image_chain_bytes(w, h, 4));
    for (std::size_t i = 0; i < p.size(); i += 4) {
        p[i] = (unsigned char)r; p[i + 1] = (unsigned char)g; p[i + 2] = (unsigned char)b; p[i + 3] = (unsigned char)a;
    }
    return p;
}

const unsigned char RED[3] = {200, 40, 40}, GREEN[3] = {30, 180, 60}, BLUE[3] = {20, 40, 220};

// A 256 ft field whose leaves (10..11, 20..21) hold a checkerboard of a red and a green tile,
// with vertex colours that vary across the area, composed at 16 x 16 texels.
struct composed_field : small_field {
    std::vector<unsigned char> tiles[2] = {solid_chain(8, 8, RED[0], RED[1], RED[2]),
                                           solid_chain(8, 8, GREEN[0], GREEN[1], GREEN[2])};
    std::vector<unsigned char> decal_image = solid_chain(4, 4, BLUE[0], BLUE[1], BLUE[2]);

    composed_field() : small_field(7, 1.0f, [](int, int) { return 0.0f; })
    {
        t->texture_size = 16;
        t->pixel_buffer = (unsigned char *)calloc(TERRAIN_PIXEL_BUFFER_BYTES, 1);
        t->tilemap = (unsigned char *)calloc(1 << 14, 1);
        t->tile_count = 2;
        for (int i = 0; i < 2; ++i) {
            t->tile_pixels[i] = tiles[i].data();
            t->tile_widths[i] = t->tile_heights[i] = 8;
        }
        t->tilemap[(20 << 7) + 11] = 1;
        t->tilemap[(21 << 7) + 10] = 1;
        const int dim = t->grid_dim;
        for (int z = 0; z < dim; ++z)
            for (int x = 0; x < dim; ++x) {
                unsigned char *c = t->shading + 3 * ((long)z * dim + x);
                c[0] = (unsigned char)(64 + 4 * (x % 40));
                c[1] = 128;
                c[2] = (unsigned char)(250 - 3 * (z % 50));
            }
        growable_array_init(&t->decals, sizeof(decal));
        for (growable_array &a : t->decal_grid) growable_array_init(&a, sizeof(int));
        for (growable_array &a : t->decal_work) growable_array_init(&a, sizeof(int));
    }
    ~composed_field()
    {
        free(t->pixel_buffer);
        free(t->tilemap);
        growable_array_free(&t->decals);
        for (growable_array &a : t->decal_grid) growable_array_free(&a);
        for (growable_array &a : t->decal_work) growable_array_free(&a);
    }
    // An opaque 1 ft square decal centred on (21, 41): texels 2..5 of the first leaf.
    void add_decal()
    {
        decal d = {};
        d.x = 21; d.z = 41; d.size1 = 1; d.size2 = 1; d.cos_angle = 1;
        d.pixels = (int *)decal_image.data();
        d.width = d.height = 4;
        growable_array_append(&t->decals, &d);
        decal_grid_insert(t, t->decals.count - 1);
    }
    const unsigned char *texel(int c, int r) const { return t->pixel_buffer + 3 * (r * 16 + c); }

    // The expected texel: its leaf's tile (or the decal), times twice the vertex colour
    // interpolated at the texel's corner, as colour / 128.
    void expected(int c, int r, bool with_decal, unsigned char out[3]) const
    {
        const int leaf = ((r / 8) + (c / 8)) & 1;
        const unsigned char *base = leaf ? GREEN : RED;
        if (with_decal && c >= 2 && c <= 5 && r >= 2 && r <= 5) base = BLUE;
        const int dim = t->grid_dim;
        const int vx = 20 + c / 4, vz = 40 + r / 4, fx = (c % 4) * 64, fz = (r % 4) * 64;
        auto colour = [&](int x, int z, int k) { return (unsigned)t->shading[3 * ((long)z * dim + x) + k]; };
        for (int k = 0; k < 3; ++k) {
            unsigned sum = colour(vx, vz, k) * (256 - fx) * (256 - fz) + colour(vx + 1, vz, k) * fx * (256 - fz) +
                           colour(vx, vz + 1, k) * (256 - fx) * fz + colour(vx + 1, vz + 1, k) * fx * fz;
            unsigned lit = (unsigned)(((unsigned long long)base[k] * sum) >> 23);
            out[k] = (unsigned char)(lit > 255 ? 255 : lit);
        }
    }
};

} // namespace

TEST(ComposeCpu, AreaAgainstItsReferencePicture)
{
    struct Case { const char *what; bool decal; int simd; };
    const Case cases[] = {
        {"tiles and lighting, plain rows", false, 0},
        {"with a decal, plain rows", true, 0},
        {"with a decal, SIMD rows", true, 1},
    };
    const int saved = mmx_available;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        composed_field f;
        if (c.decal) f.add_decal();
        mmx_available = c.simd;
        terrain_compose_pixels(f.t, 10, 20, 2);
        int worst = 0;
        for (int r = 0; r < 16; ++r)
            for (int col = 0; col < 16; ++col) {
                unsigned char want[3];
                f.expected(col, r, c.decal, want);
                for (int k = 0; k < 3; ++k) worst = std::max(worst, std::abs(f.texel(col, r)[k] - want[k]));
            }
        EXPECT_LE(worst, 1);
        EXPECT_EQ(f.t->texels_composed, c.decal ? 5 : 4);   // four tile quads and the decal found
    }
    mmx_available = saved;
}

TEST(ComposeCpu, StaleVertexColoursAreRefreshedFirst)
{
    composed_field f;
    const long i = 42L * f.t->grid_dim + 22;
    f.t->shading[3 * i] = 1;
    bit_set(f.t->vertex_dirty, i);
    const long outside = 90L * f.t->grid_dim + 90;
    bit_set(f.t->vertex_dirty, outside);
    terrain_compose_pixels(f.t, 10, 20, 2);
    unsigned char want[3];
    vertex_shade_color(f.t, 22, 42, want);
    EXPECT_EQ(f.t->shading[3 * i], want[0]);
    EXPECT_FALSE(bit_get(f.t->vertex_dirty, i));
    EXPECT_TRUE(bit_get(f.t->vertex_dirty, outside));   // not under this area
}

TEST(ComposeCpu, DecalsWithoutImageOrPlaceAreSkipped)
{
    composed_field f;
    terrain_compose_pixels(f.t, 10, 20, 2);
    std::vector<unsigned char> plain(f.t->pixel_buffer, f.t->pixel_buffer + 16 * 16 * 3);
    struct Case { const char *what; float x, size1; bool image; };
    const Case cases[] = {
        {"no image", 21, 1, false},
        {"position not a number", NAN, 1, true},
        {"size zero", 21, 0, true},
        {"size beyond any float", 21, 1e38f, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        f.t->decals.count = 0;
        for (growable_array &a : f.t->decal_grid) a.count = 0;
        decal d = {};
        d.x = c.x; d.z = 41; d.size1 = c.size1; d.size2 = 1; d.cos_angle = 1;
        if (c.image) {
            d.pixels = (int *)f.decal_image.data();
            d.width = d.height = 4;
        }
        growable_array_append(&f.t->decals, &d);
        decal_grid_insert(f.t, 0);
        terrain_compose_pixels(f.t, 10, 20, 2);
        EXPECT_EQ(std::vector<unsigned char>(f.t->pixel_buffer, f.t->pixel_buffer + 16 * 16 * 3), plain);
    }
}

TEST(DecalRaster, CoverageBlendAndSampling)
{
    const std::vector<unsigned char> opaque = solid_chain(2, 2, 250, 10, 10);
    const std::vector<unsigned char> half = solid_chain(2, 2, 255, 255, 255, 128);
    const std::uint32_t black_white[2] = {0xFF000000u, 0xFFFFFFFFu};   // opaque black, opaque white
    struct Case {
        const char *what;
        const std::uint32_t *pixels;
        int w, h;
        float x0, y0, x1, y1;          // an axis-aligned quad
        float du[2], dv[2];
    };
    const Case cases[] = {
        {"opaque square", (const std::uint32_t *)opaque.data(), 2, 2, 4, 4, 12, 12, {0.25f, 0}, {0, 0.25f}},
        {"half alpha", (const std::uint32_t *)half.data(), 2, 2, 0, 0, 16, 16, {0.125f, 0}, {0, 0.125f}},
        {"magnified along x only", black_white, 2, 1, 0, 0, 16, 8, {0.125f, 0}, {0, 2}},
        {"minified both ways: nearest", black_white, 2, 1, 0, 0, 16, 8, {1.5f, 0}, {0, 2}},
        {"outside the image", (const std::uint32_t *)opaque.data(), 2, 2, 20, 20, 30, 30, {0.25f, 0}, {0, 0.25f}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::uint8_t> image(16 * 16 * 3, 100);
        // Top, left, right, bottom of the axis-aligned quad (left and top share a corner).
        const float corners[4][2] = {{c.x0, c.y0}, {c.x0, c.y1}, {c.x1, c.y0}, {c.x1, c.y1}};
        const float origin[2] = {c.x0, c.y0};
        decal_raster_span(image.data(), 16, c.pixels, c.w, c.h, corners, origin, c.du, c.dv);
        int inside = 0, between = 0, touched_outside = 0;
        for (int r = 0; r < 16; ++r)
            for (int col = 0; col < 16; ++col) {
                const std::uint8_t *p = &image[(r * 16 + col) * 3];
                bool in = col + 0.5f > c.x0 && col + 0.5f < c.x1 && r + 0.5f > c.y0 && r + 0.5f < c.y1;
                if (!in) touched_outside += p[0] != 100 || p[1] != 100 || p[2] != 100;
                inside += in;
                if (in && p[0] > 10 && p[0] < 245) ++between;
                if (in && c.pixels == (const std::uint32_t *)opaque.data()) EXPECT_EQ(p[0], 250);
                if (in && c.pixels == (const std::uint32_t *)half.data()) EXPECT_NEAR(p[0], (255 * 128 + 100 * 127) / 255, 1);
            }
        EXPECT_EQ(touched_outside, 0);
        if (c.pixels == black_white) {
            if (c.du[0] < 1) EXPECT_GT(between, 0);   // bilinear: shades between black and white
            else EXPECT_EQ(between, 0);               // nearest: black or white only
        }
        if (c.x0 >= 16) EXPECT_EQ(inside, 0);
    }
}

TEST(ComposeCpu, TurnedDecalCoversItsArea)
{
    composed_field f;
    const float angles[] = {0.7853982f, 0.3f, 2.5f, -1.2f};
    for (float a : angles) {
        SCOPED_TRACE(a);
        f.t->decals.count = 0;
        for (growable_array &g : f.t->decal_grid) g.count = 0;
        decal d = {};
        d.x = 22; d.z = 42; d.size1 = 2; d.size2 = 1;   // 2 x 2 ft: 64 texels at 4 texels per ft
        d.angle = a;
        d.sin_angle = std::sin(a);
        d.cos_angle = std::cos(a);
        d.pixels = (int *)f.decal_image.data();
        d.width = d.height = 4;
        growable_array_append(&f.t->decals, &d);
        decal_grid_insert(f.t, 0);
        terrain_compose_pixels(f.t, 10, 20, 2);
        int blue = 0;
        for (int r = 0; r < 16; ++r)
            for (int c = 0; c < 16; ++c) blue += f.texel(c, r)[2] > 150;
        EXPECT_NEAR(blue, 64, 8);
        EXPECT_GT(f.texel(8, 8)[2], 150);    // the centre
        EXPECT_LT(f.texel(0, 0)[2], 150);    // a corner of the area
    }
}
