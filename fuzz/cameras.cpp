// Arbitrary bytes as a track's "cameras" file.
#include "track_fuzz.h"
#include "terrain/cameras.h"
#include "shell/startup.h"
#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz_track_setup();
    std::string path = fuzz_write_temp("cameras", data, size);
    cameras_load(path.c_str());
    // Every gate points at a camera that exists; every camera is usable.
    for (int g : gate_camera)
        if (g < -1 || g >= track_cameras.count) abort();
    const track_camera *c = (const track_camera *)track_cameras.items;
    for (int i = 0; i < track_cameras.count; ++i)
        if (!std::isfinite(c[i].position[1]) || !(c[i].fov >= 0) || !(c[i].autofovsize >= 0)) abort();
    return 0;
}
