// Data streams: plain files, stretches of a larger file (archive members), and gzip data
// decoded on the fly.
//
// gzip (first member only; the trailer is never read):
//   0  1F 8B          magic
//   2  08             method: deflate
//   3  flags          0x02 header CRC, 0x04 extra, 0x08 name, 0x10 comment; 0xE0 must be clear
//   4  6 bytes        time, extra flags, system (skipped)
//   then: extra (2-byte little-endian length + bytes), name (to a zero byte), comment (to a
//   zero byte), header CRC (2 bytes), each present when its flag is; then raw deflate data.
#include "data/stream.h"
#include "data/file_index.h"
#include "data/mem.h"
#include "data/paths.h"
#include "platform/log.h"
#include <cstdarg>
#include <cstring>
#include <initializer_list>
#include <sys/stat.h>

enum {
    PLAIN_LENGTH = 0x7FFFFFFF,
    INPUT_BYTES = sizeof(((data_stream *)nullptr)->input_block),
    OUTPUT_BYTES = sizeof(((data_stream *)nullptr)->output_block),
    CANDIDATE_MAX_CHARS = 511,
    GZ_PATH_MAX_CHARS = 1022,
};

static int mode_reads(const char *mode)
{
    return strchr(mode, 'r') && !strchr(mode, '+');
}

static void stream_set(data_stream *s, FILE *file, std::uint32_t offset, std::uint32_t length)
{
    s->file = file;
    s->member_offset = offset;
    s->length = length;
    s->position = 0;
    s->pushed_back = -1;
    s->compressed = 0;
    s->end = 0;
}

// A folder opens for reading here but reads nothing; it must not hide a file further down
// the search order.
static FILE *open_file(const char *path, const char *mode)
{
    FILE *f = fopen(path, mode);
    if (!f) return nullptr;
    struct stat st;
    if (fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
        fclose(f);
        return nullptr;
    }
    return f;
}

static std::uint32_t fill_input(data_stream *s)
{
    std::uint32_t left = s->compressed_length - s->compressed_consumed;
    std::uint32_t want = left < INPUT_BYTES ? left : (std::uint32_t)INPUT_BYTES;
    std::uint32_t got = want ? (std::uint32_t)fread(s->input_block, 1, want, s->file) : 0;
    s->compressed_consumed += got;
    s->inflate_state.next_in = s->input_block;
    s->inflate_state.avail_in = got;
    return got;
}

static int gzip_begin(data_stream *s)
{
    z_stream *z = &s->inflate_state;
    s->compressed_length = s->length;
    s->compressed_consumed = 0;
    s->length = PLAIN_LENGTH;
    s->end = 0;
    memset(z, 0, sizeof *z);
    z->next_out = s->output_block;
    z->avail_out = OUTPUT_BYTES;
    s->read_pointer = s->output_block;

    std::uint32_t n = fill_input(s);
    const unsigned char *b = s->input_block;
    if (n < 10 || b[0] != 0x1F || b[1] != 0x8B || b[2] != 8 || (b[3] & 0xE0)) return 0;
    int flags = b[3];
    std::uint32_t pos = 10;
    if (flags & 0x04) {
        if (pos + 2 > n) return 0;
        std::uint32_t extra = b[pos] | (std::uint32_t)b[pos + 1] << 8;
        pos += 2;
        if (extra > n - pos) return 0;
        pos += extra;
    }
    for (int text_flag : {0x08, 0x10}) {
        if (!(flags & text_flag)) continue;
        while (pos < n && b[pos]) pos++;
        if (pos < n) pos++;
    }
    if (flags & 0x02) {
        if (pos + 2 > n) return 0;
        pos += 2;
    }
    z->next_in = s->input_block + pos;
    z->avail_in = n - pos;
    if (inflateInit2(z, -15) != Z_OK) return 0;
    s->compressed = 1;
    return 1;
}

// Hands out up to n decoded bytes. The output block is filled whole before any of it goes out.
// Corrupt or truncated data ends the stream after what was decoded; every inflate call either
// makes progress or ends it, so this never spins.
static std::uint32_t gzip_read(data_stream *s, unsigned char *out, std::uint32_t n)
{
    z_stream *z = &s->inflate_state;
    std::uint32_t got = 0;
    for (;;) {
        std::uint32_t ready = (std::uint32_t)(z->next_out - s->read_pointer);
        std::uint32_t take = ready < n - got ? ready : n - got;
        memcpy(out + got, s->read_pointer, take);
        s->read_pointer += take;
        got += take;
        if (got == n || s->end) return got;

        if (z->avail_out == 0) {
            z->next_out = s->read_pointer = s->output_block;
            z->avail_out = OUTPUT_BYTES;
        }
        while (z->avail_out > 0) {
            if (z->avail_in == 0) fill_input(s);
            int r = inflate(z, Z_NO_FLUSH);
            if (r != Z_OK) {
                // Z_STREAM_END, or no progress possible: bad data, input gone, no memory.
                s->end = 1;
                break;
            }
        }
    }
}

static int start_decoder(data_stream *s)
{
    if (gzip_begin(s)) return 1;
    fclose(s->file);
    s->file = nullptr;
    return 0;
}

