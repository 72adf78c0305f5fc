// Gate passing: scripted front-wheel positions through the gates of a flat field, and the
// finish by a rider's own laps or by the leader's.
#include "timing_fixture.h"

#include <vector>

#include "bike/setters.h"
#include "racing/standings.h"

namespace {

using GatePassing = TimingField;

struct step { int gate, tick; };   // where the front wheel stands at that tick (-1: away)

TEST_F(GatePassing, ScriptedRides)
{
    struct Case {
        const char *name;
        std::vector<step> script;
        std::vector<int> want_times;   // gate times afterwards, -1 missing
        int want_index;
    };
    const Case cases[] = {
        {"every gate in turn, the no-switch gate 3 timed too", {{0, 10}, {1, 20}, {2, 30}, {3, 40}}, {10, 20, 30, 40}, 4},
        {"the wheel short of a gate's centre has not passed it", {{0, 10}, {-1, 15}}, {10}, 1},
        {"a missed gate stays -1", {{0, 10}, {1, 20}, {3, 40}}, {10, 20, -1, 40}, 4},
        {"coming back inside a missed gate fills it", {{0, 10}, {1, 20}, {3, 40}, {2, 50}}, {10, 20, 50, 40}, 3},
        {"a gate behind without a gap is not taken", {{0, 10}, {1, 20}, {0, 30}}, {10, 20}, 2},
        {"the lap-end gate blocks the gates after it", {{0, 10}, {2, 30}, {3, 40}}, {10}, 1},
        {"the blocking lap end is taken late", {{0, 10}, {2, 30}, {1, 40}, {2, 50}}, {10, 40, 50}, 3},
        {"two gates ahead are taken", {{0, 10}, {1, 20}, {4, 60}}, {10, 20, -1, -1, 60}, 5},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        bike *b = rider(0, CONTROLLER_ROBOT, 40, 60);
        bike_set_gate_index(b, 0);
        b->finished = 0;
        standings_reset();
        for (const step &s : c.script) {
            tick_count = s.tick;
            if (s.gate == -1) {   // just short of gate 1's centre, inside its reach
                dBodySetPosition(b->bodies[BODY_FRONT_WHEEL], row[1].centre[0] - 0.5f, 1, row[1].centre[2]);
            } else {
                at_gate(b, s.gate);
            }
            autopilot_learn(b);
            autopilot_learn(b);   // standing still in the gate takes nothing more
        }
        std::vector<int> got;
        for (int g = 0; bike_get_gate_time(b, g) != -1 || g < (int)c.want_times.size(); ++g) {
            got.push_back(bike_get_gate_time(b, g));
            if (g > 16) break;
        }
        EXPECT_EQ(got, c.want_times);
        EXPECT_EQ(bike_get_gate_index(b), c.want_index);
    }
}

TEST_F(GatePassing, FinishByOwnLapsAndByTheLeaders)
{
    race_laps = 2;   // the last gate of lap 2 is gate 4
    bike *a = rider(0, CONTROLLER_ROBOT, 40, 60);
    bike *b = rider(1, CONTROLLER_ROBOT, 40, 60);
    tick_count = 5;
    at_gate(b, 0);
    autopilot_learn(b);
    int t = 10;
    for (int g = 0; g < 5; ++g, t += 10) {
        tick_count = t;
        at_gate(a, g);
        autopilot_learn(a);
        EXPECT_EQ(a->finished, g == 4) << "gate " << g;
    }
    EXPECT_EQ(standings[0].slot, 0);
    // The leader is through; the other finishes at its first lap end, gate 1.
    EXPECT_EQ(b->finished, 0);
    tick_count = t;
    at_gate(b, 1);
    autopilot_learn(b);
    EXPECT_EQ(b->finished, 1);
    t += 10;
    EXPECT_EQ(bike_get_gate_index(b), 2);
    // Finished riders take no more gates.
    tick_count = t;
    at_gate(b, 2);
    autopilot_learn(b);
    EXPECT_EQ(bike_get_gate_index(b), 2);
}

TEST_F(GatePassing, NoGatesNoTiming)
{
    bike *b = rider(0, CONTROLLER_ROBOT, 40, 60);
    gate_count = 0;
    at_gate(b, 0);
    autopilot_learn(b);
    EXPECT_EQ(bike_get_gate_index(b), 0);
    EXPECT_EQ(bike_get_gate_time(b, 0), -1);
}

}   // namespace
