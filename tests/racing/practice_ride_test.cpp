// Two riders carried along the gate centres of the generated practice track at different
// paces ride two laps: their times rise, both finish, and "@results.txt" lists them in order.
#include "timing_fixture.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <unistd.h>
#include <vector>

#include "bike/setters.h"
#include "data/file_index.h"
#include "data/paths.h"
#include "fixtures/fixtures.h"
#include "racing/standings.h"
#include "terrain/track_load.h"

namespace {

struct PracticeRide : TimingField {
    void SetUp() override
    {
        TimingField::SetUp();
        gates = nullptr, gate_count = 0, lap_list = nullptr;
        setenv("RL_HOME", fixture_game_dir().c_str(), 1);
        search_folders_free();
        data_files_free();
    }
    void TearDown() override
    {
        timing_gates_free();
        data_files_free();
        unsetenv("RL_HOME");
        TimingField::TearDown();
    }
};

// Half a gate's reach past its centre, across it.
void gate_point(int g, float out[2])
{
    const int f = first_lap_count, p = normal_lap_count;
    const int entry = g < f ? lap_list[g] : lap_list[f + (g - f) % p];
    const timing_gate &gate = gates[entry % LAP_NO_SWITCH];
    const float d = std::hypot(gate.direction[0], gate.direction[2]);
    out[0] = gate.centre[0] + gate.direction[0] / d * gate.radius * 0.5f;
    out[1] = gate.centre[2] + gate.direction[2] / d * gate.radius * 0.5f;
}

TEST_F(PracticeRide, TwoRidersTwoLaps)
{
    if (!fixture_file_exists(fixture_game_dir() + "ridgeback-practice/timing_gates")) GTEST_SKIP() << "no generated content";
    timing_gates_load("@ridgeback-practice/timing_gates");
    ASSERT_GT(gate_count, 0);
    ASSERT_GT(normal_lap_count, 0);
    ASSERT_GT(start_count, 0);
    track_name = "ridgeback-practice";
    race_laps = race_laps_chosen = 2;
    const int total = first_lap_count + normal_lap_count;   // two laps' gates

    const char *numbers[2] = {"21", "84"};
    const int pace[2] = {40, 55};   // ticks from gate to gate
    bike *riders[2];
    for (int i = 0; i < 2; ++i) {
        riders[i] = rider(i, CONTROLLER_ROBOT, start_positions[0][0], start_positions[0][2]);
        strcpy(riders[i]->number_text, numbers[i]);
        bike_set_gate_index(riders[i], 0);
    }
    for (tick_count = 1; tick_count < 200 * 60 && !results_final; ++tick_count)
        for (int i = 0; i < 2; ++i) {
            const int leg = tick_count / pace[i];
            const float w = (float)(tick_count % pace[i]) / pace[i];
            float from[2] = {start_positions[0][0], start_positions[0][2]}, to[2];
            if (leg > 0) gate_point(leg - 1, from);
            gate_point(leg, to);
            dBodySetPosition(riders[i]->bodies[BODY_FRONT_WHEEL], from[0] + (to[0] - from[0]) * w, 0,
                             from[1] + (to[1] - from[1]) * w);
            autopilot_learn(riders[i]);
        }

    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(numbers[i]);
        EXPECT_EQ(riders[i]->finished, 1);
        EXPECT_EQ(bike_get_gate_index(riders[i]), total);
        int before = 0;
        for (int g = 0; g < total; ++g) {
            const int t = bike_get_gate_time(riders[i], g);
            EXPECT_GT(t, before) << "gate " << g;
            before = t;
        }
    }
    ASSERT_EQ(results_final, 1);
    std::istringstream file(read("results.txt"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0].rfind("Time=0.00|Laps=2|Track=ridgeback-practice|Date=", 0), 0u);
    EXPECT_EQ(lines[2].rfind("  21 |", 0), 0u) << lines[2];
    EXPECT_EQ(lines[3].rfind("  84 |", 0), 0u) << lines[3];
}

}   // namespace
