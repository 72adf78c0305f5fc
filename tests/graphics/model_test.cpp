// ".km" models without an OpenGL context: reading, bone weights, degenerate triangles, the cache
// with its generations and LOD variants, the POV-Ray export, level-of-detail choice, and the
// processor's skinning and environment coordinates.
#include "graphics/model.h"
#include "graphics/model_draw.h"
#include "graphics/texture.h"
#include "data/console.h"
#include "data/file_index.h"
#include "data/paths.h"
#include "data/stream.h"
#include "fixtures/fixtures.h"
#include "shell/globals.h"
#include <gtest/gtest.h>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>
#include <zlib.h>

namespace {

// Display lists are numbered by the test; deletions are recorded.
unsigned g_next_list;
std::vector<unsigned> g_deleted_lists;
unsigned fake_compile(const km_mesh *) { return ++g_next_list; }
void fake_destroy(unsigned list) { g_deleted_lists.push_back(list); }
const model_list_ops fake_lists = {fake_compile, fake_destroy};

int console_count(const std::string &text)
{
    int n = 0;
    for (int i = 0; i < CONSOLE_LINES; ++i)
        if (std::string(g_console.lines[i]).find(text) != std::string::npos) n++;
    return n;
}

// A KM1 mesh header and a flat square of four vertices with two triangles.
const char square_mesh[] =
    "32 1 0.5 0.25 0.125 4 2\n"
    "0 0 0  0 1 0  0 0\n"
    "1 0 0  0 1 0  1 0\n"
    "1 0 1  0 1 0  1 0.25\n"
    "0 0 1  0 1 0  0 1\n"
    "0 1 2  0 2 3\n";

struct Models : ::testing::Test {
    std::string root = fixture_temp_dir("models");
    std::string data = root + "game/";
    void SetUp() override
    {
        fixture_write_file(data + ".keep", "");
        setenv("XDG_DATA_HOME", (root + "xdg").c_str(), 1);
        setenv("RL_HOME", data.c_str(), 1);
        search_folders_free();
        data_files_free();
        console_clear();
        model_set_list_ops(&fake_lists);
        g_next_list = 0;
        g_deleted_lists.clear();
        resource_generation = 0;
        g_render.use_shader = 0;
        g_options.debug_level = 0;
    }
    void TearDown() override
    {
        model_purge(1);
        model_set_list_ops(nullptr);
        data_files_free();
        search_folders_free();
        resource_generation = 0;
        g_options.debug_level = 0;
    }
    std::string write(const std::string &name, const std::string &text)
    {
        fixture_write_file(data + name, text);
        return data + name;
    }
    km_mesh *parse(const std::string &text) { return model_parse_file(write("m.km", text).c_str()); }
};

void free_chain(km_mesh *m)
{
    while (m) {
        km_mesh *next = m->next;
        mesh_free(m);
        m = next;
    }
}

int chain_length(const km_mesh *m)
{
    int n = 0;
    for (; m; m = m->next) n++;
    return n;
}

TEST_F(Models, Km1MeshesAndTheirMaterials)
{
    std::string text = std::string("KM1\n") + square_mesh +
                       // reflective: alpha kept, no display list (its coordinates change per draw)
                       "-1 0.5 1 1 1 3 1\n0 0 0 0 1 0 0 0\n1 0 0 0 1 0 1 0\n0 0 1 0 1 0 0 1\n0 1 2\n"
                       // truncated: dropped without failing the file
                       "32 1 1 1 1 3 1\n0 0 0 0 1 0 0 0\n1 0 0\n";
    km_mesh *m = parse(text);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(chain_length(m), 2);
    EXPECT_EQ(m->vertex_count, 4);
    EXPECT_EQ(m->triangle_count, 2);
    EXPECT_EQ(m->bone_count, 0);
    EXPECT_EQ(m->weights, nullptr);
    EXPECT_FLOAT_EQ(m->shininess, 32);
    EXPECT_FLOAT_EQ(m->alpha, 1);   // the file's alpha counts only for negative shininess
    EXPECT_FLOAT_EQ(m->red, 0.5f);
    EXPECT_FLOAT_EQ(m->green, 0.25f);
    EXPECT_FLOAT_EQ(m->blue, 0.125f);
    EXPECT_FLOAT_EQ(m->texcoords[5], 0.75f);   // v stored as 1 - v
    EXPECT_FLOAT_EQ(m->texcoords[7], 0.0f);
    EXPECT_EQ(m->reflective, 1);                // a later mesh is reflective
    EXPECT_NE(m->display_list, 0u);
    const km_mesh *r = m->next;
    EXPECT_EQ(r->reflective, 1);
    EXPECT_FLOAT_EQ(r->alpha, 0.5f);
    EXPECT_EQ(r->display_list, 0u);
    EXPECT_STREQ(m->name, (data + "m.km").c_str());
    free_chain(m);
}

TEST_F(Models, CountOnlyFormIsOneWhiteMesh)
{
    km_mesh *m = parse("3 1\n0 0 0 0 1 0 0 0\n1 0 0 0 1 0 1 0\n0 0 1 0 1 0 0 1\n0 2 1\n");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->next, nullptr);
    EXPECT_FLOAT_EQ(m->shininess, 32);
    EXPECT_FLOAT_EQ(m->red + m->green + m->blue + m->alpha, 4);
    EXPECT_EQ(m->triangles[1], 2);
    EXPECT_NE(m->display_list, 0u);
    free_chain(m);
}

