// Loading, freeing and saving the ground of a track folder.
#include "terrain/terrain_io.h"
#include "terrain/decal_grid.h"
#include "terrain/field.h"
#include "terrain/lighting.h"
#include "terrain/lod.h"
#include "terrain/shading.h"
#include "terrain/surface.h"
#include "terrain/terrain_seams.h"
#include "terrain/upkeep.h"
#include "data/console.h"
#include "data/mem.h"
#include "data/paths.h"
#include "data/ripemd160.h"
#include "data/stream.h"
#include "platform/log.h"
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

float terrain_sample_height(float min, float max, unsigned sample)
{
    return (max - min) * (float)sample * 1.5259022e-05f + min;
}

std::uint16_t terrain_quantise_height(float h, float min, float max)
{
    if (!(max > min)) return 0;   // a flat field: 0 * infinity in the plain formula
    float v = (h - min) * (1.0f / (max - min)) * 65535.0f + 0.5f;
    if (!(v > 0.0f)) return 0;
    if (v >= 65535.0f) return 65535;
    return (std::uint16_t)v;
}

static void console_printf(const char *format, const char *arg)
{
    char message[1200];
    snprintf(message, sizeof message, format, arg);
    console_print(message);
}

static std::string join(const char *folder, const char *name)
{
    return std::string(folder) + "/" + name;
}

data_stream *terrain_open_file(const char *folder, const char *name, const char *mode, int required)
{
    std::string path = join(folder, name);
    data_stream *s = data_open(path.c_str(), mode);
    if (!s && required) console_printf("Can't open '%.950s'", path.c_str());
    return s;
}

static void reset_record(terrain_field *t)
{
    memset((void *)t, 0, sizeof *t);
    t->eye_cell_x = t->eye_cell_z = TERRAIN_NO_EYE;
    t->texture_size = 128;
}

void terrain_free(terrain_field *t)
{
    if (t->framebuffer) terrain_framebuffer_delete(t->framebuffer);
    if (t->decals.items) {
        for (int i = 0; i < t->decals.count; ++i) mem_free(((decal *)t->decals.items)[i].name);
        growable_array_free(&t->decals);
    }
    for (growable_array &a : t->decal_work) growable_array_free(&a);
    for (growable_array &a : t->decal_grid) growable_array_free(&a);
    for (int l = 0; l < 6; ++l)
        for (int z = 0; z < 4; ++z)
            for (int x = 0; x < 4; ++x) {
                terrain_texture_delete(t->ring_color[l][z][x]);
                if (t->terrain_shader) {
                    terrain_texture_delete(t->ring_normal[l][z][x]);
                    terrain_texture_delete(t->ring_specular[l][z][x]);
                }
            }
    if (t->block_color && t->lod_depth >= 6) {
        int blocks = 1 << (2 * (t->lod_depth - 6));
        for (int i = 0; i < blocks; ++i) {
            terrain_texture_delete(t->block_color[i]);
            if (t->terrain_shader) {
                if (t->block_normal) terrain_texture_delete(t->block_normal[i]);
                if (t->block_specular) terrain_texture_delete(t->block_specular[i]);
            }
        }
    }
    mem_free(t->block_color);   // normal and specular names share its allocation
    mem_free(t->shadows);
    mem_free(t->block_dirty);
    mem_free(t->block_request);
    if (t->block_color_textures)
        for (int i = 0; i < t->block_count * t->block_count; ++i) terrain_texture_delete(t->block_color_textures[i]);
    mem_free(t->block_color_textures);
    mem_free(t->tilemap);
    mem_free(t->shading);
    mem_free(t->normal_image);
    mem_free(t->vertex_dirty);
    mem_free(t->normal_dirty);
    mem_free(t->heights);
    mem_free(t->lod_active);
    mem_free(t->lod_split_dist2);
    mem_free(t->lod_split_next);
    mem_free(t->pixel_buffer);
    reset_record(t);
}

