// The texture and image caches: loading by name, aliases, animations and generation purges.
//
// Alias files:  "LINK", then the target name (the rest of the file, at most 1023 bytes, white
//               space trimmed).
// Animations:   "ANIM1", then "%d %d %d %d" (sequence length, frame count, ticks per step,
//               loop flag), the sequence's frame indices, then each frame: "K7" and an inline
//               K7 image, or "PNG" and a file name on the rest of the line.
#include "graphics/texture.h"
#include "graphics/image.h"
#include "graphics/png.h"
#include "data/console.h"
#include "data/mem.h"
#include "data/stream.h"
#include "data/util.h"
#include "platform/array.h"
#include "platform/log.h"
#include "graphics/render_options.h"
#include "platform/command_line.h"
#include <GL/gl.h>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <strings.h>

int resource_generation;

struct anim_frame {
    int            width, height, channels;
    unsigned char *pixels;
};

struct texture_anim {
    unsigned    id;
    int         sequence_length;
    int         frame_count;
    int         current;
    int         frame_time;
    int         loop;
    int         start_time;
    int         paused;
    anim_frame *frames;     // behind the record
    int        *sequence;   // behind the frames
};

namespace {

const char white_texture[] = "@colors/white.png";

struct texture_record {
    unsigned    id;
    int         generation;
    int         bytes;
    char       *info;
    const char *name;   // stored behind the record, in the same allocation
};

struct image_record {
    int            width, height, channels;
    unsigned char *pixels;
    int            generation;
    int            bytes;
    const char    *name;   // behind the record
};

struct texture_alias {
    const char *name;     // interned
    const char *target;   // interned; white_texture until the target has loaded
};

// Limits on what an animation file may ask for.
enum { SEQ_MAX_FRAMES = 1024, SEQ_MAX_LENGTH = 65536 };

// Each alias in a chain is one more texture_load on the stack; a chain from a downloaded track
// may be thousands long.
enum { LINK_MAX_DEPTH = 64 };

struct texture_tables {
    int            created;          // textures, aliases, animations
    int            images_created;
    growable_array textures;         // texture_record *
    growable_array images;           // image_record *
    growable_array aliases;          // texture_alias
    growable_array anims;            // texture_anim *
    int            link_depth;       // aliases being followed right now
};

texture_tables g_tex;

void tables_create(void)
{
    if (!g_tex.created) {
        growable_array_init(&g_tex.textures, sizeof(texture_record *));
        growable_array_init(&g_tex.aliases, sizeof(texture_alias));
        growable_array_init(&g_tex.anims, sizeof(texture_anim *));
        g_tex.created = 1;
    }
    if (!g_tex.images_created) {
        growable_array_init(&g_tex.images, sizeof(image_record *));
        g_tex.images_created = 1;
    }
}

texture_record **texture_at(int i) { return (texture_record **)g_tex.textures.items + i; }
image_record **image_at(int i) { return (image_record **)g_tex.images.items + i; }
texture_alias *alias_at(int i) { return (texture_alias *)g_tex.aliases.items + i; }
texture_anim **anim_at(int i) { return (texture_anim **)g_tex.anims.items + i; }

void case_warning(const char *name)
{
    char line[1024];
    snprintf(line, sizeof line, "Warning: case mismatch on '%.900s'", name);
    console_print(line);
}

// A line on the console when the game runs with --debug.
__attribute__((format(printf, 1, 2))) void debug_note(const char *format, ...)
{
    if (!g_options.debug_level) return;
    char line[1024];
    va_list ap;
    va_start(ap, format);
    vsnprintf(line, sizeof line, format, ap);
    va_end(ap);
    console_print(line);
}

void cant_open(const char *name)
{
    debug_note("Can't open texture \"%.900s\"", name);
}

// Opens an image file and reads the word that tells its format; null (reported) when either fails.
static data_stream *open_with_first_word(const char *name, char *word, int size)
{
    data_stream *s = data_open(name, "rb");
    if (!s) {
        cant_open(name);
        return nullptr;
    }
    if (!image_scan_word(s, word, size)) {
        data_close(s);
        return nullptr;
    }
    return s;
}

// Exact name first, then the first one equal without regard to case (with a warning).
template <typename Record>
int find_by_name(const growable_array &table, const char *name)
{
    Record **items = (Record **)table.items;
    for (int i = 0; i < table.count; ++i)
        if (!strcmp(items[i]->name, name)) return i;
    for (int i = 0; i < table.count; ++i)
        if (!strcasecmp(items[i]->name, name)) {
            case_warning(name);
            return i;
        }
    return -1;
}

// One allocation: the record, then its name.
template <typename Record>
Record *record_with_name(const char *name)
{
    std::size_t n = strlen(name);
    Record *r = (Record *)alloc_or_die(sizeof(Record) + n + 1);
    memset(r, 0, sizeof(Record));
    char *stored = (char *)(r + 1);
    memcpy(stored, name, n + 1);
    r->name = stored;
    return r;
}

int wrap_options(const char *name)
{
    int options = 0;
    if (strstr(name, "-hrepeat.")) options |= TEXTURE_REPEAT_S;
    if (strstr(name, "-vrepeat.")) options |= TEXTURE_REPEAT_T;
    if (strstr(name, "-repeat.")) options |= TEXTURE_REPEAT_S | TEXTURE_REPEAT_T;
    return options;
}

void print_warning(const char *format, const char *name)
{
    char line[1024];
    snprintf(line, sizeof line, format, name);
    console_print(line);
}

// LINK: the alias goes on the white texture first, so a link that leads back to itself (or
// round a loop) ends there instead of recursing.
unsigned load_link(const char *name, data_stream *s)
{
    texture_alias alias = {string_intern(name), string_intern(white_texture)};
    int index = g_tex.aliases.count;
    if (!growable_array_append(&g_tex.aliases, &alias)) {
        data_close(s);
        return 0;
    }
    char target[1024];
    int got = data_read(s, target, sizeof target - 1);
    data_close(s);
    if (got < 0) got = 0;
    target[got] = 0;
    char *start = target;
    while (*start && strchr(" \t\r\n\v\f", *start)) start++;
    char *end = start + strlen(start);
    while (end > start && strchr(" \t\r\n\v\f", end[-1])) *--end = 0;
    // Too deep a chain ends as a loop does, on the white texture; only the deepest link says so.
    if (g_tex.link_depth >= LINK_MAX_DEPTH) {
        kubl_log_printf("Alias chain deeper than %d at '%.900s': using %s\n", LINK_MAX_DEPTH, name,
                        white_texture);
        return texture_load(white_texture);
    }
    g_tex.link_depth++;
    unsigned id = texture_load(start);
    g_tex.link_depth--;
    if (id) {
        const char *found = texture_find_by_id(id, nullptr);
        if (found) alias_at(index)->target = string_intern(found);
    }
    return id;
}

void seq_error(const char *text)
{
    console_print(text);
}

} // namespace

