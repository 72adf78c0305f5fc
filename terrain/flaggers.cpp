// The flaggers file.
#include "terrain/flaggers.h"
#include "terrain/statues.h"
#include "terrain/timing_gates.h"
#include "data/stream.h"
#include <cmath>

flagger_header_record flagger_header;
growable_array        flaggers;

static int all_finite(const float *v, int n)
{
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(v[i])) return 0;
    return 1;
}

static int read_name(data_stream *s, char name[1024])
{
    return data_scanf(s, " %1023s ", name) == 1;
}

// The walking figure and the board figure; 0 when the file ends before both are whole.
static int read_figures(data_stream *s, char name[1024])
{
    flagger_header_record &h = flagger_header;
    float v[9];
    if (data_scanf(s, " [ %f %f %f ] [ %f %f %f ] %f %f %f ", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6],
                   &v[7], &v[8]) != 9 ||
        !all_finite(v, 9))
        return 0;
    for (int i = 0; i < 3; ++i) {
        h.mover_start[i] = v[i];
        h.mover_end[i] = v[3 + i];
    }
    h.mover_period = v[8];
    if (!read_name(s, name)) return 0;
    h.mover_billboard = billboard_add(v[0], v[1], v[2], v[6], v[7], name);
    h.mover_textures[0] = track_texture_load(name);
    for (int i = 1; i < 5; ++i) {
        if (!read_name(s, name)) return 0;
        h.mover_textures[i] = track_texture_load(name);
    }

    if (data_scanf(s, " [ %f %f %f ] %f %f ", &v[0], &v[1], &v[2], &v[3], &v[4]) != 5 || !all_finite(v, 5) ||
        !read_name(s, name))
        return 0;
    h.board_billboard = billboard_add(v[0], v[1], v[2], v[3], v[4], name);
    h.board_textures[0] = track_texture_load(name);
    for (int i = 1; i < 4; ++i) {
        if (!read_name(s, name)) return 0;
        h.board_textures[i] = track_texture_load(name);
    }
    return 1;
}

void flaggers_load(const char *file_name)
{
    flagger_header = {-1, {}, {}, {}, 1.0f, -1, {}};
    if (!flaggers.items) growable_array_init(&flaggers, sizeof(flagger));
    data_stream *s = data_open(file_name, "rb");
    if (!s) return;
    char name[1024];
    if (read_figures(s, name)) {
        for (;;) {
            float v[5];
            int g[4];
            if (data_scanf(s, " [ %f %f %f ] %f %f %d %d %d %d", &v[0], &v[1], &v[2], &v[3], &v[4], &g[0], &g[1],
                           &g[2], &g[3]) != 9 ||
                !all_finite(v, 5) || !read_name(s, name))
                break;
            flagger f;
            for (int i = 0; i < 4; ++i) f.gates[i] = g[i] < -1 ? -1 : g[i] < gate_count - 1 ? g[i] : gate_count - 1;
            f.billboard = billboard_add(v[0], v[1], v[2], v[3], v[4], name);
            f.textures[0] = track_texture_load(name);
            if (!read_name(s, name)) break;
            f.textures[1] = track_texture_load(name);
            growable_array_append(&flaggers, &f);
        }
    }
    data_close(s);
}
