// Arbitrary bytes as a ".shp" collision shape, read as bikes and statues read theirs: a shape
// that loads holds only finite spheres with radius, stiffness and damping not below 0, and its
// instance is an exact copy.
#include "bike/shape.h"
#include "data/mem.h"
#include "fuzz_input.h"
#include <cmath>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string &path = fuzz_write_input("shp", "s.shp", data, size);
    shape *s = shape_load_instance(path.c_str());
    if (s) {
        const shape *m = s->master;
        if (!m || m->sphere_count != s->sphere_count || s->sphere_count < 0 || s->sphere_count > SHAPE_MAX_SPHERES)
            abort();
        if (!std::isfinite(s->bounding_radius) || s->bounding_radius < 0) abort();
        for (int i = 0; i < s->sphere_count; ++i) {
            const shape_sphere &p = s->spheres[i];
            if (memcmp(&p, &m->spheres[i], sizeof p) || memcmp(s->world_centers[i], p.center, sizeof p.center)) abort();
            if (!(p.radius >= 0 && p.k >= 0 && p.c >= 0) || !std::isfinite(p.friction)) abort();
            float centre[3], radius;
            if (!shape_get_sphere(s, i, centre, &radius)) abort();
        }
        mem_free(s);
    }
    shape_cache_free();   // each input is its own file
    return 0;
}
