// The software mixer, mostly through the readback driver the way audio capture uses it.
#include <gtest/gtest.h>
#include "platform/audio.h"
#include "platform/mixer.h"
#include <cstring>
#include <vector>

namespace {

const int kRate = 88320;

// The readback driver open for the test's length, closed (with its voices) at the end.
struct Readback {
    audio_handle *h;
    int samples;
    std::vector<voice *> voices;
    explicit Readback(int block_samples = 690) : samples(block_samples)
    {
        h = kubl_audio_open_readback(nullptr, kRate, block_samples);
    }
    ~Readback()
    {
        for (voice *v : voices) kubl_sound_free(v);
        kubl_audio_close(h);
    }
    voice *add(const std::vector<unsigned char> &data, int volume, int pan, int loop = 1)
    {
        voice *v = kubl_sound_create(h, (int)data.size(), data.data(), 0);
        if (!v) return nullptr;
        kubl_sound_set_loop(v, loop);
        kubl_sound_set_volume(v, volume);
        kubl_sound_set_pan(v, pan);
        kubl_sound_play(v);
        voices.push_back(v);
        return v;
    }
    std::vector<unsigned char> block()
    {
        const unsigned char *b = kubl_audio_mix_block(h);
        return b ? std::vector<unsigned char>(b, b + 2 * samples) : std::vector<unsigned char>();
    }
};

int entry(int level, int byte) { return kubl_mixer_level_row(level)[byte]; }

} // namespace

TEST(Mixer, LevelTables)
{
    struct Case { int level, byte, want; };
    const Case cases[] = {
        {31, 255, 122}, {31, 0, -123}, {15, 255, 59}, {1, 255, 3}, {1, 0, -3},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.level * 1000 + c.byte);
        EXPECT_EQ(entry(c.level, c.byte), c.want);
    }
    for (int level = 1; level < 32; ++level)
        for (int byte : {127, 128, 129}) EXPECT_EQ(entry(level, byte), 0) << level << " " << byte;
    EXPECT_EQ(kubl_mixer_level_row(0), nullptr);
    EXPECT_EQ(kubl_mixer_level_row(32), nullptr);
}

// Whole blocks of steady voices: how many are heard, at which level, clipped how.
TEST(Mixer, SteadyBlocks)
{
    struct Case {
        const char *name;
        int voices, byte, volume, pan;
        int want_left, want_right;
    };
    const Case cases[] = {
        {"silence is all 128", 0, 0, 0x7FFF, 0, 128, 128},
        {"full scale high at level 31", 1, 255, 0x7FFF, -0x8000, 250, 128},
        {"full scale low at level 31", 1, 0, 0x7FFF, -0x8000, 5, 128},
        {"fully right", 1, 255, 0x7FFF, 0x7FFF, 128, 250},
        {"centred is 15 and 15", 1, 255, 0x7FFF, 0, 128 + 59, 128 + 59},
        {"volume 0 is silent", 3, 255, 0, 0, 128, 128},
        // 20 centred voices, 16 cursors: 8 voices heard on both sides, 15 each.
        {"20 voices, 8 heard", 20, 161, 0x7FFF, 0, 128 + 8 * 15, 128 + 8 * 15},
        // Fully left the right cursors are silent and cost nothing: 16 voices heard, 2 each.
        {"20 left voices, 16 heard", 20, 132, 0x7FFF, -0x8000, 128 + 16 * 2, 128},
        {"clipped high", 4, 255, 0x7FFF, -0x8000, 255, 128},
        {"clipped low", 4, 0, 0x7FFF, -0x8000, 0, 128},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Readback rb;
        ASSERT_NE(rb.h, nullptr);
        for (int i = 0; i < c.voices; ++i)
            ASSERT_NE(rb.add(std::vector<unsigned char>(1000, (unsigned char)c.byte), c.volume, c.pan), nullptr);
        for (int round = 0; round < 2; ++round) {
            std::vector<unsigned char> b = rb.block();
            ASSERT_EQ(b.size(), 1380u);
            for (int k = 0; k < rb.samples; ++k) {
                ASSERT_EQ(b[2 * k], c.want_left) << "sample " << k;
                ASSERT_EQ(b[2 * k + 1], c.want_right) << "sample " << k;
            }
        }
    }
}

