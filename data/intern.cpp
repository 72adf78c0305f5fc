// String interning: one stored copy per distinct text, kept for the whole run, so names can be
// compared by pointer and held without ownership worries.
#include "data/mem.h"
#include "data/util.h"
#include <cstring>

static growable_array g_intern;   // of char *, each a block of its own

const char *string_intern(const char *text)
{
    char **items = (char **)g_intern.items;
    for (int i = 0; i < g_intern.count; ++i)
        if (!strcmp(items[i], text)) return items[i];

    std::size_t n = strlen(text) + 1;
    char *copy = (char *)alloc_or_die(n);
    memcpy(copy, text, n);

    if (g_intern.count == g_intern.capacity) {
        int want = g_intern.capacity ? g_intern.capacity * 2 : 16;
        void *grown = mem_resize(g_intern.items, (std::size_t)want * sizeof(char *));
        if (!grown) return copy;   // still a good copy, just not shared
        g_intern.items = grown;
        g_intern.capacity = want;
        g_intern.element_size = sizeof(char *);
    }
    ((char **)g_intern.items)[g_intern.count++] = copy;
    return copy;
}

void string_intern_free(void)
{
    char **items = (char **)g_intern.items;
    for (int i = 0; i < g_intern.count; ++i) mem_free(items[i]);
    mem_free(g_intern.items);
    g_intern = growable_array{};
}
