// Which ground texture to compose next, and composing it with OpenGL (texture modes 2 and 3).
//
// Each call composes the blocks forced at load, then at most one texture: a ring slot that
// came into view (coarse levels first), or else the oldest request raised by erosion, editing
// and decals. Ring windows that move keep the names of slots still in view and only renumber
// them, so a moving eye costs one slot per call.
#include "terrain/compose.h"
#include "terrain/decal_grid.h"
#include "terrain/draw.h"
#include "terrain/field.h"
#include "terrain/terrain_seams.h"
#include "terrain/upkeep.h"
#include "graphics/glcaps.h"
#include "graphics/shader.h"
#include "data/console.h"
#include "platform/log.h"
#include <cmath>
#include <cstdio>
#include <cstring>

// Decided at the first call, for the whole run: one driver draws large textured quads wrongly
// and gets its large decals in pieces.
static struct {
    int decided;
    int split_large_decals;
} g_compose;

static inline int wrap4(int v) { return ((v % 4) + 4) % 4; }

// Modes 2 and 3: the area drawn into each of its textures in turn.
static void compose_gpu(terrain_field *t, int x, int z, int size, const int textures[3])
{
    const int T = t->texture_size;
    const int kinds = t->terrain_shader ? 3 : 1;
    for (int k = 0; k < kinds; ++k) {
        const int texture = textures[k];
        if (!terrain_render_target(t, texture)) {
            glDepthMask(GL_TRUE);
            continue;
        }
        if (k == 0) terrain_render_color(t, x, z, size);
        else if (k == 1) terrain_render_normal(t, x, z, size);
        else terrain_render_specular(t, x, z, size);
        if (t->texture_mode == 3) {
            gl_ext.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
            glBindTexture(GL_TEXTURE_2D, (GLuint)texture);
            if (terrain_settings.ground_mipmaps && gl_ext.glGenerateMipmapEXT) gl_ext.glGenerateMipmapEXT(GL_TEXTURE_2D);
        } else {
            glBindTexture(GL_TEXTURE_2D, (GLuint)texture);
            glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, T, T);
        }
        glBindTexture(GL_TEXTURE_2D, 0);
        glDepthMask(GL_TRUE);
    }
}

static void compose_area(terrain_field *t, int x, int z, int size, int color, int normal, int specular)
{
    if (t->texture_mode == 1) {
        terrain_compose_cpu(t, x, z, size, color);
        return;
    }
    const int textures[3] = {color, normal, specular};
    compose_gpu(t, x, z, size, textures);
}

static void compose_block(terrain_field *t, int i)
{
    const int per_row = 1 << (t->lod_depth - 6);
    const int bx = i % per_row, bz = i / per_row;
    compose_area(t, bx * 64, bz * 64, 64, t->block_color[i], t->block_normal ? t->block_normal[i] : 0,
                 t->block_specular ? t->block_specular[i] : 0);
}

static void compose_slot(terrain_field *t, int L, int sz, int sx)
{
    const int N = t->lod_depth;
    const int x = (terrain_ring_origin(t->eye_cell_x, L, N) + sx) << L;
    const int z = (terrain_ring_origin(t->eye_cell_z, L, N) + sz) << L;
    compose_area(t, x, z, 1 << L, t->ring_color[L][sz][sx], t->ring_normal[L][sz][sx], t->ring_specular[L][sz][sx]);
}

// Slot (x, z) of the moved window shows what old slot (x + dx, z + dz) showed; names that fell
// out of the window come back for the slots that came in.
static void renumber_ring(terrain_field *t, int L, int dx, int dz)
{
    int color[4][4], normal[4][4], specular[4][4], ready[4][4], request[4][4];
    memcpy(color, t->ring_color[L], sizeof color);
    memcpy(normal, t->ring_normal[L], sizeof normal);
    memcpy(specular, t->ring_specular[L], sizeof specular);
    memcpy(ready, t->ring_ready[L], sizeof ready);
    memcpy(request, t->ring_request[L], sizeof request);
    for (int z = 0; z < 4; ++z)
        for (int x = 0; x < 4; ++x) {
            const int oz = wrap4(z + dz), ox = wrap4(x + dx);
            t->ring_color[L][z][x] = color[oz][ox];
            if (t->terrain_shader) {
                t->ring_normal[L][z][x] = normal[oz][ox];
                t->ring_specular[L][z][x] = specular[oz][ox];
            }
            // Inside the old window only when the move is small: compare before wrapping.
            const long fx = (long)x + dx, fz = (long)z + dz;
            const bool kept = fx >= 0 && fx < 4 && fz >= 0 && fz < 4;
            t->ring_ready[L][z][x] = kept ? ready[fz][fx] : 0;
            t->ring_request[L][z][x] = kept ? request[fz][fx] : 0;
        }
}

