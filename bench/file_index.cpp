// Building the file index: 10,000 files in 100 folders, and one archive of 1,000 members; then
// name lookups in the built index.
#include "bench_temp.h"
#include <benchmark/benchmark.h>
#include "data/file_index.h"
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

static std::string make_root(const char *tag)
{
    std::string tmpl = std::string("/tmp/rl_bench_index_") + tag + "_XXXXXX";
    if (!bench_mkdtemp(tmpl.data())) abort();
    std::string root = tmpl;
    mkdir((root + "/xdg").c_str(), 0777);
    mkdir((root + "/data").c_str(), 0777);
    return root;
}

static void use_root(const std::string &root)
{
    setenv("XDG_DATA_HOME", (root + "/xdg").c_str(), 1);
    setenv("RL_HOME", (root + "/data").c_str(), 1);
    data_files_free();
}

static const std::string &folder_tree(void)
{
    static std::string root;
    if (!root.empty()) return root;
    root = make_root("tree");
    for (int d = 0; d < 100; ++d) {
        std::string folder = root + "/data/track" + std::to_string(d);
        mkdir(folder.c_str(), 0777);
        for (int f = 0; f < 100; ++f) {
            FILE *out = fopen((folder + "/file" + std::to_string(f) + ".png").c_str(), "wb");
            fputs("x", out);
            fclose(out);
        }
    }
    return root;
}

static const std::string &archive_tree(void)
{
    static std::string root;
    if (!root.empty()) return root;
    root = make_root("saf");
    std::string header, body;
    for (int m = 0; m < 1000; ++m) {
        std::string content = "member " + std::to_string(m) + "\n";
        header += std::to_string(content.size()) + " models/part" + std::to_string(m) + ".km\n";
        body += content;
    }
    FILE *out = fopen((root + "/data/content.saf").c_str(), "wb");
    fputs((header + "-\n" + body).c_str(), out);
    fclose(out);
    return root;
}

static void BM_BuildTenThousandFiles(benchmark::State &state)
{
    const std::string &root = folder_tree();
    for (auto _ : state) {
        use_root(root);
        benchmark::DoNotOptimize(file_index_names());
    }
    data_files_free();
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_BuildTenThousandFiles)->Unit(benchmark::kMillisecond);

static void BM_BuildArchiveOfThousandMembers(benchmark::State &state)
{
    const std::string &root = archive_tree();
    for (auto _ : state) {
        use_root(root);
        benchmark::DoNotOptimize(file_index_names());
    }
    data_files_free();
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_BuildArchiveOfThousandMembers)->Unit(benchmark::kMicrosecond);

static void BM_Lookup(benchmark::State &state)
{
    use_root(folder_tree());
    file_index_names();
    char name[64];
    int i = 0, found = 0;
    for (auto _ : state) {
        snprintf(name, sizeof name, "TRACK%d/File%d.png", i % 100, (i * 7) % 100);
        found += file_index_lookup(name) >= 0;
        ++i;
    }
    benchmark::DoNotOptimize(found);
    data_files_free();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Lookup);
