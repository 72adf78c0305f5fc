// The object grid. Cells and the two merge lists keep their storage, so a tick allocates only
// while a list grows beyond anything it held before.
#include "racing/object_grid.h"

#include <cmath>

#include "racing/race.h"
#include "bike/bike_record.h"
#include "bike/collision_passes.h"
#include "bike/shape.h"
#include "shell/startup.h"
#include "terrain/field.h"
#include "terrain/statues.h"
#include "terrain/track_load.h"

growable_array object_grid[64];
static growable_array g_merge;   // the other merge list beside rider_object_hits

static const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

static float grid_size(void)
{
    const terrain_field *t = race_terrain();
    return t && t->world_size > 0 ? t->world_size : 1.0f;
}

int object_grid_cell(float v, float size)
{
    const float c = std::floor((v / size - 0.125f) * (4.0f / 3.0f) * 8.0f);
    if (!(c >= 0)) return 0;   // also a coordinate that is not a number
    return c > 7 ? 7 : (int)c;
}

void object_grid_insert(int i)
{
    if (i < 0 || i >= statues.count) return;
    const statue &s = ((const statue *)statues.items)[i];
    if (!s.shape) return;
    const float r = shape_get_bounding_radius(s.shape), size = grid_size();
    for (int row = object_grid_cell(s.z - r, size); row <= object_grid_cell(s.z + r, size); ++row)
        for (int col = object_grid_cell(s.x - r, size); col <= object_grid_cell(s.x + r, size); ++col) {
            growable_array &cell = object_grid[row * OBJECT_GRID_SIDE + col];
            if (!cell.items) growable_array_init(&cell, sizeof(int));
            growable_array_append(&cell, &i);   // a cell that cannot grow goes without it
        }
}

void object_grid_rebuild(void)
{
    for (growable_array &cell : object_grid) cell.count = 0;
    for (int i = 0; i < statues.count; ++i) object_grid_insert(i);
}

static void list_ready(growable_array *list)
{
    if (!list->items) growable_array_init(list, sizeof(int));
    list->count = 0;
}

// out = the ascending union of a and b, without repeats.
static void merge_into(growable_array *out, const growable_array *a, const growable_array *b)
{
    list_ready(out);
    const int *x = (const int *)a->items, *y = (const int *)b->items;
    int i = 0, j = 0;
    while (i < a->count || j < b->count) {
        int v;
        if (j >= b->count || (i < a->count && x[i] < y[j])) v = x[i++];
        else if (i >= a->count || y[j] < x[i]) v = y[j++];
        else v = x[i++], ++j;
        growable_array_append(out, &v);
    }
}

int rider_object_collisions(bike *b)
{
    int result = bike_terrain_collide(b);
    const dReal *p = dBodyGetPosition(b->bodies[BODY_FRAME]);
    const float size = grid_size(), x = (float)p[0], z = (float)p[2];
    const int row0 = object_grid_cell(z - OBJECT_REACH_FT, size), row1 = object_grid_cell(z + OBJECT_REACH_FT, size);
    const int col0 = object_grid_cell(x - OBJECT_REACH_FT, size), col1 = object_grid_cell(x + OBJECT_REACH_FT, size);
    const growable_array *list = &object_grid[row0 * OBJECT_GRID_SIDE + col0];
    if (row0 != row1 || col0 != col1) {
        growable_array *from = &rider_object_hits, *to = &g_merge;
        list_ready(from);
        for (int row = row0; row <= row1; ++row)
            for (int col = col0; col <= col1; ++col) {
                merge_into(to, from, &object_grid[row * OBJECT_GRID_SIDE + col]);
                growable_array *t = from;
                from = to, to = t;
            }
        list = from;
    }
    const int *index = (const int *)list->items;
    statue *all = (statue *)statues.items;
    bike_bounds bounds;
    bike_bounds_of(b, &bounds);
    for (int k = 0; k < list->count; ++k) {
        if (index[k] < 0 || index[k] >= statues.count) continue;
        statue &s = all[index[k]];
        const float position[3] = {s.x, s.y, s.z};
        // A statue clear of the whole bike touches none of its parts.
        if (s.shape && bike_bounds_miss_sphere(&bounds, position, s.shape->bounding_radius)) {
            result = 0;
            continue;
        }
        result = bike_collide_object(b, s.shape, nullptr, position, s.turn_value != 0 ? identity : s.orientation);
        if (result) s.last_hit_tick = tick_count;
    }
    return result;
}

int compare_rider_speed(const void *a, const void *b)
{
    auto speed = [](const void *p) {
        const dReal *v = dBodyGetLinearVel((*(bike *const *)p)->bodies[BODY_FRAME]);
        const float x = (float)v[0], y = (float)v[1], z = (float)v[2];
        return std::sqrt(x * x + y * y + z * z);
    };
    const float sa = speed(a), sb = speed(b);
    return sa > sb ? -1 : sa < sb ? 1 : 0;
}
