// terrain/shading.h — per-vertex lighting of the ground. The stored colour is half the light
// (the composer doubles it), so light up to twice a texture's brightness can be shown.
#pragma once

struct terrain_field;

// Smoothed unit normal of vertex (x, z) from its eight surrounding triangles, each weighing the
// same whatever its area.
void vertex_normal(const terrain_field *t, int x, int z, float out[3]);
// Colour bytes of vertex (x, z) (clamped into the grid) from the track's sun and ambient light
// and the vertex's shadow byte.
void vertex_shade_color(const terrain_field *t, int x, int z, unsigned char out[3]);
// Normal-image entry of a vertex: 128 + 127 * n per axis, the middle byte 255 - shadow.
void vertex_normal_bytes(const terrain_field *t, int x, int z, unsigned char out[3]);
// Brings every stale shading colour (and normal-image entry) up to date.
void terrain_update_shading(terrain_field *t);
