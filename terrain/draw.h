// terrain/draw.h — drawing the ground as a quadtree of fans around the eye, each patch with the
// finest composed ground texture that is ready for it.
#pragma once

struct terrain_field;

// Draws with the current projection and modelview; eye_pos and view_dir must be set.
void terrain_draw(terrain_field *t);
void terrain_select_lod(terrain_field *t, int depth, int x, int z);
void terrain_draw_node(terrain_field *t, int depth, int x, int z);
void terrain_bind_patch_texture(terrain_field *t, int depth, int x, int z, int level);
void terrain_fan_immediate(terrain_field *t, int depth, int x, int z, int rim_start, int rim_count, int level);
void terrain_fan_arrays(terrain_field *t, int depth, int x, int z, int rim_start, int rim_count, int level);
