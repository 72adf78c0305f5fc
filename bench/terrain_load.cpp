// Loading a track's ground files at 1025^2 and 2049^2 vertices: PNG heights, shading, tiles,
// tile map, and the full level-of-detail pyramid.
#include "bench_temp.h"
#include "terrain/field.h"
#include "terrain/terrain_io.h"
#include "graphics/png.h"
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

static std::string make_track(int depth)
{
    char tmpl[] = "/tmp/rl_bench_track_XXXXXX";
    if (!bench_mkdtemp(tmpl)) abort();
    std::string dir = tmpl;
    const int dim = (1 << (depth + 1)) + 1;
    FILE *f = fopen((dir + "/terrain.hf").c_str(), "wb");
    fprintf(f, "%d 0.5 -10 30\n", depth);
    fclose(f);
    std::vector<unsigned short> samples((size_t)dim * dim);
    for (int z = 0; z < dim; ++z)
        for (int x = 0; x < dim; ++x) samples[(size_t)z * dim + x] = (unsigned short)((x * 37 + z * 91 + x * z) & 0xFFFF);
    image_write_png_grey16((dir + "/terrain.png").c_str(), samples.data(), dim, dim);
    f = fopen((dir + "/shadingx2.ppm").c_str(), "wb");
    fprintf(f, "P6\n%d %d\n255\n", dim, dim);
    std::vector<unsigned char> rgb((size_t)dim * dim * 3, 120);
    fwrite(rgb.data(), 1, rgb.size(), f);
    fclose(f);
    f = fopen((dir + "/tileinfo").c_str(), "wb");
    fputs("friction 1 1\naddtile\nfriction 0.5 1\naddtile\n", f);
    fclose(f);
    f = fopen((dir + "/tilemap").c_str(), "wb");
    std::vector<unsigned char> tiles((size_t)1 << (2 * depth), 1);
    fwrite(tiles.data(), 1, tiles.size(), f);
    fclose(f);
    return dir;
}

static void BM_TerrainLoad(benchmark::State &state)
{
    const int depth = (int)state.range(0);
    std::string dir = make_track(depth);
    for (auto _ : state) {
        if (!terrain_load(terrain_ptr, dir.c_str(), 1)) state.SkipWithError("load failed");
        terrain_free(terrain_ptr);
    }
    state.SetLabel(depth == 9 ? "1025^2" : "2049^2");
    std::string rm = "rm -rf " + dir;
    if (system(rm.c_str())) {}
}
BENCHMARK(BM_TerrainLoad)->Arg(9)->Arg(10)->Unit(benchmark::kMillisecond);
