// PNG reading through data streams, the texture text, custom levels, and our two writers.
#include "graphics/png.h"
#include "graphics/image.h"
#include "data/console.h"
#include "data/mem.h"
#include "fixtures/fixtures.h"
#include "graphics/image_fixtures.h"
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <cstring>
#include <zlib.h>

namespace {

struct PngRead : ::testing::Test {
    std::string dir = fixture_temp_dir("png");
    unsigned char *pixels = nullptr;
    char *text = nullptr;
    int width = -1, height = -1, channels = -1;
    ~PngRead() override { mem_free(pixels); mem_free(text); }

    std::string write(const char *name, const png_fixture &f)
    {
        std::string path = dir + name;
        EXPECT_TRUE(png_fixture_write(path, f));
        return path;
    }
    int read(const std::string &path)
    {
        mem_free(pixels);
        mem_free(text);
        pixels = nullptr;
        text = nullptr;
        return image_read_png(path.c_str(), &pixels, &width, &height, &channels, &text);
    }
};

TEST_F(PngRead, ColourTypesArriveAsRgbOrRgba)
{
    png_fixture palette;
    palette.width = 2;
    palette.colour = PNG_COLOR_TYPE_PALETTE;
    palette.palette = {{255, 0, 0}, {0, 0, 255}};
    palette.trns = {128};
    palette.rows = {0, 1};

    png_fixture grey;
    grey.width = 2;
    grey.colour = PNG_COLOR_TYPE_GRAY;
    grey.rows = {10, 200};

    png_fixture grey2;                       // 2-bit grey: 0..3 expand to 0, 85, 170, 255
    grey2.width = 2;
    grey2.depth = 2;
    grey2.colour = PNG_COLOR_TYPE_GRAY;
    grey2.rows = {0x70};

    png_fixture rgb16;
    rgb16.width = 1;
    rgb16.depth = 16;
    rgb16.rows = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC};

    struct Case { const char *name; const png_fixture &f; int channels; std::vector<uint8_t> want; };
    const Case cases[] = {
        {"palette with tRNS", palette, 4, {255, 0, 0, 128, 0, 0, 255, 255}},
        {"grey", grey, 3, {10, 10, 10, 200, 200, 200}},
        {"2-bit grey", grey2, 3, {85, 85, 85, 255, 255, 255}},
        {"16-bit RGB", rgb16, 3, {0x12, 0x56, 0x9A}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(read(write("a.png", c.f)), 1);
        EXPECT_EQ(channels, c.channels);
        EXPECT_EQ(width, c.f.width);
        EXPECT_EQ(0, memcmp(pixels, c.want.data(), c.want.size()));
        EXPECT_EQ(text, nullptr);
    }
}

TEST_F(PngRead, InterlacedPicturesReadWhole)
{
    png_fixture f = png_fixture_rgb(9, 7, 3, {});
    f.interlace = PNG_INTERLACE_ADAM7;
    for (int i = 0; i < 9 * 7 * 3; ++i) f.rows.push_back((uint8_t)(i * 7));
    ASSERT_EQ(read(write("i.png", f)), 1);
    EXPECT_EQ(0, memcmp(pixels, f.rows.data(), f.rows.size()));
}

TEST_F(PngRead, TextChunksThenSideFile)
{
    png_fixture f = png_fixture_rgb(1, 1, 3, {1, 2, 3});
    f.text_before = {{"Comment", "[compress]"}};
    f.text_after = {{"Comment", " after"}};
    std::string path = write("t.png", f);
    fixture_write_file(path + ".info", "[numberbackground:1,0.5,0]\n");
    ASSERT_EQ(read(path), 1);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "[compress] after[numberbackground:1,0.5,0]\n");
    EXPECT_TRUE(image_text_has(text, "[compress]"));
    EXPECT_FALSE(image_text_has(nullptr, "[compress]"));
}

// libpng alone keeps 999 text chunks and refuses a picture with more; ours reads them all, in
// file order, with the chunks after the image (compressed ones too).
TEST_F(PngRead, ThousandsOfTextChunksAreRead)
{
    png_fixture f = png_fixture_rgb(2, 1, 3, {1, 2, 3, 4, 5, 6});
    for (int i = 0; i < 1500; ++i) f.text_before.push_back({"Comment", "[" + std::to_string(i) + "]"});
    f.text_after = {{"Comment", "[zip]"}};
    f.itxt_after = {{"Comment", "[international]"}};
    ASSERT_EQ(read(write("many.png", f)), 1);
    EXPECT_EQ(width, 2);
    EXPECT_EQ(pixels[3], 4);
    ASSERT_NE(text, nullptr);
    std::string all = text;
    EXPECT_EQ(all.substr(0, 6), "[0][1]");
    EXPECT_NE(all.find("[1499][zip][international]"), std::string::npos);
}

