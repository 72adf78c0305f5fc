// tools/track_paint.h — the look of the ground: the five surface tiles with their variants and
// transitions, the tile map painted from the course, and the pictures laid over the ground or
// around it (decals, sky, track map).
//
// A tile picture covers one tile (2 x 2 cells); the ground composer shows only its middle seven
// eighths, so the picture is made periodic over that middle part and its margins repeat the
// opposite side. Every picture of a surface shares one periodic pattern, so plain tiles, their
// variants and the transitions between surfaces all meet without seams.
//
// Transition "first-second-MASK.png": corner bits 8 (-x -z, top left of the picture), 4 (+x -z),
// 2 (-x +z), 1 (+x +z) show the first surface where set and the second where clear.
#pragma once
#include "tools/track_course.h"
#include <string>
#include <vector>

namespace gen {

constexpr int TILE_PICTURE = 256, TILE_MARGIN = TILE_PICTURE / 16, TILE_INNER = TILE_PICTURE - 2 * TILE_MARGIN;

struct surface_look {
    const char *name;
    color base, dark, light;
    double grain;        // fine speckle
    double blotch_scale; // lattice cells per tile of the mottling
};

inline const surface_look &look_of(int kind)
{
    static const surface_look looks[SURF_COUNT] = {
        {"dirt", rgb(132, 94, 62), rgb(96, 66, 42), rgb(160, 122, 88), 0.10, 3},
        {"hardpack", rgb(156, 134, 110), rgb(128, 108, 88), rgb(178, 160, 136), 0.06, 2},
        {"loam", rgb(92, 64, 44), rgb(62, 42, 28), rgb(118, 86, 60), 0.12, 4},
        {"grass", rgb(78, 118, 50), rgb(52, 86, 34), rgb(112, 146, 66), 0.16, 3},
        {"sand", rgb(204, 180, 134), rgb(176, 150, 108), rgb(224, 206, 166), 0.05, 2},
    };
    return looks[kind];
}

// Position in tile units (0..1 over the shown middle part) of a picture pixel.
inline double tile_unit(int p) { return (p + 0.5 - TILE_MARGIN) / TILE_INNER; }

// The surface's pattern at tile units (u, v), periodic with period 1; variant > 0 adds a
// pattern that fades out towards the tile's edges, so variants differ inside yet meet their
// neighbours as the plain tile does.
inline color surface_texel(int kind, double u, double v, int variant)
{
    const surface_look &lk = look_of(kind);
    const std::uint32_t seed = 1000u + (std::uint32_t)kind * 17u;
    const int per = (int)lk.blotch_scale;
    double blotch = fbm(u * per, v * per, 4, seed, per);
    double fine = fbm(u * 16, v * 16, 3, seed + 5, 16);
    if (variant > 0) {
        double fade = std::sin(PI * (u - std::floor(u))) * std::sin(PI * (v - std::floor(v)));
        blotch += fade * (fbm(u * 5, v * 5, 3, seed + 50u * (std::uint32_t)variant, 5) - 0.5) * 0.6;
    }
    int gx = (int)std::floor((u - std::floor(u)) * TILE_INNER), gy = (int)std::floor((v - std::floor(v)) * TILE_INNER);
    double speckle = lattice(gx, gy, seed + 9) - 0.5;
    // The pattern repeats with every tile, so its coarse part stays faint: a strong one would
    // show the tile grid as a checkerboard across the ground.
    color c = mix(mix(lk.dark, lk.light, 0.5), lk.base, 0.6);
    c = mix(c, blotch < 0.5 ? lk.dark : lk.light, 0.35 * std::fabs(blotch - 0.5) * 2);
    c = shade(c, 1 + 0.30 * (fine - 0.5) + lk.grain * 2 * speckle);
    if (kind == SURF_GRASS) {   // blades: short streaks of light and dark
        double blade = fbm(u * 64, v * 12, 2, seed + 3, 64);
        c = shade(c, 0.9 + 0.2 * blade);
    } else if (kind == SURF_SAND) {   // wind ripples
        double ripple = std::sin(2 * PI * (u * 6 + 0.3 * fbm(u * 2, v * 2, 2, seed + 4, 2)));
        c = shade(c, 1 + 0.04 * ripple);
    } else {   // small stones
        double stone = lattice(gx / 3, gy / 3, seed + 11);
        if (stone > 0.985) c = mix(c, rgb(170, 160, 150), 0.6);
    }
    return c;
}

struct tile_entry {
    std::string name;   // file name in the data folder, e.g. "dirt-grass-0110.png"
    int first, second, mask, variant;   // mask 15 (first only) for plain tiles and variants
};

struct tile_set {
    std::vector<tile_entry> tiles;
    int plain[SURF_COUNT][3];           // tile index of each surface's plain tile and variants
    int transition[SURF_COUNT][SURF_COUNT];   // first index of a transition set, -1 none
};

inline const int (&transition_pairs())[7][2]
{
    static const int pairs[7][2] = {
        {SURF_DIRT, SURF_GRASS}, {SURF_HARDPACK, SURF_GRASS}, {SURF_LOAM, SURF_GRASS}, {SURF_SAND, SURF_GRASS},
        {SURF_DIRT, SURF_HARDPACK}, {SURF_DIRT, SURF_LOAM}, {SURF_DIRT, SURF_SAND},
    };
    return pairs;
}

// Tile table order: the five surfaces (tile number = surface_kind), two variants of each, then
// fourteen transitions (masks 1..14) per pair.
inline tile_set make_tile_set()
{
    tile_set ts;
    for (auto &row : ts.transition) for (int &v : row) v = -1;
    for (int k = 0; k < SURF_COUNT; ++k) {
        ts.plain[k][0] = (int)ts.tiles.size();
        ts.tiles.push_back({std::string(look_of(k).name) + ".png", k, k, 15, 0});
    }
    for (int k = 0; k < SURF_COUNT; ++k)
        for (int a = 1; a <= 2; ++a) {
            ts.plain[k][a] = (int)ts.tiles.size();
            ts.tiles.push_back({std::string(look_of(k).name) + "-alt" + std::to_string(a) + ".png", k, k, 15, a});
        }
    for (const auto &p : transition_pairs()) {
        ts.transition[p[0]][p[1]] = (int)ts.tiles.size();
        for (int m = 1; m <= 14; ++m) {
            char bits[5];
            for (int b = 0; b < 4; ++b) bits[b] = (m >> (3 - b)) & 1 ? '1' : '0';
            bits[4] = 0;
            ts.tiles.push_back({std::string(look_of(p[0]).name) + "-" + look_of(p[1]).name + "-" + bits + ".png", p[0], p[1], m, 0});
        }
    }
    return ts;
}

inline bool write_tile_picture(const std::string &folder, const tile_entry &e)
{
    const int S = TILE_PICTURE;
    std::vector<unsigned char> rgb((std::size_t)S * S * 3);
    const std::uint32_t seed = 4000u + (std::uint32_t)e.first * 31u + (std::uint32_t)e.second * 7u;
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < S; ++x) {
            double u = tile_unit(x), v = tile_unit(y);
            color c;
            if (e.mask == 15) {
                c = surface_texel(e.first, u, v, e.variant);
            } else {
                // Corner weights of the first surface, blended across the tile, with a wavy edge
                // from a pattern that repeats with the tile so neighbours line up.
                double cu = clamp01(u), cv = clamp01(v);
                double w00 = (e.mask >> 3) & 1, w10 = (e.mask >> 2) & 1, w01 = (e.mask >> 1) & 1, w11 = e.mask & 1;
                double w = (w00 * (1 - cu) + w10 * cu) * (1 - cv) + (w01 * (1 - cu) + w11 * cu) * cv;
                double wobble = fbm(u * 4, v * 4, 4, seed, 4) - 0.5;
                double t = smoothstep(0.42, 0.58, w + 0.4 * wobble);
                c = mix(surface_texel(e.second, u, v, 0), surface_texel(e.first, u, v, 0), t);
            }
            std::size_t i = ((std::size_t)y * S + x) * 3;
            rgb[i] = canvas::byte(c.r), rgb[i + 1] = canvas::byte(c.g), rgb[i + 2] = canvas::byte(c.b);
        }
    return write_png_rgb(folder + e.name, S, S, rgb);
}