int data_open_path(data_stream *s, const char *path, const char *mode)
{
    int reads = mode_reads(mode);
    if (!reads) make_parent_folders(path);
    FILE *f = open_file(path, mode);
    int compressed = 0;
    if (!f && reads && strlen(path) + 3 <= GZ_PATH_MAX_CHARS) {
        char gz[GZ_PATH_MAX_CHARS + 1];
        snprintf(gz, sizeof gz, "%s.gz", path);
        f = open_file(gz, mode);
        compressed = f != nullptr;
    }
    if (!f) return 0;
    stream_set(s, f, 0, PLAIN_LENGTH);
    return compressed ? start_decoder(s) : 1;
}

int data_open_member(data_stream *s, const char *path, std::uint32_t offset, std::uint32_t size,
                     int compressed)
{
    FILE *f = open_file(path, "rb");
    if (!f) return 0;
    if (fseeko(f, (off_t)offset, SEEK_SET)) {
        fclose(f);
        return 0;
    }
    stream_set(s, f, offset, size);
    return compressed ? start_decoder(s) : 1;
}

// 1 when the ".." components of a name climb above the folder it is looked up in: "a/../b"
// stays inside, "../x" and "a/../../x" do not.
static int name_leaves_folder(const char *name)
{
    int depth = 0;
    for (const char *p = name;;) {
        std::size_t n = strcspn(p, "/\\");
        if (n == 2 && p[0] == '.' && p[1] == '.') {
            if (--depth < 0) return 1;
        } else if (n && !(n == 1 && p[0] == '.')) {
            depth++;
        }
        if (!p[n]) return 0;
        p += n + 1;
    }
}

int data_open_name(data_stream *s, const char *path, const char *mode)
{
    if (path[0] != '@') return data_open_path(s, path, mode);
    int reads = mode_reads(mode);
    if (!reads && path_climbs(path + 1)) {
        kubl_log_printf("Refusing to write '%.900s': it leaves the home folder\n", path);
        return 0;
    }
    // Names come from track files and archives: a read stays inside the game's folders.
    if (reads && name_leaves_folder(path + 1)) {
        kubl_log_printf("Refusing to read '%.900s': it leaves the game's folders\n", path);
        return 0;
    }
    for (int i = 0; const char *folder = search_folder(i); ++i) {
        char candidate[CANDIDATE_MAX_CHARS + 1];
        snprintf(candidate, sizeof candidate, "%s%s", folder, path + 1);
        if (data_open_path(s, candidate, mode)) return 1;
    }
    // Written "@" files go to a search folder or nowhere; reading goes on to the file index.
    return reads ? file_index_open_member(s, path + 1) : 0;
}

data_stream *data_open(const char *path, const char *mode)
{
    data_stream *s = (data_stream *)mem_alloc(sizeof(data_stream));
    if (!s) return nullptr;
    memset(s, 0, sizeof *s);
    s->pushed_back = -1;
    if (!data_open_name(s, path, mode)) {
        mem_free(s);
        return nullptr;
    }
    return s;
}

void data_close(data_stream *s)
{
    if (!s) return;
    if (s->compressed) inflateEnd(&s->inflate_state);
    if (s->file) fclose(s->file);
    mem_free(s);
}

int data_getc(data_stream *s)
{
    if (s->pushed_back >= 0) {
        int c = s->pushed_back;
        s->pushed_back = -1;
        return c;
    }
    if (s->compressed) {
        unsigned char c;
        if (s->read_pointer < s->inflate_state.next_out) c = *s->read_pointer++;
        else if (gzip_read(s, &c, 1) != 1) return -1;
        s->position++;
        return c;
    }
    if (s->position >= s->length) return -1;
    // A stream belongs to one thread, so stdio's per-call lock buys nothing on this hot path.
    int c = getc_unlocked(s->file);
    if (c != EOF) s->position++;
    return c;
}

char *data_gets(data_stream *s, char *buffer, int size)
{
    if (size <= 1) {
        if (size == 1) buffer[0] = 0;
        return buffer;
    }
    int n = 0;
    while (n < size - 1) {
        int c = data_getc(s);
        if (c < 0) break;
        buffer[n++] = (char)c;
        if (c == '\n') break;
    }
    buffer[n] = 0;
    return n ? buffer : nullptr;
}

int data_read(data_stream *s, void *buffer, int count)
{
    if (count <= 0) return 0;
    unsigned char *out = (unsigned char *)buffer;
    int n = 0;
    if (s->pushed_back >= 0) {
        out[n++] = (unsigned char)s->pushed_back;
        s->pushed_back = -1;
    }
    std::uint32_t want = (std::uint32_t)(count - n);
    std::uint32_t got;
    if (s->compressed) {
        got = gzip_read(s, out + n, want);
    } else {
        std::uint32_t left = s->position < s->length ? s->length - s->position : 0;
        got = (std::uint32_t)fread(out + n, 1, want < left ? want : left, s->file);
    }
    s->position += got;
    return n + (int)got;
}

int data_putc(data_stream *s, int byte)
{
    return fputc(byte, s->file) != EOF;
}

int data_puts(data_stream *s, const char *text)
{
    return fputs(text, s->file);
}

int data_write(data_stream *s, const void *data, int count)
{
    return count > 0 ? (int)fwrite(data, 1, (std::size_t)count, s->file) : 0;
}

int data_printf(data_stream *s, const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    int n = vfprintf(s->file, format, ap);
    va_end(ap);
    return n;
}

int data_flush(data_stream *s)
{
    return fflush(s->file);
}

int data_seek(data_stream *s, std::uint32_t offset)
{
    if (s->compressed || offset >= s->length) return 0;
    if (fseeko(s->file, (off_t)s->member_offset + offset, SEEK_SET)) return 0;
    s->pushed_back = -1;
    s->position = offset;
    return 1;
}
