// The texture manager's text forms from strangers: the bytes become a ".saf" archive in an
// otherwise empty data folder, and its first members are loaded as textures the way a track
// names them, so "LINK" aliases, "ANIM1" animations and the pictures they lead to are followed
// through texture_load. The upload is a stand-in (there is no OpenGL context here); everything
// before it runs as in the game.
#include "graphics/texture.h"
#include "data/file_index.h"
#include "shell/globals.h"
#include "tests/fixtures/temp_folders.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

static std::string g_archive;
static unsigned g_next_id;

static unsigned upload_stand_in(const unsigned char *pixels, int width, int height, int channels, int)
{
    // Touch the first and the last byte of level 0, as the upload reads them.
    volatile unsigned char sum = pixels[0];
    sum = sum + pixels[(std::size_t)width * height * channels - 1];
    render_stats.texture_bytes += (unsigned)(width * height * channels);
    return ++g_next_id;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    char root[] = "/tmp/rl_fuzz_texture_XXXXXX";
    if (!temp_folder_make(root)) abort();
    std::string home = std::string(root) + "/xdg", data = std::string(root) + "/data";
    mkdir(home.c_str(), 0777);
    mkdir(data.c_str(), 0777);
    setenv("XDG_DATA_HOME", home.c_str(), 1);
    setenv("RL_HOME", data.c_str(), 1);
    g_archive = data + "/fuzz.saf";
    texture_set_upload(upload_stand_in);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    FILE *f = fopen(g_archive.c_str(), "wb");
    if (!f) abort();
    fwrite(bytes, 1, size, f);
    fclose(f);

    data_files_free();
    if (!file_index_names()) abort();
    for (int i = 0; i < 4; ++i) {
        const file_index_entry *e = file_index_entry_at(i);
        if (!e) break;
        std::string name = std::string("@") + e->name;
        texture_load(name.c_str());
        texture_load(name.c_str());   // the second request goes through the table and the aliases
    }
    texture_purge(1);
    data_files_free();
    return 0;
}
