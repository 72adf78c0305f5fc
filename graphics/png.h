// graphics/png.h — PNG pictures through libpng, read and written through data streams (so they
// may lie in archives and gzip members).
#pragma once

// An RGB or RGBA mip chain (channels 3 or 4) and the texture text: the text of every tEXt,
// zTXt and iTXt chunk (before the image data, then after it) followed by the whole ".info"
// side file (name + ".info"); null when there is none. The caller frees both with mem_free.
// "[mip_max_alpha]" in the text keeps the largest alpha when halving; "[mip_custom]" takes
// the smaller levels from the picture itself (level 0 is its top two thirds).
int image_read_png(const char *name, unsigned char **pixels, int *width, int *height,
                   int *channels, char **text);

// One unsigned 16-bit little-endian sample per pixel, rows top to bottom; any PNG colour type
// arrives as grey, 8-bit files widened to value x 257.
int image_read_png_grey16(const char *name, unsigned short **samples, int *width, int *height);
int image_write_png_grey16(const char *name, const unsigned short *samples, int width, int height);

// pixels are RGB rows bottom to top, as OpenGL reads a frame; the picture comes out upright.
int image_write_png_rgb(const char *name, const unsigned char *pixels, int width, int height);

// RGBA level 0 for the font loader: a PNG (RGB gets alpha 255), else a K6/K7 file.
int image_load_for_font(const char *name, unsigned char **pixels, int *width, int *height);

// Finds a "[key]" in a texture text; null text finds nothing.
int image_text_has(const char *text, const char *key);
