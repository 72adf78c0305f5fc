// Arbitrary bytes as a track's "lighting" file.
#include "terrain/lighting.h"
#include "fuzz/fuzz_input.h"
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string &path = fuzz_write_input("lighting", "lighting", data, size);
    lighting_load(path.c_str());
    const lighting_record &l = track_lighting;
    // The planes are always usable and the sun a unit vector.
    if (!(l.near_plane >= 1.0f / 1024.0f && l.near_plane <= 0.875f)) abort();
    if (!(l.far_plane >= l.near_plane && l.far_plane <= 1048576.0f)) abort();
    float len = l.sun_vector[0] * l.sun_vector[0] + l.sun_vector[1] * l.sun_vector[1] +
                l.sun_vector[2] * l.sun_vector[2];
    if (!(std::fabs(len - 1.0f) < 1e-3f)) abort();
    lighting_free();
    return 0;
}
