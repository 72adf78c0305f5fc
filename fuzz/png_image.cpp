// A PNG read through our stream glue as the game reads textures, heights and font pictures:
// the bytes become a file that image_read_png, image_read_png_grey16 and image_load_for_font
// open by name.
#include "graphics/png.h"
#include "fuzz/fuzz_input.h"
#include "data/mem.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string &path = fuzz_write_input("png", "picture.png", data, size);

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
