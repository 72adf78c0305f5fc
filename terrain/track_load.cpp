// The track loader. The order of the steps is part of the contract: the ground seats every
// object, the flaggers read the gate count, the statue shapes follow the statues into the
// digest, and the savers write from the counts taken between the steps.
//
// The digest covers, in this order and as the data-file layer delivers them (decompressed):
// "terrain.hf", "terrain.png", "texturelist", "tilemap", "tileinfo", "timing_gates",
// "statues", then each distinct statue shape file once. Not lighting, flaggers, billboards,
// decals, shading, shadows, the map or the cameras.
#include "terrain/track_load.h"
#include "terrain/cameras.h"
#include "terrain/field.h"
#include "terrain/flaggers.h"
#include "terrain/lighting.h"
#include "terrain/statues.h"
#include "terrain/terrain_io.h"
#include "terrain/timing_gates.h"
#include "terrain/track_files.h"
#include "shell/track_list.h"
#include "shell/config.h"
#include "shell/loading.h"
#include "graphics/texture.h"
#include "shell/globals.h"
#include "data/mem.h"
#include "data/ripemd160.h"
#include "data/stream.h"
#include "platform/log.h"
#include <cstdio>
#include <cstring>

const char    *track_name;
const char    *track_long_name;
std::uint8_t   track_digest[20];
unsigned       track_map_texture;
int            first_own_billboard;
int            first_own_statue;
growable_array billboard_sort_space;

terrain_field *race_terrain(void) { return terrain_ptr; }

int texture_mode_by_choice(int choice)
{
    static const int modes[5] = {1, 2, 3, 2, 3};
    return choice >= 0 && choice < 5 ? modes[choice] : 2;
}

track_load_listener_table track_load_listeners;

static void log_texture_memory(const char *after)
{
    if (g_options.debug_level)
        kubl_log_printf("%lu bytes texture memory used after %s\n", (unsigned long)render_stats.texture_bytes, after);
}

static void object_lists_init(void)
{
    track_objects_init();
    growable_array_init(&flaggers, sizeof(flagger));
    if (track_load_listeners.objects_init) track_load_listeners.objects_init();
}

// Each distinct shape file of the statues once, in statue order.
static void digest_statue_shapes(ripemd160_ctx *ctx)
{
    const statue *s = (const statue *)statues.items;
    for (int i = 0; i < statues.count; ++i) {
        if (!s[i].shape || !s[i].shape_name) continue;
        int seen = 0;
        for (int j = 0; j < i && !seen; ++j)
            seen = s[j].shape && s[j].shape_name && !strcmp(s[j].shape_name, s[i].shape_name);
        if (seen) continue;
        data_stream *f = data_open(s[i].shape_name, "rb");
        if (!f) continue;
        unsigned char block[1024];
        for (int n; (n = data_read(f, block, sizeof block)) > 0;) ripemd160_update(ctx, block, (std::size_t)n);
        data_close(f);
    }
}

int load_track(void)
{
    if (!track_name) return 0;
    const int listed = track_list_find(track_name);
    track_long_name = listed >= 0 ? track_list.long_names[listed] : track_name;

    ripemd160_ctx digest;
    ripemd160_init(&digest);
    object_lists_init();

    loading_status_reset("Scanning");
    static const char *const ground_files[] = {"terrain.hf", "terrain.png", "texturelist", "tilemap", "tileinfo"};
    for (const char *name : ground_files) {
        loading_status_spin("Scanning");
        track_file_digest(&digest, name);
    }
    loading_status_done("Scanning");

    char folder[1040], path[1040];
    snprintf(folder, sizeof folder, "@%s", track_name);
    if (g_options.debug_level) kubl_log_printf("Loading '%s'\n", folder);

    track_file_name(path, sizeof path, "lighting");
    lighting_load(path);
    // The player's options as they stand now: the first load comes before the first frame.
    if (track_load_listeners.drawing_options) track_load_listeners.drawing_options();
    if (!terrain_load(terrain_ptr, folder, texture_mode_by_choice(setting_render_texture()))) {
        track_name = nullptr;
        track_long_name = nullptr;
        return 0;
    }
    log_texture_memory("hf creation");

    track_file_digest(&digest, "timing_gates");
    track_file_name(path, sizeof path, "timing_gates");
    timing_gates_load(path);

    for (int i = 0; i < TRACK_PARTICLE_BILLBOARDS; ++i) {
        const int billboard = billboard_add(0, 0, 0, 1, 1, nullptr);
        if (track_load_listeners.particle_billboard) track_load_listeners.particle_billboard(i, billboard);
    }

    loading_status_reset("Loading flaggers");
    track_file_name(path, sizeof path, "flaggers");
    flaggers_load(path);
    loading_status_done("Loading flaggers");
    log_texture_memory("flagger creation");

    first_own_statue = statues.count;
    first_own_billboard = billboards.count;

    track_file_name(path, sizeof path, "billboards");
    billboards_load(path);
    log_texture_memory("billboard creation");

    track_file_digest(&digest, "statues");
    track_file_name(path, sizeof path, "statues");
    statues_load(path);

    loading_status_reset("Loading map");
    log_texture_memory("statue creation");
    track_file_name(path, sizeof path, "map.png");
    track_map_texture = track_texture_load(path);
    loading_status_done("Loading map");

    if (track_load_listeners.loaded) track_load_listeners.loaded();

    digest_statue_shapes(&digest);
    ripemd160_final(&digest);

    track_file_name(path, sizeof path, "cameras");
    cameras_load(path);
    memcpy(track_digest, digest.digest, sizeof track_digest);
    return 1;
}

void free_track(void)
{
    kubl_log_printf("Deallocating track\n");
    if (track_load_listeners.released) track_load_listeners.released();
    timing_gates_free();
    lighting_free();
    track_objects_free();
    growable_array_free(&flaggers);
    terrain_free(terrain_ptr);
    kubl_log_printf("Finished deallocating track\n");
}
