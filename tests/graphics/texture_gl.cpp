// The texture manager and the capability probe in a real OpenGL context.
#include "graphics/texture.h"
#include "graphics/glcaps.h"
#include "graphics/image.h"
#include "data/console.h"
#include "data/file_index.h"
#include "data/mem.h"
#include "data/paths.h"
#include "fixtures/fixtures.h"
#include "graphics/image_fixtures.h"
#include "platform/display.h"
#include "shell/globals.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <random>

// Mesa and the desktop bus libraries keep allocations to the end of the process; the leak
// checker would count them against the texture code.
extern "C" const char *__asan_default_options(void)
{
    return "detect_leaks=0";
}

namespace {

std::string g_data;   // the data folder, where "@" names are found

// One window with its OpenGL context for the whole run; the data folder is a fresh temporary
// one holding the white texture every failed alias falls back to.
struct GlEnvironment : ::testing::Environment {
    display *window = nullptr;
    void SetUp() override
    {
        std::string home = fixture_temp_dir("texhome");
        g_data = fixture_temp_dir("texdata");
        setenv("XDG_DATA_HOME", home.c_str(), 1);
        setenv("RL_HOME", g_data.c_str(), 1);
        search_folders_free();
        fixture_write_file(g_data + "colors/white.png", "");
        png_fixture_write(g_data + "colors/white.png", png_fixture_rgb(1, 1, 3, {255, 255, 255}));
        window = kubl_gl_window_open("Rutline textures", 64, 64, 24, 0, 16, 0, 0);
        ASSERT_NE(window, nullptr);
        gl_probe_extensions();
    }
    void TearDown() override
    {
        if (window) kubl_gl_window_close(window);
    }
};

const auto *g_env = ::testing::AddGlobalTestEnvironment(new GlEnvironment);

std::vector<uint8_t> noise(int w, int h, int channels, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> p(w * h * channels);
    for (auto &b : p) b = (uint8_t)rng();
    return p;
}

int level_size(unsigned id, int level, GLenum what)
{
    GLint v = -1;
    glBindTexture(GL_TEXTURE_2D, id);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, what, &v);
    glBindTexture(GL_TEXTURE_2D, 0);
    return v;
}

bool console_has(const std::string &text)
{
    for (int i = 0; i < CONSOLE_LINES; ++i)
        if (std::string(g_console.lines[i]).find(text) != std::string::npos) return true;
    return false;
}

struct Textures : ::testing::Test {
    std::string dir = fixture_temp_dir("tex");
    void SetUp() override
    {
        texture_purge(1);
        resource_generation = 0;
        render_stats.texture_bytes = 0;
        g_render.model_texture_detail = 0;
        g_render.texture_compression = 1;
        g_options.debug_level = 0;
        console_clear();
    }
    void TearDown() override { texture_purge(1); }
    std::string png(const char *name, int w, int h, int channels, const std::vector<uint8_t> &p)
    {
        std::string path = dir + name;
        EXPECT_TRUE(png_fixture_write(path, png_fixture_rgb(w, h, channels, p)));
        return path;
    }
};

TEST(GlProbe, ReadsTheRealDriver)
{
    EXPECT_STRNE(gl_caps.vendor, "NULL");
    EXPECT_STRNE(gl_caps.renderer, "NULL");
    EXPECT_GE(gl_caps.major, 1);
    if (gl_caps.multitexture) {
        EXPECT_GT(gl_caps.texture_units, 1);
        EXPECT_NE(gl_ext.glActiveTextureARB, nullptr);
    }
    if (gl_caps.framebuffer_object) EXPECT_NE(gl_ext.glGenFramebuffersEXT, nullptr);
}

TEST_F(Textures, CachedByNameWithFullDetailAndCaseFallback)
{
    std::string path = png("Title.png", 8, 8, 3, noise(8, 8, 3, 1));
    unsigned id = texture_load(("!" + path).c_str());
    ASSERT_NE(id, 0u);
    EXPECT_EQ(texture_find_by_id(id, nullptr), path);
    EXPECT_EQ(texture_load(path.c_str()), id);
    EXPECT_FALSE(console_has("case mismatch"));
    std::string other_case = dir + "TITLE.PNG";
    EXPECT_EQ(texture_load(other_case.c_str()), id);
    EXPECT_TRUE(console_has("Warning: case mismatch on '" + other_case + "'"));
    EXPECT_EQ(texture_load((dir + "missing.png").c_str()), 0u);
    EXPECT_FALSE(console_has("Can't open texture"));
    g_options.debug_level = 1;
    EXPECT_EQ(texture_load((dir + "missing.png").c_str()), 0u);
    EXPECT_TRUE(console_has("Can't open texture \"" + dir + "missing.png\""));
}

