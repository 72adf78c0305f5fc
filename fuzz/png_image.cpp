// A PNG read through our stream glue as the game reads textures, heights and font pictures:
// the bytes become a file that image_read_png, image_read_png_grey16 and image_load_for_font
// open by name.
#include "graphics/png.h"
#include "data/mem.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

static std::string temp_path(void)
{
    static std::string path;
    if (path.empty()) {
        char dir[] = "/tmp/rl_fuzz_png_XXXXXX";
        if (!mkdtemp(dir)) abort();
        path = std::string(dir) + "/picture.png";
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
    char *text = nullptr;
    int w, h, channels;
    if (image_read_png(path.c_str(), &pixels, &w, &h, &channels, &text)) {
        mem_free(pixels);
        mem_free(text);
    }
    unsigned short *samples = nullptr;
    if (image_read_png_grey16(path.c_str(), &samples, &w, &h)) mem_free(samples);
    if (image_load_for_font(path.c_str(), &pixels, &w, &h)) mem_free(pixels);
    return 0;
}
