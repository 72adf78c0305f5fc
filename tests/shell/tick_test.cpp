// The tick loop: events consumed by the tick whose wall time reaches their stamp, control sums,
// the clutch's engagement rate, and the keys that pause and step.
#include <gtest/gtest.h>
#include <cmath>
#include <vector>
#include "shell/globals.h"
#include "shell/main/tick.h"
#include "racing/race.h"
#include "ui/ui.h"

namespace {

struct Stamped {
    std::uint32_t code;
    int           pressed;
    long long     us;   // stamp in microseconds of the platform clock
};

// A time-ordered queue standing in for the display's.
struct FakeQueue {
    std::vector<Stamped> events;
    size_t               next = 0;
    std::vector<long long> asked_until;
};

int fake_read(void *ctx, std::uint32_t *code, int *pressed)
{
    auto *q = static_cast<FakeQueue *>(ctx);
    if (q->next == q->events.size()) return 0;
    *code = q->events[q->next].code;
    *pressed = q->events[q->next].pressed;
    q->next++;
    return 1;
}

int fake_read_until(void *ctx, std::uint32_t *code, int *pressed, int s, int us)
{
    auto *q = static_cast<FakeQueue *>(ctx);
    long long until = s * 1000000LL + us;
    if (q->asked_until.empty() || q->asked_until.back() != until) q->asked_until.push_back(until);
    if (q->next == q->events.size() || q->events[q->next].us > until) return 0;
    return fake_read(ctx, code, pressed);
}

int fake_pending(void *ctx, std::uint32_t code)
{
    auto *q = static_cast<FakeQueue *>(ctx);
    for (size_t i = q->next; i < q->events.size(); ++i)
        if (q->events[i].code == code && q->events[i].pressed) return 1;
    return 0;
}

constexpr std::uint32_t THROTTLE = 0x102D, CLUTCH = 0x102C, LEFT = 0x114B, RIGHT = 0x114D;
constexpr std::uint32_t LEAN_FORWARD = 0x1031, PAUSE = 0x1145, STEP = 0x1034;

struct Ticks : ::testing::Test {
    FakeQueue    queue;
    event_source source{fake_read, fake_read_until, &queue, fake_pending};

