// Camera keyframes: the list the keyframe view plays, its order by tick, and its files.
#include "shell/main/camkeys.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "data/mem.h"
#include "data/paths.h"
#include "data/stream.h"
#include "racing/race.h"
#include "shell/main/cameras.h"
#include "shell/config.h"
#include "shell/startup.h"

static_assert(sizeof(camera_keyframe) == 36, "keyframes are stored as 36-byte entries");

enum { KEYCAM_PATH_BYTES = 1024, KEYCAM_LINE_BYTES = 1024 };

// Tests run without start-up, which makes the list; the first use makes it then.
static growable_array *keys(void)
{
    if (camera_keyframes.element_size == 0 && !growable_array_init(&camera_keyframes, sizeof(camera_keyframe)))
        mem_out_of_memory();
    return &camera_keyframes;
}

camera_keyframe *camkeys_items(void) { return (camera_keyframe *)keys()->items; }
int              camkeys_count(void) { return keys()->count; }
void             camkeys_clear(void) { keys()->count = 0; }

static void append(const camera_keyframe *k)
{
    if (!growable_array_append(keys(), k)) mem_out_of_memory();
}

void camkey_rotation(float yaw, float pitch, float out[4])
{
    const float cy = (float)std::cos(yaw * 0.5), sy = (float)std::sin(yaw * 0.5);
    const float cp = (float)std::cos(pitch * 0.5), sp = (float)std::sin(pitch * 0.5);
    out[0] = cy * sp;
    out[1] = sy * cp;
    out[2] = -(sy * sp);
    out[3] = cy * cp;
}

void camkey_add(void)
{
    camera_keyframe k;
    memcpy(k.position, free_camera.position, sizeof k.position);
    camkey_rotation(free_camera.yaw, free_camera.pitch, k.quat);
    k.fov = setting_fov();
    k.tick = tick_count;
    append(&k);
    camera_keyframe *items = camkeys_items();
    const int last = camkeys_count() - 1;
    int at = 0;
    while (at < last && items[at].tick <= k.tick) ++at;
    memmove(items + at + 1, items + at, sizeof *items * (size_t)(last - at));
    items[at] = k;
}

void camkey_delete(void)
{
    growable_array *a = keys();
    if (a->count < 2) {
        a->count = 0;
        return;
    }
    camera_keyframe *items = camkeys_items();
    int after = 0;
    while (after < a->count && items[after].tick <= tick_count) ++after;
    int victim;
    if (after == 0) victim = 0;
    else if (after == a->count) victim = a->count - 1;
    else {
        // In 64 bits: ticks from a file may lie anywhere in the int range.
        const long long before_gap = (long long)tick_count - items[after - 1].tick;
        const long long after_gap = (long long)items[after].tick - tick_count;
        victim = after_gap < before_gap ? after : after - 1;
    }
    memmove(items + victim, items + victim + 1, sizeof *items * (size_t)(a->count - victim - 1));
    a->count--;
}

// "@keycam/" + the name from its first non-blank, cut to 1023 characters, trailing blanks off.
// 0 when no name is left.
static int keycam_path(const char *name, char *path)
{
    while (*name == ' ' || *name == '\t') ++name;
    if (!*name) return 0;
    snprintf(path, KEYCAM_PATH_BYTES, "@keycam/%s", name);
    size_t n = strlen(path);
    while (n && (path[n - 1] == ' ' || path[n - 1] == '\t' || path[n - 1] == '\r' || path[n - 1] == '\n'))
        path[--n] = 0;
    return 1;
}

int camkeys_write(const char *name)
{
    char path[KEYCAM_PATH_BYTES];
    if (!keycam_path(name, path)) return 0;
    // Through a temporary file: a failed write keeps the keys saved before.
    file_save save;
    data_stream *s = file_save_begin(&save, path, ".tmp");
    if (!s) return 0;
    const camera_keyframe *items = camkeys_items();
    for (int i = 0; i < camkeys_count(); ++i) {
        const camera_keyframe &k = items[i];
        data_printf(s, "%.4f %.4f %.4f %.4f %.4f %.4f %.4f %.2f %d\n", k.position[0], k.position[1], k.position[2],
                    k.quat[0], k.quat[1], k.quat[2], k.quat[3], k.fov, k.tick);
    }
    return file_save_commit(&save);
}

// One line of a keyframe file; a number that is not finite ("nan", "inf") is no number here.
static int parse_key(const char *line, camera_keyframe *k)
{
    float v[8];
    int tick;
    if (sscanf(line, "%f %f %f %f %f %f %f %f %d", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &tick) != 9)
        return 0;
    for (float f : v)
        if (!std::isfinite(f)) return 0;
    memcpy(k->position, v, sizeof k->position);
    memcpy(k->quat, v + 3, sizeof k->quat);
    k->fov = v[7];
    k->tick = tick;
    return 1;
}

int camkeys_read(const char *name)
{
    char path[KEYCAM_PATH_BYTES];
    if (!keycam_path(name, path)) return 0;
    // A name with ".." could read any file the game can reach as keyframes.
    if (path_climbs(path + 1)) return 0;
    data_stream *s = data_open(path, "rb");
    if (!s) return 0;
    keys()->count = 0;
    char line[KEYCAM_LINE_BYTES];
    int whole = 1;
    while (data_gets(s, line, sizeof line)) {
        camera_keyframe k;
        if (!parse_key(line, &k)) {
            whole = 0;
            break;
        }
        append(&k);
    }
    data_close(s);
    return whole;
}
