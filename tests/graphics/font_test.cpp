// Cutting font images into cells, text widths, the glyph quad lists with their colour escapes,
// and rastering digits into number plates. Font images are made here as K7 files; the last test
// reads the font images the build generated.
#include "graphics/font.h"
#include "data/console.h"
#include "data/mem.h"
#include "data/paths.h"
#include "fixtures/fixtures.h"
#include "graphics/image_fixtures.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::uint8_t SEP[4] = {255, 0, 255, 255};
const std::uint8_t INK[4] = {10, 20, 30, 255};

struct band {
    int top;
    std::vector<int> columns;   // separator columns in the band's top row (0 is added)
};

// An RGBA picture filled with INK, with separator dots for the bands; written as K7.
struct font_picture {
    int width, height;
    std::vector<std::uint8_t> rgba;
    font_picture(int w, int h, const std::vector<band> &bands) : width(w), height(h), rgba((size_t)w * h * 4)
    {
        for (int i = 0; i < w * h; ++i) memcpy(&rgba[(size_t)i * 4], INK, 4);
        for (const band &b : bands) {
            set(0, b.top, SEP);
            for (int x : b.columns) set(x, b.top, SEP);
        }
    }
    void set(int x, int y, const std::uint8_t *p) { memcpy(&rgba[((size_t)y * width + x) * 4], p, 4); }
    std::string write(const std::string &dir, const char *name) const
    {
        std::string path = dir + name;
        fixture_write_file(path, kpnm_encode(rgba, width, height, 4));
        return path;
    }
};

struct Font : ::testing::Test {
    std::string dir = fixture_temp_dir("font");
    font f{};
    ~Font() override { font_free(&f); }

    // 40 x 20: band 0 cut at 10, 25 and closed at 30; band 1 from row 10 cut at 8 and 20.
    void load_standard(const char *charset)
    {
        font_picture pic(40, 20, {{0, {10, 25, 30}}, {10, {8, 20}}});
        font_load(&f, pic.write(dir, "std.k7").c_str(), charset);
        ASSERT_NE(f.pixels, nullptr);
    }
};

TEST_F(Font, CellsFollowTheSeparators)
{
    load_standard("ABCDEFG");
    struct Case {
        char c;
        int x0, y0, x1, y1;
    };
    const Case cases[] = {
        {'A', 0, 0, 10, 10},  {'B', 10, 0, 25, 10},
        {'C', 25, 0, 30, 10},                           // the stretch from 30 to the edge is unused
        {'D', 0, 10, 8, 20},  {'E', 8, 10, 20, 20},    // the last band runs to the bottom
        {'F', 0, 0, 10, 10},  {'G', 10, 0, 25, 10},    // past the last band: round to the first
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.c);
        const float *r = f.rects[(unsigned char)c.c];
        EXPECT_FLOAT_EQ(r[0], c.x0 / 40.0f);
        EXPECT_FLOAT_EQ(r[1], c.y0 / 20.0f);
        EXPECT_FLOAT_EQ(r[2], c.x1 / 40.0f);
        EXPECT_FLOAT_EQ(r[3], c.y1 / 20.0f);
        EXPECT_FLOAT_EQ(f.advances[(unsigned char)c.c], float(c.x1 - c.x0) / float(c.y1 - c.y0));
    }
    EXPECT_FLOAT_EQ(f.advances[(int)'Z'], 2.0f / 3.0f);   // not in the charset: a gap
    EXPECT_EQ(f.rects[(int)'Z'][2], 0.0f);
    EXPECT_FLOAT_EQ(f.advances[(int)' '], 2.0f / 3.0f);   // no hyphen to take the width from
    EXPECT_EQ(f.width, 40);
    EXPECT_EQ(f.height, 20);
}

TEST_F(Font, ACellReachingTheRightEdgeIsUsedAgain)
{
    // One separator only: the one cell spans the picture, and every character gets it.
    font_picture pic(8, 4, {{0, {}}});
    font_load(&f, pic.write(dir, "one.k7").c_str(), "ABC");
    for (char c : {'A', 'B', 'C'}) {
        SCOPED_TRACE(c);
        EXPECT_FLOAT_EQ(f.rects[(unsigned char)c][0], 0);
        EXPECT_FLOAT_EQ(f.rects[(unsigned char)c][2], 1);
        EXPECT_FLOAT_EQ(f.advances[(unsigned char)c], 2);
    }
}

