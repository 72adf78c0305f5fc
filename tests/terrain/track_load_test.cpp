#include "track_home.h"
#include "terrain/cameras.h"
#include "terrain/field.h"
#include "terrain/flaggers.h"
#include "terrain/lighting.h"
#include "terrain/statues.h"
#include "terrain/timing_gates.h"
#include "terrain/track_load.h"
#include "data/ripemd160.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "shell/options.h"
#include "shell/startup.h"
#include <gtest/gtest.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

// One track with every object file.
struct TrackLoad : TrackHome {
    const char *folder = "t/hill";

    void SetUp() override
    {
        TrackHome::SetUp();
        ground("t/hill", slope_x);
        write("t/hill/desc", "Hill Top\n");
        write("t/hill/timing_gates", "startinggate:\n[40 0.5 40] 0\ncheckpoints:\n"
                                     "4 [50 0 60] [4 0 0]\n4 [60 0 60] [4 0 0]\n4 [70 0 60] [4 0 0]\n"
                                     "firstlap: 0 1 100002\nnormallap: 2 0 1\n");
        write("t/hill/statues", "[100 1 30] 0 tree.km bark.png @post.shp\n"
                                "[110 0 30] 4 null bark.png @post.shp\n"
                                "[120 0 30] 0 tree.km gone.png @gone.shp\n");
        write("post.shp", "a shape file");
        write("t/hill/billboards", "[80 2 10] 3 5 banner.png\n[81 0 10] 1 1 #ff0000#flag.png\n");
        write("t/hill/flaggers", "[10 0 10] [20 0 10] 1 2 3 m0 m1 m2 m3 m4\n[30 0 10] 1 2 b0 b1 b2 b3\n"
                                 "[12 0 12] 1 2 0 2 9 -3 f0 f1\n");
        write("t/hill/cameras", "fov 40\ngate 1 2\naddcamera 10 5 20\n");
        write("t/hill/lighting", "sun_vector [0 3 4]\n");
        fake_resources::textures() = {"banner.png", "bark.png", "flag.png", "m0", "b0", "f0", "f1"};
        fake_resources::models() = {"tree.km"};
        fake_resources::shapes() = {"@post.shp", "@gone.shp"};
        ASSERT_EQ(scan_tracks(), 1);
    }

    std::string digest_hex() const
    {
        std::string hex;
        char two[3];
        for (std::uint8_t b : track_digest) { snprintf(two, sizeof two, "%02x", b); hex += two; }
        return hex;
    }
};

