// Turning mip chains into OpenGL textures: power-of-two fitting, detail levels, the
// redundant-detail test, wrap, filters, border colour and compression.
#include "graphics/texture.h"
#include "graphics/font.h"
#include "graphics/glcaps.h"
#include "graphics/image.h"
#include "data/console.h"
#include "data/mem.h"
#include <GL/gl.h>
#include <climits>
#include <cstdio>
#include <cstring>

render_stats_record render_stats;

static int is_power_of_two(int n) { return n > 0 && (n & (n - 1)) == 0; }

static int power_of_two_not_above(int n)
{
    int p = 1;
    while (p <= n / 2) p *= 2;
    return p;
}

static int power_of_two_below(int n) { return n <= 2 ? 1 : power_of_two_not_above(n - 1); }

// A new chain of new_w x new_h sampled nearest from level 0 of pixels.
static unsigned char *resample_nearest(const unsigned char *pixels, int width, int height,
                                       int channels, int new_w, int new_h)
{
    unsigned char *out = (unsigned char *)alloc_or_die(image_chain_bytes(new_w, new_h, channels));
    unsigned char *o = out;
    for (int y = 0; y < new_h; ++y) {
        const unsigned char *row = pixels + (std::size_t)(y * (long long)height / new_h) * width * channels;
        for (int x = 0; x < new_w; ++x, o += channels)
            memcpy(o, row + (std::size_t)(x * (long long)width / new_w) * channels, channels);
    }
    image_build_mips(out, new_w, new_h, channels, 0);
    return out;
}

// Edge colour of an RGB picture: the fullest bin of an 8 x 8 x 8 histogram over the top and
// bottom rows and the left and right columns (corners counted twice).
static void edge_colour(const unsigned char *pixels, int width, int height, float out[4])
{
    static int bins[512];
    memset(bins, 0, sizeof bins);
    auto count = [&](int x, int y) {
        const unsigned char *p = pixels + ((std::size_t)y * width + x) * 3;
        bins[(p[0] * 7 / 255) * 64 + (p[1] * 7 / 255) * 8 + p[2] * 7 / 255]++;
    };
    for (int x = 0; x < width; ++x) { count(x, 0); count(x, height - 1); }
    for (int y = 0; y < height; ++y) { count(0, y); count(width - 1, y); }
    int best = 0;
    for (int i = 1; i < 512; ++i)
        if (bins[i] > bins[best]) best = i;
    out[0] = (best / 64) / 7.0f;
    out[1] = (best / 8 % 8) / 7.0f;
    out[2] = (best % 8) / 7.0f;
    out[3] = 0;
}

static texture_upload_fn g_upload_stand_in;

void texture_set_upload(texture_upload_fn upload) { g_upload_stand_in = upload; }

