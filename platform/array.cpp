#include "platform/array.h"
#include <climits>
#include <cstdlib>
#include <cstring>

static growable_array_realloc_fn g_array_realloc;

void growable_array_set_realloc(growable_array_realloc_fn fn)
{
    g_array_realloc = fn;
}

int growable_array_init(growable_array *a, int element_size)
{
    a->items = element_size > 0 ? malloc((size_t)element_size * 16) : nullptr;
    a->capacity = a->items ? 16 : 0;
    a->count = 0;
    a->element_size = element_size;
    return a->items != nullptr;
}

int growable_array_append(growable_array *a, const void *element)
{
    if (a->count >= a->capacity) {
        // A count past INT_MAX / 2 cannot double; refuse rather than wrap.
        if (a->count > INT_MAX / 2 || a->element_size <= 0) return 0;
        int want = a->count ? a->count * 2 : 16;
        size_t bytes = (size_t)a->element_size * (size_t)want;
        void *grown = g_array_realloc ? g_array_realloc(a->items, bytes) : realloc(a->items, bytes);
        if (!grown) return 0;
        a->items = grown;
        a->capacity = want;
    }
    char *slot = (char *)a->items + (size_t)a->element_size * a->count;
    if (element) memcpy(slot, element, a->element_size);
    else memset(slot, 0, a->element_size);
    a->count++;
    return 1;
}

void growable_array_free(growable_array *a)
{
    free(a->items);
    a->items = nullptr;
    a->capacity = a->count = 0;
}
