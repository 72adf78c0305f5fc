// The driver table and the two device drivers on SDL's dummy sound device. In the display-test
// binary: the system libraries behind the sound device keep memory the leak checker would flag.
#include <gtest/gtest.h>
#include "platform/audio.h"
#include "platform/clock.h"
#include "platform/options.h"
#include <cstdlib>
#include <vector>

namespace {

struct Options {
    explicit Options(const char *text)
    {
        setenv("KUBL_OPTIONS", text, 1);
        kubl_options_reset();
    }
    ~Options()
    {
        unsetenv("KUBL_OPTIONS");
        kubl_options_reset();
    }
};

// Waits up to about two seconds for the voice's play position to move past 0.
int wait_for_progress(voice *v)
{
    for (int i = 0; i < 200; ++i) {
        int p = kubl_stream_position(v);
        if (p > 0) return p;
        kubl_sleep_for(0, 10000);
    }
    return 0;
}

} // namespace

TEST(AudioMillibels, Map)
{
    struct Case { int amplitude, want; };
    const Case cases[] = {
        {0, -10000}, {-1, -10000}, {0x7FFF, 0}, {0x8000, 0}, {0x100000, 0},
        {0x3FFF, -603},   // full volume at a centred pan
        {0x4000, -602},   // half amplitude, 6 dB down
        {32, -6020},      // T[1] = 2000 log10(1/1024), truncated
        {48, -6020 + 602 / 2},          // halfway between T[1] = -6020 and T[2] = -5418
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.amplitude);
        EXPECT_EQ(kubl_millibels(c.amplitude), c.want);
    }
    for (int a = 1; a <= 0x7FFF; ++a) ASSERT_LE(kubl_millibels(a - 1), kubl_millibels(a)) << a;
}

TEST(AudioFront, DriverChoiceByOptions)
{
    struct Case { const char *options, *want; };
    const Case cases[] = {
        {"", "dsnd"},
        {"[dsnd:off]", "waveout"},
        {"[dsnd:no][waveout:yes]", "waveout"},
        {"[dsnd:off][waveout:off]", nullptr},
        {"[waveout:off]", "dsnd"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.options);
        Options o(c.options);
        audio_handle *h = kubl_audio_open(nullptr);
        if (!c.want) {
            EXPECT_EQ(h, nullptr);
            EXPECT_EQ(kubl_audio_current(), nullptr);
            continue;
        }
        ASSERT_NE(h, nullptr);
        ASSERT_NE(kubl_audio_current(), nullptr);
        EXPECT_STREQ(kubl_audio_current()->name, c.want);
        // A second open while one is open is refused and changes nothing.
        EXPECT_EQ(kubl_audio_open(nullptr), nullptr);
        EXPECT_STREQ(kubl_audio_current()->name, c.want);
        kubl_audio_close(h);
        EXPECT_EQ(kubl_audio_current(), nullptr);
    }
}

TEST(AudioFront, SilentWithoutDriver)
{
    ASSERT_EQ(kubl_audio_current(), nullptr);
    unsigned char data[16] = {};
    EXPECT_EQ(kubl_sound_create(nullptr, 16, data, 0), nullptr);
    EXPECT_EQ(kubl_audio_update(), 1);
    EXPECT_EQ(kubl_audio_mix_block(nullptr), nullptr);
    // Voice 0 with or without a driver: nothing happens.
    for (int open = 0; open < 2; ++open) {
        audio_handle *h = open ? kubl_audio_open_readback(nullptr, 88320, 690) : nullptr;
        voice *none = nullptr;
        EXPECT_EQ(kubl_sound_play(none), 0);
        EXPECT_EQ(kubl_sound_set_rate(none, 100), 0);
        EXPECT_EQ(kubl_sound_set_volume(none, 100), 0);
        EXPECT_EQ(kubl_sound_set_pan(none, 100), 0);
        EXPECT_EQ(kubl_sound_set_loop(none, 1), 0);
        EXPECT_EQ(kubl_stream_position(none), 0);
        EXPECT_EQ(kubl_stream_write(none, 16, data, 0), 0);
        kubl_sound_free(none);
        kubl_audio_close(h);
    }
    kubl_audio_close(nullptr);
}

TEST(AudioFront, ReadbackBlockSizeAndSecondOpen)
{
    audio_handle *h = kubl_audio_open_readback(nullptr, 88320, 690);
    ASSERT_NE(h, nullptr);
    EXPECT_STREQ(kubl_audio_current()->name, "readback");
    EXPECT_EQ(readback_driver.open_readback(nullptr, 88320, 690), nullptr);
    EXPECT_EQ(dsnd_driver.open_readback(nullptr, 88320, 690), nullptr);
    EXPECT_EQ(waveout_driver.mix_block(h), nullptr);
    EXPECT_EQ(readback_driver.open(nullptr), nullptr);
    kubl_audio_close(h);
    EXPECT_EQ(kubl_audio_open_readback(nullptr, 0, 690), nullptr);
}