unsigned texture_upload_gl(const unsigned char *pixels, int width, int height, int channels, int options)
{
    if (g_upload_stand_in) return g_upload_stand_in(pixels, width, height, channels, options);
    GLenum format = channels == 4 ? GL_RGBA : GL_RGB;
    GLenum internal = format;
    int compress = (options & TEXTURE_COMPRESS) && gl_caps.major > 1;
    if (compress) internal = channels == 4 ? GL_COMPRESSED_RGBA : GL_COMPRESSED_RGB;

    GLuint id = 0;
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, options & TEXTURE_REPEAT_S ? GL_REPEAT : GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, options & TEXTURE_REPEAT_T ? GL_REPEAT : GL_CLAMP);
    for (int i = 0; i < 32 && glGetError() != GL_NO_ERROR; ++i) {}
    if (!(options & TEXTURE_REPEAT_S)) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    if (!(options & TEXTURE_REPEAT_T)) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    int no_edge_clamp = glGetError() != GL_NO_ERROR;
    GLint min_filter = no_edge_clamp ? (options & TEXTURE_NO_MIPS ? GL_NEAREST : GL_NEAREST_MIPMAP_NEAREST)
                                     : (options & TEXTURE_NO_MIPS ? GL_LINEAR : GL_LINEAR_MIPMAP_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, min_filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);

    float border[4] = {0, 0, 0, 0};
    if (channels == 3) edge_colour(pixels, width, height, border);
    glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, border);

    // Our chains have no row padding, whatever the frame code left the unpack alignment at.
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    int w = width, h = height;
    for (int level = 0;; ++level) {
        glTexImage2D(GL_TEXTURE_2D, level, (GLint)internal, w, h, 0, format, GL_UNSIGNED_BYTE, pixels);
        unsigned bytes = (unsigned)w * h * channels;
        if (compress) {
            // A driver may keep a generic compressed format uncompressed; then it has no
            // compressed size to report.
            GLint compressed = 0, size = 0;
            glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_COMPRESSED, &compressed);
            if (compressed) {
                glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_COMPRESSED_IMAGE_SIZE, &size);
                bytes = (unsigned)size;
            }
        }
        render_stats.texture_bytes += bytes;
        if ((options & TEXTURE_NO_MIPS) || (w == 1 && h == 1)) break;
        pixels += (std::size_t)w * h * channels;
        image_next_level(&w, &h);
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    glBindTexture(GL_TEXTURE_2D, 0);
    return id;
}

unsigned texture_upload(const unsigned char *pixels, int width, int height, int channels)
{
    return texture_upload_gl(pixels, width, height, channels, 0);
}

unsigned texture_upload_nomip(const unsigned char *pixels, int width, int height, int channels)
{
    return texture_upload_gl(pixels, width, height, channels, TEXTURE_NO_MIPS);
}

// 1 when every pixel of the level is within 4 of its prediction from the next level: weights
// 3/4 and 1/4 towards the nearer of two neighbouring texels, horizontally and then vertically.
static int next_level_reproduces(const unsigned char *level, int width, int height, int channels)
{
    const unsigned char *next = level + (std::size_t)width * height * channels;
    int nw = width, nh = height;
    image_next_level(&nw, &nh);
    for (int y = 0; y < height; ++y) {
        int top = (y + 1) / 2 - 1 < 0 ? 0 : (y + 1) / 2 - 1;
        int bottom = (y + 1) / 2 < nh - 1 ? (y + 1) / 2 : nh - 1;
        for (int x = 0; x < width; ++x) {
            int left = (x + 1) / 2 - 1 < 0 ? 0 : (x + 1) / 2 - 1;
            int right = (x + 1) / 2 < nw - 1 ? (x + 1) / 2 : nw - 1;
            const unsigned char *tl = next + ((std::size_t)top * nw + left) * channels;
            const unsigned char *tr = next + ((std::size_t)top * nw + right) * channels;
            const unsigned char *bl = next + ((std::size_t)bottom * nw + left) * channels;
            const unsigned char *br = next + ((std::size_t)bottom * nw + right) * channels;
            const unsigned char *p = level + ((std::size_t)y * width + x) * channels;
            for (int c = 0; c < channels; ++c) {
                int upper = x & 1 ? (3 * tl[c] + tr[c]) >> 2 : (tl[c] + 3 * tr[c]) >> 2;
                int lower = x & 1 ? (3 * bl[c] + br[c]) >> 2 : (bl[c] + 3 * br[c]) >> 2;
                int guess = y & 1 ? (3 * upper + lower) >> 2 : (upper + 3 * lower) >> 2;
                int diff = p[c] - guess;
                if (diff > 4 || diff < -4) return 0;
            }
        }
    }
    return 1;
}

