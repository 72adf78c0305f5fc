// Screenshots, video frames and audio capture.
#include "shell/capture.h"
#include "shell/globals.h"
#include "shell/startup.h"
#include "data/console.h"
#include "data/file_index.h"
#include "data/mem.h"
#include "data/paths.h"
#include "data/stream.h"
#include "platform/audio.h"
#include "platform/log.h"
#include <GL/gl.h>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#if __has_include("graphics/png.h")
#include "graphics/png.h"
#else
#include <zlib.h>
#endif

enum { AUDIO_BLOCK_BYTES = 2 * 690, SCREENSHOT_LAST = 999999999 };

struct capture_state {
    int          screenshot_counter;   // the next number once known; 0 at start
    data_stream *audio;
};

static capture_state g_capture;

void capture_reset(void) { g_capture.screenshot_counter = 0; }

int capture_audio_open(const char *file_name)
{
    g_capture.audio = data_open(file_name, "wb");
    if (!g_capture.audio) kubl_log_printf("Can't open '%.900s' for the sound capture\n", file_name);
    return g_capture.audio != nullptr;
}

void capture_audio_tick(void)
{
    const unsigned char *block = kubl_audio_mix_block(g_audio);
    if (block && g_capture.audio) data_write(g_capture.audio, block, AUDIO_BLOCK_BYTES);
}

void capture_audio_close(void)
{
    if (g_capture.audio) data_close(g_capture.audio);
    g_capture.audio = nullptr;
}

// RGB rows from the bottom of the frame up, as OpenGL reads them; null when there is no room.
static unsigned char *read_frame(int width, int height, unsigned buffer)
{
    if (width <= 0 || height <= 0) return nullptr;
    unsigned char *pixels = (unsigned char *)malloc((size_t)width * height * 3);
    if (!pixels) return nullptr;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(buffer);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels);
    glReadBuffer(GL_BACK);
    return pixels;
}

void video_frame_write(int width, int height)
{
    unsigned char *pixels = read_frame(width, height, GL_BACK);
    if (!pixels) return;
    printf("P6\n%d %d\n255\n", width, height);
    for (int y = height - 1; y >= 0; --y) fwrite(pixels + (size_t)y * width * 3, 1, (size_t)width * 3, stdout);
    fflush(stdout);
    free(pixels);
}

int screenshot_highest_number(const char *const *names)
{
    int highest = 0;
    for (; names && *names; ++names) {
        const char *n = *names;
        if (strncmp(n, "screenshot", 10) || !isdigit((unsigned char)n[10])) continue;
        unsigned long long value = 0;
        for (const char *p = n + 10; isdigit((unsigned char)*p) && value <= SCREENSHOT_LAST; ++p)
            value = value * 10 + (unsigned)(*p - '0');
        if (value > SCREENSHOT_LAST) value = SCREENSHOT_LAST;
        if ((int)value > highest) highest = (int)value;
    }
    return highest;
}

static int home_file_exists(const char *name)
{
    const char *home = search_folder(0);
    if (!home) return 0;
    char *path = path_join(home, name);
    struct stat st;
    int exists = stat(path, &st) == 0;
    mem_free(path);
    return exists;
}

#if !__has_include("graphics/png.h")
// Until the picture module is in the tree: an RGB PNG from bottom-up rows, written whole.
static void put_be32(unsigned char *p, unsigned long v)
{
    p[0] = (unsigned char)(v >> 24);
    p[1] = (unsigned char)(v >> 16);
    p[2] = (unsigned char)(v >> 8);
    p[3] = (unsigned char)v;
}

static int write_chunk(data_stream *s, const char *type, const unsigned char *data, unsigned long n)
{
    unsigned char head[8], tail[4];
    put_be32(head, n);
    memcpy(head + 4, type, 4);
    unsigned long crc = crc32(0, head + 4, 4);
    if (n) crc = crc32(crc, data, (uInt)n);
    put_be32(tail, crc);
    return data_write(s, head, 8) == 8 && (!n || data_write(s, data, (int)n) == (int)n) &&
           data_write(s, tail, 4) == 4;
}

static int image_write_png_rgb(const char *name, const unsigned char *pixels, int width, int height)
{
    size_t row = (size_t)width * 3 + 1, raw_size = row * height;
    unsigned char *raw = (unsigned char *)malloc(raw_size);
    uLongf packed_size = compressBound((uLong)raw_size);
    unsigned char *packed = (unsigned char *)malloc(packed_size);
    int ok = 0;
    if (raw && packed) {
        for (int y = 0; y < height; ++y) {
            raw[row * y] = 0;   // no filter
            memcpy(raw + row * y + 1, pixels + (size_t)(height - 1 - y) * width * 3, row - 1);
        }
        if (compress2(packed, &packed_size, raw, (uLong)raw_size, 6) == Z_OK) {
            data_stream *s = data_open(name, "wb");
            if (s) {
                static const unsigned char signature[8] = {137, 'P', 'N', 'G', 13, 10, 26, 10};
                unsigned char ihdr[13] = {};
                put_be32(ihdr, (unsigned long)width);
                put_be32(ihdr + 4, (unsigned long)height);
                ihdr[8] = 8;   // bits per sample
                ihdr[9] = 2;   // RGB
                ok = data_write(s, signature, 8) == 8 && write_chunk(s, "IHDR", ihdr, 13) &&
                     write_chunk(s, "IDAT", packed, packed_size) && write_chunk(s, "IEND", nullptr, 0);
                data_close(s);
            }
        }
    }
    free(raw);
    free(packed);
    return ok;
}
#endif

void take_screenshot(void)
{
    int number;
    if (g_capture.screenshot_counter <= 0) {
        g_capture.screenshot_counter = screenshot_highest_number(file_index_names());
        number = g_capture.screenshot_counter + 1;
    } else {
        number = g_capture.screenshot_counter;
    }
    // Files made since the index was built are not in it: step past them rather than replace.
    char name[40];
    for (;;) {
        if (number > SCREENSHOT_LAST) {
            kubl_log_printf("No screenshot numbers left\n");
            return;
        }
        snprintf(name, sizeof name, "screenshot%03d.png", number);
        if (!home_file_exists(name)) break;
        number++;
    }
    g_capture.screenshot_counter = number + 1;

    // The key is handled after the frame was shown: the last frame drawn is the front buffer.
    unsigned char *pixels = read_frame(frame_width, frame_height, GL_FRONT);
    if (!pixels) return;
    char at_name[48];
    snprintf(at_name, sizeof at_name, "@%s", name);
    int ok = image_write_png_rgb(at_name, pixels, frame_width, frame_height);
    free(pixels);
    char message[64];
    snprintf(message, sizeof message, ok ? "Saved \"%s\"" : "Can't save \"%s\"", name);
    console_print(message);
}
