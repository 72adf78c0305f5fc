#include "bike/braap.h"
#include "bike/engine_sound.h"
#include "bike/sound_table.h"
#include "data/stream.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

// The text after a keyword that may follow blanks and must be followed by a blank or the end.
const char *after_keyword(const char *line, const char *keyword)
{
    while (blank(*line)) ++line;
    std::size_t n = strlen(keyword);
    if (strncmp(line, keyword, n) || (line[n] && !blank(line[n]))) return nullptr;
    return line + n;
}

int read_list(const char *text, float *out)
{
    int count = 0;
    while (count < ENGINE_SOUND_LIST) {
        char *end;
        float v = strtof(text, &end);
        if (end == text || !std::isfinite(v)) break;
        out[count++] = v;
        text = end;
    }
    return count;
}

void read_one(const char *line, const char *format, float *out)
{
    float v;
    if (sscanf(line, format, &v) == 1 && std::isfinite(v)) *out = v;
}

}   // namespace

void braap_apply_line(const char *text, engine_sound_params *p)
{
    char line[1024];
    snprintf(line, sizeof line, "%s", text);
    if (char *hash = strchr(line, '#')) *hash = 0;

    if (!strncmp(line, "pipe", 4) && (!line[4] || blank(line[4]))) {
        float v[3] = {5, 0.9182071685791016f, -0.85f};
        const float defaults[3] = {v[0], v[1], v[2]};
        int band[2] = {0, 15};
        int n = sscanf(line + 4, "%f %f %f %d %d", &v[0], &v[1], &v[2], &band[0], &band[1]);
        for (int i = 0; i < 3 && i < n; ++i)
            if (!std::isfinite(v[i])) {
                for (int k = i; k < 3; ++k) v[k] = defaults[k];
                band[0] = 0, band[1] = 15;
                break;
            }
        engine_sound_compute_pipe(v[0], v[1], v[2], band[0], band[1], p);
        return;
    }
    read_one(line, "minrpm %f", &p->minrpm);
    read_one(line, "lowtorque %f", &p->lowtorque);
    read_one(line, "hightorque %f", &p->hightorque);
    if (const char *rest = after_keyword(line, "bias")) p->bias_count = read_list(rest, p->bias);
    if (const char *rest = after_keyword(line, "scale")) p->scale_count = read_list(rest, p->scale);
    if (const char *rest = after_keyword(line, "soundtable")) {
        while (blank(*rest)) ++rest;
        char name[1024];
        snprintf(name, sizeof name, "%s", rest);
        std::size_t n = strlen(name);
        while (n && blank(name[n - 1])) name[--n] = 0;
        if (sound_table *t = sound_table_load(name)) p->table = t;   // a failed table keeps the old
    }
}

void braap_read(data_stream *in, engine_sound_params *p)
{
    engine_sound_compute_pipe(1, 1, 0, 0, 15, p);
    char line[1024];
    while (data_gets(in, line, sizeof line)) braap_apply_line(line, p);
}
