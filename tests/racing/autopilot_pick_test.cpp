// The line pick: which skill a robot races with, and how quality, the chosen chain, the first
// section's squeeze and recent picks weigh the lines of a section. The store's lines are
// straight runs along -z that all join one another; each line's cost is its tested section time.
#include "autopilot_fixture.h"

#include <cmath>

#include "bike/setters.h"
#include "shell/globals.h"

namespace {

TEST_F(RobotField, SkillByLead)
{
    struct Case {
        const char *what;
        int personality;
        int own_time, second_time;   // ticks at the second rider's last gate; -1 missing
        bool leading;
        int want;
    };
    const Case cases[] = {
        {"dorian 11 s ahead", 2, 1000, 1000 + 11 * 128, true, SKILL_AMATEUR},
        {"dorian 9 s ahead", 2, 1000, 1000 + 9 * 128, true, SKILL_EXPERT},
        {"dorian 11 s ahead, own time missing", 2, -1, 1000 + 11 * 128, true, SKILL_EXPERT},
        {"dorian second", 2, 1000 + 11 * 128, 1000, false, SKILL_EXPERT},
        {"hugo 11 s ahead", 1, 1000, 1000 + 11 * 128, true, SKILL_NOVICE},
        {"hugo close", 1, 1000, 1000, true, SKILL_NOVICE},
        {"ezra 11 s ahead", 3, 1000, 1000 + 11 * 128, true, SKILL_NOVICE},
        {"ezra close", 3, 1000, 1000 + 128, true, SKILL_AMATEUR},
        {"tester", 4, 1000, 1000 + 11 * 128, true, SKILL_EXPLORING},
    };
    bike *a = robot(3, 1, 0, 0), *b = robot(5, 1, 10, 0);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        a->personality = c.personality;
        a->gate_times.count = b->gate_times.count = 0;
        for (int g = 0; g < 4; ++g) bike_record_gate_time(a, g, 100 * g), bike_record_gate_time(b, g, 100 * g + 50);
        bike_record_gate_time(a, 4, c.own_time);
        bike_record_gate_time(b, 4, c.second_time);
        standings_count = 2;
        standings[0] = {c.leading ? 3 : 5, 5, 0};
        standings[1] = {c.leading ? 5 : 3, 5, 0};
        EXPECT_EQ(autopilot_skill(a), c.want);
    }
}

struct Pick : RobotField {
    bike *b = nullptr;
    // One first-lap section and eight lap sections, so that an 8-section search from section 0
    // or 1 meets every section once; every line 12 samples from the bike on.
    void SetUp() override
    {
        RobotField::SetUp();
        b = robot(0, 1, 0, 0);
        make_store(1, 8);
        tick_count = 60 * 128;
        race_start_tick = 14 * 128;
    }
    std::vector<line_sample> run() const
    {
        const dReal *p = dBodyGetPosition(b->bodies[BODY_FRAME]);
        return straight_samples(12, (float)p[0], (float)p[1], (float)p[2] - 2, 4, 30);
    }
    // Slot j of the section with a line costing `cost` ticks for a novice (five tests); every
    // other section holds one line of cost 1, so an 8-section chain costs the line's cost + 7.
    void fill(int section, const std::vector<int> &costs)
    {
        for (int s = 0; s < 9; ++s)
            if (s != section) put_line(s, 0, run(), 5, 5, 10);
        for (size_t j = 0; j < costs.size(); ++j) put_line(section, (int)j, run(), 5, 5 * costs[j], 10 * costs[j]);
    }
    int picked(int section)
    {
        b->robot_state[ROBOT_NEXT_SECTION] = section;
        set_path(b, {}, 0);
        b->finished = 0;
        EXPECT_EQ(autopilot_pick(b), 1);
        return b->recent_line_ids[section & 3] - 100 * section - 1;
    }
};