TEST_F(TrackLoad, DigestCoversTheGroundGatesStatuesAndShapesInOrder)
{
    ASSERT_EQ(load(folder), 1);
    // "terrain.png" and "texturelist" are absent; "@gone.shp" has no file; "@post.shp" counts once.
    ripemd160_ctx want;
    ripemd160_init(&want);
    for (const char *name : {"t/hill/terrain.hf", "t/hill/tilemap", "t/hill/tileinfo", "t/hill/timing_gates",
                             "t/hill/statues", "post.shp"}) {
        std::string bytes = read(name);
        ripemd160_update(&want, bytes.data(), bytes.size());
    }
    ripemd160_final(&want);
    EXPECT_EQ(memcmp(track_digest, want.digest, 20), 0);

    const std::string first = digest_hex();
    ASSERT_EQ(load(folder), 1);
    EXPECT_EQ(digest_hex(), first) << "the same track gives the same digest";

    struct Case { const char *file; const char *bytes; bool changes; };
    const Case cases[] = {
        {"t/hill/tileinfo", "texture dirt.png\naddtile \n", true},
        {"t/hill/statues", "[100 1 30] 0 tree.km bark.png @post.shp\n", true},
        {"post.shp", "another shape", true},
        {"t/hill/lighting", "sun_vector [1 0 0]\n", false},
        {"t/hill/cameras", "addcamera 1 1 1\n", false},
        {"t/hill/billboards", "", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        const std::string old = read(c.file);
        write(c.file, c.bytes);
        ASSERT_EQ(load(folder), 1);
        EXPECT_EQ(digest_hex() != first, c.changes);
        write(c.file, old);
    }

    // A ground that does not load keeps the old digest and names no track.
    write("t/hill/terrain.hf", "3 1 0 1\n");
    EXPECT_EQ(load(folder), 0);
    EXPECT_EQ(track_name, nullptr);
    EXPECT_EQ(track_long_name, nullptr);
    EXPECT_EQ(digest_hex(), first);
    EXPECT_EQ(statues.count, 0);
}

TEST_F(TrackLoad, ObjectsInLoadOrderOnTheGroundAndReleased)
{
    ASSERT_EQ(load(folder), 1);
    EXPECT_STREQ(track_long_name, "Hill Top");
    EXPECT_NEAR(track_lighting.sun_vector[1], 0.6f, 1e-6f);   // lighting loaded first

    // Start gate statue first, then the file's statues; particles, then flaggers, then billboards.
    EXPECT_EQ(first_own_statue, 1);
    EXPECT_EQ(statues.count, 4);
    EXPECT_EQ(first_own_billboard, TRACK_PARTICLE_BILLBOARDS + 3);
    EXPECT_EQ(billboards.count, TRACK_PARTICLE_BILLBOARDS + 5);
    EXPECT_EQ(billboard_sort_space.count, 2 * billboards.count);

    const terrain_field *t = terrain_ptr;
    const statue *s = (const statue *)statues.items;
    EXPECT_EQ(start_statues[0], 0);
    EXPECT_FLOAT_EQ(s[0].z, 37.0f);                                   // 3 units behind the start
    EXPECT_FLOAT_EQ(s[0].y, terrain_height_at(t, 40, 37) + 0.5f);
    EXPECT_FLOAT_EQ(s[1].y, terrain_height_at(t, 100, 30) + 1.0f);
    EXPECT_GT(s[1].y, terrain_height_at(t, 50, 30) + 1.0f);           // the ground rises along x
    EXPECT_NE(s[1].model, nullptr);
    EXPECT_NE(s[1].texture, 0u);
    EXPECT_EQ(s[2].model, nullptr);                                   // "null": no model, so no texture
    EXPECT_EQ(s[2].texture, 0u);
    EXPECT_EQ(s[2].turn_value, 16.0f);
    EXPECT_NE(s[3].shape, nullptr);

    const billboard *b = (const billboard *)billboards.items;
    const billboard &banner = b[first_own_billboard];
    EXPECT_FLOAT_EQ(banner.y, terrain_height_at(t, 80, 10) + 2.0f);
    EXPECT_EQ(b[first_own_billboard + 1].color[0], 255);
    EXPECT_EQ(b[first_own_billboard + 1].color[1], 0);
    EXPECT_STREQ(b[first_own_billboard + 1].name, "flag.png");

    EXPECT_EQ(gate_count, 3);
    EXPECT_EQ(flagger_header.mover_billboard, TRACK_PARTICLE_BILLBOARDS);
    ASSERT_EQ(flaggers.count, 1);
    const flagger &f = ((const flagger *)flaggers.items)[0];
    EXPECT_EQ(f.gates[1], 2);   // 9 with three gates
    EXPECT_EQ(f.gates[2], 2);
    EXPECT_EQ(f.gates[3], -1);
    ASSERT_EQ(track_cameras.count, 1);
    EXPECT_EQ(gate_camera[1], 0);

    free_track();
    EXPECT_EQ(statues.count, 0);
    EXPECT_EQ(billboards.items, nullptr);
    EXPECT_EQ(flaggers.items, nullptr);
    EXPECT_EQ(gates, nullptr);
    EXPECT_EQ(gate_count, 0);
    EXPECT_EQ(terrain_ptr->heights, nullptr);
    free_track();   // twice is harmless
}

TEST_F(TrackLoad, SaversKeepEveryNameAsRead)
{
    ASSERT_EQ(load(folder), 1);
    // The extra white prefix goes; a tint stays; names of textures, models and shapes that did not
    // load are written back.
    billboard_add(5, 0, 5, 1, 1, "#ffffff#plain.png");
    billboard_add(6, 0, 6, 1, 1, "missing.png");
    ASSERT_EQ(billboards_save(), 1);
    ASSERT_EQ(statues_save(), 1);
    ASSERT_EQ(timing_gates_save(), 1);

    EXPECT_EQ(read("t/hill/billboards"), "[80.000000 2.000000 10.000000] 3.000000 5.000000 banner.png\n"
                                         "[81.000000 0.000000 10.000000] 1.000000 1.000000 #ff0000#flag.png\n"
                                         "[5.000000 0.000000 5.000000] 1.000000 1.000000 plain.png\n"
                                         "[6.000000 0.000000 6.000000] 1.000000 1.000000 missing.png\n");
    EXPECT_EQ(read("t/hill/statues"), "[100.000000 1.000000 30.000000] 0.000000 tree.km bark.png @post.shp\n"
                                      "[110.000000 0.000000 30.000000] 4.000000 null bark.png @post.shp\n"
                                      "[120.000000 0.000000 30.000000] 0.000000 tree.km gone.png @gone.shp\n");
    EXPECT_EQ(read("t/hill/timing_gates"), "startinggate:\n[40.000000 0.500000 40.000000] 0.000000\n"
                                           "checkpoints:\n"
                                           "4.000000 [50.000000 0.000000 60.000000] [4.000000 0.000000 0.000000]\n"
                                           "4.000000 [60.000000 0.000000 60.000000] [4.000000 0.000000 0.000000]\n"
                                           "4.000000 [70.000000 0.000000 60.000000] [4.000000 0.000000 0.000000]\n"
                                           "firstlap:\n0 1 100002 \nnormallap:\n2 0 1 \n");
    EXPECT_FALSE(fixture_file_exists(home + "t/hill/statues.saving"));

    // What was written loads back to the same objects.
    ASSERT_EQ(load(folder), 1);
    EXPECT_EQ(statues.count, 4);
    EXPECT_EQ(billboards.count, first_own_billboard + 4);
    EXPECT_EQ(gate_count, 3);
    EXPECT_EQ(normal_lap_count, 3);
}

static int failing_rename(const char *, const char *)
{
    errno = ENOSPC;
    return -1;
}

// A save that cannot finish keeps every old file and leaves no temporary one: a failed rename,
// or a temporary name the home folder cannot take (never written into the data folder instead).
TEST_F(TrackLoad, FailedSavesKeepTheOldFiles)
{
    ASSERT_EQ(load(folder), 1);
    const char *const names[] = {"billboards", "statues", "timing_gates"};
    int (*const savers[])(void) = {billboards_save, statues_save, timing_gates_save};
    std::string before[3];
    for (int i = 0; i < 3; ++i) before[i] = read(std::string("t/hill/") + names[i]);

    for (int blocked = 0; blocked < 2; ++blocked)
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE(std::string(names[i]) + (blocked ? ", temporary name taken" : ", rename fails"));
            const std::string temp = home + "t/hill/" + names[i] + ".saving";
            if (blocked) mkdir(temp.c_str(), 0777);
            else file_rename = failing_rename;
            EXPECT_EQ(savers[i](), 0);
            file_rename = rename;
            if (blocked) EXPECT_EQ(rmdir(temp.c_str()), 0);
            EXPECT_EQ(read(std::string("t/hill/") + names[i]), before[i]);
            EXPECT_FALSE(fixture_file_exists(temp));
            EXPECT_FALSE(fixture_file_exists(root + "game/t"));
        }
}

