// A small texture whose ".info" side file is long (the texture text grows with every block
// read), and one whose text chunks are many: both are read in time linear in what is kept.
#include "bench_temp.h"
#include "graphics/png.h"
#include "data/mem.h"
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// A 4 x 4 grey picture with side_bytes of side file.
std::string texture_with_side_file(long side_bytes)
{
    char dir[] = "/tmp/rl_bench_side_XXXXXX";
    if (!bench_mkdtemp(dir)) abort();
    std::string path = std::string(dir) + "/t.png";
    unsigned char rgb[4 * 4 * 3] = {};
    if (!image_write_png_rgb(path.c_str(), rgb, 4, 4)) abort();
    FILE *f = fopen((path + ".info").c_str(), "wb");
    if (!f) abort();
    std::string line = "[mip_max_alpha] a line of the side file\n";
    for (long n = 0; n < side_bytes; n += (long)line.size()) fwrite(line.data(), 1, line.size(), f);
    fclose(f);
    return path;
}

void BM_PngSideFile(benchmark::State &state)
{
    const std::string path = texture_with_side_file(state.range(0));
    for (auto _ : state) {
        unsigned char *pixels;
        char *text;
        int w, h, channels;
        if (!image_read_png(path.c_str(), &pixels, &w, &h, &channels, &text)) state.SkipWithError("read failed");
        benchmark::DoNotOptimize(text);
        mem_free(pixels);
        mem_free(text);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
// 1 MiB, 4 MiB (the most kept) and 16 MiB (cut to 4 MiB).
BENCHMARK(BM_PngSideFile)->Arg(1 << 20)->Arg(4 << 20)->Arg(16 << 20)->Unit(benchmark::kMillisecond);

} // namespace
