// "SOUNDTABLE" files, whitespace separated:
//   SOUNDTABLE rows columns          each 1..256
//   rows numbers                     engine speeds (rpm), ascending
//   columns numbers                  loads 0..1, ascending
//   rows × columns cells, row-major: integers ended by -1 (the remap list, maybe empty), then
//                                    the firing events the sample spans and the sample file
// A sample file is raw signed 16-bit little-endian mono; a trailing odd byte is ignored and
// at most 2^20 samples are read.
#include "bike/sound_table.h"
#include "bike/engine_sound.h"
#include "data/console.h"
#include "data/mem.h"
#include "data/stream.h"
#include "platform/array.h"
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

struct cached_sample {
    char  *name;
    float *samples;
    int    count;
};

sound_table   *g_tables;
growable_array g_samples;   // of cached_sample

char *copy_name(const char *name)
{
    std::size_t n = strlen(name) + 1;
    char *c = (char *)alloc_or_die(n);
    memcpy(c, name, n);
    return c;
}

void report(const char *text)
{
    console_print(text);
}

const cached_sample *read_samples(const char *name)
{
    if (g_samples.items) {
        const cached_sample *c = (const cached_sample *)g_samples.items;
        for (int i = 0; i < g_samples.count; ++i)
            if (!strcmp(c[i].name, name)) return &c[i];
    }
    const engine_sound_io *io = engine_sound_get_io();
    data_stream *in = io->open(name, "rb");
    if (!in) return nullptr;
    int capacity = 4096, count = 0;
    float *samples = (float *)alloc_or_die((std::size_t)capacity * sizeof(float));
    unsigned char block[4096];
    while (count < SOUND_SAMPLE_MAX) {
        int want = (SOUND_SAMPLE_MAX - count) * 2;
        if (want > (int)sizeof block) want = (int)sizeof block;
        int got = data_read(in, block, want);
        if (got <= 0) break;
        if (got & 1) {
            // The odd byte belongs with the next read's first; take it back when the file goes on.
            int more = data_read(in, block + got, 1);
            if (more == 1) ++got;
        }
        int n = got / 2;
        if (count + n > capacity) {
            while (count + n > capacity) capacity *= 2;
            float *grown = (float *)mem_resize(samples, (std::size_t)capacity * sizeof(float));
            if (!grown) mem_out_of_memory();
            samples = grown;
        }
        for (int i = 0; i < n; ++i)
            samples[count + i] = (float)(short)(block[2 * i] | block[2 * i + 1] << 8) / 32768.0f;
        count += n;
        if (got & 1) break;   // the file ended on an odd byte
    }
    io->close(in);
    if (count == 0) {
        mem_free(samples);
        return nullptr;
    }
    // Exactly the samples read, so a reader running past the end is caught, not padded.
    if (float *exact = (float *)mem_resize(samples, (std::size_t)count * sizeof(float))) samples = exact;
    cached_sample c = {copy_name(name), samples, count};
    if (!g_samples.items && !growable_array_init(&g_samples, sizeof(cached_sample))) mem_out_of_memory();
    if (!growable_array_append(&g_samples, &c)) mem_out_of_memory();
    return &((const cached_sample *)g_samples.items)[g_samples.count - 1];
}

void table_free(sound_table *t)
{
    if (!t) return;
    if (t->entries)
        for (int i = 0; i < t->rows * t->columns; ++i) mem_free(t->entries[i].remap);
    mem_free(t->entries);
    mem_free(t->name);
    mem_free(t);
}

// The remap list up to its -1. 0 when an integer does not read.
bool read_remap(data_stream *in, sound_table_entry *e)
{
    int capacity = 0;
    for (;;) {
        int v;
        if (data_scanf(in, "%d", &v) != 1) return false;
        if (v == -1) return true;
        if (e->remap_count == capacity) {
            capacity = capacity ? capacity * 2 : 8;
            int *grown = (int *)mem_resize(e->remap, (std::size_t)capacity * sizeof(int));
            if (!grown) mem_out_of_memory();
            e->remap = grown;
        }
        e->remap[e->remap_count++] = v;
    }
}

