// Row blends: the SIMD forms against their plain twins, and what both must do exactly.
#include "graphics/blend.h"
#include "graphics/cpu.h"
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

using blend_fn = void (*)(std::uint8_t *, int, const std::uint32_t *, int, int, std::int32_t,
                          std::int32_t, std::int32_t, std::int32_t);

struct BlendPair { const char *name; blend_fn simd, plain; };
const BlendPair blends[] = {
    {"nearest", blend_argb_row_nearest, blend_argb_row_nearest_plain},
    {"bilinear", blend_argb_row_bilinear, blend_argb_row_bilinear_plain},
};

int max_difference(const std::vector<std::uint8_t> &a, const std::vector<std::uint8_t> &b)
{
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(a[i] - b[i]));
    return worst;
}

TEST(RowBlends, SimdAgreesWithPlainOnRandomRows)
{
    std::mt19937 rng(1234);
    for (int trial = 0; trial < 400; ++trial) {
        // Sizes include 1-texel axes; steps shrink and magnify; starts lie partly outside.
        int w = 1 + rng() % 40, h = 1 + rng() % 40, count = 1 + rng() % 300;
        std::vector<std::uint32_t> rgba(w * h);
        for (auto &t : rgba) {
            t = rng();
            if (rng() % 4 == 0) t &= 0x00FFFFFF;   // plenty of fully transparent
            else if (rng() % 4 == 0) t |= 0xFF000000;
        }
        std::vector<std::uint8_t> rgb(w * h * 3), row(count * 3);
        for (auto &b : rgb) b = (std::uint8_t)rng();
        for (auto &b : row) b = (std::uint8_t)rng();
        std::int32_t u = (std::int32_t)(rng() % (w << 17)) - (w << 15);
        std::int32_t v = (std::int32_t)(rng() % (h << 17)) - (h << 15);
        std::int32_t du = (std::int32_t)(rng() % 0x30000) - 0x18000;
        std::int32_t dv = (std::int32_t)(rng() % 0x20000) - 0x10000;
        for (const BlendPair &b : blends) {
            SCOPED_TRACE(testing::Message() << b.name << " trial " << trial << " " << w << "x" << h);
            std::vector<std::uint8_t> a = row, p = row;
            b.simd(a.data(), count, rgba.data(), w, h, u, v, du, dv);
            b.plain(p.data(), count, rgba.data(), w, h, u, v, du, dv);
            ASSERT_LE(max_difference(a, p), 1);
        }
        SCOPED_TRACE(testing::Message() << "modulate trial " << trial);
        std::vector<std::uint8_t> a = row, p = row;
        modulate_rgb_row(a.data(), count, rgb.data(), w, h, u, v, du);
        modulate_rgb_row_plain(p.data(), count, rgb.data(), w, h, u, v, du);
        ASSERT_LE(max_difference(a, p), 1);
    }
}

TEST(RowBlends, TransparentLeavesAndOpaqueReplacesExactly)
{
    // Two texels: opaque (9, 99, 199) and transparent white; sampled texel by texel.
    const std::uint32_t image[2] = {0xFFC76309u, 0x00FFFFFFu};
    for (const BlendPair &b : blends) {
        for (blend_fn f : {b.simd, b.plain}) {
            SCOPED_TRACE(b.name);
            std::vector<std::uint8_t> row = {50, 60, 70, 50, 60, 70};
            // Nearest: texel 0 then 1. Bilinear: the centres of texel 0 and 1 on a 2 x 1 image.
            f(row.data(), 2, image, 2, 1, 0x8000, 0x8000, 0x10000, 0);
            EXPECT_EQ(row, (std::vector<std::uint8_t>{9, 99, 199, 50, 60, 70}));
        }
    }
}

TEST(RowBlends, HalfAlphaBlendsAndBilinearInterpolates)
{
    std::vector<std::uint8_t> row = {0, 100, 255};
    const std::uint32_t half_white = 0x80FFFFFFu;
    blend_argb_row_nearest_plain(row.data(), 1, &half_white, 1, 1, 0, 0, 0, 0);
    EXPECT_EQ(row, (std::vector<std::uint8_t>{128, 177, 255}));

    // Halfway between an opaque black and an opaque white texel: grey 127 (128 x 255 >> 8).
    const std::uint32_t pair[2] = {0xFF000000u, 0xFFFFFFFFu};
    row = {1, 2, 3};
    blend_argb_row_bilinear_plain(row.data(), 1, pair, 2, 1, 0x10000, 0x8000, 0, 0);
    EXPECT_EQ(row, (std::vector<std::uint8_t>{127, 127, 127}));
}

TEST(RowBlends, OneTexelAxesSampleInsideTheImage)
{
    // A 1 x 3 column and a 3 x 1 row: far-off coordinates clamp to the image, never past it.
    // The clamp stops 1/256 short of the last texel's centre, hence 254.
    const std::uint32_t column[3] = {0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u};
    struct Case { int w, h; std::int32_t u, v; std::vector<std::uint8_t> want; };
    const Case cases[] = {
        {1, 3, 0x7FFF0000, -0x70000000, {255, 0, 0}},
        {1, 3, 0x7FFF0000, 0x7FFF0000, {0, 0, 254}},
        {3, 1, 0x7FFF0000, 0x7FFF0000, {0, 0, 254}},
        {1, 1, 0x12345678, 0x7FFF0000, {255, 0, 0}},
    };
    for (const Case &c : cases)
        for (blend_fn f : {blend_argb_row_bilinear, blend_argb_row_bilinear_plain}) {
            std::vector<std::uint8_t> row = {7, 7, 7};
            f(row.data(), 1, column, c.w, c.h, c.u, c.v, 0, 0);
            EXPECT_EQ(row, c.want) << c.w << "x" << c.h;
        }
    const std::uint8_t light[3] = {255, 128, 0};
    for (auto f : {modulate_rgb_row, modulate_rgb_row_plain}) {
        std::vector<std::uint8_t> row = {255, 200, 200};
        f(row.data(), 1, light, 1, 1, 0x7FFF0000, 0x7FFF0000, 0);
        EXPECT_EQ(row, (std::vector<std::uint8_t>{255, 200, 0}));   // 255 saturates, 128 keeps
    }
}

TEST(Cpu, DetectionOnlyEverSetsTheFlag)
{
    mmx_available = 0;
    cpu_detect_mmx();
#if defined(__x86_64__)
    EXPECT_EQ(mmx_available, 1);
#endif
    mmx_available = 1;
    cpu_detect_mmx();
    EXPECT_EQ(mmx_available, 1);
}

} // namespace
