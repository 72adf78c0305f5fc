// An animated texture file as texture_load reads it: the word "ANIM1", then frames and sequence
// read into an animation record (the upload needs no fuzzing).
#include "graphics/image.h"
#include "graphics/texture.h"
#include "data/stream.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

static std::string temp_path(void)
{
    static std::string path;
    if (path.empty()) {
        char dir[] = "/tmp/rl_fuzz_seq_XXXXXX";
        if (!mkdtemp(dir)) abort();
        path = std::string(dir) + "/flag.seq";
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

    data_stream *s = data_open(path.c_str(), "rb");
    if (!s) abort();
    char word[16];
    if (image_scan_word(s, word, sizeof word) && !strcmp(word, "ANIM1"))
        texture_anim_free(texture_anim_read(s));
    data_close(s);
    return 0;
}
