// The object files of a track, each read on its own over a generated ground.
#include "track_home.h"
#include "terrain/cameras.h"
#include "terrain/field.h"
#include "terrain/flaggers.h"
#include "terrain/statues.h"
#include "terrain/timing_gates.h"
#include "racing/race.h"
#include "shell/globals.h"
#include "shell/startup.h"
#include <gtest/gtest.h>
#include <cfloat>
#include <cmath>
#include <string>
#include <vector>

struct TrackObjects : TrackHome {
    void SetUp() override
    {
        TrackHome::SetUp();
        ground("t/o", slope_x);
        ASSERT_EQ(load("t/o"), 1);
    }
    // Writes the file into the track folder and returns its "@" name.
    std::string file(const char *name, const std::string &bytes)
    {
        write(std::string("t/o/") + name, bytes);
        return std::string("@t/o/") + name;
    }
    std::string ten_gates() const
    {
        std::string text = "checkpoints:\n";
        for (int i = 0; i < 10; ++i) text += "2 [" + std::to_string(10 * i) + " 0 5] [2 0 0]\n";
        return text;
    }
};

TEST_F(TrackObjects, LapEntriesNormalised)
{
    timing_gates_load(file("timing_gates", ten_gates() + "firstlap: 100003 12 -5 250007 3\nnormallap: 4 100001 7 8\n").c_str());
    ASSERT_EQ(gate_count, 10);
    ASSERT_EQ(first_lap_count, 5);
    ASSERT_EQ(normal_lap_count, 4);
    const int want[9] = {
        100003,   // no switch point, kept
        9,        // beyond the last gate
        0,        // negative
        100009,   // 250007: no switch point, 50007 held at gate 9 (not 100007)
        3,
        4, 100001, 7, 8,
    };
    for (int i = 0; i < 9; ++i) EXPECT_EQ(lap_list[i], want[i]) << i;
    EXPECT_EQ(first_lap_switch_count, 3);
    EXPECT_EQ(normal_lap_switch_count, 3);
    EXPECT_EQ(start_count, 0);
    EXPECT_FLOAT_EQ(gates[3].centre[0], 30.0f);
    EXPECT_FLOAT_EQ(gates[3].direction[0], 2.0f);
    EXPECT_FLOAT_EQ(gates[3].radius, 2.0f);
    // One section of 45 empty slots per switch point.
    for (int i = 0; i < 6 * LINE_SLOTS_PER_SECTION; ++i) {
        ASSERT_EQ(line_store[i].sample_count, 0);
        ASSERT_EQ(line_store[i].best_two_section_time, 1000000);
    }
}