TEST_F(Font, SpaceTakesTheHyphensWidth)
{
    load_standard("-A");
    EXPECT_FLOAT_EQ(f.advances[(int)' '], 1.0f);
}

TEST_F(Font, SeparatorsBecomeTransparentAndNothingElse)
{
    font_picture pic(40, 20, {{0, {10, 25, 30}}, {10, {8, 20}}});
    pic.set(5, 5, SEP);   // separator colour outside a band's top row is glyph ink
    font_load(&f, pic.write(dir, "sep.k7").c_str(), "ABC");
    ASSERT_NE(f.pixels, nullptr);
    auto at = [&](int x, int y) { return f.pixels + ((size_t)y * 40 + x) * 4; };
    const std::uint8_t clear[4] = {255, 255, 255, 0};
    for (auto xy : {std::pair{0, 0}, {10, 0}, {25, 0}, {30, 0}, {0, 10}, {8, 10}, {20, 10}}) {
        SCOPED_TRACE(xy.first * 100 + xy.second);
        EXPECT_EQ(memcmp(at(xy.first, xy.second), clear, 4), 0);
    }
    EXPECT_EQ(memcmp(at(5, 5), SEP, 4), 0);
    EXPECT_EQ(memcmp(at(1, 0), INK, 4), 0);
    EXPECT_EQ(memcmp(at(0, 1), INK, 4), 0);
    // The mip chain follows level 0: 20 x 10 next.
    const std::uint8_t *level1 = f.pixels + 40 * 20 * 4;
    EXPECT_EQ(memcmp(level1 + (6 * 20 + 12) * 4, INK, 4), 0);
}

TEST_F(Font, MissingImageLeavesAnEmptyFontAndSaysSo)
{
    console_clear();
    std::string name = dir + "none.png";
    font_load(&f, name.c_str(), "AB");
    EXPECT_EQ(f.pixels, nullptr);
    EXPECT_EQ(f.texture, 0u);
    EXPECT_FLOAT_EQ(f.advances[(int)'A'], 2.0f / 3.0f);
    int last = (g_console.write_index + CONSOLE_LINES - 1) % CONSOLE_LINES;
    EXPECT_EQ(std::string(g_console.lines[last]), "Can't open font '" + name + "'");
}

TEST_F(Font, TextWidth)
{
    load_standard("-AB");   // '-' 1, A 1.5, B 0.5; space 1, tab stops every 8
    struct Case {
        const char *text;
        float width;
    };
    const Case cases[] = {
        {"", 0},
        {"AB", 2},
        {"A B", 3},
        {"Z", 2.0f / 3},               // not in the font
        {"A\nBB", 1},                  // the last line only
        {"AAAA\rB", 0.5f},
        {"\t", 8},                     // from 0 to the first stop
        {"--------\t", 16},            // exactly on a stop: to the next one
        {"A\tB", 8.5f},
        {"\033[31mA\033[0m", 1.5f},    // escapes add nothing
        {"\033xA", 1.5f},              // ESC without "[": up to the first final byte
        {"A\033[3", 1.5f},             // ends inside a sequence
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_FLOAT_EQ(font_text_width(&f, c.text), c.width);
    }
}

struct quad {
    float x0, y0, x1, y1;    // bottom left and top right corners
    float u0, v0, u1, v1;
    float rgba[4];
};

struct quad_list {
    std::vector<int> batches;
    std::vector<quad> quads;
};

void collect(const glyph_batch *b, void *ctx)
{
    quad_list *out = (quad_list *)ctx;
    out->batches.push_back(b->count);
    for (int i = 0; i < b->count; ++i) {
        const float *v = b->vertices + i * 12, *t = b->texcoords + i * 8, *c = b->colours + i * 16;
        quad q = {v[3], v[4], v[9], v[10], t[0], t[1], t[4], t[5], {c[0], c[1], c[2], c[3]}};
        for (int k = 1; k < 4; ++k) EXPECT_EQ(memcmp(c, c + 4 * k, 16), 0) << "one colour per quad";
        EXPECT_EQ(v[0], v[3]);   // top left above bottom left
        EXPECT_EQ(v[1], v[10]);
        out->quads.push_back(q);
    }
}

