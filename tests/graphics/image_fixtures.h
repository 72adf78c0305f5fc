// tests/graphics/image_fixtures.h — small image files made in the tests: PNM text, our K6/K7
// encoding, and PNGs of any colour type written straight through libpng.
#pragma once
#include <cstdint>
#include <cstdio>
#include <png.h>
#include <string>
#include <vector>

// K6 (3 channels) or K7 (4 channels): each byte is the value minus its prediction.
inline std::string kpnm_encode(const std::vector<std::uint8_t> &pixels, int width, int height,
                               int channels)
{
    std::string out = (channels == 4 ? "K7\n" : "K6\n") + std::to_string(width) + " " +
                      std::to_string(height) + "\n";
    auto at = [&](int x, int y, int c) { return (int)pixels[((size_t)y * width + x) * channels + c]; };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c) {
                int guess = 0;
                if (y == 0) guess = x ? at(x - 1, 0, c) : 0;
                else if (x == 0) guess = at(0, y - 1, c);
                else {
                    guess = at(x - 1, y, c) + at(x, y - 1, c) - at(x - 1, y - 1, c);
                    guess = guess < 0 ? 0 : guess > 255 ? 255 : guess;
                }
                out += (char)(std::uint8_t)(at(x, y, c) - guess);
            }
    return out;
}

struct png_fixture {
    int width = 1, height = 1, depth = 8, colour = PNG_COLOR_TYPE_RGB;
    int interlace = PNG_INTERLACE_NONE;
    std::vector<std::uint8_t> rows;          // packed rows as the file holds them, top first
    std::vector<png_color> palette;
    std::vector<std::uint8_t> trns;          // palette alphas
    std::vector<std::pair<std::string, std::string>> text_before, text_after;
    std::vector<std::pair<std::string, std::string>> itxt_after;   // compressed iTXt chunks
};

// Writes f to path; 16-bit samples in f.rows are big-endian as in the file.
inline bool png_fixture_write(const std::string &path, const png_fixture &f)
{
    FILE *out = fopen(path.c_str(), "wb");
    if (!out) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows(f.height);
    size_t stride = f.rows.size() / f.height;
    for (int y = 0; y < f.height; ++y) rows[y] = (png_bytep)f.rows.data() + stride * y;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        fclose(out);
        return false;
    }
    png_init_io(png, out);
    png_set_IHDR(png, info, f.width, f.height, f.depth, f.colour, f.interlace,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!f.palette.empty()) png_set_PLTE(png, info, f.palette.data(), (int)f.palette.size());
    if (!f.trns.empty()) png_set_tRNS(png, info, f.trns.data(), (int)f.trns.size(), nullptr);
    std::vector<png_text> texts;
    for (auto &t : f.text_before)
        texts.push_back({PNG_TEXT_COMPRESSION_NONE, (char *)t.first.c_str(), (char *)t.second.c_str(), t.second.size(), 0, nullptr, nullptr});
    if (!texts.empty()) png_set_text(png, info, texts.data(), (int)texts.size());
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_infop end = png_create_info_struct(png);
    std::vector<png_text> after;
    for (auto &t : f.text_after)
        after.push_back({PNG_TEXT_COMPRESSION_zTXt, (char *)t.first.c_str(), (char *)t.second.c_str(), t.second.size(), 0, nullptr, nullptr});
    for (auto &t : f.itxt_after)
        after.push_back({PNG_ITXT_COMPRESSION_zTXt, (char *)t.first.c_str(), (char *)t.second.c_str(), 0, t.second.size(), (char *)"en", (char *)""});
    if (!after.empty()) png_set_text(png, end, after.data(), (int)after.size());
    png_write_end(png, end);
    png_destroy_info_struct(png, &end);
    png_destroy_write_struct(&png, &info);
    fclose(out);
    return true;
}

// An RGB or RGBA picture from packed 8-bit pixels.
inline png_fixture png_fixture_rgb(int width, int height, int channels, const std::vector<std::uint8_t> &pixels)
{
    png_fixture f;
    f.width = width;
    f.height = height;
    f.colour = channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
    f.rows = pixels;
    return f;
}
