// Drawing the ground: a quadtree of fans over the height field. Every frame the active node set
// is rebuilt from the eye (forced windows around it, then the pyramid's split distances), and
// the walk draws far to near, each node either as its children or as a fan over the quadrants
// that no active child covers. Edge midpoints facing a coarser neighbour are left out, so the
// neighbour's straight edge meets no T-junction.
#include "terrain/draw.h"
#include "terrain/field.h"
#include "terrain/lod.h"
#include "terrain/terrain_seams.h"
#include "graphics/glcaps.h"
#include "graphics/shader.h"
#include <cmath>
#include <cstring>

// Children of node (d, x, z), numbered 0..3: (2x, 2z), (2x + 1, 2z), (2x, 2z + 1), (2x + 1, 2z + 1).
// Their order by the eye's quadrant q, nearest first.
static const unsigned char child_order[4][4] = {
    {0, 1, 2, 3}, {1, 3, 0, 2}, {2, 0, 3, 1}, {3, 2, 1, 0},
};
// Rim entries around the centre in half sizes; odd entries are corners.
static const signed char rim_offset[8][2] = {
    {0, -1}, {-1, -1}, {-1, 0}, {-1, 1}, {0, 1}, {1, 1}, {1, 0}, {1, -1},
};
// Rim entry where the nearest child's quadrant starts, by q.
static const unsigned char rim_start_by_quadrant[4] = {0, 6, 2, 4};

// The steps of a node with some active children, by the mask of its children in eye order
// (bit 1 nearest): a fan of n rim entries from s + a, or the k-th child of the order. Each
// uncovered run of quadrants is drawn once, far to near.
struct node_step {
    char kind;   // 'f' fan, 'c' child, 0 end
    char a, n;   // fan: offset and length; child: k (1 nearest)
};
static const node_step mask_steps[15][4] = {
    {},
    {{'f', 2, 7}, {'c', 1, 0}},
    {{'f', 3, 4}, {'c', 2, 0}, {'f', 0, 4}},
    {{'f', 2, 5}, {'c', 2, 0}, {'c', 1, 0}},
    {{'f', 4, 4}, {'c', 3, 0}, {'f', 7, 4}},
    {{'f', 4, 5}, {'c', 3, 0}, {'c', 1, 0}},
    {{'f', 4, 3}, {'c', 2, 0}, {'c', 3, 0}, {'f', 0, 3}},
    {{'f', 4, 3}, {'c', 3, 0}, {'c', 2, 0}, {'c', 1, 0}},
    {{'c', 4, 0}, {'f', 6, 7}},
    {{'c', 4, 0}, {'f', 6, 3}, {'f', 2, 3}, {'c', 1, 0}},
    {{'c', 4, 0}, {'c', 2, 0}, {'f', 0, 5}},
    {{'c', 4, 0}, {'c', 2, 0}, {'f', 2, 3}, {'c', 1, 0}},
    {{'c', 4, 0}, {'c', 3, 0}, {'f', 6, 5}},
    {{'c', 4, 0}, {'c', 3, 0}, {'f', 6, 3}, {'c', 1, 0}},
    {{'c', 4, 0}, {'c', 3, 0}, {'c', 2, 0}, {'f', 0, 3}},
};

static void gl_bind(terrain_field *t, int depth, int x, int z, int level);
static void gl_fan(terrain_field *t, int depth, int x, int z, int rim_start, int rim_count, int level);
static const terrain_draw_ops gl_ops = {gl_bind, gl_fan};

static struct {
    const terrain_draw_ops *ops;
    int bound_texture, bound_level;   // the one-entry binding cache
    terrain_fan fan;                  // the vertex arrays point here
} g_draw = {&gl_ops, 0, -1, {}};