TEST_F(Pick, QualityAndRest)
{
    fill(1, {93, 193});   // chains of 100 and 200 ticks: qualities 1 and 0.5
    EXPECT_EQ(picked(1), 0);
    EXPECT_EQ(b->robot_state[ROBOT_NEXT_SECTION], 2);
    // Just picked (and the other line, ending at the same place, rested with it).
    EXPECT_EQ(line_slot(1, 0)->last_picked, tick_count);
    EXPECT_EQ(line_slot(1, 1)->last_picked, tick_count);

    // Picked 1.5 s ago, the better line counts half: 0.5 against 0.6.
    fill(1, {93, 160});   // qualities 1 and 100 / 167 = 0.6
    line_slot(1, 0)->last_picked = tick_count - 192;
    line_slot(1, 1)->last_picked = -100000;
    EXPECT_EQ(picked(1), 1);
    line_slot(1, 0)->last_picked = tick_count - 384;
    line_slot(1, 1)->last_picked = -100000;
    EXPECT_EQ(picked(1), 0);
}

TEST_F(Pick, FirstSectionSqueeze)
{
    // Qualities 1 and 0.5; the better line rested to 0.8. In the first section the other
    // becomes 0.9 and wins; in a lap section it stays 0.5.
    for (int section : {0, 1}) {
        SCOPED_TRACE(section);
        fill(section, {93, 193});
        line_slot(section, 0)->last_picked = tick_count - (int)(2.4 * 128);
        line_slot(section, 1)->last_picked = -100000;
        EXPECT_EQ(picked(section), section == 0 ? 1 : 0);
    }
}

TEST_F(Pick, ChainBonus)
{
    // Slot 0 is the chain's line with quality 0.5, slot 1 the better line rested to 0.7 or 0.8.
    struct Case { float seconds, rest; int want; };
    const Case cases[] = {
        {40, 2.1f, 1},   // no pull yet: 0.5 against 0.7
        {50, 2.1f, 0},   // half way: 0.75 against 0.7
        {50, 2.4f, 1},   //           0.75 against 0.8
        {60, 2.97f, 0},  // full pull: 1 against 0.99
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.seconds);
        fill(1, {193, 93});
        chains[SKILL_NOVICE * 9 + 1] = line_slot(1, 0)->id;
        tick_count = (int)(c.seconds * 128);
        line_slot(1, 0)->last_picked = -100000;
        line_slot(1, 1)->last_picked = tick_count - (int)std::lround(c.rest * 128);
        EXPECT_EQ(picked(1), c.want);
    }
    // The chain of another skill has no pull.
    chains[SKILL_NOVICE * 9 + 1] = 0;
    chains[SKILL_EXPERT * 9 + 1] = line_slot(1, 0)->id;
    line_slot(1, 0)->last_picked = -100000;
    line_slot(1, 1)->last_picked = tick_count - (int)std::lround(2.97 * 128);
    EXPECT_EQ(picked(1), 1);
}

TEST_F(Pick, RestedTogetherAndEmptySlots)
{
    // Three lines; the third ends 5 ft to the side of the others and is not rested with them.
    fill(1, {93, 93, 93});
    learned_line *third = line_slot(1, 2);
    for (int k = 0; k < third->sample_count; ++k) third->samples[k].x += 5;
    for (int j = 0; j < 3; ++j) line_slot(1, j)->last_picked = -100000;
    EXPECT_EQ(picked(1), 0);
    EXPECT_EQ(line_slot(1, 1)->last_picked, tick_count);
    EXPECT_EQ(line_slot(1, 2)->last_picked, -100000);

    // A section of empty slots appends nothing and keeps the section number.
    for (int j = 0; j < LINE_SLOTS_PER_SECTION; ++j) *line_slot(2, j) = learned_line{};
    b->robot_state[ROBOT_NEXT_SECTION] = 2;
    set_path(b, {}, 0);
    EXPECT_EQ(autopilot_pick(b), 0);
    EXPECT_EQ(b->robot_state[ROBOT_NEXT_SECTION], 2);
    EXPECT_EQ(b->line_record.count, 0);

    // Not due while more than 10 samples lie ahead, nor once finished.
    set_path(b, straight_samples(30, 0, 2, -10, 4, 30), 5);
    b->robot_state[ROBOT_NEXT_SECTION] = 1;
    EXPECT_EQ(autopilot_pick(b), 0);
    set_path(b, {}, 0);
    b->finished = 1;
    EXPECT_EQ(autopilot_pick(b), 0);
}

}   // namespace
