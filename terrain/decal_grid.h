// terrain/decal_grid.h — an 8 x 8 grid over the terrain listing, per cell, the ascending indices
// of the decals whose bounding box touches it, so the composer finds a small area's decals fast.
#pragma once

struct terrain_field;

void decal_grid_insert(terrain_field *t, int index);
void decal_grid_remove(terrain_field *t, int index);
void decal_grid_renumber(terrain_field *t, int first, int offset);
// Ascending indices without duplicates of every decal that may touch the world box; the list
// belongs to the grid and is valid until the next query. *count receives its length.
const int *decal_grid_query(terrain_field *t, float x0, float z0, float x1, float z1, int *count);
void decal_request_redraw(terrain_field *t, int index);
// New string (mem_alloc) with the ending replaced, or null when name does not end with it.
char *name_replace_suffix(const char *name, const char *ending, const char *replacement);
