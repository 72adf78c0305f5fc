// First cut of the data streams: plain files and "@" names through the search folders.
#include "data/stream.h"
#include "data/mem.h"
#include "data/paths.h"
#include <cstdarg>
#include <cstring>
#include <string>

static int mode_reads(const char *mode) { return strchr(mode, 'r') && !strchr(mode, '+'); }

int data_open_path(data_stream *s, const char *path, const char *mode)
{
    if (!mode_reads(mode)) make_parent_folders(path);
    FILE *f = fopen(path, mode);
    if (!f) return 0;
    s->file = f;
    s->member_offset = 0;
    s->length = 0x7FFFFFFF;
    s->position = 0;
    s->pushed_back = -1;
    s->compressed = 0;
    return 1;
}

int data_open_name(data_stream *s, const char *path, const char *mode)
{
    if (path[0] != '@') return data_open_path(s, path, mode);
    for (int i = 0; search_folder(i); ++i) {
        std::string candidate = std::string(search_folder(i)) + (path + 1);
        if (data_open_path(s, candidate.c_str(), mode)) return 1;
    }
    return 0;
}

data_stream *data_open(const char *path, const char *mode)
{
    data_stream *s = (data_stream *)mem_alloc(sizeof(data_stream));
    if (!s) return nullptr;
    memset(s, 0, sizeof *s);
    if (!data_open_name(s, path, mode)) { mem_free(s); return nullptr; }
    return s;
}

void data_close(data_stream *s)
{
    if (!s) return;
    if (s->file) fclose(s->file);
    mem_free(s);
}

int data_getc(data_stream *s)
{
    if (s->pushed_back >= 0) { int c = s->pushed_back; s->pushed_back = -1; return c; }
    if (s->position >= s->length) return -1;
    int c = fgetc(s->file);
    if (c >= 0) s->position++;
    return c;
}

char *data_gets(data_stream *s, char *buffer, int size)
{
    if (size <= 1) { if (size == 1) buffer[0] = 0; return buffer; }
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
    unsigned char *out = (unsigned char *)buffer;
    int n = 0;
    if (count > 0 && s->pushed_back >= 0) { out[n++] = (unsigned char)s->pushed_back; s->pushed_back = -1; }
    std::uint32_t left = s->length - s->position;
    std::uint32_t want = (std::uint32_t)(count - n) < left ? (std::uint32_t)(count - n) : left;
    size_t got = fread(out + n, 1, want, s->file);
    s->position += (std::uint32_t)got;
    return n + (int)got;
}

int data_putc(data_stream *s, int byte) { return fputc(byte, s->file) != EOF; }
int data_puts(data_stream *s, const char *text) { return fputs(text, s->file); }
int data_write(data_stream *s, const void *data, int count) { return (int)fwrite(data, 1, count, s->file); }
int data_flush(data_stream *s) { return fflush(s->file); }

int data_printf(data_stream *s, const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    int n = vfprintf(s->file, format, ap);
    va_end(ap);
    return n;
}

int data_seek(data_stream *s, std::uint32_t offset)
{
    if (s->compressed || offset >= s->length) return 0;
    if (fseek(s->file, (long)(s->member_offset + offset), SEEK_SET)) return 0;
    s->pushed_back = -1;
    s->position = offset;
    return 1;
}