// The first load of a run comes before the first frame: its ground already follows the
// player's settings file and the command line, in start-up's order.
TEST_F(TrackLoad, FirstLoadTakesTheGroundDetailOfTheSettings)
{
    const render_options saved_render = g_render;
    const shell_options saved_options = g_options;
    struct Case { const char *config; const char *detail; float want; };
    const Case cases[] = {
        {"", nullptr, 0.125f / 50},   // the default ground detail
        {"ground_detail=25.000000\n", nullptr, 0.125f / 25},
        {"ground_detail=25.000000\n", "0.5", 0.5f},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.config << (c.detail ? c.detail : ""));
        write("config", c.config);
        config_init();
        config_read();
        graphics_settings graphics;
        settings_graphics(&graphics);
        render_options_derive(&graphics, &g_render);
        char program[] = "rutline", detail[] = "--detail", value[8];
        snprintf(value, sizeof value, "%s", c.detail ? c.detail : "");
        char *argv[] = {program, detail, value, nullptr};
        ASSERT_EQ(parse_options(c.detail ? 3 : 1, argv), 0);
        ASSERT_EQ(load(folder), 1);
        EXPECT_FLOAT_EQ(race_terrain()->lod_tolerance, c.want);
    }
    g_render = saved_render;
    g_options = saved_options;
    config_init();
}