static void *zeroed(std::size_t bytes)
{
    void *p = alloc_or_die(bytes);
    memset(p, 0, bytes);
    return p;
}

// Header of "terrain.hf". Depths outside 7..11 and non-finite or non-positive cell sizes (or
// non-finite heights) are refused: they would overrun the drawing's windows or the memory. So
// are values whose derived sizes are not finite (the height range, the world size, the inverse
// cell size): every height or position made from them would be NaN or infinite.
static int read_header(terrain_field *t, data_stream *s, const char *folder, float *first_out, float *second_out)
{
    int depth = 0;
    float cell = 0, first = 0, second = 0;
    int got = data_scanf(s, "%d %f %f %f ", &depth, &cell, &first, &second);
    bool valid = got == 4 && depth >= TERRAIN_MIN_DEPTH && depth <= TERRAIN_MAX_DEPTH &&
                 std::isfinite(cell) && cell > 0.0f && std::isfinite(first) && std::isfinite(second);
    if (valid)
        valid = std::isfinite(second - first) && std::isfinite((float)(1 << depth) * cell * 2.0f) &&
                std::isfinite(1.0f / cell);
    if (!valid) {
        if (got == 4)
            kubl_log_printf("%.900s/terrain.hf: depth %d, cell size %g, heights %g..%g not usable\n",
                            folder, depth, cell, first, second);
        console_print("Bad height field parameters");
        console_print("Error reading heights");
        return 0;
    }
    t->lod_depth = depth;
    t->grid_dim = (1 << (depth + 1)) + 1;
    t->cell_size = cell;
    t->tile_size = 2.0f * cell;
    t->world_size = (float)(1 << depth) * cell * 2.0f;
    t->lod_tolerance = terrain_settings.lod_tolerance;
    // Samples decode with the header's values as written; the bounds are kept ordered.
    t->height_min = first < second ? first : second;
    t->height_max = first < second ? second : first;
    t->height_generation = 1;
    t->lod_build_state = 0;
    t->lod_build_level = depth;
    *first_out = first;
    *second_out = second;
    return 1;
}

static void read_raw_heights(terrain_field *t, data_stream *s, const char *folder, float min, float max,
                             ripemd160_ctx *digest)
{
    const long count = (long)t->grid_dim * t->grid_dim;
    unsigned char chunk[65536];
    long done = 0;
    while (done < count) {
        long want = count - done < 32768 ? count - done : 32768;
        int got = data_read(s, chunk, (int)(want * 2)) / 2;
        if (digest) ripemd160_update(digest, chunk, (std::size_t)got * 2);
        for (int i = 0; i < got; ++i)
            t->heights[done + i] = terrain_sample_height(min, max, chunk[2 * i] | (chunk[2 * i + 1] << 8));
        done += got;
        if (got < want) break;
    }
    if (done < count) {
        console_printf("Warning: short height data in '%.900s/terrain.hf', the rest is flat", folder);
        for (long i = done; i < count; ++i) t->heights[i] = terrain_sample_height(min, max, 0);
    }
}

static void read_png_heights(terrain_field *t, const char *folder, float min, float max, ripemd160_ctx *digest)
{
    std::string name = join(folder, "terrain.png");
    std::uint16_t *samples = nullptr;
    int width = 0, height = 0;
    const int dim = t->grid_dim;
    if (!terrain_read_png_grey16(name.c_str(), &samples, &width, &height) || width <= 0 || height <= 0) {
        mem_free(samples);
        for (long i = 0; i < (long)dim * dim; ++i) t->heights[i] = min;
        return;
    }
    for (int z = 0; z < dim; ++z) {
        const std::uint16_t *row = samples + (long)(z < height ? z : height - 1) * width;
        for (int x = 0; x < dim; ++x) {
            std::uint16_t v = row[x < width ? x : width - 1];
            t->heights[(long)z * dim + x] = terrain_sample_height(min, max, v);
            if (digest) {
                unsigned char bytes[2] = { (unsigned char)(v & 0xFF), (unsigned char)(v >> 8) };
                ripemd160_update(digest, bytes, 2);
            }
        }
    }
    mem_free(samples);
}

