// K6 and K7 pictures read as the texture loader reads them: the first word, then the picture
// with 4 channels (textures, fonts) and with 3 (a K7 losing its alpha).
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
        char dir[] = "/tmp/rl_fuzz_k6k7_XXXXXX";
        if (!mkdtemp(dir)) abort();
        path = std::string(dir) + "/picture";
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

    for (int channels : {4, 3}) {
        data_stream *s = data_open(path.c_str(), "rb");
        if (!s) abort();
        char word[16];
        unsigned char *pixels = nullptr;
        int w, h;
        if (image_scan_word(s, word, sizeof word) &&
            image_read_kpnm(word, s, &pixels, &w, &h, channels))
            mem_free(pixels);
        data_close(s);
    }
    return 0;
}
