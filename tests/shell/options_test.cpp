#include <gtest/gtest.h>
#include "shell/config.h"
#include "shell/options.h"
#include "graphics/cpu.h"
#include "racing/race.h"
#include <functional>
#include <string>
#include <vector>

struct Parsed {
    int            result;
    std::string    err;
    shell_options  o;
    render_options r;
    int            open_home;
};

static Parsed parse(std::vector<const char *> args)
{
    args.insert(args.begin(), "rutline");
    Parsed p;
    shell_options_reset();
    p.o = g_options;
    p.o.rotate_lineup = 3;   // stands for values start-up already had
    p.r = render_options{};
    p.r.terrain_detail = 0.0025f;
    p.r.model_lod_scale = 1;
    testing::internal::CaptureStderr();
    p.result = options_parse((int)args.size(), (char *const *)args.data(), &p.o, &p.r, &p.open_home);
    p.err = testing::internal::GetCapturedStderr();
    return p;
}

TEST(Options, ValuesMessagesAndExitCodes)
{
    struct Case {
        std::vector<const char *> args;
        int                       result;    // -1 goes on with start-up
        const char               *err;
        std::function<void(const Parsed &)> check;
    };
    const Case cases[] = {
        {{"--erode", "2.5"}, -1, "", [](auto &p) { EXPECT_EQ(p.o.erosion_rate, 2560); }},
        {{"--erode=2.5"}, -1, "", [](auto &p) { EXPECT_EQ(p.o.erosion_rate, 2560); }},
        {{"--erode", "500"}, -1, "", [](auto &p) {
             EXPECT_EQ(p.o.erosion_rate, 102400);
             EXPECT_EQ(erode_level, 102400);
         }},
        {{"--erode", "x"}, 1, "Bad arg for --erode\n", nullptr},
        {{"--erode"}, 1, "Bad arg for --erode\n", nullptr},
        {{"--track"}, 1, "Bad arg for --track\n", nullptr},
        {{"--bikes"}, 1, "Bad arg for --bikes\n", nullptr},
        {{"--texture-detail", "9"}, -1, "", [](auto &p) {
             EXPECT_EQ(p.r.model_texture_detail, 4);
             EXPECT_EQ(p.r.ground_texture_detail, 4);
         }},
        {{"--texture-detail=x"}, 1, "Bad arg for --texture-detail\n", nullptr},
        {{"--ground-texture-detail", "-3"}, -1, "", [](auto &p) { EXPECT_EQ(p.r.ground_texture_detail, 0); }},
        {{"--roostfrequency", "5000"}, -1, "", [](auto &p) { EXPECT_EQ(p.r.roost_frequency, 1000); }},
        {{"--detail", "0.5"}, -1, "", [](auto &p) { EXPECT_EQ(p.r.terrain_detail, 0.5f); }},
        {{"--detail", "fine"}, 1, "Bad arg for --detail\n", nullptr},
        {{"--max-detail-distance", "100"}, -1, "", [](auto &p) {
             EXPECT_EQ(p.o.max_detail_distance, 100.0);
             EXPECT_EQ(p.o.max_detail_distance2, 105.0);
         }},
        {{"--lod-scale", "0"}, -1, "", [](auto &p) { EXPECT_EQ(p.r.model_lod_scale, 0.000001f); }},
        {{"--lod-bias", "nan"}, 1, "Bad arg for --lod-bias\n", nullptr},
        {{"--pause-at", "384,38784"}, -1, "", [](auto &p) {
             ASSERT_EQ(p.o.pause_at_count, 2);
             EXPECT_EQ(p.o.pause_at[0], 384);
             EXPECT_EQ(p.o.pause_at[1], 38784);
         }},
        {{"--pause-at", "9,9"}, 1, "Bad arg for --pause-at\n", nullptr},     // not ascending
        {{"--pause-at", "5,"}, 1, "Bad arg for --pause-at\n", nullptr},
        {{"--pause-at", "-1"}, 1, "Bad arg for --pause-at\n", nullptr},
        {{"--pause-at", "99999999999"}, 1, "Bad arg for --pause-at\n", nullptr},
        {{"--pause-at", "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17"}, 1, "Bad arg for --pause-at\n", nullptr},
        {{"--pause-at"}, 1, "Bad arg for --pause-at\n", nullptr},
        {{"--lock-fps", "30"}, -1, "", [](auto &p) { EXPECT_EQ(p.o.lock_fps, 30.0); }},
        {{"--lock-fps", "-5"}, -1, "", [](auto &p) { EXPECT_EQ(p.o.lock_fps, -5.0); }},   // off
        {{"--lock-fps", "10000"}, -1, "", [](auto &p) { EXPECT_EQ(p.o.lock_fps, 10000.0); }},
        {{"--lock-fps", "inf"}, 1, "Bad arg for --lock-fps\n", nullptr},
        {{"--lock-fps", "-inf"}, 1, "Bad arg for --lock-fps\n", nullptr},
        {{"--lock-fps", "1e30"}, 1, "Bad arg for --lock-fps\n", nullptr},
        {{"--lock-fps", "10001"}, 1, "Bad arg for --lock-fps\n", nullptr},
        {{"--lock-fps", "0.001"}, 1, "Bad arg for --lock-fps\n", nullptr},   // one frame in 1000 s
        {{"--lock-fps", "1"}, -1, "", [](auto &p) { EXPECT_EQ(p.o.lock_fps, 1.0); }},
        {{"--lock-fps", "0"}, -1, "", [](auto &p) { EXPECT_EQ(p.o.lock_fps, 0.0); }},
        {{"--fake-lag", "250"}, -1, "", [](auto &p) { EXPECT_NEAR(p.o.fake_lag, 0.25, 1e-7); }},
        {{"--fake-lag", "5000"}, -1, "", [](auto &p) { EXPECT_EQ(p.o.fake_lag, 1.0); }},
        {{"--fake-loss", "150"}, -1, "", [](auto &p) { EXPECT_EQ(p.o.fake_loss, 100); }},
        {{"--fake-loss", "some"}, 1, "Bad arg for --fake-loss\n", nullptr},
        {{"--rotate-lineup", "abc"}, -1, "", [](auto &p) { EXPECT_EQ(p.o.rotate_lineup, 3); }},
        {{"--rotate-lineup", "2"}, -1, "", [](auto &p) { EXPECT_EQ(p.o.rotate_lineup, 2); }},
        {{"--depth", "abc", "--zdepth", "24"}, -1, "", [](auto &p) {
             EXPECT_EQ(p.o.depth_bits, 0);
             EXPECT_EQ(p.o.zdepth_bits, 24);
         }},
        {{"--width=800", "--height", "tall"}, -1, "", [](auto &) {
             EXPECT_EQ(xres, 800);
             EXPECT_EQ(yres, 480);
         }},
        {{"--draw-fps", "1", "--draw-render-stats=2"}, -1, "", [](auto &p) {
             EXPECT_EQ(g_config.draw_fps, 1);
             EXPECT_EQ(p.o.draw_render_stats, 2);
         }},
        {{"--chase-center", "1,2"}, 1, "Bad arg for --chase-center\n", nullptr},
        {{"--chase-center", "nan,nan,nan"}, 1, "Bad arg for --chase-center\n", nullptr},
        {{"--chase-center", "1,inf,2"}, 1, "Bad arg for --chase-center\n", nullptr},
        {{"--chase-center", "1,2,1e39"}, 1, "Bad arg for --chase-center\n", nullptr},
        {{"--chase-center=1,2.5,-3"}, -1, "", [](auto &p) {
             EXPECT_EQ(p.o.chase_center[0], 1.0f);
             EXPECT_EQ(p.o.chase_center[1], 2.5f);
             EXPECT_EQ(p.o.chase_center[2], -3.0f);
         }},
        {{"--bikes", "3"}, -1, "--bikes doesn't do anything anymore\n", nullptr},
        {{"--record-audio", "out.raw", "--record-video"}, -1, "", [](auto &p) {
             EXPECT_STREQ(p.o.record_audio, "out.raw");
             EXPECT_EQ(p.o.record_video, 1);
         }},
        {{"--learn", "--nolearn", "--super-debug", "--warp"}, -1, "", [](auto &p) {
             EXPECT_EQ(p.o.learn, 0);
             EXPECT_EQ(p.o.debug_level, 2);
             EXPECT_EQ(p.o.warp, 1);
         }},
        {{"--track", "--debug"}, -1, "", [](auto &p) {   // a value is the next word, whatever it is
             EXPECT_STREQ(p.o.track, "--debug");
             EXPECT_EQ(p.o.debug_level, 0);
         }},
        {{"race.rldemo"}, -1, "", [](auto &p) { EXPECT_STREQ(p.o.startup_demo, "race.rldemo"); }},
        {{"--", "-odd.rldemo"}, -1, "", [](auto &p) { EXPECT_STREQ(p.o.startup_demo, "-odd.rldemo"); }},
        {{"--fugly", "--"}, -1, "", [](auto &p) {
             EXPECT_EQ(p.o.fugly, 1);
             EXPECT_EQ(p.o.startup_demo, nullptr);
         }},
        {{"--", "--debug"}, -1, "", [](auto &p) {
             EXPECT_STREQ(p.o.startup_demo, "--debug");
             EXPECT_EQ(p.o.debug_level, 0);
         }},
        {{"a.rldemo", "b.rldemo"}, 1, "Too many files!\n", nullptr},
        {{"--", "a", "-b"}, 1, "Too many files!\n", nullptr},
        {{"--bogus"}, 1, "bad option '--bogus'\n", nullptr},
        {{"-"}, 1, "bad option '-'\n", nullptr},
        {{"--Debug"}, 1, "bad option '--Debug'\n", nullptr},
        {{"--debug=1"}, 1, "bad option '--debug=1'\n", nullptr},
        {{"--debug", "--open-home", "--bogus"}, 0, "", [](auto &p) { EXPECT_EQ(p.open_home, 1); }},
    };
    for (const Case &c : cases) {
        std::string trace;
        for (const char *a : c.args) trace += std::string(a) + " ";
        SCOPED_TRACE(trace);
        config_init();
        Parsed p = parse(c.args);
        EXPECT_EQ(p.result, c.result);
        EXPECT_EQ(p.err, c.err);
        if (c.check) c.check(p);
    }
}

