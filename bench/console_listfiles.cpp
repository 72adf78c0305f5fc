// "listfiles" over a file index of 10,000 entries (100 folders of 100 files): a pattern that a
// hundred entries hold, and no pattern (every entry printed).
#include "bench_temp.h"
#include <benchmark/benchmark.h>
#include "data/console.h"
#include "data/file_index.h"
#include "data/paths.h"
#include "shell/main/console_commands.h"
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>

static void make_index(void)
{
    static std::string root;
    if (!root.empty()) return;
    std::string tmpl = "/tmp/rl_bench_listfiles_XXXXXX";
    if (!bench_mkdtemp(tmpl.data())) abort();
    root = tmpl;
    mkdir((root + "/xdg").c_str(), 0777);
    mkdir((root + "/data").c_str(), 0777);
    for (int d = 0; d < 100; ++d) {
        std::string folder = root + "/data/track" + std::to_string(d);
        mkdir(folder.c_str(), 0777);
        for (int f = 0; f < 100; ++f) {
            FILE *out = fopen((folder + "/file" + std::to_string(f) + ".png").c_str(), "wb");
            fputs("x", out);
            fclose(out);
        }
    }
    setenv("XDG_DATA_HOME", (root + "/xdg").c_str(), 1);
    setenv("RL_HOME", (root + "/data").c_str(), 1);
    search_folders_free();
    data_files_free();
    file_index_names();
}

static void BM_ConsoleListfiles(benchmark::State &state)
{
    make_index();
    const char *line = state.range(0) ? "/listfiles FILE42.PNG" : "/listfiles";
    for (auto _ : state) benchmark::DoNotOptimize(console_line(line));
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_ConsoleListfiles)->Arg(1)->Arg(0)->ArgName("pattern")->Unit(benchmark::kMillisecond);
