// The composer's texture slots (placeholders until composed), the low-detail colour blocks that
// carry the per-vertex shading to the GPU composer, and the per-frame terrain upkeep.
#include "terrain/upkeep.h"
#include "terrain/draw.h"
#include "terrain/field.h"
#include "terrain/lod.h"
#include "terrain/shading.h"
#include "terrain/terrain_seams.h"
#include "graphics/glcaps.h"
#include "graphics/image.h"
#include "graphics/texture.h"
#include "data/mem.h"
#include <climits>
#include <cstring>

int terrain_placeholder_texture(terrain_field *t, int square_size, int brightness)
{
    const int T = t->texture_size;
    if (T <= 0) return 0;
    if (square_size < 1) square_size = 1;
    unsigned char *pixels = (unsigned char *)alloc_or_die(image_chain_bytes(T, T, 3));
    for (int v = 0; v < T; ++v)
        for (int u = 0; u < T; ++u) {
            int value = ((u / square_size) ^ (v / square_size)) & 1 ? 255 : 0;
            unsigned char *p = pixels + ((std::size_t)v * T + u) * 3;
            p[0] = p[1] = p[2] = (unsigned char)(value * brightness / 255);
        }
    image_build_mips_rgb(pixels, T, T);
    unsigned id = texture_upload(pixels, T, T, 3);
    mem_free(pixels);
    if (!id) return 0;
    glBindTexture(GL_TEXTURE_2D, id);
    GLint min_filter = GL_NEAREST;
    if (terrain_settings.ground_mipmaps) {
        min_filter = GL_LINEAR_MIPMAP_NEAREST;
        // Copies into level 0 regenerate the others by themselves where the driver can.
        if (t->texture_mode == 2 && gl_caps.generate_mipmap) glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP_SGIS, GL_TRUE);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, min_filter);
    glBindTexture(GL_TEXTURE_2D, 0);
    return (int)id;
}

int terrain_create_lod_textures(terrain_field *t)
{
    terrain_status_reset("Creating LOD textures");
    const int shader = t->terrain_shader;
    for (int L = 0; L < 6; ++L) {
        terrain_status_spin("Creating LOD textures");
        const int square = 64 >> L, brightness = (1530 - 255 * L) / 6;
        for (int z = 0; z < 4; ++z)
            for (int x = 0; x < 4; ++x) {
                t->ring_color[L][z][x] = terrain_placeholder_texture(t, square, brightness);
                t->ring_normal[L][z][x] = shader ? terrain_placeholder_texture(t, square, brightness) : 0;
                t->ring_specular[L][z][x] = shader ? terrain_placeholder_texture(t, square, brightness) : 0;
                t->ring_ready[L][z][x] = 0;
                t->ring_request[L][z][x] = 0;
            }
    }
    const int blocks = 1 << (2 * (t->lod_depth - 6));
    const int arrays = shader ? 3 : 1;
    t->block_color = (int *)alloc_or_die(sizeof(int) * (std::size_t)blocks * arrays);
    t->block_normal = shader ? t->block_color + blocks : nullptr;
    t->block_specular = shader ? t->block_color + 2 * blocks : nullptr;
    for (int i = 0; i < blocks; ++i) {
        terrain_status_spin("Creating LOD textures");
        t->block_color[i] = terrain_placeholder_texture(t, 16, 0);
        if (shader) {
            t->block_normal[i] = terrain_placeholder_texture(t, 16, 0);
            t->block_specular[i] = terrain_placeholder_texture(t, 16, 0);
        }
    }
    t->block_request = (int *)alloc_or_die(sizeof(int) * (std::size_t)blocks);
    for (int i = 0; i < blocks; ++i) t->block_request[i] = -1;
    terrain_status_done("Creating LOD textures");
    return 1;
}

