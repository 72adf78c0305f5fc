// Decoding a 1024 x 1024 texture from PNG (the mip chain built behind it), and the mip chain
// build alone.
#include "bench_temp.h"
#include "graphics/image.h"
#include "graphics/png.h"
#include "data/mem.h"
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const int side = 1024;

// A ground-like picture: smooth shading with some grain, so it compresses as real textures do.
std::vector<unsigned char> picture(void)
{
    std::mt19937 rng(5);
    std::vector<unsigned char> rgb((size_t)side * side * 3);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            unsigned char *p = &rgb[((size_t)y * side + x) * 3];
            int grain = (int)(rng() % 24);
            p[0] = (unsigned char)(90 + (x >> 4) % 40 + grain);
            p[1] = (unsigned char)(70 + (y >> 4) % 30 + grain);
            p[2] = (unsigned char)(50 + grain);
        }
    return rgb;
}

const std::string &png_file(void)
{
    static std::string path;
    if (path.empty()) {
        char dir[] = "/tmp/rl_bench_png_XXXXXX";
        if (!bench_mkdtemp(dir)) abort();
        path = std::string(dir) + "/ground.png";
        std::vector<unsigned char> rgb = picture();
        if (!image_write_png_rgb(path.c_str(), rgb.data(), side, side)) abort();
    }
    return path;
}

void BM_PngDecodeWithMips(benchmark::State &state)
{
    const std::string &path = png_file();
    for (auto _ : state) {
        unsigned char *pixels;
        char *text;
        int w, h, channels;
        if (!image_read_png(path.c_str(), &pixels, &w, &h, &channels, &text)) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(pixels);
        mem_free(pixels);
        mem_free(text);
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)side * side * 3);
}
BENCHMARK(BM_PngDecodeWithMips)->Unit(benchmark::kMillisecond);

void BM_MipChainBuild(benchmark::State &state)
{
    int channels = (int)state.range(0);
    std::vector<unsigned char> chain(image_chain_bytes(side, side, channels));
    std::mt19937 rng(9);
    for (size_t i = 0; i < (size_t)side * side * channels; ++i) chain[i] = (unsigned char)rng();
    for (auto _ : state) {
        image_build_mips(chain.data(), side, side, channels, 0);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)side * side * channels);
}
BENCHMARK(BM_MipChainBuild)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond);

} // namespace
