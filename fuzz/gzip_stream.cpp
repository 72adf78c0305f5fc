// A gzip-compressed data file read to its end the way the loaders read: the bytes become a ".gz"
// file that is opened under its plain name, then read a byte at a time and in blocks.
#include "data/stream.h"
#include "tests/fixtures/temp_folders.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

static std::string temp_base(void)
{
    static std::string base;
    if (base.empty()) {
        char folder[] = "/tmp/rl_fuzz_gzip_XXXXXX";
        if (!temp_folder_make(folder)) abort();
        base = std::string(folder) + "/data";
    }
    return base;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string plain = temp_base(), gz = plain + ".gz";
    FILE *f = fopen(gz.c_str(), "wb");
    if (!f) abort();
    fwrite(data, 1, size, f);
    fclose(f);

    data_stream *s = data_open(plain.c_str(), "rb");
    if (!s) return 0;
    // The last input byte picks the mix of byte and block reads, so both paths see every state.
    int block = size ? 1 + data[size - 1] * 13 : 7;
    unsigned char buffer[4096];
    for (long total = 0;; ) {
        int c = data_getc(s);
        int got = data_read(s, buffer, block % (int)sizeof buffer);
        total += got + (c >= 0);
        if (c < 0 && got == 0) break;
        // Deflate expands at most 1032 to 1; more output means bytes that were never decoded.
        if (total > (long)size * 1032 + 4096) abort();
    }
    if (data_getc(s) != -1) abort();       // the end stays the end
    data_close(s);
    return 0;
}
