// Arbitrary bytes as a camera keyframe file, read the way "readkeys" reads it, then played back
// around every key and at both ends of the tick range. Whatever was read whole must survive
// being written and read again.
#include "data/paths.h"
#include "shell/main/camkeys.h"
#include "ui/scene.h"
#include "tests/fixtures/temp_folders.h"
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

static std::string g_file;

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    char tmpl[] = "/tmp/rl_fuzz_camkeys_XXXXXX";
    const char *base = temp_folder_make(tmpl);
    if (!base) abort();
    setenv("XDG_DATA_HOME", base, 1);
    setenv("RL_HOME", (std::string(base) + "/data").c_str(), 1);
    search_folders_free();
    g_file = std::string(search_folder(0)) + "keycam/fuzz";
    make_parent_folders(g_file.c_str());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FILE *f = fopen(g_file.c_str(), "wb");
    if (!f) abort();
    if (size) fwrite(data, 1, size, f);
    fclose(f);
    camkeys_clear();
    const int whole = camkeys_read("fuzz");
    const camera_keyframe *keys = camkeys_items();
    const int count = camkeys_count();
    float eye[3], rotation[9], fov;
    for (int i = 0; i <= count && i < 64; ++i) {
        const int t = i < count ? keys[i].tick : 0;
        for (int tick : {t == INT_MIN ? t : t - 1, t, t == INT_MAX ? t : t + 1, INT_MIN, INT_MAX}) {
            if (keyframe_camera(keys, count, tick, eye, rotation, &fov) != (count > 0)) abort();
            if (count > 0 && !(fov >= 1 && fov <= 179)) abort();
        }
    }
    if (!whole) return 0;
    std::vector<int> ticks;
    for (int i = 0; i < camkeys_count(); ++i) ticks.push_back(camkeys_items()[i].tick);
    if (!camkeys_write("again") || camkeys_read("again") != 1 || camkeys_count() != (int)ticks.size()) abort();
    for (int i = 0; i < camkeys_count(); ++i)
        if (camkeys_items()[i].tick != ticks[i]) abort();
    return 0;
}
