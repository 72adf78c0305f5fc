// Ground composition in a real OpenGL context: the three back ends agree, the order in which
// areas are composed, the low-detail colour blocks, and the state drawing leaves behind.
#include "terrain/compose.h"
#include "terrain/draw.h"
#include "terrain/field.h"
#include "terrain/terrain_io.h"
#include "terrain/terrain_seams.h"
#include "terrain/upkeep.h"
#include "graphics/glcaps.h"
#include "graphics/shader.h"
#include "terrain/lighting.h"
#include "graphics/texture.h"
#include "data/paths.h"
#include "platform/display.h"
#include "terrain/ground_gl.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <vector>

namespace {

struct GlEnvironment : ::testing::Environment {
    display *window = nullptr;
    void SetUp() override
    {
        std::string home = fixture_temp_dir("groundhome");
        setenv("XDG_DATA_HOME", home.c_str(), 1);
        setenv("RL_HOME", fixture_temp_dir("grounddata").c_str(), 1);
        search_folders_free();
        window = kubl_gl_window_open("Rutline ground", 320, 240, 24, 0, 16, 0, 0);
        ASSERT_NE(window, nullptr);
        gl_probe_extensions();
    }
    void TearDown() override
    {
        terrain_free(terrain_ptr);
        texture_purge(1);
        if (window) kubl_gl_window_close(window);
    }
};
const auto *g_env = ::testing::AddGlobalTestEnvironment(new GlEnvironment);

std::vector<unsigned char> texture_pixels(int texture, int *width = nullptr)
{
    GLint w = 0, h = 0;
    glBindTexture(GL_TEXTURE_2D, (GLuint)texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    std::vector<unsigned char> p((std::size_t)w * h * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, p.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    if (width) *width = w;
    return p;
}

struct Ground : ::testing::Test {
    terrain_field *t = terrain_ptr;
    void SetUp() override
    {
        terrain_settings.ground_texture_size = 64;
        terrain_settings.ground_texture_detail = 0;
        terrain_settings.ground_mipmaps = 1;
        terrain_settings.framebuffer_objects = gl_caps.framebuffer_object;
        terrain_settings.terrain_shader = 0;
    }
    void TearDown() override { terrain_free(t); }
    void eye(float x, float z)
    {
        t->eye_pos[0] = x; t->eye_pos[1] = 10; t->eye_pos[2] = z;
    }
    int ready(int level) const
    {
        int n = 0;
        for (int z = 0; z < 4; ++z)
            for (int x = 0; x < 4; ++x) n += t->ring_ready[level][z][x];
        return n;
    }
};

} // namespace

// Drawing into the frame buffer and into a framebuffer object gives the picture the processor
// composes, within what texture filtering changes.
TEST_F(Ground, ThreeBackEndsAgree)
{
    ASSERT_TRUE(gl_caps.framebuffer_object);
    ground_track track(7);
    std::vector<unsigned char> block[4], slot[4];
    for (int mode = 1; mode <= 3; ++mode) {
        SCOPED_TRACE(mode);
        ASSERT_EQ(terrain_load(t, track.dir.c_str(), mode), 1);
        ASSERT_EQ(t->texture_mode, mode);
        eye(40, 40);
        terrain_compose_texture(t);   // every block, then the first level-5 slot
        ASSERT_EQ(t->ring_ready[5][0][0], 1);
        block[mode] = texture_pixels(t->block_color[3]);
        slot[mode] = texture_pixels(t->ring_color[5][0][0]);
        ASSERT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        terrain_free(t);
    }
    for (int mode = 2; mode <= 3; ++mode) {
        SCOPED_TRACE(mode);
        for (auto *pictures : {block, slot}) {
            ASSERT_EQ(pictures[mode].size(), pictures[1].size());
            double total = 0;
            for (std::size_t i = 0; i < pictures[1].size(); ++i) total += std::abs(pictures[mode][i] - pictures[1][i]);
            EXPECT_LT(total / pictures[1].size(), 6.0);
        }
    }
    // Not the black placeholder any more.
    double sum = 0;
    for (unsigned char v : block[1]) sum += v;
    EXPECT_GT(sum / block[1].size(), 40);
}

TEST_F(Ground, CompositionOrder)
{
    ground_track track(7);
    terrain_settings.ground_texture_size = 16;
    ASSERT_EQ(terrain_load(t, track.dir.c_str(), 1), 1);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(t->block_request[i], -1);

    // The first call: every forced block, then the first slot of the coarsest level.
    eye(64.5f, 64.5f);
    terrain_compose_texture(t);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(t->block_request[i], 0);
    EXPECT_EQ(ready(5), 1);
    // One slot per call, coarse levels first.
    for (int i = 1; i < 16; ++i) terrain_compose_texture(t);
    EXPECT_EQ(ready(5), 16);
    EXPECT_EQ(ready(4), 0);
    for (int i = 0; i < 80; ++i) terrain_compose_texture(t);
    for (int L = 0; L < 6; ++L) EXPECT_EQ(ready(L), 16) << L;

    // Requests: the oldest first; on equal stamps the ring slot before the block.
    t->block_request[1] = 5;
    t->ring_request[2][1][1] = 5;
    t->block_request[0] = 3;
    terrain_compose_texture(t);
    EXPECT_EQ(t->block_request[0], 0);
    EXPECT_EQ(t->ring_request[2][1][1], 5);
    terrain_compose_texture(t);
    EXPECT_EQ(t->ring_request[2][1][1], 0);
    EXPECT_EQ(t->block_request[1], 5);
    terrain_compose_texture(t);
    EXPECT_EQ(t->block_request[1], 0);

    // Two cells along x move the level-0 and level-1 windows one slot: 12 slots stay, the
    // texture names move with their content, and this call composes a level-1 slot.
    int before[4][4];
    memcpy(before, t->ring_color[0], sizeof before);
    eye(66.5f, 64.5f);
    terrain_compose_texture(t);
    EXPECT_EQ(ready(0), 12);
    EXPECT_EQ(ready(1), 13);
    for (int z = 0; z < 4; ++z) {
        EXPECT_EQ(t->ring_ready[0][z][3], 0);
        for (int x = 0; x < 3; ++x) EXPECT_EQ(t->ring_color[0][z][x], before[z][x + 1]);
        EXPECT_EQ(t->ring_color[0][z][3], before[z][0]);
    }

    // A far jump invalidates every ring that moves (level 5 covers the whole field and stays);
    // with detail 6 no ring is composed or served.
    terrain_settings.ground_texture_detail = 6;
    eye(250, 250);
    t->ring_request[0][0][0] = 2;
    t->block_request[2] = 9;
    terrain_compose_texture(t);
    for (int L = 0; L < 5; ++L) EXPECT_LT(ready(L), 16) << L;
    EXPECT_EQ(ready(5), 16);
    EXPECT_EQ(t->block_request[2], 0);
    terrain_compose_texture(t);
    EXPECT_EQ(ready(0) + ready(1) + ready(2), 0);
}

TEST_F(Ground, LowDetailBlocks)
{
    struct Case { int depth, blocks; int edges[2]; };
    const Case cases[] = {{8, 2, {512, 256}}, {9, 3, {512, 512}}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.depth);
        ground_track track(c.depth);
        ASSERT_EQ(terrain_load(t, track.dir.c_str(), 2), 1);
        ASSERT_EQ(t->block_count, c.blocks);
        EXPECT_EQ(t->inv_block_texture_size, 1.0f / c.edges[1]);
        const int n = c.blocks;
        int w = 0;
        texture_pixels(t->block_color_textures[0], &w);
        EXPECT_EQ(w, c.edges[0]);
        texture_pixels(t->block_color_textures[n - 1], &w);
        EXPECT_EQ(w, c.edges[1]);

        // A stale block is re-rendered by the upkeep, one a frame, and asks for the ground
        // textures over it.
        terrain_compose_texture(t);
        t->draw_stamp = 40;
        const int last = n * n - 1;
        bit_set(t->block_dirty, last);
        const long v = (long)(t->grid_dim - 1) * t->grid_dim + (t->grid_dim - 1);
        t->shading[3 * v] = 7;
        terrain_update(t);
        EXPECT_FALSE(bit_get(t->block_dirty, last));
        const int per_row = 1 << (c.depth - 6);
        EXPECT_EQ(t->block_request[per_row * per_row - 1], 40);
        EXPECT_EQ(t->block_request[0], 0);
        std::vector<unsigned char> image = texture_pixels(t->block_color_textures[last], &w);
        const int at = 384 * (n - 1) - 64, corner = (t->grid_dim - 1) - at;
        EXPECT_EQ(image[3 * ((std::size_t)corner * w + corner)], 7);

        terrain_update_all(t);
        EXPECT_EQ(t->eye_cell_x, TERRAIN_NO_EYE);
        terrain_free(t);
    }
}

TEST_F(Ground, DrawLeavesTheStateItFound)
{
    ground_track track(7);
    ASSERT_EQ(terrain_load(t, track.dir.c_str(), 1), 1);
    eye(128, 128);
    t->view_dir[2] = 1;
    terrain_compose_texture(t);
    for (int arrays = 0; arrays <= 1; ++arrays) {
        SCOPED_TRACE(arrays);
        terrain_settings.vertex_arrays = arrays;
        t->draw_stamp = 0x7FFFFFFF;
        terrain_draw(t);
        EXPECT_EQ(t->draw_stamp, 1);
        EXPECT_GT(t->fan_vertex_count, 0);
        GLint unit = 0, bound = -1;
        glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(unit, GL_TEXTURE0);
        EXPECT_EQ(bound, 0);
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        EXPECT_FALSE(glIsEnabled(GL_VERTEX_ARRAY));
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
        EXPECT_FALSE(glIsEnabled(GL_COLOR_ARRAY));
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        terrain_draw(t);
        EXPECT_EQ(t->draw_stamp, 2);
    }
    terrain_settings.vertex_arrays = 1;
}

// With the ground program every area also gets a normal map and a specular map, and drawing
// puts all three on their units and leaves them cleared.
TEST_F(Ground, GroundProgramTextures)
{
    if (!shader_build_programs()) GTEST_SKIP() << "no shader programs here";
    ground_track track(7);
    terrain_settings.terrain_shader = 1;
    const int saved = track_lighting.dynamic_lighting;
    track_lighting.dynamic_lighting = 1;
    ASSERT_EQ(terrain_load(t, track.dir.c_str(), 3), 1);
    ASSERT_EQ(t->terrain_shader, 1);
    eye(40, 40);
    terrain_compose_texture(t);
    std::vector<unsigned char> normal = texture_pixels(t->block_normal[0]);
    std::vector<unsigned char> specular = texture_pixels(t->block_specular[0]);
    // Ground normals point mostly up (the middle byte carries the light, 255 - shadow); the
    // specular map is filled with (0, 1, 1) where no decal lies.
    EXPECT_NEAR(normal[1], 255, 2);
    EXPECT_EQ(specular[0], 0);
    EXPECT_EQ(specular[1], 255);
    t->view_dir[2] = 1;
    terrain_draw(t);
    GLint unit = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    EXPECT_EQ(unit, GL_TEXTURE0);
    EXPECT_EQ(g_shaders.current, SHADER_FIXED);
    for (GLenum u : {GL_TEXTURE1, GL_TEXTURE2}) {
        gl_ext.glActiveTextureARB(u);
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    }
    gl_ext.glActiveTextureARB(GL_TEXTURE0);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    terrain_free(t);
    track_lighting.dynamic_lighting = saved;
    shader_delete_programs();
}

// Modes 2 and 3 leave out the decals the processor's composer leaves out: one so large that the
// texture would show a single texel of it, and one without area.
TEST_F(Ground, UnusableDecalsAreSkippedInEveryMode)
{
    ground_track track(7);
    std::string red = "P6\n4 4\n255\n";
    for (int i = 0; i < 16; ++i) red += std::string("\xff\x00\x00", 3);
    track.write("red.ppm", red);
    const std::string image = track.path("red.ppm");
    auto slot_picture = [&]() {
        eye(40, 40);
        terrain_compose_texture(t);   // every block, then the first level-5 slot
        EXPECT_EQ(t->ring_ready[5][0][0], 1);
        return texture_pixels(t->ring_color[5][0][0]);
    };
    const std::string records[] = {
        "[40 40] 0 10000000 1 " + image + "\n",
        "[40 40] 0 0 1 " + image + "\n",
        "[40 40] 0 4 0 " + image + "\n",
    };
    for (int mode = 2; mode <= 3; ++mode) {
        SCOPED_TRACE(mode);
        remove(track.path("decals").c_str());
        ASSERT_EQ(terrain_load(t, track.dir.c_str(), mode), 1);
        ASSERT_EQ(t->texture_mode, mode);
        std::vector<unsigned char> plain = slot_picture();
        terrain_free(t);
        for (const std::string &record : records) {
            SCOPED_TRACE(record);
            track.write("decals", record);
            ASSERT_EQ(terrain_load(t, track.dir.c_str(), mode), 1);
            ASSERT_EQ(t->decals.count, 1);
            EXPECT_EQ(slot_picture() == plain, true);
            terrain_free(t);
        }
        // A decal of a usable size shows: the test would see one.
        track.write("decals", "[40 40] 0 40 1 " + image + "\n");
        ASSERT_EQ(terrain_load(t, track.dir.c_str(), mode), 1);
        EXPECT_EQ(slot_picture() == plain, false);
        terrain_free(t);
    }
}
