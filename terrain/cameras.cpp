// The track cameras file.
#include "terrain/cameras.h"
#include "terrain/field.h"
#include "shell/globals.h"
#include "shell/startup.h"
#include "data/stream.h"
#include "platform/log.h"
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static_assert(sizeof(track_camera) == 36, "the shell makes the camera list with 36-byte entries");

int gate_camera[GATE_CAMERAS];

static int word_is(const char *line, const char *word, const char **rest)
{
    while (*line == ' ' || *line == '\t') ++line;
    std::size_t n = strlen(word);
    if (strncmp(line, word, n)) return 0;
    if (line[n] && !isspace((unsigned char)line[n])) return 0;
    *rest = line + n;
    return 1;
}

// "gate" and its numbers: every number 0..255 switches that gate to camera next_index; the first
// text that is no such number ends the list.
static void gate_line(const char *p, int next_index)
{
    for (;;) {
        char *end;
        errno = 0;
        long n = strtol(p, &end, 10);
        if (end == p || errno || n < 0 || n >= GATE_CAMERAS) return;
        gate_camera[n] = next_index;
        p = end;
    }
}

void cameras_load(const char *file_name)
{
    for (int &g : gate_camera) g = -1;
    if (!track_cameras.items) growable_array_init(&track_cameras, sizeof(track_camera));
    track_cameras.count = 0;
    const track_camera fresh = {{0, 0, 0}, 0, 0, 0, 0, 90, 0};
    track_camera next = fresh;
    data_stream *s = data_open(file_name, "rb");
    if (!s) return;
    char line[1024];
    while (data_gets(s, line, sizeof line)) {
        float x, y, z, v;
        const char *rest;
        if (sscanf(line, "addcamera %f %f %f", &x, &y, &z) == 3) {
            if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) continue;
            const terrain_field *t = terrain_ptr;
            next.position[0] = x;
            next.position[1] = (t->heights ? terrain_height_at(t, x, z) : 0.0f) + y;
            next.position[2] = z;
            growable_array_append(&track_cameras, &next);
            next = fresh;
        } else if (sscanf(line, "fov %f", &v) == 1) {
            if (std::isfinite(v)) next.fov = std::fabs(v);
        } else if (sscanf(line, "autofovsize %f", &v) == 1) {
            if (std::isfinite(v)) next.autofovsize = std::fabs(v);
        } else if (word_is(line, "gate", &rest)) {
            gate_line(rest, track_cameras.count);
        }
    }
    data_close(s);
    // Gates named before a camera that never came would point past the last camera.
    for (int &g : gate_camera)
        if (g >= track_cameras.count) g = -1;
    if (g_options.debug_level) kubl_log_printf("%d cameras found\n", track_cameras.count);
}
