// Decals as the "decals" file may place them (any position, angle and sizes, NaN and infinity
// included) entered into the decal grid and composed into the ground on the processor.
// Input: up to 8 records of five little-endian floats: x, z, angle, size 1, size 2.
#include "terrain/compose.h"
#include "terrain/decal_grid.h"
#include "terrain/field.h"
#include "graphics/image.h"
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

static terrain_field *ground(void)
{
    static terrain_field *t = nullptr;
    if (t) return t;
    const int depth = 7;
    t = (terrain_field *)calloc(1, sizeof(terrain_field));
    t->lod_depth = depth;
    t->grid_dim = (1 << (depth + 1)) + 1;
    t->cell_size = 1.0f;
    t->world_size = (float)(1 << (depth + 1));
    t->texture_mode = 1;
    t->texture_size = 32;
    t->eye_cell_x = t->eye_cell_z = TERRAIN_NO_EYE;
    const long n = (long)t->grid_dim * t->grid_dim;
    t->heights = (float *)calloc(n, sizeof(float));
    t->shading = (unsigned char *)malloc(3 * n);
    memset(t->shading, 128, 3 * n);
    t->vertex_dirty = (unsigned char *)calloc(bit_bytes(n), 1);
    t->shadows = (unsigned char *)calloc(n, 1);
    t->tilemap = (unsigned char *)calloc(1 << (2 * depth), 1);
    t->pixel_buffer = (unsigned char *)calloc(TERRAIN_PIXEL_BUFFER_BYTES, 1);
    t->block_request = (int *)calloc(4, sizeof(int));
    t->draw_stamp = 1;
    growable_array_init(&t->decals, sizeof(decal));
    for (growable_array &a : t->decal_grid) growable_array_init(&a, sizeof(int));
    for (growable_array &a : t->decal_work) growable_array_init(&a, sizeof(int));
    return t;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static unsigned char image[4 * 4 * 4 * 2];   // a 4 x 4 RGBA chain, half transparent
    for (size_t i = 0; i < sizeof image; ++i) image[i] = (unsigned char)(i * 37 + 11);
    terrain_field *t = ground();
    t->decals.count = 0;
    for (growable_array &a : t->decal_grid) a.count = 0;
    const size_t record = 5 * sizeof(float);
    for (size_t at = 0; at + record <= size && t->decals.count < 8; at += record) {
        float v[5];
        memcpy(v, data + at, sizeof v);
        decal d = {};
        d.x = v[0]; d.z = v[1]; d.angle = v[2]; d.size1 = v[3]; d.size2 = v[4];
        d.sin_angle = std::sin(d.angle);
        d.cos_angle = std::cos(d.angle);
        d.pixels = (int *)image;
        d.width = d.height = 4;
        growable_array_append(&t->decals, &d);
        decal_grid_insert(t, t->decals.count - 1);
    }
    terrain_compose_pixels(t, 30, 40, 1);    // a level-0 slot
    terrain_compose_pixels(t, 64, 0, 64);    // a block
    int found = 0;
    decal_grid_query(t, -1e30f, NAN, 1e30f, 300, &found);
    if (t->decals.count) decal_grid_remove(t, 0);
    return 0;
}
