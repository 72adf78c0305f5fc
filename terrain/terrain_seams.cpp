// Where the ground meets the rest of the game. The loading screen, textures and image files
// forward to their modules; drawing, the decal grid, texture composition and the colour-block
// upkeep are stand-ins that keep the ground usable (queries, brushes, loading, saving) until
// the drawing code fills them in.
#include "terrain/terrain_seams.h"
#include "terrain/compose.h"
#include "terrain/decal_grid.h"
#include "terrain/draw.h"
#include "terrain/field.h"
#include "terrain/lod.h"
#include "terrain/shading.h"
#include "terrain/upkeep.h"
#include "data/mem.h"
#include "graphics/image.h"
#include "graphics/png.h"
#include "shell/loading.h"
#include <cstring>

terrain_render_settings terrain_settings = {
    0.125f,   // lod_tolerance: 0.125 / ground detail 1
    0,        // ground_texture_detail
    256,      // ground_texture_size
    1,        // ground_mipmaps
    0,        // terrain_shader
    0,        // framebuffer_objects
    0,        // debug_level
};

void terrain_status_reset(const char *text) { loading_status_reset(text); }
void terrain_status_spin(const char *text) { loading_status_spin(text); }
void terrain_status_done(const char *text) { loading_status_done(text); }

int         terrain_texture_load(const char *name) { return 0; }
const char *terrain_texture_name(int texture) { return nullptr; }
int         terrain_texture_upload_rgb(const unsigned char *pixels, int width, int height) { return 0; }
void        terrain_texture_delete(int texture) {}
int         terrain_image_load(const char *name, unsigned char **pixels, int *width, int *height) { return 0; }
const char *terrain_image_name(const void *pixels) { return nullptr; }
int         terrain_framebuffer_create(void) { return 0; }
void        terrain_framebuffer_delete(int framebuffer) {}

int terrain_read_rgb_image(data_stream *s, unsigned char **pixels, int *width, int *height)
{
    return image_read_rgb(s, pixels, width, height);
}

int terrain_read_grey_image(data_stream *s, unsigned char **pixels, int *width, int *height)
{
    return image_read_pgm(s, pixels, width, height);
}

int terrain_read_png_grey16(const char *name, std::uint16_t **samples, int *width, int *height)
{
    return image_read_png_grey16(name, samples, width, height);
}

int terrain_write_png_grey16(const char *name, const std::uint16_t *samples, int width, int height)
{
    return image_write_png_grey16(name, samples, width, height);
}

int terrain_png_writer_available(void) { return 1; }

void terrain_draw(terrain_field *t) {}
void terrain_select_lod(terrain_field *t, int depth, int x, int z) {}
void terrain_draw_node(terrain_field *t, int depth, int x, int z) {}
void terrain_bind_patch_texture(terrain_field *t, int depth, int x, int z, int level) {}
void terrain_fan_immediate(terrain_field *t, int depth, int x, int z, int rim_start, int rim_count, int level) {}
void terrain_fan_arrays(terrain_field *t, int depth, int x, int z, int rim_start, int rim_count, int level) {}

void decal_grid_insert(terrain_field *t, int index) {}
void decal_grid_remove(terrain_field *t, int index) {}
void decal_grid_renumber(terrain_field *t, int first, int offset) {}
const int *decal_grid_query(terrain_field *t, float x0, float z0, float x1, float z1, int *count)
{
    *count = 0;
    return nullptr;
}
void decal_request_redraw(terrain_field *t, int index) {}

char *name_replace_suffix(const char *name, const char *ending, const char *replacement)
{
    size_t n = strlen(name), e = strlen(ending), r = strlen(replacement);
    if (n < e || strcmp(name + n - e, ending)) return nullptr;
    char *out = (char *)alloc_or_die(n - e + r + 1);
    memcpy(out, name, n - e);
    memcpy(out + n - e, replacement, r + 1);
    return out;
}

void terrain_compose_texture(terrain_field *t) {}

int terrain_create_lod_textures(terrain_field *t) { return 1; }
int terrain_placeholder_texture(terrain_field *t, int square_size, int brightness) { return 0; }

void terrain_render_block(terrain_field *t, unsigned char *pixels, int x0, int z0, int width, int height)
{
    const int last = t->grid_dim - 1;
    for (int v = 0; v < height; ++v)
        for (int u = 0; u < width; ++u) {
            int x = x0 + u, z = z0 + v;
            x = x < 0 ? 0 : x > last ? last : x;
            z = z < 0 ? 0 : z > last ? last : z;
            long i = (long)z * t->grid_dim + x;
            unsigned char *out = pixels + 3 * ((long)v * width + u);
            if (t->terrain_shader && t->normal_image) {
                if (t->normal_dirty && bit_get(t->normal_dirty, i)) {
                    vertex_normal_bytes(t, x, z, t->normal_image + 3 * i);
                    bit_clear(t->normal_dirty, i);
                }
                memcpy(out, t->normal_image + 3 * i, 3);
            } else {
                if (t->vertex_dirty && bit_get(t->vertex_dirty, i)) {
                    vertex_shade_color(t, x, z, t->shading + 3 * i);
                    bit_clear(t->vertex_dirty, i);
                }
                memcpy(out, t->shading + 3 * i, 3);
            }
        }
}

void terrain_refresh_blocks(terrain_field *t, int budget) {}

void terrain_update(terrain_field *t)
{
    if (!t) return;   // no race ground yet (the title view)
    terrain_build_lod(t, 8000);
    terrain_refresh_blocks(t, 1);
}

void terrain_update_all(terrain_field *t)
{
    if (!t) return;
    terrain_build_lod(t, TERRAIN_BUDGET_UNLIMITED);
    terrain_refresh_blocks(t, 1);
    t->eye_cell_x = TERRAIN_NO_EYE;
}
