// The simple image files: PPM, PGM and our predictive K6/K7.
//
//   PPM  "P6" or "P3", width, height, maximum value; "#" comment lines may come before each
//        number. P6: one white-space byte, then width x height x 3 bytes. P3: text samples.
//   PGM  the same with "P5" (binary) or "P2" (text), one sample per pixel.
//   K6/K7 "K6" or "K7", width, height (comments allowed, no maximum), one white-space byte,
//        then per pixel 3 (K6) or 4 (K7) bytes, rows top to bottom: each byte is the channel's
//        value minus its prediction, modulo 256. The prediction is 0 for the first pixel, the
//        left neighbour along the top row, the one above down the left column, and elsewhere
//        left + above - above-left clamped to 0..255.
//
// Bad headers are refused; a body shorter than its header says reads as zeros.
#include "graphics/image.h"
#include "data/console.h"
#include "data/mem.h"
#include "data/stream.h"
#include <climits>
#include <cstdio>
#include <cstring>

static int is_space(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

static void skip_line(data_stream *s)
{
    int c;
    while ((c = data_getc(s)) >= 0 && c != '\n') {}
}

int image_scan_word(data_stream *s, char *word, int size)
{
    int c;
    while ((c = data_getc(s)) >= 0 && is_space(c)) {}
    int n = 0;
    while (c >= 0 && !is_space(c)) {
        if (n < size - 1) word[n++] = (char)c;
        c = data_getc(s);
    }
    if (size > 0) word[n < size ? n : size - 1] = 0;
    return n > 0;
}

// 1 with a number, 0 when something else stands there, -1 at the end of the stream.
static int scan_number(data_stream *s, int *value)
{
    *value = -1;
    int c;
    for (;;) {
        c = data_getc(s);
        if (c < 0) return -1;
        if (is_space(c)) continue;
        if (c == '#') { skip_line(s); continue; }
        break;
    }
    int negative = 0;
    if (c == '-' || c == '+') { negative = c == '-'; c = data_getc(s); }
    long long v = 0;
    int digits = 0;
    while (c >= '0' && c <= '9') {
        if (v <= INT_MAX) v = v * 10 + (c - '0');
        digits++;
        c = data_getc(s);
    }
    if (c == '#') skip_line(s);
    if (!digits) return 0;
    if (v > INT_MAX) v = INT_MAX;
    *value = (int)(negative ? -v : v);
    return 1;
}

int image_scan_number(data_stream *s, int *value) { return scan_number(s, value) > 0; }

// Width, height and (when wanted) maximum value of a PPM, PGM or K header.
static int read_header(data_stream *s, int *width, int *height, int *maxval)
{
    int w, h, m = 255;
    scan_number(s, &w);
    scan_number(s, &h);
    if (maxval) scan_number(s, &m);
    if (w < 0 || h < 0 || m < 0) return 0;
    if (!image_size_ok(w, h)) {
        char line[96];
        snprintf(line, sizeof line, "Warning: image size %dx%d refused\n", w, h);
        console_print(line);
        return 0;
    }
    *width = w;
    *height = h;
    if (maxval) *maxval = m;
    return 1;
}

// Maximum values the body can be read with: never 0, one byte per binary sample.
static int maxval_ok(int maxval, int binary)
{
    const char *why = nullptr;
    if (maxval == 0) why = "0";
    else if (binary && maxval > 255) why = "above 255 in a binary image";
    else if (maxval > 65535) why = "above 65535";
    if (!why) return 1;
    char line[96];
    snprintf(line, sizeof line, "Warning: image maximum value %s refused\n", why);
    console_print(line);
    return 0;
}

static void read_body(data_stream *s, unsigned char *out, std::size_t count)
{
    int got = data_read(s, out, (int)count);
    if (got < 0) got = 0;
    if ((std::size_t)got < count) {
        memset(out + got, 0, count - got);
        console_print("Warning: image data ends early\n");
    }
}

static unsigned char scale_sample(long long value, int maxval)
{
    long long v = value * 255 / maxval;
    return (unsigned char)(v < 0 ? 0 : v > 255 ? 255 : v);
}

// The samples of a P6/P5 or P3/P2 body, rescaled to 0..255.
static void read_samples(data_stream *s, unsigned char *out, std::size_t count, int binary,
                         int maxval)
{
    if (binary) {
        read_body(s, out, count);
        if (maxval != 255)
            for (std::size_t i = 0; i < count; ++i) out[i] = scale_sample(out[i], maxval);
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        int v;
        if (scan_number(s, &v) < 0) {
            memset(out + i, 0, count - i);
            console_print("Warning: image data ends early\n");
            return;
        }
        out[i] = scale_sample(v, maxval);
    }
}

int image_read_ppm(const char *first_word, data_stream *s, unsigned char **pixels, int *width,
                   int *height)
{
    int binary = !strcmp(first_word, "P6");
    if (!binary && strcmp(first_word, "P3")) return 0;
    int w, h, maxval;
    if (!read_header(s, &w, &h, &maxval) || !maxval_ok(maxval, binary)) return 0;
    unsigned char *p = (unsigned char *)alloc_or_die(image_chain_bytes(w, h, 3));
    read_samples(s, p, (std::size_t)w * h * 3, binary, maxval);
    image_build_mips_rgb(p, w, h);
    *pixels = p;
    *width = w;
    *height = h;
    return 1;
}

int image_read_pgm(data_stream *s, unsigned char **pixels, int *width, int *height)
{
    char word[16];
    if (!image_scan_word(s, word, sizeof word)) return 0;
    int binary = !strcmp(word, "P5");
    if (!binary && strcmp(word, "P2")) return 0;
    int w, h, maxval;
    if (!read_header(s, &w, &h, &maxval) || !maxval_ok(maxval, binary)) return 0;
    unsigned char *p = (unsigned char *)alloc_or_die((std::size_t)w * h);
    read_samples(s, p, (std::size_t)w * h, binary, maxval);
    *pixels = p;
    *width = w;
    *height = h;
    return 1;
}

static int predict(int left, int above, int above_left)
{
    int p = left + above - above_left;
    return p < 0 ? 0 : p > 255 ? 255 : p;
}

int image_read_kpnm(const char *first_word, data_stream *s, unsigned char **pixels, int *width,
                    int *height, int channels)
{
    int file_channels;
    if (!strcmp(first_word, "K6")) file_channels = 3;
    else if (!strcmp(first_word, "K7")) file_channels = 4;
    else return 0;
    if (channels != 3 && channels != 4) return 0;
    int w, h;
    if (!read_header(s, &w, &h, nullptr)) return 0;

    std::size_t row_bytes = (std::size_t)w * file_channels;
    unsigned char *diff = (unsigned char *)alloc_or_die(row_bytes);
    unsigned char *above = (unsigned char *)alloc_or_die(row_bytes);
    unsigned char *cur = (unsigned char *)alloc_or_die(row_bytes);
    unsigned char *p = (unsigned char *)alloc_or_die(image_chain_bytes(w, h, channels));
    unsigned char *out = p;
    int short_body = 0;
    for (int y = 0; y < h; ++y) {
        int got = short_body ? 0 : data_read(s, diff, (int)row_bytes);
        if (got < 0) got = 0;
        if ((std::size_t)got < row_bytes) {
            memset(diff + got, 0, row_bytes - got);
            if (!short_body) console_print("Warning: image data ends early\n");
            short_body = 1;
        }
        for (int x = 0; x < w; ++x) {
            for (int c = 0; c < file_channels; ++c) {
                std::size_t i = (std::size_t)x * file_channels + c;
                int guess;
                if (y == 0) guess = x == 0 ? 0 : cur[i - file_channels];
                else if (x == 0) guess = above[i];
                else guess = predict(cur[i - file_channels], above[i], above[i - file_channels]);
                cur[i] = (unsigned char)(guess + diff[i]);
            }
            for (int c = 0; c < channels; ++c)
                *out++ = c < file_channels ? cur[(std::size_t)x * file_channels + c] : 0;
        }
        unsigned char *t = above;
        above = cur;
        cur = t;
    }
    mem_free(diff);
    mem_free(above);
    mem_free(cur);
    image_build_mips(p, w, h, channels, 0);
    *pixels = p;
    *width = w;
    *height = h;
    return 1;
}

int image_read_rgb(data_stream *s, unsigned char **pixels, int *width, int *height)
{
    char word[16];
    if (!image_scan_word(s, word, sizeof word)) return 0;
    if (!strcmp(word, "P3") || !strcmp(word, "P6")) return image_read_ppm(word, s, pixels, width, height);
    if (!strcmp(word, "K6") || !strcmp(word, "K7"))
        return image_read_kpnm(word, s, pixels, width, height, 3);
    return 0;
}
