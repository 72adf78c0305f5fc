// bike/skin_names.h — the file names of a bike's skins: a graphics variant ("@cr125-red-.png")
// picks matching variants of the models and the normal and specular maps.
#pragma once

struct km_mesh;

// A new string (free with mem_free) with old_suffix at the end replaced, or null when text
// does not end in it.
char *string_replace_suffix(const char *text, const char *old_suffix, const char *new_suffix);

// The model name cut at its first '-' after the last '/' (else at its extension), then the
// skin's variant part (its first '-' after the last '/' up to the next '-'), then extension.
// Null when the skin has no such pair of '-' or the model name neither a '-' nor an extension.
// Free with mem_free.
char *bike_name_variant(const char *model_name, const char *skin_name, const char *extension);

// The model in the skin's variant (beside the model, then in the skin's folder), else the model
// as named. With warn set a model that does not load is reported on the console.
km_mesh *bike_model_load_variant(const char *model_name, const char *skin_name, int warn);

// The skin's "_norm" and "_spec" maps (".seq", ".png", ".ppm"), from the skin's own name, its
// variant, then the variant of the catalogue's texture; 0 where none loads.
void bike_skin_maps(unsigned *normal_map, unsigned *specular_map, const char *skin_name,
                    const char *catalogue_texture);
