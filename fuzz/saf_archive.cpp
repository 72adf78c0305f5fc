// A ".saf" archive from strangers: the bytes become an archive in an otherwise empty data
// folder, the index is built, and every member is opened and read to its end.
#include "data/file_index.h"
#include "data/mem.h"
#include "data/stream.h"
#include "tests/fixtures/temp_folders.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

static std::string g_archive;

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Both search folders are ours, so the scan never wanders into a real home folder.
    char root[] = "/tmp/rl_fuzz_saf_XXXXXX";
    if (!temp_folder_make(root)) abort();
    std::string home = std::string(root) + "/xdg", data = std::string(root) + "/data";
    mkdir(home.c_str(), 0777);
    mkdir(data.c_str(), 0777);
    setenv("XDG_DATA_HOME", home.c_str(), 1);
    setenv("RL_HOME", data.c_str(), 1);
    g_archive = data + "/fuzz.saf";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    FILE *f = fopen(g_archive.c_str(), "wb");
    if (!f) abort();
    fwrite(bytes, 1, size, f);
    fclose(f);

    data_files_free();
    const char *const *names = file_index_names();
    if (!names) abort();
    char text[256];
    for (int i = 0; const file_index_entry *e = file_index_entry_at(i); ++i) {
        file_index_entry_text(i, text, sizeof text);
        data_stream *s = (data_stream *)mem_alloc(sizeof(data_stream));
        memset(s, 0, sizeof *s);
        s->pushed_back = -1;
        if (file_index_open_member(s, e->name)) {
            unsigned sum = 0;
            for (int c; (c = data_getc(s)) >= 0;) sum += (unsigned)c;
            // a member never reads past its size
            if (!s->compressed && s->position > file_index_entry_at(file_index_lookup(e->name))->size) abort();
            (void)sum;
        }
        data_close(s);
    }
    data_files_free();
    return 0;
}
