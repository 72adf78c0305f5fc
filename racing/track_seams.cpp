// Stand-ins for what the track loader and the erosion code need of the race until the racing
// subsystem brings them: the object grid keeps its cells but fills none, particles ignore their
// billboards and none flies, statues stand upright, and erosion trails go straight into the
// local queue as they do offline.
#include "racing/race.h"
#include "terrain/erosion.h"

growable_array object_grid[64];

void object_grid_insert(int) {}

void object_terrain_orientation(float out[9], float, float, float)
{
    for (int i = 0; i < 9; ++i) out[i] = i % 4 == 0 ? 1.0f : 0.0f;
}

void particle_set_billboard(int, int) {}

particle_node *particle_spawn(const float *, const float *, const roost_type *) { return nullptr; }

void net_send_erosion(const unsigned char *bytes, int length)
{
    erode_queue_push_packet(bytes, length);
}