// A square wave: 10 bytes above the midpoint, 10 below.
static std::vector<unsigned char> square(int periods)
{
    std::vector<unsigned char> d;
    for (int p = 0; p < periods; ++p) {
        d.insert(d.end(), 10, 200);
        d.insert(d.end(), 10, 60);
    }
    return d;
}

TEST(Mixer, LevelChangeWaitsForZeroCrossing)
{
    Readback rb(15);
    voice *v = rb.add(square(4), 0x7FFF, -0x8000);
    ASSERT_NE(v, nullptr);
    std::vector<unsigned char> b = rb.block();   // bytes 0..14 at level 31
    EXPECT_EQ(b[0], 128 + entry(31, 200));
    EXPECT_EQ(b[2 * 14], 128 + entry(31, 60));
    kubl_sound_set_volume(v, 0x4000);            // level 15 from the next crossing
    b = rb.block();                              // bytes 15..29
    for (int k = 0; k < 5; ++k) EXPECT_EQ(b[2 * k], 128 + entry(31, 60)) << k;
    for (int k = 5; k < 15; ++k) EXPECT_EQ(b[2 * k], 128 + entry(15, 200)) << k;
}

TEST(Mixer, PlayRestartsFromFirstSampleAfterCrossing)
{
    std::vector<unsigned char> d = square(4);
    for (int i = 0; i < 10; ++i) d[i] = (unsigned char)(130 + i);   // a recognisable start
    Readback rb(15);
    voice *v = rb.add(d, 0x7FFF, -0x8000);
    rb.block();
    EXPECT_EQ(kubl_stream_position(v), 15);
    kubl_sound_play(v);
    EXPECT_EQ(kubl_stream_position(v), 0);
    std::vector<unsigned char> b = rb.block();
    // Bytes 15..19 fade out at the old level, then the sound starts over.
    for (int k = 0; k < 5; ++k) EXPECT_EQ(b[2 * k], 128 + entry(31, 60)) << k;
    for (int k = 5; k < 15; ++k) EXPECT_EQ(b[2 * k], 128 + entry(31, 130 + k - 5)) << k;
    EXPECT_EQ(kubl_stream_position(v), 10);
}

TEST(Mixer, DataEndInsideBlock)
{
    for (int loop : {0, 1}) {
        SCOPED_TRACE(loop);
        Readback rb(15);
        voice *v = rb.add(std::vector<unsigned char>(10, 255), 0x7FFF, -0x8000, loop);
        std::vector<unsigned char> b = rb.block();
        for (int k = 0; k < 15; ++k)
            EXPECT_EQ(b[2 * k], k < 10 || loop ? 250 : 128) << k;
        EXPECT_EQ(kubl_stream_position(v), loop ? 5 : 0);
        b = rb.block();
        EXPECT_EQ(b[0], loop ? 250 : 128);
        if (!loop) {
            // Not playing any more; a new play starts it again without a stale fade.
            kubl_sound_play(v);
            b = rb.block();
            for (int k = 0; k < 15; ++k) EXPECT_EQ(b[2 * k], k < 10 ? 250 : 128) << k;
        }
    }
}

