// What the generated tracks give the scene beyond the ground: the sun as a lens-flare source
// with its elements, drawn into the sky bright enough for the flare's colour test; one cut-out
// statue; the statues' shadows in the ground's light; and the practice track's low sun ahead of
// the start line.
#include "tools/track_paint.h"
#include "tools/track_plans.h"
#include "data/mem.h"
#include "graphics/png.h"
#include "fixtures/fixtures.h"
#include <gtest/gtest.h>
#include <cmath>
#include <cstdio>
#include <array>
#include <sstream>
#include <vector>
#include <string>

namespace {

const char *const folders[] = {"ridgeback", "ridgeback-practice"};

TEST(SunContent, FlareSourceAndSunInTheSky)
{
    for (const char *folder : folders) {
        SCOPED_TRACE(folder);
        const std::string dir = fixture_game_dir() + folder + "/";
        std::istringstream lighting(fixture_read_file(dir + "lighting"));
        int elements = 0, sources = 0;
        double sun[3] = {0, 0, 0};
        for (std::string line; std::getline(lighting, line);) {
            char name[1024];
            float f[6];
            if (sscanf(line.c_str(), "flare_element [ %f %f ] [ %f %f %f ] %f %1023s", &f[0], &f[1], &f[2], &f[3], &f[4],
                       &f[5], name) == 7) {
                ++elements;
                ASSERT_EQ(name[0], '@');
                EXPECT_TRUE(fixture_file_exists(fixture_game_dir() + (name + 1))) << name;
            } else if (sscanf(line.c_str(), "flare_vector [ %f %f %f ]", &f[0], &f[1], &f[2]) == 3) {
                ++sources;
                for (int k = 0; k < 3; ++k) sun[k] = f[k];
            }
        }
        EXPECT_EQ(sources, 1);
        EXPECT_GE(elements, 3);
        EXPECT_LE(elements, 8);   // more would be dropped by the loader
        EXPECT_NEAR(std::sqrt(sun[0] * sun[0] + sun[1] * sun[1] + sun[2] * sun[2]), 1.0, 1e-3);

        // The sky pixel nearest the sun's direction is white enough for the flare to read it.
        const char *faces[5] = {"sky_n.png", "sky_e.png", "sky_s.png", "sky_w.png", "sky_u.png"};
        double best = -2;
        int best_min = 0;
        for (int f = 0; f < 5; ++f) {
            unsigned char *px = nullptr;
            int w = 0, h = 0, channels = 0;
            ASSERT_EQ(image_read_png((dir + faces[f]).c_str(), &px, &w, &h, &channels, nullptr), 1);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    double d[3];
                    gen::sky_direction(f, (x + 0.5) / w, (y + 0.5) / h, d);
                    const double c = (d[0] * sun[0] + d[1] * sun[1] + d[2] * sun[2]) /
                                     std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
                    if (c <= best) continue;
                    best = c;
                    const unsigned char *p = px + ((std::size_t)y * w + x) * channels;
                    best_min = std::min(p[0], std::min(p[1], p[2]));
                }
            mem_free(px);
        }
        EXPECT_GT(best, 0.999);
        EXPECT_GT(best_min, 223);
    }
}

// Where a direction falls on a face's picture (0..1 from its top left), from the face's own
// mapping; false when it points away from the face.
bool face_point(int face, const double d[3], double *u, double *v)
{
    double n[3], du[3], dv[3];
    gen::sky_direction(face, 0.5, 0.5, n);
    gen::sky_direction(face, 1, 0.5, du);
    gen::sky_direction(face, 0.5, 1, dv);
    double dn = 0, pu = 0, pv = 0, uu = 0, vv = 0;
    for (int k = 0; k < 3; ++k) du[k] -= n[k], dv[k] -= n[k], dn += d[k] * n[k];
    if (dn <= 0) return false;
    for (int k = 0; k < 3; ++k) pu += d[k] / dn * du[k], pv += d[k] / dn * dv[k], uu += du[k] * du[k], vv += dv[k] * dv[k];
    *u = 0.5 + 0.5 * pu / uu, *v = 0.5 + 0.5 * pv / vv;
    return *u > -0.01 && *u < 1.01 && *v > -0.01 && *v < 1.01;
}