TEST_F(Textures, WrapFollowsTheName)
{
    struct Case { const char *name; GLint s, t; };
    const Case cases[] = {
        {"a-repeat.png", GL_REPEAT, GL_REPEAT},
        {"a-hrepeat.png", GL_REPEAT, GL_CLAMP_TO_EDGE},
        {"a-vrepeat.png", GL_CLAMP_TO_EDGE, GL_REPEAT},
        {"a.png", GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        unsigned id = texture_load(png(c.name, 4, 4, 4, noise(4, 4, 4, 2)).c_str());
        ASSERT_NE(id, 0u);
        GLint s = 0, t = 0;
        glBindTexture(GL_TEXTURE_2D, id);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &s);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &t);
        glBindTexture(GL_TEXTURE_2D, 0);
        EXPECT_EQ(s, c.s);
        EXPECT_EQ(t, c.t);
    }
}

TEST_F(Textures, SizesAreFittedAndReduced)
{
    struct Case { const char *name; int w, h, detail; bool flat; int want_w, want_h; const char *message; };
    const Case cases[] = {
        {"a.png", 640, 480, 0, false, 512, 256, "Warning: Non power of 2 texture '"},
        {"b.png", 1024, 768, 0, false, 512, 512, "Warning: Non power of 2 texture '"},
        {"c.png", 1024, 512, 2, false, 256, 128, nullptr},
        {"d.png", 256, 256, 0, true, 16, 16, " reduced to 16x16 (originally 256x256)"},
        {"e.png", 1, 64, 0, true, 1, 16, " reduced to 1x16 (originally 1x64)"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        console_clear();
        g_render.model_texture_detail = c.detail;
        std::vector<uint8_t> p = c.flat ? std::vector<uint8_t>(c.w * c.h * 3, 77) : noise(c.w, c.h, 3, 3);
        unsigned id = texture_load(png(c.name, c.w, c.h, 3, p).c_str());
        ASSERT_NE(id, 0u);
        EXPECT_EQ(level_size(id, 0, GL_TEXTURE_WIDTH), c.want_w);
        EXPECT_EQ(level_size(id, 0, GL_TEXTURE_HEIGHT), c.want_h);
        if (c.message) EXPECT_TRUE(console_has(c.message)) << g_console.lines[0];
    }
}

TEST_F(Textures, CounterAndCompression)
{
    // A 4 x 4 K6 texture: (16 + 4 + 1) x 3 bytes, never compressed.
    std::string k6 = dir + "k.k6";
    fixture_write_file(k6, kpnm_encode(noise(4, 4, 3, 4), 4, 4, 3));
    g_render.texture_compression = 2;
    unsigned id = texture_load(k6.c_str());
    ASSERT_NE(id, 0u);
    EXPECT_EQ(render_stats.texture_bytes, 63u);
    EXPECT_EQ(level_size(id, 0, GL_TEXTURE_COMPRESSED), 0);
    // A PNG with setting 2 asks for compression; the count is what the driver reports either way.
    unsigned before = render_stats.texture_bytes;
    unsigned pid = texture_load(png("c.png", 64, 64, 4, noise(64, 64, 4, 5)).c_str());
    ASSERT_NE(pid, 0u);
    unsigned want = 0;
    for (int level = 0, s = 64; s >= 1; ++level, s /= 2)
        want += level_size(pid, level, GL_TEXTURE_COMPRESSED)
                    ? (unsigned)level_size(pid, level, GL_TEXTURE_COMPRESSED_IMAGE_SIZE)
                    : (unsigned)(s * s * 4);
    EXPECT_EQ(render_stats.texture_bytes - before, want);
    if (gl_caps.major > 1) {
        GLint format = 0;
        glBindTexture(GL_TEXTURE_2D, pid);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
        glBindTexture(GL_TEXTURE_2D, 0);
        EXPECT_TRUE(level_size(pid, 0, GL_TEXTURE_COMPRESSED) || format == GL_RGBA || format == GL_COMPRESSED_RGBA)
            << std::hex << format;
    }
}

TEST_F(Textures, LinksResolveAndLoopsEndOnWhite)
{
    std::string target = png("target.png", 2, 2, 3, noise(2, 2, 3, 6));
    fixture_write_file(dir + "alias", "LINK  " + target + " \n");
    fixture_write_file(dir + "self", "LINK " + dir + "self");
    fixture_write_file(dir + "loop-a", "LINK " + dir + "loop-b");
    fixture_write_file(dir + "loop-b", "LINK " + dir + "loop-a");
    fixture_write_file(dir + "dangling", "LINK " + dir + "nothing.png");

    unsigned id = texture_load((dir + "alias").c_str());
    ASSERT_NE(id, 0u);
    EXPECT_EQ(texture_find_by_id(id, nullptr), target);
    EXPECT_EQ(texture_load((dir + "alias").c_str()), id);

    unsigned white = texture_load("@colors/white.png");
    ASSERT_NE(white, 0u);
    EXPECT_EQ(texture_load((dir + "self").c_str()), white);
    EXPECT_EQ(texture_load((dir + "loop-a").c_str()), white);
    EXPECT_EQ(texture_load((dir + "loop-b").c_str()), white);
    EXPECT_EQ(texture_load((dir + "dangling").c_str()), 0u);
    EXPECT_EQ(texture_load((dir + "dangling").c_str()), white);
}

TEST_F(Textures, GenerationsPurgeWhatOnlyTheOldTrackUsed)
{
    unsigned kept = texture_load(png("hud.png", 4, 4, 3, noise(4, 4, 3, 7)).c_str());
    resource_generation = 1;
    unsigned old_only = texture_load(png("old.png", 4, 4, 3, noise(4, 4, 3, 8)).c_str());
    unsigned both = texture_load(png("both.png", 4, 4, 3, noise(4, 4, 3, 9)).c_str());
    unsigned char *px;
    int w, h;
    ASSERT_EQ(image_load_by_name(png("tile.png", 4, 4, 3, noise(4, 4, 3, 10)).c_str(), &px, &w, &h), 1);

    resource_generation = 2;
    render_stats.texture_bytes = 0;
    EXPECT_EQ(texture_load((dir + "both.png").c_str()), both);
    EXPECT_EQ(render_stats.texture_bytes, (16u + 4 + 1) * 3);   // counted again
    EXPECT_EQ(texture_load((dir + "hud.png").c_str()), kept);
    EXPECT_EQ(render_stats.texture_bytes, (16u + 4 + 1) * 3);   // permanent: not re-counted
    texture_purge(0);
    EXPECT_TRUE(glIsTexture(kept));
    EXPECT_TRUE(glIsTexture(both));
    EXPECT_FALSE(glIsTexture(old_only));
    EXPECT_EQ(texture_find_by_id(old_only, nullptr), nullptr);
    EXPECT_EQ(image_find_by_pixels(px, nullptr), nullptr);

    texture_purge(1);
    EXPECT_FALSE(glIsTexture(kept));
    EXPECT_FALSE(glIsTexture(both));
    EXPECT_NE(texture_load((dir + "hud.png").c_str()), 0u);   // the tables come back on use
}

TEST_F(Textures, ImagesByNameAreRgbaAndShared)
{
    std::string k6 = dir + "tile.k6";
    fixture_write_file(k6, kpnm_encode({1, 2, 3, 4, 5, 6}, 2, 1, 3));
    unsigned char *p = nullptr, *again = nullptr;
    int w, h;
    ASSERT_EQ(image_load_by_name(("!" + k6).c_str(), &p, &w, &h), 1);
    EXPECT_EQ(w, 2);
    const unsigned char want[12] = {1, 2, 3, 255, 4, 5, 6, 255, 2, 3, 4, 255};
    EXPECT_EQ(0, memcmp(p, want, sizeof want));
    ASSERT_EQ(image_load_by_name(k6.c_str(), &again, &w, &h), 1);
    EXPECT_EQ(again, p);
    int index = -1;
    EXPECT_EQ(image_find_by_pixels(p, &index), k6);
    EXPECT_EQ(index, 0);

    // Detail level 1 drops the top level of a large picture, never below 16384 pixels.
    g_render.model_texture_detail = 1;
    ASSERT_EQ(image_load_by_name(png("big.png", 256, 256, 3, noise(256, 256, 3, 11)).c_str(), &p, &w, &h), 1);
    EXPECT_EQ(w, 128);
    ASSERT_EQ(image_load_by_name(png("small.png", 128, 128, 3, noise(128, 128, 3, 12)).c_str(), &p, &w, &h), 1);
    EXPECT_EQ(w, 128);
}

TEST_F(Textures, AnimationsStepThroughTheirSequence)
{
    // Frames: red, green (inline K7), blue (a PNG file); sequence 2 0 1, 4 ticks a step, looping.
    std::vector<uint8_t> red(4 * 4 * 4), green(4 * 4 * 4);
    for (int i = 0; i < 16; ++i) {
        red[i * 4] = 255; red[i * 4 + 3] = 255;
        green[i * 4 + 1] = 255; green[i * 4 + 3] = 255;
    }
    std::vector<uint8_t> blue(4 * 4 * 4);
    for (int i = 0; i < 16; ++i) { blue[i * 4 + 2] = 255; blue[i * 4 + 3] = 255; }
    std::string blue_png = png("blue.png", 4, 4, 4, blue);
    std::string seq = "ANIM1\n3 3 4 1\n2 0 1\nK7\n" + kpnm_encode(red, 4, 4, 4).substr(3) + "K7\n" +
                      kpnm_encode(green, 4, 4, 4).substr(3) + "PNG " + blue_png + "\n";
    fixture_write_file(dir + "flag.seq", seq);
    unsigned id = texture_load((dir + "flag.seq").c_str());
    ASSERT_NE(id, 0u);
    EXPECT_FALSE(console_has("Non power of 2"));

    auto texel = [&]() {
        unsigned char px[4 * 4 * 4];
        glBindTexture(GL_TEXTURE_2D, id);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, px);
        glBindTexture(GL_TEXTURE_2D, 0);
        return std::vector<int>{px[0], px[1], px[2]};
    };
    EXPECT_EQ(texel(), (std::vector<int>{0, 0, 255}));
    texture_anim_update(4);
    EXPECT_EQ(texel(), (std::vector<int>{255, 0, 0}));
    texture_anim_update(8);
    EXPECT_EQ(texel(), (std::vector<int>{0, 255, 0}));
    texture_anim_update(12);   // loops round to the first entry
    EXPECT_EQ(texel(), (std::vector<int>{0, 0, 255}));
    texture_anim_pause(id);
    texture_anim_update(16);
    EXPECT_EQ(texel(), (std::vector<int>{0, 0, 255}));
    texture_anim_start(id, 100);
    texture_anim_update(104);
    EXPECT_EQ(texel(), (std::vector<int>{255, 0, 0}));
}

