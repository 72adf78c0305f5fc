// Ground texture composition on the processor (texture mode 1): tiles copied nearest-texel from
// the mip level that matches their scale, decals rasterised with alpha, then every texel lit by
// the bilinear per-vertex shading, all in fixed point, and the result uploaded.
#include "terrain/compose.h"
#include "terrain/decal_grid.h"
#include "terrain/field.h"
#include "terrain/shading.h"
#include "terrain/terrain_seams.h"
#include "graphics/blend.h"
#include "graphics/cpu.h"
#include "graphics/glcaps.h"
#include <cmath>
#include <initializer_list>
#include <cstring>

// floor(v) held inside lo..hi, safe for NaN and any magnitude.
static int floor_held(float v, int lo, int hi)
{
    if (!(v >= (float)lo)) return lo;
    if (v >= (float)hi) return hi;
    return (int)std::floor(v);
}

// 16.16 fixed point of a texel coordinate, held where the row loops still clamp it safely.
static std::int32_t fixed16(float v)
{
    const float limit = 16384.0f;
    if (!(v > -limit)) v = -limit;
    if (v > limit) v = limit;
    return (std::int32_t)std::lround(v * 65536.0f);
}

static void lift_stale_shading(terrain_field *t, int x, int z, int size)
{
    if (!t->vertex_dirty || !t->shading) return;
    const int dim = t->grid_dim, last = dim - 1;
    const int x0 = 2 * x, x1 = 2 * (x + size) < last ? 2 * (x + size) : last;
    const int z0 = 2 * z, z1 = 2 * (z + size) < last ? 2 * (z + size) : last;
    for (int vz = z0; vz <= z1; ++vz)
        for (int vx = x0; vx <= x1; ++vx) {
            long i = (long)vz * dim + vx;
            if (!bit_get(t->vertex_dirty, i)) continue;
            vertex_shade_color(t, vx, vz, t->shading + 3 * i);
            bit_clear(t->vertex_dirty, i);
        }
}

static void compose_tiles(terrain_field *t, int x, int z, int size)
{
    const int T = t->texture_size, N = t->lod_depth;
    const float per_leaf = (float)T / (float)size;
    std::uint8_t *buf = t->pixel_buffer;
    for (int j = 0; j < size; ++j)
        for (int i = 0; i < size; ++i) {
            int tile = t->tilemap[((long)(z + j) << N) + x + i];
            if (tile >= t->tile_count || !t->tile_pixels[tile]) continue;
            const std::uint8_t *img = t->tile_pixels[tile];
            int w = t->tile_widths[tile], h = t->tile_heights[tile];
            if (w <= 0 || h <= 0) continue;
            const float sx0 = (float)i * per_leaf, sx1 = (float)(i + 1) * per_leaf;
            const float sy0 = (float)j * per_leaf, sy1 = (float)(j + 1) * per_leaf;
            const int c0 = floor_held(sx0 - 0.5f, -1, T) + 1, c1 = floor_held(sx1 - 0.5f, -1, T - 1);
            const int r0 = floor_held(sy0 - 0.5f, -1, T) + 1, r1 = floor_held(sy1 - 0.5f, -1, T - 1);
            // The middle seven eighths of the tile, at the mip level nearest one source texel
            // per destination texel.
            float su = 0.875f * (float)w / per_leaf, sv = 0.875f * (float)h / per_leaf;
            while (w > 1 && h > 1 && su > 1.0f && sv > 1.0f) {
                img += (std::size_t)w * h * 4;
                w = w / 2 > 0 ? w / 2 : 1;
                h = h / 2 > 0 ? h / 2 : 1;
                su *= 0.5f;
                sv *= 0.5f;
            }
            const std::int32_t du = fixed16(su);
            for (int r = r0; r <= r1; ++r) {
                int row = (int)(((float)r + 0.5f - sy0) * sv + 0.0625f * (float)h);
                row = row < 0 ? 0 : row >= h ? h - 1 : row;
                const std::uint8_t *src = img + (std::size_t)row * w * 4;
                std::uint8_t *dst = buf + ((std::size_t)r * T + c0) * 3;
                std::int32_t u = fixed16(((float)c0 + 0.5f - sx0) * su + 0.0625f * (float)w);
                for (int c = c0; c <= c1; ++c, u += du, dst += 3) {
                    int col = u >> 16;
                    col = col < 0 ? 0 : col >= w ? w - 1 : col;
                    dst[0] = src[col * 4];
                    dst[1] = src[col * 4 + 1];
                    dst[2] = src[col * 4 + 2];
                }
            }
        }
    t->texels_composed += size * size;
}