static int load_heights(terrain_field *t, const char *folder)
{
    terrain_status_reset("Loading terrain");
    data_stream *s = terrain_open_file(folder, "terrain.hf", "rb", 1);
    if (!s) return 0;
    float min = 0, max = 0;   // as written: a minimum above the maximum decodes consistently
    if (!read_header(t, s, folder, &min, &max)) {
        data_close(s);
        return 0;
    }
    const long cells = (long)t->grid_dim * t->grid_dim;
    t->lod_active = (unsigned char *)zeroed((std::size_t)bit_bytes(terrain_lod_node_count(t->lod_depth)));
    t->heights = (float *)alloc_or_die(sizeof(float) * 2 * cells);
    t->loaded_heights = t->heights + cells;

    terrain_status_reset("Loading heights");
    // The digest of the samples only serves the log at the highest debug level.
    ripemd160_ctx digest_state, *digest = nullptr;
    if (terrain_settings.debug_level >= 2) {
        digest = &digest_state;
        ripemd160_init(digest);
    }
    if (data_getc(s) == ':') read_raw_heights(t, s, folder, min, max, digest);
    else read_png_heights(t, folder, min, max, digest);
    if (digest) {
        ripemd160_final(digest);
        char hex[41];
        for (int i = 0; i < 20; ++i) snprintf(hex + 2 * i, 3, "%02x", digest->digest[i]);
        kubl_log_printf("%s\n", hex);
    }
    memcpy(t->loaded_heights, t->heights, sizeof(float) * cells);

    const long nodes = terrain_lod_node_count(t->lod_depth);
    t->lod_split_dist2 = (float *)zeroed(sizeof(float) * nodes);
    t->lod_split_next = (float *)zeroed(sizeof(float) * nodes);
    terrain_build_lod(t, TERRAIN_BUDGET_UNLIMITED);
    data_close(s);
    terrain_status_done("Loading heights");
    return 1;
}

static void choose_texture_mode(terrain_field *t, int requested)
{
    int size = terrain_settings.ground_texture_size;
    int capped = size < 256 ? size : 256;
    t->texture_mode = 1;
    t->texture_size = capped;
    if (requested == 3 && terrain_settings.framebuffer_objects) {
        int fb = terrain_framebuffer_create();
        if (fb) {
            t->framebuffer = fb;
            t->texture_size = size;
            t->texture_mode = 3;
        }
    } else if (requested == 2) {
        t->texture_mode = 2;
    }
    static const char *const lines[4] = {
        "", "Terrain texture rendering with TexSubImage", "Terrain texture rendering with CopyTexSubImage",
        "Terrain texture rendering with framebuffer objects",
    };
    console_print(lines[t->texture_mode]);
}

static int load_shading(terrain_field *t, const char *folder)
{
    terrain_status_reset("Loading shading");
    int halve = 0;
    data_stream *s = terrain_open_file(folder, "shadingx2.ppm", "rb", 0);
    if (!s) {
        s = terrain_open_file(folder, "shading.ppm", "rb", 1);
        if (!s) return 0;
        halve = 1;
    }
    unsigned char *pixels = nullptr;
    int width = 0, height = 0;
    int ok = terrain_read_rgb_image(s, &pixels, &width, &height);
    data_close(s);
    if (!ok) {
        mem_free(pixels);
        console_print("Error reading shading");
        return 0;
    }
    if (width != t->grid_dim || height != t->grid_dim) {
        mem_free(pixels);
        char message[80];
        snprintf(message, sizeof message, "Bad shading dimensions (%dx%d)", width, height);
        console_print(message);
        return 0;
    }
    const long bytes = 3L * t->grid_dim * t->grid_dim;
    t->shading = (unsigned char *)alloc_or_die((std::size_t)bytes);
    for (long i = 0; i < bytes; ++i) t->shading[i] = halve ? pixels[i] >> 1 : pixels[i];
    mem_free(pixels);
    terrain_status_done("Loading shading");
    return 1;
}

