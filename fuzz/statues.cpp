// Arbitrary bytes as a track's "statues" file, read as the track load reads it.
#include "track_fuzz.h"
#include "terrain/statues.h"
#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz_track_setup();
    std::string path = fuzz_write_temp("statues", data, size);
    track_objects_init();
    statues_load(path.c_str());
    // Everything read is finite and seated on the flat ground.
    const statue *items = (const statue *)statues.items;
    for (int i = 0; i < statues.count; ++i)
        if (!std::isfinite(items[i].y) || items[i].y != items[i].height_offset) abort();
    track_objects_free();
    return 0;
}