// The frames and sequence of an ANIM1 file; null (after its message) on anything the file gets
// wrong. A header that does not parse is no animation and says nothing.
texture_anim *texture_anim_read(data_stream *s)
{
    int length, count, frame_time, loop;
    if (!image_scan_number(s, &length) || !image_scan_number(s, &count) ||
        !image_scan_number(s, &frame_time) || !image_scan_number(s, &loop) || length <= 0 || count <= 0)
        return nullptr;
    if (frame_time <= 0 || count > SEQ_MAX_FRAMES || length > SEQ_MAX_LENGTH) {
        seq_error("Bad .seq header");
        return nullptr;
    }
    std::size_t bytes = sizeof(texture_anim) + sizeof(anim_frame) * count + sizeof(int) * length;
    texture_anim *a = (texture_anim *)alloc_or_die(bytes);
    memset(a, 0, bytes);
    a->frames = (anim_frame *)(a + 1);
    a->sequence = (int *)(a->frames + count);
    a->sequence_length = length;
    a->frame_count = count;
    a->frame_time = frame_time;
    a->loop = loop;
    char line[1100];
    for (int i = 0; i < length; ++i)
        if (!image_scan_number(s, &a->sequence[i]) || a->sequence[i] < 0 || a->sequence[i] >= count) {
            seq_error("Error reading .seq sequence");
            mem_free(a);
            return nullptr;
        }
    int ok = 1;
    for (int i = 0; ok && i < count; ++i) {
        anim_frame *f = &a->frames[i];
        char word[16];
        if (!image_scan_word(s, word, sizeof word)) word[0] = 0;
        if (!strcmp(word, "K7")) {
            ok = image_read_kpnm(word, s, &f->pixels, &f->width, &f->height, 4);
            f->channels = 4;
            if (!ok) {
                f->pixels = nullptr;
                snprintf(line, sizeof line, "Error reading .seq frame %d", i);
                seq_error(line);
            }
        } else if (!strcmp(word, "PNG")) {
            char file[1024];
            if (!data_gets(s, file, sizeof file)) {
                seq_error("EOF while reading .seq");
                ok = 0;
                break;
            }
            char *start = file;
            while (*start && strchr(" \t\r\n", *start)) start++;
            char *end = start + strlen(start);
            while (end > start && strchr(" \t\r\n", end[-1])) *--end = 0;
            ok = image_read_png(start, &f->pixels, &f->width, &f->height, &f->channels, nullptr);
            if (!ok) {
                f->pixels = nullptr;
                snprintf(line, sizeof line, "Can't read %.900s", start);
                seq_error(line);
            }
        } else {
            snprintf(line, sizeof line, "Error reading .seq frame %d", i);
            seq_error(line);
            ok = 0;
        }
        if (ok) image_fit_levels(&f->pixels, &f->width, &f->height, f->channels, TEXTURE_SEQ_PIXEL_LIMIT, 0);
    }
    for (int i = 1; ok && i < count; ++i) {
        if (a->frames[i].width != a->frames[0].width || a->frames[i].height != a->frames[0].height) {
            seq_error("Width/height mismatch reading .seq");
            ok = 0;
        } else if (a->frames[i].channels != a->frames[0].channels) {
            seq_error("Depth mismatch reading .seq");
            ok = 0;
        }
    }
    if (!ok) {
        texture_anim_free(a);
        return nullptr;
    }
    a->current = a->sequence[0];
    return a;
}

