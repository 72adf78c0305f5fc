// PNG glue: libpng reads and writes through our data streams.
//
// libpng reports errors by longjmp to the setjmp point of the function that made the read or
// write structure, so those functions hold only plain pointers (volatile where they change after
// setjmp) and free everything themselves on that path: no object with a destructor lives there.
#include "graphics/png.h"
#include "graphics/image.h"
#include "data/console.h"
#include "data/mem.h"
#include "data/paths.h"
#include "data/stream.h"
#include "platform/log.h"
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <png.h>
#include <zlib.h>

static void png_stream_read(png_structp png, png_bytep out, png_size_t count)
{
    data_stream *s = (data_stream *)png_get_io_ptr(png);
    if (count > INT_MAX || data_read(s, out, (int)count) != (int)count) png_error(png, "Read error");
}

static void png_stream_write(png_structp png, png_bytep data, png_size_t count)
{
    data_stream *s = (data_stream *)png_get_io_ptr(png);
    if (count > INT_MAX || data_write(s, data, (int)count) != (int)count) png_error(png, "Write error");
}

static void png_stream_flush(png_structp png)
{
    data_flush((data_stream *)png_get_io_ptr(png));
}

static void png_error_logged(png_structp png, png_const_charp message)
{
    kubl_log_printf("PNG error: %s\n", message);
    png_longjmp(png, 1);
}

static void png_warning_ignored(png_structp, png_const_charp) {}

// Opens name and checks the 8-byte signature; null (nothing said) when either fails.
static data_stream *open_png(const char *name)
{
    data_stream *s = data_open(name, "rb");
    if (!s) return nullptr;
    unsigned char signature[8];
    if (data_read(s, signature, 8) != 8 || png_sig_cmp(signature, 0, 8)) {
        data_close(s);
        return nullptr;
    }
    return s;
}

enum { PNG_CHUNK_MAX_BYTES = 4 << 20 };

static png_structp create_reader(data_stream *s, png_infop *info, png_infop *end)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, png_error_logged,
                                             png_warning_ignored);
    if (!png) return nullptr;
    *info = png_create_info_struct(png);
    *end = png_create_info_struct(png);
    if (!*info || !*end) {
        png_destroy_read_struct(&png, *info ? info : nullptr, *end ? end : nullptr);
        return nullptr;
    }
    png_set_user_limits(png, IMAGE_MAX_SIDE, IMAGE_MAX_SIDE);
    // A text or other ancillary chunk may claim any length up to 2 GiB; ours are a few lines.
    // libpng only warns about a chunk above the limit (a "benign" error) and then allocates it
    // anyway, so benign errors end the read.
    png_set_chunk_malloc_max(png, PNG_CHUNK_MAX_BYTES);
    png_set_benign_errors(png, 0);
    // libpng keeps at most 999 text chunks and refuses the whole picture past that (growing
    // its table eight entries at a time). Text chunks are read by our own handler instead
    // (read_picture), or dropped unread.
    static const png_byte text_chunks[] = "tEXt\0zTXt\0iTXt";
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, text_chunks, 3);
    png_set_read_fn(png, s, png_stream_read);
    png_set_sig_bytes(png, 8);
    return png;
}

// A growing text, kept in plain memory so it can live across libpng's longjmp. It grows by
// doubling, so a long side file costs its length, not its length squared.
struct png_text_buffer {
    char       *data;
    std::size_t length;
    std::size_t capacity;   // bytes held by data, its zero included
    int         capped;     // text chunks were cut at the limit
};

static void text_append(png_text_buffer *t, const char *more, std::size_t count)
{
    if (!count) return;
    if (t->length + count + 1 > t->capacity) {
        std::size_t capacity = t->capacity ? t->capacity : 256;
        while (capacity < t->length + count + 1) capacity *= 2;
        char *grown = (char *)alloc_or_die(capacity);
        if (t->length) memcpy(grown, t->data, t->length);
        mem_free(t->data);
        t->data = grown;
        t->capacity = capacity;
    }
    memcpy(t->data + t->length, more, count);
    t->length += count;
    t->data[t->length] = 0;
}