TEST_F(TrackObjects, TimingGatesLoadWholeOrNotAtAll)
{
    const std::string gate_text = ten_gates(), laps = "firstlap: 0 1\nnormallap: 1 0\n";
    std::string many_starts = "startinggate:\n";
    for (int i = 0; i < 161; ++i) many_starts += "[" + std::to_string(i) + " 0 50] 0\n";
    std::string many_gates = "checkpoints:\n", many_entries = "normallap:";
    for (int i = 0; i < GATES_MAX + 1; ++i) many_gates += "2 [" + std::to_string(i) + " 0 5] [2 0 0]\n";
    for (int i = 0; i < LAP_ENTRIES_MAX + 1; ++i) many_entries += " " + std::to_string(i % 10);
    // refused: the file holds what the tables do not, and a save would drop it.
    struct Case { const char *what; std::string text; int gates, starts, refused; };
    const Case cases[] = {
        {"all there", "startinggate:\n\n\n[5 0 5] 0\n[9 0 5] 1\n" + gate_text + laps, 10, 2, 0},
        {"starts only", "startinggate:\n[5 0 5] 0\n", 0, 1, 0},
        {"starts and an empty gate section", "startinggate:\n[5 0 5] 0\ncheckpoints:\n", 0, 1, 0},
        {"no first-lap switch point", gate_text + "firstlap: 100000 100001\nnormallap: 1\n", 0, 0, 1},
        {"no normal lap", gate_text + "firstlap: 0 1\n", 0, 0, 1},
        {"laps without gates", "checkpoints:\n" + laps, 0, 0, 1},
        {"blank line before checkpoints", "startinggate:\n[5 0 5] 0\n\n" + gate_text + laps, 0, 1, 1},
        {"start line of three values", "startinggate:\n[5 0 5]\n" + gate_text + laps, 0, 0, 1},
        {"first word neither keyword", "gates:\n" + laps, 0, 0, 1},
        {"a gate that is not finite", "checkpoints:\n2 [1 0 1] [inf 0 0]\n" + laps, 0, 0, 1},
        {"more starts than places", many_starts + gate_text + laps, 10, START_POSITIONS_MAX, 1},
        {"257 gates", many_gates + laps, 0, 0, 1},
        {"257 entries in a lap", gate_text + "firstlap: 0 1\n" + many_entries + "\n", 10, 0, 1},
        {"words after the last lap", gate_text + laps + "sidelap: 3\n", 10, 0, 1},
        {"empty file", " \n", 0, 0, 0},
        {"missing file", "", 0, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        track_objects_free();
        track_objects_init();
        std::string name = c.text.empty() ? "@t/o/none" : file("timing_gates", c.text);
        timing_gates_load(name.c_str());
        EXPECT_EQ(gate_count, c.gates);
        EXPECT_EQ(gates == nullptr, c.gates == 0);
        EXPECT_EQ(lap_list == nullptr, c.gates == 0);
        EXPECT_EQ(start_count, c.starts);
        EXPECT_EQ(statues.count, c.starts);
        EXPECT_EQ(timing_gates_refused, c.refused);
    }
}

TEST_F(TrackObjects, StartPositionsAndTheirGates)
{
    const float pi = (float)M_PI;
    timing_gates_load(file("timing_gates", "startinggate:\n[0 0 0] 7\n[10 1 20] 3.14159265 a.km b.png\n"
                                           "[30 0 20] -3.14159265 a.km b.png c.shp\n" + ten_gates() +
                                           "firstlap: 0\nnormallap: 1\n").c_str());
    ASSERT_EQ(start_count, 3);
    EXPECT_NEAR(start_angles[0], 7.0f - 2 * pi, 1e-5f);
    EXPECT_EQ(start_angles[1], pi);
    EXPECT_EQ(start_angles[2], -pi);
    const statue *s = (const statue *)statues.items;
    const statue &gate = s[start_statues[1]];
    EXPECT_NEAR(gate.x, 10.0f, 1e-5f);
    EXPECT_NEAR(gate.z, 23.0f, 1e-5f);   // 3 units against the heading
    EXPECT_FLOAT_EQ(gate.y, terrain_height_at(terrain_ptr, gate.x, gate.z) + 1.0f);
    EXPECT_STREQ(s[start_statues[0]].model_name, "@startgate.km");
    EXPECT_STREQ(s[start_statues[0]].shape_name, "@startgate.shp");
    EXPECT_STREQ(gate.shape_name, "@startgate.shp");
    EXPECT_STREQ(s[start_statues[2]].shape_name, "c.shp");

    track_name = "t/o";
    ASSERT_EQ(timing_gates_save(), 1);
    std::string saved = read("t/o/timing_gates");
    EXPECT_NE(saved.find("[0.000000 0.000000 0.000000] 0.716815\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("3.141593 a.km b.png @startgate.shp\n"), std::string::npos) << saved;
}

TEST_F(TrackObjects, StatueTurnValuesAndCompanionMaps)
{
    struct Case { float angle, turn; };
    const Case turns[] = {{3.0f, 0}, {3.25f, std::exp2(3.25f)}, {4.0f, 16.0f}, {200.0f, FLT_MAX}};
    for (const Case &c : turns) {
        int i = statue_add(5, 0, 5, c.angle, nullptr, nullptr, nullptr);
        EXPECT_EQ(((statue *)statues.items)[i].turn_value, c.turn) << c.angle;
        EXPECT_EQ(((statue *)statues.items)[i].angle, c.angle);
    }

    // Asked names are recorded; only the model's own normal map exists.
    static std::vector<std::string> asked;
    static const track_resource_loaders recording = {
        [](const char *name) -> unsigned {
            asked.push_back(name);
            return std::string(name) == "tree_norm.png" || std::string(name) == "x-repeat.png" ? 7u : 0u;
        },
        fake_resources::model, fake_resources::shape};
    fake_resources::models() = {"tree.km"};
    track_resources_set(&recording);
    const int shaders = g_render.use_shader;
    g_render.use_shader = 1;
    int i = statue_add(5, 0, 5, 0, "tree.km", "x-repeat.png", nullptr);
    g_render.use_shader = shaders;
    const statue &s = ((statue *)statues.items)[i];
    EXPECT_EQ(s.normal_texture, 7u);
    EXPECT_EQ(s.specular_texture, 0u);
    const std::vector<std::string> want = {
        "x-repeat.png",
        "x_norm-repeat.seq", "x_norm-repeat.png", "x_norm-repeat.ppm", "tree_norm.seq", "tree_norm.png",
        "x_spec-repeat.seq", "x_spec-repeat.png", "x_spec-repeat.ppm", "tree_spec.seq", "tree_spec.png",
        "tree_spec.ppm",
    };
    EXPECT_EQ(asked, want);
}

TEST_F(TrackObjects, BillboardsStopAtTheFirstBadRecord)
{
    fake_resources::textures() = {"a.png", ""};
    const int before = billboards.count;
    billboards_load(file("billboards", "[10 1 10] 2 3 a.png\n[11 0 10] 2 3 #00ff80#\n[12 0 10] 2 3 #zz0000#a.png\n"
                                       "[13 0 10] 2 three a.png\n[14 0 10] 2 3 a.png\n").c_str());
    ASSERT_EQ(billboards.count, before + 3);
    const billboard *b = (const billboard *)billboards.items + before;
    EXPECT_FLOAT_EQ(b[0].y, terrain_height_at(terrain_ptr, 10, 10) + 1.0f);
    EXPECT_NE(b[0].texture, 0u);
    EXPECT_EQ(b[1].color[1], 255);      // a prefix alone: the texture of the empty name
    EXPECT_EQ(b[1].color[2], 0x80);
    EXPECT_STREQ(b[1].name, "");
    EXPECT_STREQ(b[2].name, "#zz0000#a.png");   // no prefix: the name stays whole
    EXPECT_EQ(b[2].color[0], 255);
}

TEST_F(TrackObjects, StatuesPassOverADamagedRecord)
{
    const std::string a = "[10 0 10] 0 a.km null null\n", b = "[20 0 10] 0 b.km null null\n";
    struct Case { const char *what; std::string text; std::vector<float> xs; };
    const Case cases[] = {
        {"sound", a + b, {10, 20}},
        {"not a number", a + "[nan 0 10] 0 n.km null null\n" + b, {10, 20}},
        {"an infinite angle", a + "[15 0 10] inf n.km null null\n" + b, {10, 20}},
        {"a word for a number", a + "[15 zero 10] 0 n.km null null\n" + b, {10, 20}},
        {"a line of garbage", "garbage\n" + a + b, {10, 20}},
        {"blank lines first", "\n \n" + a + b, {10, 20}},
        {"cut short at the end", a + b + "[30 0", {10, 20}},
        {"only damage", "[nan 0 0] 0 x y z\n", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        track_objects_free();
        track_objects_init();
        statues_load(file("statues", c.text).c_str());
        std::vector<float> xs;
        for (int i = 0; i < statues.count; ++i) xs.push_back(((statue *)statues.items)[i].x);
        EXPECT_EQ(xs, c.xs);
    }
}

TEST_F(TrackObjects, FlaggerGatesAndShortFiles)
{
    timing_gates_load(file("timing_gates", ten_gates() + ten_gates().substr(13) + "firstlap: 0\nnormallap: 1\n").c_str());
    ASSERT_EQ(gate_count, 20);
    fake_resources::textures() = {"m0", "b1", "f1"};
    flaggers_load(file("flaggers", "[1 0 1] [2 0 2] 1 2 4 m0 m1 m2 m3 m4\n[3 0 3] 1 2 b0 b1 b2 b3\n"
                                   "[4 0 4] 1 2 500 -7 -1 5 f0 f1\n[5 0 5] 1 2 1 1 1 1 g0\n").c_str());
    EXPECT_FLOAT_EQ(flagger_header.mover_period, 4.0f);
    EXPECT_NE(flagger_header.mover_textures[0], 0u);
    EXPECT_NE(flagger_header.board_textures[1], 0u);
    ASSERT_EQ(flaggers.count, 1);   // the second lacks its second picture
    const flagger &f = ((const flagger *)flaggers.items)[0];
    const int want[4] = {19, -1, -1, 5};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(f.gates[i], want[i]) << i;
    EXPECT_NE(f.textures[1], 0u);

    flaggers_load(file("flaggers", "[1 0 1] [2 0 2] 1 2 4 m0 m1 m2 m3 m4\n").c_str());
    EXPECT_GE(flagger_header.mover_billboard, 0);
    EXPECT_EQ(flagger_header.board_billboard, -1);

    flaggers_load("@t/o/none");
    EXPECT_EQ(flagger_header.mover_billboard, -1);
    EXPECT_EQ(flagger_header.mover_textures[0], 0u);
    EXPECT_FLOAT_EQ(flagger_header.mover_period, 1.0f);
}

TEST_F(TrackObjects, CamerasAndTheGatesThatSwitchToThem)
{
    cameras_load(file("cameras", "fov 40\ngate 3 7\naddcamera 10 5 20\n"
                                 "  gate 2 300 5\nfov -60\nautofovsize -2\nbogus line\naddcamera 1 nan 1\n"
                                 "addcamera 30 0 30\ngate 9\nfov 10\n").c_str());
    ASSERT_EQ(track_cameras.count, 2);
    const track_camera *c = (const track_camera *)track_cameras.items;
    EXPECT_EQ(c[0].fov, 40.0f);
    EXPECT_FLOAT_EQ(c[0].position[1], terrain_height_at(terrain_ptr, 10, 20) + 5.0f);
    EXPECT_EQ(c[1].fov, 60.0f);
    EXPECT_EQ(c[1].autofovsize, 2.0f);
    EXPECT_EQ(gate_camera[3], 0);
    EXPECT_EQ(gate_camera[7], 0);
    EXPECT_EQ(gate_camera[2], 1);
    EXPECT_EQ(gate_camera[5], -1);   // after 300 the list ends
    EXPECT_EQ(gate_camera[9], -1);   // no camera followed
}
