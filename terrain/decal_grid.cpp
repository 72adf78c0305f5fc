// The decal grid: 8 x 8 cells over the terrain, each an ascending list of the decals whose
// bounding box touches it. Every change to a decal also asks the composer to redraw the ground
// under it.
#include "terrain/decal_grid.h"
#include "terrain/draw.h"
#include "terrain/field.h"
#include "terrain/terrain_seams.h"
#include "data/mem.h"
#include <cmath>
#include <cstring>

static inline int clampi(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

static const decal *decal_at(const terrain_field *t, int i) { return (const decal *)t->decals.items + i; }

// Half extents of a decal's axis-aligned bounding box.
static void decal_extents(const decal *d, float *ex, float *ez)
{
    float half1 = d->size1 * 0.5f, half2 = d->size2 * d->size1 * 0.5f;
    *ex = std::fabs(d->sin_angle * half1) + std::fabs(d->cos_angle * half2);
    *ez = std::fabs(d->cos_angle * half1) + std::fabs(d->sin_angle * half2);
}

static int grid_cell(const terrain_field *t, float v)
{
    float f = v / t->world_size * 8.0f;
    if (!(f >= 0.0f)) return 0;   // NaN and negatives
    if (f >= 8.0f) return 7;
    return clampi((int)std::floor(f), 0, 7);
}

// A world coordinate in whole cells, truncated, held inside the int range.
static int cells_trunc(const terrain_field *t, float v)
{
    return (int)terrain_safe_cells(v, 1.0f / t->cell_size);
}

void decal_request_redraw(terrain_field *t, int index)
{
    if (!t->decals.items || index < 0 || index >= t->decals.count) return;
    const decal *d = decal_at(t, index);
    float ex, ez;
    decal_extents(d, &ex, &ez);
    const int x0 = cells_trunc(t, d->x - ex), x1 = cells_trunc(t, d->x + ex);
    const int z0 = cells_trunc(t, d->z - ez), z1 = cells_trunc(t, d->z + ez);
    const int N = t->lod_depth;
    // Only a field made for drawing has the block list, and only it is at least a block wide.
    const int blocks = t->block_request && N >= 6 ? 1 << (N - 6) : 0;
    if (blocks > 0)
        for (int bz = clampi(z0 >> 7, 0, blocks - 1); bz <= clampi(z1 >> 7, 0, blocks - 1); ++bz)
            for (int bx = clampi(x0 >> 7, 0, blocks - 1); bx <= clampi(x1 >> 7, 0, blocks - 1); ++bx)
                if (t->block_request[bz * blocks + bx] == 0) t->block_request[bz * blocks + bx] = t->draw_stamp;

    const int detail = terrain_settings.ground_texture_detail;
    if (detail >= 6) return;
    for (int L = detail < 0 ? 0 : detail; L <= 5; ++L) {
        const int ox = terrain_ring_origin(t->eye_cell_x, L, N), oz = terrain_ring_origin(t->eye_cell_z, L, N);
        for (int sz = 0; sz < 4; ++sz)
            for (int sx = 0; sx < 4; ++sx) {
                long cx0 = (long)(ox + sx) << (L + 1), cx1 = (long)(ox + sx + 1) << (L + 1);
                long cz0 = (long)(oz + sz) << (L + 1), cz1 = (long)(oz + sz + 1) << (L + 1);
                if (cx1 < x0 || cx0 > x1 || cz1 < z0 || cz0 > z1) continue;
                if (t->ring_request[L][sz][sx] == 0) t->ring_request[L][sz][sx] = t->draw_stamp;
            }
    }
}

struct cell_range { int cx0, cx1, cz0, cz1; };

static cell_range decal_cells(const terrain_field *t, int index)
{
    const decal *d = decal_at(t, index);
    float ex, ez;
    decal_extents(d, &ex, &ez);
    return {grid_cell(t, d->x - ex), grid_cell(t, d->x + ex), grid_cell(t, d->z - ez), grid_cell(t, d->z + ez)};
}

// Makes room for one more entry; 0 when the list cannot grow.
static int reserve_one(growable_array *a)
{
    if (a->count < a->capacity) return 1;
    if (!growable_array_append(a, nullptr)) return 0;
    a->count--;
    return 1;
}

void decal_grid_insert(terrain_field *t, int index)
{
    if (!t->decals.items || index < 0 || index >= t->decals.count) return;
    decal_request_redraw(t, index);
    cell_range r = decal_cells(t, index);
    for (int cz = r.cz0; cz <= r.cz1; ++cz)
        for (int cx = r.cx0; cx <= r.cx1; ++cx) {
            growable_array *a = &t->decal_grid[cz * 8 + cx];
            if (!reserve_one(a)) continue;
            int *list = (int *)a->items, at = 0;
            while (at < a->count && list[at] <= index) ++at;
            memmove(list + at + 1, list + at, sizeof(int) * (std::size_t)(a->count - at));
            list[at] = index;
            a->count++;
        }
}

void decal_grid_remove(terrain_field *t, int index)
{
    if (!t->decals.items || index < 0 || index >= t->decals.count) return;
    decal_request_redraw(t, index);
    cell_range r = decal_cells(t, index);
    for (int cz = r.cz0; cz <= r.cz1; ++cz)
        for (int cx = r.cx0; cx <= r.cx1; ++cx) {
            growable_array *a = &t->decal_grid[cz * 8 + cx];
            int *list = (int *)a->items;
            for (int i = 0; i < a->count; ++i)
                if (list[i] == index) {
                    memmove(list + i, list + i + 1, sizeof(int) * (std::size_t)(a->count - i - 1));
                    a->count--;
                    break;
                }
        }
}

void decal_grid_renumber(terrain_field *t, int first, int offset)
{
    for (growable_array &a : t->decal_grid) {
        int *list = (int *)a.items;
        for (int i = 0; i < a.count; ++i)
            if (list[i] >= first) list[i] += offset;
    }
}

// Ascending merge of two lists into out, each index once; an entry out cannot hold is dropped.
static void merge_into(growable_array *out, const growable_array *a, const growable_array *b)
{
    out->count = 0;
    const int *pa = (const int *)a->items, *pb = (const int *)b->items;
    int i = 0, j = 0;
    while (i < a->count || j < b->count) {
        int v;
        if (j >= b->count || (i < a->count && pa[i] < pb[j])) v = pa[i++];
        else if (i >= a->count || pb[j] < pa[i]) v = pb[j++];
        else { v = pa[i++]; j++; }
        if (!reserve_one(out)) continue;
        ((int *)out->items)[out->count++] = v;
    }
}

const int *decal_grid_query(terrain_field *t, float x0, float z0, float x1, float z1, int *count)
{
    *count = 0;
    if (!t->decals.items) return nullptr;
    const int cx0 = grid_cell(t, x0), cx1 = grid_cell(t, x1), cz0 = grid_cell(t, z0), cz1 = grid_cell(t, z1);
    if (cx0 == cx1 && cz0 == cz1) {
        const growable_array *a = &t->decal_grid[cz0 * 8 + cx0];
        *count = a->count;
        return (const int *)a->items;
    }
    growable_array *from = &t->decal_work[0], *to = &t->decal_work[1];
    from->count = to->count = 0;
    for (int cz = cz0; cz <= cz1; ++cz)
        for (int cx = cx0; cx <= cx1; ++cx) {
            merge_into(to, from, &t->decal_grid[cz * 8 + cx]);
            growable_array *swap = from;
            from = to;
            to = swap;
        }
    *count = from->count;
    return (const int *)from->items;
}

char *name_replace_suffix(const char *name, const char *ending, const char *replacement)
{
    size_t n = strlen(name), e = strlen(ending), r = strlen(replacement);
    if (n < e || strcmp(name + n - e, ending)) return nullptr;
    char *out = (char *)alloc_or_die(n - e + r + 1);
    memcpy(out, name, n - e);
    memcpy(out + n - e, replacement, r + 1);
    return out;
}
