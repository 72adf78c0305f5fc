// Engine sound synthesis for one rider: a frame's worth (735 samples at 60 Hz) and the most one
// call writes (8820), with the built-in table and with a recorded one (5 speeds × 2 loads of
// 2000-sample cells, remap lists); and a frame of 40 riders. The voice is a stand-in whose
// play position moves on by the samples asked each call.
#include "bench_temp.h"
#include <benchmark/benchmark.h>
#include "bike/engine_sound.h"
#include "data/stream.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct bench_voice { int position; };
std::string g_dir;

data_stream *open_file(const char *name, const char *mode)
{
    std::string path = g_dir + (name[0] == '@' ? name + 1 : name);
    return data_open(path.c_str(), mode);
}
voice *create(int, const unsigned char *) { return (voice *)new bench_voice{0}; }
void free_voice(voice *v) { delete (bench_voice *)v; }
void start(voice *) {}
int  position(voice *v) { return ((bench_voice *)v)->position; }
int  write(voice *, int length, const unsigned char *, int) { return length; }
void set(voice *, int) {}

void write_file(const std::string &name, const std::string &bytes)
{
    FILE *f = fopen((g_dir + name).c_str(), "wb");
    if (!f) abort();
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

void setup(bool recorded)
{
    static const engine_sound_io io = {open_file, data_close, create, free_voice, start, position, write, set, set, set};
    engine_sound_set_io(&io);
    if (g_dir.empty()) {
        char dir[] = "/tmp/rl_bench_sound_XXXXXX";
        if (!bench_mkdtemp(dir)) abort();
        g_dir = std::string(dir) + "/";
        std::string table = "SOUNDTABLE 5 2\n1500 4000 7000 10000 13000\n0 1\n";
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 2; ++c) {
                std::string name = "c" + std::to_string(r) + std::to_string(c) + ".raw", bytes;
                for (int k = 0; k < 2000; ++k) {
                    int v = (int)(std::sin(k * 0.05 * (r + 1)) * (c ? 20000 : 6000));
                    bytes += (char)(v & 0xFF), bytes += (char)((v >> 8) & 0xFF);
                }
                write_file(name, bytes);
                table += "0 3 1 2 -1 4 " + name + "\n";
            }
        write_file("t.sound", table);
        write_file("r.braap", "soundtable t.sound\npipe 4 0.9 -0.8 0 15\n");
    }
    for (int slot = 0; slot < 40; ++slot)
        engine_sound_load_block(slot, "450f", recorded ? "@r.png" : "@none.png", nullptr);
}

void teardown(void)
{
    for (void *&v : engine_voices) {
        if (v) free_voice((voice *)v);
        v = nullptr;
    }
    engine_sound_tables_free();
    engine_sound_table_list_free();
    engine_sound_set_io(nullptr);
}

void run(benchmark::State &state, int riders, int samples, bool recorded)
{
    setup(recorded);
    const float still[3] = {0, 0, 0};
    float rpm = 2000;
    for (auto _ : state) {
        for (int slot = 0; slot < riders; ++slot) {
            bench_voice *v = (bench_voice *)engine_voices[slot];
            v->position = (v->position + samples) % ENGINE_SOUND_RING;
            const float at[3] = {(float)slot * 7, 0, 20};
            engine_sound_synthesise(slot, rpm, 1, at, still, 1);
        }
        rpm = rpm > 12000 ? 2000 : rpm + 37;
    }
    state.SetItemsProcessed(state.iterations() * riders * samples);
    teardown();
}

}   // namespace

static void engine_sound_builtin(benchmark::State &state) { run(state, 1, (int)state.range(0), false); }
static void engine_sound_recorded(benchmark::State &state) { run(state, 1, (int)state.range(0), true); }
static void engine_sound_frame_40(benchmark::State &state) { run(state, 40, 735, state.range(0) != 0); }
BENCHMARK(engine_sound_builtin)->Arg(735)->Arg(8820);
BENCHMARK(engine_sound_recorded)->Arg(735)->Arg(8820);
BENCHMARK(engine_sound_frame_40)->Arg(0)->Arg(1);
