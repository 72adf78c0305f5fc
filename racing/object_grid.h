// racing/object_grid.h — the track's statues sorted into 8 x 8 cells over the middle three
// quarters of the terrain, so that each rider meets only the statues near it; and the order in
// which riders meet each other.
#pragma once

struct bike;

enum { OBJECT_GRID_SIDE = 8 };
constexpr float OBJECT_REACH_FT = 6;   // how far around a rider statues are tested

// The cell row or column of a world coordinate on a terrain of edge size; the outer cells take
// everything beyond the middle three quarters.
int  object_grid_cell(float v, float size);
// Empties the 64 cells (their storage kept) and enters every statue again.
void object_grid_rebuild(void);
// The terrain, then every statue within 6 ft of the frame body, each once; a touch stamps the
// statue with the tick. Returns the last object test's result.
int  rider_object_collisions(bike *b);
// Heap-sort order of bike pointers: the faster frame body first.
int  compare_rider_speed(const void *a, const void *b);