void texture_anim_free(texture_anim *a)
{
    if (!a) return;
    for (int i = 0; i < a->frame_count; ++i) mem_free(a->frames[i].pixels);
    mem_free(a);
}

namespace {

// An animation's texture shows the first sequence entry; the record joins the table.
unsigned load_anim(data_stream *s, int options)
{
    texture_anim *a = texture_anim_read(s);
    if (!a) return 0;
    const anim_frame *f = &a->frames[a->current];
    unsigned id = texture_upload_gl(f->pixels, f->width, f->height, f->channels, options);
    a->id = id;
    if (!growable_array_append(&g_tex.anims, &a)) texture_anim_free(a);   // still a texture
    return id;
}

// Closes the gap entry index leaves in one of the tables; the caller has freed what it held.
void remove_entry(growable_array *table, int index)
{
    char *items = (char *)table->items;
    std::size_t size = (std::size_t)table->element_size;
    memmove(items + index * size, items + (index + 1) * size, size * (std::size_t)(table->count - index - 1));
    table->count--;
}

void delete_texture(int index)
{
    texture_record *r = *texture_at(index);
    debug_note("deleting tid %d (%.900s)", (int)r->id, r->name);
    GLuint id = r->id;
    glDeleteTextures(1, &id);
    mem_free(r->info);
    mem_free(r);
    remove_entry(&g_tex.textures, index);
}

void delete_image(int index)
{
    image_record *r = *image_at(index);
    debug_note("deleting image %.900s", r->name);
    mem_free(r->pixels);
    mem_free(r);
    remove_entry(&g_tex.images, index);
}

void delete_anim(int index)
{
    texture_anim *a = *anim_at(index);
    debug_note("deleting anim %d for tid %d", index, (int)a->id);
    texture_anim_free(a);
    remove_entry(&g_tex.anims, index);
}

int keeps(int generation, int all)
{
    return !all && (generation == 0 || generation == resource_generation);
}

} // namespace

