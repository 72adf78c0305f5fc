// The seven GLSL programs under the real driver: they compile and link, the table selects and
// counts, the uniforms land where the programs read them, and one rendered check each.
#include "graphics/shader.h"
#include "graphics/glcaps.h"
#include "graphics/texture.h"
#include "graphics/gl_context.h"
#include <gtest/gtest.h>
#include <cstring>
#include <vector>
#include <string>

namespace {

typedef GLboolean (*is_program_fn)(GLuint);

struct Shaders : ::testing::Test {
    void SetUp() override
    {
        ASSERT_TRUE(gl_context_ready());
        ASSERT_TRUE(gl_shader_capable()) << gl_caps.renderer;
        if (!g_shaders.slots[1].program) {
            ASSERT_EQ(shader_build_programs(), 1);
        }
        shader_use(SHADER_FIXED);
        glViewport(0, 0, 16, 16);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-1, 1, -1, 1, 0.5, 10);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glDisable(GL_BLEND);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glColor4f(1, 1, 1, 1);
        glFogf(GL_FOG_DENSITY, 0);
    }
    void TearDown() override
    {
        shader_use(SHADER_FIXED);
        for (int unit = 3; unit >= 0; --unit) {
            gl_ext.glActiveTextureARB(GL_TEXTURE0_ARB + unit);
            glBindTexture(GL_TEXTURE_2D, 0);
        }
        glDeleteTextures((GLsizei)textures.size(), textures.data());
    }

    std::vector<GLuint> textures;
    void bind(int unit, GLuint texture)
    {
        textures.push_back(texture);
        gl_ext.glActiveTextureARB(GL_TEXTURE0_ARB + unit);
        glBindTexture(GL_TEXTURE_2D, texture);
        gl_ext.glActiveTextureARB(GL_TEXTURE0_ARB);
    }

    // A square filling the viewport at eye depth 2, facing the viewer, with tangent +x.
    void draw_square(float nx = 0, float ny = 0, float nz = 1)
    {
        const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
        glBegin(GL_QUADS);
        for (const auto &c : corners) {
            gl_ext.glMultiTexCoord3fARB(GL_TEXTURE1_ARB, 1, 0, 0);
            glTexCoord2f((c[0] + 1) / 2, (c[1] + 1) / 2);
            glNormal3f(nx, ny, nz);
            glVertex3f(c[0], c[1], -2);
        }
        glEnd();
    }

    void pixel(int x, int y, unsigned char *rgb)
    {
        unsigned char rgba[4];
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        memcpy(rgb, rgba, 3);
    }
};