unsigned texture_prepare(const unsigned char *pixels, int width, int height, int channels,
                         int levels_to_drop, int options, const char *name)
{
    if (!is_power_of_two(width) || !is_power_of_two(height)) {
        int nw = power_of_two_below(width), nh = power_of_two_below(height);
        unsigned char *fitted = resample_nearest(pixels, width, height, channels, nw, nh);
        unsigned id = texture_prepare(fitted, nw, nh, channels, levels_to_drop, options, name);
        mem_free(fitted);
        return id;
    }
    int w = width, h = height;
    for (; levels_to_drop > 0 && w > 128 && h > 128; --levels_to_drop) {
        pixels += (std::size_t)w * h * channels;
        image_next_level(&w, &h);
    }
    int entry_w = width, entry_h = height, skipped = 0;
    while ((w > 16 || h > 16) && next_level_reproduces(pixels, w, h, channels)) {
        pixels += (std::size_t)w * h * channels;
        image_next_level(&w, &h);
        skipped++;
    }
    if (skipped && name) {
        char line[160];
        snprintf(line, sizeof line, "%.64s reduced to %dx%d (originally %dx%d)", name, w, h, entry_w, entry_h);
        console_print(line);
    }
    return texture_upload_gl(pixels, w, h, channels, options);
}

void image_fit_levels(unsigned char **pixels, int *width, int *height, int channels,
                      int pixel_limit, int levels_to_drop)
{
    int w = *width, h = *height;
    if (!is_power_of_two(w) || !is_power_of_two(h)) {
        int nw = power_of_two_not_above(w), nh = power_of_two_not_above(h);
        unsigned char *fitted = resample_nearest(*pixels, w, h, channels, nw, nh);
        mem_free(*pixels);
        *pixels = fitted;
        w = nw;
        h = nh;
    }
    long long limit = pixel_limit > 0 ? pixel_limit : LLONG_MAX;
    const unsigned char *base = *pixels;
    int skipped = 0;
    while ((levels_to_drop > 0 || (long long)w * h > limit) && (long long)w * h > 16384) {
        base += (std::size_t)w * h * channels;
        image_next_level(&w, &h);
        if (levels_to_drop > 0) levels_to_drop--;
        skipped++;
    }
    if (skipped) {
        std::size_t bytes = image_chain_bytes(w, h, channels);
        unsigned char *copy = (unsigned char *)alloc_or_die(bytes);
        memcpy(copy, base, bytes);
        mem_free(*pixels);
        *pixels = copy;
    }
    *width = w;
    *height = h;
}

unsigned texture_from_text(const char *text, int width, int height,
                           const unsigned char *colour_full, const unsigned char *colour_zero)
{
    if (!image_size_ok(width, height)) return 0;
    unsigned char *pixels = (unsigned char *)alloc_or_die(image_chain_bytes(width, height, 4));
    std::size_t area = (std::size_t)width * height;
    for (std::size_t i = 0; i < area; ++i) {
        unsigned char *p = pixels + i * 4;
        p[0] = p[1] = p[2] = 255;
        p[3] = 0;
    }
    // Black digits: level 0 keeps 255 where there is no text, so colour_zero colours the digits.
    text_raster_to_image(pixels, width, height, 0, 0, 0, 1, text);
    for (std::size_t i = 0; i < area; ++i)
        for (int c = 0; c < 3; ++c) {
            unsigned char *p = pixels + i * 4 + c;
            *p = (unsigned char)(int)(colour_zero[c] + (colour_full[c] - colour_zero[c]) * (*p / 255.0f));
        }
    image_build_mips(pixels, width, height, 4, 0);
    // The edge of every level stays transparent so the plate does not bleed when filtered.
    unsigned char *level = pixels;
    int w = width, h = height;
    for (;;) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (y == 0 || y == h - 1 || x == 0 || x == w - 1) {
                    unsigned char *p = level + ((std::size_t)y * w + x) * 4;
                    p[0] = p[1] = p[2] = 255;
                    p[3] = 0;
                }
        if (w == 1 && h == 1) break;
        level += (std::size_t)w * h * 4;
        image_next_level(&w, &h);
    }
    unsigned id = texture_upload_gl(pixels, width, height, 4, 0);
    mem_free(pixels);
    return id;
}
