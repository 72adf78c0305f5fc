// Arbitrary bytes as a font image, cut and then used: the first byte gives the length of a text
// that follows (escapes and all), the rest is the image file. The digit font is loaded the way
// start-up loads it and the text is measured, laid out and rastered into a number plate.
#include "graphics/font.h"
#include "data/paths.h"
#include "tests/fixtures/temp_folders.h"
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

static std::string temp_dir(void)
{
    static std::string path;
    if (path.empty()) {
        char dir[] = "/tmp/rl_fuzz_font_XXXXXX";
        if (!temp_folder_make(dir)) abort();
        path = std::string(dir) + "/";
        setenv("RL_HOME", dir, 1);
        setenv("XDG_DATA_HOME", dir, 1);
        search_folders_free();
    }
    return path;
}

static void sink(const glyph_batch *b, void *ctx)
{
    if (b->count < 1 || b->count > GLYPH_BATCH) abort();
    *(int *)ctx += b->count;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1) return 0;
    size_t text_len = data[0] < size - 1 ? data[0] : size - 1;
    char text[256];
    memcpy(text, data + 1, text_len);
    text[text_len] = 0;

    std::string path = temp_dir() + "numbers.png";
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) abort();
    fwrite(data + 1 + text_len, 1, size - 1 - text_len, f);
    fclose(f);

    static const char printable[] =
        "!\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~";
    font local{};
    font_load(&local, path.c_str(), printable);
    for (int c = 0; c < 256; ++c) {
        const float *r = local.rects[c];
        for (int k = 0; k < 4; ++k)
            if (!(r[k] >= 0 && r[k] <= 1)) abort();
        if (!(local.advances[c] >= 0 && std::isfinite(local.advances[c]))) abort();
    }
    float w = font_text_width(&local, text);
    if (!std::isfinite(w) || w < 0) abort();
    glyph_batch batch;
    int seen = 0;
    int quads = text_build_quads(&local, 1, 1, 1, 1, text, TEXT_SHADOW_PASS, &batch, sink, &seen);
    if (quads != seen || quads > (int)text_len) abort();
    font_free(&local);

    fonts_load();   // no font.png here: only the digit font loads, and nothing touches OpenGL
    unsigned char plate[24 * 16 * 4];
    memset(plate, 255, sizeof plate);
    text_raster_to_image(plate, 24, 16, 0.5f, 0.25f, 1, 1, text);
    fonts_free();
    return 0;
}