TEST_F(Models, UnreadableFilesGiveNull)
{
    struct Case { const char *what, *text, *warning; };
    const Case cases[] = {
        {"empty", "", nullptr},
        {"unknown version", "KM3\n32 1 1 1 1 0 0\n", nullptr},
        {"KM2 without bones", "KM2\n", nullptr},
        {"first mesh truncated", "KM1\n32 1 1 1 1 3 1\n0 0 0 0 1 0 0 0\n", nullptr},
        {"count-only truncated", "3 1\n0 0 0 0 1 0 0 0\n", nullptr},
        {"bad triangle index", "KM1\n32 1 1 1 1 3 1\n0 0 0 0 1 0 0 0\n1 0 0 0 1 0 1 0\n0 0 1 0 1 0 0 1\n0 x 2\n",
         nullptr},
        // Damaged counts are refused before anything is allocated for them.
        {"negative vertices", "KM1\n32 1 1 1 1 -3 1\n", "Warning: bad mesh size"},
        {"negative triangles", "KM1\n32 1 1 1 1 3 -1\n", "Warning: bad mesh size"},
        {"huge vertices", "KM1\n32 1 1 1 1 1073741824 0\n", "Warning: bad mesh size"},
        {"huge triangles", "KM1\n32 1 1 1 1 0 2147483647\n", "Warning: bad mesh size"},
        {"huge count-only", "536870912 536870912\n", "Warning: bad mesh size"},
        // Bone indices of 10 and up would pass the shader programs' arrays.
        {"eleven bones", "KM2 11 rig\n32 1 1 1 1 0 0\n", "Warning: 11 bones"},
        {"negative bones", "KM2 -1 rig\n32 1 1 1 1 0 0\n", "Warning: -1 bones"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        console_clear();
        EXPECT_EQ(parse(c.text), nullptr);
        if (c.warning) {
            EXPECT_EQ(console_count(c.warning), 1);
        }
    }
    EXPECT_EQ(model_parse_file((data + "missing.km").c_str()), nullptr);
    EXPECT_EQ(model_load((data + "missing.km").c_str()), nullptr);
}

TEST_F(Models, BoneWeightsKeepFourAndNormalise)
{
    // Six bones; per vertex the weights as read, then the slots expected (bone, weight).
    struct Case { const char *weights; int bones[4]; float kept[4]; };
    const Case cases[] = {
        // the fifth and sixth replace the smallest (0.1, then 0.2)
        {"0.1 0.2 0.3 0.4 0.5 0.6", {4, 5, 2, 3}, {0.5f, 0.6f, 0.3f, 0.4f}},
        // a smaller weight still replaces the smallest, the first of equals
        {"0.5 0.5 0.5 0.5 0.1 0", {4, 1, 2, 3}, {0.1f, 0.5f, 0.5f, 0.5f}},
        {"0 0 0 0 0 0", {0, 0, 0, 0}, {1, 1, 1, 1}},
        {"0 0 -1 2 0 0", {3, 0, 0, 0}, {2, 0, 0, 0}},
    };
    std::string text = "KM2 6 rig\n32 1 1 1 1 4 0\n";
    for (const Case &c : cases) text += std::string("1 2 3 0 0 1 0 0 ") + c.weights + "\n";
    km_mesh *m = parse(text);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->bone_count, 6);
    for (int v = 0; v < 4; ++v) {
        SCOPED_TRACE(cases[v].weights);
        float sum = 0;
        for (float w : cases[v].kept) sum += w;
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(m->bone_indices[v * 4 + k], cases[v].bones[k]);
            EXPECT_NEAR(m->weights[v * 4 + k], cases[v].kept[k] / sum, 1e-6);
        }
        // the bind pose is the file's
        EXPECT_FLOAT_EQ(m->positions[(4 + v) * 3 + 1], 2);
        EXPECT_FLOAT_EQ(m->normals[(4 + v) * 3 + 2], 1);
    }
    // Two vertices had too many influences; the mesh says so once.
    EXPECT_EQ(console_count("Warning: vertex with more than 4 bone influences"), 1);
    // Skinned meshes are posed per draw on the fixed pipeline: no display list.
    EXPECT_EQ(m->display_list, 0u);
    free_chain(m);
}