// Friction, rolling resistance, roost and digging of each surface.
inline std::string tileinfo_text(const tile_set &ts)
{
    struct physics {
        double friction_slow, friction_fast, roll_a, roll_b;
        int r, g, b;
        double dig, erode_depth, erode_radius, displacement;
    };
    static const physics phys[SURF_COUNT] = {
        {1.00, 0.92, 5.0, 15.0, 150, 112, 78, 1.0, 1.0, 4.0, 2.0},    // dirt
        {1.08, 1.00, 3.5, 11.0, 176, 156, 132, 0.6, 0.4, 3.5, 1.0},   // hardpack
        {0.96, 0.88, 6.5, 19.0, 112, 82, 58, 1.4, 1.6, 4.5, 2.5},     // loam
        {0.78, 0.68, 7.0, 20.0, 110, 128, 70, 0.8, 0.5, 4.0, 1.5},    // grass
        {0.82, 0.76, 12.0, 34.0, 214, 194, 150, 1.8, 2.0, 5.0, 3.0},  // sand
    };
    std::string s;
    char line[512];
    for (const tile_entry &e : ts.tiles) {
        // A transition takes the physics of its first surface.
        const physics &p = phys[e.first];
        snprintf(line, sizeof line,
                 "texture @%s\n"
                 "friction %.2f 1\n"
                 "friction %.2f 3600\n"
                 "roll_resist %.1f %.1f 1\n"
                 "roost texture=@roost.png count=%.0f dig=%.2f size=0.25 grow=4 r=%d g=%d b=%d a=255\n"
                 "erode_depth %.2f\n"
                 "erode_radius %.1f\n"
                 "erode_displacement %.1f\n"
                 "addtile\n",
                 e.name.c_str(), p.friction_slow, p.friction_fast, p.roll_a, p.roll_b, 10 * p.dig, p.dig, p.r, p.g, p.b,
                 p.erode_depth, p.erode_radius, p.displacement);
        s += line;
    }
    return s;
}