static int load_shadows(terrain_field *t, const char *folder)
{
    terrain_status_reset("Loading shadows");
    const long count = (long)t->grid_dim * t->grid_dim;
    data_stream *s = terrain_open_file(folder, "shadows.pgm", "rb", 0);
    if (!s) {
        t->shadows = (unsigned char *)zeroed((std::size_t)count);
        return 1;
    }
    unsigned char *pixels = nullptr;
    int width = 0, height = 0;
    int ok = terrain_read_grey_image(s, &pixels, &width, &height);
    data_close(s);
    if (!ok) {
        mem_free(pixels);
        console_print("Error reading shadows");
        return 0;
    }
    if (width != t->grid_dim || height != t->grid_dim) {
        mem_free(pixels);
        kubl_log_printf("Bad shadow dimensions (%dx%d)\n", width, height);
        return 0;
    }
    t->shadows = (unsigned char *)alloc_or_die((std::size_t)count);
    for (long i = 0; i < count; ++i) t->shadows[i] = (unsigned char)(255 - pixels[i]);
    mem_free(pixels);
    terrain_status_done("Loading shadows");
    return 1;
}

static int load_tiles(terrain_field *t, const char *folder)
{
    terrain_status_reset("Loading tileinfo");
    if (data_stream *s = terrain_open_file(folder, "tileinfo", "rb", 0)) {
        tileinfo_parse(t, s);
        data_close(s);
    } else {
        s = terrain_open_file(folder, "texturelist", "rb", 1);
        if (!s) return 0;
        texturelist_parse(t, s);
        data_close(s);
    }
    terrain_status_done("Loading tileinfo");

    terrain_status_reset("Loading tilemap");
    data_stream *s = terrain_open_file(folder, "tilemap", "rb", 1);
    if (!s) return 0;
    const long count = 1L << (2 * t->lod_depth);
    t->tilemap = (unsigned char *)zeroed((std::size_t)count);
    long got = 0;
    while (got < count) {
        int n = data_read(s, t->tilemap + got, (int)(count - got < (1 << 20) ? count - got : (1 << 20)));
        if (n <= 0) break;
        got += n;
    }
    data_close(s);
    if (got < count) console_printf("Warning: short tile map in '%.900s/tilemap', the rest is tile 0", folder);
    for (long i = 0; i < count; ++i) {
        if (t->tile_count == 0) t->tilemap[i] = 255;
        else if (t->tilemap[i] > t->tile_count - 1) t->tilemap[i] = (unsigned char)(t->tile_count - 1);
    }
    terrain_status_done("Loading tilemap");
    return 1;
}

static void build_vertex_images(terrain_field *t)
{
    const long count = (long)t->grid_dim * t->grid_dim;
    t->vertex_dirty = (unsigned char *)zeroed((std::size_t)bit_bytes(count));
    if (!t->terrain_shader) return;
    t->normal_image = (unsigned char *)alloc_or_die((std::size_t)(3 * count));
    t->normal_dirty = (unsigned char *)zeroed((std::size_t)bit_bytes(count));
    terrain_status_reset("Creating terrain normals");
    for (int z = 0; z < t->grid_dim; ++z)
        for (int x = 0; x < t->grid_dim; ++x)
            vertex_normal_bytes(t, x, z, t->normal_image + 3 * ((long)z * t->grid_dim + x));
    terrain_status_done("Creating terrain normals");
}

static int block_edge(int cells, int first_cell)
{
    int want = cells - first_cell + 128, edge = 1;
    while (edge < want && edge < 512) edge <<= 1;
    return edge;
}

