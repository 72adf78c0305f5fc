// data_scanf "%f" over a large model-like text file (vertex lines of five reals).
#include <benchmark/benchmark.h>
#include "data/stream.h"
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

static std::string model_file(void)
{
    static std::string path;
    if (!path.empty()) return path;
    char dir[] = "/tmp/rl_bench_scanf_XXXXXX";
    if (!mkdtemp(dir)) abort();
    path = std::string(dir) + "/model.txt";
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) abort();
    srand(7);
    long bytes = 0;
    while (bytes < 4L << 20) {
        int n = fprintf(f, "%.6f %.6f %.6f %.4f %.4f\n", rand() / 1e6 - 1000, rand() / 1e7, -rand() / 1e8,
                        rand() / (double)RAND_MAX, rand() / (double)RAND_MAX);
        bytes += n;
    }
    fclose(f);
    return path;
}

static void BM_ScanfReals(benchmark::State &state)
{
    std::string path = model_file();
    long bytes = 0;
    for (auto _ : state) {
        data_stream *s = data_open(path.c_str(), "rb");
        float v;
        long n = 0;
        while (data_scanf(s, "%f", &v) == 1) n++;
        benchmark::DoNotOptimize(n);
        bytes += s->position;
        data_close(s);
    }
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_ScanfReals)->Unit(benchmark::kMillisecond);

static void BM_Getc(benchmark::State &state)
{
    std::string path = model_file();
    long bytes = 0;
    for (auto _ : state) {
        data_stream *s = data_open(path.c_str(), "rb");
        unsigned sum = 0;
        for (int c; (c = data_getc(s)) >= 0;) sum += (unsigned)c;
        benchmark::DoNotOptimize(sum);
        bytes += s->position;
        data_close(s);
    }
    state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_Getc)->Unit(benchmark::kMillisecond);
