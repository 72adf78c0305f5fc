#include "fixtures/fixtures.h"
#include "terrain/field.h"
#include "terrain/surface.h"
#include "data/console.h"
#include "data/stream.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <string>
#include <vector>

struct Parsed {
    terrain_field *t = (terrain_field *)calloc(1, sizeof(terrain_field));
    std::vector<std::string> messages;
    ~Parsed() { free(t); }
};

static void parse(Parsed &p, const std::string &text, bool legacy = false)
{
    std::string path = fixture_temp_dir("tileinfo") + "tileinfo";
    fixture_write_file(path, text);
    p.t->texture_mode = 2;
    console_clear();
    data_stream *s = data_open(path.c_str(), "rb");
    ASSERT_NE(s, nullptr);
    if (legacy) texturelist_parse(p.t, s);
    else EXPECT_EQ(tileinfo_parse(p.t, s), 1);
    data_close(s);
    for (int i = 0; i < g_console.write_index; ++i) p.messages.push_back(g_console.lines[i]);
}

TEST(Tileinfo, CurvesSortedAndClamped)
{
    Parsed p;
    parse(p, "friction 0.8 2\nfriction 1.2 1\nroll_resist 3 4 9\nroll_resist -1 2 0\naddtile\n"
             "  \tfriction -1 0\r\naddtile\n");
    ASSERT_EQ(p.t->tile_count, 2);
    const float want_value[8] = {1.2f, 0.8f, 1, 1, 1, 1, 1, 1}, want_key[8] = {1, 2, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 8; ++i) {
        EXPECT_FLOAT_EQ(p.t->friction[0][i], want_value[i]) << i;
        EXPECT_EQ(p.t->friction_key[0][i], want_key[i]) << i;
    }
    EXPECT_EQ(p.t->roll_resist[0][0][0], 0.0f);
    EXPECT_EQ(p.t->roll_resist[0][0][1], 2.0f);
    EXPECT_EQ(p.t->roll_resist_key[0][0], TILE_MIN_KEY);
    EXPECT_EQ(p.t->roll_resist_key[0][1], 9.0f);
    EXPECT_EQ(p.t->roll_resist[0][2][1], 15.0f);
    EXPECT_EQ(p.t->friction[1][0], 0.0f);
    EXPECT_EQ(p.t->friction_key[1][0], TILE_MIN_KEY);
    EXPECT_TRUE(p.messages.empty());
}

