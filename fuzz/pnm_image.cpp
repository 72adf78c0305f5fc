// PPM and PGM files (and the K6/K7 words image_read_rgb also takes), read as the terrain loader
// reads its shading and shadow images: the bytes become a file opened through a data stream.
#include "graphics/image.h"
#include "data/mem.h"
#include "data/stream.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

static std::string temp_path(void)
{
    static std::string path;
    if (path.empty()) {
        char dir[] = "/tmp/rl_fuzz_pnm_XXXXXX";
        if (!mkdtemp(dir)) abort();
        path = std::string(dir) + "/shading.ppm";
    }
    return path;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string path = temp_path();
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) abort();
    fwrite(data, 1, size, f);
    fclose(f);

    unsigned char *pixels = nullptr;
    int w, h;
    data_stream *s = data_open(path.c_str(), "rb");
    if (!s) abort();
    if (image_read_rgb(s, &pixels, &w, &h)) mem_free(pixels);
    data_close(s);
    s = data_open(path.c_str(), "rb");
    if (!s) abort();
    if (image_read_pgm(s, &pixels, &w, &h)) mem_free(pixels);
    data_close(s);
    return 0;
}