// Appends inflated deflate data, no further than the text may grow.
static void text_append_inflated(png_text_buffer *t, const png_byte *data, std::size_t size, std::size_t limit)
{
    z_stream z;
    memset(&z, 0, sizeof z);
    if (inflateInit(&z) != Z_OK) return;
    z.next_in = (Bytef *)data;
    z.avail_in = (uInt)size;
    char block[4096];
    int status = Z_OK;
    while (status == Z_OK && t->length < limit) {
        z.next_out = (Bytef *)block;
        z.avail_out = sizeof block;
        status = inflate(&z, Z_NO_FLUSH);
        std::size_t got = sizeof block - z.avail_out;
        if (got > limit - t->length) got = limit - t->length;
        // A zero byte ends the chunk's text, as it ends the text of a plain chunk.
        const char *nul = (const char *)memchr(block, 0, got);
        if (nul) got = (std::size_t)(nul - block);
        text_append(t, block, got);
        if (nul || status == Z_BUF_ERROR || (got == 0 && status == Z_OK)) break;
    }
    inflateEnd(&z);
}

// tEXt:  keyword, 0, text
// zTXt:  keyword, 0, method (0), deflate data
// iTXt:  keyword, 0, compressed flag, method, language tag, 0, translated keyword, 0, text
//        (deflate data when the flag is set)
// The text of every chunk, in file order, up to PNG_CHUNK_MAX_BYTES in all; the rest is dropped
// with a warning. A chunk that does not hold that layout adds nothing.
static int text_chunk_read(png_structp png, png_unknown_chunkp chunk)
{
    const char *name = (const char *)chunk->name;
    const int plain = !memcmp(name, "tEXt", 4), zipped = !memcmp(name, "zTXt", 4),
              international = !memcmp(name, "iTXt", 4);
    // Any other chunk libpng does not know: an ancillary one is dropped, as libpng would; a
    // critical one is left to libpng, which refuses the picture.
    if (!plain && !zipped && !international) return (chunk->name[0] & 0x20) ? 1 : 0;

    png_text_buffer *t = (png_text_buffer *)png_get_user_chunk_ptr(png);
    if (!t || !chunk->data) return 1;
    const png_byte *p = chunk->data, *end = chunk->data + chunk->size;
    const png_byte *zero = (const png_byte *)memchr(p, 0, chunk->size);   // after the keyword
    if (!zero) return 1;
    p = zero + 1;
    int compressed = 0;
    if (zipped) {
        if (p >= end) return 1;
        compressed = 1;
        p++;
    } else if (international) {
        if (end - p < 2) return 1;
        compressed = p[0] != 0;
        p += 2;
        for (int field = 0; field < 2; ++field) {   // language tag, translated keyword
            zero = (const png_byte *)memchr(p, 0, (std::size_t)(end - p));
            if (!zero) return 1;
            p = zero + 1;
        }
    }
    const std::size_t limit = PNG_CHUNK_MAX_BYTES;
    if (t->length >= limit) {
        t->capped = 1;
        return 1;
    }
    if (compressed) {
        text_append_inflated(t, p, (std::size_t)(end - p), limit);
    } else {
        // A zero byte ends the text, as it ends a C string.
        const png_byte *nul = (const png_byte *)memchr(p, 0, (std::size_t)(end - p));
        std::size_t n = (std::size_t)((nul ? nul : end) - p);
        if (n > limit - t->length) {
            n = limit - t->length;
            t->capped = 1;
        }
        text_append(t, (const char *)p, n);
    }
    if (t->length >= limit) t->capped = 1;
    return 1;
}

// The side file is held to the size a text chunk may have; a gzip side file could otherwise
// inflate to any size.
static void text_append_side_file(const char *name, png_text_buffer *t)
{
    std::size_t n = strlen(name);
    char *side = (char *)alloc_or_die(n + 6);
    memcpy(side, name, n);
    memcpy(side + n, ".info", 6);
    data_stream *s = data_open(side, "rb");
    if (!s) {
        mem_free(side);
        return;
    }
    char block[4096];
    std::size_t read = 0;
    int got;
    while (read < PNG_CHUNK_MAX_BYTES) {
        std::size_t want = PNG_CHUNK_MAX_BYTES - read < sizeof block ? PNG_CHUNK_MAX_BYTES - read : sizeof block;
        if ((got = data_read(s, block, (int)want)) <= 0) break;
        text_append(t, block, (std::size_t)got);
        read += (std::size_t)got;
    }
    if (read >= PNG_CHUNK_MAX_BYTES && data_getc(s) >= 0)
        kubl_log_printf("Warning: '%.900s' is longer than %d bytes; the rest is ignored\n", side,
                        (int)PNG_CHUNK_MAX_BYTES);
    data_close(s);
    mem_free(side);
}