TEST(Mixer, StreamRingWrites)
{
    struct Case { const char *name; int length, offset; int want_start; };
    // Ring of 8 bytes; the write is bytes 1..length.
    const Case cases[] = {
        {"inside", 3, 2, 2},
        {"wraps at the end", 4, 6, 6},
        {"offset past the ring", 2, 17, 1},
        {"negative offset", 3, -1, 7},
        {"longer than the ring keeps the last 8", 11, 0, 3},
        {"longer with a negative offset", 10, -5, 5},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Readback rb(4);
        std::vector<unsigned char> ring(8, 128), data(c.length);
        for (int i = 0; i < c.length; ++i) data[i] = (unsigned char)(i + 1);
        voice *v = kubl_sound_create(rb.h, 8, ring.data(), 0);
        ASSERT_NE(v, nullptr);
        rb.voices.push_back(v);
        EXPECT_EQ(kubl_stream_write(v, c.length, data.data(), c.offset), 1);
        // The ring itself, as the mixer will read it.
        const sound_sample *s = ((mixer_voice *)v)->sample;
        int kept = c.length > 8 ? 8 : c.length, first = c.length - kept;
        std::vector<unsigned char> want(8, 128);
        for (int i = 0; i < kept; ++i) want[(c.want_start + i) % 8] = data[first + i];
        EXPECT_EQ(std::vector<unsigned char>(s->data, s->data + 8), want);
    }
}

TEST(Mixer, CreateResamplesAndRefusesEmpty)
{
    int left[64], right[64];
    unsigned char out[128];
    mix_target t;
    kubl_mix_target_init(&t, 22050, 64, 1, 16, left, right, out);

    std::vector<unsigned char> src(1000);
    for (int i = 0; i < 1000; ++i) src[i] = (unsigned char)i;
    mixer_voice *v = kubl_mixer_sound_create(&t, 1000, src.data(), 11025);
    ASSERT_NE(v, nullptr);
    ASSERT_EQ(v->sample->length, 2000);
    for (int k = 0; k < 2000; ++k) ASSERT_EQ(v->sample->data[k], src[k / 2]) << k;
    kubl_mixer_sound_free(v);

    struct Refused { const char *name; int length, rate; const unsigned char *data; };
    const Refused refused[] = {
        {"zero length", 0, 0, src.data()},
        {"resampled to nothing", 1, 44100, src.data()},
        {"negative length", -5, 0, src.data()},
        {"no data", 10, 0, nullptr},
    };
    for (const Refused &r : refused) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(kubl_mixer_sound_create(&t, r.length, r.data, r.rate), nullptr);
    }
}

TEST(Mixer, UnequalRatesAndRateZero)
{
    int left[16], right[16];
    unsigned char out[32];
    mix_target t;
    kubl_mix_target_init(&t, 1000, 16, 0, 16, left, right, out);
    std::vector<unsigned char> ramp(40);
    for (int i = 0; i < 40; ++i) ramp[i] = (unsigned char)(129 + 3 * i);
    mixer_voice *v = kubl_mixer_sound_create(&t, 40, ramp.data(), 0);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->pan, -0x8000);   // mono output: full level on the one channel
    kubl_mixer_sound_set_loop(v, 1);
    kubl_mixer_sound_play(v);

    // 2.5 bytes a sample; the fraction step is truncated to whole 2^-31 units per Hz, so the
    // position runs a hair behind and whole-number positions land one byte early.
    kubl_mixer_sound_set_rate(v, 2500);
    kubl_mix_block(&t);
    for (int k = 0; k < 16; ++k) {
        int index = k ? (k * 5 - 1) / 2 : 0;
        EXPECT_EQ(out[k], 128 + entry(31, ramp[index % 40])) << k;
    }

    kubl_mixer_sound_set_rate(v, 0);      // held at 1 Hz: the position creeps, nothing breaks
    kubl_mix_block(&t);
    kubl_mix_block(&t);
    EXPECT_GE(kubl_mixer_stream_position(v), 0);
    EXPECT_LT(kubl_mixer_stream_position(v), 40);
    EXPECT_EQ(v->rate, 1);

    kubl_mixer_sound_set_volume(v, 0);    // silent: advances by a division
    kubl_mixer_sound_set_rate(v, 1000 * 100 + 500);
    kubl_mix_block(&t);
    for (int k = 0; k < 16; ++k) EXPECT_EQ(out[k], 128);
    kubl_mixer_sound_free(v);
}
