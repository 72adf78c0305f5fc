// The track's "lighting" file. One setting per line: a keyword ending at a space or tab, then
// its value. An unknown keyword (a blank line included: its keyword is the line break) ends the
// reading with one console message; what was read so far stays.
#include "terrain/lighting.h"
#include "terrain/surface.h"
#include "terrain/terrain_seams.h"
#include "data/console.h"
#include "data/stream.h"
#include <GL/gl.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

growable_array flare_sources;

static const char *const status_text = "Loading lighting";

static void reset_defaults(void)
{
    lighting_record &l = track_lighting;
    for (int c = 0; c < 3; ++c) {
        l.sun_vector[c] = 1.0f;
        l.sun_color[c] = 1.0f;
        l.ambient[c] = 0.5f;
        l.global_ambient[c] = 0.2f;
    }
    l.near_plane = 0.25f;
    l.far_plane = 5000.0f;
    l.dynamic_lighting = 0;
    l.sky_n = l.sky_e = l.sky_s = l.sky_w = l.sky_u = l.sky_env = 0;
    l.fog_density = 0.0f;
}

static void start_source(flare_source *f)
{
    memset(f, 0, sizeof *f);
    for (int e = 0; e < FLARE_ELEMENTS; ++e) {
        f->element_color[e][0] = f->element_color[e][1] = f->element_color[e][2] = 1.0f;
        f->element_size[e] = 1.0f;
    }
    f->is_direction = 1;
}

// A sun vector that cannot be normalised (zero, or not finite) points straight up.
static void normalise_sun(float v[3])
{
    float len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (!std::isfinite(len)) {
        float m = std::fmax(std::fabs(v[0]), std::fmax(std::fabs(v[1]), std::fabs(v[2])));
        if (std::isfinite(m) && m > 0.0f) {
            for (int c = 0; c < 3; ++c) v[c] /= m;
            len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        }
    }
    if (!(len > 0.0f) || !std::isfinite(len)) {
        v[0] = 0.0f;
        v[1] = 1.0f;
        v[2] = 0.0f;
        return;
    }
    float inv = 1.0f / len;
    for (int c = 0; c < 3; ++c) v[c] *= inv;
}

static int *sky_face(const char *keyword)
{
    lighting_record &l = track_lighting;
    if (!strcmp(keyword, "sky_n")) return &l.sky_n;
    if (!strcmp(keyword, "sky_e")) return &l.sky_e;
    if (!strcmp(keyword, "sky_s")) return &l.sky_s;
    if (!strcmp(keyword, "sky_w")) return &l.sky_w;
    if (!strcmp(keyword, "sky_u")) return &l.sky_u;
    if (!strcmp(keyword, "sky_env")) return &l.sky_env;
    return nullptr;
}

static float *vector_setting(const char *keyword)
{
    lighting_record &l = track_lighting;
    if (!strcmp(keyword, "sun_vector")) return l.sun_vector;
    if (!strcmp(keyword, "sun_color")) return l.sun_color;
    if (!strcmp(keyword, "ambient")) return l.ambient;
    if (!strcmp(keyword, "global_ambient")) return l.global_ambient;
    return nullptr;
}

