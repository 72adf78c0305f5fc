// Skin file names: model variants and the normal and specular maps of a skin.
#include "bike/skin_names.h"
#include "bike/bike_create.h"
#include "graphics/model.h"
#include "data/console.h"
#include "data/mem.h"
#include <cstdio>
#include <cstring>

static char *join(const char *a, std::size_t a_length, const char *b, std::size_t b_length,
                  const char *c)
{
    std::size_t c_length = strlen(c);
    char *out = (char *)alloc_or_die(a_length + b_length + c_length + 1);
    memcpy(out, a, a_length);
    memcpy(out + a_length, b, b_length);
    memcpy(out + a_length + b_length, c, c_length + 1);
    return out;
}

static const char *base_name(const char *path)
{
    const char *slash = strrchr(path, '/');
    return slash ? slash + 1 : path;
}

char *string_replace_suffix(const char *text, const char *old_suffix, const char *new_suffix)
{
    std::size_t n = strlen(text), k = strlen(old_suffix);
    if (k > n || strcmp(text + n - k, old_suffix)) return nullptr;
    return join(text, n - k, "", 0, new_suffix);
}

char *bike_name_variant(const char *model_name, const char *skin_name, const char *extension)
{
    const char *skin_base = base_name(skin_name);
    const char *first = strchr(skin_base, '-');
    const char *second = first ? strchr(first + 1, '-') : nullptr;
    if (!second) return nullptr;

    const char *model_base = base_name(model_name);
    const char *cut = strchr(model_base, '-');
    if (!cut) cut = strrchr(model_base, '.');
    if (!cut) return nullptr;
    return join(model_name, (std::size_t)(cut - model_name), first, (std::size_t)(second - first),
                extension);
}

// The variant's file name in the skin's folder: "@gear/x-red-.png" puts it in "@gear/".
static char *in_skin_folder(const char *variant, const char *skin_name)
{
    const char *slash = strrchr(skin_name, '/');
    std::size_t folder = slash ? (std::size_t)(slash + 1 - skin_name) : (skin_name[0] == '@' ? 1 : 0);
    const char *base = base_name(variant);
    if (base == variant && base[0] == '@') ++base;
    return join(skin_name, folder, base, strlen(base), "");
}

km_mesh *bike_model_load_variant(const char *model_name, const char *skin_name, int warn)
{
    if (!model_name) return nullptr;
    char line[1000];
    char *variant = skin_name ? bike_name_variant(model_name, skin_name, "") : nullptr;
    if (variant) {
        km_mesh *model = model_load(variant);
        if (!model) {
            char *other = in_skin_folder(variant, skin_name);
            model = model_load(other);
            if (!model && warn) {
                snprintf(line, sizeof line, "Warning: Can't load %.450s or %.450s", variant, other);
                console_print(line);
            }
            mem_free(other);
        }
        mem_free(variant);
        return model;
    }
    km_mesh *model = model_load(model_name);
    if (!model && warn) {
        snprintf(line, sizeof line, "Warning: Can't load %.900s", model_name);
        console_print(line);
    }
    return model;
}

// The first of the three map files that loads, from name with its extension replaced.
static unsigned load_map(const char *name, const char *kind, int variant_of_skin, const char *skin)
{
    static const char *const types[] = {".seq", ".png", ".ppm"};
    for (const char *type : types) {
        char suffix[16];
        snprintf(suffix, sizeof suffix, "%s%s", kind, type);
        char *file;
        if (variant_of_skin) {
            file = bike_name_variant(name, skin, suffix);
        } else {
            const char *base = base_name(name);
            const char *dot = strrchr(base, '.');
            std::size_t keep = dot ? (std::size_t)(dot - name) : strlen(name);
            file = join(name, keep, "", 0, suffix);
        }
        if (!file) return 0;
        unsigned id = bike_resources()->texture(file);
        mem_free(file);
        if (id) return id;
    }
    return 0;
}

void bike_skin_maps(unsigned *normal_map, unsigned *specular_map, const char *skin_name,
                    const char *catalogue_texture)
{
    *normal_map = *specular_map = 0;
    if (!skin_name) return;
    static const char *const kinds[2] = {"_norm", "_spec"};
    unsigned *out[2] = {normal_map, specular_map};
    for (int k = 0; k < 2; ++k) {
        *out[k] = load_map(skin_name, kinds[k], 0, skin_name);
        if (!*out[k]) *out[k] = load_map(skin_name, kinds[k], 1, skin_name);
        if (!*out[k] && catalogue_texture) *out[k] = load_map(catalogue_texture, kinds[k], 1, skin_name);
    }
}