quad_list layout(const font *f, const char *text, int flags, float r = 0.2f, float g = 0.4f,
                 float b = 0.9f, float a = 0.5f)
{
    quad_list out;
    glyph_batch batch;
    int n = text_build_quads(f, r, g, b, a, text, flags, &batch, collect, &out);
    EXPECT_EQ(n, (int)out.quads.size());
    return out;
}

TEST_F(Font, QuadsGoOutInBatchesOf256)
{
    load_standard("AB");
    std::string text(300, 'A');
    quad_list out = layout(&f, text.c_str(), TEXT_NORMAL);
    EXPECT_EQ(out.batches, (std::vector<int>{256, 44}));
    ASSERT_EQ(out.quads.size(), 300u);
    const quad &last = out.quads[299];
    EXPECT_FLOAT_EQ(last.x0, 299 * 1.0f);
    EXPECT_FLOAT_EQ(last.x1, 300 * 1.0f);
    EXPECT_TRUE(layout(&f, "", TEXT_NORMAL).batches.empty());
}

TEST_F(Font, QuadsSitOnThePenWithTheirCells)
{
    load_standard("-AB");
    quad_list out = layout(&f, " A\nB\tB", TEXT_NORMAL);
    ASSERT_EQ(out.quads.size(), 3u);
    const quad &a = out.quads[0], &b1 = out.quads[1], &b2 = out.quads[2];
    EXPECT_FLOAT_EQ(a.x0, 1);      // after one space
    EXPECT_FLOAT_EQ(a.x1, 2.5f);
    EXPECT_FLOAT_EQ(a.y0, 0);
    EXPECT_FLOAT_EQ(a.y1, 1);
    EXPECT_FLOAT_EQ(a.u0, 10 / 40.0f);   // top left of its cell at the top left of the quad
    EXPECT_FLOAT_EQ(a.v0, 0);
    EXPECT_FLOAT_EQ(a.u1, 25 / 40.0f);
    EXPECT_FLOAT_EQ(a.v1, 10 / 20.0f);
    EXPECT_FLOAT_EQ(b1.x0, 0);     // a line feed goes back and one line down
    EXPECT_FLOAT_EQ(b1.y0, -1);
    EXPECT_FLOAT_EQ(b2.x0, 8);     // the tab stop
}

TEST_F(Font, EscapesPickColours)
{
    load_standard("ABCD");
    const float caller[4] = {0.2f, 0.4f, 0.9f, 0.5f};
    const float bright[4] = {0.45f, 0.65f, 1.0f, 0.5f};
    auto pal = [](int i) {
        std::vector<float> c(text_palette[i], text_palette[i] + 4);
        c[3] = 0.5f;
        return c;
    };
    const std::vector<float> C(caller, caller + 4), B(bright, bright + 4);
    struct Case {
        const char *text;
        int flags;
        std::vector<std::vector<float>> colours;   // one per glyph
    };
    const Case cases[] = {
        {"A\033[31mB\033[0mC", TEXT_NORMAL, {C, pal(1), C}},
        {"A\033[31mB\033[0mC", TEXT_SHADOW_PASS, {C, C, C}},   // foreground ignored in a shadow
        {"\033[1;31mA", TEXT_NORMAL, {pal(9)}},
        {"\033[1mA\033[22mB", TEXT_NORMAL, {B, C}},              // brightened caller colour
        {"A\033[44mB\033[31mC\033[0mD", TEXT_SHADOW_PASS, {C, pal(4), pal(1), C}},
        {"\033[32mA\033[mB", TEXT_NORMAL, {pal(2), C}},          // no parameter resets
        {"\033[1;36m\033[22mA", TEXT_NORMAL, {pal(6)}},
        {"\033[31mA", TEXT_NORMAL | TEXT_RAW, {C}},              // skipped, not interpreted
        {"\033[31xA", TEXT_NORMAL, {C}},                         // not an "m" sequence
        {"\033[99;35mA", TEXT_NORMAL, {pal(5)}},                 // unknown codes ignored
        {"\033[99999999999999999999;33mA", TEXT_NORMAL, {pal(3)}},
        {"AB\033[31", TEXT_NORMAL, {C, C}},                      // ends inside the sequence
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        quad_list out = layout(&f, c.text, c.flags);
        ASSERT_EQ(out.quads.size(), c.colours.size());
        for (size_t i = 0; i < c.colours.size(); ++i)
            for (int k = 0; k < 4; ++k) EXPECT_FLOAT_EQ(out.quads[i].rgba[k], c.colours[i][k]) << i;
    }
}