struct png_picture {
    unsigned char  *pixels;    // a whole chain of the picture's size
    int             width, height, channels;
    png_text_buffer text;
};

static int read_picture(data_stream *s, png_picture *pic)
{
    png_infop info, end;
    png_structp png = create_reader(s, &info, &end);
    if (!png) return 0;
    png_set_read_user_chunk_fn(png, &pic->text, text_chunk_read);
    png_bytep *volatile rows = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, &end);
        mem_free(rows);
        mem_free(pic->pixels);
        pic->pixels = nullptr;
        mem_free(pic->text.data);
        pic->text.data = nullptr;
        return 0;
    }
    png_read_info(png, info);
    png_uint_32 w, h;
    int depth, colour, interlace;
    png_get_IHDR(png, info, &w, &h, &depth, &colour, &interlace, nullptr, nullptr);
    if (!image_size_ok(w, h)) png_error(png, "picture too large");
    int channels = colour & PNG_COLOR_MASK_ALPHA ? 4 : 3;
    if (png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_set_tRNS_to_alpha(png);
        channels = 4;
    }
    if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colour == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (depth == 16) png_set_strip_16(png);
    if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    std::size_t stride = (std::size_t)w * channels;
    if (png_get_rowbytes(png, info) != stride || png_get_channels(png, info) != channels)
        png_error(png, "unexpected row layout");

    pic->pixels = (unsigned char *)alloc_or_die(image_chain_bytes((int)w, (int)h, channels));
    png_bytep *r = (png_bytep *)alloc_or_die(sizeof(png_bytep) * h);
    rows = r;
    for (png_uint_32 y = 0; y < h; ++y) r[y] = pic->pixels + stride * y;
    png_read_image(png, r);
    png_read_end(png, end);
    png_destroy_read_struct(&png, &info, &end);
    mem_free(r);
    pic->width = (int)w;
    pic->height = (int)h;
    pic->channels = channels;
    return 1;
}

int image_text_has(const char *text, const char *key)
{
    return text && strstr(text, key) != nullptr;
}

// Hand-drawn levels: level 0 is the top two thirds; level 1 lies below it at the left edge,
// level 2 right of level 1, every further level below the one before in that column. Returns
// the new chain, or null (after a warning) when the picture cannot hold that layout.
static unsigned char *custom_levels(const char *name, const png_picture *pic, int *height)
{
    int w = pic->width, full = pic->height, ch = pic->channels;
    char line[1024];
    if ((2 * full) % 3) {
        snprintf(line, sizeof line, "Warning: Invalid height for custom MIP map in '%.950s'\n", name);
        console_print(line);
        return nullptr;
    }
    int h = 2 * full / 3;
    // Every level is placed and checked before anything is copied.
    int col = 0, row = 0, lw = w, lh = h;
    for (;;) {
        if (lw < 1 || lh < 1 || col + lw > w || row + lh > full) {
            snprintf(line, sizeof line, "Warning: Invalid custom MIP map layout in '%.950s'\n", name);
            console_print(line);
            return nullptr;
        }
        if (lw == 1 && lh == 1) break;
        if (row + lh < full) row += lh;
        else col += lw;
        image_next_level(&lw, &lh);
    }
    unsigned char *chain = (unsigned char *)alloc_or_die(image_chain_bytes(w, h, ch));
    unsigned char *out = chain;
    col = 0, row = 0, lw = w, lh = h;
    for (;;) {
        for (int y = 0; y < lh; ++y) {
            memcpy(out, pic->pixels + ((std::size_t)(row + y) * w + col) * ch, (std::size_t)lw * ch);
            out += (std::size_t)lw * ch;
        }
        if (lw == 1 && lh == 1) break;
        if (row + lh < full) row += lh;
        else col += lw;
        image_next_level(&lw, &lh);
    }
    *height = h;
    return chain;
}

