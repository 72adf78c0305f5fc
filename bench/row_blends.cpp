// The three row loops of ground composition over 256-texel rows (the largest composed texture),
// SSE2 against plain, in texels per second.
#include "graphics/blend.h"
#include <benchmark/benchmark.h>
#include <random>
#include <vector>

namespace {

const int row_texels = 256, image_side = 64;

struct Inputs {
    std::vector<std::uint32_t> rgba;   // a decal: a third transparent, a third opaque, the rest between
    std::vector<std::uint8_t>  rgb;    // vertex colours
    std::vector<std::uint8_t>  row;
    Inputs() : rgba(image_side * image_side), rgb(image_side * image_side * 3), row(row_texels * 3)
    {
        std::mt19937 rng(3);
        for (auto &t : rgba) {
            t = rng() & 0x00FFFFFF;
            int kind = (int)(rng() % 3);
            t |= (kind == 0 ? 0u : kind == 1 ? 255u : (rng() % 254 + 1)) << 24;
        }
        for (auto &b : rgb) b = (std::uint8_t)(rng() % 256);
        for (auto &b : row) b = (std::uint8_t)(rng() % 256);
    }
};

using blend_fn = void (*)(std::uint8_t *, int, const std::uint32_t *, int, int, std::int32_t,
                          std::int32_t, std::int32_t, std::int32_t);

template <blend_fn f>
void BM_Blend(benchmark::State &state)
{
    Inputs in;
    // A decal sampled at about 0.23 texels per destination texel, rotated a little.
    for (auto _ : state) {
        f(in.row.data(), row_texels, in.rgba.data(), image_side, image_side, 0x18000, 0x20000, 0x3B00, 0x0900);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * row_texels);
}

using modulate_fn = void (*)(std::uint8_t *, int, const std::uint8_t *, int, int, std::int32_t,
                             std::int32_t, std::int32_t);

template <modulate_fn f>
void BM_Modulate(benchmark::State &state)
{
    Inputs in;
    for (auto _ : state) {
        f(in.row.data(), row_texels, in.rgb.data(), image_side, image_side, 0x10000, 0x48000, 0x2000);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * row_texels);
}

BENCHMARK_TEMPLATE(BM_Blend, blend_argb_row_nearest)->Name("nearest/sse2");
BENCHMARK_TEMPLATE(BM_Blend, blend_argb_row_nearest_plain)->Name("nearest/plain");
BENCHMARK_TEMPLATE(BM_Blend, blend_argb_row_bilinear)->Name("bilinear/sse2");
BENCHMARK_TEMPLATE(BM_Blend, blend_argb_row_bilinear_plain)->Name("bilinear/plain");
BENCHMARK_TEMPLATE(BM_Modulate, modulate_rgb_row)->Name("modulate/sse2");
BENCHMARK_TEMPLATE(BM_Modulate, modulate_rgb_row_plain)->Name("modulate/plain");

} // namespace