sound_table *read_table(const char *name)
{
    char line[1200];
    const engine_sound_io *io = engine_sound_get_io();
    data_stream *in = io->open(name, "rb");
    if (!in) {
        snprintf(line, sizeof line, "Error reading '%.512s'", name);
        report(line);
        return nullptr;
    }
    sound_table *t = (sound_table *)alloc_or_die(sizeof(sound_table));
    memset(t, 0, sizeof *t);
    t->name = copy_name(name);
    bool ok = data_scanf(in, "SOUNDTABLE %d %d", &t->rows, &t->columns) == 2 && t->rows >= 1 &&
              t->rows <= SOUND_TABLE_MAX_SIZE && t->columns >= 1 && t->columns <= SOUND_TABLE_MAX_SIZE;
    float row_values[SOUND_TABLE_MAX_SIZE], column_values[SOUND_TABLE_MAX_SIZE];
    for (int i = 0; ok && i < t->rows; ++i)
        ok = data_scanf(in, "%f", &row_values[i]) == 1 && std::isfinite(row_values[i]);
    for (int i = 0; ok && i < t->columns; ++i)
        ok = data_scanf(in, "%f", &column_values[i]) == 1 && std::isfinite(column_values[i]);
    if (!ok) {
        snprintf(line, sizeof line, "Error reading '%.512s'", name);
        report(line);
        io->close(in);
        t->rows = t->columns = 0;
        table_free(t);
        return nullptr;
    }
    const int cells = t->rows * t->columns;
    t->entries = (sound_table_entry *)alloc_or_die((std::size_t)cells * sizeof(sound_table_entry));
    memset(t->entries, 0, (std::size_t)cells * sizeof(sound_table_entry));
    for (int r = 0; ok && r < t->rows; ++r)
        for (int c = 0; ok && c < t->columns; ++c) {
            sound_table_entry *e = &t->entries[r * t->columns + c];
            e->row_value = row_values[r];
            e->column_value = column_values[c];
            if (!read_remap(in, e)) {
                snprintf(line, sizeof line, "(%d, %d) Bad remap entry", r, c);
                report(line);
                ok = false;
                break;
            }
            float events;
            char sample_name[1024] = "";
            const cached_sample *s = nullptr;
            // Fewer than one event would leave no cell to choose; 2^20 or more overflows.
            if (data_scanf(in, "%f %1023s", &events, sample_name) == 2 && events >= 1 &&
                events < (float)SOUND_EVENTS_MAX)
                s = read_samples(sample_name);
            if (!s) {
                snprintf(line, sizeof line, "(%d, %d) Error reading '%.512s'", r, c, sample_name);
                report(line);
                ok = false;
                break;
            }
            e->events = (int)events;
            e->samples = s->samples;
            e->sample_count = s->count;
            for (int i = 0; i < e->remap_count; ++i)
                e->remap[i] = ((e->remap[i] % e->events) + e->events) % e->events;
        }
    io->close(in);
    if (!ok) {
        table_free(t);
        return nullptr;
    }
    return t;
}

}   // namespace

sound_table *sound_table_find(const char *name)
{
    for (sound_table *t = g_tables; t; t = t->next)
        if (!strcmp(t->name, name)) return t;
    return nullptr;
}

void sound_table_add(sound_table *t)
{
    t->next = g_tables;
    g_tables = t;
}

sound_table *sound_table_load(const char *name)
{
    if (!name) return nullptr;
    if (sound_table *t = sound_table_find(name)) return t;
    sound_table *t = read_table(name);
    if (t) sound_table_add(t);
    return t;
}

void sound_table_cache_free(void)
{
    while (g_tables) {
        sound_table *next = g_tables->next;
        table_free(g_tables);
        g_tables = next;
    }
}

void sound_sample_cache_free(void)
{
    if (!g_samples.items) return;
    cached_sample *c = (cached_sample *)g_samples.items;
    for (int i = 0; i < g_samples.count; ++i) {
        mem_free(c[i].name);
        mem_free(c[i].samples);
    }
    growable_array_free(&g_samples);
    g_samples = growable_array{};
}
