// The editor's files in a temporary home: the save of a loaded track, "edinfo" and the scene
// export.
#include "terrain/track_home.h"
#include "editor/editor.h"
#include "editor/editor_state.h"
#include "graphics/model.h"
#include "shell/globals.h"
#include "terrain/field.h"
#include "terrain/timing_gates.h"
#include <gtest/gtest.h>
#include <cmath>
#include <sys/stat.h>

struct EditorFiles : TrackHome {
    const char *folder = "t/flat";
    int saved_editor = 0;

    void SetUp() override
    {
        TrackHome::SetUp();
        ground(folder);
        write("t/flat/billboards", "[80 2 10] 3 5 banner.png\n");
        fake_resources::textures() = {"banner.png"};
        ASSERT_EQ(scan_tracks(), 1);
        saved_editor = g_options.editor;
        g_options.editor = 1;
        frame_width = 400;
        frame_height = 200;
        mouse_x = 300;
        mouse_y = 100;
    }
    void TearDown() override
    {
        free_track();   // releases the editor first
        g_options.editor = saved_editor;
        TrackHome::TearDown();
    }
    bool exists(const std::string &relative) const
    {
        struct stat st;
        return stat((home + relative).c_str(), &st) == 0;
    }
};

TEST_F(EditorFiles, SaveWritesEveryFileAndClearsTheUnsavedBit)
{
    ASSERT_EQ(load(folder), 1);
    ASSERT_TRUE(g_editor.active);
    EXPECT_EQ(race_terrain()->change_flags, 0);
    terrain_field *t = race_terrain();
    editor_set_height(t, 100, 100, 3);
    EXPECT_EQ(t->change_flags, CHANGE_ALL);
    const std::string before = read("t/flat/terrain.hf");
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(editor_save_track(), 1);
        EXPECT_STREQ(g_editor.status, "Saved!");
        EXPECT_EQ(t->change_flags & CHANGE_UNSAVED, 0);
    }
    for (const char *f : {"t/flat/billboards", "t/flat/timing_gates", "t/flat/statues", "t/flat/edinfo"})
        EXPECT_TRUE(exists(f)) << f;
    EXPECT_NE(read("t/flat/terrain.hf"), before);
    EXPECT_EQ(read("t/flat/billboards"), "[80.000000 2.000000 10.000000] 3.000000 5.000000 banner.png\n");
}

TEST_F(EditorFiles, AFailingWriterKeepsTheUnsavedBit)
{
    ASSERT_EQ(load(folder), 1);
    terrain_field *t = race_terrain();
    editor_set_height(t, 100, 100, 3);
    // A directory where the billboards' temporary file would go: that writer cannot open it,
    // whoever runs the test.
    ASSERT_EQ(mkdir((home + "t/flat/billboards.saving").c_str(), 0755), 0);
    EXPECT_EQ(editor_save_track(), 0);
    EXPECT_STREQ(g_editor.status, "Save failed!");
    EXPECT_NE(t->change_flags & CHANGE_UNSAVED, 0) << "the quit page still warns";
    EXPECT_EQ(read("t/flat/billboards"), "[80 2 10] 3 5 banner.png\n") << "the old file stays";
    EXPECT_TRUE(exists("t/flat/edinfo")) << "the later writers still ran";
}

TEST_F(EditorFiles, EdinfoRoundTrip)
{
    write("t/flat/edinfo", "add_gradient 1 2 3 4\n"
                           "add_point 1 0 5\n"
                           "  add_point 7 2.5 6\n"      // any type but 1 is a Line
                           "add_gradientx 9 9 9 9\n"    // not the keyword
                           "add_gradient 5 5 nan 5\n"   // not finite
                           "add_point 0 inf 1\n"
                           "add_point 1 2\n"            // too few numbers
                           "add_gradient\t10 20 30 40\n"
                           "garbage\n");
    ASSERT_EQ(load(folder), 1);
    EXPECT_EQ(race_terrain()->change_flags, 0) << "reading is no change";
    ASSERT_EQ(g_editor.gradients.count, 2);
    const gradient *a = editor_gradient(0), *b = editor_gradient(1);
    EXPECT_EQ(a->x0, 1);
    EXPECT_EQ(a->z1, 4);
    ASSERT_EQ(gradient_point_count(a), 2);
    EXPECT_EQ(gradient_types(a)[0], SEGMENT_CURVE);
    EXPECT_EQ(gradient_types(a)[1], SEGMENT_LINE);
    EXPECT_EQ(gradient_points(a)[1].distance, 2.5f);
    EXPECT_EQ(b->x0, 10);
    EXPECT_EQ(gradient_point_count(b), 0) << "an empty profile";

    ASSERT_EQ(editor_save_edinfo(), 1);
    const std::string want = "add_gradient 1.000000 2.000000 3.000000 4.000000\n"
                             "add_point 1 0.000000 5.000000\n"
                             "add_point 0 2.500000 6.000000\n"
                             "add_gradient 10.000000 20.000000 30.000000 40.000000\n";
    EXPECT_EQ(read("t/flat/edinfo"), want);
    ASSERT_EQ(load(folder), 1);
    ASSERT_EQ(editor_save_edinfo(), 1);
    EXPECT_EQ(read("t/flat/edinfo"), want) << "read back as written";
}