int image_read_png(const char *name, unsigned char **pixels, int *width, int *height,
                   int *channels, char **text)
{
    data_stream *s = open_png(name);
    if (!s) return 0;
    png_picture pic;
    memset(&pic, 0, sizeof pic);
    int ok = read_picture(s, &pic);
    data_close(s);
    if (!ok) return 0;
    if (pic.text.capped)
        kubl_log_printf("Warning: the text chunks of '%.900s' pass %d bytes; the rest is ignored\n", name,
                        (int)PNG_CHUNK_MAX_BYTES);
    text_append_side_file(name, &pic.text);

    int h = pic.height;
    unsigned char *chain = nullptr;
    if (image_text_has(pic.text.data, "[mip_custom]")) chain = custom_levels(name, &pic, &h);
    if (chain) {
        mem_free(pic.pixels);
    } else {
        int flags = image_text_has(pic.text.data, "[mip_max_alpha]") ? IMAGE_HALVE_MAX_ALPHA : 0;
        image_build_mips(pic.pixels, pic.width, pic.height, pic.channels, flags);
        chain = pic.pixels;
    }
    *pixels = chain;
    *width = pic.width;
    *height = h;
    *channels = pic.channels;
    if (text) *text = pic.text.data;
    else mem_free(pic.text.data);
    return 1;
}

static int read_grey16(data_stream *s, unsigned short **out, int *width, int *height)
{
    png_infop info, end;
    png_structp png = create_reader(s, &info, &end);
    if (!png) return 0;
    png_bytep *volatile rows = nullptr;
    unsigned char *volatile samples = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, &end);
        mem_free(rows);
        mem_free(samples);
        return 0;
    }
    png_read_info(png, info);
    png_uint_32 w, h;
    int depth, colour, interlace;
    png_get_IHDR(png, info, &w, &h, &depth, &colour, &interlace, nullptr, nullptr);
    if (!image_size_ok(w, h)) png_error(png, "picture too large");
    if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colour == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (depth == 16) png_set_swap(png);
    if (colour & PNG_COLOR_MASK_ALPHA || png_get_valid(png, info, PNG_INFO_tRNS)) png_set_strip_alpha(png);
    if (colour & PNG_COLOR_MASK_COLOR) png_set_rgb_to_gray_fixed(png, 1, -1, -1);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    int out_depth = png_get_bit_depth(png, info);
    if (png_get_channels(png, info) != 1 || png_get_rowbytes(png, info) != (std::size_t)w * (out_depth == 16 ? 2 : 1))
        png_error(png, "unexpected row layout");

    std::size_t stride = (std::size_t)w * 2;
    unsigned char *p = (unsigned char *)alloc_or_die(stride * h);
    samples = p;
    png_bytep *r = (png_bytep *)alloc_or_die(sizeof(png_bytep) * h);
    rows = r;
    for (png_uint_32 y = 0; y < h; ++y) r[y] = p + stride * y;
    png_read_image(png, r);
    png_read_end(png, end);
    png_destroy_read_struct(&png, &info, &end);
    mem_free(r);
    if (out_depth <= 8) {
        // Widen from the end of each row backwards: value v becomes the sample v x 257.
        for (png_uint_32 y = 0; y < h; ++y) {
            unsigned char *row = p + stride * y;
            for (png_uint_32 x = w; x-- > 0;) row[2 * x] = row[2 * x + 1] = row[x];
        }
    }
    *out = (unsigned short *)p;
    *width = (int)w;
    *height = (int)h;
    return 1;
}

int image_read_png_grey16(const char *name, unsigned short **samples, int *width, int *height)
{
    data_stream *s = open_png(name);
    if (!s) return 0;
    int ok = read_grey16(s, samples, width, height);
    data_close(s);
    return ok;
}

