// The robots' learned-lines files in a temporary home: what a save writes back, the clamps on
// what is read, a file of another track layout, and a save that cannot finish.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "terrain/track_home.h"
#include "racing/lines_file.h"
#include "racing/race.h"
#include "shell/globals.h"
#include "terrain/timing_gates.h"

namespace {

// A track of three gates: a first lap of one section, laps of two.
struct LinesFile : TrackHome {
    int saved_learn = 0;

    void SetUp() override
    {
        TrackHome::SetUp();
        ground("t");
        write("t/timing_gates", "checkpoints:\n4 [50 0 60] [4 0 0]\n4 [60 0 60] [4 0 0]\n4 [70 0 60] [4 0 0]\n"
                                "firstlap: 0\nnormallap: 1 2\n");
        ASSERT_EQ(load("t"), 1);
        ASSERT_NE(line_store, nullptr);
        ASSERT_EQ(first_lap_switch_count + normal_lap_switch_count, 3);
        saved_learn = g_options.learn;
        g_options.learn = 1;
    }
    void TearDown() override
    {
        lines_free();
        g_options.learn = saved_learn;
        file_rename = rename;
        TrackHome::TearDown();
    }

    const learned_line &slot(int section, int i) const { return line_store[section * LINE_SLOTS_PER_SECTION + i]; }
    // Lines holding samples per section.
    std::vector<int> used() const
    {
        std::vector<int> n(3, 0);
        for (int s = 0; s < 3; ++s)
            for (int i = 0; i < LINE_SLOTS_PER_SECTION; ++i) n[(size_t)s] += slot(s, i).sample_count > 0;
        return n;
    }
};

const char *const point = "[1.500000 2.250000 -3.000000] 31.000000 -0.125000\n";

std::string points(int n)
{
    std::string s;
    for (int i = 0; i < n; ++i) s += point;
    return s;
}

TEST_F(LinesFile, SaveWritesBackWhatWasReadOnlyWhenLearning)
{
    const std::string file = "ct03 3\n2\n3 900 1800 12 850 1700 10400 20800 3\n" + points(3) +
                             "2 700 1500 0 1000000 1000000 0 0 1\n"
                             "[14.500000 2.200000 35.000000] -32.500000 0.000000\n"
                             "[-0.000001 0.000000 1234.567871] 33.000000 -0.050000\n"
                             "0\n1\n2 800 1600 5 790 1590 4000 8000 0\n" + points(2);
    write("t/lines_novice", file);
    lines_load(0);
    EXPECT_EQ(used(), (std::vector<int>{2, 0, 1}));
    EXPECT_EQ(lines_current(), 1);
    lines_save();
    EXPECT_EQ(read("t/lines_novice"), file);

    // Without learning nothing is written: the spaced-out file stays as it is.
    const std::string spaced = "ct03 3 1\n  2 10 20 0 30 40 0 0 0\n" + points(2) + "0 0\n";
    write("t/lines_amateur", spaced);
    lines_load(1);
    EXPECT_EQ(used(), (std::vector<int>{1, 0, 0}));
    g_options.learn = 0;
    lines_save();
    EXPECT_EQ(read("t/lines_amateur"), spaced);
    g_options.learn = 1;
    lines_save();
    EXPECT_EQ(read("t/lines_amateur"), "ct03 3\n1\n2 10 20 0 30 40 0 0 0\n" + points(2) + "0\n0\n");
}

TEST_F(LinesFile, HighSumsAndCountsAreHalvedKeepingTheMean)
{
    struct Case {
        const char *name, *numbers;   // the eight integers after the sample count
        int tested, failures, two_sum;   // after reading
    };
    const Case cases[] = {
        {"a tested count above 65535", "1000 1000 70000 10 10 7000000 14000000 0", 35000, 0, 7000000},
        // The tests halve with the failures: one test halves to none.
        {"a failure count above 65535", "1000 1000 3 10 10 300 600 131072", 0, 32768, 0},
        {"sums above the cap without tests", "1000 1000 0 10 10 200000000 300000000 5", 0, 0, 100000000},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        write("t/lines_novice", std::string("ct03 3\n1\n2 ") + c.numbers + "\n" + points(2) + "0\n0\n");
        lines_load(0);
        const learned_line &l = slot(0, 0);
        ASSERT_EQ(l.sample_count, 2);
        EXPECT_EQ(l.tested_count, c.tested);
        EXPECT_EQ(l.failure_count, c.failures);
        EXPECT_EQ(l.two_section_time_sum, c.two_sum);
        EXPECT_LE(l.section_time_sum, 100000000);
    }
}

TEST_F(LinesFile, FirstTimeSumAboveTheCapKeepsItsMeanPerTest)
{
    // 1000 tests of a mean 250000 ticks: halved to 250 tests with the same mean.
    write("t/lines_novice", "ct03 3\n1\n2 10 20 1000 10 20 120000000 250000000 6\n" + points(2) + "0\n0\n");
    lines_load(0);
    const learned_line &l = slot(0, 0);
    EXPECT_LT(l.tested_count, 1000);
    EXPECT_GT(l.tested_count, 0);
    EXPECT_EQ(l.two_section_time_sum / l.tested_count, 250000);
    EXPECT_EQ(l.section_time_sum / l.tested_count, 120000);
    EXPECT_LE(l.two_section_time_sum, 100000000);
    EXPECT_EQ(l.failure_count, 1);   // halved with each halving of the tests: 6, 3, 1
}

TEST_F(LinesFile, AnotherSectionCountLoadsNothing)
{
    for (const char *head : {"ct03 2\n", "ct03 4\n", "ct02 3\n", ""}) {
        SCOPED_TRACE(head);
        write("t/lines_expert", std::string(head) + "1\n2 10 20 0 30 40 0 0 0\n" + points(2) + "0\n0\n0\n");
        lines_load(2);
        EXPECT_EQ(used(), (std::vector<int>{0, 0, 0}));
        EXPECT_EQ(lines_current(), 1);   // the level is held: a learning race saves its own lines
    }
}

TEST_F(LinesFile, OutsideInputIsMended)
{
    struct Case {
        const char *name;
        std::string file;
        std::vector<int> want_used;
    };
    const Case cases[] = {
        {"negative counts and sums read as 0", "ct03 3\n1\n2 -5 -7 1 -1 -1 -100 -300 -1\n" + points(2) + "0\n0\n", {1, 0, 0}},
        {"a huge point count stops at the first short read",
         "ct03 3\n1\n2000000000 1 1 1 1 1 1 1 1\n" + points(3) + "1\n2 1 1 0 1 1 0 0 0\n" + points(2) + "0\n", {0, 0, 0}},
        {"a line with a non-finite number is dropped, the next one kept",
         "ct03 3\n2\n2 1 1 0 1 1 0 0 0\n[1e39 1 1] 1 1\n" + std::string(point) + "2 1 1 0 1 1 0 0 0\n" + points(2) +
             "1\n1 1 1 0 1 1 0 0 0\n[1 2 3] -1e39 0\n0\n",
         {1, 0, 0}},
        {"a line that does not parse ends the reading",
         "ct03 3\n3\n2 1 1 0 1 1 0 0 0\n" + points(2) + "2 1 1\n" + points(2) + "2 1 1 0 1 1 0 0 0\n" + points(2) +
             "1\n2 1 1 0 1 1 0 0 0\n" + points(2) + "0\n",
         {1, 0, 0}},
        {"a point list cut short leaves the slot empty", "ct03 3\n1\n3 1 1 0 1 1 0 0 0\n" + points(2), {0, 0, 0}},
        {"lines past the 45th slot are read and dropped", [] {
             std::string f = "ct03 3\n47\n";
             for (int i = 0; i < 47; ++i) f += "1 1 1 0 1 1 0 0 0\n" + points(1);
             return f + "1\n1 1 1 0 1 1 0 0 0\n" + points(1) + "0\n";
         }(), {45, 1, 0}},
        {"a line of no points takes no slot's samples", "ct03 3\n2\n0 1 1 0 1 1 0 0 0\n1 1 1 0 1 1 0 0 0\n" + points(1) + "0\n0\n", {1, 0, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        write("t/lines_novice", c.file);
        lines_load(0);
        EXPECT_EQ(used(), c.want_used);
        for (int s = 0; s < 3; ++s)
            for (int i = 0; i < LINE_SLOTS_PER_SECTION; ++i) {
                const learned_line &l = slot(s, i);
                const int fields[] = {l.section_time, l.two_section_time, l.tested_count, l.best_section_time,
                                      l.best_two_section_time, l.section_time_sum, l.two_section_time_sum, l.failure_count};
                for (int f : fields) EXPECT_GE(f, 0);
                EXPECT_EQ(l.samples != nullptr, l.sample_count > 0);
                EXPECT_EQ(l.id != 0, l.sample_count > 0);
            }
    }
    // Tested once with a negative failure count: the expected time's divisor stays 1.
    write("t/lines_novice", "ct03 3\n1\n2 5 7 1 1 1 9 11 -1\n" + points(2) + "0\n0\n");
    lines_load(0);
    EXPECT_EQ(slot(0, 0).tested_count + slot(0, 0).failure_count, 1);
}

TEST_F(LinesFile, FreeEmptiesTheStoreAndForgetsTheLevel)
{
    write("t/lines_novice", "ct03 3\n1\n2 10 20 3 30 40 50 60 1\n" + points(2) + "0\n1\n1 1 1 0 1 1 0 0 0\n" + points(1));
    lines_load(0);
    const int first_id = slot(0, 0).id;
    EXPECT_GT(first_id, 0);
    EXPECT_GT(slot(2, 0).id, first_id);
    lines_free();
    EXPECT_EQ(lines_current(), 0);
    const learned_line &l = slot(0, 0);
    EXPECT_EQ(l.samples, nullptr);
    EXPECT_EQ(l.sample_count, 0);
    EXPECT_EQ(l.section_time, 1000000);
    EXPECT_EQ(l.two_section_time, 1000000);
    EXPECT_EQ(l.best_section_time, 1000000);
    EXPECT_EQ(l.best_two_section_time, 1000000);
    EXPECT_EQ(l.tested_count + l.section_time_sum + l.two_section_time_sum + l.failure_count + l.id, 0);
    // With no level held a save writes nothing over the file.
    lines_save();
    EXPECT_EQ(read("t/lines_novice"), "ct03 3\n1\n2 10 20 3 30 40 50 60 1\n" + points(2) + "0\n1\n1 1 1 0 1 1 0 0 0\n" + points(1));
}

int failing_rename(const char *, const char *) { return -1; }

TEST_F(LinesFile, SaveThatCannotFinishKeepsTheOldFile)
{
    const std::string file = "ct03 3\n1\n2 10 20 0 30 40 0 0 0\n" + points(2) + "0\n0\n";
    write("t/lines_novice", file);
    lines_load(0);
    line_store[0].section_time = 11;
    file_rename = failing_rename;
    lines_save();
    file_rename = rename;
    EXPECT_EQ(read("t/lines_novice"), file);
    lines_save();
    EXPECT_EQ(read("t/lines_novice"), "ct03 3\n1\n2 11 20 0 30 40 0 0 0\n" + points(2) + "0\n0\n");
}

}   // namespace
