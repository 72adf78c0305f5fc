// bench/timing_riders.h — a full field of 160 riders as the timing code sees them: bare bike
// records with gate times and a front wheel body, gates in a row, a first lap of 2 gates and
// laps of 10.
#pragma once
#include <cstring>
#include <ode/ode.h>

#include "bike/bike_record.h"
#include "bike/setters.h"
#include "racing/race.h"
#include "racing/race_state.h"
#include "racing/standings.h"
#include "terrain/timing_gates.h"
#include "terrain/track_load.h"

struct timing_riders {
    bike riders[160];
    dWorldID world;
    timing_gate row[12];
    int sequence[12];

    // Every rider has passed `passed` gates, one every 100 ticks, a little apart from the next.
    explicit timing_riders(int passed)
    {
        dInitODE2(0);
        world = dWorldCreate();
        memset(riders, 0, sizeof riders);
        for (int i = 0; i < 12; ++i) {
            row[i] = {};
            row[i].centre[0] = 20.0f * i, row[i].centre[2] = 60;
            row[i].direction[0] = 4, row[i].radius = 4;
            sequence[i] = i;
        }
        gates = row, gate_count = 12;
        lap_list = sequence, first_lap_count = 2, normal_lap_count = 10;
        track_name = "bench";
        race_start_tick = 0, race_time_limit = 0, race_laps = race_laps_chosen = 1000;
        for (int slot = 0; slot < 160; ++slot) {
            bike *b = &riders[slot];
            growable_array_init(&b->gate_times, sizeof(int));
            for (int g = 0; g < passed; ++g) bike_record_gate_time(b, g, 100 * g + slot);
            b->gate_index = passed;
            b->bodies[BODY_FRONT_WHEEL] = dBodyCreate(world);
            dBodySetPosition(b->bodies[BODY_FRONT_WHEEL], 500, 0, 500);   // near no gate
            bike_slot_table[slot] = b;
            controller_kind[slot] = CONTROLLER_ROBOT;
            b->personality = 1 + slot % 4;   // robots: they ride lines, they do not record them
        }
        tick_count = 100 * passed + 1000;
        standings_reset();
    }
    ~timing_riders()
    {
        for (int slot = 0; slot < 160; ++slot) {
            growable_array_free(&riders[slot].gate_times);
            bike_slot_table[slot] = nullptr;
        }
        gates = nullptr, gate_count = 0, lap_list = nullptr, track_name = nullptr;
        standings_count = 0;
        dWorldDestroy(world);
        dCloseODE();
    }
};
