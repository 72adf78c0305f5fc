// Arbitrary bytes as a track's "tileinfo", read to the end as the ground loader does, then the
// same bytes as the older "texturelist".
#include "terrain/field.h"
#include "fuzz/fuzz_input.h"
#include "terrain/surface.h"
#include "data/stream.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string &path = fuzz_write_input("tileinfo", "tileinfo", data, size);
    static terrain_field field;
    for (int mode : {2, 1}) {
        memset((void *)&field, 0, sizeof field);
        field.texture_mode = mode;
        data_stream *s = data_open(path.c_str(), "rb");
        if (!s) abort();
        if (mode == 2) tileinfo_parse(&field, s);
        else texturelist_parse(&field, s);
        data_close(s);
        if (field.tile_count > TILE_MAX) abort();
    }
    return 0;
}