TEST_F(Models, DegenerateAndOutOfRangeTrianglesAreRemoved)
{
    km_mesh *m = parse("KM1\n32 1 1 1 1 4 5\n"
                       "0 0 0 0 1 0 0 0\n1 0 0 0 1 0 1 0\n0 0 1 0 1 0 0 1\n2 0 0 0 1 0 1 1\n"
                       "0 0 1\n"   // repeated index
                       "0 2 1\n"   // kept
                       "0 1 4\n"   // index equal to the vertex count
                       "0 1 3\n"   // collinear
                       "2 0 1\n"); // kept, order preserved
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->triangle_count, 2);
    EXPECT_EQ(m->triangles[0], 0);
    EXPECT_EQ(m->triangles[1], 2);
    EXPECT_EQ(m->triangles[3], 2);
    EXPECT_EQ(console_count("3 degenerate triangles deleted in "), 1);
    free_chain(m);
}

TEST_F(Models, TangentsFollowTheTextureAndFallBack)
{
    // Vertex 3 belongs to no triangle; the second mesh's texture coordinates are all equal.
    km_mesh *m = parse("KM1\n32 1 1 1 1 4 1\n"
                       "0 0 0 0 1 0 0 0\n0 0 1 0 1 0 1 0\n1 0 0 0 1 0 0 1\n5 5 5 0 1 0 0 0\n0 1 2\n"
                       "32 1 1 1 1 3 1\n"
                       "0 0 0 0 1 0 0 0\n1 0 0 0 1 0 0 0\n0 0 3 0 1 0 0 0\n0 1 2\n");
    ASSERT_NE(m, nullptr);
    const float *t = m->tangents;
    for (int v = 0; v < 3; ++v) {   // u runs along +z
        EXPECT_NEAR(std::fabs(t[v * 3 + 2]), 1, 1e-6);
        EXPECT_NEAR(t[v * 3], 0, 1e-6);
    }
    EXPECT_FLOAT_EQ(t[9], 1);   // unused vertex: (1, 0, 0)
    EXPECT_FLOAT_EQ(t[10], 0);
    const float *t2 = m->next->tangents;   // along the longer edge, (0, 0, 3)
    for (int v = 0; v < 3; ++v) EXPECT_NEAR(t2[v * 3 + 2], 1, 1e-6);
    free_chain(m);
}

