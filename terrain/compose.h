// terrain/compose.h — keeping the composed ground textures (tiles, decals and lighting combined)
// up to date around the eye: at most one ring slot or requested block per call.
#pragma once

struct terrain_field;

void terrain_compose_texture(terrain_field *t);
