// Model drawing in a real OpenGL context: which meshes each pass draws, the material it leaves,
// and a skinned square posed by the processor (both draw paths) and by the lit program.
#include "graphics/model.h"
#include "graphics/model_draw.h"
#include "graphics/shader.h"
#include "graphics/texture.h"
#include "graphics/gl_context.h"
#include "data/console.h"
#include "fixtures/fixtures.h"
#include "shell/globals.h"
#include "terrain/lighting.h"
#include "ui/ui.h"
#include <gtest/gtest.h>
#include <string>

namespace {

const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
const float origin[3] = {0, 0, 0};

struct ModelDrawing : ::testing::Test {
    std::string dir = fixture_temp_dir("modeldraw");
    GLuint white = 0;
    void SetUp() override
    {
        ASSERT_TRUE(gl_context_ready());
        model_set_list_ops(nullptr);
        g_render.use_shader = 0;
        g_render.model_lod_scale = 1;
        g_render.model_lod_bias = 0;
        g_options.novertexarrays = 0;
        shader_use(SHADER_FIXED);
        glViewport(0, 0, 16, 16);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-1, 1, -1, 1, 0.5, 10);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_CULL_FACE);
        glDisable(GL_DEPTH_TEST);
        glClearColor(0, 0, 0, 1);
        glColor4f(1, 1, 1, 1);
        glFogf(GL_FOG_DENSITY, 0);
        white = gl_flat_texture(255, 255, 255);
        glBindTexture(GL_TEXTURE_2D, white);
    }
    void TearDown() override
    {
        model_purge(1);
        shader_use(SHADER_FIXED);
        glBindTexture(GL_TEXTURE_2D, 0);
        glDeleteTextures(1, &white);
        g_render.use_shader = 0;
        g_options.novertexarrays = 0;
    }
    km_model *load(const char *name, const std::string &text)
    {
        fixture_write_file(dir + name, text);
        return model_load((dir + name).c_str());
    }
    bool covered(int x, int y)
    {
        unsigned char p[4];
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        return p[0] > 200 && p[1] > 200 && p[2] > 200;
    }
};

std::string triangle_mesh(const char *material, int extra_vertices)
{
    std::string text = std::string(material) + " " + std::to_string(3 + extra_vertices) + " 1\n";
    text += "0 0 -2 0 0 1 0 0\n1 0 -2 0 0 1 1 0\n0 1 -2 0 0 1 0 1\n";
    for (int i = 0; i < extra_vertices; ++i) text += "5 5 5 0 0 1 0 0\n";
    return text + "0 1 2\n";
}

TEST_F(ModelDrawing, LitPassStopsAtTheFirstReflectiveMesh)
{
    km_model *m = load("three.km", "KM1\n" + triangle_mesh("32 1 1 1 1", 0) + triangle_mesh("-1 1 1 1 1", 1) +
                                        triangle_mesh("16 1 1 1 1", 2));
    ASSERT_NE(m, nullptr);
    g_render.reflections = 1;
    EXPECT_TRUE(model_is_env_mapped(m));
    g_render.reflections = 0;
    EXPECT_FALSE(model_is_env_mapped(m));

    render_stats.model_vertices = render_stats.model_triangles = 0;
    model_draw_lit(m, origin, origin, identity);
    EXPECT_EQ(render_stats.model_vertices, 3u);   // the first mesh only
    EXPECT_EQ(render_stats.model_triangles, 1u);
    render_stats.model_vertices = 0;
    model_draw_colored(m, origin, origin, identity);
    EXPECT_EQ(render_stats.model_vertices, 4u);   // the reflective one only
}

