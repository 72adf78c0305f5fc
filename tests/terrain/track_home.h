// A temporary home folder holding generated track folders, with the track's textures, models
// and shapes answered by stand-ins: only the names a test lists exist.
#pragma once
#include "bike/shape.h"
#include "fixtures/fixtures.h"
#include "terrain/statues.h"
#include "shell/track_list.h"
#include "terrain/track_load.h"
#include "data/file_index.h"
#include "data/mem.h"
#include "data/paths.h"
#include <gtest/gtest.h>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <set>
#include <string>

struct fake_resources {
    static std::set<std::string> &textures() { static std::set<std::string> s; return s; }
    static std::set<std::string> &models() { static std::set<std::string> s; return s; }
    static std::set<std::string> &shapes() { static std::set<std::string> s; return s; }

    // Ids and model pointers are 1 + the name's place in its set, so equal names give equal ids.
    static unsigned texture(const char *name)
    {
        auto &s = textures();
        auto it = s.find(name);
        return it == s.end() ? 0u : 1u + (unsigned)std::distance(s.begin(), it);
    }
    static km_model *model(const char *name)
    {
        auto &s = models();
        auto it = s.find(name);
        return it == s.end() ? nullptr : (km_model *)(std::uintptr_t)(16 * (1 + std::distance(s.begin(), it)));
    }
    // A shape of no spheres, whole: the object grid reads its bounding radius.
    static struct shape *shape(const char *name)
    {
        if (!shapes().count(name)) return nullptr;
        struct shape *s = (struct shape *)mem_alloc(sizeof(struct shape));
        if (s) memset(s, 0, sizeof *s);
        return s;
    }
};

class TrackHome : public ::testing::Test {
protected:
    std::string root, home;

    void SetUp() override
    {
        root = fixture_temp_dir("trackhome");
        ASSERT_FALSE(root.empty());
        home = root + "xdg/Rutline/";
        fixture_write_file(root + "game/.keep", "");
        setenv("XDG_DATA_HOME", (root + "xdg").c_str(), 1);
        setenv("RL_HOME", (root + "game").c_str(), 1);
        search_folders_free();
        data_files_free();
        fake_resources::textures().clear();
        fake_resources::models().clear();
        fake_resources::shapes().clear();
        static const track_resource_loaders fakes = {fake_resources::texture, fake_resources::model,
                                                     fake_resources::shape};
        track_resources_set(&fakes);
    }
    void TearDown() override
    {
        free_track();
        track_name = nullptr;
        track_list_free();
        track_resources_set(nullptr);
        data_files_free();
        search_folders_free();
        unsetenv("XDG_DATA_HOME");
        unsetenv("RL_HOME");
    }

    void write(const std::string &relative, const std::string &bytes) const { fixture_write_file(home + relative, bytes); }
    std::string read(const std::string &relative) const { return fixture_read_file(home + relative); }

    // The ground files of a folder: depth 7 (257 x 257 vertices, cell 1.5), heights from f in
    // 1/8192 steps of 0..8, grey shading, one tile type, a tile map.
    void ground(const std::string &folder, const std::function<int(int, int)> &f = nullptr) const
    {
        const int dim = 257;
        std::string hf = "7 1.5 0 8\n:";
        for (int z = 0; z < dim; ++z)
            for (int x = 0; x < dim; ++x) {
                int v = f ? f(x, z) : 0;
                hf += (char)(v & 0xFF);
                hf += (char)(v >> 8);
            }
        write(folder + "/terrain.hf", hf);
        std::string ppm = "P6\n257 257\n255\n";
        ppm.append((size_t)dim * dim * 3, (char)100);
        write(folder + "/shadingx2.ppm", ppm);
        write(folder + "/tileinfo", "texture dirt.png\naddtile\n");
        write(folder + "/tilemap", std::string(128 * 128, '\0'));
    }

    // Loads folder as the race's track, as the race reset does.
    int load(const char *folder)
    {
        free_track();
        track_name = folder;
        return load_track();
    }
};

// A ground rising along x, about 1/32 per vertex.
inline int slope_x(int x, int) { return 256 * x > 65535 ? 65535 : 256 * x; }
