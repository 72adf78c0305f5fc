// Every catalogue model made with the game's own loaders and generated content, in its default
// look and in every look the setup lists: nothing fails to load, and the number plate takes its
// colours from the bike picture's text.
#include "bike/bike_create.h"
#include "bike/bike_record.h"
#include "bike/plate_colours.h"
#include "bike/shape.h"
#include "data/file_index.h"
#include "data/paths.h"
#include "data/util.h"
#include "fixtures/fixtures.h"
#include "graphics/glcaps.h"
#include "graphics/texture.h"
#include "platform/display.h"
#include "platform/log_capture.h"
#include "shell/lists.h"
#include "shell/startup.h"
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

// graphics/model.h names the model type differently from the bike record; only this is needed.
void model_purge(int all);

namespace {

std::vector<std::string> looks(const char *prefix)
{
    growable_array paths = {}, names = {};
    list_variants_by_prefix(&paths, &names, prefix);
    std::vector<std::string> out;
    for (int k = 1; k < paths.count; ++k) out.push_back(((const char **)paths.items)[k]);
    growable_array_free(&paths);
    growable_array_free(&names);
    return out;
}

struct BikeLooks : ::testing::Test {
    static display *window;
    static void SetUpTestSuite()
    {
        setenv("XDG_DATA_HOME", fixture_temp_dir("bikelookshome").c_str(), 1);
        setenv("RL_HOME", fixture_game_dir().c_str(), 1);
        search_folders_free();
        data_files_free();
        window = kubl_gl_window_open("Rutline bike looks", 64, 64, 24, 0, 16, 0, 0);
        if (window) gl_probe_extensions();
        dInitODE2(0);
        physics_world = dWorldCreate();
    }
    static void TearDownTestSuite()
    {
        dWorldDestroy(physics_world);
        physics_world = nullptr;
        dCloseODE();
        model_purge(1);
        texture_purge(1);
        shape_cache_free();
        if (window) kubl_gl_window_close(window);
        window = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(fixture_file_exists(fixture_game_dir() + "generic_frame.shp")) << "no generated content in " << fixture_game_dir();
        ASSERT_NE(window, nullptr);
    }
};
display *BikeLooks::window = nullptr;

// The plate's level 0 just inside its transparent edge shows the background.
void expect_plate_background(const bike *b)
{
    unsigned char want[3], foreground[3];
    int index;
    bike_plate_colours(texture_info_text(b->handles.bike_texture, &index), want, foreground);
    std::vector<unsigned char> pixels(128 * 128 * 4);
    glBindTexture(GL_TEXTURE_2D, b->plate_texture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    const unsigned char *p = &pixels[(1 * 128 + 1) * 4];
    EXPECT_EQ(p[0], want[0]);
    EXPECT_EQ(p[1], want[1]);
    EXPECT_EQ(p[2], want[2]);
}

TEST_F(BikeLooks, EveryModelInEveryLookLoads)
{
    LogCapture log("bikelooks");
    const std::vector<std::string> bodies = looks("rider_body-"), heads = looks("rider_head-"),
                                   wheels = looks("wheels-");
    ASSERT_FALSE(bodies.empty());
    int plates_not_white = 0;
    for (int i = 0; i < bike_catalogue_count; ++i) {
        const char *name = bike_catalogue[i].name;
        SCOPED_TRACE(name);
        char prefix[160];
        bike_graphics_prefix(name, prefix, sizeof prefix);
        std::vector<std::string> skins = looks(prefix);
        skins.insert(skins.begin(), "");   // the catalogue's own look
        for (std::size_t k = 0; k < skins.size(); ++k) {
            const std::size_t r = (i + k) % bodies.size();
            const char *skin = skins[k].empty() ? nullptr : skins[k].c_str();
            bike *b = k == 0 ? bike_create(name, 1, "123", nullptr, nullptr, nullptr, nullptr)
                             : bike_create(name, 1, "123", bodies[r].c_str(), heads[r % heads.size()].c_str(), skin,
                                           wheels[r % wheels.size()].c_str());
            SCOPED_TRACE(skin ? skin : "default");
            ASSERT_NE(b, nullptr);
            EXPECT_STREQ(b->info.name, name);
            EXPECT_NE(b->handles.frame_model, nullptr);
            EXPECT_NE(b->handles.rider_body_model, nullptr);
            EXPECT_NE(b->handles.bike_texture, 0u);
            EXPECT_NE(b->handles.frame_shape, nullptr);
            ASSERT_NE(b->plate_texture, 0u);
            expect_plate_background(b);
            unsigned char bg[3], fg[3];
            int index;
            bike_plate_colours(texture_info_text(b->handles.bike_texture, &index), bg, fg);
            if (bg[0] != 255 || bg[1] != 255 || bg[2] != 255) ++plates_not_white;
            const unsigned bytes = render_stats.texture_bytes;
            bike_destroy(b);
            EXPECT_EQ(render_stats.texture_bytes + 87380, bytes);
        }
    }
    EXPECT_GT(plates_not_white, 0);   // the looks' text does choose plate colours
    const std::string text = log.text();
    EXPECT_EQ(text.find("Can't load"), std::string::npos) << text.substr(0, 2000);
}

}   // namespace
