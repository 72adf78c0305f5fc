// Mip chains: sizes and the 2 x 2 box filter that makes each level from the one above.
#include "graphics/image.h"

std::size_t image_chain_bytes(int width, int height, int channels)
{
    if (width < 1 || height < 1 || channels < 1) return 0;
    std::size_t total = 0;
    for (;;) {
        total += (std::size_t)width * (std::size_t)height;
        if (width == 1 && height == 1) break;
        image_next_level(&width, &height);
    }
    return total * (std::size_t)channels;
}

void image_next_level(int *width, int *height)
{
    *width = *width > 1 ? *width / 2 : 1;
    *height = *height > 1 ? *height / 2 : 1;
}

int image_size_ok(long long width, long long height)
{
    return width >= 1 && height >= 1 && width <= IMAGE_MAX_SIDE && height <= IMAGE_MAX_SIDE &&
           width * height <= IMAGE_MAX_PIXELS;
}

// Alpha-weighted mean of two RGBA pixels, so a transparent pixel does not darken its neighbour.
static void halve_pair_rgba(const unsigned char *a, const unsigned char *b, unsigned char *out,
                            int flags)
{
    unsigned a0 = a[3], a1 = b[3], sum = a0 + a1;
    for (int c = 0; c < 3; ++c)
        out[c] = (unsigned char)(sum != 0 && sum != 510 ? (a[c] * a0 + b[c] * a1) / sum
                                                        : (a[c] + b[c]) / 2);
    out[3] = (unsigned char)(flags & IMAGE_HALVE_MAX_ALPHA ? (a0 > a1 ? a0 : a1) : sum / 2);
}

void image_halve_row_rgba(unsigned char *row, int count, int flags)
{
    unsigned char *out = row + (std::size_t)count * 4;
    for (int i = 0; i + 1 < count; i += 2, out += 4)
        halve_pair_rgba(row + i * 4, row + i * 4 + 4, out, flags);
}

static void halve_row_plain(unsigned char *row, int count, int channels)
{
    unsigned char *out = row + (std::size_t)count * channels;
    for (int i = 0; i + 1 < count; i += 2)
        for (int c = 0; c < channels; ++c)
            *out++ = (unsigned char)((row[i * channels + c] + row[(i + 1) * channels + c]) / 2);
}

static void halve_block_rgba(const unsigned char *p0, const unsigned char *p1,
                             const unsigned char *p2, const unsigned char *p3, unsigned char *out,
                             int flags)
{
    unsigned a0 = p0[3], a1 = p1[3], a2 = p2[3], a3 = p3[3];
    unsigned sum = a0 + a1 + a2 + a3;
    for (int c = 0; c < 3; ++c) {
        if (sum != 0 && sum != 1020)
            out[c] = (unsigned char)((p0[c] * a0 + p1[c] * a1 + p2[c] * a2 + p3[c] * a3) / sum);
        else
            out[c] = (unsigned char)((p0[c] + p1[c] + p2[c] + p3[c]) / 4);
    }
    if (flags & IMAGE_HALVE_MAX_ALPHA) {
        unsigned m = a0 > a1 ? a0 : a1;
        unsigned n = a2 > a3 ? a2 : a3;
        out[3] = (unsigned char)(m > n ? m : n);
    } else {
        out[3] = (unsigned char)(sum >> 2);
    }
}

void image_halve(unsigned char *level, int width, int height, int channels, int flags)
{
    if (width <= 1 && height <= 1) return;
    if (width == 1 || height == 1) {
        int count = width > height ? width : height;
        if (channels == 4) image_halve_row_rgba(level, count, flags);
        else halve_row_plain(level, count, channels);
        return;
    }
    std::size_t stride = (std::size_t)width * channels;
    unsigned char *out = level + stride * height;
    int w2 = width / 2, h2 = height / 2;
    for (int y = 0; y < h2; ++y) {
        const unsigned char *r0 = level + stride * (2 * y);
        const unsigned char *r1 = r0 + stride;
        for (int x = 0; x < w2; ++x) {
            const unsigned char *p0 = r0 + 2 * x * channels, *p1 = p0 + channels;
            const unsigned char *p2 = r1 + 2 * x * channels, *p3 = p2 + channels;
            if (channels == 4) {
                halve_block_rgba(p0, p1, p2, p3, out, flags);
            } else {
                for (int c = 0; c < channels; ++c)
                    out[c] = (unsigned char)((p0[c] + p1[c] + p2[c] + p3[c]) / 4);
            }
            out += channels;
        }
    }
}

void image_build_mips(unsigned char *pixels, int width, int height, int channels, int flags)
{
    while ((long long)width * height > 1) {
        image_halve(pixels, width, height, channels, flags);
        pixels += (std::size_t)width * height * channels;
        image_next_level(&width, &height);
    }
}

void image_build_mips_rgb(unsigned char *pixels, int width, int height)
{
    image_build_mips(pixels, width, height, 3, 0);
}

void image_build_mips_rgba(unsigned char *pixels, int width, int height)
{
    image_build_mips(pixels, width, height, 4, 0);
}