// Chunks libpng does not know are dropped however many there are, or refuse the picture when
// they are critical; a zero byte ends a chunk's text.
TEST_F(PngRead, UnknownChunksAndZeroBytes)
{
    std::string good = fixture_read_file(write("g.png", png_fixture_rgb(1, 1, 3, {7, 8, 9})));
    auto chunk = [](const char *type, const std::string &data) {
        std::string body = type + data;
        uLong crc = crc32(0, (const Bytef *)body.data(), (uInt)body.size());
        std::string out;
        for (int shift = 24; shift >= 0; shift -= 8) out += (char)(data.size() >> shift & 0xFF);
        out += body;
        for (int shift = 24; shift >= 0; shift -= 8) out += (char)(crc >> shift & 0xFF);
        return out;
    };
    const std::size_t after_header = 8 + 25;
    std::string private_chunks;
    for (int i = 0; i < 1200; ++i) private_chunks += chunk("prVt", "x");
    std::string comment = chunk("tEXt", std::string("Comment\0[compress]\0[mip_custom]", 31));
    std::string many = good.substr(0, after_header) + private_chunks + comment + good.substr(after_header);
    fixture_write_file(dir + "many.png", many);
    ASSERT_EQ(read(dir + "many.png"), 1);
    EXPECT_EQ(pixels[2], 9);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "[compress]");

    std::string critical = good.substr(0, after_header) + chunk("CrIt", "x") + good.substr(after_header);
    fixture_write_file(dir + "critical.png", critical);
    EXPECT_EQ(read(dir + "critical.png"), 0);
}

// Text is held to 4 MiB from the chunks and 4 MiB from the side file, however much they hold
// or inflate to; reading stays linear in what is kept.
TEST_F(PngRead, LongTextIsCutAtTheChunkLimit)
{
    const std::size_t limit = 4 << 20;
    png_fixture f = png_fixture_rgb(1, 1, 3, {1, 2, 3});
    f.text_after = {{"Comment", std::string(3 << 20, 'a')}, {"Comment", std::string(3 << 20, 'b')}};
    std::string path = write("long.png", f);
    std::string side(16 << 20, 'x');
    side.replace(0, 9, "[compress]");
    fixture_write_file(path + ".info", side);
    ASSERT_EQ(read(path), 1);
    ASSERT_NE(text, nullptr);
    std::string all = text;
    ASSERT_EQ(all.size(), 2 * limit);
    EXPECT_EQ(all[limit - 1], 'b');
    EXPECT_EQ(all.substr(limit, 10), "[compress]");

    // A small gzip side file that would inflate to 64 MiB.
    remove((path + ".info").c_str());
    std::string big(64 << 20, ' ');
    uLongf packed_size = compressBound((uLong)big.size());
    std::string packed(packed_size, 0);
    z_stream z = {};
    ASSERT_EQ(deflateInit2(&z, 9, Z_DEFLATED, 31, 9, Z_DEFAULT_STRATEGY), Z_OK);
    z.next_in = (Bytef *)big.data();
    z.avail_in = (uInt)big.size();
    z.next_out = (Bytef *)packed.data();
    z.avail_out = (uInt)packed.size();
    ASSERT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    packed.resize(z.total_out);
    deflateEnd(&z);
    fixture_write_file(path + ".info.gz", packed);
    ASSERT_EQ(read(path), 1);
    EXPECT_EQ(strlen(text), 2 * limit);
}

TEST_F(PngRead, MaxAlphaKeepsThinOpaqueDetail)
{
    // One opaque texel in each 2 x 2 block of a 4 x 4 picture.
    std::vector<uint8_t> rgba(4 * 4 * 4, 0);
    for (int y = 0; y < 4; y += 2)
        for (int x = 0; x < 4; x += 2) {
            uint8_t *p = &rgba[(y * 4 + x) * 4];
            p[0] = 250; p[3] = 255;
        }
    std::string path = write("thin.png", png_fixture_rgb(4, 4, 4, rgba));
    ASSERT_EQ(read(path), 1);
    EXPECT_EQ(pixels[64 + 3], 63);
    fixture_write_file(path + ".info", "[mip_max_alpha]");
    ASSERT_EQ(read(path), 1);
    EXPECT_EQ(pixels[64 + 0], 250);
    EXPECT_EQ(pixels[64 + 3], 255);
    EXPECT_EQ(pixels[64 + 16 + 3], 255);   // the 1 x 1 level too
}

