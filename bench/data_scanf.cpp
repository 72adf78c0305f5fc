// data_scanf "%f" and data_getc over a large model-like text file (vertex lines of five reals),
// plain and gzip-compressed (opened by its plain name, as loaders do).
#include "bench_temp.h"
#include <benchmark/benchmark.h>
#include "data/stream.h"
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <zlib.h>

static std::string model_file(void)
{
    static std::string path;
    if (!path.empty()) return path;
    char dir[] = "/tmp/rl_bench_scanf_XXXXXX";
    if (!bench_mkdtemp(dir)) abort();
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

// The same text as model_file, gzip-compressed; returns the name without ".gz".
static std::string packed_model_file(void)
{
    static std::string path;
    if (!path.empty()) return path;
    std::string plain = model_file();
    path = plain.substr(0, plain.rfind('/')) + "/packed.txt";
    FILE *in = fopen(plain.c_str(), "rb");
    gzFile out = gzopen((path + ".gz").c_str(), "wb6");
    if (!in || !out) abort();
    char buffer[65536];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, in)) > 0;) gzwrite(out, buffer, (unsigned)n);
    fclose(in);
    gzclose(out);
    return path;
}

static void BM_ScanfReals(benchmark::State &state)
{
    std::string path = state.range(0) ? packed_model_file() : model_file();
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
BENCHMARK(BM_ScanfReals)->ArgName("gzip")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

static void BM_Getc(benchmark::State &state)
{
    std::string path = state.range(0) ? packed_model_file() : model_file();
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
BENCHMARK(BM_Getc)->ArgName("gzip")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
