#include "platform/array.h"
#include <cstdlib>
#include <cstring>

int growable_array_init(growable_array *a, int element_size)
{
    a->items = malloc((size_t)element_size * 16);
    a->capacity = a->items ? 16 : 0;
    a->count = 0;
    a->element_size = element_size;
    return a->items != nullptr;
}

int growable_array_append(growable_array *a, const void *element)
{
    if (a->count == a->capacity) {
        int want = a->count ? a->count * 2 : 16;
        void *grown = realloc(a->items, (size_t)a->element_size * want);
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
