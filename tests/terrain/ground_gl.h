// A track folder with rolling ground, three striped tiles and lit vertex colours, for the tests
// that compose and draw the ground in a real OpenGL context (the window is opened once for the
// whole binary by compose_gl.cpp).
#pragma once
#include "terrain/track_fixture.h"
#include <cmath>
#include <string>
#include <vector>

struct ground_track : track_folder {
    explicit ground_track(int n) : track_folder(n)
    {
        const float lo = -12, hi = 20;
        auto height = [&](int x, int z) {
            return (float)(8 * std::sin(x / 20.0) * std::cos(z / 25.0) + 0.03 * z);
        };
        std::vector<std::uint16_t> raw((std::size_t)dim * dim);
        for (int z = 0; z < dim; ++z)
            for (int x = 0; x < dim; ++x)
                raw[(std::size_t)z * dim + x] = (std::uint16_t)std::fmin((height(x, z) - lo) / (hi - lo) * 65535 + 0.5f, 65535);
        header((std::to_string(n) + " 1.0 -12 20\n").c_str(), &raw);

        // Vertex colours: half the light of a low sun, as the composer expects them.
        std::string shading = "P6\n" + std::to_string(dim) + " " + std::to_string(dim) + "\n255\n";
        for (int z = 0; z < dim; ++z)
            for (int x = 0; x < dim; ++x) {
                double nx = -(height(x + 1, z) - height(x - 1, z)) / 2, nz = -(height(x, z + 1) - height(x, z - 1)) / 2;
                double len = std::sqrt(nx * nx + 1 + nz * nz);
                double d = (nx * 0.67 + 0.67 + nz * 0.33) / len;
                double light = 0.35 + 0.75 * (d > 0 ? d : 0);
                int v = (int)(light * 127.5);
                v = v > 255 ? 255 : v;
                shading += (char)v;
                shading += (char)v;
                shading += (char)(v * 9 / 10);
            }
        write("shadingx2.ppm", shading);

        static const unsigned char colours[3][3] = {{196, 168, 112}, {72, 132, 52}, {118, 78, 46}};
        std::string tileinfo;
        for (int i = 0; i < 3; ++i) {
            std::string tile = "P6\n16 16\n255\n";
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    for (int k = 0; k < 3; ++k) tile += (char)(colours[i][k] + ((x + y) % 4 == 0 ? 10 : 0));
            std::string name = "tile" + std::to_string(i) + ".ppm";
            write(name.c_str(), tile);
            tileinfo += "texture " + path(name.c_str()) + "\naddtile\n";
        }
        write("tileinfo", tileinfo);

        // Grass, a sand loop around the middle and dirt patches.
        const int leaves = 1 << n;
        std::string map((std::size_t)leaves * leaves, '\1');
        for (int z = 0; z < leaves; ++z)
            for (int x = 0; x < leaves; ++x) {
                double r = std::hypot(x - leaves / 2.0, z - leaves / 2.0) / leaves;
                char tile = r > 0.28 && r < 0.34 ? 0 : ((x / 8) * 7 + (z / 8) * 3) % 11 == 0 ? 2 : 1;
                map[(std::size_t)z * leaves + x] = tile;
            }
        write("tilemap", map);
    }
};