TEST_F(Shaders, AllSevenLinkWithTheirSamplers)
{
    struct Case { int slot; const char *name, *sampler; int unit; };
    const Case cases[] = {
        {SHADER_LIT, "lit", "tex", 0},
        {SHADER_ENV, "env", "tex", 0},
        {SHADER_NORM_LIT, "norm_lit", "nmap", 1},
        {SHADER_NORM_ENV, "norm_env", "nmap", 1},
        {SHADER_NORM_SPEC_LIT, "norm_spec_lit", "smap", 2},
        {SHADER_TERRAIN_NORMALS, "terrain_normals", "base", 1},
        {SHADER_TERRAIN, "terrain", "smap", 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const shader_slot_record &s = g_shaders.slots[c.slot];
        EXPECT_STREQ(shader_program_name(c.slot), c.name);
        ASSERT_NE(s.program, 0u);
        GLint linked = 0;
        gl_ext.glGetObjectParameterivARB(s.program, GL_OBJECT_LINK_STATUS_ARB, &linked);
        EXPECT_EQ(linked, 1);
        EXPECT_EQ(std::string(shader_vertex_source(c.slot)).rfind("#define MAX_BONE 10\n", 0), 0u);
        EXPECT_EQ(std::string(shader_fragment_source(c.slot)).rfind("#define MAX_BONE 10\n", 0), 0u);
        GLint unit = -1;
        gl_ext.glGetUniformivARB(s.program, gl_ext.glGetUniformLocationARB(s.program, c.sampler), &unit);
        EXPECT_EQ(unit, c.unit);
    }
    EXPECT_EQ(g_shaders.current, SHADER_FIXED);
}

TEST_F(Shaders, SelectionCountsRealSwitchesOnly)
{
    unsigned before = render_stats.program_switches;
    shader_use(SHADER_NORM_LIT);
    shader_use(SHADER_NORM_LIT);
    EXPECT_EQ(render_stats.program_switches, before + 1);
    EXPECT_EQ((GLuint)gl_ext.glGetHandleARB(GL_PROGRAM_OBJECT_ARB), g_shaders.slots[SHADER_NORM_LIT].program);
    shader_use(8);
    shader_use(-1);
    EXPECT_EQ(g_shaders.current, SHADER_NORM_LIT);
    shader_use(SHADER_FIXED);
    EXPECT_EQ(render_stats.program_switches, before + 2);
    EXPECT_EQ((GLuint)gl_ext.glGetHandleARB(GL_PROGRAM_OBJECT_ARB), 0u);
}

TEST_F(Shaders, EnvironmentMatrixGoesToBothEnvPrograms)
{
    const float m[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    shader_use(SHADER_LIT);
    shader_set_envmat(m);
    EXPECT_EQ(g_shaders.current, SHADER_FIXED);
    for (int slot : {SHADER_ENV, SHADER_NORM_ENV}) {
        GLuint p = g_shaders.slots[slot].program;
        float got[9] = {};
        gl_ext.glGetUniformfvARB(p, gl_ext.glGetUniformLocationARB(p, "envmat"), got);
        // Read back column by column: column j holds m[3j], m[3j + 1], m[3j + 2] transposed,
        // so the program multiplies with m's rows.
        const float want[9] = {1, 4, 7, 2, 5, 8, 3, 6, 9};
        for (int i = 0; i < 9; ++i) EXPECT_EQ(got[i], want[i]) << slot << " " << i;
    }
}

TEST_F(Shaders, BonesGoToTheCurrentProgram)
{
    const float centres[6] = {1, 2, 3, 4, 5, 6};
    const float translations[6] = {7, 8, 9, 10, 11, 12};
    float rotations[18];
    for (int i = 0; i < 18; ++i) rotations[i] = (float)i;
    shader_use(SHADER_LIT);
    shader_set_bones(2, centres, translations, rotations);
    GLuint p = g_shaders.slots[SHADER_LIT].program;
    GLint nbones = -1;
    gl_ext.glGetUniformivARB(p, gl_ext.glGetUniformLocationARB(p, "nbones"), &nbones);
    EXPECT_EQ(nbones, 2);
    float got[9];
    gl_ext.glGetUniformfvARB(p, gl_ext.glGetUniformLocationARB(p, "bone_t[1]"), got);
    EXPECT_EQ(got[2], 12);
    gl_ext.glGetUniformfvARB(p, gl_ext.glGetUniformLocationARB(p, "bone_r[1]"), got);
    EXPECT_EQ(got[0], 9);
    EXPECT_EQ(got[8], 17);

    // A count of 0 sets only "nbones"; the arrays keep what they held.
    shader_set_bones(0, nullptr, nullptr, nullptr);
    gl_ext.glGetUniformivARB(p, gl_ext.glGetUniformLocationARB(p, "nbones"), &nbones);
    EXPECT_EQ(nbones, 0);
    gl_ext.glGetUniformfvARB(p, gl_ext.glGetUniformLocationARB(p, "bone_c[1]"), got);
    EXPECT_EQ(got[0], 4);

    shader_use(SHADER_FIXED);
    shader_set_bones(2, centres, translations, rotations);   // nothing on the fixed pipeline
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// Each program lit from behind shows the ambient light alone (no diffuse, no highlight); lit from
// the front it is brighter. Light 0 ambient (0.2, 0.3, 0.4), global ambient 0.1: the model
// programs add the global term, the terrain program does not.
TEST_F(Shaders, SurfacesFacingAwayFromTheLightGetAmbientOnly)
{
    const float light_ambient[4] = {0.2f, 0.3f, 0.4f, 1}, global[4] = {0.1f, 0.1f, 0.1f, 1};
    const float white[4] = {1, 1, 1, 1};
    glLightfv(GL_LIGHT0, GL_AMBIENT, light_ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, white);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, global);
    glMaterialfv(GL_FRONT, GL_AMBIENT, white);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, white);
    glMaterialfv(GL_FRONT, GL_SPECULAR, white);
    glMaterialf(GL_FRONT, GL_SHININESS, 1);
    bind(0, gl_flat_texture(255, 255, 255));
    GLuint model_normals = gl_flat_texture(128, 128, 255);   // tangent space, straight out
    GLuint ground_normals = gl_flat_texture(128, 255, 128);  // x and z 0, full light scale
    textures.push_back(model_normals);
    textures.push_back(ground_normals);
    bind(2, gl_flat_texture(255, 255, 255));   // specular everywhere

    struct Case { int slot; float away[3], towards[3]; unsigned char ambient[3]; };
    const Case cases[] = {
        {SHADER_LIT, {0, 0, -1}, {0, 0, 1}, {77, 102, 128}},
        {SHADER_NORM_LIT, {0, 0, -1}, {0, 0, 1}, {77, 102, 128}},
        {SHADER_NORM_SPEC_LIT, {0, 0, -1}, {0, 0, 1}, {77, 102, 128}},
        // the terrain's normal comes from its normal texture: straight up
        {SHADER_TERRAIN, {0, -1, 0}, {0, 1, 0}, {51, 77, 102}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(shader_program_name(c.slot));
        gl_ext.glActiveTextureARB(GL_TEXTURE1_ARB);
        glBindTexture(GL_TEXTURE_2D, c.slot == SHADER_TERRAIN ? ground_normals : model_normals);
        gl_ext.glActiveTextureARB(GL_TEXTURE0_ARB);
        for (int facing = 0; facing < 2; ++facing) {
            const float *d = facing ? c.towards : c.away;
            const float position[4] = {d[0], d[1], d[2], 0};
            glLightfv(GL_LIGHT0, GL_POSITION, position);
            glClear(GL_COLOR_BUFFER_BIT);
            shader_use(c.slot);
            draw_square();
            shader_use(SHADER_FIXED);
            unsigned char rgb[3];
            pixel(8, 8, rgb);
            for (int k = 0; k < 3; ++k) {
                if (facing) {
                    EXPECT_GE(rgb[k], 250) << k;
                } else {
                    EXPECT_NEAR(rgb[k], c.ambient[k], 2) << k;
                }
            }
        }
    }
}

// The environment map: a red spot at its centre (straight up), blue elsewhere. The square faces
// the viewer, so its reflection points back along eye +z; envmat turns that up, or leaves it on
// the horizon.
TEST_F(Shaders, ReflectionStraightUpSamplesTheMapCentre)
{
    bind(0, gl_test_texture(64, [](int x, int y, unsigned char *p) {
        int dx = 2 * x + 1 - 64, dy = 2 * y + 1 - 64;
        bool centre = dx * dx + dy * dy < 8 * 8 * 4;
        p[0] = centre ? 255 : 0;
        p[1] = 0;
        p[2] = centre ? 0 : 255;
        p[3] = 255;
    }));
    bind(1, gl_flat_texture(128, 128, 255));
    const float eye_z_up[9] = {1, 0, 0, 0, 0, 1, 0, -1, 0};
    const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    struct Case { const float *envmat; unsigned char want[3]; };
    const Case cases[] = {{eye_z_up, {255, 0, 0}}, {identity, {0, 0, 255}}};
    for (int slot : {SHADER_ENV, SHADER_NORM_ENV})
        for (const Case &c : cases) {
            SCOPED_TRACE(testing::Message() << shader_program_name(slot) << (c.envmat == identity ? " horizon" : " up"));
            shader_set_envmat(c.envmat);
            glClear(GL_COLOR_BUFFER_BIT);
            shader_use(slot);
            draw_square();
            shader_use(SHADER_FIXED);
            unsigned char rgb[3];
            pixel(8, 8, rgb);
            for (int k = 0; k < 3; ++k) EXPECT_EQ(rgb[k], c.want[k]) << k;
        }
}

TEST_F(Shaders, FlatGroundEncodesTheUpNormal)
{
    bind(0, gl_flat_texture(128, 128, 255, 77));   // tile normal straight up (stored z-up)
    bind(1, gl_flat_texture(128, 200, 128));       // base: level ground, light scale 200
    glClear(GL_COLOR_BUFFER_BIT);
    shader_use(SHADER_TERRAIN_NORMALS);
    draw_square();
    shader_use(SHADER_FIXED);
    unsigned char rgb[3];
    pixel(8, 8, rgb);
    EXPECT_NEAR(rgb[0], 128, 2);   // x 0
    EXPECT_NEAR(rgb[1], 200, 1);   // the base's light scale
    EXPECT_NEAR(rgb[2], 128, 2);   // z 0
}

TEST_F(Shaders, FailuresLeaveNoProgram)
{
    GLuint lit = g_shaders.slots[SHADER_LIT].program;
    is_program_fn is_program = (is_program_fn)kubl_gl_get_proc_address("glIsProgram");
    ASSERT_NE(is_program, nullptr);
    ASSERT_TRUE(is_program(lit));

    EXPECT_EQ(shader_compile_program(shader_vertex_source(SHADER_LIT), "#define MAX_BONE 10\nvoid main() { oops }\n",
                                     "broken", SHADER_ENV),
              0);
    EXPECT_FALSE(is_program(lit));
    for (const shader_slot_record &s : g_shaders.slots) EXPECT_EQ(s.program, 0u);

    // Without the shader extensions nothing is built.
    int had = gl_caps.vertex_shader;
    gl_caps.vertex_shader = 0;
    EXPECT_EQ(shader_build_programs(), 0);
    gl_caps.vertex_shader = had;
    EXPECT_EQ(g_shaders.slots[SHADER_LIT].program, 0u);
}

} // namespace