// x along one edge of a convex quad at height y: the top-to-middle part above the middle
// corner, the middle-to-bottom part below it.
static float edge_x(const float *top, const float *mid, const float *bottom, float y)
{
    const float *a = y < mid[1] ? top : mid, *b = y < mid[1] ? mid : bottom;
    float dy = b[1] - a[1];
    if (!(dy > 0.0f)) return b[0];
    return a[0] + (b[0] - a[0]) * (y - a[1]) / dy;
}

void decal_raster_span(std::uint8_t *image, int size, const std::uint32_t *pixels, int width, int height,
                       const float corners[4][2], const float origin[2], const float du[2], const float dv[2])
{
    const float *top = corners[0], *left = corners[1], *right = corners[2], *bottom = corners[3];
    const int r0 = floor_held(top[1] - 0.5f, -1, size) + 1, r1 = floor_held(bottom[1] - 0.5f, -1, size - 1);
    if (r0 >= size || r1 < 0) return;
    const bool bilinear = du[0] * du[0] + du[1] * du[1] < 1.0f || dv[0] * dv[0] + dv[1] * dv[1] < 1.0f;
    const std::int32_t dux = fixed16(du[0]), duy = fixed16(du[1]);
    for (int r = r0; r <= r1; ++r) {
        const float y = (float)r + 0.5f;
        const int first = floor_held(edge_x(top, left, bottom, y) - 0.5f, -1, size) + 1;
        const int last = floor_held(edge_x(top, right, bottom, y) - 0.5f, -1, size - 1);
        if (first >= size || last < first) continue;
        const float fx = (float)first + 0.5f - origin[0], fy = y - origin[1];
        const std::int32_t u = fixed16(fx * du[0] + fy * dv[0]), v = fixed16(fx * du[1] + fy * dv[1]);
        std::uint8_t *row = image + ((std::size_t)r * size + first) * 3;
        const int count = last - first + 1;
        if (bilinear) {
            if (mmx_available) blend_argb_row_bilinear(row, count, pixels, width, height, u, v, dux, duy);
            else blend_argb_row_bilinear_plain(row, count, pixels, width, height, u, v, dux, duy);
        } else {
            if (mmx_available) blend_argb_row_nearest(row, count, pixels, width, height, u, v, dux, duy);
            else blend_argb_row_nearest_plain(row, count, pixels, width, height, u, v, dux, duy);
        }
    }
}

int decal_quad_usable(int size, const float c[2], const float A[2], const float B[2])
{
    const float det = A[0] * B[1] - A[1] * B[0];
    if (!std::isfinite(det) || std::fabs(det) < 1e-12f || !std::isfinite(c[0]) || !std::isfinite(c[1])) return 0;
    const float limit = 65536.0f * (float)size;
    for (float v : {c[0], c[1], A[0], A[1], B[0], B[1]})
        if (std::fabs(v) > limit) return 0;
    return 1;
}

