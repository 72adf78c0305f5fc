// "track.pov": the track's statues, billboards and ground as a scene description for a ray
// tracer. Mesh declarations per distinct statue model, a union of the statues (when there are
// any), a union of billboard macro calls named after their textures, and the ground as a height
// field of "terrain.png".
#include "editor/editor_state.h"
#include "data/console.h"
#include "data/stream.h"
#include "graphics/model.h"
#include "terrain/field.h"
#include "terrain/statues.h"
#include "terrain/track_files.h"
#include <cctype>
#include <cstring>

void scene_id(const char *name, char *out, int size)
{
    if (size <= 0) return;
    out[0] = 0;
    if (!name) return;
    if (*name == '@') ++name;
    const char *slash = std::strrchr(name, '/');
    const char *start = slash ? slash : name;
    const char *dot = std::strrchr(start, '.');
    const char *end = dot ? dot : start + std::strlen(start);
    int n = 0;
    if (start < end && std::isdigit((unsigned char)*start) && n < size - 1) out[n++] = '_';
    for (const char *p = start; p < end && n < size - 1; ++p)
        out[n++] = std::isalnum((unsigned char)*p) ? *p : '_';
    out[n] = 0;
}

// A name inside a quoted string: quotes and backslashes would end or escape it.
static void quoted_name(data_stream *s, const char *name)
{
    for (const char *p = name; *p; ++p) data_putc(s, *p == '"' || *p == '\\' ? '_' : *p);
}

static void export_statues(data_stream *s)
{
    const statue *all = (const statue *)statues.items;
    int n = statues.count;
    char id[1100];
    for (int i = 0; i < n; ++i) {
        if (!all[i].model || !all[i].model_name) continue;
        int seen = 0;
        for (int k = 0; k < i && !seen; ++k)
            seen = all[k].model && all[k].model_name && !std::strcmp(all[k].model_name, all[i].model_name);
        if (seen) continue;
        scene_id(all[i].model_name, id, sizeof id);
        data_printf(s, "#declare %s = ", id);
        model_export_pov(all[i].model, s);
    }
    data_puts(s, "#declare statues = union {\n");
    for (int i = 0; i < n; ++i) {
        const statue &st = all[i];
        if (!st.model) continue;
        scene_id(st.model_name, id, sizeof id);
        data_printf(s, "\tobject {\n\t\t%s\n", id);
        if (st.texture && st.texture_name) {
            const char *name = st.texture_name[0] == '@' ? st.texture_name + 1 : st.texture_name;
            std::size_t len = std::strlen(name);
            const char *type = len >= 5 && !std::strcmp(name + len - 4, ".ppm") ? "ppm" : "png";
            data_printf(s, "\t\ttexture { uv_mapping pigment { image_map { %s \"", type);
            quoted_name(s, name);
            data_puts(s, "\"} } scale <1,-1,1> }\n");
        }
        const float *r = st.orientation;
        data_printf(s, "\t\tmatrix <%f,%f,%f,%f,%f,%f,%f,%f,%f,0,0,0>\n", r[0], r[3], r[6], r[1], r[4], r[7], r[2],
                    r[5], r[8]);
        data_printf(s, "\t\ttranslate <%f,%f,%f>\n\t}\n", st.x, st.y, st.z);
    }
    data_puts(s, "}\n");
}

int editor_export_pov(void)
{
    track_save save;
    data_stream *s = track_save_begin(&save, "track.pov");
    if (!s) {
        console_print("Can't open 'track.pov'\n");
        editor_set_status("Pov failed!");
        return 0;
    }
    if (statues.count > 0) export_statues(s);
    data_puts(s, "#declare billboards = union {\n");
    const billboard *b = (const billboard *)billboards.items;
    char id[1100];
    for (int i = 0; i < billboards.count; ++i) {
        if (!b[i].texture) continue;
        scene_id(b[i].name, id, sizeof id);
        data_printf(s, "object {\n\t%s()\n\ttranslate <%f,%f,%f>\n}\n", id, b[i].x, b[i].y, b[i].z);
    }
    data_puts(s, "}\n");
    const terrain_field *t = g_editor.terrain;
    data_puts(s, "#declare ground = height_field {\n\tpng \"terrain.png\"\n");
    data_printf(s, "\tscale <1, 1, -1>\n\ttranslate <0, 0, 1>\n\tscale <%f,%f,%f>\n", t->world_size,
                t->height_max - t->height_min, t->world_size);
    data_printf(s, "\ttranslate <0,%f,0>\n}\n", t->height_min);
    if (!track_save_commit(&save)) {
        console_print("Can't write 'track.pov'\n");
        editor_set_status("Pov failed!");
        return 0;
    }
    editor_set_status("Pov!");
    return 1;
}
