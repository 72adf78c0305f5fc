// Statues and billboards: adding, seating on the ground, reading and writing their files.
#include "terrain/statues.h"
#include "terrain/field.h"
#include "terrain/track_files.h"
#include "terrain/track_load.h"
#include "shell/loading.h"
#include "graphics/model.h"
#include "graphics/texture.h"
#include "shell/globals.h"
#include "data/console.h"
#include "data/mem.h"
#include "data/stream.h"
#include "platform/log.h"
#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>

growable_array billboards;
growable_array statues;
shape *(*statue_shape_hook)(const char *name);
void (*statue_orientation_hook)(float out[9], float x, float z, float yaw);

static unsigned        default_texture(const char *name) { return texture_load(name); }
static shape *default_shape(const char *name) { return statue_shape_hook ? statue_shape_hook(name) : nullptr; }

// Upright, unturned without the hook.
static void statue_orientation(float out[9], float x, float z, float yaw)
{
    if (statue_orientation_hook) {
        statue_orientation_hook(out, x, z, yaw);
        return;
    }
    for (int i = 0; i < 9; ++i) out[i] = i % 4 == 0 ? 1.0f : 0.0f;
}

static const track_resource_loaders game_loaders = {default_texture, model_load, default_shape};
static const track_resource_loaders *g_loaders = &game_loaders;

void track_resources_set(const track_resource_loaders *loaders)
{
    g_loaders = loaders ? loaders : &game_loaders;
}

unsigned track_texture_load(const char *name) { return g_loaders->texture(name); }

static char *copy_name(const char *name)
{
    if (!name) return nullptr;
    std::size_t n = strlen(name);
    char *out = (char *)alloc_or_die(n + 1);
    memcpy(out, name, n + 1);
    return out;
}

static float ground_height(float x, float z)
{
    const terrain_field *t = terrain_ptr;
    return t->heights ? terrain_height_at(t, x, z) : 0.0f;
}

void track_objects_init(void)
{
    growable_array_init(&billboards, sizeof(billboard));
    growable_array_init(&statues, sizeof(statue));
    growable_array_init(&billboard_sort_space, sizeof(int));
}

void track_objects_free(void)
{
    billboard *b = (billboard *)billboards.items;
    for (int i = 0; b && i < billboards.count; ++i) mem_free(b[i].name);
    statue *s = (statue *)statues.items;
    for (int i = 0; s && i < statues.count; ++i) {
        mem_free(s[i].shape);
        mem_free(s[i].model_name);
        mem_free(s[i].texture_name);
        mem_free(s[i].shape_name);
    }
    growable_array_free(&billboards);
    growable_array_free(&statues);
    growable_array_free(&billboard_sort_space);
}

// ---- billboards ----

// "#RRGGBB#" in front of a texture name tints the billboard; 1 when name starts with one.
static int colour_prefix(const char *name, unsigned char rgb[3])
{
    if (strlen(name) <= 7 || name[0] != '#' || name[7] != '#') return 0;
    for (int i = 1; i < 7; ++i)
        if (!isxdigit((unsigned char)name[i])) return 0;
    unsigned value = 0;
    if (sscanf(name, "#%x#", &value) != 1) return 0;
    rgb[0] = (unsigned char)(value >> 16);
    rgb[1] = (unsigned char)(value >> 8);
    rgb[2] = (unsigned char)value;
    return 1;
}

int billboard_add(float x, float height_offset, float z, float width, float height, const char *texture_name)
{
    billboard b = {};
    b.color[0] = b.color[1] = b.color[2] = b.color[3] = 255;
    if (texture_name && colour_prefix(texture_name, b.color)) texture_name += 8;
    b.texture = texture_name ? track_texture_load(texture_name) : 0;
    b.x = x;
    b.y = ground_height(x, z) + height_offset;
    b.z = z;
    b.width = width;
    b.height_offset = height_offset;
    b.height = height;
    b.width_fraction = height != 0 ? width / height : 0;
    b.name = copy_name(texture_name);
    static const int zeros[2] = {0, 0};
    growable_array_append(&billboard_sort_space, &zeros[0]);
    growable_array_append(&billboard_sort_space, &zeros[1]);
    if (!growable_array_append(&billboards, &b)) mem_free(b.name);
    return billboards.count - 1;
}

