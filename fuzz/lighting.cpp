// Arbitrary bytes as a track's "lighting" file.
#include "terrain/lighting.h"
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

static std::string temp_path(void)
{
    static std::string path;
    if (path.empty()) {
        char dir[] = "/tmp/rl_fuzz_lighting_XXXXXX";
        if (!mkdtemp(dir)) abort();
        path = std::string(dir) + "/lighting";
    }
    return path;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string path = temp_path();
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) abort();
    fwrite(data, 1, size, f);
    fclose(f);
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
