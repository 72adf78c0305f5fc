// Audio capture through the readback driver, and the screenshot numbering rule.
#include <gtest/gtest.h>
#include "fixtures/fixtures.h"
#include "shell/capture.h"
#include "shell/globals.h"
#include "shell/startup.h"
#include "shell/main/tick.h"
#include "platform/audio.h"
#include "racing/race.h"
#include "ui/ui.h"
#include <vector>

TEST(CaptureAudio, OneBlockPerTick)
{
    std::string path = fixture_temp_dir("capture") + "sound.raw";
    g_audio = kubl_audio_open_readback(nullptr, 88320, 690);
    ASSERT_NE(g_audio, nullptr);
    ASSERT_EQ(capture_audio_open(path.c_str()), 1);
    std::vector<unsigned char> full(5000, 255);
    voice *v = kubl_sound_create(g_audio, (int)full.size(), full.data(), 0);
    kubl_sound_set_pan(v, -0x8000);
    kubl_sound_play(v);
    for (int tick = 0; tick < 3; ++tick) capture_audio_tick();
    kubl_sound_free(v);
    kubl_audio_close(g_audio);
    g_audio = nullptr;
    capture_audio_close();

    std::string bytes = fixture_read_file(path);
    ASSERT_EQ(bytes.size(), 3u * 1380);
    // 5000 bytes cover the first 5000 samples: left full scale, right silent; then silence.
    for (size_t k = 0; k < bytes.size() / 2; ++k) {
        ASSERT_EQ((unsigned char)bytes[2 * k], k < 5000 ? 250 : 128) << k;
        ASSERT_EQ((unsigned char)bytes[2 * k + 1], 128) << k;
    }
}

// Ticks that do not run the race step take no block: with no track loaded the tick loop
// falls back to the title view.
TEST(CaptureAudio, NoBlockWithoutRaceStep)
{
    shell_globals_reset();
    menu_state = MENU_CLOSED;
    std::string path = fixture_temp_dir("capture") + "idle.raw";
    g_options.record_audio = path.c_str();
    g_audio = kubl_audio_open_readback(nullptr, 88320, 690);
    ASSERT_EQ(capture_audio_open(path.c_str()), 1);
    int before = tick_count;
    for (int i = 0; i < 4; ++i) tick_run(1.0 + i / 128.0, 1.0 + i / 128.0);
    kubl_audio_close(g_audio);
    g_audio = nullptr;
    capture_audio_close();
    g_options.record_audio = nullptr;
    EXPECT_EQ(tick_count, before);
    EXPECT_EQ(fixture_read_file(path).size(), 0u);
}

TEST(CaptureAudio, MissingStreamOrDriver)
{
    std::string blocker = fixture_temp_dir("capture") + "a-file";
    fixture_write_file(blocker, "");
    EXPECT_EQ(capture_audio_open((blocker + "/sound.raw").c_str()), 0);
    capture_audio_tick();   // no driver, no stream: nothing happens
    capture_audio_close();
}

TEST(Screenshot, HighestNumberInNames)
{
    struct Case { std::vector<const char *> names; int want; };
    const Case cases[] = {
        {{nullptr}, 0},
        {{"screenshot007.png", "screenshot3.ppm", nullptr}, 7},
        {{"screenshot12.jpg", "tracks/screenshot99.png", "screenshots.txt", nullptr}, 12},
        {{"screenshot-5.png", "Screenshot40.png", nullptr}, 0},
        {{"screenshot99999999999999999999.png", nullptr}, 999999999},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.want);
        EXPECT_EQ(screenshot_highest_number(c.names.data()), c.want);
    }
    EXPECT_EQ(screenshot_highest_number(nullptr), 0);
}
