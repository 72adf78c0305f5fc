#include "race_fixture.h"

#include <cstring>

#include "bike/shape.h"
#include "data/mem.h"
#include "racing/particles.h"
#include "racing/state_history.h"

void RaceField::SetUp()
{
    // 128 ft of flat ground.
    h = new ride_harness(5, 2.0f, [](int, int) { return 0.0f; });
    for (int slot = 0; slot < 160; ++slot) bike_slot_table[slot] = nullptr, controller_kind[slot] = CONTROLLER_REMOTE;
    track_objects_init();
    start_count = 0;
    standings_count = 0;
    erode_level = 0;
    history_clear();
    particles_reset();
    telemetry_on = 0;
    telemetry_index = TELEMETRY_SAMPLES;
    viewed_slot = 0;
}

void RaceField::TearDown()
{
    for (int slot = 0; slot < 160; ++slot) bike_slot_table[slot] = nullptr;   // the harness owns them
    track_objects_free();
    for (growable_array &cell : object_grid) growable_array_free(&cell);
    start_count = 0;
    delete h;
    net_socket = -1;
    race_slot = 160;
    local_slot = 160;
    race_set_standings_hook(nullptr);
}

bike *RaceField::rider(int slot, int kind, float x, float z)
{
    bike *b = h->add(nullptr, x, z);
    bike_slot_table[slot] = b;
    controller_kind[slot] = kind;
    return b;
}

int RaceField::start_gate(float x, float z, float angle, float radius)
{
    const int i = statue_add(x, 0, z, angle, nullptr, nullptr, nullptr);
    statue *s = (statue *)statues.items + i;
    s->shape = one_sphere_shape(radius);
    s->last_hit_tick = -1;
    start_positions[start_count][0] = x, start_positions[start_count][2] = z;
    start_angles[start_count] = angle;
    start_statues[start_count] = i;
    return start_count++;
}
