// The learned-lines store: rating, replacement and acceptance, joining, costs and the chain
// search on small stores of lanes along z.
#include "line_store_fixture.h"

#include <cmath>

namespace {

learned_line stats(int tested, int failures, int section_sum, int two_sum, int two_time)
{
    learned_line l = {nullptr, 1, two_time / 2, two_time, tested, 1000000, 1000000, section_sum, two_sum, failures, 0, 0};
    return l;
}

TEST(LineRating, ExpectedTimes)
{
    struct Case { const char *name; learned_line l; int want; };
    const Case cases[] = {
        {"untested: the record x 5 / 4, truncated", stats(0, 0, 0, 0, 1003), 1253},
        {"untested with a failure: + 640", stats(0, 1, 0, 0, 1003), 1893},
        {"tested: the mean two-section time", stats(4, 0, 0, 4003, 0), 1000},
        {"tested with failures: + their share of 640", stats(3, 1, 0, 3000, 0), 1160},
        {"an empty slot", stats(0, 0, 0, 0, 1000000), 1250000},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(line_expected_time(&c.l), c.want);
    }
}

TEST(LineRating, CostsPerSkill)
{
    struct Case { const char *name; learned_line l; int skill, want; };
    const Case cases[] = {
        {"novice: 4 tests are too few", stats(4, 0, 400, 0, 0), SKILL_NOVICE, 1000000},
        {"novice: 5 tests give the mean", stats(5, 0, 503, 0, 0), SKILL_NOVICE, 100},
        {"novice: failures add their share of 640", stats(6, 2, 600, 0, 0), SKILL_NOVICE, 260},
        {"amateur: failures weigh 8 / 7", stats(6, 2, 600, 0, 0), SKILL_AMATEUR, 282},
        {"amateur: 4 tests are too few", stats(4, 0, 400, 0, 0), SKILL_AMATEUR, 1000000},
        {"expert: one test is enough", stats(1, 0, 90, 0, 0), SKILL_EXPERT, 90},
        {"expert: no test, no division", stats(0, 3, 0, 0, 0), SKILL_EXPERT, 1000000},
        {"expert: failures weigh 4, at most the whole 640", stats(1, 1, 100, 0, 0), SKILL_EXPERT, 740},
        {"exploring: never run", stats(0, 0, 0, 0, 0), SKILL_EXPLORING, 0},
        {"exploring: one test", stats(1, 0, 0, 0, 0), SKILL_EXPLORING, 5000},
        {"exploring: one failure counts as four runs", stats(0, 1, 0, 0, 0), SKILL_EXPLORING, 7000},
        {"exploring: 6 runs, 3 failures is not hopeless", stats(3, 3, 0, 0, 0), SKILL_EXPLORING, 8000},
        {"exploring: 6 runs, more failures than 4 x tests", stats(1, 5, 0, 0, 0), SKILL_EXPLORING, 100000},
        {"exploring: 5 failures alone are not enough runs", stats(0, 5, 0, 0, 0), SKILL_EXPLORING, 9000},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(line_cost(&c.l, c.skill), c.want);
    }
}

TEST(LineJoining, CircleCentre)
{
    struct Case { const char *name; line_sample s[3]; double want[2]; };
    const Case cases[] = {
        {"on a circle about (10, 20)", {{15, 0, 20, 0, 0}, {10, 0, 25, 0, 0}, {5, 0, 20, 0, 0}}, {10, 20}},
        {"height plays no part", {{15, 3, 20, 0, 0}, {10, -7, 25, 0, 0}, {5, 1, 20, 0, 0}}, {10, 20}},
        // In a row along +z: the first step (0, 10) has perpendicular (10, 0).
        {"in a row: far out beside the first step", {{0, 0, 0, 0, 0}, {0, 0, 10, 0, 0}, {0, 0, 20, 0, 0}}, {1e7, 5}},
        {"the same point twice: at that point", {{4, 0, 4, 0, 0}, {4, 0, 4, 0, 0}, {9, 0, 9, 0, 0}}, {4, 4}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        double centre[2];
        line_circle_centre(c.s, centre);
        EXPECT_NEAR(centre[0], c.want[0], 1e-6 * std::fabs(c.want[0]) + 1e-4);
        EXPECT_NEAR(centre[1], c.want[1], 1e-4);
    }
}

TEST_F(LineStoreTest, Joins)
{
    make(1, 1);
    // An arc of radius 50 about (0, 0) from angle 0, 10 degrees a sample.
    auto arc = [](float radius, float from_deg, int n, float speed) {
        std::vector<line_sample> s;
        for (int i = 0; i < n; ++i) {
            const float a = (from_deg + 10.0f * i) * 3.14159265f / 180;
            s.push_back({radius * std::cos(a), 0, radius * std::sin(a), speed, 0});
        }
        return s;
    };
    auto bend = [](std::vector<line_sample> s, float dx) { s[1].x += dx; return s; };
    struct Case {
        const char *name;
        std::vector<line_sample> a, b;
        int want;
    };
    const Case cases[] = {
        {"straight on", lane(0, 0), lane(0, 100), 1},
        {"straight on, 2 ft aside", lane(0, 0), lane(2, 100), 1},
        {"straight on, 3 ft aside", lane(0, 0), lane(3, 100), 0},
        {"straight, then a sharp turn", lane(0, 0), bend(lane(0, 100), 5), 0},
        {"along the same arc", arc(50, 0, 4, 30), arc(50, 40, 4, 30), 1},
        {"onto an arc 2 ft wider", arc(50, 0, 4, 30), arc(52, 40, 4, 30), 1},
        {"onto an arc 3 ft wider", arc(50, 0, 4, 30), arc(53, 40, 4, 30), 0},
        {"an arc onto a straight", arc(50, 0, 4, 30), lane(50 * std::cos(0.5236f), 40), 0},
        {"15 ft/s slower is fine", lane(0, 0, 9, 45), lane(0, 100, 9, 30), 1},
        {"more than 15 ft/s slower is not", lane(0, 0, 9, 46), lane(0, 100, 9, 30), 0},
        {"airborne speeds count by size", lane(0, 0, 9, -40), lane(0, 100, 9, -30), 1},
        {"two samples end no line", lane(0, 0, 2), lane(0, 100), 0},
        {"one sample starts no line", lane(0, 0), lane(0, 100, 1), 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(line_joins(put(0, 0, c.a), put(1, 0, c.b)), c.want);
    }
    EXPECT_EQ(line_joins(line_slot(0, 1), line_slot(1, 1)), 0) << "empty slots";
}

// A first-lap section 0 and lap sections 1 and 2, lanes at x = 0 and 10 (and 0.5, which joins
// lane 0 both ways), all tested once: the expert costs are the section sums.
struct LineChains : LineStoreTest {
    void SetUp() override
    {
        make(1, 2);
        put(0, 0, lane(0, 0), 1, 0, 50);
        put(0, 1, lane(10, 0), 1, 0, 40);
        put(1, 0, lane(0, 100), 1, 0, 100);
        put(1, 1, lane(10, 100), 1, 0, 90);
        put(1, 3, lane(0.5f, 100), 1, 0, 70);
        put(2, 0, lane(0, 200), 1, 0, 100);
        put(2, 1, lane(10, 200), 1, 0, 90);
    }
    int id(int section, int slot) { return line_slot(section, slot)->id; }
};

TEST_F(LineChains, TheCheapestLapAndFirstLap)
{
    autopilot_analyze_lines();
    // Expert: lane 0 through the cheaper slot 3 costs 170 a lap, lane 10 180.
    EXPECT_EQ(line_chain_id(SKILL_EXPERT, 1), id(1, 3));
    EXPECT_EQ(line_chain_id(SKILL_EXPERT, 2), id(2, 0));
    EXPECT_EQ(line_chain_id(SKILL_EXPERT, 0), id(0, 0)) << "the first lap must lead into the lap's line";
    // Novice: every line costs 1000000; the first joining lap wins the ties.
    EXPECT_EQ(line_chain_id(SKILL_NOVICE, 1), id(1, 0));
    EXPECT_EQ(line_chain_id(SKILL_NOVICE, 2), id(2, 0));
    EXPECT_EQ(line_chain_id(SKILL_NOVICE, 0), id(0, 0));
}

TEST_F(LineChains, SearchOverEightSectionsWrapsTheLap)
{
    const std::int64_t *t = line_search(1, 8, SKILL_EXPERT);   // sections 1, 2, 1, 2, ...
    auto row_min = [t](int j) {
        std::int64_t m = t[j * LINE_SLOTS_PER_SECTION];
        for (int k = 1; k < LINE_SLOTS_PER_SECTION; ++k) m = std::min(m, t[j * LINE_SLOTS_PER_SECTION + k]);
        return m;
    };
    EXPECT_EQ(row_min(3), 4 * 170);
    EXPECT_EQ(row_min(0), 100 + 100 + 3 * 170);
    EXPECT_EQ(row_min(1), 4 * 180);
    EXPECT_EQ(row_min(2), LINE_NO_JOIN) << "an empty slot starts no chain";
    // The chain from slot 1 ending before slot 1 of section 1 stays in lane 10.
    EXPECT_EQ(line_search_back(7, 1, 1), 1);
    EXPECT_EQ(line_search_back(1, 1, 1), 1);
    EXPECT_EQ(line_search_back(1, 1, 2), LINE_BACK_NONE) << "nothing leads into an empty slot";
}

TEST_F(LineChains, AnEmptySectionChainsNone)
{
    for (int slot = 0; slot < 2; ++slot) line_slot_clear(line_slot(2, slot));
    autopilot_analyze_lines();
    for (int skill = 0; skill < 3; ++skill) {
        SCOPED_TRACE(skill);
        EXPECT_EQ(line_chain_id(skill, 2), 0);
    }
}

// A full section of untested lines, recorded two-section times 1000 + slot; first samples in
// pairs 0.5 ft apart, the last one alone.
struct FullSection : LineStoreTest {
    void SetUp() override
    {
        make(1, 1);
        for (int i = 0; i < LINE_SLOTS_PER_SECTION; ++i) put(0, i, lane((i / 2) * 10 + (i % 2) * 0.5f, 0), 0, 0, 0, 1000 + i);
    }
    void prove(int slot, int mean)
    {
        learned_line *l = line_slot(0, slot);
        l->tested_count = 1, l->two_section_time_sum = mean;
    }
};

TEST_F(FullSection, ReplacementChoice)
{
    EXPECT_EQ(line_replacement_choice(0), 43) << "the slowest, 44, stands alone and is kept";
    for (int i = 22; i < 44; ++i) prove(i, 100000);
    EXPECT_EQ(line_replacement_choice(0), 21) << "22 proven lines are kept";
    prove(0, 100000);
    EXPECT_EQ(line_replacement_choice(0), 0) << "with 23 proven, the slowest proven goes";
}

TEST_F(FullSection, Acceptance)
{
    const std::vector<line_sample> fresh = lane(300, 0, 5);
    const int before = line_id_counter;
    EXPECT_EQ(line_accept(0, fresh.data(), 5, 0, 600, 1044), -1) << "1044 x 5 / 4 beats no line's 1303";
    EXPECT_EQ(line_accept(0, fresh.data(), 5, 1, 600, 100), -1) << "spoiled";
    EXPECT_EQ(line_accept(0, fresh.data(), 0, 0, 600, 100), -1) << "empty";
    std::vector<line_sample> copy = lane(20, 0);   // slot 4's line, a hair off
    copy[3].x += 1.0f / 32, copy[5].speed += 1.0f / 32;
    EXPECT_EQ(line_accept(0, copy.data(), (int)copy.size(), 0, 10, 10), -1) << "duplicate";
    EXPECT_EQ(line_id_counter, before);

    ASSERT_EQ(line_accept(0, fresh.data(), 5, 0, 600, 1043), 43) << "as fast as the choice's record";
    const learned_line *l = line_slot(0, 43);
    EXPECT_EQ(l->sample_count, 5);
    EXPECT_EQ(l->samples[4].z, 40);
    EXPECT_EQ(l->section_time, 600);
    EXPECT_EQ(l->two_section_time, 1043);
    EXPECT_EQ(l->best_two_section_time, 1000000);
    EXPECT_EQ(l->id, before + 1);

    // A tested choice (with 23 proven lines, so that it may go) is beaten only by a time
    // x 5 / 4 within its mean.
    for (int i = 0; i < LINE_SLOTS_PER_SECTION; ++i) line_slot(0, i)->two_section_time = 100;
    for (int i = 20; i < 43; ++i) prove(i, 100);
    prove(7, 2000);
    const std::vector<line_sample> other = lane(400, 0, 5);
    EXPECT_EQ(line_accept(0, other.data(), 5, 0, 600, 1601), -1);
    EXPECT_EQ(line_accept(0, other.data(), 5, 0, 600, 1600), 7);

    line_slot_clear(line_slot(0, 30));
    EXPECT_EQ(line_accept(0, fresh.data() + 1, 4, 0, 600, 900000), 30) << "an empty slot takes any line";
}

TEST_F(FullSection, CreditAndFailure)
{
    const int id = line_slot(0, 9)->id;
    line_credit(0, id, 500, 1100);
    line_credit(0, id, 450, 1200);
    line_fail(0, id);
    line_fail(0, 0);       // no line: nothing
    line_credit(0, 12345, 1, 1);
    const learned_line *l = line_slot(0, 9);
    EXPECT_EQ(l->tested_count, 2);
    EXPECT_EQ(l->best_section_time, 450);
    EXPECT_EQ(l->best_two_section_time, 1100);
    EXPECT_EQ(l->section_time_sum, 950);
    EXPECT_EQ(l->two_section_time_sum, 2300);
    EXPECT_EQ(l->failure_count, 1);
    EXPECT_EQ(line_slot(0, 8)->failure_count, 0);
}

TEST(LineCrossing, SegmentSideTest)
{
    struct Case { const char *name; line_sample p, q, a, b; int want; };
    const Case cases[] = {
        {"either side", {0, 0, 0, 0, 0}, {10, 0, 0, 0, 0}, {5, 0, 1, 0, 0}, {5, 0, -1, 0, 0}, 1},
        {"beyond the segment's ends still counts", {0, 0, 0, 0, 0}, {10, 0, 0, 0, 0}, {50, 0, 1, 0, 0}, {60, 0, -1, 0, 0}, 1},
        {"the same side", {0, 0, 0, 0, 0}, {10, 0, 0, 0, 0}, {5, 0, 1, 0, 0}, {6, 0, 2, 0, 0}, 0},
        {"on the line is with the left side", {0, 0, 0, 0, 0}, {10, 0, 0, 0, 0}, {5, 0, 0, 0, 0}, {5, 0, -1, 0, 0}, 1},
        {"on the line and left", {0, 0, 0, 0, 0}, {10, 0, 0, 0, 0}, {5, 0, 0, 0, 0}, {5, 0, 1, 0, 0}, 0},
        {"heights play no part", {0, 0, 0, 0, 0}, {10, 9, 0, 0, 0}, {5, -9, 1, 0, 0}, {5, 3, -1, 0, 0}, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(segment_side_test(&c.p, &c.q, &c.a, &c.b), c.want);
    }
}

// Lanes 1 ft apart along z, untested, recorded two-section times 1000 + slot.
TEST_F(LineStoreTest, CrowdedSectionsAreThinned)
{
    std::vector<line_sample> diagonal;
    for (int i = 0; i < 9; ++i) diagonal.push_back({0.5f + 5.0f * i, 0, 10.0f * i, 30, 0});
    struct Case {
        const char *name;
        int lines;            // slots 0 .. lines - 1 hold lanes
        int diagonal_slot;    // -1 none
        int tested_slot;      // -1 none
        std::vector<int> want_removed;
    };
    const Case cases[] = {
        {"the line crossing the most goes, then the replacement choice", 45, 44, -1, {43, 44}},
        {"nothing crosses: the first line, then the replacement choice", 45, -1, -1, {0, 44}},
        {"nothing crosses: a tested line goes before the untested", 45, -1, 5, {5, 44}},
        {"44 lines leave 42", 44, -1, -1, {0, 43}},
        {"43 lines stay", 43, -1, -1, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        make(1, 1);
        for (int i = 0; i < c.lines; ++i) put(1, i, lane((float)i, 0), 0, 0, 0, 1000 + i);
        if (c.diagonal_slot >= 0) put(1, c.diagonal_slot, diagonal, 0, 0, 0, 1000);
        if (c.tested_slot >= 0) line_slot(1, c.tested_slot)->tested_count = 1;
        for (int i = 0; i < 45; ++i) put(0, i, lane((float)i, 0), 0, 0, 0, 1000 + i);
        line_store_thin();
        autopilot_analyze_lines();
        std::vector<int> removed;
        for (int i = 0; i < c.lines; ++i)
            if (line_slot(1, i)->sample_count == 0) removed.push_back(i);
        EXPECT_EQ(removed, c.want_removed);
        int left = 0;
        for (int i = 0; i < LINE_SLOTS_PER_SECTION; ++i) left += line_slot(0, i)->sample_count > 0;
        EXPECT_EQ(left, 43) << "the other section, 45 lines";
        TearDown();
    }
}

}   // namespace