// Low-detail colour blocks (texture modes 2 and 3): the per-vertex colours of 384-cell squares
// with a 64-cell margin, the shading source of GPU composition.
static void build_colour_blocks(terrain_field *t)
{
    if (t->texture_mode != 2 && t->texture_mode != 3) return;
    terrain_status_reset("Creating low detail textures");
    const int cells = 1 << (t->lod_depth + 1);
    t->block_count = ((cells / 128) + 2) / 3;
    const int n = t->block_count;
    t->block_color_textures = (int *)zeroed(sizeof(int) * n * n);
    t->block_dirty = (unsigned char *)zeroed((std::size_t)bit_bytes((long)n * n));
    if (terrain_settings.debug_level >= 1)
        kubl_log_printf("%dx%d low detail textures needed for %dx%d field\n", n, n, t->grid_dim, t->grid_dim);
    int edge_x = 512;
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) {
            terrain_status_spin("Creating low detail textures");
            edge_x = block_edge(cells, 384 * c);
            int edge_z = block_edge(cells, 384 * r);
            terrain_render_block(t, t->pixel_buffer, 384 * c - 64, 384 * r - 64, edge_x, edge_z);
            t->block_color_textures[r * n + c] = terrain_texture_upload_rgb(t->pixel_buffer, edge_x, edge_z);
        }
    t->inv_block_texture_size = 1.0f / (float)edge_x;
    memset(t->block_dirty, 0, (std::size_t)bit_bytes((long)n * n));
    t->next_block = 0;
    terrain_status_done("Creating low detail textures");
}

static void load_decal_image(terrain_field *t, decal *d, const char *name)
{
    if (t->texture_mode == 1) {
        unsigned char *pixels = nullptr;
        if (terrain_image_load(name, &pixels, &d->width, &d->height)) d->pixels = (int *)pixels;
        return;
    }
    d->color_texture = terrain_texture_load(name);
    const char *dot = strrchr(name, '.');
    if (!t->terrain_shader || !dot) return;
    int *maps[2] = { &d->normal_texture, &d->specular_texture };
    static const char *const endings[2][2] = { {"_tnorm.png", "_tnorm.ppm"}, {"_tspec.png", "_tspec.ppm"} };
    for (int m = 0; m < 2; ++m)
        for (int e = 0; e < 2 && !*maps[m]; ++e)
            if (char *map = name_replace_suffix(name, dot, endings[m][e])) {
                *maps[m] = terrain_texture_load(map);
                mem_free(map);
            }
}

static void load_decals(terrain_field *t, const char *folder)
{
    data_stream *s = terrain_open_file(folder, "decals", "rb", 0);
    if (!s) return;
    terrain_status_reset("Loading decals");
    growable_array_init(&t->decals, sizeof(decal));
    for (growable_array &a : t->decal_grid) growable_array_init(&a, sizeof(int));
    for (growable_array &a : t->decal_work) growable_array_init(&a, sizeof(int));
    static char name[1024];
    for (;;) {
        decal d;
        memset(&d, 0, sizeof d);
        if (data_scanf(s, "[ %f %f ] %f %f %f %1023s ", &d.x, &d.z, &d.angle, &d.size1, &d.size2, name) != 6) break;
        // A non-finite number counts as not parsing: saved as "inf" it would end the list there
        // on the next load anyway.
        if (!std::isfinite(d.x) || !std::isfinite(d.z) || !std::isfinite(d.angle) || !std::isfinite(d.size1) ||
            !std::isfinite(d.size2))
            break;
        terrain_status_spin("Loading decals");
        d.sin_angle = std::sin(d.angle);
        d.cos_angle = std::cos(d.angle);
        load_decal_image(t, &d, name);
        // Kept even when its image did not load: the composer skips it, and a save keeps it.
        size_t n = strlen(name);
        d.name = (char *)alloc_or_die(n + 1);
        memcpy(d.name, name, n + 1);
        if (!growable_array_append(&t->decals, &d)) mem_free(d.name);
    }
    data_close(s);
    for (growable_array &a : t->decal_grid) a.count = 0;
    for (int i = 0; i < t->decals.count; ++i) decal_grid_insert(t, i);
    terrain_status_done("Loading decals");
}

