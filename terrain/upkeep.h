// terrain/upkeep.h — the composer's texture slots, the low-detail colour blocks that carry the
// per-vertex shading to the GPU, and the per-frame terrain upkeep.
#pragma once

struct terrain_field;

int  terrain_create_lod_textures(terrain_field *t);
int  terrain_placeholder_texture(terrain_field *t, int square_size, int brightness);
// width x height RGB texels of the vertices from (x0, z0), coordinates clamped into the grid;
// stale shading (or, with the terrain shader, normal-image) entries are refreshed first.
void terrain_render_block(terrain_field *t, unsigned char *pixels, int x0, int z0, int width, int height);
// Re-renders up to budget stale colour blocks (0: all of them); nothing in texture mode 1.
void terrain_refresh_blocks(terrain_field *t, int budget);
// Edge in texels of the colour block image starting at first_cell on an axis of cells cells:
// its 384 cells and a 64-cell margin on each side, rounded up to a power of two, at most 512.
int  terrain_block_edge(int cells, int first_cell);
void terrain_update(terrain_field *t);
// 1 while the ground drawn around the eye is still being made: a ring slot or block waits to be
// composed (terrain/compose.cpp), the level-of-detail pyramid is being rebuilt, or a low-detail
// colour block is stale.
int  terrain_compose_pending(const terrain_field *t);
void terrain_update_all(terrain_field *t);