TEST_F(Font, SixtyFiveParametersStayInBounds)
{
    load_standard("A");
    std::string text = "\033[";
    for (int i = 0; i < 70; ++i) text += "1;";
    text += "31mA";
    quad_list out = layout(&f, text.c_str(), TEXT_NORMAL);
    ASSERT_EQ(out.quads.size(), 1u);
    EXPECT_FLOAT_EQ(out.quads[0].rgba[0], 0.45f);   // the 31 is the 71st: dropped, bright stays
}

// Number plates: the digit fonts loaded through fonts_load from a data folder of their own.
struct Plate : ::testing::Test {
    std::string dir = fixture_temp_dir("plate");
    void SetUp() override
    {
        setenv("XDG_DATA_HOME", (dir + "xdg").c_str(), 1);
        setenv("RL_HOME", dir.c_str(), 1);
        search_folders_free();
    }
    void TearDown() override
    {
        fonts_free();
        search_folders_free();
        unsetenv("RL_HOME");
        unsetenv("XDG_DATA_HOME");
    }
    // Ten digit cells of the given width, 8 rows of ink below the band row; ink is white with
    // the given alpha.
    void digits(const char *name, int cell, std::uint8_t alpha)
    {
        font_picture pic(cell * 10 + 2, 9, {{0, {}}});
        const std::uint8_t ink[4] = {255, 255, 255, alpha};
        for (int i = 0; i < pic.width * pic.height; ++i) memcpy(&pic.rgba[(size_t)i * 4], ink, 4);
        for (int d = 0; d <= 10; ++d) pic.set(d * cell, 0, SEP);
        pic.write(dir, name);
    }
};

TEST_F(Plate, DigitsBlendIntoTheMiddle)
{
    digits("numbers.png", 4, 255);   // K7 content: the loader takes it under any name
    fonts_load();
    ASSERT_NE(font_numbers()->pixels, nullptr);
    EXPECT_EQ(font_main()->texture, 0u);   // no font.png: the main font stays empty

    const int W = 16, H = 16;
    std::vector<std::uint8_t> img((size_t)W * H * 4, 0);
    for (int i = 0; i < W * H; ++i) img[(size_t)i * 4] = img[(size_t)i * 4 + 1] = img[(size_t)i * 4 + 2] = 255;
    text_raster_to_image(img.data(), W, H, 0, 0, 0, 1, "12");
    // Two 4-wide cells centred: x 4..11; 9 rows: y 8 - 4 = 4..12. Only the separator dots are
    // transparent; the rest is opaque white ink, drawn black.
    auto px = [&](int x, int y) { return &img[((size_t)y * W + x) * 4]; };
    EXPECT_EQ(px(5, 6)[0], 0);
    EXPECT_EQ(px(5, 6)[3], 255);
    EXPECT_EQ(px(4, 4)[0], 255);   // the first cell's separator dot leaves the plate alone
    EXPECT_EQ(px(4, 4)[3], 0);
    EXPECT_EQ(px(8, 4)[3], 0);     // and the second's
    EXPECT_EQ(px(5, 4)[0], 0);
    EXPECT_EQ(px(11, 12)[0], 0);
    EXPECT_EQ(px(3, 6)[0], 255);   // left of the text
    EXPECT_EQ(px(12, 6)[0], 255);  // right of it
    EXPECT_EQ(px(5, 13)[0], 255);  // below it
}

