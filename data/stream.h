// data/stream.h — the one record through which every data file is read or written: a plain
// file, a ".saf" archive member, or gzip data decoded on the fly.
#pragma once
#include <cstdint>
#include <cstdio>
#include <zlib.h>

struct data_stream {
    FILE         *file;
    std::uint32_t member_offset;
    std::uint32_t length;        // bytes that may be taken; 0x7FFFFFFF for a plain file
    std::uint32_t position;      // bytes taken so far (decompressed bytes when compressed)
    int           pushed_back;   // -1 when empty
    int           compressed;
    std::uint32_t compressed_length;
    std::uint32_t compressed_consumed;
    int           end;
    z_stream      inflate_state;
    unsigned char input_block[16384];
    unsigned char output_block[1024];
    unsigned char *read_pointer;   // next undelivered byte; the decoder's next_out ends them
};

data_stream *data_open(const char *path, const char *mode);
int   data_open_name(data_stream *s, const char *path, const char *mode);
int   data_open_path(data_stream *s, const char *path, const char *mode);
// Opens size bytes at offset inside the file at path for reading ("rb"), through the gzip
// decoder when compressed. 1/0. The file index opens archive members and indexed files with it.
int   data_open_member(data_stream *s, const char *path, std::uint32_t offset, std::uint32_t size,
                       int compressed);
void  data_close(data_stream *s);
int   data_getc(data_stream *s);
char *data_gets(data_stream *s, char *buffer, int size);
int   data_read(data_stream *s, void *buffer, int count);
int   data_putc(data_stream *s, int byte);
int   data_puts(data_stream *s, const char *text);
int   data_write(data_stream *s, const void *data, int count);
int   data_printf(data_stream *s, const char *format, ...) __attribute__((format(printf, 2, 3)));
int   data_flush(data_stream *s);
int   data_seek(data_stream *s, std::uint32_t offset);

// The game's own scanf over a stream: the number of conversions stored, or -1.
int   data_scanf(data_stream *s, const char *format, ...);
