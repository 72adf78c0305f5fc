// What the track object readers need around them when fuzzed: the bytes as a file, a small
// flat ground for seating objects, and resources answered without a graphics context (every
// name "loads"; models only for names of odd length, so both texture paths of a statue run).
#pragma once
#include "terrain/field.h"
#include "terrain/statues.h"
#include "shell/globals.h"
#include "tests/fixtures/temp_folders.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

inline std::string fuzz_write_temp(const char *name, const uint8_t *data, size_t size)
{
    static std::string dir;
    if (dir.empty()) {
        char made[] = "/tmp/rl_fuzz_track_XXXXXX";
        if (!temp_folder_make(made)) abort();
        dir = made;
    }
    std::string path = dir + "/" + name;
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) abort();
    fwrite(data, 1, size, f);
    fclose(f);
    return path;
}

inline unsigned fuzz_texture(const char *name) { return 1 + (unsigned)(strlen(name) % 7); }
inline km_model *fuzz_model(const char *name) { return strlen(name) % 2 ? (km_model *)(uintptr_t)64 : nullptr; }
inline shape *fuzz_shape(const char *) { return nullptr; }

// A flat 256 x 256-unit field of depth 7 as the race's ground, and the fake resources.
inline void fuzz_track_setup(void)
{
    static bool done;
    if (done) return;
    done = true;
    terrain_field *t = (terrain_field *)calloc(1, sizeof(terrain_field));
    t->lod_depth = 7;
    t->grid_dim = 257;
    t->cell_size = 1;
    t->tile_size = 2;
    t->world_size = 256;
    t->heights = (float *)calloc(2 * 257 * 257, sizeof(float));
    t->loaded_heights = t->heights + 257 * 257;
    t->tilemap = (unsigned char *)calloc(128 * 128, 1);
    terrain_ptr = t;
    static const track_resource_loaders fakes = {fuzz_texture, fuzz_model, fuzz_shape};
    track_resources_set(&fakes);
    g_render.use_shader = 1;
}
