// fuzz/fuzz_sound_io.h — serves one fuzz input to the engine sound as files: the part before
// the first zero byte is the file "t" (a sound table), the part after it every other file
// (a sample file); a ".braap" text may come first, before a second zero byte.
#pragma once
#include "bike/engine_sound.h"
#include "data/stream.h"
#include "tests/fixtures/temp_folders.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

struct fuzz_sound_files {
    std::string braap, table, samples;
};

inline fuzz_sound_files &fuzz_sound_current(void) { static fuzz_sound_files f; return f; }

inline data_stream *fuzz_sound_open(const char *name, const char *mode)
{
    fuzz_sound_files &f = fuzz_sound_current();
    const std::string &text = !strcmp(name, "t") ? f.table : (strstr(name, ".braap") ? f.braap : f.samples);
    static std::string dir;
    if (dir.empty()) {
        dir = "/tmp/rl_fuzz_sound_XXXXXX";
        if (!temp_folder_make(dir.data())) abort();
    }
    const int which = &text == &f.table ? 0 : (&text == &f.braap ? 1 : 2);
    const char *names[3] = {"/t", "/b.braap", "/s.raw"};
    const std::string path = dir + names[which];
    FILE *out = fopen(path.c_str(), "wb");
    if (!out) abort();
    if (!text.empty()) fwrite(text.data(), 1, text.size(), out);
    fclose(out);
    return data_open(path.c_str(), mode);
}

struct fuzz_voice { int position; };
inline voice *fuzz_create(int, const unsigned char *) { return (voice *)new fuzz_voice{0}; }
inline void fuzz_free(voice *v) { delete (fuzz_voice *)v; }
inline void fuzz_start(voice *) {}
inline int  fuzz_position(voice *v) { return ((fuzz_voice *)v)->position; }
inline int  fuzz_write(voice *, int length, const unsigned char *, int) { return length; }
inline void fuzz_set(voice *, int) {}

inline void fuzz_sound_install(void)
{
    static const engine_sound_io io = {fuzz_sound_open, data_close, fuzz_create, fuzz_free, fuzz_start,
                                       fuzz_position, fuzz_write, fuzz_set, fuzz_set, fuzz_set};
    engine_sound_set_io(&io);
}
