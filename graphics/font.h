// graphics/font.h — the bitmap fonts and text drawing. The main font draws every text on screen;
// the two digit fonts (numbers and condensed numbers) stay as pixels for number plates.
//
// A font image is cut into cells by a separator colour, the RGBA value of its top-left pixel:
// in column 0 a separator pixel marks the top row of each band of glyphs, and in that top row a
// separator pixel marks the left edge of each cell. The separators become transparent edges.
// The last cell of a band (from its last separator to the right edge) holds no glyph.
//
// Text units: one unit is one line height; a glyph covers x .. x + advance and y .. y + 1, a line
// feed moves down one unit. Texts may carry ANSI SGR colour escapes (ESC [ ... m).
#pragma once

struct font {
    unsigned       texture;      // 0 when the font has none (the digit fonts never have one)
    unsigned char *pixels;       // RGBA chain, kept for the digit fonts only
    int            width, height;
    float          rects[256][4];  // u0, v0 (top left), u1, v1; all 0 when not in the font
    float          advances[256];  // cell width / cell height; 2/3 when not in the font
};

// Text flags handed to draw_text; escapes change them while a text is drawn.
enum {
    TEXT_PALETTE_MASK = 0x0F,
    TEXT_BRIGHT = 0x08,        // SGR 1; with TEXT_CALLER_COLOUR it brightens the caller's colour
    TEXT_CALLER_COLOUR = 0x10,
    TEXT_SHADOW = 0x20,        // foreground codes ignored, background codes pick the colour
    TEXT_RAW = 0x40,           // escapes skipped but not interpreted
    TEXT_NORMAL = 16,
    TEXT_SHADOW_PASS = 48,
};

extern const float text_palette[16][4];

enum { GLYPH_BATCH = 256 };   // quads per draw call

// One batch of glyph quads as the vertex arrays want them: four corners per quad (top left,
// bottom left, bottom right, top right), each with x y z, u v and r g b a.
struct glyph_batch {
    int   count;
    float vertices[GLYPH_BATCH * 4 * 3];
    float texcoords[GLYPH_BATCH * 4 * 2];
    float colours[GLYPH_BATCH * 4 * 4];
};
typedef void (*glyph_batch_sink)(const glyph_batch *batch, void *ctx);

void fonts_load(void);
void fonts_free(void);
// Fills f from the image: rectangles and advances of the charset's characters in order, the
// separators made transparent, the mip chain built into f->pixels (no texture). A missing image
// is reported on the console and leaves f empty.
void font_load(font *f, const char *name, const char *charset);
void font_free(font *f);

const font *font_main(void);
const font *font_numbers(void);
const font *font_numbers_condensed(void);

// Past an escape sequence starting at p (which points at the ESC): ESC, an optional "[", then
// up to and including the first byte in "@".."~"; the end of the text when it ends inside.
const char *text_skip_escape(const char *p);

// Width of the text's last line in text units.
float font_text_width(const font *f, const char *text);
float text_width(const char *text);   // with the main font

// Lays the text out from the pen at (0, 0) into quads, handing every full batch and then the
// rest to sink. Returns the number of quads.
int text_build_quads(const font *f, float r, float g, float b, float a, const char *text, int flags,
                     glyph_batch *batch, glyph_batch_sink sink, void *ctx);

void draw_glyph_arrays(int count, const float *vertices, const float *texcoords,
                       const unsigned *indices, const float *colours);
void draw_text(float r, float g, float b, float a, const char *text, int flags);

void draw_text_color(float r, float g, float b, float a, const char *text);
void draw_text_white(const char *text);
void draw_text_shadowed(float r, float g, float b, float a, const char *text);
void draw_text_shadowed_grey(const char *text);
void draw_text_centered(float r, float g, float b, float a, float left, float right, const char *text);
void draw_text_centered_shadowed(float r, float g, float b, float a, float left, float right,
                                 const char *text);
void draw_text_right_shadowed(float r, float g, float b, float a, float right, const char *text);

// Blends the text in the numbers font (the condensed one when it is too wide) into the middle
// of a width x height RGBA level; colour r, g, b and alpha a.
void text_raster_to_image(unsigned char *pixels, int width, int height, float r, float g, float b,
                          float a, const char *text);
