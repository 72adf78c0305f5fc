// terrain/terrain_seams.h — what the terrain needs from the rest of the game: the render settings
// it reads, the loading screen, textures and image files. The definitions in terrain_seams.cpp
// forward to the owning modules.
#pragma once
#include <cstdint>

struct data_stream;

// Render settings the ground reads at load and while drawing; the shell fills them at start-up
// from "@config" and the command line.
struct terrain_render_settings {
    float lod_tolerance;          // 0.125 / ground detail, or "--detail"
    int   ground_texture_detail;  // finest ring level used, 0..10; 6 and above: blocks only
    int   ground_texture_size;    // edge of a composed ground texture in texels
    int   ground_mipmaps;
    int   terrain_shader;         // the terrain shader program may be used
    int   framebuffer_objects;    // the framebuffer-object extension is present
    int   debug_level;            // 0, 1 "--debug", 2 "--super-debug"
    int   vertex_arrays;          // fans through vertex arrays; 0 with "--novertexarrays"
};
extern terrain_render_settings terrain_settings;

void terrain_status_reset(const char *text);
void terrain_status_spin(const char *text);
void terrain_status_done(const char *text);

// Textures (0 = none) and in-memory images of the texture and image tables.
int         terrain_texture_load(const char *name);
const char *terrain_texture_name(int texture);
int         terrain_texture_upload_rgb(const unsigned char *pixels, int width, int height);
void        terrain_texture_delete(int texture);
int         terrain_image_load(const char *name, unsigned char **pixels, int *width, int *height);
const char *terrain_image_name(const void *pixels);
int         terrain_framebuffer_create(void);
unsigned long terrain_texture_memory(void);   // bytes of texture memory in use, as counted
void        terrain_framebuffer_delete(int framebuffer);

// Image files of a track folder. Pixels are allocated by the reader; free with mem_free.
int terrain_read_rgb_image(data_stream *s, unsigned char **pixels, int *width, int *height);
int terrain_read_grey_image(data_stream *s, unsigned char **pixels, int *width, int *height);
int terrain_read_png_grey16(const char *name, std::uint16_t **samples, int *width, int *height);
int terrain_write_png_grey16(const char *name, const std::uint16_t *samples, int width, int height);
// 1 when terrain_write_png_grey16 can write; otherwise the heights travel in "terrain.hf".
int terrain_png_writer_available(void);