static void compose_decals(terrain_field *t, int x, int z, int size)
{
    if (!t->decals.items || t->decals.count <= 0) return;
    const float cell = t->cell_size, wx0 = 2.0f * x * cell, wz0 = 2.0f * z * cell;
    const float world = 2.0f * size * cell;
    int found = 0;
    const int *list = decal_grid_query(t, wx0, wz0, wx0 + world, wz0 + world, &found);
    t->texels_composed += found;
    const int T = t->texture_size;
    const float k = (float)T / world, half = 0.5f * k;
    for (int n = 0; n < found; ++n) {
        if (list[n] < 0 || list[n] >= t->decals.count) continue;
        const decal *d = (const decal *)t->decals.items + list[n];
        if (!d->pixels || d->width <= 0 || d->height <= 0) continue;
        const float c[2] = {k * (d->x - wx0), k * (d->z - wz0)};
        const float A[2] = {d->cos_angle * d->size1 * d->size2 * half, -d->sin_angle * d->size1 * d->size2 * half};
        const float B[2] = {d->sin_angle * d->size1 * half, d->cos_angle * d->size1 * half};
        if (!decal_quad_usable(T, c, A, B)) continue;
        // (P - c) = (2U - 1) A + (2V - 1) B: the inverse gives the texture steps per texel.
        const float det = A[0] * B[1] - A[1] * B[0];
        const std::uint32_t *img = (const std::uint32_t *)d->pixels;
        int w = d->width, h = d->height;
        float du[2] = {(float)w * B[1] / (2 * det), (float)h * -A[1] / (2 * det)};
        float dv[2] = {(float)w * -B[0] / (2 * det), (float)h * A[0] / (2 * det)};
        while ((du[0] * du[0] + du[1] * du[1] >= 4.0f || dv[0] * dv[0] + dv[1] * dv[1] >= 4.0f) && (w > 1 || h > 1)) {
            img += (std::size_t)w * h;
            w = w / 2 > 0 ? w / 2 : 1;
            h = h / 2 > 0 ? h / 2 : 1;
            du[0] *= 0.5f;
            du[1] *= 0.5f;
            dv[0] *= 0.5f;
            dv[1] *= 0.5f;
        }
        float q[4][2] = {
            {c[0] - A[0] - B[0], c[1] - A[1] - B[1]},
            {c[0] + A[0] - B[0], c[1] + A[1] - B[1]},
            {c[0] + A[0] + B[0], c[1] + A[1] + B[1]},
            {c[0] - A[0] + B[0], c[1] - A[1] + B[1]},
        };
        // The top corner by y; in a parallelogram the bottom one is opposite it, the two
        // others lie one on each side of the line between them.
        int ti = 0;
        for (int i = 1; i < 4; ++i)
            if (q[i][1] < q[ti][1]) ti = i;
        const int bi = (ti + 2) & 3, m[2] = {(ti + 1) & 3, (ti + 3) & 3};
        const float ex = q[bi][0] - q[ti][0], ey = q[bi][1] - q[ti][1];
        float side = ex * (q[m[0]][1] - q[ti][1]) - ey * (q[m[0]][0] - q[ti][0]);
        int li = side > 0 ? m[0] : m[1], ri = side > 0 ? m[1] : m[0];
        const float ordered[4][2] = {
            {q[ti][0], q[ti][1]}, {q[li][0], q[li][1]}, {q[ri][0], q[ri][1]}, {q[bi][0], q[bi][1]},
        };
        decal_raster_span(t->pixel_buffer, T, img, w, h, ordered, q[0], du, dv);
    }
}

static void compose_lighting(terrain_field *t, int x, int z, int size)
{
    const int T = t->texture_size, dim = t->grid_dim;
    const std::int32_t step = (std::int32_t)(((long long)2 * size << 16) / T);
    const std::int32_t u0 = (std::int32_t)(2 * x) << 16;
    for (int r = 0; r < T; ++r) {
        std::int32_t v = ((std::int32_t)(2 * z) << 16) + r * step;
        std::uint8_t *row = t->pixel_buffer + (std::size_t)r * T * 3;
        if (mmx_available) modulate_rgb_row(row, T, t->shading, dim, dim, u0, v, step);
        else modulate_rgb_row_plain(row, T, t->shading, dim, dim, u0, v, step);
    }
}

static void upload(terrain_field *t, int texture)
{
    const int T = t->texture_size;
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, (GLuint)texture);
    std::uint8_t *level = t->pixel_buffer;
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, T, T, GL_RGB, GL_UNSIGNED_BYTE, level);
    if (terrain_settings.ground_mipmaps) {
        int w = T;
        for (int n = 1; w > 1; ++n) {
            const int half = w / 2;
            std::uint8_t *next = level + (std::size_t)w * w * 3;
            for (int y = 0; y < half; ++y)
                for (int x = 0; x < half; ++x)
                    for (int c = 0; c < 3; ++c) {
                        const std::uint8_t *p = level + ((std::size_t)(2 * y) * w + 2 * x) * 3 + c;
                        const std::size_t down = (std::size_t)w * 3;
                        next[((std::size_t)y * half + x) * 3 + c] = (std::uint8_t)((p[0] + p[3] + p[down] + p[down + 3]) >> 2);
                    }
            glTexSubImage2D(GL_TEXTURE_2D, n, 0, 0, half, half, GL_RGB, GL_UNSIGNED_BYTE, next);
            level = next;
            w = half;
        }
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
}

// The picture of an area in pixel_buffer, without uploading it.
void terrain_compose_pixels(terrain_field *t, int x, int z, int size)
{
    const int T = t->texture_size;
    memset(t->pixel_buffer, 0, (std::size_t)T * T * 3);
    lift_stale_shading(t, x, z, size);
    compose_tiles(t, x, z, size);
    compose_decals(t, x, z, size);
    compose_lighting(t, x, z, size);
}

void terrain_compose_cpu(terrain_field *t, int x, int z, int size, int texture)
{
    terrain_compose_pixels(t, x, z, size);
    upload(t, texture);
}
