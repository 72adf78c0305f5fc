// A robot's place on its path: samples ahead of and behind the plane across the bike.
#include "race_fixture.h"

#include <vector>

#include "racing/lines.h"

namespace {

using AutopilotPath = RaceField;

TEST_F(AutopilotPath, PositionOnThePath)
{
    bike *b = rider(0, CONTROLLER_ROBOT, 40, 60);   // faces -z
    const dReal *x = dBodyGetPosition(b->bodies[BODY_FRAME]);
    struct Case {
        const char *name;
        std::vector<float> ahead;   // each sample's distance ahead of the bike
        int look_ahead;
        float want;
    };
    const Case cases[] = {
        {"all ahead", {10, 20, 30}, 3, 0},
        {"the first walked is behind", {-30, -20, -10, 5}, 3, 3},
        {"between two samples", {-15, -5, 5, 15}, 4, 2.5f},
        {"a quarter past a sample", {-20, -2, 6, 30}, 3, 2.25f},
        {"the look-ahead index past the path", {-15, -5, 5}, 9, 2.5f},
        {"an empty path", {}, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        robot_path(b)->count = 0;
        for (float d : c.ahead) {
            const line_sample s = {(float)x[0] + 3, (float)x[1], (float)x[2] - d, 20, 0};
            growable_array_append(robot_path(b), &s);
        }
        robot_look_ahead(b) = c.look_ahead;
        EXPECT_FLOAT_EQ(autopilot_path_position(b), c.want);
    }
}

}   // namespace
