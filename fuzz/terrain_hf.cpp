// Arbitrary bytes as a track's "terrain.hf" (header and raw height section) loaded with the rest
// of a small valid track folder, then saved back into it.
#include "terrain/field.h"
#include "terrain/terrain_io.h"
#include "tests/fixtures/temp_folders.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

static std::string folder(void)
{
    static std::string dir;
    if (!dir.empty()) return dir;
    char tmpl[] = "/tmp/rl_fuzz_hf_XXXXXX";
    if (!temp_folder_make(tmpl)) abort();
    dir = tmpl;
    const int dim = 257;
    FILE *f = fopen((dir + "/shadingx2.ppm").c_str(), "wb");
    fprintf(f, "P6\n%d %d\n255\n", dim, dim);
    for (int i = 0; i < dim * dim * 3; ++i) fputc(i & 0xFF, f);
    fclose(f);
    f = fopen((dir + "/tileinfo").c_str(), "wb");
    fputs("friction 1 1\naddtile\naddtile\n", f);
    fclose(f);
    f = fopen((dir + "/tilemap").c_str(), "wb");
    for (int i = 0; i < 128 * 128; ++i) fputc(i & 3, f);
    fclose(f);
    return dir;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Depths above 8 are valid but only slow the search down: their header path is the same.
    int depth = 0;
    std::string head((const char *)data, size < 32 ? size : 32);
    if (sscanf(head.c_str(), "%d", &depth) == 1 && depth > 8) return 0;

    std::string dir = folder();
    FILE *f = fopen((dir + "/terrain.hf").c_str(), "wb");
    if (!f) abort();
    fwrite(data, 1, size, f);
    fclose(f);
    unlink((dir + "/terrain.png").c_str());
    if (terrain_load(terrain_ptr, dir.c_str(), 1)) {
        terrain_height_at(terrain_ptr, 10.0f, 20.0f);
        terrain_save(terrain_ptr);
    }
    terrain_free(terrain_ptr);
    return 0;
}