TEST_F(Models, CacheCaseAndGenerations)
{
    std::string a = write("a.km", std::string("KM1\n") + square_mesh);
    std::string b = write("b.km", std::string("KM1\n") + square_mesh);
    std::string c = write("c.km", std::string("KM1\n") + square_mesh);

    km_model *ma = model_load(a.c_str());   // generation 0: kept for the whole run
    ASSERT_NE(ma, nullptr);
    EXPECT_EQ(model_load(a.c_str()), ma);
    EXPECT_EQ(console_count("case mismatch"), 0);
    std::string upper = a;
    upper.replace(upper.size() - 4, 1, "A");
    EXPECT_EQ(model_load(upper.c_str()), ma);
    EXPECT_EQ(console_count("Warning: case mismatch on '" + upper + "'"), 1);
    EXPECT_STREQ(model_name(ma), a.c_str());

    resource_generation = 1;
    km_model *mb = model_load(b.c_str());
    km_model *mc = model_load(c.c_str());
    ASSERT_TRUE(mb && mc);
    unsigned c_list = mc->display_list;
    resource_generation = 2;
    EXPECT_EQ(model_load(b.c_str()), mb);   // requested again by the new race
    g_options.debug_level = 1;
    model_purge(0);
    EXPECT_EQ(console_count("deleting model " + c), 1);
    EXPECT_EQ(console_count("deleting model"), 1);
    EXPECT_EQ(g_deleted_lists, std::vector<unsigned>{c_list});
    EXPECT_EQ(model_load(a.c_str()), ma);
    EXPECT_EQ(model_load(b.c_str()), mb);

    model_purge(1);
    EXPECT_EQ(g_deleted_lists.size(), 3u);
}

TEST_F(Models, LodVariantsFromTheFileIndex)
{
    std::string mesh = std::string("KM1\n") + square_mesh;
    write("bikes/x.km", mesh);
    write("bikes/x_lod1.km", mesh);
    write("bikes/x_lodfar.km", mesh);    // no number: not a variant
    write("bikes/X_lod3.km", mesh);      // other letter case: not a variant
    gzFile gz = gzopen((data + "bikes/x_lod0.km.gz").c_str(), "wb");
    ASSERT_NE(gz, nullptr);
    gzwrite(gz, mesh.data(), (unsigned)mesh.size());
    gzclose(gz);

    km_model *m = model_load("@bikes/x.km");
    ASSERT_NE(m, nullptr);
    EXPECT_FLOAT_EQ(m->lod_distance, 0);
    ASSERT_NE(m->lod_next, nullptr);
    EXPECT_FLOAT_EQ(m->lod_next->lod_distance, 1);
    EXPECT_STREQ(m->lod_next->name, "@bikes/x_lod0.km");
    ASSERT_NE(m->lod_next->lod_next, nullptr);
    EXPECT_FLOAT_EQ(m->lod_next->lod_next->lod_distance, 2);
    EXPECT_STREQ(m->lod_next->lod_next->name, "@bikes/x_lod1.km");
    EXPECT_EQ(m->lod_next->lod_next->lod_next, nullptr);
    model_purge(1);
    EXPECT_EQ(g_deleted_lists.size(), 3u);   // variants go with their model
}

TEST(ModelLod, ChoiceByDistance)
{
    km_mesh model{}, near_variant{}, far_variant{};
    near_variant.lod_distance = 2;
    far_variant.lod_distance = 4;
    model.lod_next = &near_variant;
    near_variant.lod_next = &far_variant;
    struct Case { float distance, scale, bias; const km_mesh *want; };
    const Case cases[] = {
        {0, 1, 0, &model},         {1.99f, 1, 0, &model},       {2, 1, 0, &near_variant},
        {3.99f, 1, 0, &near_variant}, {4, 1, 0, &far_variant}, {1000, 1, 0, &far_variant},
        {1.5f, 2, 0, &near_variant},  // the scale stretches distances
        {0, 1, 3, &near_variant},     // a variant whose distance less bias is not positive is always passed
        {0.5f, 1, 1, &model},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.distance << " s " << c.scale << " b " << c.bias);
        EXPECT_EQ(model_choose_lod(&model, c.distance, c.scale, c.bias), c.want);
    }
}

