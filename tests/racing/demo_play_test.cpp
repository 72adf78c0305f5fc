// Playing a demo back: a recording comes back into the state history, the older versions'
// raw frames, text and erosion packets, and demo files made to hurt: every damaged case of the
// reader in one table, and a demo cut at every offset.
#include "demo_fixture.h"

#include <cstring>

#include "bike/frame.h"
#include "bike/setters.h"
#include "data/console.h"
#include "data/file_index.h"
#include "racing/demo.h"
#include "racing/demo_play.h"
#include "terrain/erosion.h"
#include "racing/state_history.h"

namespace {

std::string frame_bytes(int seed, int size = 39)
{
    std::string f;
    for (int i = 0; i < size; ++i) f += (char)(seed * 7 + i);
    return f;
}

// The newest stored stamp and frame of a slot at a tick; "" when none.
std::string stored(int slot, int t)
{
    const history_ring &h = state_history[slot];
    for (int i = 0; i < HISTORY_LENGTH; ++i)
        if (h.stamps[i] == t) return std::string((const char *)h.frames[i], BIKE_FRAME_BYTES);
    return "";
}

int stored_count(int slot)
{
    int n = 0;
    for (std::int32_t s : state_history[slot].stamps) n += s >= 0;
    return n;
}

struct DemoPlay : DemoField {
    void write_demo(const std::string &bytes) { fixture_write_file(demo_path("default.rldemo"), bytes); }
    int open() { return demo_play_open(); }
    // Ordinal k plays into slot k + 1, a replayed rider.
    void map(int riders)
    {
        for (int k = 0; k < riders; ++k) {
            demo_play_map(k, k + 1);
            controller_kind[k + 1] = CONTROLLER_REMOTE;
        }
    }
};

const char head2[] = "RL06 2 0 3 1800\ntiming\nrm125|||| \n7\nPat\n\nrm125||||\n123\nRoborider\nextra line\n\n";

TEST_F(DemoPlay, RecordingComesBackIntoTheHistory)
{
    bike *a = rider(0, CONTROLLER_LOCAL, 10, 20);
    bike *b = rider(2, CONTROLLER_ROBOT, 40, 20);
    strcpy(a->number_text, "7");
    strcpy(rider_names[0], "Pat");
    tick_count = 100;
    demo_record_start();
    std::string at_tick[2][200];
    for (; tick_count < 180; ++tick_count) {
        dBodySetPosition(a->bodies[BODY_FRAME], 10 + tick_count * 0.1, 3, 20);
        dBodySetPosition(b->bodies[BODY_FRAME], 40, 3, 20 + tick_count * 0.1);
        for (int i = 0; i < 2; ++i) {
            std::uint8_t f[BIKE_FRAME_BYTES];
            bike_pack_frame(i ? b : a, f);
            at_tick[i][tick_count] = std::string((const char *)f, sizeof f);
        }
        demo_record_tick(tick_count == 100);
    }
    demo_record_stop();
    for (int slot = 0; slot < 3; ++slot) bike_slot_table[slot] = nullptr;
    history_clear();

    tick_count = 0;
    race_laps_chosen = race_start_tick = 0;
    ASSERT_EQ(open(), 1);
    EXPECT_STREQ(demo_play_track(), "timing");
    EXPECT_EQ(demo_play_rider_count(), 2);
    EXPECT_EQ(demo_play_format(), 6);
    EXPECT_EQ(race_start_tick, 0);   // the recording's
    const char *model, *number, *textures[4], *name;
    ASSERT_EQ(demo_play_take_rider(5, &model, &number, textures, &name), 1);
    EXPECT_STREQ(number, "7");
    EXPECT_STREQ(name, "Pat");
    EXPECT_STREQ(model, bike_get_model_name(a));
    for (const char *t : textures) EXPECT_EQ(t, nullptr);
    ASSERT_EQ(demo_play_take_rider(6, &model, &number, textures, &name), 1);
    EXPECT_EQ(demo_play_take_rider(7, &model, &number, textures, &name), 0);
    controller_kind[5] = controller_kind[6] = CONTROLLER_REMOTE;

    demo_play_tick();
    EXPECT_EQ(tick_count, 100);   // the first packet's tick
    for (int t = 101; t < 180; ++t) {
        tick_count = t;
        demo_play_tick();
    }
    for (int t = 100; t < 180; t += 4) {
        SCOPED_TRACE(t);
        EXPECT_EQ(stored(5, t), at_tick[0][t]);
        EXPECT_EQ(stored(6, t), at_tick[1][t]);
    }
}

TEST_F(DemoPlay, OlderVersionsCarryRawFrames)
{
    for (int version : {4, 5}) {
        SCOPED_TRACE(version);
        const int size = version == 4 ? 26 : 39;
        std::string file = "RL" + std::to_string(version) + " 2 0 3 1500\ntiming\nkx250f||||\n12\nrm125||||\n34\n";
        for (int t = 0; t < 20; ++t)
            for (int k = 0; k < 2; ++k) file += frame_bytes(t * 2 + k, size);
        write_demo(file);
        history_clear();
        ASSERT_EQ(open(), 1);
        const char *model, *number, *textures[4], *name;
        ASSERT_EQ(demo_play_take_rider(1, &model, &number, textures, &name), 1);
        EXPECT_STREQ(model, "kx250f(2008)");   // the older name of the model
        EXPECT_STREQ(number, "12");
        EXPECT_STREQ(name, "");
        demo_play_map(1, 2);
        controller_kind[1] = controller_kind[2] = CONTROLLER_REMOTE;
        EXPECT_EQ(demo_play_format(), version);
        tick_count = 50;
        demo_play_tick();   // the first frames belong to now, eight ticks ahead are read
        for (int t = 0; t <= 8; ++t)
            for (int k = 0; k < 2; ++k) {
                std::string want = frame_bytes(t * 2 + k, size);
                want.resize(39, '\0');
                ASSERT_EQ(stored(1 + k, 50 + t), want) << t;
            }
        EXPECT_EQ(stored(1, 59), "");
        // A second forward: the frames of tick 12 are at the head + 12 x 2 riders x size.
        ASSERT_EQ(demo_play_seek(12), 1);
        history_clear();
        tick_count = 12;
        demo_play_tick();
        std::string want = frame_bytes(12 * 2 + 1, size);
        want.resize(39, '\0');
        EXPECT_EQ(stored(2, 12), want);
        demo_play_close();
    }
}

TEST_F(DemoPlay, TextAndErosionPackets)
{
    demo_chain c;
    c.packet(DEMO_TEXT, 10, "Nice pass");
    c.packet(DEMO_ERODE_LEVEL, 11, "erode 300");
    c.packet(DEMO_TEXT, 12, std::string(3000, 'x'));   // longer than a line: cut, then passed over
    c.packet(9, 13, "unknown type");
    c.packet(DEMO_ERODE_LEVEL, 14, "erode 999999");
    write_demo(std::string("RL06 0 0 3 100\ntiming\n") + c.bytes);
    console_clear();
    ASSERT_EQ(open(), 1);
    tick_count = 0;
    erode_level = 0;
    demo_play_tick();
    const int newest = (g_console.write_index + CONSOLE_LINES - 1) % CONSOLE_LINES;
    EXPECT_EQ(std::string(g_console.lines[(newest + CONSOLE_LINES - 1) % CONSOLE_LINES]), "Nice pass");
    EXPECT_EQ(std::string(g_console.lines[newest]).substr(0, 10), "xxxxxxxxxx");
    // The strongest erosion the command line gives: more from a file is cut to it.
    EXPECT_EQ(erode_level, 102400);
}

// Damaged demos: each row a file and what playback makes of it.
TEST_F(DemoPlay, DamagedFiles)
{
    const std::string frame = frame_bytes(3);
    const std::string good_head = "RL06 1 0 3 100\ntiming\nrm125||||\n5\nA\n\n";
    auto states = [&](std::initializer_list<std::pair<int, int>> records) {
        std::string p;
        for (auto [ordinal, t] : records) p += demo_chain::record(ordinal, t, (const std::uint8_t *)frame.data());
        return p;
    };
    struct Case {
        const char *what;
        std::string file;
        int opens;
        std::vector<int> stamps;   // stored in slot 1 after playing
    };
    demo_chain ok;
    ok.packet(DEMO_STATES, 16, states({{0, 4}, {0, 8}}));
    demo_chain wrong_ordinal;
    wrong_ordinal.packet(DEMO_STATES, 16, states({{1, 4}, {200, 6}, {0, 8}}));
    demo_chain bad_ticks;
    bad_ticks.packet(DEMO_STATES, -5, states({{0, 2}}));
    bad_ticks.packet(DEMO_STATES, 16, states({{0, -1}, {0, (1 << 30) + 1}, {0, 12}}));
    demo_chain past_end;
    past_end.packet(DEMO_STATES, 16, states({{0, 4}}));
    past_end.packet_raw_length(44 * 1000 ^ 44, 32, DEMO_STATES, states({{0, 20}}));
    demo_chain not_whole;
    not_whole.packet(DEMO_STATES, 16, states({{0, 4}}) + "abc");
    not_whole.packet(DEMO_STATES, 32, states({{0, 24}}));
    const Case cases[] = {
        {"good", good_head + ok.bytes, 1, {4, 8}},
        {"161 riders", "RL06 161 0 3 100\ntiming\n", 0, {}},
        {"negative riders", "RL06 -1 0 3 100\ntiming\n", 0, {}},
        {"negative time limit", "RL06 0 -1 3 100\ntiming\n", 0, {}},
        {"negative laps", "RL06 0 0 -3 100\ntiming\n", 0, {}},
        {"negative start", "RL06 0 0 3 -100\ntiming\n", 0, {}},
        // Values the race's sums would overflow: refused at the head, the largest sound ones kept.
        {"laps near the int's top", "RL06 0 0 2147483647 100\ntiming\n", 0, {}},
        {"1001 laps", "RL06 0 0 1001 100\ntiming\n", 0, {}},
        {"time limit near the int's top", "RL06 0 2147483647 3 100\ntiming\n", 0, {}},
        {"start tick near the int's top", "RL06 0 0 3 2147483000\ntiming\n", 0, {}},
        {"largest laps, limit and start", "RL06 0 1073741824 1000 1073741824\ntiming\n", 1, {}},
        {"version 7", "RL07 0 0 3 100\ntiming\n", 0, {}},
        {"version 3", "RL03 0 0 3 100\ntiming\n", 0, {}},
        {"two values", "RL06 0\ntiming\n", 0, {}},
        {"no start tick", "RL06 0 0\ntiming\n", 1, {}},
        {"track not installed", "RL06 0 0 3 100\n../../etc\n", 0, {}},
        {"track line without newline", "RL06 0 0 3 100\ntiming", 0, {}},
        {"ends in a rider block", "RL06 1 0 3 100\ntiming\nrm125||||\n5\nA\n", 0, {}},
        {"ordinal beyond the riders", good_head + wrong_ordinal.bytes, 1, {8}},
        {"ticks out of range", good_head + bad_ticks.bytes, 1, {12}},
        {"length past the end", good_head + past_end.bytes, 1, {4}},
        {"length not whole records", good_head + not_whole.bytes, 1, {24}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        write_demo(c.file);
        history_clear();
        console_clear();
        ASSERT_EQ(open(), c.opens);
        if (!c.opens) {
            const int newest = (g_console.write_index + CONSOLE_LINES - 1) % CONSOLE_LINES;
            EXPECT_EQ(std::string(g_console.lines[newest]).substr(0, 11), "Can't play ");
            EXPECT_EQ(demo_play_track(), nullptr);
            EXPECT_EQ(demo_play_rider_count(), 0);
            continue;
        }
        map(1);
        tick_count = 0;
        for (int k = 0; k < 4; ++k) demo_play_tick();
        std::vector<int> got;
        for (int t = 0; t < 100; ++t)
            if (!stored(1, t).empty()) got.push_back(t);
        EXPECT_EQ(got, c.stamps);
        // Back to the start, and it plays the same again.
        ASSERT_EQ(demo_play_seek(0), 1);
        history_clear();
        tick_count = 0;
        demo_play_tick();
        EXPECT_EQ(stored_count(1), (int)c.stamps.size());
        demo_play_close();
    }
}

TEST_F(DemoPlay, AChosenDemoThatIsNoFileIsTold)
{
    write_demo("RL06 0 0\ntiming\n");   // the folder is there, as a file named like it is not
    const std::string names[] = {home + "demos", home + "demos/missing.rldemo"};
    for (const std::string &name : names) {
        SCOPED_TRACE(name);
        console_clear();
        demo_play_set_name(name.c_str());
        EXPECT_EQ(open(), 0);
        const int newest = (g_console.write_index + CONSOLE_LINES - 1) % CONSOLE_LINES;
        EXPECT_EQ(std::string(g_console.lines[newest]), "Can't play " + name + ": no such file");
    }
    demo_play_set_name(nullptr);
}

TEST_F(DemoPlay, TheStartTickDefaultsTo14Seconds)
{
    write_demo("RL06 0 0\ntiming\n");
    race_start_tick = 5;
    ASSERT_EQ(open(), 1);
    EXPECT_EQ(race_start_tick, 1792);
}

TEST_F(DemoPlay, WalkBackStopsAtTheHead)
{
    const std::string frame = frame_bytes(1);
    demo_chain c;
    for (int t = 16; t <= 48; t += 16) c.packet(DEMO_STATES, t, demo_chain::record(0, t, (const std::uint8_t *)frame.data()));
    write_demo(std::string("RL06 1 0 3 100\ntiming\nrm125||||\n5\nA\n\n") + c.bytes);
    ASSERT_EQ(open(), 1);
    map(1);
    tick_count = 0;
    demo_play_tick();
    EXPECT_EQ(g_play.packet_position, g_play.head_end + 3 * 53);
    // A length that would step back into the head (a chain damaged in memory or on disk): the
    // walk ends at the first packet instead of reading the head as one.
    g_play.previous_length = 100000;
    ASSERT_EQ(demo_play_seek(0), 1);
    EXPECT_EQ(g_play.packet_position, g_play.head_end);
    EXPECT_EQ(g_play.previous_length, 0u);
    history_clear();
    demo_play_tick();
    EXPECT_FALSE(stored(1, 16).empty());
    EXPECT_FALSE(stored(1, 48).empty());
}

TEST_F(DemoPlay, OldDemoSeekBeyondFourGigabytesEndsTheSkip)
{
    write_demo("RL5 160 0 3 100\ntiming\n" + std::string(160 * 2, '\n'));
    ASSERT_EQ(open(), 1);
    EXPECT_EQ(demo_play_seek(1 << 30), 0);
    EXPECT_EQ(demo_play_seek(1), 1);
}

TEST_F(DemoPlay, TexturesOnlyWhenInstalled)
{
    fixture_write_file(home + "rider_body-red.png", "png");
    data_files_free();
    write_demo("RL06 1 0 3 100\ntiming\nrm125|@rider_body-red.png|@../../secret|@wheels-none.png|@rider_body-red.png\n5\nA\n\n");
    ASSERT_EQ(open(), 1);
    const char *model, *number, *textures[4], *name;
    ASSERT_EQ(demo_play_take_rider(1, &model, &number, textures, &name), 1);
    EXPECT_STREQ(textures[0], "@rider_body-red.png");
    EXPECT_EQ(textures[1], nullptr);   // a body texture is no helmet
    EXPECT_EQ(textures[2], nullptr);
    EXPECT_EQ(textures[3], nullptr);
    data_files_free();
}

TEST_F(DemoPlay, CutAtEveryOffset)
{
    const std::string frame = frame_bytes(2);
    demo_chain c;
    for (int t = 16; t <= 96; t += 16) {
        std::string p;
        for (int k = 0; k < 2; ++k) p += demo_chain::record(k, t - 4 * k, (const std::uint8_t *)frame.data());
        c.packet(DEMO_STATES, t, p);
        c.packet(DEMO_TEXT, t, "chat");
        c.packet(DEMO_ERODE, t, std::string(20, '\x11'));
    }
    const std::string whole = std::string(head2) + c.bytes;
    for (std::size_t cut = 0; cut <= whole.size(); ++cut) {
        write_demo(whole.substr(0, cut));
        history_clear();
        if (!open()) continue;
        map(2);
        for (tick_count = 0; tick_count < 120; tick_count += 8) demo_play_tick();
        demo_play_seek(40);
        demo_play_tick();
        demo_play_seek(0);
        demo_play_tick();
        demo_play_close();
    }
    erode_queue_reset();
}

}   // namespace
