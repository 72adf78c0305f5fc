// The loading screen's texts, spinner, gap statistics and busy redraws, over a fake clock and a
// frame driver that records what would be drawn.
#include "shell/loading.h"
#include "shell/globals.h"
#include "platform/clock.h"
#include "platform/log.h"
#include "fixtures/fixtures.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::int64_t g_now_us;
std::int64_t fake_clock(void) { return g_now_us; }

struct frame_record {
    int drawable = 1;
    std::vector<std::string> shown;       // status texts drawn
    std::vector<unsigned> busy;           // busy counters drawn
    int frames_ended = 0;
};
frame_record g_frames;

const loading_frame_driver recording_driver = {
    [](int *w, int *h) {
        *w = 640;
        *h = 480;
        return g_frames.drawable;
    },
    [](int, int, const char *text) { g_frames.shown.push_back(text); },
    [](int, int, unsigned counter) { g_frames.busy.push_back(counter); },
    [] { return ++g_frames.frames_ended, 1; },
};

struct Loading : ::testing::Test {
    void SetUp() override
    {
        shell_globals_reset();
        g_now_us = 100000000;   // 100 s: the clock does not start at zero
        kubl_time_set_source(fake_clock);
        g_frames = {};
        loading_reset();
        loading_set_driver(&recording_driver);
    }
    void TearDown() override
    {
        loading_set_driver(nullptr);
        kubl_time_set_source(nullptr);
    }
    static void advance(double seconds) { g_now_us += (std::int64_t)(seconds * 1e6 + 0.5); }
};

TEST_F(Loading, LongTextsShowWholeButAreKeptCut)
{
    std::string long_text(100, 'x');
    loading_status("first");
    advance(1);
    loading_status(long_text.c_str());
    advance(5);   // the long line shows for the longest time
    loading_status("after");
    ASSERT_EQ(g_frames.shown.size(), 3u);
    EXPECT_EQ(g_frames.shown[1], long_text);
    EXPECT_NEAR(g_loading.longest_gap, 100.0, 1e-6) << "the first line measures from the clock's zero";
    EXPECT_EQ(std::string(g_loading.previous_text), "after");

    // The race reset zeroes the longest gap; then the slowest step is the long line's.
    g_loading.longest_gap = 0;
    advance(1);
    loading_status(long_text.c_str());
    advance(3);
    loading_status("done");
    EXPECT_NEAR(g_loading.longest_gap, 3.0, 1e-6);
    EXPECT_EQ(std::string(g_loading.longest_gap_text), std::string(79, 'x'));
}

TEST_F(Loading, UndrawableWindowKeepsNoStatistics)
{
    loading_status("one");
    g_loading.longest_gap = 0;
    g_frames.drawable = 0;
    advance(7);
    loading_status("two");
    EXPECT_EQ(g_frames.shown.size(), 1u);
    EXPECT_EQ(std::string(g_loading.previous_text), "one");
    g_frames.drawable = 1;
    advance(1);
    loading_status("three");
    EXPECT_NEAR(g_loading.longest_gap, 8.0, 1e-6) << "the gap runs from the last line drawn";
    EXPECT_EQ(std::string(g_loading.longest_gap_text), "one");
}

TEST_F(Loading, StatusClearsControlsAndTheMouseButton)
{
    for (control_row &row : control_table) row.value = 1;
    left_button_down = 1;
    loading_status("x");
    for (const control_row &row : control_table) EXPECT_EQ(row.value, 0);
    EXPECT_EQ(left_button_down, 0);
}

TEST_F(Loading, SpinnerCyclesItsDotsAtMostEveryEighthSecond)
{
    for (int i = 0; i < 16; ++i) {   // every 0.05 s for 0.8 s
        loading_status_spin("Loading terrain");
        advance(0.05);
    }
    const std::vector<std::string> want = {"Loading terrain", "Loading terrain.", "Loading terrain..",
                                           "Loading terrain...", "Loading terrain", "Loading terrain."};
    EXPECT_EQ(g_frames.shown, want) << "drawn at 0, 0.15, 0.30, 0.45, 0.60 and 0.75 s";

    g_frames.shown.clear();
    loading_status_reset("Loading tiles");
    advance(0.2);
    loading_status_spin("Loading tiles");
    EXPECT_EQ(g_frames.shown, (std::vector<std::string>{"Loading tiles", "Loading tiles"}));
}

TEST_F(Loading, SpinAndDoneCutTheirTextAt64)
{
    std::string seventy(70, 'a');
    loading_status_done(seventy.c_str());
    loading_status_spin(seventy.c_str());
    ASSERT_EQ(g_frames.shown.size(), 2u);
    EXPECT_EQ(g_frames.shown[0], std::string(64, 'a') + "...done");
    EXPECT_EQ(g_frames.shown[1], std::string(64, 'a'));
}

TEST_F(Loading, LoggedLinesSkipEmptyTexts)
{
    std::string path = fixture_temp_dir("loadlog") + "log.txt";
    setenv("KUBL_LOGFILE", path.c_str(), 1);
    kubl_log_reset();
    loading_status_log("Deleting textures");
    loading_status_log("");
    kubl_log_printf("end\n");
    kubl_log_reset();
    unsetenv("KUBL_LOGFILE");
    std::string log = fixture_read_file(path);
    size_t at = log.find("Deleting textures\n");
    ASSERT_NE(at, std::string::npos);
    std::string next = log.substr(at + 18, log.find('\n', at + 18) - (at + 18));
    EXPECT_NE(next.find("end"), std::string::npos) << "no line for the empty text: " << next;
    EXPECT_EQ(g_frames.shown.size(), 2u) << "the empty line is still drawn";
}

TEST_F(Loading, BusyTickCountsEveryCallAndRedrawsSixteenTimesASecond)
{
    for (int i = 0; i < 100; ++i) {   // 1 s in steps of 1/100 s
        loading_tick();
        advance(0.01);
    }
    EXPECT_EQ(g_loading.busy_counter, 100u);
    // At 0, then whenever 1/16 s (7 steps of 0.01) has passed: 0, 0.07, 0.14, ... 0.98.
    ASSERT_EQ(g_frames.busy.size(), 15u);
    EXPECT_EQ(g_frames.busy[0], 1u);
    EXPECT_EQ(g_frames.busy[1], 8u);
    EXPECT_EQ(g_frames.frames_ended, 15);

    g_frames.drawable = 0;
    advance(1);
    loading_tick();
    EXPECT_EQ(g_loading.busy_counter, 101u);
    EXPECT_EQ(g_frames.busy.size(), 15u);
}

}   // namespace