TEST_F(Models, PovExport)
{
    km_mesh *m = parse("KM1\n32 1 1 1 1 3 1\n0 0 0 0 1 0 0 0\n1 0 0 0 1 0 1 0\n0 0 1 0 1 0 0 1\n0 2 1\n");
    ASSERT_NE(m, nullptr);
    std::string out = data + "m.pov";
    data_stream *s = data_open(out.c_str(), "wb");
    ASSERT_NE(s, nullptr);
    model_export_pov(m, s);
    data_close(s);
    EXPECT_EQ(fixture_read_file(out),
              "mesh2 {\n"
              "\tvertex_vectors {\n\t\t3\n\t\t<0.000000,0.000000,0.000000>,\n\t\t<1.000000,0.000000,0.000000>,\n"
              "\t\t<0.000000,0.000000,1.000000>\n\t}\n"
              "\tnormal_vectors {\n\t\t3\n\t\t<0.000000,1.000000,0.000000>,\n\t\t<0.000000,1.000000,0.000000>,\n"
              "\t\t<0.000000,1.000000,0.000000>\n\t}\n"
              "\tuv_vectors {\n\t\t3\n\t\t<0.000000,1.000000>,\n\t\t<1.000000,1.000000>,\n\t\t<0.000000,0.000000>\n\t}\n"
              "\tface_indices {\n\t\t1\n\t\t<0,2,1>\n\t}\n"
              "}\n");
    free_chain(m);

    m = parse(std::string("KM1\n") + square_mesh + square_mesh);
    ASSERT_NE(m, nullptr);
    s = data_open(out.c_str(), "wb");
    model_export_pov(m, s);
    data_close(s);
    std::string two = fixture_read_file(out);
    EXPECT_EQ(two.rfind("union {\nmesh2 {\n", 0), 0u);
    EXPECT_EQ(two.substr(two.size() - 6), "}\n}\n}\n");
    free_chain(m);
}

// Bone 0 moves by (1, 0, 0); bone 1 turns a quarter about z around (1, 0, 0) and moves the same.
const float centres[6] = {0, 0, 0, 1, 0, 0};
const float translations[6] = {1, 0, 0, 1, 0, 0};
const float rotations[18] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 0, -1, 0, 0, 0, 0, 1};

TEST_F(Models, ProcessorSkinningPosesFromTheBindPose)
{
    km_mesh *m = parse("KM2 2 rig\n32 1 1 1 1 3 1\n"
                       "2 0 0 1 0 0 0 0 1 1\n"    // half each
                       "0 0 1 0 1 0 1 0 0 1\n"    // bone 1 only
                       "0 1 0 0 0 1 0 1 1 0\n"    // bone 0 only
                       "0 1 2\n");
    ASSERT_NE(m, nullptr);
    struct Want { float p[3], n[3]; };
    const Want want[3] = {
        {{2, 0.5f, 0}, {0.70710678f, 0.70710678f, 0}},
        {{1, -1, 1}, {-1, 0, 0}},
        {{1, 1, 0}, {0, 0, 1}},
    };
    for (int pass = 0; pass < 2; ++pass)   // a second pose starts from the bind pose again
        mesh_skin(m, centres, translations, rotations, 2);
    for (int v = 0; v < 3; ++v)
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(m->positions[v * 3 + k], want[v].p[k], 1e-5) << v;
            EXPECT_NEAR(m->normals[v * 3 + k], want[v].n[k], 1e-5) << v;
        }
    const float *t = m->tangents;
    EXPECT_NEAR(t[0] * t[0] + t[1] * t[1] + t[2] * t[2], 1, 1e-5);

    // Another bone count, or a shader program doing the work, leaves the last pose.
    const float still[3] = {m->positions[0], m->positions[1], m->positions[2]};
    const float moved[6] = {9, 9, 9, 9, 9, 9};
    mesh_skin(m, centres, moved, rotations, 1);
    g_render.use_shader = 1;
    mesh_skin(m, centres, moved, rotations, 2);
    g_render.use_shader = 0;
    for (int k = 0; k < 3; ++k) EXPECT_EQ(m->positions[k], still[k]);
    free_chain(m);
}

