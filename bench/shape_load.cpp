// A private instance of a cached collision shape, as each bike takes seven at creation and
// each statue one: the cache holds 24 names (a field's bike parts and a track's objects) and
// the shape asked for is the last, with 24 spheres; the instance is freed again each time.
#include "bench_temp.h"
#include <benchmark/benchmark.h>
#include "bike/shape.h"
#include "data/mem.h"
#include <cstdio>
#include <cstdlib>
#include <string>

enum { NAMES = 24, SPHERES = 24 };

static std::string shape_files(void)
{
    static std::string last;
    if (!last.empty()) return last;
    char dir[] = "/tmp/rl_bench_shp_XXXXXX";
    if (!bench_mkdtemp(dir)) abort();
    for (int n = 0; n < NAMES; ++n) {
        last = std::string(dir) + "/part" + std::to_string(n) + ".shp";
        FILE *f = fopen(last.c_str(), "wb");
        if (!f) abort();
        fprintf(f, "%d\n", SPHERES);
        for (int i = 0; i < SPHERES; ++i) fprintf(f, "%g %g %g 0.3 0.8 12000 250\n", 0.1 * i, 0.05 * n, -0.2 * i);
        fclose(f);
        if (!shape_cache_load(last.c_str())) abort();
    }
    return last;
}

static void BM_ShapeLoadInstance(benchmark::State &state)
{
    const std::string name = shape_files();
    for (auto _ : state) {
        shape *s = shape_load_instance(name.c_str());
        benchmark::DoNotOptimize(s);
        mem_free(s);
    }
}
BENCHMARK(BM_ShapeLoadInstance);
