// The generated bike, rider and wheel content: every file a catalogue model names, and every
// look the setup can list, loads through the game's own loaders without a complaint; the
// collision shapes are pinned byte for byte.
//
// The content is the build's own (the game folder beside the test build).
#include "bike/bike.h"
#include "bike/rider_bones.h"
#include "bike/shape.h"
#include "data/file_index.h"
#include "data/paths.h"
#include "data/ripemd160.h"
#include "data/util.h"
#include "fixtures/fixtures.h"
#include "graphics/glcaps.h"
#include "graphics/model.h"
#include "graphics/texture.h"
#include "platform/array.h"
#include "platform/display.h"
#include "platform/log_capture.h"
#include "shell/lists.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

struct BikeContent : ::testing::Test {
    static display *window;
    static void SetUpTestSuite()
    {
        setenv("XDG_DATA_HOME", fixture_temp_dir("bikecontenthome").c_str(), 1);
        setenv("RL_HOME", fixture_game_dir().c_str(), 1);
        search_folders_free();
        data_files_free();
        window = kubl_gl_window_open("Rutline bikes", 64, 64, 24, 0, 16, 0, 0);
        if (window) gl_probe_extensions();
    }
    static void TearDownTestSuite()
    {
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
display *BikeContent::window = nullptr;

std::vector<std::string> lines_with_problems(const std::string &log)
{
    std::vector<std::string> out;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);)
        for (const char *word : {"arning", "rror", "Can't", "Bad ", "missing", "mismatch", "degenerate"})
            if (line.find(word) != std::string::npos) {
                out.push_back(line);
                break;
            }
    return out;
}

bool ends_with(const char *s, const char *tail)
{
    std::size_t n = strlen(s), t = strlen(tail);
    return n >= t && !strcmp(s + n - t, tail);
}

int triangles_of(const km_mesh *model)
{
    int n = 0;
    for (const km_mesh *m = model; m; m = m->next) n += m->triangle_count;
    return n;
}

TEST_F(BikeContent, EveryFileEachModelNamesLoads)
{
    ASSERT_GT(bike_catalogue_count, 0);
    LogCapture log("bikecontent");
    for (int i = 0; i < bike_catalogue_count; ++i) {
        const bike_info &info = bike_catalogue[i];
        SCOPED_TRACE(info.name);
        for (int f = 0; f < BIKE_INFO_FILES; ++f) {
            const char *name = info.files[f];
            if (!name) continue;
            SCOPED_TRACE(name);
            if (ends_with(name, ".km")) {
                km_model *m = model_load(name);
                ASSERT_NE(m, nullptr);
                bool skinned = f == BIKE_FILE_RIDER_BODY_MODEL || f == BIKE_FILE_RIDER_BODY_FP_MODEL ||
                               f == BIKE_FILE_RIDER_PLATE_MODEL;
                EXPECT_EQ(m->bone_count, skinned ? (int)RIDER_BONES : 0);
                EXPECT_GT(m->triangle_count, 0);
                // A field of riders is drawn mostly from afar: every solid model but the
                // first-person body comes with leaner variants from 16, 32 and 64 ft.
                const bool lods = f != BIKE_FILE_RIDER_BODY_FP_MODEL && f != BIKE_FILE_SIDE_PLATES_MODEL &&
                                  f != BIKE_FILE_FRONT_PLATE_MODEL && f != BIKE_FILE_RIDER_PLATE_MODEL;
                float want_distance = 16;
                int last = triangles_of(m) - 1;
                for (const km_mesh *lod = m->lod_next; lod; lod = lod->lod_next, want_distance *= 2) {
                    EXPECT_EQ(lod->lod_distance, want_distance);
                    EXPECT_EQ(lod->bone_count, m->bone_count);
                    EXPECT_GT(triangles_of(lod), 0);
                    EXPECT_LE(triangles_of(lod), last);
                    last = triangles_of(lod);
                }
                EXPECT_EQ(want_distance, lods ? 128 : 16);
            } else if (ends_with(name, ".shp")) {
                EXPECT_NE(shape_cache_load(name), nullptr);
            } else {
                ASSERT_TRUE(ends_with(name, ".png"));
                EXPECT_NE(texture_load(name), 0u);
            }
        }
    }
    for (const std::string &line : lines_with_problems(log.text())) ADD_FAILURE() << line;
}

// The looks the setup lists: three for the rider's body, helmet and wheels, two per model under
// its own prefix; each loads, and no name carries a '-' that would send the model search off to
// variant models.
TEST_F(BikeContent, EveryLookLoads)
{
    LogCapture log("bikelooks");
    auto check = [](const char *prefix, int want) {
        SCOPED_TRACE(prefix);
        growable_array paths = {}, names = {};
        list_variants_by_prefix(&paths, &names, prefix);
        ASSERT_EQ(names.count, want + 1);   // "default" first
        for (int k = 1; k < names.count; ++k) {
            const char *name = ((const char **)names.items)[k], *path = ((const char **)paths.items)[k];
            SCOPED_TRACE(path);
            EXPECT_EQ(strchr(name, '-'), nullptr);
            EXPECT_NE(texture_load(path), 0u);
            if (want == 2) EXPECT_TRUE(fixture_file_exists(fixture_game_dir() + (path + 1) + ".info"));
        }
        growable_array_free(&paths);
        growable_array_free(&names);
    };
    for (const char *prefix : {"rider_body-", "rider_head-", "wheels-"}) check(prefix, 3);
    for (int i = 0; i < bike_catalogue_count; ++i) {
        char prefix[160];
        bike_graphics_prefix(bike_catalogue[i].name, prefix, sizeof prefix);
        check(prefix, 2);
    }
    for (const std::string &line : lines_with_problems(log.text())) ADD_FAILURE() << line;
}

// Demos and learned lines depend on the collision spheres: a change to the seven shared shapes
// must be deliberate. Every sphere also stays within the sizes and stiffnesses bikes are tuned for.
TEST_F(BikeContent, SharedShapesArePinned)
{
    const char *const names[] = {"generic_frame.shp", "generic_fork_upper.shp", "generic_fork_lower.shp",
                                 "generic_swingarm.shp", "front_wheel.shp", "rear_wheel.shp", "generic_rider.shp"};
    ripemd160_ctx ctx;
    ripemd160_init(&ctx);
    for (const char *name : names) {
        SCOPED_TRACE(name);
        std::string bytes = fixture_read_file(fixture_game_dir() + name);
        ASSERT_FALSE(bytes.empty());
        ripemd160_update(&ctx, bytes.data(), bytes.size());
        const shape *s = shape_cache_load((std::string("@") + name).c_str());
        ASSERT_NE(s, nullptr);
        EXPECT_GE(s->sphere_count, 3);
        for (int i = 0; i < s->sphere_count; ++i) {
            const shape_sphere &p = s->spheres[i];
            EXPECT_TRUE(p.radius >= 0.2f && p.radius <= 0.5f) << i;
            EXPECT_TRUE(p.friction >= 0.5f && p.friction <= 1.0f) << i;
            EXPECT_TRUE(p.k >= 5000 && p.k <= 25000) << i;
            EXPECT_TRUE(p.c >= 100 && p.c <= 500) << i;
        }
    }
    ripemd160_final(&ctx);
    char hex[41];
    for (int i = 0; i < 20; ++i) snprintf(hex + 2 * i, 3, "%02x", ctx.digest[i]);
    EXPECT_STREQ(hex, "4dd8da0472774988251d1208a66baf1f5e55f800");
}

}   // namespace