void terrain_render_block(terrain_field *t, unsigned char *pixels, int x0, int z0, int width, int height)
{
    const int last = t->grid_dim - 1;
    for (int v = 0; v < height; ++v)
        for (int u = 0; u < width; ++u) {
            int x = x0 + u, z = z0 + v;
            x = x < 0 ? 0 : x > last ? last : x;
            z = z < 0 ? 0 : z > last ? last : z;
            long i = (long)z * t->grid_dim + x;
            unsigned char *out = pixels + 3 * ((long)v * width + u);
            if (t->terrain_shader && t->normal_image) {
                if (t->normal_dirty && bit_get(t->normal_dirty, i)) {
                    vertex_normal_bytes(t, x, z, t->normal_image + 3 * i);
                    bit_clear(t->normal_dirty, i);
                }
                memcpy(out, t->normal_image + 3 * i, 3);
            } else {
                if (t->vertex_dirty && bit_get(t->vertex_dirty, i)) {
                    vertex_shade_color(t, x, z, t->shading + 3 * i);
                    bit_clear(t->vertex_dirty, i);
                }
                memcpy(out, t->shading + 3 * i, 3);
            }
        }
}

int terrain_block_edge(int cells, int first_cell)
{
    int want = cells - first_cell + 128, edge = 1;
    while (edge < want && edge < 512) edge <<= 1;
    return edge;
}

static inline int clampi(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

// Everything composed from a colour block's square is asked for again.
static void request_under_block(terrain_field *t, int c, int r)
{
    const int N = t->lod_depth, per_row = 1 << (N - 6);
    const int x0 = 384 * c, x1 = 384 * c + 384, z0 = 384 * r, z1 = 384 * r + 384;
    for (int bz = clampi(z0 >> 7, 0, per_row - 1); bz <= clampi(z1 >> 7, 0, per_row - 1); ++bz)
        for (int bx = clampi(x0 >> 7, 0, per_row - 1); bx <= clampi(x1 >> 7, 0, per_row - 1); ++bx)
            if (t->block_request && t->block_request[bz * per_row + bx] == 0)
                t->block_request[bz * per_row + bx] = t->draw_stamp;
    const int detail = terrain_settings.ground_texture_detail;
    if (detail >= 6) return;
    for (int L = detail < 0 ? 0 : detail; L <= 5; ++L) {
        const int ox = terrain_ring_origin(t->eye_cell_x, L, N), oz = terrain_ring_origin(t->eye_cell_z, L, N);
        for (int sz = 0; sz < 4; ++sz)
            for (int sx = 0; sx < 4; ++sx) {
                int cx0 = (ox + sx) << (L + 1), cx1 = (ox + sx + 1) << (L + 1);
                int cz0 = (oz + sz) << (L + 1), cz1 = (oz + sz + 1) << (L + 1);
                if (cx1 < x0 || cx0 > x1 || cz1 < z0 || cz0 > z1) continue;
                if (t->ring_request[L][sz][sx] == 0) t->ring_request[L][sz][sx] = t->draw_stamp;
            }
    }
}

void terrain_refresh_blocks(terrain_field *t, int budget)
{
    if (t->texture_mode == 1 || !t->block_dirty || !t->block_color_textures || t->block_count <= 0) return;
    const int n = t->block_count, total = n * n, cells = 1 << (t->lod_depth + 1);
    int left = budget == 0 ? INT_MAX : budget;
    GLint alignment = 4;
    bool uploaded = false;
    for (int examined = 0; examined < total && left > 0; ++examined) {
        const int b = t->next_block;
        t->next_block = b + 1 < total ? b + 1 : 0;
        if (!bit_get(t->block_dirty, b)) continue;
        bit_clear(t->block_dirty, b);
        --left;
        const int c = b % n, r = b / n;
        request_under_block(t, c, r);
        const int width = terrain_block_edge(cells, 384 * c), height = terrain_block_edge(cells, 384 * r);
        terrain_render_block(t, t->pixel_buffer, 384 * c - 64, 384 * r - 64, width, height);
        if (!uploaded) {
            glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
            glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
            uploaded = true;
        }
        glBindTexture(GL_TEXTURE_2D, (GLuint)t->block_color_textures[b]);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, t->pixel_buffer);
    }
    if (uploaded) glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glBindTexture(GL_TEXTURE_2D, 0);
}

void terrain_update(terrain_field *t)
{
    if (!t || !t->heights) return;   // no race ground (the title view)
    terrain_build_lod(t, 8000);
    terrain_refresh_blocks(t, 1);
}

void terrain_update_all(terrain_field *t)
{
    if (!t || !t->heights) return;
    terrain_build_lod(t, TERRAIN_BUDGET_UNLIMITED);
    terrain_refresh_blocks(t, 1);
    t->eye_cell_x = TERRAIN_NO_EYE;
}