TEST_F(PngRead, CustomLevelsComeFromThePicture)
{
    // 64 x 96: each texel holds its own column and row, so every copied block names its origin.
    std::vector<uint8_t> rgb(64 * 96 * 3);
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 64; ++x) {
            uint8_t *p = &rgb[(y * 64 + x) * 3];
            p[0] = (uint8_t)x; p[1] = (uint8_t)y; p[2] = 7;
        }
    std::string path = write("custom.png", png_fixture_rgb(64, 96, 3, rgb));
    fixture_write_file(path + ".info", "[mip_custom]");
    ASSERT_EQ(read(path), 1);
    EXPECT_EQ(width, 64);
    EXPECT_EQ(height, 64);
    const unsigned char *level1 = pixels + 64 * 64 * 3;
    const unsigned char *level2 = level1 + 32 * 32 * 3;
    const unsigned char *level3 = level2 + 16 * 16 * 3;
    EXPECT_EQ(level1[0], 0);
    EXPECT_EQ(level1[1], 64);
    EXPECT_EQ(level1[(31 * 32 + 31) * 3 + 1], 95);
    EXPECT_EQ(level2[0], 32);
    EXPECT_EQ(level2[1], 64);
    EXPECT_EQ(level3[0], 32);
    EXPECT_EQ(level3[1], 80);
}

TEST_F(PngRead, CustomLevelsThatDoNotFitFallBackToTheWholePicture)
{
    struct Case { int w, h; const char *warning; };
    const Case cases[] = {
        {8, 10, "Invalid height for custom MIP map"},
        {1, 12, "Invalid custom MIP map layout"},   // level 2 would start right of a 1-wide picture
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.warning);
        std::vector<uint8_t> rgb(c.w * c.h * 3, 90);
        std::string path = write("bad.png", png_fixture_rgb(c.w, c.h, 3, rgb));
        fixture_write_file(path + ".info", "[mip_custom]");
        console_clear();
        ASSERT_EQ(read(path), 1);
        EXPECT_EQ(height, c.h);
        EXPECT_NE(std::string(g_console.lines[0]).find(c.warning), std::string::npos) << g_console.lines[0];
        std::size_t bytes = image_chain_bytes(c.w, c.h, 3);
        EXPECT_EQ(pixels[bytes - 1], 90);   // the chain is built from the whole picture
    }
}

TEST_F(PngRead, BrokenFilesGiveZero)
{
    std::vector<uint8_t> rgb(16 * 16 * 3, 50);
    std::string good = fixture_read_file(write("g.png", png_fixture_rgb(16, 16, 3, rgb)));
    png_fixture big_text = png_fixture_rgb(16, 16, 3, rgb);
    big_text.text_before = {{"Comment", std::string(5 << 20, 'x')}};   // above the 4 MiB chunk limit
    std::string oversized = fixture_read_file(write("t.png", big_text));
    struct Case { const char *name; std::string bytes; };
    const Case cases[] = {
        {"empty", ""},
        {"not a png", "P6 1 1 255\nabc"},
        {"signature only", good.substr(0, 8)},
        {"cut in the image data", good.substr(0, good.size() - 20)},
        {"bad header crc", good.substr(0, 29) + "\x01" + good.substr(30)},
        {"oversized text chunk", oversized},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        fixture_write_file(dir + "b.png", c.bytes);
        EXPECT_EQ(read(dir + "b.png"), 0);
        EXPECT_EQ(pixels, nullptr);
    }
    EXPECT_EQ(read(dir + "missing.png"), 0);
}

TEST(PngWrite, Grey16RoundTrips)
{
    std::string dir = fixture_temp_dir("png16");
    const int w = 5, h = 3;
    unsigned short samples[w * h];
    for (int i = 0; i < w * h; ++i) samples[i] = (unsigned short)(i * 4369 + 1);
    ASSERT_EQ(image_write_png_grey16((dir + "terrain.png").c_str(), samples, w, h), 1);
    EXPECT_FALSE(fixture_file_exists(dir + "terrain.png.tmp"));
    unsigned short *back = nullptr;
    int bw, bh;
    ASSERT_EQ(image_read_png_grey16((dir + "terrain.png").c_str(), &back, &bw, &bh), 1);
    EXPECT_EQ(bw, w);
    EXPECT_EQ(bh, h);
    EXPECT_EQ(0, memcmp(back, samples, sizeof samples));
    mem_free(back);
}

