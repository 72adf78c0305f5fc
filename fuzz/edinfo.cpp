// Arbitrary bytes as a track's "edinfo", line by line as the editor's reader takes it, on a small
// flat field. Every gradient read keeps as many segment types as points, all of them finite.
#include "editor/editor.h"
#include "editor/editor_state.h"
#include "shell/globals.h"
#include "terrain/field.h"
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

static terrain_field *small_ground(void)
{
    static terrain_field *t;
    if (t) return t;
    t = (terrain_field *)calloc(1, sizeof(terrain_field));
    t->lod_depth = 4;
    t->grid_dim = 33;
    t->cell_size = 1;
    t->tile_size = 2;
    t->world_size = 32;
    t->heights = (float *)calloc(2 * 33 * 33, sizeof(float));
    t->loaded_heights = t->heights + 33 * 33;
    frame_width = 640;
    frame_height = 480;
    return t;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    editor_setup_track(nullptr, small_ground());
    char line[1001];
    size_t at = 0;
    while (at < size) {
        // As the reader's line buffer: at most 1000 characters, a line feed ends one.
        size_t n = 0;
        while (at < size && n < 1000) {
            char c = (char)data[at++];
            line[n++] = c;
            if (c == '\n') break;
        }
        line[n] = 0;
        edinfo_parse_line(line);
    }
    for (int i = 0; i < g_editor.gradients.count; ++i) {
        const gradient *g = editor_gradient(i);
        if (g->points.count != g->types.count) abort();
        if (!std::isfinite(g->x0) || !std::isfinite(g->z0) || !std::isfinite(g->x1) || !std::isfinite(g->z1)) abort();
        for (int k = 0; k < g->points.count; ++k) {
            const gradient_point &p = gradient_points(g)[k];
            if (!std::isfinite(p.distance) || !std::isfinite(p.height) || gradient_types(g)[k] > 1) abort();
        }
        g_editor.selected_gradient = i;
        for (int k = -1; k <= g->points.count; ++k)
            if (!std::isfinite(gradient_slope_at(k))) abort();
    }
    editor_release();
    return 0;
}