    void SetUp() override
    {
        shell_globals_reset();
        key_bindings[BIND_THROTTLE].key_code = THROTTLE;
        key_bindings[BIND_CLUTCH].key_code = CLUTCH;
        key_bindings[BIND_LEFT].key_code = LEFT;
        key_bindings[BIND_RIGHT].key_code = RIGHT;
        key_bindings[BIND_LEAN_FORWARD].key_code = LEAN_FORWARD;
        key_bindings[BIND_PAUSE].key_code = PAUSE;
        key_bindings[BIND_STEP].key_code = STEP;
        menu_state = MENU_CLOSED;
        tick_set_event_source(&source);
        tick_loop_reset(0);
    }
    void TearDown() override { tick_set_event_source(nullptr); }
};

TEST_F(Ticks, AFrameRunsTheTicksItsTimeCallsForEachAtItsWallTime)
{
    const double now = 100.0;
    g_ticks.simulation_target = 0.125;   // a stalled frame
    EXPECT_EQ(ticks_run(now), 16);
    ASSERT_EQ(queue.asked_until.size(), 15u);   // the last tick stands at now and takes all
    for (size_t k = 0; k < queue.asked_until.size(); ++k)
        EXPECT_EQ(queue.asked_until[k], std::llround((now - 0.125 + tick * (k + 1)) * 1e6)) << k;
    EXPECT_EQ(ticks_run(now), 0);   // nothing more until the target moves
}

TEST_F(Ticks, EventsActInTheTickWhoseWallTimeReachesTheirStamp)
{
    // One frame of 8 ticks ending at 50 s: tick k stands for 50 - (8 - k) / 128 s. The throttle
    // is pressed just before tick 3's moment and released just before tick 5's; the frame's
    // events all sit in the queue before any tick runs.
    const double now = 50.0;
    auto wall_us = [&](int k) { return 50000000LL - (8 - k) * 7812; };
    queue.events = {{THROTTLE, 1, wall_us(3) - 100}, {THROTTLE, 0, wall_us(5) - 100}};
    g_ticks.simulation_target = 8 * tick;

    std::vector<float> throttle;
    while (g_ticks.simulation_time < g_ticks.simulation_target) {
        g_ticks.simulation_time += tick;
        tick_run(now - (g_ticks.simulation_target - g_ticks.simulation_time), now);
        throttle.push_back(control_sums[CONTROL_THROTTLE]);
        if (throttle.size() == 4) EXPECT_EQ(queue.next, 1u) << "the release waits for its tick";
    }
    EXPECT_EQ(throttle, (std::vector<float>{0, 0, 1, 1, 0, 0, 0, 0}));
}

TEST_F(Ticks, ControlSumsAddScaledRows)
{
    struct Case {
        std::vector<std::uint32_t> held;
        float steer, lean;
    };
    const Case cases[] = {
        {{LEFT}, 1, 0},
        {{RIGHT}, -1, 0},
        {{LEFT, RIGHT}, 0, 0},
        {{LEAN_FORWARD}, 0, -1},
    };
    for (const Case &c : cases) {
        SetUp();
        for (std::uint32_t code : c.held) queue.events.push_back({code, 1, 0});
        tick_run(1.0, 1.0);
        EXPECT_FLOAT_EQ(control_sums[CONTROL_STEER], c.steer);
        EXPECT_FLOAT_EQ(control_sums[CONTROL_LEAN], c.lean);
    }
}

TEST_F(Ticks, CloseEventSetsTheQuitFlag)
{
    queue.events = {{0xDEAD, 1, 0}};
    tick_run(1.0, 1.0);
    EXPECT_EQ(quit_flag, 1);
}

// The frame's look for a close request takes nothing out of the queue.
TEST_F(Ticks, PendingCloseIsSeenWithoutTakingEvents)
{
    queue.events = {{THROTTLE, 1, 0}, {0xDEAD, 0, 0}};
    EXPECT_EQ(close_request_pending(), 0);   // a release is no request
    queue.events.push_back({0xDEAD, 1, 0});
    EXPECT_EQ(close_request_pending(), 1);
    EXPECT_EQ(queue.next, 0u);
    EXPECT_EQ(quit_flag, 0);
    source.pending = nullptr;
    EXPECT_EQ(close_request_pending(), 0);
}

TEST(Clutch, EngagesAtAQuarterSecondAndDisengagesAtOnce)
{
    float clutch = clutch_step(1.0f, 1.0f);   // lever pulled fully
    EXPECT_EQ(clutch, 0.0f);
    int ticks = 0;
    while (clutch < 1.0f && ticks < 100) {
        clutch = clutch_step(clutch, 0.0f);
        ++ticks;
    }
    EXPECT_EQ(ticks, 32);
    EXPECT_EQ(clutch_step(1.0f, 7.0f / 8.0f), 0.0f);   // 7/8 of the lever is fully out
    EXPECT_FLOAT_EQ(clutch_step(1.0f, 0.5f), 1.0f - 4.0f / 7.0f);
    EXPECT_FLOAT_EQ(clutch_step(0.5f, 0.5f), 1.0f - 4.0f / 7.0f);   // down to a half lever at once
    EXPECT_FLOAT_EQ(clutch_step(0.25f, 0.5f), 0.28125f);             // up by 1/32 a tick
}

TEST_F(Ticks, PauseAndStepKeys)
{
    view_mode = VIEW_CHASE;
    int before = tick_count;
    key_handle(STEP, 1);
    EXPECT_EQ(tick_count, before) << "step does nothing unless paused";
    key_handle(PAUSE, 1);
    EXPECT_EQ(paused, 1);
    key_handle(STEP, 1);
    EXPECT_EQ(tick_count, before + 1);
    key_handle(PAUSE, 0);
    EXPECT_EQ(paused, 1) << "releases do nothing";
    net_set_connect_address("server.example");
    key_handle(PAUSE, 1);
    EXPECT_EQ(paused, 1) << "no pause while connecting";
    net_set_connect_address(nullptr);
}

TEST_F(Ticks, TabCyclesTheViews)
{
    const int order[] = {VIEW_ONBOARD, VIEW_CHASE, VIEW_TRACK_CAMERAS, VIEW_ONBOARD};
    view_mode = VIEW_ONBOARD;
    for (int i = 1; i < 4; ++i) {
        key_handle(9, 1);
        EXPECT_EQ(view_mode, order[i]);
    }
    g_options.editor = 1;
    key_handle(9, 1);
    EXPECT_EQ(view_mode, VIEW_EDITOR);
    key_handle(9, 1);
    EXPECT_EQ(view_mode, VIEW_CHASE);
}

}  // namespace
