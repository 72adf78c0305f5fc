// Where the ground meets the rest of the game: its render settings, the loading screen (a
// stand-in still), and textures and image files forwarded to their modules.
#include "terrain/terrain_seams.h"
#include "graphics/glcaps.h"
#include "graphics/image.h"
#include "graphics/png.h"
#include "graphics/texture.h"
#include "shell/loading.h"

terrain_render_settings terrain_settings = {
    0.125f,   // lod_tolerance: 0.125 / ground detail 1
    0,        // ground_texture_detail
    256,      // ground_texture_size
    1,        // ground_mipmaps
    0,        // terrain_shader
    0,        // framebuffer_objects
    0,        // debug_level
    1,        // vertex_arrays
};

void terrain_status_reset(const char *text) { loading_status_reset(text); }
void terrain_status_spin(const char *text) { loading_status_spin(text); }
void terrain_status_done(const char *text) { loading_status_done(text); }

int terrain_texture_load(const char *name) { return (int)texture_load(name); }

const char *terrain_texture_name(int texture)
{
    int index = -1;
    return texture ? texture_find_by_id((unsigned)texture, &index) : nullptr;
}

// A plain texture without mip levels (the low-detail colour blocks).
int terrain_texture_upload_rgb(const unsigned char *pixels, int width, int height)
{
    return (int)texture_upload_nomip(pixels, width, height, 3);
}

void terrain_texture_delete(int texture)
{
    GLuint id = (GLuint)texture;
    if (id) glDeleteTextures(1, &id);
}

int terrain_image_load(const char *name, unsigned char **pixels, int *width, int *height)
{
    return image_load_by_name(name, pixels, width, height);
}

const char *terrain_image_name(const void *pixels)
{
    int index = -1;
    return pixels ? image_find_by_pixels((const unsigned char *)pixels, &index) : nullptr;
}

unsigned long terrain_texture_memory(void) { return render_stats.texture_bytes; }

int terrain_framebuffer_create(void)
{
    if (!gl_ext.glGenFramebuffersEXT) return 0;
    GLuint fb = 0;
    gl_ext.glGenFramebuffersEXT(1, &fb);
    return (int)fb;
}

void terrain_framebuffer_delete(int framebuffer)
{
    GLuint fb = (GLuint)framebuffer;
    if (fb && gl_ext.glDeleteFramebuffersEXT) gl_ext.glDeleteFramebuffersEXT(1, &fb);
}

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
