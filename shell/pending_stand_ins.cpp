// Temporary stand-ins for data and platform services that are being written on other branches;
// this file is deleted when they are merged.
#include "data/stream.h"
#include "data/util.h"
#include "data/file_index.h"
#include "platform/display.h"
#include <cstdarg>
#include <cstdlib>
#include <cstring>

int data_scanf(data_stream *s, const char *format, ...)
{
    if (s->pushed_back >= 0) { ungetc(s->pushed_back, s->file); s->pushed_back = -1; }
    va_list ap;
    va_start(ap, format);
    int r = vfscanf(s->file, format, ap);
    va_end(ap);
    return r;
}

static char **g_interned;
static int    g_interned_count, g_interned_capacity;

const char *string_intern(const char *text)
{
    for (int i = 0; i < g_interned_count; ++i)
        if (strcmp(g_interned[i], text) == 0) return g_interned[i];
    if (g_interned_count == g_interned_capacity) {
        g_interned_capacity = g_interned_capacity ? g_interned_capacity * 2 : 16;
        g_interned = (char **)realloc(g_interned, sizeof(char *) * g_interned_capacity);
    }
    return g_interned[g_interned_count++] = strdup(text);
}

void string_intern_free(void)
{
    for (int i = 0; i < g_interned_count; ++i) free(g_interned[i]);
    free(g_interned);
    g_interned = nullptr;
    g_interned_count = g_interned_capacity = 0;
}

const char *const *file_index_names(void)
{
    static const char *const none[] = {nullptr};
    return none;
}

void list_variants_by_prefix(growable_array *paths, growable_array *names, const char *prefix)
{
    if (!paths->items) growable_array_init(paths, sizeof(char *));
    if (!names->items) growable_array_init(names, sizeof(char *));
    paths->count = names->count = 0;
    const char *none = nullptr, *def = string_intern("default");
    growable_array_append(paths, &none);
    growable_array_append(names, &def);
}

const display_mode *kubl_display_modes(void) { return nullptr; }
