// An animated texture file as texture_load reads it: the word "ANIM1", then frames and sequence
// read into an animation record (the upload needs no fuzzing).
#include "graphics/image.h"
#include "fuzz/fuzz_input.h"
#include "graphics/texture.h"
#include "data/stream.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string &path = fuzz_write_input("seq", "flag.seq", data, size);

    data_stream *s = data_open(path.c_str(), "rb");
    if (!s) abort();
    char word[16];
    if (image_scan_word(s, word, sizeof word) && !strcmp(word, "ANIM1"))
        texture_anim_free(texture_anim_read(s));
    data_close(s);
    return 0;
}
