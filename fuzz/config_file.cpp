// Arbitrary bytes as the "@config" settings file, read the way start-up reads it and written
// back the way shutdown writes it.
#include "data/paths.h"
#include "data/util.h"
#include "platform/display.h"
#include "shell/config.h"
#include "shell/setup.h"
#include "shell/video_modes.h"
#include "tests/fixtures/temp_folders.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

static std::string g_config_path;

// A fixed mode list, so "video_mode=" has items to match without a display.
static const display_mode *fixed_modes(void)
{
    static const display_mode modes[] = {{1920, 1080, 32}, {1280, 720, 32}, {0, 0, 0}};
    return modes;
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    char tmpl[] = "/tmp/rl_fuzz_config_XXXXXX";
    const char *base = temp_folder_make(tmpl);
    if (!base) abort();
    setenv("XDG_DATA_HOME", base, 1);
    setenv("RL_HOME", (std::string(base) + "/data").c_str(), 1);
    search_folders_free();
    g_config_path = std::string(search_folder(0)) + "config";
    make_parent_folders(g_config_path.c_str());
    video_modes_set_source(fixed_modes);
    video_modes_build();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    string_intern_free();   // the interned values of one run are not the next run's concern
    config_init();
    setup_init();
    FILE *f = fopen(g_config_path.c_str(), "wb");
    if (!f) abort();
    fwrite(data, 1, size, f);
    fclose(f);
    config_read();
    config_write();
    return 0;
}
