#include "track_fixture.h"
#include "terrain/field.h"
#include "terrain/terrain_io.h"
#include "data/console.h"
#include "data/mem.h"
#include <gtest/gtest.h>
#include <cmath>
#include <cstdlib>
#include <sys/stat.h>

struct TerrainIo : testing::Test {
    terrain_field *t = (terrain_field *)calloc(1, sizeof(terrain_field));
    void TearDown() override
    {
        terrain_free(t);
        free(t);
    }
    float h(int x, int z) const { return t->heights[(long)z * t->grid_dim + x]; }
    bool console_said(const std::string &text) const
    {
        for (const auto &line : g_console.lines)
            if (text == line) return true;
        return false;
    }
};

TEST_F(TerrainIo, RawHeightsDecodeAndNeverReadThePng)
{
    track_folder f(7);
    auto raw = f.samples([](int x, int z) { return (x * 977 + z * 131) & 0xFFFF; });
    f.minimal(raw, "7 1.5 -2 6\r\n\n");
    f.png(f.samples([](int, int) { return 65535; }), f.dim, f.dim);
    ASSERT_EQ(terrain_load(t, f.dir.c_str(), 1), 1);
    EXPECT_EQ(t->grid_dim, 257);
    EXPECT_EQ(t->world_size, 384.0f);
    EXPECT_EQ(t->tile_size, 3.0f);
    for (int z = 0; z < f.dim; z += 7)
        for (int x = 0; x < f.dim; x += 5)
            ASSERT_EQ(h(x, z), 8.0f * (float)raw[(size_t)z * f.dim + x] * 1.5259022e-05f - 2.0f);
    EXPECT_EQ(t->loaded_heights[1000], t->heights[1000]);
    EXPECT_EQ(t->lod_build_state, 1);
    EXPECT_EQ(t->eye_cell_x, TERRAIN_NO_EYE);
    EXPECT_EQ(t->tile_count, 3);
    EXPECT_EQ(t->shading[77], 100);
    EXPECT_EQ(t->shadows[77], 0);
    EXPECT_EQ(t->decals.items, nullptr);
}

TEST_F(TerrainIo, HeightsFromThePng)
{
    track_folder f(7);
    f.minimal({}, "7 2 10 20 ");
    f.header("7 2 10 20 ");
    // Missing: flat at the minimum.
    ASSERT_EQ(terrain_load(t, f.dir.c_str(), 1), 1);
    EXPECT_EQ(h(100, 200), 10.0f);
    EXPECT_EQ(h(256, 256), 10.0f);

    // Two columns wide: the last column repeats over the width.
    std::vector<std::uint16_t> two = {0, 65535, 0, 0};
    f.png(two, 2, 2);
    ASSERT_EQ(terrain_load(t, f.dir.c_str(), 1), 1);
    EXPECT_EQ(h(0, 0), 10.0f);
    EXPECT_FLOAT_EQ(h(1, 0), 20.0f);
    EXPECT_FLOAT_EQ(h(200, 0), 20.0f);
    EXPECT_EQ(h(200, 1), 10.0f);
    EXPECT_EQ(h(200, 256), 10.0f);
}

TEST_F(TerrainIo, BadHeadersLeaveTheFieldEmpty)
{
    const char *headers[] = {
        "6 1 0 1\n", "12 1 0 1\n", "7 0 0 1\n", "7 -1 0 1\n", "7 1e39 0 1\n", "7 1 0 1e39\n",
        "7 1 0\n", "seven 1 0 1\n", "",
        // finite numbers whose range, world size or inverse cell size is not
        "7 1.5 -3e38 3e38\n", "7 1e37 0 1\n", "7 1e-40 0 1\n",
    };
    for (const char *hf : headers) {
        SCOPED_TRACE(hf);
        track_folder f(7);
        f.minimal({}, hf);
        f.header(hf);
        console_clear();
        EXPECT_EQ(terrain_load(t, f.dir.c_str(), 1), 0);
        EXPECT_EQ(t->heights, nullptr);
        EXPECT_EQ(t->lod_active, nullptr);
        EXPECT_TRUE(console_said("Bad height field parameters"));
    }
    track_folder none(7);
    console_clear();
    EXPECT_EQ(terrain_load(t, none.dir.c_str(), 1), 0);
    EXPECT_TRUE(console_said("Can't open '" + none.dir + "/terrain.hf'"));
}

// A decal with a number that is not finite ends the list as a record that does not parse does,
// so what a save writes reads back the same.
TEST_F(TerrainIo, NonFiniteDecalEndsTheList)
{
    const char *records[] = {
        "[1e39 2] 0 1 1 @b.png\n", "[1 -1e39] 0 1 1 @b.png\n", "[1 2] 1e39 1 1 @b.png\n",
        "[1 2] 0 1e39 1 @b.png\n", "[1 2] 0 1 -1e39 @b.png\n",
    };
    for (const char *bad : records) {
        SCOPED_TRACE(bad);
        track_folder f(7);
        f.minimal({});
        f.write("decals", std::string("[10 20] 0.5 2 3 @a.png\n") + bad + "[30 40] 0 1 1 @c.png\n");
        ASSERT_EQ(terrain_load(t, f.dir.c_str(), 1), 1);
        ASSERT_EQ(t->decals.count, 1);
        EXPECT_STREQ(((const decal *)t->decals.items)[0].name, "@a.png");
        ASSERT_EQ(terrain_save(t), 1);
        ASSERT_EQ(terrain_load(t, f.dir.c_str(), 1), 1);
        ASSERT_EQ(t->decals.count, 1);
        EXPECT_EQ(((const decal *)t->decals.items)[0].size2, 3.0f);
    }
}

