// Cutting font images into glyph cells, measuring text, and the three fonts of the run.
#include "graphics/font.h"
#include "graphics/image.h"
#include "graphics/png.h"
#include "graphics/texture.h"
#include "data/console.h"
#include "data/mem.h"
#include <GL/gl.h>
#include <cmath>
#include <cstdio>
#include <cstring>

static struct {
    font main, numbers, condensed;
} g_fonts;

const float text_palette[16][4] = {
    {0, 0, 0, 1},          {0.75f, 0, 0, 1},    {0, 0.75f, 0, 1},    {0.75f, 0.75f, 0, 1},
    {0, 0, 0.75f, 1},      {0.75f, 0, 0.75f, 1}, {0, 0.75f, 0.75f, 1}, {0.75f, 0.75f, 0.75f, 1},
    {0, 0, 0, 1},          {1, 0, 0, 1},        {0, 1, 0, 1},        {1, 1, 0, 1},
    {0, 0, 1, 1},          {1, 0, 1, 1},        {0, 1, 1, 1},        {1, 1, 1, 1},
};

const font *font_main(void) { return &g_fonts.main; }
const font *font_numbers(void) { return &g_fonts.numbers; }
const font *font_numbers_condensed(void) { return &g_fonts.condensed; }

static void font_clear(font *f)
{
    f->texture = 0;
    f->pixels = nullptr;
    f->width = f->height = 0;
    memset(f->rects, 0, sizeof f->rects);
    for (float &a : f->advances) a = 2.0f / 3.0f;
}

static std::uint32_t pixel_at(const unsigned char *p, int width, int x, int y)
{
    std::uint32_t v;
    memcpy(&v, p + ((std::size_t)y * width + x) * 4, 4);
    return v;
}

// The first separator column after x in row y, or the width.
static int next_column(const unsigned char *p, int width, int y, int x, std::uint32_t sep)
{
    if (x >= width) return width;   // the cell before ended at the right edge
    for (++x; x < width; ++x)
        if (pixel_at(p, width, x, y) == sep) break;
    return x;
}

// The first separator row after y in column 0, or the height.
static int next_row(const unsigned char *p, int width, int height, int y, std::uint32_t sep)
{
    for (++y; y < height; ++y)
        if (pixel_at(p, width, 0, y) == sep) break;
    return y;
}

void font_load(font *f, const char *name, const char *charset)
{
    font_clear(f);
    unsigned char *level0 = nullptr;
    int width = 0, height = 0;
    if (!image_load_for_font(name, &level0, &width, &height)) {
        char line[600];
        snprintf(line, sizeof line, "Can't open font '%.512s'", name);
        console_print(line);
        return;
    }
    const std::uint32_t sep = pixel_at(level0, width, 0, 0);

    int y0 = 0, x0 = 0;
    int x1 = next_column(level0, width, 0, 0, sep);
    int y1 = next_row(level0, width, height, 0, sep);
    for (const unsigned char *c = (const unsigned char *)charset; *c; ++c) {
        if (x1 == width) {
            y0 = y1 == height ? 0 : y1;
            x0 = 0;
            x1 = next_column(level0, width, y0, 0, sep);
            y1 = next_row(level0, width, height, y0, sep);
        }
        float *r = f->rects[*c];
        r[0] = (float)x0 / width;
        r[1] = (float)y0 / height;
        r[2] = (float)x1 / width;
        r[3] = (float)y1 / height;
        f->advances[*c] = (float)(x1 - x0) / (float)(y1 - y0);
        x0 = x1;
        x1 = next_column(level0, width, y0, x1, sep);
    }
    f->advances[(int)' '] = f->rects[(int)'-'][2] > f->rects[(int)'-'][0] ? f->advances[(int)'-'] : 2.0f / 3.0f;

    // The separators become transparent edges of the glyphs; sep keeps the colour compared
    // against, so the top-left pixel may change with the rest.
    static const unsigned char clear[4] = {255, 255, 255, 0};
    for (int y = 0; y < height; ++y) {
        if (y != 0 && pixel_at(level0, width, 0, y) != sep) continue;
        for (int x = 0; x < width; ++x)
            if (x == 0 || pixel_at(level0, width, x, y) == sep)
                memcpy(level0 + ((std::size_t)y * width + x) * 4, clear, 4);
    }

    unsigned char *chain = (unsigned char *)alloc_or_die(image_chain_bytes(width, height, 4));
    memcpy(chain, level0, (std::size_t)width * height * 4);
    mem_free(level0);
    image_build_mips_rgba(chain, width, height);
    f->pixels = chain;
    f->width = width;
    f->height = height;
}

void font_free(font *f)
{
    if (f->texture) {
        GLuint id = f->texture;
        glDeleteTextures(1, &id);
    }
    mem_free(f->pixels);
    font_clear(f);
}

void fonts_load(void)
{
    static char charset[95];
    for (int c = '!'; c <= '~'; ++c) charset[c - '!'] = (char)c;
    font_load(&g_fonts.main, "@font.png", charset);
    if (g_fonts.main.pixels) {
        g_fonts.main.texture = texture_upload(g_fonts.main.pixels, g_fonts.main.width, g_fonts.main.height, 4);
        mem_free(g_fonts.main.pixels);
        g_fonts.main.pixels = nullptr;
    }
    font_load(&g_fonts.numbers, "@numbers.png", "0123456789");
    font_load(&g_fonts.condensed, "@numbers-condensed.png", "0123456789");
}