void terrain_compose_texture(terrain_field *t)
{
    if (!t || !t->heights || !t->block_request || !t->block_color) return;
    if (!g_compose.decided) {
        g_compose.decided = 1;
        if (gl_caps.renderer && strstr(gl_caps.renderer, "ATI Radeon X1270")) {
            g_compose.split_large_decals = 1;
            kubl_log_printf("Working around ATI Radeon X1270 bug\n");
        }
    }
    const int N = t->lod_depth, blocks = 1 << (2 * (N - 6));
    const bool no_eye = t->eye_cell_x < -999999;
    long old_x[6], old_z[6];
    for (int L = 0; L < 6; ++L) {
        old_x[L] = no_eye ? TERRAIN_NO_EYE : terrain_ring_origin(t->eye_cell_x, L, N);
        old_z[L] = no_eye ? TERRAIN_NO_EYE : terrain_ring_origin(t->eye_cell_z, L, N);
    }

    for (int i = 0; i < blocks; ++i)
        if (t->block_request[i] == -1) {
            compose_block(t, i);
            t->block_request[i] = 0;
        }

    t->texels_composed = 0;
    t->eye_cell_x = terrain_eye_cell(t, t->eye_pos[0]);
    t->eye_cell_z = terrain_eye_cell(t, t->eye_pos[2]);
    for (int L = 5; L >= 0; --L) {
        const long dx = terrain_ring_origin(t->eye_cell_x, L, N) - old_x[L];
        const long dz = terrain_ring_origin(t->eye_cell_z, L, N) - old_z[L];
        if (dx || dz) renumber_ring(t, L, (int)dx, (int)dz);   // at most about 10^6: fits
    }

    const int detail = terrain_settings.ground_texture_detail;
    const int finest = detail < 0 ? 0 : detail;
    if (detail < 6) {
        for (int L = 5; L >= finest; --L)
            for (int z = 0; z < 4; ++z)
                for (int x = 0; x < 4; ++x)
                    if (!t->ring_ready[L][z][x]) {
                        t->ring_request[L][z][x] = 0;
                        t->ring_ready[L][z][x] = 1;
                        compose_slot(t, L, z, x);
                        return;
                    }
    }

    // The oldest request; on equal stamps the first found (ring slots, then blocks) wins.
    int best = 0, best_level = -1, best_z = 0, best_x = 0, best_block = -1;
    if (detail < 6)
        for (int L = finest; L <= 5; ++L)
            for (int z = 0; z < 4; ++z)
                for (int x = 0; x < 4; ++x) {
                    int r = t->ring_request[L][z][x];
                    if (r > 0 && (best == 0 || r < best)) {
                        best = r;
                        best_level = L;
                        best_z = z;
                        best_x = x;
                    }
                }
    for (int i = 0; i < blocks; ++i) {
        int r = t->block_request[i];
        if (r > 0 && (best == 0 || r < best)) {
            best = r;
            best_block = i;
            best_level = -1;
        }
    }
    if (best == 0) return;
    if (best_level < 0) {
        t->block_request[best_block] = 0;
        compose_block(t, best_block);
        return;
    }
    t->ring_request[best_level][best_z][best_x] = 0;
    t->ring_ready[best_level][best_z][best_x] = 1;
    compose_slot(t, best_level, best_z, best_x);
}

int terrain_compose_pending(const terrain_field *t)
{
    if (!t || !t->heights || !t->block_request || !t->block_color) return 0;
    if (t->lod_build_state < 0) return 1;
    if (t->texture_mode != 1 && t->block_dirty && t->block_color_textures)
        for (long i = 0, n = (long)t->block_count * t->block_count; i < n; ++i)
            if (bit_get(t->block_dirty, i)) return 1;
    const int blocks = 1 << (2 * (t->lod_depth - 6));
    for (int i = 0; i < blocks; ++i)
        if (t->block_request[i]) return 1;
    const int detail = terrain_settings.ground_texture_detail;
    if (detail >= 6) return 0;
    for (int L = detail < 0 ? 0 : detail; L <= 5; ++L)
        for (int z = 0; z < 4; ++z)
            for (int x = 0; x < 4; ++x)
                if (!t->ring_ready[L][z][x] || t->ring_request[L][z][x] > 0) return 1;
    return 0;
}

int terrain_render_target(terrain_field *t, int texture)
{
    const int T = t->texture_size;
    glDepthMask(GL_FALSE);
    glDisable(GL_DEPTH_TEST);
    glViewport(0, 0, T, T);
    if (t->texture_mode == 3) {
        gl_ext.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, (GLuint)t->framebuffer);
        gl_ext.glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, (GLuint)texture, 0);
        GLenum status = gl_ext.glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
        if (status != GL_FRAMEBUFFER_COMPLETE_EXT) {
            char message[40];
            snprintf(message, sizeof message, "Framebuffer error %x", (unsigned)status);
            console_print(message);
            gl_ext.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
            return 0;
        }
    }
    // What the scene may have left on would darken or cut the flat quads.
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_CULL_FACE);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-0.5, 0.5, -0.5, 0.5, 0.5, 2);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    return 1;
}

