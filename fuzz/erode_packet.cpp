// Arbitrary bytes as an erosion packet from the network or a demo: decoded, queued and applied
// to a small ground.
#include "track_fuzz.h"
#include "terrain/erosion.h"
#include "terrain/surface.h"
#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz_track_setup();
    erosion_params &e = terrain_ptr->erosion[0];
    erosion_defaults(&e);
    erode_queue_reset();
    terrain_field *t = terrain_ptr;
    memset(t->heights, 0, sizeof(float) * 2 * t->grid_dim * t->grid_dim);
    static erode_entry points[4096];
    int n = erode_packet_decode(data, (int)size, points, 4096);
    int want = size >= 17 && data[0] == 1 ? (int)(size - 17) / 4 + 1 : 0;
    if (n != (want < 4096 ? want : 4096)) abort();
    for (int i = 0; i < n; ++i) {
        const erode_entry &p = points[i];
        if (!std::isfinite(p.x) || !std::isfinite(p.z) || p.weight < 0 || p.weight > 15) abort();
        if (!(p.push_x >= -1 && p.push_x <= 1 && p.push_z >= -1 && p.push_z <= 1)) abort();
    }
    erode_queue_push_packet(data, (int)size);
    if (erode_queue.queue_count != want) abort();
    const float rider[3] = {128, 0, 128};
    for (int i = 0; i < 4 && erode_queue.queue_count; ++i) erode_queue_apply(i ? nullptr : rider, 1024);
    // Whatever the packet, the ground stays finite.
    for (long i = 0; i < (long)t->grid_dim * t->grid_dim; i += 97)
        if (!std::isfinite(t->heights[i])) abort();
    return 0;
}
