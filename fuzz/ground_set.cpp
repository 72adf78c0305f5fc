// Arbitrary bytes as the commit marker ("terrain.commit", then "terrain.rollback") a ground save
// leaves in a track folder, finished or undone as the ground loader does. Whatever it names,
// only the folder's own ground files may be renamed or removed.
#include "terrain/ground_set.h"
#include "fuzz/fuzz_input.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string>

static void put(const std::string &path, const char *text)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) abort();
    fputs(text, f);
    fclose(f);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    for (const char *marker : {"terrain.commit", "terrain.rollback"}) {
        const std::string &path = fuzz_write_input("ground_set", marker, data, size);
        const std::string folder = path.substr(0, path.rfind('/'));
        put(folder + "/guard", "guard");   // no ground file: it must stay
        put(folder + "/terrain.hf", "old");
        put(folder + "/terrain.hf.saving", "new");
        put(folder + "/tilemap.old", "old");
        ground_set_recover(folder.c_str());
        FILE *guard = fopen((folder + "/guard").c_str(), "rb");
        if (!guard) abort();
        fclose(guard);
        // The markers are gone or kept for the next load; nothing else is left but ground files.
        DIR *d = opendir(folder.c_str());
        if (!d) abort();
        while (dirent *e = readdir(d)) {
            std::string name = e->d_name;
            if (name == "." || name == ".." || name == "guard" || name.rfind("terrain.", 0) == 0) continue;
            bool known = false;
            for (const char *g : ground_set_names) known = known || name.rfind(g, 0) == 0;
            if (!known) abort();
        }
        closedir(d);
        remove(path.c_str());
    }
    return 0;
}
