// tests/racing/timing_fixture.h — the race fixture with timing gates in a row across a flat
// field, a short gate sequence, a temporary home for the files the standings write, and ways to
// put a rider's front wheel at a gate or give it gate times outright.
#pragma once
#include <string>

#include "race_fixture.h"
#include "fixtures/fixtures.h"
#include "bike/bike_record.h"

// Gates 0..4 stand in a row along x, 20 ft apart at z = 60, each crossed in +x within 4 ft.
// The sequence: a first lap of gates 0 and 1, then laps of 2, 3 (no switch point) and 4.
struct TimingField : RaceField {
    std::string home;
    timing_gate row[5] = {};
    int sequence[5] = {0, 1, 2, LAP_NO_SWITCH + 3, 4};

    void SetUp() override;
    void TearDown() override;
    // The front wheel 1 ft past the gate of running gate number g (g < 0: far from every gate).
    void at_gate(bike *b, int g);
    // Gate times outright, -1 for a missing gate; the gate index becomes their count.
    void times(bike *b, std::initializer_list<int> ticks);
    std::string read(const std::string &relative) const;
};
