// bike/shape.h — collision shapes: spheres fixed to one body (a bike part, the rider, a track
// object), read from ".shp" files, cached by file name for the whole run and handed out as
// private instances. The contact code writes an instance's world centres each test; the cached
// master keeps the spheres in body coordinates.
#pragma once

enum { SHAPE_MAX_SPHERES = 4096 };   // a larger (or negative) count is refused as damaged

struct shape_sphere {
    float center[3];      // body coordinates, ft
    float radius;         // ft
    float friction;       // coefficient
    float k;              // spring stiffness, lbf/ft
    float c;              // damping, lbf s/ft
};

// One allocation holds the record, then the spheres, then the world centres (instances only),
// then the name. Instances are freed with mem_free.
struct shape {
    const char   *name;              // the file name it was loaded by
    int           sphere_count;
    shape_sphere *spheres;
    const shape  *master;            // the cached shape; null in the cached shape itself
    float         bounding_radius;   // largest |centre| + radius, ft, about the body origin
    float       (*world_centers)[3]; // instances: sphere_count centres the contact code places
                                     // in the world (M c + p) before each test; null in the master
    int           has_body_box;      // 1 when body_lo/body_hi hold the spheres' box (read shapes)
    float         body_lo[3], body_hi[3];   // body coordinates, ft, radii included
};

// The cached shape of that name, read first when absent; null when the file cannot be opened
// or does not parse (nothing cached then). The cache owns it.
shape      *shape_cache_load(const char *file_name);
// A private copy of the cached shape (world centres start at the body centres); null when the
// cache load fails. The caller frees it with mem_free.
shape      *shape_load_instance(const char *file_name);
const char *shape_get_name(const shape *s);
float       shape_get_bounding_radius(const shape *s);
// 1 with sphere i's body centre and radius; 0 when i is outside 0..sphere_count-1.
int         shape_get_sphere(const shape *s, int i, float center[3], float *radius);
// Frees every cached shape and the table; instances handed out stay valid as blocks but their
// master pointers dangle, so they go first (at exit).
void        shape_cache_free(void);