// Both device drivers open, play a stream voice on the dummy device and close.
TEST(AudioDevices, OpenPlayClose)
{
    struct Case { const char *options, *driver; };
    const Case cases[] = {
        {"", "dsnd"},
        {"[dsnd:off][sound-mixahead:0]", "waveout"},
        {"[dsnd:off][sound-rate:11025][sound-mixahead:1000]", "waveout"},
    };
    std::vector<unsigned char> ring(4096, 128);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.options);
        Options o(c.options);
        audio_handle *h = kubl_audio_open(nullptr);
        ASSERT_NE(h, nullptr);
        ASSERT_STREQ(kubl_audio_current()->name, c.driver);
        voice *v = kubl_sound_create(h, (int)ring.size(), ring.data(), 0);
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(kubl_sound_set_loop(v, 1), 1);
        EXPECT_EQ(kubl_sound_set_volume(v, 0x7FFF), 1);
        EXPECT_EQ(kubl_sound_set_pan(v, -0x4000), 1);
        EXPECT_EQ(kubl_sound_play(v), 1);
        EXPECT_GT(wait_for_progress(v), 0);
        unsigned char chunk[512];
        for (int i = 0; i < 512; ++i) chunk[i] = (unsigned char)(128 + (i % 64) - 32);
        EXPECT_EQ(kubl_stream_write(v, 512, chunk, kubl_stream_position(v) + 256), 1);
        std::vector<unsigned char> longer(5000, 140);
        EXPECT_EQ(kubl_stream_write(v, 5000, longer.data(), -7), 1);
        EXPECT_EQ(kubl_audio_update(), 1);
        kubl_sound_free(v);
        kubl_audio_close(h);
        EXPECT_EQ(kubl_audio_current(), nullptr);
    }
}

TEST(AudioDevices, WaveoutRefusesSecondOpen)
{
    Options o("");
    audio_handle *h = waveout_driver.open(nullptr);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(waveout_driver.open(nullptr), nullptr);
    waveout_driver.close(h);
    waveout_driver.close(h);   // not open: logged, nothing else
    h = waveout_driver.open(nullptr);   // and it opens again after a close
    ASSERT_NE(h, nullptr);
    waveout_driver.close(h);
}

TEST(AudioDevices, DsndVoiceLevelsAndRateControl)
{
    audio_handle *h = dsnd_driver.open(nullptr);
    ASSERT_NE(h, nullptr);
    unsigned char data[100];
    for (int i = 0; i < 100; ++i) data[i] = (unsigned char)i;
    voice *fixed = dsnd_driver.create(h, 100, data, 22050);
    voice *free_rate = dsnd_driver.create(h, 100, data, 0);
    ASSERT_NE(fixed, nullptr);
    ASSERT_NE(free_rate, nullptr);
    EXPECT_EQ(dsnd_driver.create(h, 0, data, 0), nullptr);

    int vol, pan, rate;
    kubl_dsound_levels(free_rate, &vol, &pan, &rate);
    EXPECT_EQ(rate, 22050);
    EXPECT_EQ(dsnd_driver.set_rate(fixed, 44100), 0);
    EXPECT_EQ(dsnd_driver.set_rate(free_rate, 44100), 1);
    kubl_dsound_levels(free_rate, &vol, &pan, &rate);
    EXPECT_EQ(rate, 44100);
    dsnd_driver.set_rate(free_rate, 0);
    kubl_dsound_levels(free_rate, &vol, &pan, &rate);
    EXPECT_EQ(rate, 1);

    struct Case { int volume, pan, want_volume, want_pan; };
    const Case cases[] = {
        {0x7FFF, 0, -603, 0},
        {0, 0, -10000, 0},
        {0x7FFF, -0x8000, 0, -10000},   // pan held to -0x7FFF: right side silent, left full
        {0x7FFF, 0x7FFF, 0, 10000},
        {0x7FFF, -0x4000, kubl_millibels(0x5FFF), kubl_millibels(0x3FFF)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.volume << " " << c.pan);
        dsnd_driver.set_volume(fixed, c.volume);
        dsnd_driver.set_pan(fixed, c.pan);
        kubl_dsound_levels(fixed, &vol, &pan, &rate);
        EXPECT_EQ(vol, c.want_volume);
        EXPECT_EQ(pan, c.want_pan);
    }
    dsnd_driver.free_voice(fixed);
    dsnd_driver.free_voice(free_rate);
    dsnd_driver.close(h);
}
