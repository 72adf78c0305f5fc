// tests/racing/race_fixture.h — a small race on a generated flat field: bikes in rider slots
// as the race reset leaves them, the game's world and contact group, and optionally start gate
// statues of one sphere each.
#pragma once
#include <gtest/gtest.h>

#include "bike/one_sphere.h"
#include "bike/ride_harness.h"
#include "racing/race.h"
#include "racing/race_state.h"
#include "terrain/statues.h"
#include "terrain/timing_gates.h"

struct RaceField : ::testing::Test {
    ride_harness *h = nullptr;

    void SetUp() override;
    void TearDown() override;
    // A bike of the first catalogue model in the slot, at (x, z) facing -z.
    bike *rider(int slot, int kind, float x, float z);
    // A start gate statue of a sphere of that radius at (x, z), turned by angle; its gate index.
    int start_gate(float x, float z, float angle, float radius);
};
