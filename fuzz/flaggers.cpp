// Arbitrary bytes as a track's "flaggers" file, over ten timing gates.
#include "track_fuzz.h"
#include "terrain/flaggers.h"
#include "terrain/timing_gates.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz_track_setup();
    gate_count = 10;
    std::string path = fuzz_write_temp("flaggers", data, size);
    track_objects_init();
    flaggers_load(path.c_str());
    // Gate indices stay within the gates, billboards within the list.
    const flagger *f = (const flagger *)flaggers.items;
    for (int i = 0; i < flaggers.count; ++i) {
        for (int g : f[i].gates)
            if (g < -1 || g >= gate_count) abort();
        if (f[i].billboard < 0 || f[i].billboard >= billboards.count) abort();
    }
    if (flagger_header.mover_billboard >= billboards.count || flagger_header.board_billboard >= billboards.count) abort();
    growable_array_free(&flaggers);
    track_objects_free();
    gate_count = 0;
    return 0;
}
