// Selectable graphics variants (wheels, bike graphics, helmets, rider bodies), found by the base
// names of the indexed ".png" files.
#include "data/file_index.h"
#include "data/mem.h"
#include "data/util.h"
#include <cstring>

static int ends_with(const char *text, std::size_t n, const char *tail)
{
    std::size_t t = strlen(tail);
    return n >= t && !memcmp(text + n - t, tail, t);
}

static void append_text(growable_array *a, const char *text)
{
    // Lists are tiny; failing to grow one is running out of memory.
    if (!growable_array_append(a, &text)) mem_out_of_memory();
}

void list_variants_by_prefix(growable_array *paths, growable_array *names, const char *prefix)
{
    if (!paths->items && !growable_array_init(paths, sizeof(const char *))) mem_out_of_memory();
    if (!names->items && !growable_array_init(names, sizeof(const char *))) mem_out_of_memory();
    paths->count = 0;
    names->count = 0;
    append_text(paths, nullptr);
    append_text(names, string_intern("default"));

    std::size_t prefix_n = strlen(prefix);
    const char *const *files = file_index_names();
    for (int i = 0; files && files[i]; ++i) {
        const char *file = files[i];
        std::size_t n = strlen(file);
        if (!ends_with(file, n, ".png") || ends_with(file, n, "_norm.png") || ends_with(file, n, "_spec.png"))
            continue;
        const char *slash = strrchr(file, '/');
        const char *base = slash ? slash + 1 : file;
        std::size_t base_n = strlen(base);
        if (base_n < prefix_n + 4 || strncmp(base, prefix, prefix_n)) continue;

        char *text = (char *)alloc_or_die(n + 2);
        text[0] = '@';
        memcpy(text + 1, file, n + 1);
        append_text(paths, string_intern(text));
        // The display name: the base name between the prefix and ".png".
        std::size_t name_n = base_n - prefix_n - 4;
        memcpy(text, base + prefix_n, name_n);
        text[name_n] = 0;
        append_text(names, string_intern(text));
        mem_free(text);
    }
}
