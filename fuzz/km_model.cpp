// Arbitrary bytes as a ".km" model file, read as the game reads bikes and statues, then walked
// and exported the way drawing and the editor use it.
#include "graphics/model.h"
#include "data/stream.h"
#include "tests/fixtures/temp_folders.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

static unsigned no_list(const km_mesh *) { return 0; }
static void no_delete(unsigned) {}
static const model_list_ops no_lists = {no_list, no_delete};

static std::string folder(void)
{
    static std::string dir;
    if (dir.empty()) {
        char tmpl[] = "/tmp/rl_fuzz_km_XXXXXX";
        if (!temp_folder_make(tmpl)) abort();
        dir = tmpl;
    }
    return dir;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    model_set_list_ops(&no_lists);
    std::string path = folder() + "/m.km", out = folder() + "/m.pov";
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) abort();
    fwrite(data, 1, size, f);
    fclose(f);
    km_model *m = model_load(path.c_str());
    if (m) {
        for (const km_mesh *mesh = m; mesh; mesh = mesh->next) {
            // Every triangle left must index inside its mesh, and skinned vertices must name
            // bones the shader programs have.
            for (int i = 0; i < mesh->triangle_count * 3; ++i)
                if (mesh->triangles[i] < 0 || mesh->triangles[i] >= mesh->vertex_count) abort();
            for (int i = 0; mesh->bone_indices && i < mesh->vertex_count * 4; ++i)
                if (mesh->bone_indices[i] < 0 || mesh->bone_indices[i] >= mesh->bone_count || mesh->bone_count > 10)
                    abort();
        }
        data_stream *s = data_open(out.c_str(), "wb");
        if (s) {
            model_export_pov(m, s);
            data_close(s);
        }
    }
    model_purge(1);
    return 0;
}
