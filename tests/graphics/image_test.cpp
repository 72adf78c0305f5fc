// Mip chains and the PPM, PGM and K6/K7 readers.
#include "graphics/image.h"
#include "data/console.h"
#include "data/mem.h"
#include "data/stream.h"
#include "fixtures/fixtures.h"
#include "graphics/image_fixtures.h"
#include <gtest/gtest.h>
#include <cstring>
#include <random>

namespace {

std::string last_console_line()
{
    int i = (g_console.write_index + CONSOLE_LINES - 1) % CONSOLE_LINES;
    return g_console.lines[i];
}

struct ImageFile : ::testing::Test {
    std::string dir = fixture_temp_dir("image");
    unsigned char *pixels = nullptr;
    int width = -1, height = -1;
    ~ImageFile() override { mem_free(pixels); }

    data_stream *open(const std::string &bytes)
    {
        std::string path = dir + "picture";
        fixture_write_file(path, bytes);
        return data_open(path.c_str(), "rb");
    }
    // Reads bytes as the texture loader does: first word, then the reader of that word.
    int read_rgb(const std::string &bytes)
    {
        data_stream *s = open(bytes);
        int ok = image_read_rgb(s, &pixels, &width, &height);
        data_close(s);
        return ok;
    }
    int read_kpnm(const std::string &bytes, int channels)
    {
        data_stream *s = open(bytes);
        char word[16];
        int ok = image_scan_word(s, word, sizeof word) &&
                 image_read_kpnm(word, s, &pixels, &width, &height, channels);
        data_close(s);
        return ok;
    }
    int read_pgm(const std::string &bytes)
    {
        data_stream *s = open(bytes);
        int ok = image_read_pgm(s, &pixels, &width, &height);
        data_close(s);
        return ok;
    }
};

TEST(ImageChain, SizesOfChains)
{
    struct Case { int w, h, channels; std::size_t bytes; };
    const Case cases[] = {
        {1, 1, 4, 4},
        {4, 1, 4, (4 + 2 + 1) * 4},
        {5, 3, 3, (15 + 2 + 1) * 3},
        {2, 8, 1, 16 + 4 + 2 + 1},
        {0, 4, 3, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
        EXPECT_EQ(image_chain_bytes(c.w, c.h, c.channels), c.bytes);
    }
}

TEST(ImageChain, TransparentPixelsDoNotDarkenAndAlphaIsMeanOrMax)
{
    struct Case { int flags; unsigned char alpha; };
    for (Case c : {Case{0, 63}, Case{IMAGE_HALVE_MAX_ALPHA, 255}}) {
        unsigned char block[4 * 4 + 4] = {
            200, 100, 50, 255, 0, 0, 0, 0,
            0,   0,   0,  0,   0, 0, 0, 0,
        };
        image_halve(block, 2, 2, 4, c.flags);
        const unsigned char want[4] = {200, 100, 50, c.alpha};
        EXPECT_EQ(0, memcmp(block + 16, want, 4)) << "flags " << c.flags;
    }
}

TEST(ImageChain, RowFormHalvesAFourByOneImage)
{
    // Opaque and half-transparent pixels: colours weight by alpha, sums of 510 take the mean.
    unsigned char chain[(4 + 2 + 1) * 4] = {
        10, 20, 30, 255, 30, 40, 50, 255,
        100, 0, 0, 0,    200, 0, 0, 100,
    };
    image_build_mips_rgba(chain, 4, 1);
    const unsigned char level1[8] = {20, 30, 40, 255, 200, 0, 0, 50};
    EXPECT_EQ(0, memcmp(chain + 16, level1, 8));
    const unsigned char level2[4] = {(20 * 255 + 200 * 50) / 305, (30 * 255) / 305, (40 * 255) / 305, 152};
    EXPECT_EQ(0, memcmp(chain + 24, level2, 4));
}

TEST(ImageChain, FiveByThreeGetsTwoByOneThenOneByOne)
{
    std::vector<unsigned char> chain(image_chain_bytes(5, 3, 3), 0xEE);
    for (int i = 0; i < 15; ++i)
        for (int c = 0; c < 3; ++c) chain[i * 3 + c] = (unsigned char)(i * 10 + c);
    image_build_mips_rgb(chain.data(), 5, 3);
    // (0,0) (1,0) (0,1) (1,1) -> pixels 0 1 5 6; the odd last column and row are dropped.
    EXPECT_EQ(chain[45], (0 + 10 + 50 + 60) / 4);
    EXPECT_EQ(chain[48], (20 + 30 + 70 + 80) / 4);
    EXPECT_EQ(chain[51], (chain[45] + chain[48]) / 2);
    EXPECT_EQ(chain.size(), 54u);
}

TEST_F(ImageFile, PpmForms)
{
    struct Case { const char *name; std::string bytes; unsigned char first[3]; };
    const Case cases[] = {
        {"P6 maximum 15 scales 15 to 255", std::string("P6 1 1 15\n") + "\x0F\x05\x00", {255, 85, 0}},
        {"P3 with comments", "P3\n# made by hand\n1 # width\n1\n#\n255\n1 2 3\n", {1, 2, 3}},
        {"P3 maximum 1000", "P3 1 1 1000 1000 500 0", {255, 127, 0}},
        {"P3 sample above maximum clamps", "P3 1 1 10 20 -4 x", {255, 0, 0}},
        {"K6 read as RGB", kpnm_encode({9, 8, 7}, 1, 1, 3), {9, 8, 7}},
        {"K7 read as RGB drops alpha", kpnm_encode({9, 8, 7, 6}, 1, 1, 4), {9, 8, 7}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(read_rgb(c.bytes), 1);
        EXPECT_EQ(width, 1);
        EXPECT_EQ(height, 1);
        EXPECT_EQ(0, memcmp(pixels, c.first, 3));
        mem_free(pixels);
        pixels = nullptr;
    }
}

TEST_F(ImageFile, RefusedHeaders)
{
    struct Case { const char *bytes; const char *warning; };
    const Case cases[] = {
        {"P6 2 2 0\n", "maximum value 0"},
        {"P3 2 2 0 1 1 1", "maximum value 0"},
        {"P6 2 2 65535\n", "above 255"},
        {"P3 1 1 70000 1 1 1", "above 65535"},
        {"P6 100000 100000 255\n", "size"},
        {"P6 16384 16384 255\n", "size"},          // each side allowed, the area not
        {"P3 99999999999 99999999999 255\n", "size"},   // saturates, never wraps
        {"K6 40000 2\n", "size"},
        {"P6 -1 2 255\n", nullptr},
        {"P6 x 2 255\n", nullptr},
        {"K6 4\n", nullptr},
        {"P7 1 1 255\n", nullptr},
        {"", nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bytes);
        console_clear();
        EXPECT_EQ(read_rgb(c.bytes), 0);
        EXPECT_EQ(pixels, nullptr);
        if (c.warning) EXPECT_NE(last_console_line().find(c.warning), std::string::npos) << last_console_line();
        else EXPECT_EQ(g_console.write_index, 0);
    }
}

TEST_F(ImageFile, ShortBodiesReadAsZeros)
{
    // Header says 4 x 4; the body stops after one pixel.
    ASSERT_EQ(read_rgb(std::string("P6 4 4 255\n") + "\x10\x20\x30"), 1);
    EXPECT_EQ(pixels[0], 0x10);
    for (int i = 3; i < 48; ++i) ASSERT_EQ(pixels[i], 0) << i;
    EXPECT_NE(last_console_line().find("ends early"), std::string::npos);
    mem_free(pixels);
    pixels = nullptr;
    ASSERT_EQ(read_rgb("P3 2 2 255 7 7"), 1);
    EXPECT_EQ(pixels[0], 7);
    EXPECT_EQ(pixels[2], 0);
    mem_free(pixels);
    pixels = nullptr;
    // A K7 cut inside its second row: missing differences are 0, so pixels repeat their prediction.
    std::vector<uint8_t> rgba(3 * 2 * 4);
    for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = (uint8_t)(i * 11);
    std::string k7 = kpnm_encode(rgba, 3, 2, 4);
    ASSERT_EQ(read_kpnm(k7.substr(0, k7.size() - 8), 4), 1);
    EXPECT_EQ(0, memcmp(pixels, rgba.data(), 16));
    for (int c = 0; c < 4; ++c) {
        int guess = pixels[12 + c] + pixels[4 + c] - pixels[c];
        EXPECT_EQ(pixels[16 + c], guess < 0 ? 0 : guess > 255 ? 255 : guess) << c;
    }
}

TEST_F(ImageFile, PgmReadsGreyLevelZeroOnly)
{
    ASSERT_EQ(read_pgm(std::string("P5\n2 1\n15\n") + "\x0F\x03"), 1);
    EXPECT_EQ(width, 2);
    EXPECT_EQ(pixels[0], 255);
    EXPECT_EQ(pixels[1], 51);
    mem_free(pixels);
    pixels = nullptr;
    ASSERT_EQ(read_pgm("P2 3 1 255 0 128 255"), 1);
    EXPECT_EQ(pixels[1], 128);
    mem_free(pixels);
    pixels = nullptr;
    EXPECT_EQ(read_pgm("P5 2 1 0\n\x01\x02"), 0);
    EXPECT_EQ(read_pgm("P5 2 1 256\n\x01\x02"), 0);
    EXPECT_EQ(read_pgm("P6 1 1 255\nabc"), 0);
}

TEST_F(ImageFile, SingleColourK6IsTheColourThenZeros)
{
    std::vector<uint8_t> flat(5 * 3 * 3);
    for (size_t i = 0; i < flat.size(); i += 3) { flat[i] = 40; flat[i + 1] = 140; flat[i + 2] = 240; }
    std::string file = kpnm_encode(flat, 5, 3, 3);
    std::string body = file.substr(file.size() - flat.size());
    EXPECT_EQ(body.substr(0, 3), "\x28\x8C\xF0");
    EXPECT_EQ(body.find_first_not_of('\0', 3), std::string::npos);

    ASSERT_EQ(read_kpnm(file, 4), 1);
    for (int i = 0; i < 15; ++i) {
        const unsigned char want[4] = {40, 140, 240, 0};   // K6 read as RGBA: alpha 0
        ASSERT_EQ(0, memcmp(pixels + i * 4, want, 4)) << i;
    }
}

TEST_F(ImageFile, K7RoundTripsRandomPixels)
{
    std::mt19937 rng(7);
    const int w = 13, h = 9;
    std::vector<uint8_t> rgba(w * h * 4);
    for (auto &b : rgba) b = (uint8_t)rng();
    std::string file = kpnm_encode(rgba, w, h, 4);
    file.insert(3, "# between numbers\n");
    ASSERT_EQ(read_kpnm(file, 4), 1);
    EXPECT_EQ(0, memcmp(pixels, rgba.data(), rgba.size()));
    // The chain behind level 0 is the box filter of it.
    std::vector<uint8_t> chain(image_chain_bytes(w, h, 4));
    memcpy(chain.data(), rgba.data(), rgba.size());
    image_build_mips_rgba(chain.data(), w, h);
    EXPECT_EQ(0, memcmp(pixels, chain.data(), chain.size()));
    mem_free(pixels);
    pixels = nullptr;

    ASSERT_EQ(read_kpnm(file, 3), 1);
    for (int i = 0; i < w * h; ++i) ASSERT_EQ(0, memcmp(pixels + i * 3, &rgba[i * 4], 3)) << i;
}

} // namespace
