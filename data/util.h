// data/util.h — heap sort, string interning, the one random generator, graphics variant lists.
#pragma once
#include <cstdint>
#include "platform/array.h"

// compare(a, b) > 0 means a belongs after b. Not stable.
void heap_sort(void *array, int count, int element_size, int (*compare)(const void *, const void *));

// One stored copy per distinct text for the whole run; compare interned names by pointer.
const char *string_intern(const char *text);
void        string_intern_free(void);   // at exit (and between tests): every copy goes

// MT19937; every value is 0 until the first seed.
void          random_seed(std::uint32_t seed);
std::uint32_t random_next(void);

// Refills paths (interned "@" names, entry 0 null) and names (entry 0 "default") from the
// ".png" files of the file index whose base name starts with prefix.
void list_variants_by_prefix(growable_array *paths, growable_array *names, const char *prefix);