unsigned texture_load(const char *name)
{
    tables_create();
    unsigned counter_before = render_stats.texture_bytes;
    int drop = g_render.model_texture_detail;
    if (name[0] == '!') {
        drop = 0;
        name++;
    }
    for (int i = 0; i < g_tex.aliases.count; ++i)
        if (!strcmp(alias_at(i)->name, name)) {
            name = alias_at(i)->target;
            break;
        }
    int found = find_by_name<texture_record>(g_tex.textures, name);
    if (found >= 0 && (*texture_at(found))->id) {
        texture_record *r = *texture_at(found);
        if (r->generation && r->generation != resource_generation) {
            r->generation = resource_generation;
            render_stats.texture_bytes += (unsigned)r->bytes;
        }
        return r->id;
    }

    char word[16];
    data_stream *s = open_with_first_word(name, word, sizeof word);
    if (!s) return 0;
    int options = wrap_options(name);
    unsigned id = 0;
    int width = 0, height = 0, animated = 0;
    unsigned char *pixels = nullptr;
    char *info = nullptr;
    if (!strcmp(word, "K7") || !strcmp(word, "K6")) {
        int channels = word[1] == '7' ? 4 : 3;
        if (image_read_kpnm(word, s, &pixels, &width, &height, channels))
            id = texture_prepare(pixels, width, height, channels, drop, options, name);
    } else if (!strcmp(word, "P3") || !strcmp(word, "P6")) {
        if (image_read_ppm(word, s, &pixels, &width, &height))
            id = texture_prepare(pixels, width, height, 3, drop, options, name);
    } else if (!strcmp(word, "ANIM1")) {
        id = load_anim(s, options);
        animated = id != 0;
    } else if (!strcmp(word, "LINK")) {
        return load_link(name, s);   // closes the stream
    }
    mem_free(pixels);
    pixels = nullptr;
    data_close(s);

    if (!id) {
        int channels;
        if (!image_read_png(name, &pixels, &width, &height, &channels, &info)) return 0;
        if (image_text_has(info, "[compress]")) options |= TEXTURE_COMPRESS;
        if (g_render.texture_compression == 0) options &= ~TEXTURE_COMPRESS;
        else if (g_render.texture_compression == 2) options |= TEXTURE_COMPRESS;
        id = texture_prepare(pixels, width, height, channels, drop, options, name);
        mem_free(pixels);
        if (!id) {
            mem_free(info);
            return 0;
        }
    }
    if (!animated && ((width & (width - 1)) || (height & (height - 1))))
        print_warning("Warning: Non power of 2 texture '%.950s'", name);

    texture_record *r = record_with_name<texture_record>(name);
    r->id = id;
    r->generation = resource_generation;
    r->bytes = (int)(render_stats.texture_bytes - counter_before);
    r->info = info;
    if (!growable_array_append(&g_tex.textures, &r)) {
        mem_free(info);
        mem_free(r);
    }
    return id;
}

const char *texture_find_by_id(unsigned id, int *index)
{
    for (int i = 0; g_tex.created && i < g_tex.textures.count; ++i)
        if ((*texture_at(i))->id == id) {
            if (index) *index = i;
            return (*texture_at(i))->name;
        }
    if (index) *index = -1;
    return nullptr;
}

const char *texture_info_text(unsigned id, int *index)
{
    int i;
    if (!texture_find_by_id(id, &i)) {
        if (index) *index = -1;
        return nullptr;
    }
    if (index) *index = i;
    return (*texture_at(i))->info;
}

int image_load_by_name(const char *name, unsigned char **pixels, int *width, int *height)
{
    tables_create();
    int drop = g_render.model_texture_detail;
    if (name[0] == '!') {
        drop = 0;
        name++;
    }
    int found = find_by_name<image_record>(g_tex.images, name);
    if (found >= 0) {
        image_record *r = *image_at(found);
        if (r->generation) r->generation = resource_generation;
        *pixels = r->pixels;
        *width = r->width;
        *height = r->height;
        return 1;
    }
    char word[16];
    data_stream *s = open_with_first_word(name, word, sizeof word);
    if (!s) return 0;
    unsigned char *p = nullptr;
    int w = 0, h = 0, channels = 0, ok = 0;
    if (!strcmp(word, "K7") || !strcmp(word, "K6")) {
        channels = word[1] == '7' ? 4 : 3;
        ok = image_read_kpnm(word, s, &p, &w, &h, channels);
    } else if (!strcmp(word, "P3") || !strcmp(word, "P6")) {
        channels = 3;
        ok = image_read_ppm(word, s, &p, &w, &h);
    }
    data_close(s);
    if (!ok && !image_read_png(name, &p, &w, &h, &channels, nullptr)) return 0;

    image_fit_levels(&p, &w, &h, channels, 0, drop);
    if (channels == 3) {
        std::size_t n = image_chain_bytes(w, h, 1);
        unsigned char *rgba = (unsigned char *)alloc_or_die(n * 4);
        for (std::size_t i = 0; i < n; ++i) {
            memcpy(rgba + i * 4, p + i * 3, 3);
            rgba[i * 4 + 3] = 255;
        }
        mem_free(p);
        p = rgba;
    }
    image_record *r = record_with_name<image_record>(name);
    r->width = w;
    r->height = h;
    r->channels = 4;
    r->pixels = p;
    r->generation = resource_generation;
    r->bytes = w * h * 4;
    if (!growable_array_append(&g_tex.images, &r)) {
        mem_free(p);
        mem_free(r);
        return 0;
    }
    *pixels = p;
    *width = w;
    *height = h;
    return 1;
}

