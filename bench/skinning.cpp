// Posing a skinned mesh on the processor (the fixed pipeline's path): 100,000 vertices, each
// weighted to two or three of ten bones. Items are vertices.
#include "bench_temp.h"
#include <benchmark/benchmark.h>
#include "graphics/model.h"
#include "graphics/model_draw.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

static unsigned no_list(const km_mesh *) { return 0; }
static void no_delete(unsigned) {}
static const model_list_ops no_lists = {no_list, no_delete};

enum { VERTICES = 100000, BONES = 10 };

static km_mesh *skinned_mesh(void)
{
    char dir[] = "/tmp/rl_bench_skin_XXXXXX";
    if (!bench_mkdtemp(dir)) abort();
    std::string path = std::string(dir) + "/rider.km";
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) abort();
    fprintf(f, "KM2 %d rig\n32 1 1 1 1 %d 0\n", BONES, VERTICES);
    for (int i = 0; i < VERTICES; ++i) {
        fprintf(f, "%g %g %g 0 1 0 0 0", (i % 100) * 0.02, (i / 100 % 100) * 0.02, (i / 10000) * 0.1);
        for (int b = 0; b < BONES; ++b) {
            int d = (b - i % BONES + BONES) % BONES;
            fprintf(f, " %g", d == 0 ? 0.6 : d == 1 ? 0.3 : d == 2 && i % 2 ? 0.1 : 0.0);
        }
        fputc('\n', f);
    }
    fclose(f);
    model_set_list_ops(&no_lists);
    km_mesh *m = model_parse_file(path.c_str());
    if (!m) abort();
    return m;
}

static void BM_Skinning(benchmark::State &state)
{
    static km_mesh *m = skinned_mesh();
    float centres[BONES * 3], translations[BONES * 3], rotations[BONES * 9];
    for (int b = 0; b < BONES; ++b) {
        float a = 0.1f * b, c = std::cos(a), s = std::sin(a);
        const float r[9] = {c, s, 0, -s, c, 0, 0, 0, 1};
        for (int k = 0; k < 9; ++k) rotations[b * 9 + k] = r[k];
        for (int k = 0; k < 3; ++k) {
            centres[b * 3 + k] = 0.1f * b;
            translations[b * 3 + k] = 0.05f * k;
        }
    }
    for (auto _ : state) {
        mesh_skin(m, centres, translations, rotations, BONES);
        benchmark::DoNotOptimize(m->positions[0]);
    }
    state.SetItemsProcessed(state.iterations() * (long)VERTICES);
}
BENCHMARK(BM_Skinning)->Unit(benchmark::kMillisecond);
