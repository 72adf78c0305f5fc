#include "timing_fixture.h"

#include <cstdlib>

#include "bike/setters.h"
#include "data/file_index.h"
#include "data/paths.h"
#include "fixtures/fixtures.h"
#include "racing/standings.h"
#include "terrain/track_load.h"

void TimingField::SetUp()
{
    RaceField::SetUp();
    home = fixture_temp_dir("timinghome");
    setenv("XDG_DATA_HOME", home.c_str(), 1);
    search_folders_free();
    home += "Rutline/";
    for (int i = 0; i < 5; ++i) {
        row[i].centre[0] = 20.0f + 20 * i, row[i].centre[2] = 60;
        row[i].direction[0] = 4;
        row[i].radius = 4;
    }
    gates = row, gate_count = 5;
    lap_list = sequence, first_lap_count = 2, normal_lap_count = 3;
    track_name = "timing";
    tick_count = 0;
    race_start_tick = 0;
    race_time_limit = 0;
    race_laps = race_laps_chosen = 2;
    standings_reset();
    active_series = active_series_event = -1;
}

void TimingField::TearDown()
{
    gates = nullptr, gate_count = 0;
    lap_list = nullptr, first_lap_count = normal_lap_count = 0;
    track_name = nullptr;
    standings_count = 0;
    RaceField::TearDown();
    unsetenv("XDG_DATA_HOME");
    search_folders_free();
}

void TimingField::at_gate(bike *b, int g)
{
    float x = 500, z = 500;
    if (g >= 0) {
        const int entry = g < first_lap_count ? sequence[g] : sequence[first_lap_count + (g - first_lap_count) % normal_lap_count];
        const timing_gate &gate = row[entry % LAP_NO_SWITCH];
        x = gate.centre[0] + 1, z = gate.centre[2];
    }
    dBodySetPosition(b->bodies[BODY_FRONT_WHEEL], x, 1, z);
}

void TimingField::times(bike *b, std::initializer_list<int> ticks)
{
    bike_set_gate_index(b, 0);
    int n = 0;
    for (int t : ticks) bike_record_gate_time(b, n++, t);
    b->gate_index = n;
}

std::string TimingField::read(const std::string &relative) const { return fixture_read_file(home + relative); }
