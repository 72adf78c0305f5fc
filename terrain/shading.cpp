// Vertex normals and shading colours of the ground, and the sweep that refreshes stale ones.
#include "terrain/shading.h"
#include "terrain/field.h"
#include "terrain/lighting.h"
#include <cmath>

static inline float height_clamped(const terrain_field *t, int x, int z)
{
    int hi = t->grid_dim - 1;
    x = x < 0 ? 0 : x > hi ? hi : x;
    z = z < 0 ? 0 : z > hi ? hi : z;
    return t->heights[(long)z * t->grid_dim + x];
}

// Truncates towards zero and clamps to lo..hi; clamping first keeps NaN and huge values (from
// extreme heights or lighting) out of the int conversion.
static inline int trunc_clamp(float v, float lo, float hi)
{
    if (!(v > lo)) return (int)lo;
    if (v > hi) return (int)hi;
    return (int)v;
}

void vertex_normal(const terrain_field *t, int x, int z, float out[3])
{
    static const int ring[8][2] = {
        {-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0},
    };
    const float s = t->cell_size;
    const float hq = height_clamped(t, x, z);
    float p[8][3];
    for (int k = 0; k < 8; ++k) {
        p[k][0] = (float)ring[k][0] * s;
        p[k][1] = height_clamped(t, x + ring[k][0], z + ring[k][1]) - hq;
        p[k][2] = (float)ring[k][1] * s;
    }
    float sum[3] = {0, 0, 0};
    for (int k = 0; k < 8; ++k) {
        const float *a = p[k], *b = p[(k + 1) & 7];
        float n[3] = {
            b[1] * a[2] - b[2] * a[1],
            b[2] * a[0] - b[0] * a[2],
            b[0] * a[1] - b[1] * a[0],
        };
        float len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        for (int c = 0; c < 3; ++c) sum[c] += n[c] / len;
    }
    float len = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
    for (int c = 0; c < 3; ++c) out[c] = sum[c] / len;
}

void vertex_shade_color(const terrain_field *t, int x, int z, unsigned char out[3])
{
    int hi = t->grid_dim - 1;
    x = x < 0 ? 0 : x > hi ? hi : x;
    z = z < 0 ? 0 : z > hi ? hi : z;
    float n[3];
    vertex_normal(t, x, z, n);
    const lighting_record &l = track_lighting;
    float d = n[0] * l.sun_vector[0] + n[1] * l.sun_vector[1] + n[2] * l.sun_vector[2];
    if (!(d > 0.0f)) d = 0.0f;
    if (d > 1.0f) d = 1.0f;
    float shadow = t->shadows ? (float)t->shadows[(long)z * t->grid_dim + x] : 0.0f;
    float light = d * (1.0f - shadow / 255.0f);
    for (int c = 0; c < 3; ++c)
        out[c] = (unsigned char)trunc_clamp((l.sun_color[c] * light + l.ambient[c]) * 0.5f * 255.0f, 0, 255);
}

void vertex_normal_bytes(const terrain_field *t, int x, int z, unsigned char out[3])
{
    float n[3];
    vertex_normal(t, x, z, n);
    for (int c = 0; c < 3; ++c) out[c] = (unsigned char)(128 + trunc_clamp(127.0f * n[c], -127, 127));
    out[1] = (unsigned char)(255 - (t->shadows ? t->shadows[(long)z * t->grid_dim + x] : 0));
}

void terrain_update_shading(terrain_field *t)
{
    const int dim = t->grid_dim;
    if (!t->vertex_dirty || !t->shading) return;
    const bool normals = t->terrain_shader && t->normal_dirty && t->normal_image;
    for (int z = 0; z < dim; ++z)
        for (int x = 0; x < dim; ++x) {
            long i = (long)z * dim + x;
            if (bit_get(t->vertex_dirty, i)) {
                vertex_shade_color(t, x, z, t->shading + 3 * i);
                bit_clear(t->vertex_dirty, i);
            }
            if (normals && bit_get(t->normal_dirty, i)) {
                vertex_normal_bytes(t, x, z, t->normal_image + 3 * i);
                bit_clear(t->normal_dirty, i);
            }
        }
}