TEST_F(Textures, BrokenAnimationsAreRefused)
{
    std::string k7_2x2 = "K7\n" + kpnm_encode(std::vector<uint8_t>(16, 9), 2, 2, 4).substr(3);
    std::string k7_4x4 = "K7\n" + kpnm_encode(std::vector<uint8_t>(64, 9), 4, 4, 4).substr(3);
    struct Case { const char *name; std::string body; const char *message; };
    const Case cases[] = {
        {"sizes", "2 2 1 0 0 1 " + k7_2x2 + k7_4x4, "Width/height mismatch reading .seq"},
        {"frame word", "1 1 1 0 0 GIF", "Error reading .seq frame 0"},
        {"no png name", "1 1 1 0 0 PNG", "EOF while reading .seq"},
        {"unreadable png", "1 1 1 0 0 PNG /nonexistent.png\n", "Can't read /nonexistent.png"},
        {"frame time 0", "1 1 0 0 0 " + k7_2x2, "Bad .seq header"},
        {"huge count", "1 100000000 1 0 0 " + k7_2x2, "Bad .seq header"},
        {"entry out of range", "2 1 1 0 0 1 " + k7_2x2, "Error reading .seq sequence"},
        {"negative entry", "1 1 1 0 -1 " + k7_2x2, "Error reading .seq sequence"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        console_clear();
        fixture_write_file(dir + "bad.seq", "ANIM1 " + c.body);
        EXPECT_EQ(texture_load((dir + "bad.seq").c_str()), 0u);
        EXPECT_TRUE(console_has(c.message)) << g_console.lines[0];
    }
}

TEST_F(Textures, TextTexturesHaveATransparentEdge)
{
    const unsigned char full[3] = {200, 100, 0}, zero[3] = {0, 0, 0};
    unsigned id = texture_from_text("12", 16, 8, full, zero);
    ASSERT_NE(id, 0u);
    unsigned char px[16 * 8 * 4];
    glBindTexture(GL_TEXTURE_2D, id);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, px);
    glBindTexture(GL_TEXTURE_2D, 0);
    const unsigned char edge[4] = {255, 255, 255, 0}, inside[4] = {200, 100, 0, 0};
    EXPECT_EQ(0, memcmp(px, edge, 4));
    EXPECT_EQ(0, memcmp(px + (16 * 8 - 1) * 4, edge, 4));
    EXPECT_EQ(0, memcmp(px + (16 * 3 + 5) * 4, inside, 4));
    EXPECT_EQ(texture_find_by_id(id, nullptr), nullptr);   // owned by the caller
    GLuint name = id;
    glDeleteTextures(1, &name);
}

} // namespace