TEST(PngWrite, EightBitAndColourPicturesReadAsGrey16)
{
    std::string dir = fixture_temp_dir("png8");
    png_fixture grey;
    grey.width = 3;
    grey.colour = PNG_COLOR_TYPE_GRAY;
    grey.rows = {0, 1, 255};
    png_fixture rgba = png_fixture_rgb(1, 1, 4, {200, 200, 200, 9});
    struct Case { const char *name; const png_fixture &f; std::vector<unsigned short> want; };
    const Case cases[] = {
        {"8-bit grey widens by 257", grey, {0, 257, 65535}},
        {"RGBA loses alpha and colour", rgba, {200 * 257}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(png_fixture_write(dir + "h.png", c.f));
        unsigned short *back = nullptr;
        int bw, bh;
        ASSERT_EQ(image_read_png_grey16((dir + "h.png").c_str(), &back, &bw, &bh), 1);
        EXPECT_EQ(std::vector<unsigned short>(back, back + bw * bh), c.want);
        mem_free(back);
    }
}

TEST(PngWrite, RgbRowsGoInBottomToTopAndComeOutUpright)
{
    std::string dir = fixture_temp_dir("pngrgb");
    // A 2 x 3 frame as OpenGL reads it: the first row in memory is the bottom of the picture.
    const unsigned char frame[3 * 2 * 3] = {
        1, 1, 1, 2, 2, 2,   // bottom
        3, 3, 3, 4, 4, 4,
        5, 5, 5, 6, 6, 6,   // top
    };
    std::string path = dir + "shot.png";
    ASSERT_EQ(image_write_png_rgb(path.c_str(), frame, 2, 3), 1);
    unsigned char *pixels = nullptr;
    char *text = nullptr;
    int w, h, ch;
    ASSERT_EQ(image_read_png(path.c_str(), &pixels, &w, &h, &ch, &text), 1);
    EXPECT_EQ(ch, 3);
    const unsigned char upright[18] = {5, 5, 5, 6, 6, 6, 3, 3, 3, 4, 4, 4, 1, 1, 1, 2, 2, 2};
    EXPECT_EQ(0, memcmp(pixels, upright, sizeof upright));
    mem_free(pixels);
}

TEST(PngWrite, AFailedSaveLeavesTheOldFile)
{
    std::string dir = fixture_temp_dir("pngkeep");
    std::string path = dir + "shot.png";
    fixture_write_file(path, "old picture");
    mkdir((path + ".tmp").c_str(), 0777);   // the temporary name cannot be written
    const unsigned char frame[3] = {1, 2, 3};
    EXPECT_EQ(image_write_png_rgb(path.c_str(), frame, 1, 1), 0);
    EXPECT_EQ(fixture_read_file(path), "old picture");
    EXPECT_EQ(image_write_png_rgb(path.c_str(), frame, 0, 1), 0);
    EXPECT_EQ(fixture_read_file(path), "old picture");
}

TEST(PngFont, RgbGetsOpaqueAlphaAndK6FallsBack)
{
    std::string dir = fixture_temp_dir("font");
    ASSERT_TRUE(png_fixture_write(dir + "f.png", png_fixture_rgb(2, 1, 3, {1, 2, 3, 4, 5, 6})));
    unsigned char *p = nullptr;
    int w, h;
    ASSERT_EQ(image_load_for_font((dir + "f.png").c_str(), &p, &w, &h), 1);
    const unsigned char want[8] = {1, 2, 3, 255, 4, 5, 6, 255};
    EXPECT_EQ(0, memcmp(p, want, 8));
    mem_free(p);
    fixture_write_file(dir + "f.k6", kpnm_encode({9, 9, 9}, 1, 1, 3));
    ASSERT_EQ(image_load_for_font((dir + "f.k6").c_str(), &p, &w, &h), 1);
    const unsigned char k6[4] = {9, 9, 9, 0};
    EXPECT_EQ(0, memcmp(p, k6, 4));
    mem_free(p);
    fixture_write_file(dir + "f.txt", "P6 1 1 255\nabc");
    EXPECT_EQ(image_load_for_font((dir + "f.txt").c_str(), &p, &w, &h), 0);
}

} // namespace