TEST_F(EditorFiles, AddPointBeforeAnyGradientIsIgnored)
{
    write("t/flat/edinfo", "add_point 1 0 5\n");
    ASSERT_EQ(load(folder), 1);
    EXPECT_EQ(g_editor.gradients.count, 0);
}

// Statue models that exist as meshes without triangles, so that the export writes them.
static km_mesh tree_mesh, rock_mesh;
static km_model *export_model(const char *name)
{
    if (!strcmp(name, "@models/tree.km")) return &tree_mesh;
    if (!strcmp(name, "3d.km")) return &rock_mesh;
    return nullptr;
}

TEST_F(EditorFiles, SceneExport)
{
    tree_mesh = km_mesh{};
    rock_mesh = km_mesh{};
    static const track_resource_loaders loaders = {fake_resources::texture, export_model, fake_resources::shape};
    track_resources_set(&loaders);
    fake_resources::textures() = {"banner.png", "a.ppm", ".ppm"};
    write("t/flat/statues", "[10 0 10] 0 @models/tree.km a.ppm null\n"
                            "[20 0 10] 0 @models/tree.km .ppm null\n");
    ASSERT_EQ(load(folder), 1);
    ASSERT_EQ(editor_export_pov(), 1);
    EXPECT_STREQ(g_editor.status, "Pov!");
    std::string pov = read("t/flat/track.pov");
    auto count = [&](const std::string &what) {
        int n = 0;
        for (size_t at = pov.find(what); at != std::string::npos; at = pov.find(what, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count("#declare _tree = mesh2"), 1) << pov;
    EXPECT_EQ(count("\tobject {\n\t\t_tree\n"), 2);
    EXPECT_EQ(count("image_map { ppm \"a.ppm\"}"), 1) << "five characters ending .ppm";
    EXPECT_EQ(count("image_map { png \".ppm\"}"), 1) << "four are too few";
    EXPECT_EQ(count("matrix <"), 2);
    EXPECT_EQ(count("#declare statues = union {"), 1);
    EXPECT_EQ(count("object {\n\tbanner()\n\ttranslate <80.000000,2.000000,10.000000>\n}\n"), 1);
    EXPECT_NE(pov.find("#declare ground = height_field {\n\tpng \"terrain.png\"\n"), std::string::npos);

    // Without statues: no meshes and no statues union, the rest as before.
    write("t/flat/statues", "");
    ASSERT_EQ(load(folder), 1);
    ASSERT_EQ(editor_export_pov(), 1);
    pov = read("t/flat/track.pov");
    EXPECT_EQ(pov.find("statues"), std::string::npos);
    EXPECT_EQ(pov.find("mesh2"), std::string::npos);
    EXPECT_EQ(pov.rfind("#declare billboards = union {\n", 0), 0u);
}

TEST_F(EditorFiles, ExportThatCannotOpenSaysSo)
{
    ASSERT_EQ(load(folder), 1);
    ASSERT_EQ(mkdir((home + "t/flat/track.pov.saving").c_str(), 0755), 0);
    EXPECT_EQ(editor_export_pov(), 0);
    EXPECT_STREQ(g_editor.status, "Pov failed!");
}

TEST(SceneId, Names)
{
    struct Case { const char *name, *want; };
    const Case cases[] = {
        {"@models/tree.km", "_tree"}, {"3d.km", "_3d"}, {"a.b.c", "a_b"}, {"dir.x/file", "_file"},
        {"plain", "plain"}, {"@x-y z.png", "x_y_z"}, {"", ""}, {"@", ""}, {"9", "_9"},
    };
    for (const Case &c : cases) {
        char out[64];
        scene_id(c.name, out, sizeof out);
        EXPECT_STREQ(out, c.want) << c.name;
    }
    char tiny[3];
    scene_id("abcdef", tiny, sizeof tiny);
    EXPECT_STREQ(tiny, "ab");
}

// Switch points and a moved gate come back from the saved "timing_gates"; a start gate's statue
// is never removed, so the start line keeps its statue's names and "statues" keeps the track's
// first statue.
TEST_F(EditorFiles, GatesAndStatuesSurviveASaveAndReload)
{
    write("t/flat/timing_gates", "startinggate:\n[100 0 100] 0 gate.km gate.png null\n"
                                 "checkpoints:\n4 [100 0 150] [4 0 0]\n4 [150 0 150] [4 0 0]\n"
                                 "firstlap:\n0 1\nnormallap:\n0 100001\n");
    write("t/flat/statues", "[120 0 120] 0 rock.km null null\n[130 0 120] 0 rock.km null null\n");
    ASSERT_EQ(load(folder), 1);
    ASSERT_EQ(first_own_statue, 1);
    auto mouse_on = [](float x, float z) {
        float span = editor_span();
        mouse_x = (int)std::lround((x - g_editor.view_x) / span * frame_height + frame_width / 2.0);
        mouse_y = (int)std::lround((z - g_editor.view_z) / span * frame_height + frame_height / 2.0);
    };
    g_editor.view_x = g_editor.view_z = 120;
    g_editor.editor_mode = MODE_TIMING_GATE;
    mouse_on(100, 150);
    gate_pick();
    ASSERT_EQ(g_editor.selected_gate, 0);
    mouse_on(110, 160);
    gate_held();
    g_editor.selected_gate = 1;
    switch_point_set(1);
    g_editor.selected_gate = 0;   // no longer the later laps' only switch point
    switch_point_set(0);
    g_editor.editor_mode = MODE_STATUES;
    mouse_on(100, 97);   // the start gate's statue
    EXPECT_EQ(editor_key('x', 1), 1);
    EXPECT_EQ(statues.count, 3);
    ASSERT_EQ(editor_save_track(), 1);

    ASSERT_EQ(load(folder), 1);
    ASSERT_EQ(gate_count, 2);
    EXPECT_NEAR(gates[0].centre[0], 110, 0.5f);
    EXPECT_NEAR(gates[0].centre[2], 160, 0.5f);
    ASSERT_EQ(first_lap_count + normal_lap_count, 4);
    const int want[] = {100000, 1, 100000, 1};
    for (int k = 0; k < 4; ++k) EXPECT_EQ(lap_list[k], want[k]) << k;
    ASSERT_EQ(statues.count, 3);
    const statue *s = (const statue *)statues.items;
    EXPECT_STREQ(s[0].model_name, "gate.km");
    EXPECT_FLOAT_EQ(s[1].x, 120);
    EXPECT_FLOAT_EQ(s[2].x, 130);
}

// What the loader could not take is never saved over: a refused "timing_gates" stays byte for
// byte (and the status says so), and a "statues" file keeps every record after a damaged one.
TEST_F(EditorFiles, SavingKeepsWhatTheLoaderCouldNotTake)
{
    const std::string gate = "4 [100 0 150] [4 0 0]\n";
    std::string many_gates = "checkpoints:\n";
    for (int i = 0; i < GATES_MAX + 1; ++i) many_gates += gate;
    std::string statues_text, statues_kept;
    for (int i = 0; i < 94; ++i) {
        const std::string line = "[" + std::to_string(100 + i) + ".000000 0.000000 120.000000] 0.000000 rock.km null null\n";
        statues_text += i == 2 ? "[nan 0 120] 0 rock.km null null\n" : line;
        if (i != 2) statues_kept += line;
    }
    struct Case { const char *what; std::string gates; bool refused; };
    const Case cases[] = {
        {"a lap without a switch point", "checkpoints:\n" + gate + gate + "firstlap:\n100000 100001\nnormallap:\n0 1\n", true},
        {"257 gates", many_gates + "firstlap:\n0\nnormallap:\n1\n", true},
        {"sound", "checkpoints:\n4.000000 [100.000000 0.000000 150.000000] [4.000000 0.000000 0.000000]\n"
                  "firstlap:\n0 \nnormallap:\n0 \n", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        write("t/flat/timing_gates", c.gates);
        write("t/flat/statues", statues_text);
        ASSERT_EQ(load(folder), 1);
        EXPECT_EQ(statues.count, 93);
        EXPECT_EQ(gate_count, c.refused ? 0 : 1);
        EXPECT_EQ(editor_save_track(), 1);
        EXPECT_STREQ(g_editor.status, c.refused ? "Saved, timing_gates kept: unreadable" : "Saved!");
        EXPECT_EQ(read("t/flat/timing_gates"), c.gates);
        EXPECT_EQ(read("t/flat/statues"), statues_kept);
    }
}
