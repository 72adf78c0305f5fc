// ".shp" collision shape files and the shape cache.
//
// ".shp" text, whitespace separated:
//   n                                     sphere count, 0..4096
//   n times: x y z  radius friction k c   centre (body coordinates, ft), radius (ft), friction
//                                         coefficient, stiffness (lbf/ft), damping (lbf s/ft)
// Every number must be finite, and radius, k and c not negative; anything else, or a file that
// ends early, is not a shape. A sphere larger than any part of a bike or a track object (a
// radius above 16 ft, a centre more than 1024 ft out) makes no shape either, with a message: a
// 500 ft sphere held the load for half a minute and started the bike far above the ground.
#include "bike/shape.h"
#include "data/mem.h"
#include "data/stream.h"
#include "platform/log.h"
#include "platform/array.h"
#include <cmath>
#include <cstring>
#include <initializer_list>

namespace {

growable_array g_cache;   // of shape *, searched by exact name; items null until first use

const float radius_max_ft = 16, center_max_ft = 1024;

std::size_t block_size(int count, bool instance, std::size_t name_bytes)
{
    std::size_t n = (std::size_t)count;
    return sizeof(shape) + n * sizeof(shape_sphere) + (instance ? n * sizeof(float[3]) : 0) + name_bytes;
}

// Points the record's arrays and name into its own block, behind the header.
void lay_out(shape *s, int count, bool instance, const char *name, std::size_t name_bytes)
{
    char *at = (char *)(s + 1);
    s->sphere_count = count;
    s->spheres = (shape_sphere *)at;
    at += (std::size_t)count * sizeof(shape_sphere);
    s->world_centers = nullptr;
    if (instance) {
        s->world_centers = (float(*)[3])at;
        at += (std::size_t)count * sizeof(float[3]);
    }
    memcpy(at, name, name_bytes);
    s->name = at;
}

bool sphere_ok(const shape_sphere &p)
{
    for (float v : {p.center[0], p.center[1], p.center[2], p.radius, p.friction, p.k, p.c})
        if (!std::isfinite(v)) return false;
    return p.radius >= 0 && p.k >= 0 && p.c >= 0;
}

bool sphere_in_reach(const shape_sphere &p, const char *file_name, int i)
{
    if (p.radius <= radius_max_ft && std::fabs(p.center[0]) <= center_max_ft &&
        std::fabs(p.center[1]) <= center_max_ft && std::fabs(p.center[2]) <= center_max_ft)
        return true;
    kubl_log_printf("%.300s: sphere %d (radius %g ft at %g %g %g) is larger or farther out than any part; "
                    "at most %g ft, within %g ft: the shape is not used\n", file_name, i + 1, p.radius, p.center[0],
                    p.center[1], p.center[2], radius_max_ft, center_max_ft);
    return false;
}

shape *read_shape(const char *file_name)
{
    data_stream *in = data_open(file_name, "rb");
    if (!in) return nullptr;
    int count;
    shape *s = nullptr;
    if (data_scanf(in, "%d", &count) == 1 && count >= 0 && count <= SHAPE_MAX_SPHERES) {
        std::size_t name_bytes = strlen(file_name) + 1;
        s = (shape *)alloc_or_die(block_size(count, false, name_bytes));
        lay_out(s, count, false, file_name, name_bytes);
        s->master = nullptr;
        float bound = 0;
        s->has_body_box = count > 0;
        for (int k = 0; k < 3; ++k) s->body_lo[k] = INFINITY, s->body_hi[k] = -INFINITY;
        for (int i = 0; i < count && s; ++i) {
            shape_sphere &p = s->spheres[i];
            if (data_scanf(in, "%f %f %f", &p.center[0], &p.center[1], &p.center[2]) != 3 ||
                data_scanf(in, "%f %f %f %f", &p.radius, &p.friction, &p.k, &p.c) != 4 || !sphere_ok(p) ||
                !sphere_in_reach(p, file_name, i)) {
                mem_free(s);
                s = nullptr;
                break;
            }
            float reach = std::sqrt(p.center[0] * p.center[0] + p.center[1] * p.center[1] + p.center[2] * p.center[2]) +
                          p.radius;
            if (reach > bound) bound = reach;
            for (int k = 0; k < 3; ++k) {
                s->body_lo[k] = std::fmin(s->body_lo[k], p.center[k] - p.radius);
                s->body_hi[k] = std::fmax(s->body_hi[k], p.center[k] + p.radius);
            }
        }
        if (s) s->bounding_radius = bound;
    }
    data_close(in);
    return s;
}

}   // namespace

shape *shape_cache_load(const char *file_name)
{
    if (!file_name) return nullptr;
    if (g_cache.items) {
        shape **cached = (shape **)g_cache.items;
        for (int i = 0; i < g_cache.count; ++i)
            if (!strcmp(cached[i]->name, file_name)) return cached[i];
    }
    shape *s = read_shape(file_name);
    if (!s) return nullptr;
    // Without room in the table the shape is still used, only read again next time.
    if (g_cache.items || growable_array_init(&g_cache, sizeof(shape *))) growable_array_append(&g_cache, &s);
    return s;
}

shape *shape_load_instance(const char *file_name)
{
    const shape *master = shape_cache_load(file_name);
    if (!master) return nullptr;
    std::size_t name_bytes = strlen(master->name) + 1;
    shape *s = (shape *)alloc_or_die(block_size(master->sphere_count, true, name_bytes));
    lay_out(s, master->sphere_count, true, master->name, name_bytes);
    s->master = master;
    s->bounding_radius = master->bounding_radius;
    s->has_body_box = master->has_body_box;
    memcpy(s->body_lo, master->body_lo, sizeof s->body_lo);
    memcpy(s->body_hi, master->body_hi, sizeof s->body_hi);
    for (int i = 0; i < s->sphere_count; ++i) {
        s->spheres[i] = master->spheres[i];
        memcpy(s->world_centers[i], master->spheres[i].center, sizeof(float[3]));
    }
    return s;
}

const char *shape_get_name(const shape *s) { return s ? s->name : ""; }

float shape_get_bounding_radius(const shape *s) { return s ? s->bounding_radius : 0.0f; }

int shape_get_sphere(const shape *s, int i, float center[3], float *radius)
{
    if (!s || i < 0 || i >= s->sphere_count) return 0;
    memcpy(center, s->spheres[i].center, sizeof(float[3]));
    *radius = s->spheres[i].radius;
    return 1;
}

void shape_cache_free(void)
{
    if (!g_cache.items) return;
    shape **cached = (shape **)g_cache.items;
    for (int i = 0; i < g_cache.count; ++i) mem_free(cached[i]);
    growable_array_free(&g_cache);
    memset(&g_cache, 0, sizeof g_cache);
}
