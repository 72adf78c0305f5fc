// data_getc over an ~8 MiB text model file, plain and gzip-compressed: the byte path every
// formatted read goes through.
#include "bench_temp.h"
#include <benchmark/benchmark.h>
#include "data/stream.h"
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <zlib.h>

namespace {

struct Files {
    std::string folder, plain, gz;   // gz is opened by its plain name
    long bytes = 0;
    ~Files()
    {
        remove(plain.c_str());
        remove((gz + ".gz").c_str());
        remove((folder + "/packed").c_str());
        remove(folder.c_str());
    }
};

const Files &files(void)
{
    static Files made;
    if (made.bytes) return made;
    char folder[] = "/tmp/rl_bench_stream_XXXXXX";
    if (!bench_mkdtemp(folder)) abort();
    made.folder = folder;
    made.plain = std::string(folder) + "/model.km";
    made.gz = std::string(folder) + "/packed/model.km";
    std::string text;
    for (unsigned i = 0; text.size() < (8u << 20); ++i) {
        char line[96];
        snprintf(line, sizeof line, "v %.6f %.6f %.6f n %.4f %.4f %.4f t %.5f %.5f\n", i * 0.013, i * -0.007,
                 (i % 977) * 0.25, (i % 3) * 0.5, (i % 5) * 0.2, (i % 7) * 0.1, (i % 256) / 256.0,
                 (i % 512) / 512.0);
        text += line;
    }
    made.bytes = (long)text.size();
    FILE *out = fopen(made.plain.c_str(), "wb");
    fwrite(text.data(), 1, text.size(), out);
    fclose(out);
    std::string packed = std::string(folder) + "/packed";
    if (mkdir(packed.c_str(), 0777)) abort();
    gzFile gz = gzopen((made.gz + ".gz").c_str(), "wb6");
    gzwrite(gz, text.data(), (unsigned)text.size());
    gzclose(gz);
    return made;
}

void read_by_getc(benchmark::State &state, const std::string &path)
{
    long sum = 0;
    for (auto _ : state) {
        data_stream *s = data_open(path.c_str(), "rb");
        if (!s) {
            state.SkipWithError("open failed");
            return;
        }
        for (int c; (c = data_getc(s)) >= 0;) sum += c;
        data_close(s);
    }
    benchmark::DoNotOptimize(sum);
    state.SetBytesProcessed(state.iterations() * files().bytes);
}

void BM_GetcPlain(benchmark::State &state) { read_by_getc(state, files().plain); }
void BM_GetcGzip(benchmark::State &state) { read_by_getc(state, files().gz); }

} // namespace

BENCHMARK(BM_GetcPlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetcGzip)->Unit(benchmark::kMillisecond);
