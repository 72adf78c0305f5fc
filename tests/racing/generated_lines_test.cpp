// The robots' first lines that the track generator writes for the default tracks: every line
// of the files loads, each joins every line of the next section, every skill's chain covers
// every section, and a rider following a chain takes every gate of the race in order.
#include "timing_fixture.h"

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "bike/setters.h"
#include "data/file_index.h"
#include "data/paths.h"
#include "racing/lines.h"
#include "racing/lines_file.h"
#include "racing/standings.h"
#include "terrain/track_load.h"

namespace {

const char *const tracks[] = {"ridgeback", "ridgeback-practice"};
const char *const files[] = {"lines_novice", "lines_amateur", "lines_expert"};

struct GeneratedLines : TimingField {
    void SetUp() override
    {
        TimingField::SetUp();
        gates = nullptr, gate_count = 0, lap_list = nullptr;
        setenv("RL_HOME", fixture_game_dir().c_str(), 1);
        search_folders_free();
        data_files_free();
        for (const char *t : tracks)
            if (!fixture_file_exists(fixture_game_dir() + t + "/lines_novice")) GTEST_SKIP() << "no generated content";
    }
    void TearDown() override
    {
        release();
        data_files_free();
        unsetenv("RL_HOME");
        TimingField::TearDown();
    }
    void use(const char *track)
    {
        release();
        track_name = track;
        timing_gates_load((std::string("@") + track + "/timing_gates").c_str());
        ASSERT_TRUE(line_store);
    }
    void release()
    {
        lines_free();
        timing_gates_free();
    }
    // Lines per section as the file lists them.
    static std::vector<int> listed(const std::string &text)
    {
        std::istringstream in(text);
        std::string word, rest;
        int sections = 0;
        in >> word >> sections;
        std::vector<int> counts;
        for (int n = 0; n < sections; ++n) {
            int lines = 0;
            in >> lines;
            counts.push_back(lines);
            for (int i = 0; i < lines; ++i) {
                int samples = 0;
                in >> samples;
                std::getline(in, rest);
                for (int k = 0; k < samples; ++k) std::getline(in, rest);
            }
        }
        return counts;
    }
    static std::vector<int> held()
    {
        std::vector<int> counts;
        for (int s = 0; s < line_store_sections(); ++s) {
            int n = 0;
            for (int i = 0; i < LINE_SLOTS_PER_SECTION; ++i) n += line_slot(s, i)->sample_count > 0;
            counts.push_back(n);
        }
        return counts;
    }
};

TEST_F(GeneratedLines, EveryLineLoadsForEverySkill)
{
    for (const char *track : tracks) {
        use(track);
        for (int skill = 0; skill < 3; ++skill) {
            SCOPED_TRACE(std::string(track) + "/" + files[skill]);
            const std::string text = fixture_read_file(fixture_game_dir() + track + "/" + files[skill]);
            const std::vector<int> want = listed(text);
            ASSERT_EQ((int)want.size(), line_store_sections());
            lines_load(skill);
            EXPECT_EQ(held(), want);
            // Section 0 starts from the start gates, the others offer a choice.
            EXPECT_EQ(want[0], start_count);
            for (int s = 1; s < line_store_sections(); ++s) EXPECT_GE(want[(size_t)s], 2) << "section " << s;
            for (int s = 0; s < line_store_sections(); ++s)
                for (int i = 0; i < LINE_SLOTS_PER_SECTION; ++i) {
                    const learned_line *l = line_slot(s, i);
                    if (!l->sample_count) continue;
                    EXPECT_EQ(l->tested_count + l->failure_count, 0);
                    EXPECT_GT(l->section_time, 0);
                    EXPECT_GT(l->two_section_time, l->section_time);
                }
        }
    }
}

TEST_F(GeneratedLines, EachLineJoinsEveryLineOfTheNextSection)
{
    for (const char *track : tracks) {
        SCOPED_TRACE(track);
        use(track);
        lines_load(0);
        for (int s = 0; s < line_store_sections(); ++s) {
            const int next = line_next_section(s);
            for (int i = 0; i < LINE_SLOTS_PER_SECTION; ++i)
                for (int j = 0; j < LINE_SLOTS_PER_SECTION; ++j) {
                    const learned_line *a = line_slot(s, i), *b = line_slot(next, j);
                    if (a->sample_count && b->sample_count)
                        EXPECT_TRUE(line_joins(a, b)) << "section " << s << " line " << i << " -> " << next << " line " << j;
                }
        }
    }
}

TEST_F(GeneratedLines, ChainsFollowedTakeEveryGateInOrder)
{
    race_laps = race_laps_chosen = 10;
    bike *b = rider(0, CONTROLLER_LOCAL, 0, 0);
    for (const char *track : tracks) {
        use(track);
        for (int skill = 0; skill < 3; ++skill) {
            SCOPED_TRACE(std::string(track) + "/" + files[skill]);
            lines_load(skill);
            autopilot_analyze_lines();
            const int F = first_lap_switch_count, P = normal_lap_switch_count;
            for (int s = 0; s < F + P; ++s) ASSERT_NE(line_chain_id(skill, s), 0) << "section " << s;

            // The first lap, two laps, and the first lap section of the third.
            std::vector<int> order;
            for (int s = 0; s < F; ++s) order.push_back(s);
            for (int lap = 0; lap < 2; ++lap)
                for (int s = F; s < F + P; ++s) order.push_back(s);
            order.push_back(F);
            std::vector<line_sample> path;
            for (int s : order) {
                const learned_line *l = line_find(s, line_chain_id(skill, s));
                ASSERT_TRUE(l);
                path.insert(path.end(), l->samples, l->samples + l->sample_count);
            }

            bike_set_gate_index(b, 0);
            b->finished = 0;
            b->line_samples[0].count = b->line_samples[1].count = 0;
            standings_reset();
            tick_count = 1;
            for (size_t k = 0; k + 1 < path.size(); ++k) {
                const line_sample &p = path[k], &q = path[k + 1];
                const int steps = 1 + (int)std::hypot(q.x - p.x, q.z - p.z);
                for (int i = 0; i < steps; ++i, ++tick_count) {
                    const float t = (float)i / steps;
                    const float x = p.x + (q.x - p.x) * t, y = p.y + (q.y - p.y) * t, z = p.z + (q.z - p.z) * t;
                    dBodySetPosition(b->bodies[BODY_FRAME], x, y, z);
                    dBodySetPosition(b->bodies[BODY_FRONT_WHEEL], x, y, z);
                    autopilot_learn(b);
                }
            }
            const int want = first_lap_count + 2 * normal_lap_count;
            EXPECT_GE(bike_get_gate_index(b), want);
            int last = 0;
            for (int g = 0; g < want; ++g) {
                const int t = bike_get_gate_time(b, g);
                EXPECT_GE(t, last) << "gate " << g;
                last = t;
            }
        }
    }
}

}   // namespace