// The lit, reflective and layer passes of one rider share a pose serial: the mesh is posed once.
TEST_F(Models, ProcessorSkinningOncePerPoseSerial)
{
    km_mesh *m = parse("KM2 1 rig\n32 1 1 1 1 1 0\n0 0 0 0 1 0 0 0 1\n");
    ASSERT_NE(m, nullptr);
    const float centre[3] = {0, 0, 0}, rotation[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    const float at_one[3] = {1, 0, 0}, at_two[3] = {2, 0, 0};
    struct Step { unsigned serial; const float *translation; float want_x; };
    const Step steps[] = {
        {7, at_one, 1},
        {7, at_two, 1},   // the same serial: already posed
        {8, at_two, 2},   // a new pose
        {0, at_one, 1},   // no serial: every draw poses
        {0, at_two, 2},
        {8, at_one, 1},   // posed without a serial since, so posed again
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.serial * 10 + (int)s.want_x);
        model_pose_serial = s.serial;
        mesh_skin(m, centre, s.translation, rotation, 1);
        EXPECT_EQ(m->positions[0], s.want_x);
    }
    model_pose_serial = 0;
    free_chain(m);
}

TEST_F(Models, EnvironmentCoordinatesFromTheReflection)
{
    km_mesh *m = parse("KM1\n-1 1 1 1 1 1 0\n0 0 0 0 1 0 0 0\n");
    ASSERT_NE(m, nullptr);
    const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    const float on_side[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};   // object y is world +x
    const float origin[3] = {0, 0, 0};
    struct Case { const char *what; float eye[3]; const float *rotation; float u, v; };
    const Case cases[] = {
        {"seen from above: up, the centre", {0, 5, 0}, identity, 0.5f, 0.5f},
        {"seen from below: down, the rim", {0, -5, 0}, identity, 1.0f, 0.5f},
        {"45 degrees up towards +x", {-1, 1, 0}, identity, 0.625f, 0.5f},
        {"45 degrees up towards +z", {0, 1, -1}, identity, 0.5f, 0.625f},
        // the normal now points along world +x, looked at from +x: reflects straight back
        {"turned object", {3, 0, 0}, on_side, 0.75f, 0.5f},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        mesh_env_coords(m, c.eye, origin, c.rotation);
        EXPECT_NEAR(m->texcoords[0], c.u, 1e-5);
        EXPECT_NEAR(m->texcoords[1], c.v, 1e-5);
    }
    free_chain(m);
}

} // namespace

// A coordinate written with thousands of digits is a long way of writing 1 or infinity, never NaN.
TEST_F(Models, LongNumbersGiveNoNaNVertex)
{
    const std::string one = std::string(5000, '9') + "e-5000";
    const std::string huge = "1" + std::string(5000, '0') + "." + std::string(5000, '0');
    km_mesh *m = parse("3 1\n" + one + " 0 0 0 1 0 0 0\n1 " + huge + " 0 0 1 0 1 0\n0 0 1 0 1 0 0 1\n0 2 1\n");
    ASSERT_NE(m, nullptr);
    for (int i = 0; i < 3 * m->vertex_count; ++i) EXPECT_FALSE(std::isnan(m->positions[i])) << i;
    EXPECT_FLOAT_EQ(m->positions[0], 1.0f);
    free_chain(m);
}