TEST(Options, NoMmxClearsTheFlag)
{
    mmx_available = 1;
    EXPECT_EQ(parse({"--nommx"}).result, -1);
    EXPECT_EQ(mmx_available, 0);
}

TEST(Options, ConnectFillsTheServerHistory)
{
    config_init();
    for (int i = 0; i < SERVER_HISTORY_COUNT; ++i) snprintf(server_name_history[i], SERVER_HISTORY_BYTES, "h%d", i);
    server_name_history_index = 4;

    Parsed p = parse({"--connect", "rutline:race.example:19800"});
    EXPECT_EQ(p.result, -1);
    EXPECT_STREQ(p.o.connect, "race.example:19800");
    EXPECT_STREQ(config_server_name.buffer, "race.example:19800");
    EXPECT_STREQ(server_name_history[0], "race.example:19800");
    EXPECT_STREQ(server_name_history[1], "h0");
    EXPECT_STREQ(server_name_history[15], "h14");   // the oldest fell off
    EXPECT_EQ(server_name_history_index, -1);

    server_name_history_index = 2;
    parse({"--connect=race.example:19800"});         // already the newest: no shift
    EXPECT_STREQ(server_name_history[1], "h0");
    EXPECT_EQ(server_name_history_index, 2);

    parse({"--connect="});                           // empty: the history stays
    EXPECT_STREQ(server_name_history[0], "race.example:19800");
}