TEST(Tileinfo, WarningsAndWhatSurvivesThem)
{
    struct Case { const char *text; const char *message; };
    const Case cases[] = {
        {"friction 1\n", "tileinfo warning: bad friction parameters\n"},
        {"roll_resist 1 2\n", "tileinfo warning: bad roll_resist parameters\n"},
        {"erode_radius soft\n", "tileinfo warning: bad erode_radius\n"},
        {"erode_limit 1 2\n", "tileinfo warning: bad erode_limit\n"},
        {"erode_limit 0.5 1 1\nerode_limit 0.5 2 2\n", "tileinfo warning: erode_limit depth <= prev depth\n"},
        {"roost count=lots\n", "tileinfo warning: bad count\n"},
        {"roost fade_a=x\n", "tileinfo warning: bad fade_a\n"},
        {"roost sparkle=1\n", "tileinfo warning: unknown roost parameter 'sparkle=1'\n"},
        {"roost\nroost\nroost\nroost\nroost\n", "tileinfo warning: too many roost types\n"},
        {"Friction 1 1\n", "tileinfo warning: Unknown identifier 'Friction'\n"},
        {"addtile\n", nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        Parsed p;
        parse(p, std::string(c.text) + "addtile\n");
        if (c.message) {
            ASSERT_EQ(p.messages.size(), 1u);
            EXPECT_EQ(p.messages[0], c.message);
        } else {
            EXPECT_TRUE(p.messages.empty());
        }
    }

    std::string many;
    for (int i = 0; i < 9; ++i) many += "friction 1 " + std::to_string(i + 1) + "\nerode_limit " + std::to_string(i) + " 1 1\n";
    Parsed p;
    parse(p, many + "erode_radius 2.5\nerode_on_speed 10\nerode_limit x\naddtile\n");
    EXPECT_EQ(p.messages.size(), 3u);
    EXPECT_EQ(p.messages[0], "tileinfo warning: too many friction points\n");
    EXPECT_EQ(p.messages[1], "tileinfo warning: too many erode limits\n");
    EXPECT_EQ(p.t->friction_key[0][7], 8.0f);
    EXPECT_EQ(p.t->erosion[0].limit_count, 8);
    EXPECT_EQ(p.t->erosion[0].erode_radius, 2.5f);
    // Equal on and off speeds stay as written; the erosion code treats them as a step.
    EXPECT_EQ(p.t->erosion[0].erode_on_speed, p.t->erosion[0].erode_off_speed);
}

TEST(Tileinfo, DefaultsRoostAndErosion)
{
    Parsed p;
    parse(p, "roost count=3 \"dig=2\" r=300 fade_a=1280 splash=1\nroost size=0.5\n"
             "erode_radius nope\nerode_limit 0.5 1 1\nerode_limit 0.5 2 2\naddtile\naddtile\n"
             "friction 2 2\n");   // after the last addtile: dropped
    ASSERT_EQ(p.t->tile_count, 2);
    const roost_type &r0 = p.t->roost[0][0], &r1 = p.t->roost[0][1], &r2 = p.t->roost[0][2];
    EXPECT_EQ(r0.kind, 2);
    EXPECT_EQ(r0.count, 3.0f);
    EXPECT_EQ(r0.dig, 2.0f);
    EXPECT_EQ(r0.r, 300 & 0xFF);
    EXPECT_EQ(r0.fade_a, 10);       // times the tick length
    EXPECT_EQ(r1.kind, 1);
    EXPECT_EQ(r1.size, 0.5f);
    EXPECT_EQ(r1.count, 10.0f);
    EXPECT_EQ(r2.kind, 0);
    EXPECT_EQ(r2.fade_a, 254);
    const erosion_params &e = p.t->erosion[0];
    EXPECT_EQ(e.erode_radius, 4.0f);
    EXPECT_EQ(e.limit_count, 1);
    EXPECT_EQ(e.limit_a[0], 1.0f);
    const erosion_params &d = p.t->erosion[1];
    EXPECT_EQ(d.limit_count, 2);
    EXPECT_EQ(d.limit_depth[1], 1.0f);
    EXPECT_EQ(d.limit_a[0], 1.0f);
    EXPECT_EQ(d.erode_slip_scale, 1.5f);
    EXPECT_EQ(p.t->friction_key[1][0], 1.0f);

    Parsed none;
    parse(none, "friction 1 1\nroost count=2\n");
    EXPECT_EQ(none.t->tile_count, 0);
}

TEST(Tileinfo, TransitionCodes)
{
    const char *names[] = {"grass.png", "dirt.png"};
    struct Case { const char *name; int want; };
    const Case cases[] = {
        {"grass-dirt-0110.png", (0 << 16) | (1 << 8) | 6},
        {"dirt-grass-1111.png", (1 << 16) | (0 << 8) | 15},
        {"grass-dirt-01x0.png", (0 << 16) | (1 << 8)},
        {"grass-alt2.png", 0},
        {"grass-mud-0110.png", -256},
        {"grass-dirt.png", -256},
        {"mud-grass.png", -1},
        {"grass.png", -1},
    };
    for (const Case &c : cases) EXPECT_EQ(tile_name_code(c.name, names, 2), c.want) << c.name;

    // Codes as the parser stores them; names lose '@' and folders.
    Parsed p;
    parse(p, "texture @tiles/grass.png\naddtile\ntexture dirt.png\naddtile\n"
             "texture @tiles/grass-dirt-1000.png\naddtile\ntexture mud-grass.png\naddtile\n");
    ASSERT_EQ(p.t->tile_count, 4);
    EXPECT_EQ(p.t->tile_codes[0], 0);
    EXPECT_EQ(p.t->tile_codes[1], (1 << 16) | (1 << 8));
    EXPECT_EQ(p.t->tile_codes[2], (1 << 8) | 8);
    EXPECT_EQ(p.t->tile_codes[3], (3 << 16) | (3 << 8));
}

TEST(Texturelist, OlderTileFormat)
{
    Parsed p;
    parse(p, "0.5 3 9 tiles/grass.png\r\n\n   \ndirt file.png\nmud.png", true);
    ASSERT_EQ(p.t->tile_count, 3);
    EXPECT_EQ(p.t->friction[0][7], 0.5f);
    EXPECT_EQ(p.t->friction_key[0][0], 1.0f);
    EXPECT_EQ(p.t->friction_key[0][1], 0.0f);
    EXPECT_EQ(p.t->roll_resist[0][3][1], 9.0f);
    EXPECT_EQ(p.t->roll_resist[1][0][0], 5.0f);
    EXPECT_EQ(p.t->roost[0][0].kind, 1);
    EXPECT_EQ(p.t->roost[0][1].kind, 0);
    EXPECT_EQ(p.t->tile_codes[2], (2 << 16) | (2 << 8));
}

TEST(TextScan, RealsAsTheGameReadsThem)
{
    float a = -1, b = -1;
    char word[8];
    int n = -1;
    EXPECT_EQ(terrain_text_scan(" [ 1.5e3 -.25 ] ", " [ %f %f ] ", &a, &b), 2);
    EXPECT_EQ(a, 1500.0f);
    EXPECT_EQ(b, -0.25f);
    EXPECT_EQ(terrain_text_scan("nan 1", "%f %f", &a, &b), 0);
    EXPECT_EQ(terrain_text_scan("", "%f", &a), -1);
    EXPECT_EQ(terrain_text_scan("[1 2", "[ %f %f ]", &a, &b), -1);   // stored, then no ']'
    EXPECT_EQ(b, 2.0f);
    EXPECT_EQ(terrain_text_scan("1 2 x", "[ %f", &a), -1);
    EXPECT_EQ(terrain_text_scan("2e name", "%f %7s%n", &a, word, &n), 2);
    EXPECT_EQ(a, 2.0f);
    EXPECT_STREQ(word, "name");
    EXPECT_EQ(n, 7);
}
