// data/stream.h — the one record through which every data file is read or written: a plain
// file, a ".saf" archive member, or gzip data decoded on the fly.
#pragma once
#include <cstdarg>
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

// The game's own scanf over a stream, one byte at a time through data_getc; the byte that ends a
// number, string or set stays in pushed_back. Returns the number of conversions stored, or -1
// when an ordinary character of the format does not match (whatever was stored before) or the
// input ends before the first conversion could start.
//
// Destinations: integers are int (32-bit, also with 'l') or short with 'h'; %f stores float,
// double with 'l', long double with "ll", 'L' or 'q'; %n stores the bytes consumed so far (int,
// short with 'h') and is not counted.
// Bounds: a %s or %[ that stores must carry a width, and its destination must hold width + 1
// bytes; without a width the scan stops there (logged) and returns the count so far. %c stores
// exactly its width (default 1) with no terminating zero. Suppressed conversions need no width.
int   data_scanf(data_stream *s, const char *format, ...);

// Flags of the two conversion helpers below.
enum {
    DATA_SCAN_SUPPRESS = 1,   // '*': match, store nothing
    DATA_SCAN_SHORT    = 2,   // 'h'
    DATA_SCAN_DOUBLE   = 4,   // 'l'
    DATA_SCAN_EXTENDED = 8,   // "ll", 'L', 'q'
};
// One integer in base 2..36, or 0 for the automatic base of %i, taking at most width bytes
// (sign and "0x" included). The next destination is taken from *args unless suppressed.
// 1 stored (or matched), 0 no digits, -1 end of input before the number.
int   data_scan_integer(data_stream *s, va_list *args, int base, int width, int flags);
// One real number, same results.
int   data_scan_real(data_stream *s, va_list *args, int width, int flags);