// A chain of thousands of aliases in an archive ends on the white texture, like a loop, instead
// of one texture_load per link on the stack.
TEST_F(Textures, DeepAliasChainsEndOnWhite)
{
    const int links = 20000;
    std::string header, body;
    for (int i = 0; i < links; ++i) {
        std::string member = "LINK @chain/" + std::to_string(i + 1);
        header += std::to_string(member.size()) + " chain/" + std::to_string(i) + "\n";
        body += member;
    }
    std::string target = png("end.png", 2, 2, 3, noise(2, 2, 3, 21));
    std::string last = "LINK " + target;
    header += std::to_string(last.size()) + " chain/" + std::to_string(links) + "\n-\n";
    fixture_write_file(g_data + "chain.saf", header + body + last);
    data_files_free();
    file_index_names();

    unsigned white = texture_load("@colors/white.png");
    ASSERT_NE(white, 0u);
    EXPECT_EQ(texture_load("@chain/0"), white);
    EXPECT_EQ(texture_load("@chain/0"), white);   // the aliases stay on white
    EXPECT_EQ(texture_load(("@chain/" + std::to_string(links - 10)).c_str()), texture_load(target.c_str()));
    remove((g_data + "chain.saf").c_str());
    data_files_free();
}

// An animation that is not square replaces every level of its texture, the 1 x 1 one included.
TEST_F(Textures, NonSquareAnimationsUpdateEveryLevel)
{
    auto frame = [](unsigned char r, unsigned char g) {
        std::vector<uint8_t> p(4 * 2 * 4);
        for (int i = 0; i < 8; ++i) { p[i * 4] = r; p[i * 4 + 1] = g; p[i * 4 + 3] = 255; }
        return "K7\n" + kpnm_encode(p, 4, 2, 4).substr(3);
    };
    fixture_write_file(dir + "wide.seq", "ANIM1\n2 2 1 1\n0 1\n" + frame(255, 0) + frame(0, 255));
    unsigned id = texture_load((dir + "wide.seq").c_str());
    ASSERT_NE(id, 0u);
    texture_anim_update(1);
    glBindTexture(GL_TEXTURE_2D, id);
    for (int level = 0; level < 3; ++level) {
        SCOPED_TRACE(level);
        EXPECT_EQ(level_size(id, level, GL_TEXTURE_WIDTH), level == 0 ? 4 : level == 1 ? 2 : 1);
        unsigned char px[4 * 2 * 4] = {};
        glBindTexture(GL_TEXTURE_2D, id);
        glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, px);
        glBindTexture(GL_TEXTURE_2D, 0);
        EXPECT_EQ(px[0], 0);
        EXPECT_EQ(px[1], 255);
    }
}