TEST_F(TerrainIo, MinimumAboveMaximumDecodesAsWritten)
{
    track_folder f(7);
    f.minimal(f.samples([](int x, int) { return x == 0 ? 0 : 65535; }), "7 1 5 -3\n");
    ASSERT_EQ(terrain_load(t, f.dir.c_str(), 1), 1);
    EXPECT_EQ(h(0, 0), 5.0f);
    EXPECT_FLOAT_EQ(h(1, 0), -3.0f);
    EXPECT_EQ(t->height_min, -3.0f);
    EXPECT_EQ(t->height_max, 5.0f);
}

TEST_F(TerrainIo, ShortSectionsAreZeroFilled)
{
    track_folder f(7);
    auto raw = f.samples([](int, int) { return 40000; });
    raw.resize(1000);
    f.minimal(raw);
    f.tilemap(2, 100);
    console_clear();
    ASSERT_EQ(terrain_load(t, f.dir.c_str(), 1), 1);
    EXPECT_NE(h(999 % 257, 999 / 257), -2.0f);
    EXPECT_EQ(h(1000 % 257, 1000 / 257), -2.0f);
    EXPECT_EQ(h(256, 256), -2.0f);
    EXPECT_EQ(t->tilemap[99], 2);
    EXPECT_EQ(t->tilemap[100], 0);
    EXPECT_EQ(t->tilemap[16383], 0);
    EXPECT_TRUE(console_said("Warning: short height data in '" + f.dir + "/terrain.hf', the rest is flat"));
    EXPECT_TRUE(console_said("Warning: short tile map in '" + f.dir + "/tilemap', the rest is tile 0"));
}

TEST_F(TerrainIo, TileMapIsClippedToTheTiles)
{
    track_folder f(7);
    f.minimal(f.samples([](int, int) { return 0; }));
    f.tilemap(200);
    ASSERT_EQ(terrain_load(t, f.dir.c_str(), 1), 1);
    EXPECT_EQ(t->tilemap[5000], 2);
    f.write("tileinfo", "texture a.png\n");   // no addtile: no tile at all
    ASSERT_EQ(terrain_load(t, f.dir.c_str(), 1), 1);
    EXPECT_EQ(t->tile_count, 0);
    EXPECT_EQ(t->tilemap[0], 255);
    f.tilemap(0);
    ASSERT_EQ(terrain_load(t, f.dir.c_str(), 1), 1);
    EXPECT_EQ(t->tilemap[0], 255);
}

