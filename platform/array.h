// platform/array.h — the one dynamic array of the game: 16 elements first, doubled when full.
#pragma once
#include <cstddef>

struct growable_array {
    void *items;
    int   capacity;      // elements
    int   count;         // elements
    int   element_size;  // bytes
};

// Creates the array with room for 16 elements (malloc). Returns 1, or 0 when that fails.
int  growable_array_init(growable_array *array, int element_size);
// Appends a copy of *element, or a zero-filled element when element is null. 1, or 0 when the
// array could not grow (it is then left as it was).
int  growable_array_append(growable_array *array, const void *element);
void growable_array_free(growable_array *array);

// The reallocation growable_array_append uses; null restores realloc. Tests make it fail.
typedef void *(*growable_array_realloc_fn)(void *block, std::size_t bytes);
void growable_array_set_realloc(growable_array_realloc_fn fn);
