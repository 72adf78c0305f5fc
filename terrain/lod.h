// terrain/lod.h — the level-of-detail pyramid (per quadtree node, the squared eye distance below
// which the node splits) and the marking of ground-texture areas that changed.
#pragma once

struct terrain_field;

// Advances the rebuild of the pyramid by at most budget units of work
// (TERRAIN_BUDGET_UNLIMITED: to the end). 1 when the pyramid matches height_generation, 0 when
// the budget ran out first; a build spread over many calls gives the same pyramid as one call.
int  terrain_build_lod(terrain_field *t, int budget);

// Cell rectangle (inclusive) whose ground texture must be recomposed.
void terrain_mark_dirty(terrain_field *t, int x0, int z0, int x1, int z1);
// The same with every coordinate clamped into the grid first.
void terrain_invalidate_cells(terrain_field *t, int x0, int z0, int x1, int z1);

// Pyramid nodes of a field of depth N: (4 * 4^N) / 3.
long terrain_lod_node_count(int depth);