// One quad over the whole target with texture coordinates from lo to hi.
static void full_quad(float lo, float hi)
{
    glBegin(GL_QUADS);
    glTexCoord2f(lo, lo); glVertex3f(-1, -1, -1);
    glTexCoord2f(hi, lo); glVertex3f(1, -1, -1);
    glTexCoord2f(hi, hi); glVertex3f(1, 1, -1);
    glTexCoord2f(lo, hi); glVertex3f(-1, 1, -1);
    glEnd();
}

static void reset_texture_matrix(void)
{
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
}

void terrain_render_color(terrain_field *t, int x, int z, int size)
{
    const int N = t->lod_depth;
    const float step = 2.0f / (float)size, lo = 0.0625f, hi = 0.9375f;
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
    glColor3f(1, 1, 1);
    int bound = -1;
    bool open = false;
    for (int j = 0; j < size; ++j)
        for (int i = 0; i < size; ++i) {
            int tile = t->tilemap[((long)(z + j) << N) + x + i];
            int texture = tile < t->tile_count ? t->tile_textures[tile] : 0;
            if (texture != bound) {
                if (open) glEnd();
                glBindTexture(GL_TEXTURE_2D, (GLuint)texture);
                bound = texture;
                glBegin(GL_QUADS);
                open = true;
            }
            const float x0 = -1 + step * (float)i, x1 = -1 + step * (float)(i + 1);
            const float y0 = -1 + step * (float)j, y1 = -1 + step * (float)(j + 1);
            glTexCoord2f(lo, lo); glVertex3f(x0, y0, -1);
            glTexCoord2f(hi, lo); glVertex3f(x1, y0, -1);
            glTexCoord2f(hi, hi); glVertex3f(x1, y1, -1);
            glTexCoord2f(lo, hi); glVertex3f(x0, y1, -1);
        }
    if (open) glEnd();
    t->texels_composed += size * size;

    terrain_render_decals(t, x, z, size, 0);

    if (!t->terrain_shader) {
        // The stored vertex colours are half the light: 2 x destination x source doubles them.
        glEnable(GL_BLEND);
        glBlendFunc(GL_DST_COLOR, GL_SRC_COLOR);
        glEnable(GL_TEXTURE_2D);
        terrain_shading_matrix(t, 2 * x, 2 * z, 2 * size);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
        full_quad(-1, 1);
        reset_texture_matrix();
        glDisable(GL_BLEND);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

void terrain_shading_matrix(terrain_field *t, int x, int z, int size)
{
    const int n = t->block_count;
    if (n <= 0 || !t->block_color_textures) {
        glBindTexture(GL_TEXTURE_2D, 0);
        return;
    }
    int c = x / 384, r = z / 384;
    c = c < 0 ? 0 : c >= n ? n - 1 : c;
    r = r < 0 ? 0 : r >= n ? n - 1 : r;
    // Blocks cover 384 cells with a margin of 64: vertex v of the block sits at texel
    // v mod 384 + 64, its centre half a texel in. The last block of a row may be narrower.
    const float scale_x = c == n - 1 ? t->inv_block_texture_size : 1.0f / 512;
    const float scale_z = r == n - 1 ? t->inv_block_texture_size : 1.0f / 512;
    const float u0 = ((float)(x - 384 * c) + 64.5f) * scale_x, u1 = ((float)(x - 384 * c + size) + 64.5f) * scale_x;
    const float v0 = ((float)(z - 384 * r) + 64.5f) * scale_z, v1 = ((float)(z - 384 * r + size) + 64.5f) * scale_z;
    glBindTexture(GL_TEXTURE_2D, (GLuint)t->block_color_textures[r * n + c]);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glTranslatef(0.5f * (u0 + u1), 0.5f * (v0 + v1), 0);
    glScalef(0.5f * (u1 - u0), 0.5f * (v1 - v0), 1);
    glMatrixMode(GL_MODELVIEW);
}

void terrain_render_normal(terrain_field *t, int x, int z, int size)
{
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    terrain_shading_matrix(t, 2 * x, 2 * z, 2 * size);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
    full_quad(-1, 1);
    GLint shading = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &shading);
    GLfloat matrix[16];
    glGetFloatv(GL_TEXTURE_MATRIX, matrix);
    reset_texture_matrix();

    // Decal normals are turned into the ground's frame by the program, which reads the ground
    // normal from unit 1.
    shader_use(SHADER_TERRAIN_NORMALS);
    if (gl_ext.glActiveTextureARB) {
        gl_ext.glActiveTextureARB(GL_TEXTURE1_ARB);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, (GLuint)shading);
        glMatrixMode(GL_TEXTURE);
        glLoadMatrixf(matrix);
        glMatrixMode(GL_MODELVIEW);
        gl_ext.glActiveTextureARB(GL_TEXTURE0_ARB);
    }
    terrain_render_decals(t, x, z, size, 1);
    if (gl_ext.glActiveTextureARB) {
        gl_ext.glActiveTextureARB(GL_TEXTURE1_ARB);
        glBindTexture(GL_TEXTURE_2D, 0);
        glDisable(GL_TEXTURE_2D);
        reset_texture_matrix();
        gl_ext.glActiveTextureARB(GL_TEXTURE0_ARB);
    }
    shader_use(SHADER_FIXED);
    glBindTexture(GL_TEXTURE_2D, 0);
}

