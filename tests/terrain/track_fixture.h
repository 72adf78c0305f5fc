// A track folder written file by file, for the ground loader and saver.
#pragma once
#include "fixtures/fixtures.h"
#include "graphics/png.h"
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct track_folder {
    std::string dir;
    int depth, dim;

    explicit track_folder(int n) : dir(fixture_temp_dir("track")), depth(n), dim((1 << (n + 1)) + 1) {}

    std::string path(const char *name) const { return dir + name; }
    void write(const char *name, const std::string &bytes) const { fixture_write_file(path(name), bytes); }

    // "terrain.hf" with raw samples when given, else the header alone.
    void header(const char *text, const std::vector<std::uint16_t> *raw = nullptr) const
    {
        std::string bytes = text;
        if (raw) {
            bytes += ':';
            for (std::uint16_t v : *raw) { bytes += (char)(v & 0xFF); bytes += (char)(v >> 8); }
        }
        write("terrain.hf", bytes);
    }
    std::vector<std::uint16_t> samples(const std::function<int(int, int)> &f) const
    {
        std::vector<std::uint16_t> v((std::size_t)dim * dim);
        for (int z = 0; z < dim; ++z)
            for (int x = 0; x < dim; ++x) v[(std::size_t)z * dim + x] = (std::uint16_t)f(x, z);
        return v;
    }
    void png(const std::vector<std::uint16_t> &samples, int width, int height) const
    {
        image_write_png_grey16(path("terrain.png").c_str(), samples.data(), width, height);
    }
    void ppm(const char *name, int width, int height, unsigned char value) const
    {
        std::string bytes = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
        bytes.append((std::size_t)width * height * 3, (char)value);
        write(name, bytes);
    }
    void pgm(const char *name, int width, int height, unsigned char value) const
    {
        std::string bytes = "P5\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
        bytes.append((std::size_t)width * height, (char)value);
        write(name, bytes);
    }
    void tilemap(unsigned char value, long count = -1) const
    {
        write("tilemap", std::string((std::size_t)(count < 0 ? 1L << (2 * depth) : count), (char)value));
    }
    // A complete folder: raw heights, shading, three tiles, a tile map.
    void minimal(const std::vector<std::uint16_t> &raw, const char *hf = nullptr) const
    {
        std::string h = hf ? hf : std::to_string(depth) + " 1.5 -2 6\n";
        header(h.c_str(), &raw);
        ppm("shadingx2.ppm", dim, dim, 100);
        write("tileinfo", "texture a.png\naddtile\ntexture b.png\naddtile\ntexture c.png\naddtile\n");
        tilemap(1);
    }
};
