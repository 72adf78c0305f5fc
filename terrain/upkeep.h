// terrain/upkeep.h — the composer's texture slots, the low-detail colour blocks that carry the
// per-vertex shading to the GPU, and the per-frame terrain upkeep.
#pragma once

struct terrain_field;

int  terrain_create_lod_textures(terrain_field *t);
int  terrain_placeholder_texture(terrain_field *t, int square_size, int brightness);
// width x height RGB texels of the vertices from (x0, z0), coordinates clamped into the grid;
// stale shading (or, with the terrain shader, normal-image) entries are refreshed first.
void terrain_render_block(terrain_field *t, unsigned char *pixels, int x0, int z0, int width, int height);
void terrain_refresh_blocks(terrain_field *t, int budget);
void terrain_update(terrain_field *t);
void terrain_update_all(terrain_field *t);