static int all_finite(const float *v, int n)
{
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(v[i])) return 0;
    return 1;
}

void billboards_load(const char *file_name)
{
    data_stream *s = data_open(file_name, "rb");
    if (!s) return;
    loading_status_reset("Loading billboards");
    char name[1024];
    for (;;) {
        loading_status_spin("Loading billboards");
        float v[5];
        if (data_scanf(s, "[ %f %f %f ] %f %f %1023s ", &v[0], &v[1], &v[2], &v[3], &v[4], name) != 6) break;
        if (!all_finite(v, 5)) break;
        billboard_add(v[0], v[1], v[2], v[3], v[4], name);
    }
    loading_status_done("Loading billboards");
    data_close(s);
}

int billboards_save(void)
{
    track_save save;
    data_stream *s = track_save_begin(&save, "billboards");
    if (!s) {
        console_print("Can't open 'billboards'\n");
        return 0;
    }
    const billboard *b = (const billboard *)billboards.items;
    for (int i = first_own_billboard < 0 ? 0 : first_own_billboard; i < billboards.count; ++i) {
        if (!b[i].name) continue;
        data_printf(s, "[%f %f %f] %f %f ", b[i].x, b[i].height_offset, b[i].z, b[i].width, b[i].height);
        if (b[i].color[0] == 255 && b[i].color[1] == 255 && b[i].color[2] == 255)
            data_printf(s, "%s\n", b[i].name);
        else
            data_printf(s, "#%02x%02x%02x#%s\n", b[i].color[0], b[i].color[1], b[i].color[2], b[i].name);
    }
    if (!track_save_commit(&save)) {
        console_print("Can't write 'billboards'\n");
        return 0;
    }
    return 1;
}

// ---- statues ----

unsigned texture_load_with_suffix(const char *name, const char *ending, const char *replacement)
{
    std::size_t n = strlen(name), e = strlen(ending), r = strlen(replacement);
    if (n < e || strcmp(name + n - e, ending)) return 0;
    char buffer[2100];
    if (n - e + r >= sizeof buffer) return 0;
    memcpy(buffer, name, n - e);
    memcpy(buffer + n - e, replacement, r + 1);
    return track_texture_load(buffer);
}

static int ends_with(const char *name, const char *tail)
{
    std::size_t n = strlen(name), t = strlen(tail);
    return n >= t && !strcmp(name + n - t, tail);
}

// A normal or specular map beside the texture ("_norm" or "_spec" in kind), else beside the
// model.
static unsigned companion_map(const char *texture_name, const char *model_name, const char *kind)
{
    const int repeat = ends_with(texture_name, "-repeat.png") || ends_with(texture_name, "-repeat.ppm") ||
                       ends_with(texture_name, "-repeat.seq");
    const char *cut = strrchr(texture_name, repeat ? '-' : '.');
    if (!cut) return 0;
    static const char *const plain[] = {".seq", ".png", ".ppm"};
    static const char *const repeating[] = {"-repeat.seq", "-repeat.png", "-repeat.ppm"};
    char suffix[32];
    for (int i = 0; i < 3; ++i) {
        snprintf(suffix, sizeof suffix, "%s%s", kind, repeat ? repeating[i] : plain[i]);
        if (unsigned id = texture_load_with_suffix(texture_name, cut, suffix)) return id;
    }
    const char *dot = strrchr(model_name, '.');
    if (!dot) return 0;
    for (int i = 0; i < 3; ++i) {
        snprintf(suffix, sizeof suffix, "%s%s", kind, plain[i]);
        if (unsigned id = texture_load_with_suffix(model_name, dot, suffix)) return id;
    }
    return 0;
}

static float turn_value_of(float angle)
{
    if (!(angle >= 3.25f)) return 0.0f;
    // 2^128 and more overflow a float; the largest finite one still means "upright".
    float v = std::exp2(angle);
    return v < FLT_MAX ? v : FLT_MAX;
}