// One tile per 2 x 2 cells from the surfaces at its four corner vertices: one surface gives a
// plain tile (or one of its variants), two surfaces with a transition set give the transition,
// anything else the most common surface.
inline std::vector<unsigned char> paint_tilemap(const ground &g, const tile_set &ts, std::uint32_t seed)
{
    const int tiles = (g.dim - 1) / 2;
    std::vector<unsigned char> map((std::size_t)tiles * tiles);
    rng r(seed);
    for (int w = 0; w < tiles; ++w)
        for (int u = 0; u < tiles; ++u) {
            auto corner = [&](int du, int dw) { return (int)g.surface[(std::size_t)(2 * (w + dw)) * g.dim + 2 * (u + du)]; };
            const int c[4] = {corner(0, 0), corner(1, 0), corner(0, 1), corner(1, 1)};   // bits 8, 4, 2, 1
            int counts[SURF_COUNT] = {0};
            for (int k : c) ++counts[k];
            int kinds = 0, major = c[0];
            for (int k = 0; k < SURF_COUNT; ++k) {
                if (counts[k]) ++kinds;
                if (counts[k] > counts[major] || (counts[k] == counts[major] && k != SURF_GRASS && major == SURF_GRASS)) major = k;
            }
            int tile = -1;
            if (kinds == 2) {
                int a = -1, b = -1;
                for (int k = 0; k < SURF_COUNT; ++k)
                    if (counts[k]) (a < 0 ? a : b) = k;
                int first = ts.transition[a][b] >= 0 ? a : b, second = first == a ? b : a;
                if (ts.transition[first][second] >= 0) {
                    int mask = 0;
                    for (int i = 0; i < 4; ++i)
                        if (c[i] == first) mask |= 8 >> i;
                    tile = ts.transition[first][second] + mask - 1;
                }
            }
            if (tile < 0) {
                int pick = r.below(10);
                tile = ts.plain[major][pick < 6 ? 0 : pick < 8 ? 1 : 2];
            }
            map[(std::size_t)w * tiles + u] = (unsigned char)tile;
        }
    return map;
}

// ---- pictures of the track folder ----

inline bool write_decal_pictures(const std::string &folder)
{
    // Tyre marks: two dark, broken streaks along the picture's height.
    canvas marks(64, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 64; ++x) {
            double fade = smoothstep(0, 40, y) * (1 - smoothstep(216, 256, y));
            double a = 0;
            for (double cx : {18.0, 46.0}) a = std::max(a, 1 - smoothstep(4, 8, std::fabs(x + 0.5 - cx)));
            a *= fade * (0.45 + 0.35 * fbm(x / 6.0, y / 10.0, 3, 61));
            marks.at(x, y) = {0.16, 0.11, 0.07, a};
        }
    bool ok = write_canvas_rgba(folder + "tyre_marks.png", marks);
    // A damp, darker patch of ground.
    canvas stain(128, 128);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            double d = std::hypot(x - 63.5, y - 63.5) / 64.0 + 0.35 * (fbm(x / 20.0, y / 20.0, 4, 62) - 0.5);
            stain.at(x, y) = {0.18, 0.13, 0.09, 0.55 * (1 - smoothstep(0.55, 0.95, d))};
        }
    return write_canvas_rgba(folder + "stain.png", stain) && ok;
}