TEST_F(TerrainIo, ShadingAndShadowImages)
{
    track_folder f(7);
    f.minimal(f.samples([](int, int) { return 0; }));
    unlink(f.path("shadingx2.ppm").c_str());
    f.ppm("shading.ppm", f.dim, f.dim, 201);
    f.pgm("shadows.pgm", f.dim, f.dim, 55);
    ASSERT_EQ(terrain_load(t, f.dir.c_str(), 1), 1);
    EXPECT_EQ(t->shading[3 * 300 + 1], 100);   // halved
    EXPECT_EQ(t->shadows[300], 200);           // inverted

    struct Case { const char *file; int width; const char *message; };
    const Case cases[] = {
        {"shadingx2.ppm", 256, "Bad shading dimensions (256x257)"},
        {"shadows.pgm", 258, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        f.ppm("shadingx2.ppm", f.dim, f.dim, 9);
        f.pgm("shadows.pgm", f.dim, f.dim, 0);
        if (c.file[7] == 'x') f.ppm(c.file, c.width, f.dim, 9);
        else f.pgm(c.file, c.width, f.dim, 9);
        console_clear();
        EXPECT_EQ(terrain_load(t, f.dir.c_str(), 1), 0);
        EXPECT_EQ(t->heights, nullptr);
        if (c.message) EXPECT_TRUE(console_said(c.message));
    }
    f.ppm("shadingx2.ppm", f.dim, f.dim, 9);
    f.write("shadows.pgm", "P5\n");
    console_clear();
    EXPECT_EQ(terrain_load(t, f.dir.c_str(), 1), 0);
    EXPECT_TRUE(console_said("Error reading shadows"));
}

TEST_F(TerrainIo, SaveAndLoadRoundTrip)
{
    for (int depth : {7, 8}) {
        SCOPED_TRACE(depth);
        track_folder f(depth);
        f.minimal(f.samples([](int x, int z) { return (x * 37 + z * 11) % 60000; }));
        f.write("decals", "[10 20] 0.5 2 3 @gone.png\n[30 40.5] 0 1 1 @skid.png\n");
        ASSERT_EQ(terrain_load(t, f.dir.c_str(), 1), 1);
        ASSERT_EQ(t->decals.count, 2);   // images did not load: kept all the same

        // Edits widen the range beyond the header's; saving re-derives it.
        for (int i = 0; i < 50; ++i) terrain_set_height(t, i * 3, i * 5, 0.37f * i - 9.0f);
        t->tilemap[7] = 2;
        const long n = (long)t->grid_dim * t->grid_dim;
        std::vector<float> edited(t->heights, t->heights + n);
        ASSERT_EQ(terrain_save(t), 1);
        EXPECT_FALSE(fixture_file_exists(f.path("terrain.hf.saving")));
        EXPECT_TRUE(fixture_file_exists(f.path("terrain.png")));
        EXPECT_EQ(fixture_read_file(f.path("terrain.hf")).find(':'), std::string::npos);
        float min = t->height_min, max = t->height_max;
        EXPECT_EQ(min, -9.0f);

        ASSERT_EQ(terrain_load(t, f.dir.c_str(), 1), 1);
        float step = (max - min) / 65535.0f;
        for (long i = 0; i < n; ++i) ASSERT_NEAR(t->heights[i], edited[i], step * 0.5f + 1e-5f) << i;
        EXPECT_EQ(t->tilemap[7], 2);
        EXPECT_EQ(t->shading[3 * 500], 100);   // the as-held image is read back first
        ASSERT_EQ(t->decals.count, 2);
        const decal *d = (const decal *)t->decals.items;
        EXPECT_STREQ(d[0].name, "@gone.png");
        EXPECT_EQ(d[1].z, 40.5f);
        EXPECT_EQ(fixture_read_file(f.path("shading.ppm")).back(), (char)200);   // doubled
    }
}

TEST_F(TerrainIo, FlatFieldSavesZeros)
{
    track_folder f(7);
    f.minimal(f.samples([](int, int) { return 30000; }), "7 1 4 4\n");
    ASSERT_EQ(terrain_load(t, f.dir.c_str(), 1), 1);
    ASSERT_EQ(terrain_save(t), 1);
    unsigned short *samples = nullptr;
    int w = 0, hgt = 0;
    ASSERT_EQ(image_read_png_grey16(f.path("terrain.png").c_str(), &samples, &w, &hgt), 1);
    for (int i = 0; i < w * hgt; ++i) ASSERT_EQ(samples[i], 0);
    mem_free(samples);
    ASSERT_EQ(terrain_load(t, f.dir.c_str(), 1), 1);
    EXPECT_EQ(h(100, 100), 4.0f);
    EXPECT_FALSE(fixture_file_exists(f.path("decals")));   // none loaded: none written
}

TEST_F(TerrainIo, FailedSaveKeepsEveryOldFile)
{
    track_folder f(7);
    f.minimal(f.samples([](int, int) { return 1; }));
    ASSERT_EQ(terrain_load(t, f.dir.c_str(), 1), 1);
    const std::string old_hf = fixture_read_file(f.path("terrain.hf"));
    const std::string old_shading = fixture_read_file(f.path("shadingx2.ppm"));
    mkdir(f.path("tilemap.saving").c_str(), 0777);   // the tile map cannot be written
    terrain_set_height(t, 3, 3, 50.0f);
    console_clear();
    EXPECT_EQ(terrain_save(t), 0);
    EXPECT_TRUE(console_said("Can't open 'tilemap'"));
    EXPECT_EQ(fixture_read_file(f.path("terrain.hf")), old_hf);
    EXPECT_EQ(fixture_read_file(f.path("shadingx2.ppm")), old_shading);
    EXPECT_FALSE(fixture_file_exists(f.path("terrain.png")));
    EXPECT_FALSE(fixture_file_exists(f.path("terrain.hf.saving")));
    EXPECT_FALSE(fixture_file_exists(f.path("shading.ppm.saving")));
}

TEST_F(TerrainIo, TextureModesAndColourBlocks)
{
    track_folder f(8);
    f.minimal(f.samples([](int, int) { return 0; }));
    struct Case { int requested, mode; const char *line; int blocks; float inv_edge; };
    const Case cases[] = {
        {1, 1, "Terrain texture rendering with TexSubImage", 0, 0.0f},
        {2, 2, "Terrain texture rendering with CopyTexSubImage", 2, 1.0f / 256},
        {3, 1, "Terrain texture rendering with TexSubImage", 0, 0.0f},   // no framebuffer objects
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.requested);
        console_clear();
        ASSERT_EQ(terrain_load(t, f.dir.c_str(), c.requested), 1);
        EXPECT_EQ(t->texture_mode, c.mode);
        EXPECT_TRUE(console_said(c.line));
        EXPECT_EQ(t->block_count, c.blocks);
        EXPECT_EQ(t->inv_block_texture_size, c.inv_edge);
        EXPECT_LE(t->texture_size, 256);
    }
}