int statue_add(float x, float height_offset, float z, float angle, const char *model_name,
               const char *texture_name, const char *shape_name)
{
    statue s = {};
    s.turn_value = turn_value_of(angle);
    if (model_name) s.model = g_loaders->model(model_name);
    if (s.model && texture_name) {
        s.texture = track_texture_load(texture_name);
        if (g_render.use_shader) {
            s.normal_texture = companion_map(texture_name, model_name, "_norm");
            s.specular_texture = companion_map(texture_name, model_name, "_spec");
        }
    }
    if (shape_name) {
        s.shape = g_loaders->shape(shape_name);
        if (!s.shape) {
            char line[1000];
            snprintf(line, sizeof line, "Warning: missing shape file %.900s", shape_name);
            console_print(line);
        }
    }
    s.x = x;
    s.z = z;
    s.height_offset = height_offset;
    s.angle = angle;
    s.y = ground_height(x, z) + height_offset;
    statue_orientation(s.orientation, x, z, angle);
    s.last_hit_tick = 0;
    s.model_name = copy_name(model_name);
    s.texture_name = copy_name(texture_name);
    s.shape_name = copy_name(shape_name);
    if (!growable_array_append(&statues, &s)) {
        mem_free(s.shape);
        mem_free(s.model_name);
        mem_free(s.texture_name);
        mem_free(s.shape_name);
    }
    return statues.count - 1;
}

void statue_reseat(statue *s)
{
    s->y = ground_height(s->x, s->z) + s->height_offset;
    statue_orientation(s->orientation, s->x, s->z, s->angle);
}

void statues_load(const char *file_name)
{
    data_stream *s = data_open(file_name, "rb");
    if (!s) return;
    loading_status_reset("Loading statues");
    char names[3][1024];
    int damaged = 0;
    for (int record = 1;; ++record) {
        loading_status_spin("Loading statues");
        float v[4];
        const int got = data_scanf(s, "[ %f %f %f ] %f %1023s %1023s %1023s ", &v[0], &v[1], &v[2], &v[3], names[0],
                                   names[1], names[2]);
        // A damaged record is passed over (a record cut short to the end of its line): stopping
        // there would lose every statue after it at the editor's next save.
        if (got == 7 && !all_finite(v, 4)) {
            if (++damaged <= 4) kubl_log_printf("%.300s: statue record %d is not finite and left out\n", file_name, record);
            continue;
        }
        if (got != 7) {
            int c = data_getc(s);
            if (c < 0) break;
            if (isspace(c)) continue;   // blank lines before the first record
            if (++damaged <= 4) kubl_log_printf("%.300s: statue record %d is damaged and left out\n", file_name, record);
            while (c >= 0 && c != '\n') c = data_getc(s);
            continue;
        }
        const char *given[3];
        for (int i = 0; i < 3; ++i) given[i] = strcmp(names[i], "null") ? names[i] : nullptr;
        statue_add(v[0], v[1], v[2], v[3], given[0], given[1], given[2]);
    }
    if (damaged > 4) kubl_log_printf("%.300s: %d damaged statue records left out in all\n", file_name, damaged);
    loading_status_done("Loading statues");
    data_close(s);
}

static const char *or_null(const char *name) { return name ? name : "null"; }

int statues_save(void)
{
    track_save save;
    data_stream *s = track_save_begin(&save, "statues");
    if (!s) {
        console_print("Can't open 'statues'\n");
        return 0;
    }
    const statue *st = (const statue *)statues.items;
    for (int i = first_own_statue < 0 ? 0 : first_own_statue; i < statues.count; ++i)
        data_printf(s, "[%f %f %f] %f %s %s %s\n", st[i].x, st[i].height_offset, st[i].z, st[i].angle,
                    or_null(st[i].model_name), or_null(st[i].texture_name), or_null(st[i].shape_name));
    if (!track_save_commit(&save)) {
        console_print("Can't write 'statues'\n");
        return 0;
    }
    return 1;
}