// The direction (not normalised) from the middle of the sky box through the point (u, v) of a
// face's picture (0..1 from its top left): faces north, east, south, west and up, as the scene
// lays them out. The scene shows each picture inset by 1/128 on every side (so the clamped
// edge texels never blend in), and that inset is where the box's edges fall.
inline void sky_direction(int face, double u, double v, double d[3])
{
    const double a = (2 * u - 1) * 64 / 63, b = (1 - 2 * v) * 64 / 63;
    switch (face) {
    case 0: d[0] = a, d[1] = b, d[2] = -1; break;
    case 1: d[0] = 1, d[1] = b, d[2] = a; break;
    case 2: d[0] = -a, d[1] = b, d[2] = 1; break;
    case 3: d[0] = -1, d[1] = b, d[2] = -a; break;
    default: d[0] = a, d[1] = 1, d[2] = b; break;
    }
}

// The sun seen in the sky at direction d: a white disc (every channel above 223, which the
// flares look for) in a warm glow. sun is a unit vector.
inline color sky_with_sun(const color &sky, const double d[3], const double sun[3])
{
    const double l = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    const double c = (d[0] * sun[0] + d[1] * sun[1] + d[2] * sun[2]) / l;
    const double degrees = std::acos(std::max(-1.0, std::min(1.0, c))) * 180 / PI;
    color out = mix(sky, rgb(255, 246, 222), 0.75 * std::exp(-degrees / 5.0));
    return mix(out, rgb(255, 253, 244), 1 - smoothstep(1.6, 2.1, degrees));
}

// The sky at direction d (any length): a gradient from the haze at the horizon (the fog's
// colour, so distant ground fades into it) to deep blue overhead, with soft clouds on a flat
// layer high above. Every face reads the same function of the direction alone, so clouds and
// colours run on across the box's edges. The layer is seen through a lifted elevation so its
// far part stays a few noise cells deep instead of crowding into grain at the horizon, where
// the clouds thin out into the haze.
inline color sky_colour(const double d[3], std::uint32_t seed)
{
    const color top = rgb(52, 102, 184), horizon = rgb(189, 209, 230), cloud = rgb(250, 250, 252),
                shadow = rgb(196, 204, 218);
    const double l = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    const double e = d[1] / l;   // sine of the elevation
    color sky = mix(horizon, top, smoothstep(-0.02, 0.75, e));
    if (e <= 0) return sky;
    const double lift = 1 / (e + 0.18);
    const double x = d[0] / l * lift * 1.6, z = d[2] / l * lift * 1.6;
    const double c = fbm(x + 40, z + 40, 6, seed);
    const double body = smoothstep(0.48, 0.72, c) * smoothstep(0.0, 0.22, e);
    // Thicker parts are darker underneath: a second, offset look at the same layer.
    const double thick = smoothstep(0.6, 0.85, fbm(x + 40.3, z + 40.2, 4, seed));
    return mix(sky, mix(cloud, shadow, 0.6 * thick), 0.9 * body);
}

// Five sky faces and the environment picture, each texel coloured by its direction from the
// middle of the box; the sun (a unit vector towards it) shines through.
inline bool write_sky(const std::string &folder, std::uint32_t seed, const double sun[3])
{
    const int S = 256;
    const char *faces[5] = {"sky_n.png", "sky_e.png", "sky_s.png", "sky_w.png", "sky_u.png"};
    bool ok = true;
    for (int f = 0; f < 5; ++f) {
        canvas cv(S, S);
        for (int y = 0; y < S; ++y)
            for (int x = 0; x < S; ++x) {
                double d[3];
                sky_direction(f, (x + 0.5) / S, (y + 0.5) / S, d);
                cv.at(x, y) = sky_with_sun(sky_colour(d, seed), d, sun);
            }
        ok = write_canvas_rgb(folder + faces[f], cv) && ok;
    }
    const color top = rgb(52, 102, 184), horizon = rgb(189, 209, 230);
    canvas env(128, 128);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            double r = std::hypot(x - 63.5, y - 63.5) / 64.0;
            env.at(x, y) = r < 0.7 ? mix(top, horizon, r / 0.7) : mix(horizon, rgb(110, 96, 70), smoothstep(0.7, 1.0, r));
        }
    return write_canvas_rgb(folder + "sky_env.png", env) && ok;
}

