// Screenshots, video frames and audio capture.
#include "shell/capture.h"
#include "shell/globals.h"
#include "shell/startup.h"
#include "data/console.h"
#include "data/file_index.h"
#include "data/mem.h"
#include "data/paths.h"
#include "data/stream.h"
#include "graphics/png.h"
#include "platform/audio.h"
#include "platform/log.h"
#include <GL/gl.h>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

enum { AUDIO_BLOCK_BYTES = 2 * 690, SCREENSHOT_LAST = 999999999 };

struct capture_state {
    int          screenshot_counter;   // the next number once known; 0 at start
    int          screenshot_wanted;    // the key was pressed; the next drawn frame is taken
    data_stream *audio;
};

static capture_state g_capture;

void capture_reset(void)
{
    g_capture.screenshot_counter = 0;
    g_capture.screenshot_wanted = 0;
}

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

void take_screenshot(void)
{
    g_capture.screenshot_wanted = 1;
}

static void screenshot_write(int width, int height)
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

    unsigned char *pixels = read_frame(width, height, GL_BACK);
    if (!pixels) return;
    char at_name[48];
    snprintf(at_name, sizeof at_name, "@%s", name);
    int ok = image_write_png_rgb(at_name, pixels, width, height);
    free(pixels);
    char message[64];
    snprintf(message, sizeof message, ok ? "Saved \"%s\"" : "Can't save \"%s\"", name);
    console_print(message);
}

// After a swap the back buffer is undefined on many drivers and the front buffer of a covered
// window may not hold the picture: the frame is read while it is still the one being drawn.
void screenshot_frame_drawn(int width, int height)
{
    if (!g_capture.screenshot_wanted) return;
    g_capture.screenshot_wanted = 0;
    screenshot_write(width, height);
}
