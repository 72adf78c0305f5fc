// tests/ui/reference_picture.h — a drawn frame against its reference picture in
// tests/ui/references/. Pixels may differ by about 3 per channel (rasterisers round
// differently); at most 0.5% may differ by more. A failed comparison leaves the frame and a
// difference picture (bright where pixels are off) in the temporary folder. With
// RL_REMAKE_REFERENCE set the frame becomes the reference instead; look at it before committing.
#pragma once
#include "data/mem.h"
#include "graphics/png.h"
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <cstdlib>
#include <string>
#include <vector>

// The back buffer's pixels, rows bottom to top.
inline std::vector<unsigned char> frame_read(int width, int height)
{
    std::vector<unsigned char> rgb((std::size_t)width * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}

inline void expect_reference_picture(const std::vector<unsigned char> &rgb, int width, int height, const char *name)
{
    const std::string reference = std::string(RL_SOURCE_DIR) + "/tests/ui/references/" + name + ".png";
    if (getenv("RL_REMAKE_REFERENCE")) {
        ASSERT_EQ(image_write_png_rgb(reference.c_str(), rgb.data(), width, height), 1);
        return;
    }
    unsigned char *pixels = nullptr;
    char *text = nullptr;
    int w = 0, h = 0, channels = 0;
    ASSERT_EQ(image_read_png(reference.c_str(), &pixels, &w, &h, &channels, &text), 1) << reference;
    mem_free(text);
    if (w != width || h != height) {
        mem_free(pixels);
        FAIL() << name << ": " << width << "x" << height << ", reference " << w << "x" << h;
    }
    std::vector<unsigned char> diff(rgb.size());
    long off = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::size_t at = ((std::size_t)y * width + x) * 3;
            const unsigned char *want = pixels + ((std::size_t)(height - 1 - y) * width + x) * channels;
            int worst = 0;
            for (int k = 0; k < 3; ++k) worst = std::max(worst, std::abs(rgb[at + k] - want[k]));
            off += worst > 3;
            for (int k = 0; k < 3; ++k) diff[at + k] = (unsigned char)std::min(255, worst * 8);
        }
    mem_free(pixels);
    const long allowed = (long)width * height / 200;
    if (off > allowed) {
        const char *tmp = getenv("TMPDIR");
        const std::string base = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + name;
        image_write_png_rgb((base + "_failed.png").c_str(), rgb.data(), width, height);
        image_write_png_rgb((base + "_diff.png").c_str(), diff.data(), width, height);
        ADD_FAILURE() << name << ": " << off << " pixels off (at most " << allowed << "); see " << base
                      << "_failed.png and _diff.png";
    }
}