TEST_F(Plate, HalfInkBlendsHalfway)
{
    digits("numbers.png", 4, 128);
    fonts_load();
    std::vector<std::uint8_t> img(16 * 16 * 4, 200);
    text_raster_to_image(img.data(), 16, 16, 1, 1, 1, 1, "1");
    const std::uint8_t *p = &img[((size_t)6 * 16 + 7) * 4];
    float f = 128 / 255.0f;
    EXPECT_EQ(p[0], (int)(255 * (1.0f * f + 200 / 255.0f * (1 - f))));
    EXPECT_EQ(p[3], (int)(255 * (f * f + 200 / 255.0f * (1 - f))));
}

TEST_F(Plate, WideTextTakesTheCondensedDigits)
{
    digits("numbers.png", 10, 255);
    digits("numbers-condensed.png", 4, 255);
    fonts_load();
    struct Case {
        const char *text;
        int inked_columns;
    };
    // W = 16 allows 18 pixels: "1" (10) stays wide, "12" (20) goes condensed (8 pixels).
    const Case cases[] = {{"1", 10}, {"12", 8}, {"\033[31m12", 8}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<std::uint8_t> img(16 * 16 * 4, 255);
        for (size_t i = 3; i < img.size(); i += 4) img[i] = 0;
        text_raster_to_image(img.data(), 16, 16, 0, 0, 0, 1, c.text);
        int inked = 0;
        for (int x = 0; x < 16; ++x) inked += img[((size_t)8 * 16 + x) * 4] == 0;
        EXPECT_EQ(inked, c.inked_columns);
    }
}

TEST_F(Plate, NoDigitsNoChange)
{
    std::vector<std::uint8_t> img(8 * 8 * 4, 7);
    text_raster_to_image(img.data(), 8, 8, 0, 0, 0, 1, "12");
    EXPECT_EQ(img, std::vector<std::uint8_t>(8 * 8 * 4, 7));
}

// The build's generated fonts, in the game folder beside the tests folder.
std::string game_folder(void)
{
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return "";
    std::string path(exe, (size_t)n);
    path = path.substr(0, path.rfind('/'));   // tests/
    return path.substr(0, path.rfind('/')) + "/game/";
}

TEST(GeneratedFonts, EveryCharacterHasItsCell)
{
    struct Case {
        const char *file;
        std::string charset;
    };
    std::string printable;
    for (int c = '!'; c <= '~'; ++c) printable += (char)c;
    const Case cases[] = {
        {"font.png", printable},
        {"numbers.png", "0123456789"},
        {"numbers-condensed.png", "0123456789"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        std::string path = game_folder() + c.file;
        ASSERT_TRUE(fixture_file_exists(path)) << path;
        font f{};
        font_load(&f, path.c_str(), c.charset.c_str());
        ASSERT_NE(f.pixels, nullptr);
        std::vector<int> seen;
        const float *first = f.rects[(unsigned char)c.charset[0]];
        const int band = (int)(first[3] * f.height + 0.5f) - (int)(first[1] * f.height + 0.5f);
        for (char ch : c.charset) {
            const float *r = f.rects[(unsigned char)ch];
            int x0 = (int)(r[0] * f.width + 0.5f), x1 = (int)(r[2] * f.width + 0.5f);
            int y0 = (int)(r[1] * f.height + 0.5f), y1 = (int)(r[3] * f.height + 0.5f);
            EXPECT_GT(x1 - x0, 1) << ch;
            EXPECT_LE(x1, f.width) << ch;
            EXPECT_EQ(y1 - y0, band) << ch << ": every band is as high as the first";
            // Every cell has ink, and no two characters share a cell.
            int ink = 0;
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x) ink += f.pixels[((size_t)y * f.width + x) * 4 + 3] > 128;
            EXPECT_GT(ink, 0) << ch;
            seen.push_back(y0 * 65536 + x0);
        }
        std::sort(seen.begin(), seen.end());
        EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end());
        font_free(&f);
    }
}

}   // namespace
