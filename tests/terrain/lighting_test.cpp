#include "fixtures/fixtures.h"
#include "terrain/lighting.h"
#include "data/console.h"
#include <gtest/gtest.h>
#include <string>

static std::string last_console_line()
{
    return g_console.lines[(g_console.write_index + CONSOLE_LINES - 1) % CONSOLE_LINES];
}

static void load(const std::string &text)
{
    std::string dir = fixture_temp_dir("lighting");
    fixture_write_file(dir + "lighting", text);
    lighting_load((dir + "lighting").c_str());
}

TEST(Lighting, ValuesAndClamps)
{
    load("sun_vector [ 0 3 4 ]\n"
         "\tsun_color [0.9 0.8 0.7]  \n"
         "ambient [0.1 0.2 0.3]\r\n"
         "near_plane 0\n"
         "far_plane 0.1\n"
         "dynamic_lighting 2\n"
         "fog [0.5 0.6 0.7] 0.01\n");
    const lighting_record &l = track_lighting;
    EXPECT_FLOAT_EQ(l.sun_vector[0], 0.0f);
    EXPECT_FLOAT_EQ(l.sun_vector[1], 0.6f);
    EXPECT_FLOAT_EQ(l.sun_vector[2], 0.8f);
    EXPECT_FLOAT_EQ(l.sun_color[2], 0.7f);
    EXPECT_FLOAT_EQ(l.ambient[2], 0.3f);
    EXPECT_FLOAT_EQ(l.global_ambient[0], 0.2f);
    EXPECT_EQ(l.near_plane, 1.0f / 1024.0f);
    EXPECT_FLOAT_EQ(l.far_plane, 0.1f);
    EXPECT_EQ(l.dynamic_lighting, 1);
    EXPECT_FLOAT_EQ(l.fog_color[1], 0.6f);
    EXPECT_FLOAT_EQ(l.fog_density, 0.01f);

    struct Case { const char *text; float near_plane, far_plane; int dynamic; };
    const Case cases[] = {
        {"near_plane 2\nfar_plane 5000000\n", 0.875f, 1048576.0f, 0},
        {"far_plane 0.1\ndynamic_lighting -1\n", 0.25f, 0.25f, 0},
        {"dynamic_lighting word\n", 0.25f, 5000.0f, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        load(c.text);
        EXPECT_EQ(l.near_plane, c.near_plane);
        EXPECT_EQ(l.far_plane, c.far_plane);
        EXPECT_EQ(l.dynamic_lighting, c.dynamic);
        EXPECT_EQ(l.fog_density, 0.0f);
        EXPECT_FLOAT_EQ(l.fog_color[1], 0.6f);   // the colour carries over from the last track
    }
}

TEST(Lighting, ZeroSunPointsUpAndNoFileKeepsDefaults)
{
    load("sun_vector [0 0 0]\n");
    EXPECT_EQ(track_lighting.sun_vector[0], 0.0f);
    EXPECT_EQ(track_lighting.sun_vector[1], 1.0f);
    EXPECT_EQ(track_lighting.sun_vector[2], 0.0f);

    lighting_load((fixture_temp_dir("lighting") + "missing").c_str());
    for (int c = 0; c < 3; ++c) EXPECT_EQ(track_lighting.sun_vector[c], 1.0f);   // not normalised
    EXPECT_EQ(track_lighting.ambient[0], 0.5f);
}

TEST(Lighting, UnknownKeywordsStopTheReading)
{
    struct Case { const char *text; const char *message; float ambient; };
    const Case cases[] = {
        {"ambient [0.1 0.1 0.1]\nambeint [0.3 0.3 0.3]\nambient [0.9 0.9 0.9]\n",
         "Error reading lighting: Unknown identifier 'ambeint'\n", 0.1f},
        {"ambient [0.1 0.1 0.1]\n\nambient [0.9 0.9 0.9]\n",
         "Error reading lighting: Unknown identifier '\n'\n", 0.1f},
        {"ambient [0.2 0.2 0.2]\nambient\nambient [0.9 0.9 0.9]\n",
         "Error reading lighting: Unknown identifier 'ambient\n'\n", 0.2f},
        {"ambient [0.3 0.3 0.3]\n   \t", nullptr, 0.3f},   // a blank last line without a break
        {"fog [0.1 0.2 0.3]\nambient [0.4 0.4 0.4]\n", nullptr, 0.4f},   // three numbers: no fog
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        console_clear();
        load(c.text);
        EXPECT_FLOAT_EQ(track_lighting.ambient[0], c.ambient);
        EXPECT_EQ(last_console_line(), c.message ? c.message : "");
    }
    EXPECT_EQ(track_lighting.fog_density, 0.0f);
}

TEST(Lighting, FlareSources)
{
    load("flare_element [1 2] [0.5 0.5 0.5] 3 @flare1.png\n"
         "flare_element [3 4] [1 1 1] 2 @flare2.png\n"
         "flare_point [10 20 30]\n"
         "flare_vector [0 1 0]\n"
         "flare_element [5 5] [1 1 1] 1 @lost.png\n");
    ASSERT_EQ(flare_sources.count, 2);
    const flare_source *f = (const flare_source *)flare_sources.items;
    EXPECT_EQ(f[0].is_direction, 0);
    EXPECT_EQ(f[0].element_count, 2);
    EXPECT_EQ(f[0].point[2], 30.0f);
    EXPECT_EQ(f[0].element_offset[1][1], 4.0f);
    EXPECT_EQ(f[0].element_size[0], 3.0f);
    EXPECT_EQ(f[1].is_direction, 1);
    EXPECT_EQ(f[1].element_count, 0);
    EXPECT_EQ(f[1].element_size[0], 1.0f);

    std::string nine;
    for (int i = 0; i < 9; ++i) nine += "flare_element [0 0] [1 1 1] 1 @f.png\n";
    load(nine + "flare_point [0 0 0]\n");
    ASSERT_EQ(flare_sources.count, 1);
    EXPECT_EQ(((const flare_source *)flare_sources.items)[0].element_count, 8);
    lighting_free();
}
