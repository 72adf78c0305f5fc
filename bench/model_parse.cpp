// Reading a 100,000-vertex ".km" model (a 316 x 316 grid of vertices, two triangles per cell):
// the cost is data_scanf's, one number at a time.
#include "bench_temp.h"
#include <benchmark/benchmark.h>
#include "graphics/model.h"
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

static unsigned no_list(const km_mesh *) { return 0; }
static void no_delete(unsigned) {}
static const model_list_ops no_lists = {no_list, no_delete};

enum { SIDE = 316 };

static std::string model_file(void)
{
    static std::string path;
    if (!path.empty()) return path;
    char dir[] = "/tmp/rl_bench_km_XXXXXX";
    if (!bench_mkdtemp(dir)) abort();
    path = std::string(dir) + "/grid.km";
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) abort();
    fprintf(f, "KM1\n32 1 0.8 0.8 0.8 %d %d\n", SIDE * SIDE, (SIDE - 1) * (SIDE - 1) * 2);
    for (int z = 0; z < SIDE; ++z)
        for (int x = 0; x < SIDE; ++x)
            fprintf(f, "%.5f %.5f %.5f %.5f %.5f %.5f %.5f %.5f\n", x * 0.1, 0.01 * ((x * 7 + z * 3) % 13), z * 0.1,
                    0.0, 1.0, 0.0, x / (double)SIDE, z / (double)SIDE);
    for (int z = 0; z + 1 < SIDE; ++z)
        for (int x = 0; x + 1 < SIDE; ++x) {
            int i = z * SIDE + x;
            fprintf(f, "%d %d %d\n%d %d %d\n", i, i + SIDE, i + 1, i + 1, i + SIDE, i + SIDE + 1);
        }
    fclose(f);
    return path;
}

static void BM_ModelParse(benchmark::State &state)
{
    model_set_list_ops(&no_lists);
    std::string path = model_file();
    long vertices = 0;
    for (auto _ : state) {
        km_mesh *m = model_parse_file(path.c_str());
        if (!m) abort();
        vertices += m->vertex_count;
        mesh_free(m);
    }
    state.SetItemsProcessed(vertices);
    state.counters["vertices"] = SIDE * SIDE;
}
BENCHMARK(BM_ModelParse)->Unit(benchmark::kMillisecond);
