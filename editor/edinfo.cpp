// "edinfo": the track's gradients between editing runs, one record per line:
//
//   add_gradient x0 z0 x1 z1      starts a gradient (map units) with an empty profile
//   add_point type distance height
//                                 appends a profile point to the last gradient; type 1 Curve,
//                                 anything else Line
//
// Numbers are written "%f". Lines that do not parse, or carry a number that is not finite, are
// skipped one by one.
#include "editor/editor_state.h"
#include "data/console.h"
#include "data/stream.h"
#include "terrain/track_files.h"
#include <cmath>
#include <cstdio>
#include <cstring>

enum { EDINFO_LINE = 1000 };

// The keyword at the start of p, followed by a blank or the end; the text after it, else null.
static const char *keyword(const char *p, const char *word)
{
    std::size_t n = std::strlen(word);
    if (std::strncmp(p, word, n)) return nullptr;
    char next = p[n];
    if (next && next != ' ' && next != '\t' && next != '\n' && next != '\r') return nullptr;
    return p + n;
}

int edinfo_parse_line(const char *line)
{
    while (*line == ' ' || *line == '\t') ++line;
    if (const char *rest = keyword(line, "add_gradient")) {
        float v[4];
        if (std::sscanf(rest, "%f %f %f %f", &v[0], &v[1], &v[2], &v[3]) != 4) return 0;
        for (float f : v)
            if (!std::isfinite(f)) return 0;
        int before = g_editor.gradients.count;
        editor_new_gradient();
        gradient *g = editor_selected_gradient();
        if (!g || g_editor.gradients.count == before) return 0;   // the list could not grow
        gradient_clear_profile(g);
        g->x0 = v[0];
        g->z0 = v[1];
        g->x1 = v[2];
        g->z1 = v[3];
        return 1;
    }
    if (const char *rest = keyword(line, "add_point")) {
        int type;
        float d, h;
        if (std::sscanf(rest, "%d %f %f", &type, &d, &h) != 3) return 0;
        if (!std::isfinite(d) || !std::isfinite(h)) return 0;
        gradient *g = editor_selected_gradient();
        if (!g) return 0;
        return gradient_append_point(g, d, h, type == 1 ? SEGMENT_CURVE : SEGMENT_LINE);
    }
    return 0;
}

void editor_read_edinfo(void)
{
    data_stream *s = track_file_open("edinfo");
    if (!s) return;
    char line[EDINFO_LINE + 1];
    while (data_gets(s, line, sizeof line)) edinfo_parse_line(line);
    data_close(s);
}

int editor_save_edinfo(void)
{
    track_save save;
    data_stream *s = track_save_begin(&save, "edinfo");
    if (!s) {
        console_print("Can't open 'edinfo'\n");
        return 0;
    }
    for (int i = 0; i < g_editor.gradients.count; ++i) {
        const gradient *g = editor_gradient(i);
        data_printf(s, "add_gradient %f %f %f %f\n", g->x0, g->z0, g->x1, g->z1);
        const gradient_point *p = gradient_points(g);
        const unsigned char *t = gradient_types(g);
        for (int k = 0; k < g->points.count; ++k) data_printf(s, "add_point %d %f %f\n", t[k], p[k].distance, p[k].height);
    }
    if (!track_save_commit(&save)) {
        console_print("Can't write 'edinfo'\n");
        return 0;
    }
    return 1;
}