int terrain_load(terrain_field *t, const char *folder, int texture_mode)
{
    terrain_free(t);
    snprintf(t->folder, sizeof t->folder, "%s", folder);
    if (!load_heights(t, folder)) {
        terrain_free(t);
        return 0;
    }
    t->pixel_buffer = (unsigned char *)alloc_or_die(TERRAIN_PIXEL_BUFFER_BYTES);
    choose_texture_mode(t, texture_mode);
    t->terrain_shader = terrain_settings.terrain_shader && track_lighting.dynamic_lighting &&
                        (t->texture_mode == 2 || t->texture_mode == 3);
    if (!load_shading(t, folder) || !load_shadows(t, folder) || !load_tiles(t, folder)) {
        terrain_free(t);
        return 0;
    }
    build_vertex_images(t);
    build_colour_blocks(t);
    terrain_create_lod_textures(t);
    load_decals(t, folder);
    return 1;
}

// ---- saving ----

// Real file path of folder + "/" + name: "@" names are written in the home folder.
static std::string write_path(const char *folder, const char *name)
{
    std::string path = join(folder, name);
    if (path[0] == '@') {
        const char *home = search_folder(0);
        path = std::string(home ? home : "./") + path.substr(1);
    }
    return path;
}

struct save_file {
    const char *name;
    std::string path, temp;
    data_stream *stream;
    int ok;
};

static data_stream *begin_file(save_file *f, const char *folder, const char *name)
{
    f->name = name;
    f->path = write_path(folder, name);
    f->temp = f->path + ".saving";
    f->stream = data_open(f->temp.c_str(), "wb");
    f->ok = f->stream != nullptr;
    if (!f->stream) console_printf("Can't open '%.950s'", name);
    return f->stream;
}

static int end_file(save_file *f)
{
    if (!f->stream) return 0;
    if (data_flush(f->stream) != 0 || ferror(f->stream->file)) f->ok = 0;
    data_close(f->stream);
    f->stream = nullptr;
    if (!f->ok) console_printf("Can't write '%.950s'", f->name);
    return f->ok;
}

static void write_bytes(save_file *f, const void *bytes, long count)
{
    const unsigned char *p = (const unsigned char *)bytes;
    while (count > 0 && f->ok) {
        int n = count > (1 << 20) ? (1 << 20) : (int)count;
        if (data_write(f->stream, p, n) != n) f->ok = 0;
        p += n;
        count -= n;
    }
}

static int write_header_and_heights(terrain_field *t, save_file *hf, save_file *png, const char *folder,
                                    std::uint16_t *samples)
{
    const long count = (long)t->grid_dim * t->grid_dim;
    float min = t->heights[0], max = t->heights[0];
    for (long i = 1; i < count; ++i) {
        if (t->heights[i] < min) min = t->heights[i];
        if (t->heights[i] > max) max = t->heights[i];
    }
    t->height_min = min;
    t->height_max = max;
    for (long i = 0; i < count; ++i) samples[i] = terrain_quantise_height(t->heights[i], min, max);

    if (!begin_file(hf, folder, "terrain.hf")) return 0;
    if (data_printf(hf->stream, "%d %f %f %f\n", t->lod_depth, t->cell_size, min, max) < 0) hf->ok = 0;
    if (!terrain_png_writer_available()) {
        // Without a PNG writer the heights follow the header as raw little-endian samples.
        data_putc(hf->stream, ':');
        unsigned char chunk[65536];
        for (long i = 0; i < count;) {
            int n = 0;
            for (; n < (int)sizeof chunk && i < count; n += 2, ++i) {
                chunk[n] = (unsigned char)(samples[i] & 0xFF);
                chunk[n + 1] = (unsigned char)(samples[i] >> 8);
            }
            write_bytes(hf, chunk, n);
        }
    }
    if (!end_file(hf)) return 0;

    if (!terrain_png_writer_available()) return 1;
    png->name = "terrain.png";
    png->path = write_path(folder, "terrain.png");
    png->temp = png->path + ".saving";
    png->stream = nullptr;
    png->ok = terrain_write_png_grey16(png->temp.c_str(), samples, t->grid_dim, t->grid_dim);
    if (!png->ok) console_print("Can't open 'terrain.png'");
    return png->ok;
}

