// Drawing text with the main font through vertex arrays, and rastering digits into images for
// number plates.
#include "graphics/font.h"
#include <GL/gl.h>
#include <cmath>
#include <cstring>

// Two triangles per quad over its corners 0 1 2 3; the same for every batch.
static const unsigned *glyph_indices(void)
{
    static unsigned indices[GLYPH_BATCH * 6];
    static int ready;
    if (!ready) {
        for (unsigned q = 0; q < GLYPH_BATCH; ++q) {
            static const unsigned corner[6] = {0, 1, 2, 0, 2, 3};
            for (int k = 0; k < 6; ++k) indices[q * 6 + k] = q * 4 + corner[k];
        }
        ready = 1;
    }
    return indices;
}

void draw_glyph_arrays(int count, const float *vertices, const float *texcoords,
                       const unsigned *indices, const float *colours)
{
    glVertexPointer(3, GL_FLOAT, 0, vertices);
    glTexCoordPointer(2, GL_FLOAT, 0, texcoords);
    glColorPointer(4, GL_FLOAT, 0, colours);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glDrawElements(GL_TRIANGLES, count * 6, GL_UNSIGNED_INT, indices);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
}

static void batch_draw(const glyph_batch *batch, void *)
{
    draw_glyph_arrays(batch->count, batch->vertices, batch->texcoords, glyph_indices(), batch->colours);
}

static int only_blanks(const char *text)
{
    for (; *text; ++text)
        if (!(*text == ' ' || (*text >= '\t' && *text <= '\r'))) return 0;
    return 1;
}

void draw_text(float r, float g, float b, float a, const char *text, int flags)
{
    const font *f = font_main();
    if (!text || only_blanks(text) || !f->texture) return;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glBindTexture(GL_TEXTURE_2D, f->texture);
    glyph_batch batch;   // on the stack: text drawing allocates nothing
    text_build_quads(f, r, g, b, a, text, flags, &batch, batch_draw, nullptr);
}

void draw_text_color(float r, float g, float b, float a, const char *text)
{
    draw_text(r, g, b, a, text, TEXT_NORMAL);
}

void draw_text_white(const char *text) { draw_text(1, 1, 1, 1, text, TEXT_NORMAL); }

void draw_text_shadowed(float r, float g, float b, float a, const char *text)
{
    glPushMatrix();
    glTranslatef(1.0f / 16, -1.0f / 16, 0);
    draw_text(0, 0, 0, a / 2, text, TEXT_SHADOW_PASS);
    glPopMatrix();
    draw_text(r, g, b, a, text, TEXT_NORMAL);
}

void draw_text_shadowed_grey(const char *text)
{
    glPushMatrix();
    glTranslatef(1.0f / 16, -1.0f / 16, 0);
    draw_text(0, 0, 0, 0.5f, text, TEXT_SHADOW_PASS);
    glPopMatrix();
    draw_text(0.75f, 0.75f, 0.75f, 1, text, TEXT_NORMAL);
}

void draw_text_centered(float r, float g, float b, float a, float left, float right, const char *text)
{
    glPushMatrix();
    glTranslatef(left + (right - left - text_width(text)) / 2, 0, 0);
    draw_text(r, g, b, a, text, TEXT_NORMAL);
    glPopMatrix();
}

void draw_text_centered_shadowed(float r, float g, float b, float a, float left, float right,
                                 const char *text)
{
    glPushMatrix();
    glTranslatef(left + (right - left - text_width(text)) / 2, 0, 0);
    draw_text_shadowed(r, g, b, a, text);
    glPopMatrix();
}

void draw_text_right_shadowed(float r, float g, float b, float a, float right, const char *text)
{
    glPushMatrix();
    glTranslatef(right - text_width(text), 0, 0);
    draw_text_shadowed(r, g, b, a, text);
    glPopMatrix();
}

// A glyph's cell in whole pixels of the font image. The rectangle holds x / width as a float,
// so the product is rounded back rather than truncated (47 / 100 * 100 is 46.99...).
struct pixel_cell {
    int x, y, w, h;
};

static pixel_cell cell_of(const font *f, unsigned char c)
{
    const float *r = f->rects[c];
    int x0 = (int)std::lround(r[0] * f->width), x1 = (int)std::lround(r[2] * f->width);
    int y0 = (int)std::lround(r[1] * f->height), y1 = (int)std::lround(r[3] * f->height);
    return {x0, y0, x1 - x0, y1 - y0};
}

static void measure(const font *f, const char *text, int *width, int *height)
{
    *width = *height = 0;
    for (const char *p = text; *p;) {
        if (*p == 27) {
            p = text_skip_escape(p);
            continue;
        }
        pixel_cell cell = cell_of(f, (unsigned char)*p++);
        *width += cell.w;
        if (cell.h > *height) *height = cell.h;
    }
}

void text_raster_to_image(unsigned char *pixels, int width, int height, float r, float g, float b,
                          float a, const char *text)
{
    const font *f = font_numbers();
    if (!f->pixels) return;
    int text_w, text_h;
    measure(f, text, &text_w, &text_h);
    if (text_w > width * 9 / 8 && font_numbers_condensed()->pixels) {
        f = font_numbers_condensed();
        measure(f, text, &text_w, &text_h);
    }
    const float colour[4] = {r, g, b, a};
    int x = width / 2 - text_w / 2;
    const int y = height / 2 - text_h / 2;
    for (const char *p = text; *p;) {
        if (*p == 27) {
            p = text_skip_escape(p);
            continue;
        }
        pixel_cell cell = cell_of(f, (unsigned char)*p++);
        for (int row = 0; row < cell.h; ++row) {
            int sy = cell.y + row, dy = y + row;
            if (sy < 0 || sy >= f->height || dy < 0 || dy >= height) continue;
            for (int col = 0; col < cell.w; ++col) {
                int sx = cell.x + col, dx = x + col;
                if (sx < 0 || sx >= f->width || dx < 0 || dx >= width) continue;
                const unsigned char *s = f->pixels + ((std::size_t)sy * f->width + sx) * 4;
                unsigned char *d = pixels + ((std::size_t)dy * width + dx) * 4;
                float k = s[3] / 255.0f * a;
                for (int ch = 0; ch < 4; ++ch) {
                    float v = 255 * (s[ch] / 255.0f * colour[ch] * k + d[ch] / 255.0f * (1 - k));
                    d[ch] = (unsigned char)(v < 0 ? 0 : v > 255 ? 255 : (int)v);
                }
            }
        }
        x += cell.w;
    }
}