// The sun's lens flare elements, drawn added onto the frame (black adds nothing): a soft glow,
// a thin ring and a hexagon as an iris leaves it.
inline bool write_flare_pictures(const std::string &folder)
{
    const int S = 64;
    const double m = S / 2.0;
    canvas glow(S, S, rgb(0, 0, 0)), ring(S, S, rgb(0, 0, 0)), hex(S, S, rgb(0, 0, 0));
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < S; ++x) {
            const double dx = (x + 0.5 - m) / m, dy = (y + 0.5 - m) / m, r = std::hypot(dx, dy);
            const double g = std::pow(clamp01(1 - r), 2.2);
            glow.at(x, y) = {g, g, g, 1};
            const double k = std::exp(-std::pow((r - 0.8) / 0.06, 2)) * 0.9 + 0.12 * clamp01(1 - r);
            ring.at(x, y) = {k, k, k, 1};
            // A hexagon's distance: the largest projection onto its six edge normals.
            double e = 0;
            for (int i = 0; i < 6; ++i) e = std::max(e, dx * std::cos(i * PI / 3) + dy * std::sin(i * PI / 3));
            const double h = (1 - smoothstep(0.78, 0.86, e)) * (0.55 + 0.45 * e);
            hex.at(x, y) = {h, h, h, 1};
        }
    return write_canvas_rgb(folder + "flare_glow.png", glow) && write_canvas_rgb(folder + "flare_ring.png", ring) &&
           write_canvas_rgb(folder + "flare_hex.png", hex);
}

// The lighting lines of the sun's flare for a track folder: elements strung along the line
// from the sun (along 1) through the middle of the view to the far side.
inline std::string flare_text(const std::string &folder_name, const double sun[3])
{
    struct element { double across, along, r, g, b, size; const char *picture; };
    static const element elements[] = {
        {0, 1.0, 1.0, 0.95, 0.8, 0.35, "flare_glow.png"},   {0, 0.55, 0.5, 0.6, 0.9, 0.06, "flare_hex.png"},
        {0, 0.3, 0.35, 0.8, 0.45, 0.04, "flare_hex.png"},   {0, -0.2, 0.5, 0.4, 0.8, 0.1, "flare_ring.png"},
        {0, -0.45, 0.8, 0.55, 0.3, 0.07, "flare_hex.png"},  {0, -0.8, 0.4, 0.7, 0.9, 0.16, "flare_ring.png"},
        {0.02, -1.1, 0.6, 0.5, 0.35, 0.09, "flare_glow.png"},
    };
    std::string s;
    char line[512];
    for (const element &e : elements) {
        snprintf(line, sizeof line, "flare_element [ %g %g ] [ %g %g %g ] %g @%s/%s\n", e.across, e.along, e.r, e.g, e.b,
                 e.size, folder_name.c_str(), e.picture);
        s += line;
    }
    snprintf(line, sizeof line, "flare_vector [ %.6f %.6f %.6f ]\n", sun[0], sun[1], sun[2]);
    return s + line;
}

// The track map: the course in white with a dark edge on a clear background, the start gate in
// red; picture column = x, row = z, over the whole world.
inline bool write_map(const std::string &folder, const course &c, double world)
{
    const int S = 256;
    const double k = S / world;
    canvas cv(S, S);
    for (int pass = 0; pass < 2; ++pass) {
        double width = pass ? 3.5 : 7.0;
        color col = pass ? rgb(250, 250, 250) : rgb(20, 20, 20, 0.8);
        for (const std::vector<course_sample> *path : {&c.loop, &c.spur})
            for (std::size_t i = 0; i + 4 < path->size() + (path == &c.loop ? 4 : 0); i += 4) {
                const course_sample &a = (*path)[i], &b = (*path)[(i + 4) % path->size()];
                cv.line(a.x * k, a.z * k, b.x * k, b.z * k, width, col);
            }
    }
    const course_sample &start = c.spur.empty() ? c.loop_at(c.spec->finish_s + 40) : c.spur.front();
    cv.disc(start.x * k, start.z * k, 4, rgb(220, 30, 30));
    return write_canvas_rgba(folder + "map.png", cv);
}

}   // namespace gen