TEST_F(ModelDrawing, MaterialShininessAndUnlitAmbient)
{
    struct Case { float shininess, want; };
    const Case cases[] = {{0.1f, 0.125f}, {0.125f, 0.125f}, {0, 0.125f}, {64, 64}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.shininess);
        std::string name = "s" + std::to_string(c.shininess) + ".km";
        km_model *m = load(name.c_str(), "KM1\n" + triangle_mesh((std::to_string(c.shininess) + " 1 0.5 0.25 1").c_str(), 0));
        ASSERT_NE(m, nullptr);
        model_draw_lit(m, origin, origin, identity);
        float got[4];
        glGetMaterialfv(GL_FRONT, GL_SHININESS, got);
        EXPECT_FLOAT_EQ(got[0], c.want);
        glGetMaterialfv(GL_FRONT, GL_SPECULAR, got);
        EXPECT_FLOAT_EQ(got[1], 0.25f);   // the mesh colour
    }

    // An unlit mesh hands the ambient colours back to the track's, alpha 1.
    const lighting_record saved = track_lighting;
    const float track_ambient[3] = {0.3f, 0.4f, 0.5f}, track_global[3] = {0.1f, 0.2f, 0.3f};
    for (int k = 0; k < 3; ++k) {
        track_lighting.ambient[k] = track_ambient[k];
        track_lighting.global_ambient[k] = track_global[k];
    }
    km_model *unlit = load("unlit.km", "KM1\n" + triangle_mesh("-2 0.5 0.9 0.8 0.7", 0));
    ASSERT_NE(unlit, nullptr);
    model_draw_lit(unlit, origin, origin, identity);
    float global[4], ambient[4], diffuse[4];
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, global);
    glGetLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    for (int k = 0; k < 3; ++k) {
        EXPECT_FLOAT_EQ(global[k], track_global[k]);
        EXPECT_FLOAT_EQ(ambient[k], track_ambient[k]);
        EXPECT_FLOAT_EQ(diffuse[k], 1);
    }
    EXPECT_FLOAT_EQ(global[3], 1);
    EXPECT_FLOAT_EQ(ambient[3], 1);
    track_lighting = saved;
}

// A square of side 0.5 around the middle, all on bone 0, moved right by half the view.
const char skinned_square[] =
    "KM2 1 rig\n32 1 1 1 1 4 2\n"
    "-0.25 -0.25 -2 0 0 1 0 0 1\n0.25 -0.25 -2 0 0 1 1 0 1\n"
    "0.25 0.25 -2 0 0 1 1 1 1\n-0.25 0.25 -2 0 0 1 0 1 1\n"
    "0 1 2 0 2 3\n";
const float bone_centre[3] = {0, 0, 0};
const float bone_moved[3] = {0.5f, 0, 0};
const float bone_still[3] = {0, 0, 0};

TEST_F(ModelDrawing, SkinnedOnTheProcessorByBothDrawPaths)
{
    km_model *m = load("square.km", skinned_square);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->display_list, 0u);
    for (int immediate = 0; immediate < 2; ++immediate) {
        SCOPED_TRACE(immediate ? "immediate" : "arrays");
        g_options.novertexarrays = immediate;
        for (const float *t : {bone_still, bone_moved}) {
            glClear(GL_COLOR_BUFFER_BIT);
            model_draw_lit_impl(m, origin, origin, identity, bone_centre, t, identity, 1);
            EXPECT_EQ(covered(8, 8), t == bone_still);
            EXPECT_EQ(covered(12, 8), t == bone_moved);
        }
    }
}

TEST_F(ModelDrawing, SkinnedByTheLitProgram)
{
    ASSERT_TRUE(gl_shader_capable());
    ASSERT_EQ(shader_build_programs(), 1);
    g_render.use_shader = 1;
    km_model *m = load("gpu_square.km", skinned_square);
    ASSERT_NE(m, nullptr);
    EXPECT_NE(m->display_list, 0u);   // with programs the pose is a uniform: compiled once
    const float white4[4] = {1, 1, 1, 1};
    glMaterialfv(GL_FRONT, GL_AMBIENT, white4);
    glLightfv(GL_LIGHT0, GL_AMBIENT, white4);
    shader_use(SHADER_LIT);
    for (const float *t : {bone_still, bone_moved}) {
        glClear(GL_COLOR_BUFFER_BIT);
        model_draw_lit_impl(m, origin, origin, identity, bone_centre, t, identity, 1);
        EXPECT_EQ(covered(8, 8), t == bone_still);
        EXPECT_EQ(covered(12, 8), t == bone_moved);
    }
    // The processor left the bind pose alone: the program did the work.
    EXPECT_FLOAT_EQ(m->positions[0], -0.25f);
    shader_use(SHADER_FIXED);
    model_purge(1);
    shader_delete_programs();
}

} // namespace