// The sky box shows no seams: along every edge where two faces meet, the texels on either side
// (just inside the part of each picture the scene shows) have nearly the same colour.
TEST(SunContent, SkyFacesMeetWithoutSeams)
{
    const char *names[5] = {"sky_n.png", "sky_e.png", "sky_s.png", "sky_w.png", "sky_u.png"};
    for (const char *folder : folders) {
        SCOPED_TRACE(folder);
        const std::string dir = fixture_game_dir() + folder + "/";
        unsigned char *px[5] = {};
        int w = 0, h = 0, channels = 0;
        for (int f = 0; f < 5; ++f) {
            ASSERT_EQ(image_read_png((dir + names[f]).c_str(), &px[f], &w, &h, &channels, nullptr), 1);
            ASSERT_EQ(w, h);
            ASSERT_GE(channels, 3);
        }
        const int in = w / 128;   // the scene insets each picture by 1/128
        int edges = 0;
        for (int f = 0; f < 5; ++f)
            for (int side = 0; side < 4; ++side) {
                double sum = 0, worst = 0;
                int count = 0;
                for (int i = in; i < w - in; ++i) {
                    const int x = side == 0 ? in : side == 1 ? w - 1 - in : i;
                    const int y = side == 2 ? in : side == 3 ? w - 1 - in : i;
                    double d[3], best = -2;
                    gen::sky_direction(f, (x + 0.5) / w, (y + 0.5) / w, d);
                    int g = -1;
                    for (int o = 0; o < 5; ++o) {
                        double n[3];
                        gen::sky_direction(o, 0.5, 0.5, n);
                        const double c = d[0] * n[0] + d[1] * n[1] + d[2] * n[2];
                        if (o != f && c > best) best = c, g = o;
                    }
                    double u, v;
                    if (!face_point(g, d, &u, &v)) continue;   // the side faces' bottoms meet no face
                    const int gx = std::min(w - 1, std::max(0, (int)(u * w))), gy = std::min(w - 1, std::max(0, (int)(v * w)));
                    const unsigned char *a = px[f] + ((std::size_t)y * w + x) * channels;
                    const unsigned char *b = px[g] + ((std::size_t)gy * w + gx) * channels;
                    for (int k = 0; k < 3; ++k) {
                        const double diff = std::abs(a[k] - b[k]);
                        sum += diff, worst = std::max(worst, diff);
                    }
                    ++count;
                }
                if (count < w / 2) continue;
                ++edges;
                EXPECT_LT(sum / (3 * count), 4) << names[f] << " side " << side;
                EXPECT_LT(worst, 40) << names[f] << " side " << side;
            }
        EXPECT_EQ(edges, 16);   // four round the horizon, four up each to the top, both ways
        for (unsigned char *p : px) mem_free(p);
    }
}

TEST(SunContent, PracticeSunLowAheadOfTheStart)
{
    std::istringstream lighting(fixture_read_file(fixture_game_dir() + "ridgeback-practice/lighting"));
    float sun[3] = {0, 0, 0};
    for (std::string line; std::getline(lighting, line);)
        sscanf(line.c_str(), "sun_vector [ %f %f %f ]", &sun[0], &sun[1], &sun[2]);
    // Riders on the start line face -(sin a, cos a) for the angle a of their start position.
    std::istringstream gates(fixture_read_file(fixture_game_dir() + "ridgeback-practice/timing_gates"));
    std::string line;
    std::getline(gates, line);
    ASSERT_EQ(line, "startinggate:");
    std::getline(gates, line);
    float x, y, z, a;
    ASSERT_EQ(sscanf(line.c_str(), "[ %f %f %f ] %f", &x, &y, &z, &a), 4);
    const float facing[2] = {-std::sin(a), -std::cos(a)};
    const float level = std::hypot(sun[0], sun[2]);
    EXPECT_GT((sun[0] * facing[0] + sun[2] * facing[1]) / level, 0.99f);
    const float elevation = std::atan2(sun[1], level) * 180 / 3.14159265f;
    EXPECT_GT(elevation, 5);
    EXPECT_LT(elevation, 30);
}

TEST(SunContent, CutOutAndStatueShadows)
{
    for (const char *folder : folders) {
        SCOPED_TRACE(folder);
        const std::string dir = fixture_game_dir() + folder + "/";
        std::istringstream statues(fixture_read_file(dir + "statues"));
        int cutouts = 0;
        std::vector<std::array<float, 2>> blocks;
        for (std::string line; std::getline(statues, line);) {
            float x, y, z, angle;
            char model[512];
            if (sscanf(line.c_str(), "[ %f %f %f ] %f %511s", &x, &y, &z, &angle, model) != 5) continue;
            if (angle >= 3.25f) ++cutouts;
            if (std::string(model).find("banner.km") != std::string::npos) blocks.push_back({x, z});
        }
        EXPECT_EQ(cutouts, 1);
        ASSERT_FALSE(blocks.empty());

        // Every banner shades the ground: the middle of its sheet, 2.5 ft up, carried down the
        // sun's ray, falls on a vertex in shadow.
        std::istringstream lighting(fixture_read_file(dir + "lighting"));
        float sun[3] = {0, 1, 0};
        for (std::string line; std::getline(lighting, line);)
            sscanf(line.c_str(), "sun_vector [ %f %f %f ]", &sun[0], &sun[1], &sun[2]);
        const float length = std::sqrt(sun[0] * sun[0] + sun[1] * sun[1] + sun[2] * sun[2]);
        for (float &c : sun) c /= length;
        const gen::track_plan plan = std::string(folder) == "ridgeback" ? gen::main_track() : gen::practice_track();
        const std::string pgm = fixture_read_file(dir + "shadows.pgm");
        int w = 0, h = 0, max = 0, n = 0;
        ASSERT_EQ(sscanf(pgm.c_str(), "P5 %d %d %d%n", &w, &h, &max, &n), 3);
        const unsigned char *lit = (const unsigned char *)pgm.data() + n + 1;
        for (const auto &b : blocks) {
            const float sx = b[0] - sun[0] * 2.5f / sun[1], sz = b[1] - sun[2] * 2.5f / sun[1];
            const int ix = (int)std::lround(sx / plan.cell), iz = (int)std::lround(sz / plan.cell);
            ASSERT_TRUE(ix >= 0 && iz >= 0 && ix < w && iz < h);
            EXPECT_LE(lit[(std::size_t)iz * w + ix], 110) << b[0] << " " << b[1];
        }
    }
}

}   // namespace
