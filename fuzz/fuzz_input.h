// fuzz/fuzz_input.h — hands a fuzz input to a reader the way the game meets it: as a file.
#pragma once
#include "tests/fixtures/temp_folders.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// Writes the bytes to <a temporary folder made once per process>/<file_name> and returns that
// path. The folder name carries the tag, so parallel fuzzers never share a file.
inline const std::string &fuzz_write_input(const char *tag, const char *file_name,
                                           const std::uint8_t *data, std::size_t size)
{
    static std::string path;
    if (path.empty()) {
        std::string dir = std::string("/tmp/rl_fuzz_") + tag + "_XXXXXX";
        if (!temp_folder_make(dir.data())) abort();
        path = dir + "/" + file_name;
    }
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) abort();
    if (size) fwrite(data, 1, size, f);
    fclose(f);
    return path;
}