// Where a written name ends up: an "@" name in the home folder, anything else as it stands.
static char *write_path(const char *name)
{
    if (name[0] != '@') {
        std::size_t n = strlen(name);
        char *copy = (char *)alloc_or_die(n + 1);
        memcpy(copy, name, n + 1);
        return copy;
    }
    if (path_climbs(name + 1)) {
        kubl_log_printf("Refusing to write '%.900s': it leaves the home folder\n", name);
        return nullptr;
    }
    const char *home = search_folder(0);   // written "@" files go to the home folder
    return home ? path_join(home, name + 1) : nullptr;
}

static int encode(data_stream *s, png_bytep *rows, int width, int height, int depth, int colour,
                  int transforms)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, png_error_logged,
                                              png_warning_ignored);
    if (!png) return 0;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return 0;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return 0;
    }
    png_set_write_fn(png, s, png_stream_write, png_stream_flush);
    png_set_IHDR(png, info, (png_uint_32)width, (png_uint_32)height, depth, colour,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_rows(png, info, rows);
    png_write_png(png, info, transforms, nullptr);
    png_destroy_write_struct(&png, &info);
    return 1;
}

// Writes to a temporary name beside the target and renames it over the target only when the
// whole picture went out, so a failed save leaves the old file as it was.
static int write_picture(const char *name, png_bytep *rows, int width, int height, int depth,
                         int colour, int transforms)
{
    char *path = write_path(name);
    if (!path) return 0;
    std::size_t n = strlen(path);
    char *temp = (char *)alloc_or_die(n + 5);
    memcpy(temp, path, n);
    memcpy(temp + n, ".tmp", 5);
    int ok = 0;
    if (data_stream *s = data_open(temp, "wb")) {
        ok = encode(s, rows, width, height, depth, colour, transforms) && data_flush(s) == 0;
        data_close(s);
        if (ok && rename(temp, path) != 0) {
            kubl_log_printf("Can't rename '%.900s'\n", temp);
            ok = 0;
        }
        if (!ok) remove(temp);
    } else {
        kubl_log_printf("Can't write '%.900s'\n", temp);
    }
    mem_free(temp);
    mem_free(path);
    return ok;
}

int image_write_png_grey16(const char *name, const unsigned short *samples, int width, int height)
{
    if (!samples || !image_size_ok(width, height)) return 0;
    png_bytep *rows = (png_bytep *)alloc_or_die(sizeof(png_bytep) * height);
    for (int y = 0; y < height; ++y) rows[y] = (png_bytep)(samples + (std::size_t)width * y);
    int ok = write_picture(name, rows, width, height, 16, PNG_COLOR_TYPE_GRAY, PNG_TRANSFORM_SWAP_ENDIAN);
    mem_free(rows);
    return ok;
}

int image_write_png_rgb(const char *name, const unsigned char *pixels, int width, int height)
{
    if (!pixels || !image_size_ok(width, height)) return 0;
    png_bytep *rows = (png_bytep *)alloc_or_die(sizeof(png_bytep) * height);
    for (int y = 0; y < height; ++y)
        rows[y] = (png_bytep)(pixels + (std::size_t)width * 3 * (height - 1 - y));
    int ok = write_picture(name, rows, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_TRANSFORM_IDENTITY);
    mem_free(rows);
    return ok;
}

int image_load_for_font(const char *name, unsigned char **pixels, int *width, int *height)
{
    unsigned char *p;
    int w, h, channels;
    char *text = nullptr;
    if (image_read_png(name, &p, &w, &h, &channels, &text)) {
        mem_free(text);
        if (channels == 3) {
            unsigned char *rgba = (unsigned char *)alloc_or_die((std::size_t)w * h * 4);
            for (std::size_t i = 0, n = (std::size_t)w * h; i < n; ++i) {
                memcpy(rgba + i * 4, p + i * 3, 3);
                rgba[i * 4 + 3] = 255;
            }
            mem_free(p);
            p = rgba;
        }
        *pixels = p;
        *width = w;
        *height = h;
        return 1;
    }
    data_stream *s = data_open(name, "rb");
    if (!s) return 0;
    char word[16];
    int ok = image_scan_word(s, word, sizeof word) && (!strcmp(word, "K6") || !strcmp(word, "K7")) &&
             image_read_kpnm(word, s, pixels, width, height, 4);
    data_close(s);
    return ok;
}