static int write_shading(terrain_field *t, save_file *f, const char *folder, const char *name, int doubled)
{
    if (!begin_file(f, folder, name)) return 0;
    data_printf(f->stream, "P6\n%d %d\n255\n", t->grid_dim, t->grid_dim);
    const long bytes = 3L * t->grid_dim * t->grid_dim;
    unsigned char chunk[65536];
    for (long i = 0; i < bytes;) {
        int n = 0;
        for (; n < (int)sizeof chunk && i < bytes; ++n, ++i) {
            int v = doubled ? t->shading[i] * 2 : t->shading[i];
            chunk[n] = (unsigned char)(v > 255 ? 255 : v);
        }
        write_bytes(f, chunk, n);
    }
    return end_file(f);
}

static int write_decals(terrain_field *t, save_file *f, const char *folder)
{
    if (!begin_file(f, folder, "decals")) return 0;
    for (int i = 0; i < t->decals.count; ++i) {
        const decal &d = ((const decal *)t->decals.items)[i];
        const char *name = d.name;
        if (!name) name = t->texture_mode == 1 ? terrain_image_name(d.pixels) : terrain_texture_name(d.color_texture);
        if (!name) continue;
        if (data_printf(f->stream, "[%f %f] %f %f %f %s\n", d.x, d.z, d.angle, d.size1, d.size2, name) < 0) f->ok = 0;
    }
    return end_file(f);
}

int terrain_save(terrain_field *t)
{
    if (!t->heights) return 0;
    const char *folder = t->folder;
    // Renamed in this order once everything is written: the heights image before the header
    // that may point at it, the header last of all.
    enum { PNG, SHADING, SHADINGX2, TILEMAP, DECALS, HF, FILES };
    save_file files[FILES];
    for (save_file &f : files) { f.name = nullptr; f.stream = nullptr; f.ok = 0; }

    std::uint16_t *samples = (std::uint16_t *)alloc_or_die(sizeof(std::uint16_t) * t->grid_dim * t->grid_dim);
    int ok = write_header_and_heights(t, &files[HF], &files[PNG], folder, samples);
    mem_free(samples);
    if (ok) {
        terrain_update_shading(t);
        ok = write_shading(t, &files[SHADING], folder, "shading.ppm", 1) &&
             write_shading(t, &files[SHADINGX2], folder, "shadingx2.ppm", 0);
    }
    if (ok && begin_file(&files[TILEMAP], folder, "tilemap")) {
        write_bytes(&files[TILEMAP], t->tilemap, 1L << (2 * t->lod_depth));
        ok = end_file(&files[TILEMAP]);
    } else {
        ok = 0;
    }
    if (ok && t->decals.items) ok = write_decals(t, &files[DECALS], folder);

    for (save_file &f : files) {
        if (!f.name || f.temp.empty()) continue;
        if (!ok || !f.ok) { unlink(f.temp.c_str()); continue; }
        if (rename(f.temp.c_str(), f.path.c_str()) != 0) {
            console_printf("Can't write '%.950s'", f.name);
            unlink(f.temp.c_str());
            ok = 0;
        }
    }
    return ok;
}