const char *image_find_by_pixels(const unsigned char *pixels, int *index)
{
    for (int i = 0; g_tex.images_created && i < g_tex.images.count; ++i)
        if ((*image_at(i))->pixels == pixels) {
            if (index) *index = i;
            return (*image_at(i))->name;
        }
    if (index) *index = -1;
    return nullptr;
}

void texture_anim_update(int time)
{
    if (time < 0 || !g_tex.created) return;
    for (int i = 0; i < g_tex.anims.count; ++i) {
        texture_anim *a = *anim_at(i);
        if (a->paused) continue;
        int elapsed = time - a->start_time;
        int step = (elapsed > 0 ? elapsed : 0) / a->frame_time;
        step = a->loop ? step % a->sequence_length
                       : (step < a->sequence_length - 1 ? step : a->sequence_length - 1);
        int frame = a->sequence[step];
        if (frame == a->current) continue;
        const anim_frame *f = &a->frames[frame];
        GLenum format = f->channels == 4 ? GL_RGBA : GL_RGB;
        glBindTexture(GL_TEXTURE_2D, a->id);
        GLint alignment = 4;
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        // Every level the upload made, down to 1 x 1: a side that reaches 1 stays 1 while the
        // other goes on halving.
        const unsigned char *p = f->pixels;
        for (int level = 0, w = f->width, h = f->height;; ++level) {
            glTexSubImage2D(GL_TEXTURE_2D, level, 0, 0, w, h, format, GL_UNSIGNED_BYTE, p);
            p += (std::size_t)w * h * f->channels;
            if (w == 1 && h == 1) break;
            image_next_level(&w, &h);
        }
        glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
        glBindTexture(GL_TEXTURE_2D, 0);
        a->current = frame;
    }
}

void texture_anim_start(unsigned id, int time)
{
    for (int i = 0; g_tex.created && i < g_tex.anims.count; ++i)
        if ((*anim_at(i))->id == id) {
            (*anim_at(i))->paused = 0;
            (*anim_at(i))->start_time = time;
            return;
        }
}

void texture_anim_pause(unsigned id)
{
    for (int i = 0; g_tex.created && i < g_tex.anims.count; ++i)
        if ((*anim_at(i))->id == id) {
            (*anim_at(i))->paused = 1;
            return;
        }
}

void texture_purge(int all)
{
    if (g_tex.created) {
        for (int i = g_tex.textures.count - 1; i >= 0; --i)
            if (!keeps((*texture_at(i))->generation, all)) delete_texture(i);
    }
    if (g_tex.images_created) {
        for (int i = g_tex.images.count - 1; i >= 0; --i)
            if (!keeps((*image_at(i))->generation, all)) delete_image(i);
    }
    if (g_tex.created) {
        for (int i = g_tex.anims.count - 1; i >= 0; --i)
            if (!texture_find_by_id((*anim_at(i))->id, nullptr)) delete_anim(i);
    }
    if (!all) return;
    if (g_tex.created) {
        growable_array_free(&g_tex.textures);
        growable_array_free(&g_tex.aliases);
        growable_array_free(&g_tex.anims);
    }
    if (g_tex.images_created) growable_array_free(&g_tex.images);
    g_tex.created = 0;
    g_tex.images_created = 0;
}
