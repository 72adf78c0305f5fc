// terrain/brush.h — the two round brushes wheels dig and pile the ground with. Digging returns
// the volume it added, so that depositing its negation elsewhere keeps the ground's amount.
#pragma once

struct terrain_field;

// Adds amount * w to every vertex within radius of (x, z) (world units), w fading smoothly from
// 1 at the centre to 0 at the radius. Returns the sum of amount * w over the brush window,
// vertices outside the grid included although they do not change.
float terrain_erode_dig(terrain_field *t, float x, float z, float radius, float amount);
// Spreads volume over the same disc: each vertex gets volume * w / max(1, sum of w).
void  terrain_erode_deposit(terrain_field *t, float x, float z, float radius, float volume);

// Brush weight of a vertex at distance d (cells) from the centre for radius rc (cells).
float terrain_brush_weight(float d, float rc);