static inline int clampi(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

static inline long node_index(int depth, int x, int z)
{
    return lod_level_offset[depth] + ((long)z << depth) + x;
}

int terrain_ring_origin(int eye_cell, int level, int depth)
{
    int o = ((eye_cell - (1 << level)) >> (level + 1)) - 1;
    return clampi(o, 0, (1 << (depth - level)) - 4);
}

int terrain_eye_cell(const terrain_field *t, float world)
{
    return (int)std::floor(terrain_safe_cells(world, 1.0f / t->cell_size));
}

int terrain_patch_level(const terrain_field *t, int min_level, int leaf_x, int leaf_z)
{
    const int N = t->lod_depth;
    for (int L = min_level < 0 ? 0 : min_level; L <= 5; ++L) {
        int sx = (leaf_x >> L) - terrain_ring_origin(t->eye_cell_x, L, N);
        int sz = (leaf_z >> L) - terrain_ring_origin(t->eye_cell_z, L, N);
        if (sx >= 0 && sx < 4 && sz >= 0 && sz < 4 && t->ring_ready[L][sz][sx]) return L;
    }
    return TERRAIN_BLOCK_LEVEL;
}

void terrain_select_lod(terrain_field *t, int depth, int x, int z)
{
    const int h = (t->grid_dim - 1) >> (depth + 1);
    float dx = (float)((2 * x + 1) * h) * t->cell_size - t->eye_pos[0];
    float dz = (float)((2 * z + 1) * h) * t->cell_size - t->eye_pos[2];
    long node = node_index(depth, x, z);
    if (!(dx * dx + dz * dz < t->lod_split_dist2[node])) return;
    bit_set(t->lod_active, node);
    if (depth == t->lod_depth) return;
    for (int c = 0; c < 4; ++c) terrain_select_lod(t, depth + 1, 2 * x + (c & 1), 2 * z + (c >> 1));
}

void terrain_choose_patches(terrain_field *t)
{
    const int N = t->lod_depth;
    t->eye_cell_x = terrain_eye_cell(t, t->eye_pos[0]);
    t->eye_cell_z = terrain_eye_cell(t, t->eye_pos[2]);
    t->fan_vertex_count = 0;
    t->view_octant = (t->view_dir[0] >= 0 ? 1 : 0) | (t->view_dir[1] >= 0 ? 2 : 0) | (t->view_dir[2] >= 0 ? 4 : 0);

    memset(t->lod_active, 0, (std::size_t)bit_bytes(terrain_lod_node_count(N)));
    const long coarse = lod_level_offset[N - 5] + 1;
    for (long i = 0; i < coarse; ++i) bit_set(t->lod_active, i);

    // Around the eye every depth keeps a 4 x 4 window (the ring windows of the texture level
    // with that node size), one node wider where the finer window reaches its edge.
    int prev_sx = -1, prev_ex = -1, prev_sz = -1, prev_ez = -1;
    for (int d = N; d >= 1; --d) {
        const int u = N - d, n = 1 << d;
        const int x0 = terrain_ring_origin(t->eye_cell_x, u, N), z0 = terrain_ring_origin(t->eye_cell_z, u, N);
        int sx = 2 * x0 == prev_sx ? x0 - 1 : x0, ex = 2 * (x0 + 4) == prev_ex ? x0 + 5 : x0 + 4;
        int sz = 2 * z0 == prev_sz ? z0 - 1 : z0, ez = 2 * (z0 + 4) == prev_ez ? z0 + 5 : z0 + 4;
        if (sx < 0) sx = 0;
        if (sz < 0) sz = 0;
        if (ex > n) ex = n;
        if (ez > n) ez = n;
        for (int z = sz; z < ez; ++z)
            for (int x = sx; x < ex; ++x) bit_set(t->lod_active, node_index(d, x, z));
        prev_sx = sx;
        prev_ex = ex;
        prev_sz = sz;
        prev_ez = ez;
    }
    terrain_select_lod(t, 0, 0, 0);
}

int terrain_fan_build(terrain_field *t, int depth, int x, int z, int rim_start, int rim_count, int level,
                      terrain_fan *fan)
{
    const int h = (t->grid_dim - 1) >> (depth + 1), n = 1 << depth, dim = t->grid_dim;
    const int cx = (2 * x + 1) * h, cz = (2 * z + 1) * h;
    const int span = 2 << level;   // cells per texture of this level
    const int bx = cx & ~(span - 1), bz = cz & ~(span - 1);
    const float inv_span = 1.0f / (float)span, cell = t->cell_size;
    if (rim_count > TERRAIN_FAN_MAX - 1) rim_count = TERRAIN_FAN_MAX - 1;

    auto put = [&](int i, int sx, int sz) {
        fan->xyz[i][0] = (float)sx * cell;
        fan->xyz[i][1] = t->heights[(long)sz * dim + sx];
        fan->xyz[i][2] = (float)sz * cell;
        fan->st[i][0] = (float)(sx - bx) * inv_span;
        fan->st[i][1] = (float)(sz - bz) * inv_span;
    };
    put(0, cx, cz);
    int count = 1;
    for (int i = 0; i < rim_count; ++i) {
        const int k = (rim_start + i) & 7, dx = rim_offset[k][0], dz = rim_offset[k][1];
        if (!dx || !dz) {
            const int nx = x + dx, nz = z + dz;
            bool outside = nx < 0 || nz < 0 || nx >= n || nz >= n;
            if (!outside && !bit_get(t->lod_active, node_index(depth, nx, nz))) continue;
        }
        put(count++, cx + dx * h, cz + dz * h);
    }
    fan->count = count;
    t->fan_vertex_count += count - 1;
    return count;
}

void terrain_draw_node(terrain_field *t, int depth, int x, int z)
{
    const int N = t->lod_depth, h = (t->grid_dim - 1) >> (depth + 1);
    const int oct = t->view_octant;
    // The box corner farthest along the view: when even it lies behind the eye plane, so does
    // everything under the node.
    float px = (float)((2 * x + (oct & 1 ? 2 : 0)) * h) * t->cell_size;
    float pz = (float)((2 * z + (oct & 4 ? 2 : 0)) * h) * t->cell_size;
    float py = oct & 2 ? t->height_max : t->height_min;
    if ((px - t->eye_pos[0]) * t->view_dir[0] + (py - t->eye_pos[1]) * t->view_dir[1] +
            (pz - t->eye_pos[2]) * t->view_dir[2] < 0)
        return;

    const terrain_draw_ops *ops = g_draw.ops;
    const int detail = terrain_settings.ground_texture_detail;
    if (depth == N) {
        int level = terrain_patch_level(t, detail, x, z);
        ops->bind(t, depth, x, z, level);
        ops->fan(t, depth, x, z, 1, 9, level);
        return;
    }

    const int q = ((2 * x + 1) * h <= t->eye_cell_x ? 1 : 0) | ((2 * z + 1) * h <= t->eye_cell_z ? 2 : 0);
    const unsigned char *order = child_order[q];
    int mask = 0;
    for (int k = 0; k < 4; ++k) {
        int c = order[k];
        if (bit_get(t->lod_active, node_index(depth + 1, 2 * x + (c & 1), 2 * z + (c >> 1)))) mask |= 1 << k;
    }
    auto child = [&](int k) {
        int c = order[k - 1];
        terrain_draw_node(t, depth + 1, 2 * x + (c & 1), 2 * z + (c >> 1));
    };
    if (mask == 15) {
        for (int k = 4; k >= 1; --k) child(k);
        return;
    }
    const int first = N - depth > detail ? N - depth : detail;
    const int level = terrain_patch_level(t, first, x << (N - depth), z << (N - depth));
    if (mask == 0) {
        ops->bind(t, depth, x, z, level);
        ops->fan(t, depth, x, z, 1, 9, level);
        return;
    }
    const int s = rim_start_by_quadrant[q];
    for (const node_step &step : mask_steps[mask]) {
        if (step.kind == 'c') {
            child(step.a);
        } else if (step.kind == 'f') {
            ops->bind(t, depth, x, z, level);
            ops->fan(t, depth, x, z, (s + step.a) & 7, step.n, level);
        }
    }
}

void terrain_walk(terrain_field *t, const terrain_draw_ops *ops)
{
    g_draw.ops = ops ? ops : &gl_ops;
    terrain_draw_node(t, 0, 0, 0);
    g_draw.ops = &gl_ops;
}

static void active_texture(GLenum unit)
{
    if (gl_ext.glActiveTextureARB) gl_ext.glActiveTextureARB(unit);
}

void terrain_bind_patch_texture(terrain_field *t, int depth, int x, int z, int level)
{
    const int N = t->lod_depth;
    const int cx = x << (N - depth), cz = z << (N - depth);
    int color = 0, normal = 0, specular = 0;
    if (level <= 5) {
        int sx = ((cx >> level) - terrain_ring_origin(t->eye_cell_x, level, N)) & 3;
        int sz = ((cz >> level) - terrain_ring_origin(t->eye_cell_z, level, N)) & 3;
        color = t->ring_color[level][sz][sx];
        normal = t->ring_normal[level][sz][sx];
        specular = t->ring_specular[level][sz][sx];
    } else if (t->block_color) {
        long i = ((long)(cz >> 6) << (N - 6)) + (cx >> 6);
        color = t->block_color[i];
        if (t->block_normal) normal = t->block_normal[i];
        if (t->block_specular) specular = t->block_specular[i];
    }
    if (color == g_draw.bound_texture && level == g_draw.bound_level) return;
    g_draw.bound_texture = color;
    g_draw.bound_level = level;
    glBindTexture(GL_TEXTURE_2D, (GLuint)color);
    if (t->terrain_shader) {
        active_texture(GL_TEXTURE1_ARB);
        glBindTexture(GL_TEXTURE_2D, (GLuint)normal);
        active_texture(GL_TEXTURE2_ARB);
        glBindTexture(GL_TEXTURE_2D, (GLuint)specular);
        active_texture(GL_TEXTURE0_ARB);
    }
}

void terrain_fan_immediate(terrain_field *t, int depth, int x, int z, int rim_start, int rim_count, int level)
{
    terrain_fan *fan = &g_draw.fan;
    int n = terrain_fan_build(t, depth, x, z, rim_start, rim_count, level, fan);
    glColor3f(1, 1, 1);
    glBegin(GL_TRIANGLE_FAN);
    for (int i = 0; i < n; ++i) {
        glTexCoord2f(fan->st[i][0], fan->st[i][1]);
        glVertex3f(fan->xyz[i][0], fan->xyz[i][1], fan->xyz[i][2]);
    }
    glEnd();
}

void terrain_fan_arrays(terrain_field *t, int depth, int x, int z, int rim_start, int rim_count, int level)
{
    int n = terrain_fan_build(t, depth, x, z, rim_start, rim_count, level, &g_draw.fan);
    glDisableClientState(GL_COLOR_ARRAY);
    glColor3f(1, 1, 1);
    glDrawArrays(GL_TRIANGLE_FAN, 0, n);
}

static void gl_bind(terrain_field *t, int depth, int x, int z, int level)
{
    terrain_bind_patch_texture(t, depth, x, z, level);
}

static void gl_fan(terrain_field *t, int depth, int x, int z, int rim_start, int rim_count, int level)
{
    if (terrain_settings.vertex_arrays) terrain_fan_arrays(t, depth, x, z, rim_start, rim_count, level);
    else terrain_fan_immediate(t, depth, x, z, rim_start, rim_count, level);
}

void terrain_draw(terrain_field *t)
{
    if (!t || !t->heights || !t->lod_active) return;
    g_draw.bound_texture = 0;
    g_draw.bound_level = -1;
    const int arrays = terrain_settings.vertex_arrays;
    if (arrays) {
        glVertexPointer(3, GL_FLOAT, 0, g_draw.fan.xyz);
        glTexCoordPointer(2, GL_FLOAT, 0, g_draw.fan.st);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    terrain_choose_patches(t);

    glDisable(GL_BLEND);
    if (t->terrain_shader) {
        shader_use(SHADER_TERRAIN);
        active_texture(GL_TEXTURE1_ARB);
        glEnable(GL_TEXTURE_2D);
        active_texture(GL_TEXTURE2_ARB);
        glEnable(GL_TEXTURE_2D);
        active_texture(GL_TEXTURE0_ARB);
    }
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);

    terrain_walk(t, &gl_ops);

    if (t->terrain_shader) {
        shader_use(SHADER_FIXED);
        active_texture(GL_TEXTURE2_ARB);
        glBindTexture(GL_TEXTURE_2D, 0);
        glDisable(GL_TEXTURE_2D);
        active_texture(GL_TEXTURE1_ARB);
        glBindTexture(GL_TEXTURE_2D, 0);
        glDisable(GL_TEXTURE_2D);
        active_texture(GL_TEXTURE0_ARB);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
    if (arrays) {
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glDisableClientState(GL_COLOR_ARRAY);
    }
    t->draw_stamp = t->draw_stamp == 0x7FFFFFFF ? 1 : t->draw_stamp + 1;
}
