// Frame pacing over a fake clock, online time scaling and the derived render options.
#include <gtest/gtest.h>
#include "shell/globals.h"
#include "shell/pacing.h"

namespace {

struct FakeClock {
    double now = 1000.0;
    double slept = 0;
    int    sleeps = 0;
};

double fake_now(void *ctx) { return static_cast<FakeClock *>(ctx)->now; }
void fake_sleep(void *ctx, double seconds)
{
    auto *c = static_cast<FakeClock *>(ctx);
    c->now += seconds;
    c->slept += seconds;
    c->sleeps++;
}

struct Pacing : ::testing::Test {
    FakeClock    clock;
    pacing_clock source{fake_now, fake_sleep, &clock};
    void SetUp() override { shell_globals_reset(); }

    // A frame whose work took `work` seconds after the previous frame ended.
    double frame(double previous, double work, pacing_input in, double *now)
    {
        clock.now = previous + work;
        clock.slept = 0;
        clock.sleeps = 0;
        return frame_pace(&source, previous, &in, now);
    }
};

TEST_F(Pacing, FrameTimeFedToTheTicks)
{
    struct Case {
        const char *what;
        double      work, lock_fps;
        int         warp, online;
        double      want_dt, want_slept;
    };
    const Case cases[] = {
        {"fast frame sleeps to one tick", 0.001, 0, 0, 0, tick, tick - 0.001},
        {"a frame of two ticks", 2 * tick, 0, 0, 0, 2 * tick, 0},
        {"one second stall counts 0.125 s", 1.0, 0, 0, 0, 0.125, 0},
        {"stall online too", 1.0, 0, 0, 1, 0.125, 0},
        {"locked 30 fps, quick frame", 0.01, 30, 0, 0, 1.0 / 30, 1.0 / 30 - 0.01},
        {"locked 30 fps, slow frame", 0.1, 30, 0, 0, 1.0 / 30, 0},
        {"locked rate ignored online", 0.1, 30, 0, 1, 0.1, 0},
        {"locked below one frame a second sleeps a second at most", 0.001, 0.001, 0, 0, 1.0, 0.999},
        {"warp feeds 100 ticks", 0.001, 0, 1, 0, 0.78125, 0},
        {"warp ignored online", 0.001, 0, 1, 1, tick, tick - 0.001},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        double now = 0;
        double dt = frame(1000.0, c.work, {c.lock_fps, c.warp, c.online}, &now);
        EXPECT_NEAR(dt, c.want_dt, 1e-9);
        if (!c.online && (c.lock_fps || c.warp)) EXPECT_EQ(dt, c.want_dt) << "exactly";
        EXPECT_NEAR(clock.slept, c.want_slept, 1e-9);
        EXPECT_DOUBLE_EQ(now, clock.now);
    }
    EXPECT_NEAR(frame_time_min, tick, 1e-9);
    EXPECT_DOUBLE_EQ(frame_time_max, 1.0);   // the locked second
}

TEST_F(Pacing, AThousandFramesASecondNeverRunAhead)
{
    double previous = clock.now, target = 0, start = clock.now;
    for (int i = 0; i < 1000; ++i) {
        double now = 0;
        target += frame(previous, 0.001, {0, 0, 0}, &now);
        previous = now;
        ASSERT_LE(target, now - start + 1e-9) << "frame " << i;
    }
    EXPECT_NEAR(target, 1000 * tick, 1e-6);   // one tick per frame, no more
}

TEST_F(Pacing, StallFeedsSixteenTicksAndIsCounted)
{
    double now = 0;
    double dt = frame(1000.0, 1.0, {0, 0, 0}, &now);
    EXPECT_EQ((int)(dt / tick), 16);
    EXPECT_EQ(frame_time_counts[7], 1);   // longer than 64 ticks
    frame(now, 3 * tick, {0, 0, 0}, &now);
    EXPECT_EQ(frame_time_counts[2], 1);   // 2 ticks < 3 ticks < 4 ticks
}

TEST(OnlineTimeScale, LagAndLead)
{
    struct Case {
        const char *what;
        int         server_tick, tick_count, race_start;
        double      want;
    };
    const Case cases[] = {
        {"in step", 1001, 1000, 0, 1.0},
        {"1 s ahead: half speed", 1000 - 127, 1000, 0, 0.5},
        {"3 s ahead: still half", 1000 - 383, 1000, 0, 0.5},
        {"0.5 s ahead", 1000 - 63, 1000, 0, 0.75},
        {"lags 1 s before the start", 1129, 1000, 5000, 4.0},
        {"lags 0.5 s before the start", 1065, 1000, 5000, 2.5},
        {"lags 1 s after the start", 1129, 1000, 0, 1.125},
        {"lags 1/16 s after the start", 1009, 1000, 0, 1.0625},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_DOUBLE_EQ(online_time_scale(c.server_tick, c.tick_count, c.race_start), c.want);
    }
}

TEST(RenderOptions, DerivedFromGraphicsSettings)
{
    struct Case {
        double model_detail, texture_detail;
        float  want_scale, want_bias;
        int    want_texture_detail;
    };
    const Case cases[] = {
        {50, 9, 1.0f, 0.0f, 1},     // scale exactly 1 is not cubed
        {0, 0, 8.0f, 50.0f, 10},    // (100 * 0.02) cubed
        {100, 10, 0.0f, 0.0f, 0},
        {20, 9.5, 4.096f, 25.0f, 0},   // 1.6 cubed; 10 - 9.5 truncates to 0
        {10, 12, 5.832f, 50.0f, 0},    // a detail above the range clamps to 0
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.model_detail);
        graphics_settings s = {50, 9, 3, c.model_detail, c.texture_detail, 250.7, 1, 0, 1, 1, 2};
        render_options r{};
        render_options_derive(&s, &r);
        EXPECT_NEAR(r.model_lod_scale, c.want_scale, 1e-4);
        EXPECT_FLOAT_EQ(r.model_lod_bias, c.want_bias);
        EXPECT_EQ(r.model_texture_detail, c.want_texture_detail);
        EXPECT_FLOAT_EQ(r.terrain_detail, 0.0025f);
        EXPECT_EQ(r.ground_texture_detail, 1);
        EXPECT_EQ(r.ground_texture_size, 256);
        EXPECT_EQ(r.roost_frequency, 250);
    }
}

}  // namespace
