// The rider state history: storing in tick order, choosing the frames about a tick, blending
// two packed frames, and hiding riders whose states stopped.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "racing/race.h"
#include "racing/race_state.h"
#include "racing/state_history.h"
#include "data/console.h"

namespace {

// A frame whose first byte tells which tick it was made for.
struct marked_frame {
    std::uint8_t bytes[BIKE_FRAME_BYTES];
    explicit marked_frame(int tick) { memset(bytes, 0, sizeof bytes), bytes[0] = (std::uint8_t)tick, bytes[1] = (std::uint8_t)(tick >> 8); }
};

void add(int slot, int tick) { add_state_to_history(slot, marked_frame(tick).bytes, tick); }

// The stored stamps from the oldest to the newest, empty entries left out.
std::vector<int> stamps(int slot)
{
    const history_ring &h = state_history[slot];
    std::vector<int> out;
    for (int k = 1; k <= HISTORY_LENGTH; ++k) {
        const int i = (h.newest + k) % HISTORY_LENGTH;
        if (h.stamps[i] >= 0) out.push_back(h.stamps[i]);
    }
    return out;
}

// Every stored frame still carries the tick it was stored with.
bool frames_match_stamps(int slot)
{
    const history_ring &h = state_history[slot];
    for (int i = 0; i < HISTORY_LENGTH; ++i)
        if (h.stamps[i] >= 0 && (h.frames[i][0] | h.frames[i][1] << 8) != (h.stamps[i] & 0xffff)) return false;
    return true;
}

struct History : ::testing::Test {
    void SetUp() override { history_clear(); }
    void TearDown() override { history_clear(); }
};

TEST_F(History, Inserts)
{
    struct Case {
        const char *name;
        std::vector<int> ticks;
        std::vector<int> want;
    };
    std::vector<int> full, full_then_newer, full_then_between;
    for (int t = 100; t < 100 + HISTORY_LENGTH; ++t) full.push_back(t);
    full_then_newer = full, full_then_newer.push_back(500);
    std::vector<int> want_newer(full.begin() + 1, full.end());
    want_newer.push_back(500);
    // Every second tick, then one between the two oldest: the oldest drops.
    for (int k = 0; k < HISTORY_LENGTH; ++k) full_then_between.push_back(10 + 2 * k);
    std::vector<int> want_between = full_then_between;
    full_then_between.push_back(11);
    want_between.erase(want_between.begin());
    want_between.insert(want_between.begin(), 11);
    const Case cases[] = {
        {"in order", {1, 2, 3}, {1, 2, 3}},
        {"duplicate ignored", {1, 5, 5, 3}, {1, 3, 5}},
        {"out of order lands between", {10, 30, 20, 25}, {10, 20, 25, 30}},
        {"full ring drops the oldest", full_then_newer, want_newer},
        {"between the two oldest of a full ring", full_then_between, want_between},
        {"older than all of a full ring ignored", [&] { auto v = full; v.push_back(5); return v; }(), full},
        {"negative tick ignored", {-3, 4, -1}, {4}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        history_clear_slot(7);
        for (int t : c.ticks) add(7, t);
        EXPECT_EQ(stamps(7), c.want);
        EXPECT_TRUE(frames_match_stamps(7));
        EXPECT_EQ(state_history[7].stamps[state_history[7].newest], c.want.back());
    }
}

TEST_F(History, SlotOutOfRangeIsReported)
{
    console_clear();
    add(160, 5);
    add(-1, 5);
    const int last = (g_console.write_index + CONSOLE_LINES - 1) % CONSOLE_LINES;
    EXPECT_STREQ(g_console.lines[last], "add_state_to_history: slot out of range");
}

TEST_F(History, UnrecordedCountSaturates)
{
    for (int t = 0; t < 300; ++t) add(3, t);
    EXPECT_EQ(state_history[3].unrecorded, HISTORY_LENGTH);
}

TEST_F(History, ChoosingAboutATick)
{
    for (int t : {100, 110, 120}) add(2, t);
    struct Case {
        int tick;
        int want_a, want_b;   // stamps
        float want_weight;
        int want_gap;
    };
    const Case cases[] = {
        {115, 110, 120, 0.5f, 10},
        {120, 110, 120, 1.0f, 10},
        {110, 100, 110, 1.0f, 10},
        {160, 110, 120, 5.0f, 10},            // 40 past the newest: extrapolated by 40
        {220, 110, 120, 7.4f, 10},            // 100 past: only by 64
        {50, 100, 110, 0.0f, 1},              // older than all: the oldest as it is
        {100, 100, 110, 0.0f, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tick);
        int a, b, gap;
        float w;
        ASSERT_TRUE(history_choose(2, c.tick, &a, &b, &gap, &w));
        EXPECT_EQ(state_history[2].stamps[a], c.want_a);
        EXPECT_EQ(state_history[2].stamps[b], c.want_b);
        EXPECT_FLOAT_EQ(w, c.want_weight);
        EXPECT_EQ(gap, c.want_gap);
    }
    int a, b, gap;
    float w;
    EXPECT_FALSE(history_choose(9, 100, &a, &b, &gap, &w));
    add(9, 100);   // one state: used as it is at any tick
    ASSERT_TRUE(history_choose(9, 140, &a, &b, &gap, &w));
    EXPECT_EQ(a, b);
    EXPECT_EQ(w, 0);
}

double fraction(const std::uint8_t *p, int bytes)
{
    std::uint32_t raw = 0;
    for (int i = bytes - 1; i >= 0; --i) raw = raw << 8 | p[i];
    return raw / (double)((1ull << (8 * bytes)) - 1);
}

void put(std::uint8_t *p, int bytes, double v)
{
    const std::uint32_t raw = (std::uint32_t)std::floor(v * ((1ull << (8 * bytes)) - 1) + 0.5);
    for (int i = 0; i < bytes; ++i) p[i] = (std::uint8_t)(raw >> (8 * i));
}

void put_quaternion(std::uint8_t *p, const double q[4])
{
    for (int k = 0; k < 4; ++k) put(p + 2 * k, 2, (q[k] + 1) * 0.5);
}

TEST(StateInterpolate, PerField)
{
    std::uint8_t a[BIKE_FRAME_BYTES] = {}, b[BIKE_FRAME_BYTES] = {}, out[BIKE_FRAME_BYTES];
    put(a + 0, 3, 0.25), put(b + 0, 3, 0.5);
    put(a + 3, 3, 0.9), put(b + 3, 3, 1.0);
    const double identity[4] = {1, 0, 0, 0}, flipped[4] = {-1, 0, 0, 0};
    put_quaternion(a + 9, identity), put_quaternion(b + 9, flipped);   // the same turn
    const double half[4] = {std::sqrt(0.5), 0, std::sqrt(0.5), 0};
    put_quaternion(a + 26, identity), put_quaternion(b + 26, half);
    a[17] = 0, b[17] = 255;
    a[34] = 250, b[34] = 5;
    a[35] = 250, b[35] = 5;   // not cyclic: linear
    a[36] = 7, b[36] = 9;
    put(a + 37, 2, 0.2), put(b + 37, 2, 0.4);

    state_interpolate(out, a, b, 0.5f);
    EXPECT_NEAR(fraction(out + 0, 3), 0.375, 1e-6);
    EXPECT_NEAR(fraction(out + 9, 2) * 2 - 1, 1.0, 1e-4);   // the short way: stays the identity
    const double angle = 2 * std::acos(fraction(out + 26, 2) * 2 - 1);
    EXPECT_NEAR(angle, 3.14159265 / 4, 2e-3);                   // half of a quarter turn
    EXPECT_EQ(out[17], 128);
    EXPECT_TRUE(out[34] == 0 || out[34] == 255) << (int)out[34];   // through 0, not 0.5
    EXPECT_EQ(out[35], 128);
    EXPECT_EQ(out[36], 7);
    EXPECT_NEAR(fraction(out + 37, 2), 0.3, 1e-4);

    state_interpolate(out, a, b, 2.0f);   // the position extrapolates, the rest stops at b
    EXPECT_NEAR(fraction(out + 0, 3), 0.75, 1e-6);
    EXPECT_NEAR(fraction(out + 3, 3), 1.0, 1e-9);   // clamped
    EXPECT_EQ(out[17], 255);
    EXPECT_EQ(out[36], 7);

    state_interpolate(out, a, b, 0.0f);
    EXPECT_EQ(memcmp(out, a, sizeof a), 0);
}

TEST(StateInterpolate, CyclicByteTakesTheShortWay)
{
    struct Case { int a, b; float w; int want; };
    const Case cases[] = {
        {250, 5, 0.25f, 253}, {250, 5, 0.75f, 2}, {5, 250, 0.5f, 0}, {10, 30, 0.5f, 20},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.a);
        std::uint8_t a[BIKE_FRAME_BYTES] = {}, b[BIKE_FRAME_BYTES] = {}, out[BIKE_FRAME_BYTES];
        a[34] = (std::uint8_t)c.a, b[34] = (std::uint8_t)c.b;
        state_interpolate(out, a, b, c.w);
        const int apart = std::abs(out[34] - c.want);
        EXPECT_LE(std::min(apart, 256 - apart), 1) << (int)out[34];   // 255 and 0 are neighbours
    }
}

TEST_F(History, HiddenASecondAfterTheLastState)
{
    static char fake;   // never touched: hiding reads only whether the slot holds a bike
    bike_slot_table[4] = (bike *)&fake;
    controller_kind[4] = CONTROLLER_REMOTE;
    for (int t = 0; t <= 200; t += 10) add(4, t);
    struct Case { int tick; int hidden; };
    const Case cases[] = {{150, 0}, {200, 0}, {328, 0}, {329, 1}, {0, 0}};
    for (const Case &c : cases) {
        tick_count = c.tick;
        EXPECT_EQ(rider_is_hidden(4), c.hidden) << c.tick;
    }
    history_clear_slot(4);
    EXPECT_EQ(rider_is_hidden(4), 1);   // no state at all
    controller_kind[4] = CONTROLLER_LOCAL;
    EXPECT_EQ(rider_is_hidden(4), 0);
    bike_slot_table[4] = nullptr;
    EXPECT_EQ(rider_is_hidden(4), 1);
    tick_count = 0;
}

}   // namespace
