// A texture's ".info" side file: the bytes after the first become "picture.png.info" beside a
// picture written once by our own PNG writer, whose size the first byte picks (some sizes fit
// hand-drawn levels, some do not), then the picture is read as texture_load reads it, and the
// text is searched for the number plate's colours as a bike does.
#include "graphics/png.h"
#include "bike/plate_colours.h"
#include "data/mem.h"
#include "tests/fixtures/temp_folders.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

static const int sizes[][2] = {{8, 12}, {1, 12}, {4, 6}, {16, 24}, {3, 5}, {8, 8}, {2, 3}, {64, 3}};
enum { SIZE_COUNT = sizeof sizes / sizeof sizes[0] };

static std::string folder(void)
{
    static std::string dir;
    if (dir.empty()) {
        char made[] = "/tmp/rl_fuzz_info_XXXXXX";
        if (!temp_folder_make(made)) abort();
        dir = std::string(made) + "/";
        for (int i = 0; i < SIZE_COUNT; ++i) {
            int w = sizes[i][0], h = sizes[i][1];
            std::vector<unsigned char> rgb((size_t)w * h * 3);
            for (size_t k = 0; k < rgb.size(); ++k) rgb[k] = (unsigned char)(k * 37);
            std::string name = dir + std::to_string(i) + ".png";
            if (!image_write_png_rgb(name.c_str(), rgb.data(), w, h)) abort();
        }
    }
    return dir;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1) return 0;
    std::string picture = folder() + std::to_string(data[0] % SIZE_COUNT) + ".png";
    std::string info = picture + ".info";
    FILE *f = fopen(info.c_str(), "wb");
    if (!f) abort();
    fwrite(data + 1, 1, size - 1, f);
    fclose(f);

    unsigned char *pixels = nullptr;
    char *text = nullptr;
    int w, h, channels;
    if (image_read_png(picture.c_str(), &pixels, &w, &h, &channels, &text)) {
        image_text_has(text, "[compress]");
        unsigned char background[3], foreground[3];
        bike_plate_colours(text, background, foreground);   // the number plate reads the same text
        mem_free(pixels);
        mem_free(text);
    }
    remove(info.c_str());
    return 0;
}
