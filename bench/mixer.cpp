// One mixer block with a full grid of engine voices: 160 looping stream voices, centred, of
// which the default budget of 16 cursors lets 8 be heard on stereo output; the rest advance in
// silence. Equal rates take the copy-add loop, unequal ones the fraction stepping.
#include <benchmark/benchmark.h>
#include "platform/mixer.h"
#include <vector>

static void mixer_block(benchmark::State &state, int output_rate, int block_samples)
{
    const int voices = 160, budget = 16;
    const int voice_rate = state.range(0) ? output_rate * 1337 / 1000 : output_rate;
    std::vector<int> left(block_samples), right(block_samples);
    std::vector<unsigned char> out(2 * block_samples);
    mix_target t;
    kubl_mix_target_init(&t, output_rate, block_samples, 1, budget, left.data(), right.data(), out.data());

    std::vector<unsigned char> ring(32768);
    for (size_t i = 0; i < ring.size(); ++i) ring[i] = (unsigned char)(128 + (int)((i * 7) % 96) - 48);
    std::vector<mixer_voice *> all;
    for (int i = 0; i < voices; ++i) {
        mixer_voice *v = kubl_mixer_sound_create(&t, (int)ring.size(), ring.data(), 0);
        kubl_mixer_sound_set_loop(v, 1);
        kubl_mixer_sound_set_rate(v, voice_rate == output_rate ? voice_rate : voice_rate + i);
        kubl_mixer_sound_set_volume(v, 0x7FFF - i * 64);
        kubl_mixer_sound_play(v);
        all.push_back(v);
    }
    for (auto _ : state) {
        kubl_mix_block(&t);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * block_samples);
    state.counters["voices"] = voices;
    for (mixer_voice *v : all) kubl_mixer_sound_free(v);
}

// A fragment of the mixing thread: 1/64 s at 22050 Hz.
static void BM_MixerFragment22050(benchmark::State &state) { mixer_block(state, 22050, 22050 / 64); }
// A tick of audio capture: 690 samples at 88320 Hz.
static void BM_MixerTick88320(benchmark::State &state) { mixer_block(state, 88320, 690); }

BENCHMARK(BM_MixerFragment22050)->ArgName("unequal_rates")->Arg(0)->Arg(1);
BENCHMARK(BM_MixerTick88320)->ArgName("unequal_rates")->Arg(0)->Arg(1);