// Acts on one line; 0 when its keyword is unknown (reading stops).
static int apply_line(const char *keyword, const char *value, flare_source *source)
{
    lighting_record &l = track_lighting;
    if (float *v = vector_setting(keyword)) {
        terrain_text_scan(value, " [ %f %f %f ] ", &v[0], &v[1], &v[2]);
    } else if (int *face = sky_face(keyword)) {
        *face = terrain_texture_load(value);
    } else if (!strcmp(keyword, "flare_element")) {
        float ox, oy, r, g, b, size;
        char name[1024];
        int got = terrain_text_scan(value, " [ %f %f ] [ %f %f %f ] %f %1023s", &ox, &oy, &r, &g, &b,
                                    &size, name);
        if (got == 7 && source->element_count < FLARE_ELEMENTS) {
            int e = source->element_count++;
            source->element_offset[e][0] = ox;
            source->element_offset[e][1] = oy;
            source->element_color[e][0] = r;
            source->element_color[e][1] = g;
            source->element_color[e][2] = b;
            source->element_size[e] = size;
            source->element_texture[e] = terrain_texture_load(name);
        }
    } else if (!strcmp(keyword, "flare_point") || !strcmp(keyword, "flare_vector")) {
        terrain_text_scan(value, " [ %f %f %f ] ", &source->point[0], &source->point[1], &source->point[2]);
        source->is_direction = keyword[6] == 'v';
        growable_array_append(&flare_sources, source);   // dropped when the list cannot grow
        start_source(source);
    } else if (!strcmp(keyword, "fog")) {
        float r, g, b, density;
        if (terrain_text_scan(value, " [ %f %f %f ] %f ", &r, &g, &b, &density) == 4) {
            l.fog_color[0] = r;
            l.fog_color[1] = g;
            l.fog_color[2] = b;
            l.fog_density = density;
        }
    } else if (!strcmp(keyword, "dynamic_lighting")) {
        l.dynamic_lighting = atoi(value) > 0;
    } else if (!strcmp(keyword, "near_plane")) {
        terrain_text_scan(value, "%f", &l.near_plane);
    } else if (!strcmp(keyword, "far_plane")) {
        terrain_text_scan(value, "%f", &l.far_plane);
    } else {
        return 0;
    }
    return 1;
}

static void read_lines(data_stream *s)
{
    char line[1024];
    flare_source source;
    start_source(&source);
    for (;;) {
        terrain_status_spin(status_text);
        if (!data_gets(s, line, sizeof line)) break;
        char *p = line;
        while (*p == ' ' || *p == '\t') ++p;
        if (!*p) continue;   // a last line of only blanks, without a line break
        char *keyword = p;
        while (*p && *p != ' ' && *p != '\t') ++p;
        char *value = p;
        if (*p) {
            *p = 0;
            value = p + 1;
            while (*value == ' ' || *value == '\t') ++value;
        }
        size_t n = strlen(value);
        while (n && strchr(" \t\r\n", value[n - 1])) value[--n] = 0;
        if (!apply_line(keyword, value, &source)) {
            char message[1100];
            snprintf(message, sizeof message, "Error reading lighting: Unknown identifier '%.950s'\n", keyword);
            console_print(message);
            break;
        }
    }
}

void lighting_free(void)
{
    growable_array_free(&flare_sources);
}

void lighting_load(const char *file_name)
{
    reset_defaults();
    lighting_free();
    growable_array_init(&flare_sources, sizeof(flare_source));

    data_stream *s = data_open(file_name, "rb");
    if (!s) return;
    terrain_status_reset(status_text);
    read_lines(s);

    lighting_record &l = track_lighting;
    if (l.near_plane < 1.0f / 1024.0f) l.near_plane = 1.0f / 1024.0f;
    else if (l.near_plane > 0.875f) l.near_plane = 0.875f;
    if (l.far_plane < l.near_plane) l.far_plane = l.near_plane;
    else if (l.far_plane > 1048576.0f) l.far_plane = 1048576.0f;
    normalise_sun(l.sun_vector);
    data_close(s);

    static const char *const defaults[5] = {
        "@sky-n.ppm", "@sky-e.ppm", "@sky-s.ppm", "@sky-w.ppm", "@sky-u.ppm",
    };
    int *faces[5] = { &l.sky_n, &l.sky_e, &l.sky_s, &l.sky_w, &l.sky_u };
    for (int i = 0; i < 5; ++i)
        if (!*faces[i]) {
            terrain_status_spin(status_text);
            *faces[i] = terrain_texture_load(defaults[i]);
        }
    if (!l.sky_env) l.sky_env = terrain_texture_load("@sky-env.ppm");
    terrain_status_done(status_text);

    glFogi(GL_FOG_MODE, GL_EXP);
    glFogf(GL_FOG_DENSITY, l.fog_density);
    glFogfv(GL_FOG_COLOR, l.fog_color);
}
