// "hfvol" over the largest ground a track has: 2049 x 2049 heights summed in one frame.
#include <benchmark/benchmark.h>
#include "data/console.h"
#include "shell/main/console_commands.h"
#include "terrain/field.h"
#include <vector>

static void BM_ConsoleHfvol(benchmark::State &state)
{
    const int dim = 2049;
    std::vector<float> heights((size_t)dim * dim);
    for (size_t i = 0; i < heights.size(); ++i) heights[i] = (float)(i % 977) * 0.25f;
    static terrain_field field;
    field.heights = heights.data();
    field.grid_dim = dim;
    terrain_field *saved = terrain_ptr;
    terrain_ptr = &field;
    for (auto _ : state) benchmark::DoNotOptimize(console_line("/hfvol"));
    terrain_ptr = saved;
    state.SetItemsProcessed(state.iterations() * (int64_t)heights.size());
    state.SetBytesProcessed(state.iterations() * (int64_t)(heights.size() * sizeof(float)));
}
BENCHMARK(BM_ConsoleHfvol)->Unit(benchmark::kMillisecond);