void terrain_render_specular(terrain_field *t, int x, int z, int size)
{
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glColor3f(0, 1, 1);
    full_quad(0, 1);
    terrain_render_decals(t, x, z, size, 2);
}

// A decal quad in n x n pieces, each with its share of the texture.
static void decal_quad(const float c[2], const float A[2], const float B[2], int pieces)
{
    const float inv = 1.0f / (float)pieces;
    for (int j = 0; j < pieces; ++j)
        for (int i = 0; i < pieces; ++i) {
            const float s0 = i * inv, s1 = (i + 1) * inv, t0 = j * inv, t1 = (j + 1) * inv;
            const float a0 = 2 * s0 - 1, a1 = 2 * s1 - 1, b0 = 2 * t0 - 1, b1 = 2 * t1 - 1;
            glTexCoord2f(s0, t0); glVertex3f(c[0] + a0 * A[0] + b0 * B[0], c[1] + a0 * A[1] + b0 * B[1], -1);
            glTexCoord2f(s1, t0); glVertex3f(c[0] + a1 * A[0] + b0 * B[0], c[1] + a1 * A[1] + b0 * B[1], -1);
            glTexCoord2f(s1, t1); glVertex3f(c[0] + a1 * A[0] + b1 * B[0], c[1] + a1 * A[1] + b1 * B[1], -1);
            glTexCoord2f(s0, t1); glVertex3f(c[0] + a0 * A[0] + b1 * B[0], c[1] + a0 * A[1] + b1 * B[1], -1);
        }
}

void terrain_render_decals(terrain_field *t, int x, int z, int size, int kind)
{
    if (!t->decals.items || t->decals.count <= 0) return;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    const float cell = t->cell_size, wx0 = 2.0f * x * cell, wz0 = 2.0f * z * cell;
    const float world = 2.0f * size * cell, u = 1.0f / world;
    int found = 0;
    const int *list = decal_grid_query(t, wx0, wz0, wx0 + world, wz0 + world, &found);
    t->texels_composed += found;
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor3f(1, 1, 1);
    int bound = -1;
    bool open = false;
    for (int n = 0; n < found; ++n) {
        if (list[n] < 0 || list[n] >= t->decals.count) continue;
        const decal *d = (const decal *)t->decals.items + list[n];
        const int texture = kind == 0 ? d->color_texture : kind == 1 ? d->normal_texture : d->specular_texture;
        if (!texture) continue;
        if (texture != bound) {
            if (open) glEnd();
            glBindTexture(GL_TEXTURE_2D, (GLuint)texture);
            bound = texture;
            glBegin(GL_QUADS);
            open = true;
        }
        const float c[2] = {2 * u * (d->x - wx0) - 1, 2 * u * (d->z - wz0) - 1};
        const float A[2] = {d->cos_angle * d->size1 * d->size2 * u, -d->sin_angle * d->size1 * d->size2 * u};
        const float B[2] = {d->sin_angle * d->size1 * u, d->cos_angle * d->size1 * u};
        // The same decals as the processor's composer: the quad in texels of this texture.
        const float half = 0.5f * (float)t->texture_size;
        const float ct[2] = {(c[0] + 1) * half, (c[1] + 1) * half};
        const float At[2] = {A[0] * half, A[1] * half}, Bt[2] = {B[0] * half, B[1] * half};
        if (!decal_quad_usable(t->texture_size, ct, At, Bt)) continue;
        int pieces = 1;
        if (g_compose.split_large_decals && d->size1 > 256) {
            pieces = 2;
            while (d->size1 / (float)pieces > 256 && pieces < 256) pieces *= 2;
        }
        decal_quad(c, A, B, pieces);
    }
    if (open) glEnd();
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_BLEND);
}