void fonts_free(void)
{
    font_free(&g_fonts.main);
    font_free(&g_fonts.numbers);
    font_free(&g_fonts.condensed);
}

const char *text_skip_escape(const char *p)
{
    ++p;
    if (*p == '[') ++p;
    for (; *p; ++p)
        if (*p >= '@' && *p <= '~') return p + 1;
    return p;
}

// The next multiple of 8 space advances strictly beyond w. A font whose space has no width
// leaves w alone rather than dividing by zero.
static float tab_stop(const font *f, float w)
{
    float step = 8 * f->advances[(int)' '];
    if (!(step > 0)) return w;
    return (std::floor(w / step) + 1) * step;
}

float font_text_width(const font *f, const char *text)
{
    float w = 0;
    for (const char *p = text; *p;) {
        unsigned char c = (unsigned char)*p;
        if (c == 27) {
            p = text_skip_escape(p);
            continue;
        }
        if (c == '\t') w = tab_stop(f, w);
        else if (c == '\r' || c == '\n') w = 0;
        else w += f->advances[c];
        ++p;
    }
    return w;
}

float text_width(const char *text) { return font_text_width(&g_fonts.main, text); }

// Reads "ESC [ params final" at p (p at the ESC) and applies an SGR "m" to flags. Returns the
// position after the sequence.
static const char *apply_escape(const char *p, int *flags)
{
    const char *end = text_skip_escape(p);
    if ((*flags & TEXT_RAW) || p[1] != '[') return end;
    int params[64], count = 0;
    const char *q = p + 2;
    for (;;) {
        int value = 0, digits = 0;
        for (; *q >= '0' && *q <= '9'; ++q, ++digits)
            if (value < 100000) value = value * 10 + (*q - '0');   // huge numbers stay huge, no overflow
        if (*q == ';') {
            if (count < 64) params[count++] = value;
            ++q;
            continue;
        }
        if (digits && count < 64) params[count++] = value;
        break;
    }
    while (*q && !(*q >= '@' && *q <= '~')) ++q;   // intermediate bytes up to the final one
    if (*q != 'm') return end;
    if (count == 0) *flags = TEXT_NORMAL;
    for (int i = 0; i < count; ++i) {
        int code = params[i];
        if (code == 0) *flags = TEXT_NORMAL;
        else if (code == 1) *flags |= TEXT_BRIGHT;
        else if (code == 22) *flags &= ~TEXT_BRIGHT;
        else if (code >= 30 && code <= 37) {
            if (!(*flags & TEXT_SHADOW)) *flags = (*flags & TEXT_BRIGHT) | (code - 30);
        } else if (code >= 40 && code <= 47) {
            if (*flags & TEXT_SHADOW) *flags = (*flags & TEXT_BRIGHT) | (code - 40);
        }
    }
    return end;
}

static void quad_colour(float r, float g, float b, float a, int flags, float out[4])
{
    if (flags & TEXT_CALLER_COLOUR) {
        out[0] = r;
        out[1] = g;
        out[2] = b;
        if (flags & TEXT_BRIGHT)
            for (int i = 0; i < 3; ++i) out[i] = std::fmin(out[i] + 0.25f, 1.0f);
    } else {
        const float *c = text_palette[flags & TEXT_PALETTE_MASK];
        out[0] = c[0];
        out[1] = c[1];
        out[2] = c[2];
    }
    out[3] = a;
}

int text_build_quads(const font *f, float r, float g, float b, float a, const char *text, int flags,
                     glyph_batch *batch, glyph_batch_sink sink, void *ctx)
{
    int total = 0;
    float x = 0, y = 0;
    batch->count = 0;
    for (const char *p = text; *p;) {
        unsigned char c = (unsigned char)*p;
        if (c == 27) {
            p = apply_escape(p, &flags);
            continue;
        }
        ++p;
        if (c == ' ') x += f->advances[(int)' '];
        else if (c == '\r') x = 0;
        else if (c == '\n') x = 0, y -= 1;
        else if (c == '\t') x = tab_stop(f, x);
        else {
            const float *rect = f->rects[c];
            float w = f->advances[c];
            int n = batch->count;
            float *v = batch->vertices + n * 12;
            float *t = batch->texcoords + n * 8;
            float *col = batch->colours + n * 16;
            const float corners[4][4] = {
                {x, y + 1, rect[0], rect[1]},
                {x, y, rect[0], rect[3]},
                {x + w, y, rect[2], rect[3]},
                {x + w, y + 1, rect[2], rect[1]},
            };
            float colour[4];
            quad_colour(r, g, b, a, flags, colour);
            for (int k = 0; k < 4; ++k) {
                v[k * 3] = corners[k][0];
                v[k * 3 + 1] = corners[k][1];
                v[k * 3 + 2] = 0;
                t[k * 2] = corners[k][2];
                t[k * 2 + 1] = corners[k][3];
                memcpy(col + k * 4, colour, sizeof colour);
            }
            x += w;
            ++total;
            if (++batch->count == GLYPH_BATCH) {
                sink(batch, ctx);
                batch->count = 0;
            }
        }
    }
    if (batch->count) sink(batch, ctx);
    batch->count = 0;
    return total;
}
