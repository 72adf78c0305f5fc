// tools/gen_common.h — what the content generators share: a seeded random source, smooth noise,
// a floating-point RGBA canvas with anti-aliased shapes and FreeType text, and the writers of the
// files they make. Every file is written under a temporary name and renamed into place, so a
// generator stopped half way never leaves a truncated file behind.
//
// Everything here is deterministic: the same seed gives the same bytes on every machine we
// build on (no time, no addresses, no unordered containers).
#pragma once
#include "graphics/png.h"
#include <ft2build.h>
#include FT_FREETYPE_H
#include <png.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace gen {

constexpr double PI = 3.14159265358979323846;

// The start gates turn about a hinge this high above the ground at the gate's place: the start
// lines give it as their height, and the gate's model and shape are made round it.
constexpr double START_GATE_HINGE_FT = 2.0;

// ---- random numbers and noise ----

struct rng {
    std::uint64_t state;
    explicit rng(std::uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 0x1234567ull) {}
    std::uint64_t next()
    {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    double uniform() { return (double)(next() >> 11) * (1.0 / 9007199254740992.0); }
    double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }
    int below(int n) { return n > 0 ? (int)(next() % (std::uint64_t)n) : 0; }
};

inline std::uint32_t hash3(int x, int y, std::uint32_t seed)
{
    std::uint32_t h = seed * 0x27D4EB2Du ^ (std::uint32_t)x * 0x85EBCA6Bu ^ (std::uint32_t)y * 0xC2B2AE35u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return h;
}

inline double lattice(int x, int y, std::uint32_t seed) { return hash3(x, y, seed) * (1.0 / 4294967295.0); }

inline double smooth(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }

// Value noise in 0..1. With a period above 0 the lattice wraps, so the noise tiles with that
// period (in lattice units).
inline double value_noise(double x, double y, std::uint32_t seed, int period = 0)
{
    double fx = std::floor(x), fy = std::floor(y);
    int x0 = (int)fx, y0 = (int)fy, x1 = x0 + 1, y1 = y0 + 1;
    if (period > 0) {
        auto wrap = [period](int v) { return ((v % period) + period) % period; };
        x0 = wrap(x0), x1 = wrap(x1), y0 = wrap(y0), y1 = wrap(y1);
    }
    double tx = smooth(x - fx), ty = smooth(y - fy);
    double a = lattice(x0, y0, seed), b = lattice(x1, y0, seed);
    double c = lattice(x0, y1, seed), d = lattice(x1, y1, seed);
    return (a + (b - a) * tx) * (1 - ty) + (c + (d - c) * tx) * ty;
}

// Fractal sum of octaves, about 0..1. A period keeps every octave tiling (each doubles it).
inline double fbm(double x, double y, int octaves, std::uint32_t seed, int period = 0, double gain = 0.5)
{
    double sum = 0, amp = 1, norm = 0;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * value_noise(x, y, seed + (std::uint32_t)o * 101u, period);
        norm += amp;
        amp *= gain;
        x *= 2, y *= 2;
        if (period > 0) period *= 2;
    }
    return sum / norm;
}

inline double clamp01(double v) { return v < 0 ? 0 : v > 1 ? 1 : v; }
inline double smoothstep(double a, double b, double v) { double t = clamp01((v - a) / (b - a)); return t * t * (3 - 2 * t); }
inline double mix(double a, double b, double t) { return a + (b - a) * t; }

// ---- canvas ----

struct color { double r, g, b, a; };

inline color rgb(int r, int g, int b, double a = 1) { return {r / 255.0, g / 255.0, b / 255.0, a}; }
inline color mix(const color &p, const color &q, double t)
{
    return {mix(p.r, q.r, t), mix(p.g, q.g, t), mix(p.b, q.b, t), mix(p.a, q.a, t)};
}
inline color shade(const color &c, double f) { return {c.r * f, c.g * f, c.b * f, c.a}; }

// Straight (not premultiplied) RGBA in 0..1, rows top to bottom.
struct canvas {
    int width, height;
    std::vector<color> px;
    canvas(int w, int h, color fill = {0, 0, 0, 0}) : width(w), height(h), px((std::size_t)w * h, fill) {}
    color &at(int x, int y) { return px[(std::size_t)y * width + x]; }
    const color &at(int x, int y) const { return px[(std::size_t)y * width + x]; }

    // Source-over with coverage: alpha of the painted colour times coverage.
    void blend(int x, int y, const color &c, double coverage)
    {
        if (x < 0 || y < 0 || x >= width || y >= height) return;
        double a = c.a * clamp01(coverage);
        if (a <= 0) return;
        color &d = at(x, y);
        double out = a + d.a * (1 - a);
        if (out <= 0) return;
        d.r = (c.r * a + d.r * d.a * (1 - a)) / out;
        d.g = (c.g * a + d.g * d.a * (1 - a)) / out;
        d.b = (c.b * a + d.b * d.a * (1 - a)) / out;
        d.a = out;
    }

    // Paints every pixel in the box through a signed distance (negative inside, in pixels);
    // the edge is smoothed over one pixel.
    template <class Dist, class Paint>
    void fill(double x0, double y0, double x1, double y1, Dist dist, Paint paint)
    {
        int ax = std::max(0, (int)std::floor(x0) - 1), ay = std::max(0, (int)std::floor(y0) - 1);
        int bx = std::min(width - 1, (int)std::ceil(x1) + 1), by = std::min(height - 1, (int)std::ceil(y1) + 1);
        for (int y = ay; y <= by; ++y)
            for (int x = ax; x <= bx; ++x) {
                double px_ = x + 0.5, py_ = y + 0.5;
                double d = dist(px_, py_);
                double cover = clamp01(0.5 - d);
                if (cover > 0) blend(x, y, paint(px_, py_), cover);
            }
    }
    void disc(double cx, double cy, double r, const color &c)
    {
        fill(cx - r, cy - r, cx + r, cy + r,
             [&](double x, double y) { return std::hypot(x - cx, y - cy) - r; },
             [&](double, double) { return c; });
    }
    void ring(double cx, double cy, double r, double thickness, const color &c)
    {
        fill(cx - r - thickness, cy - r - thickness, cx + r + thickness, cy + r + thickness,
             [&](double x, double y) { return std::fabs(std::hypot(x - cx, y - cy) - r) - thickness / 2; },
             [&](double, double) { return c; });
    }
    // A line from (ax, ay) to (bx, by) with round ends.
    void line(double ax, double ay, double bx, double by, double thickness, const color &c)
    {
        double r = thickness / 2;
        fill(std::min(ax, bx) - r, std::min(ay, by) - r, std::max(ax, bx) + r, std::max(ay, by) + r,
             [&](double x, double y) { return segment_distance(x, y, ax, ay, bx, by) - r; },
             [&](double, double) { return c; });
    }
    void rect(double x0, double y0, double x1, double y1, const color &c)
    {
        fill(x0, y0, x1, y1,
             [&](double x, double y) { return std::max(std::max(x0 - x, x - x1), std::max(y0 - y, y - y1)); },
             [&](double, double) { return c; });
    }
    // A filled polygon (any winding, even-odd rule).
    void polygon(const std::vector<double> &xy, const color &c)
    {
        double x0 = 1e30, y0 = 1e30, x1 = -1e30, y1 = -1e30;
        for (std::size_t i = 0; i + 1 < xy.size(); i += 2) {
            x0 = std::min(x0, xy[i]), x1 = std::max(x1, xy[i]);
            y0 = std::min(y0, xy[i + 1]), y1 = std::max(y1, xy[i + 1]);
        }
        fill(x0, y0, x1, y1, [&](double x, double y) { return polygon_distance(xy, x, y); },
             [&](double, double) { return c; });
    }

    static double segment_distance(double x, double y, double ax, double ay, double bx, double by)
    {
        double dx = bx - ax, dy = by - ay, l2 = dx * dx + dy * dy;
        double t = l2 > 0 ? clamp01(((x - ax) * dx + (y - ay) * dy) / l2) : 0;
        return std::hypot(x - (ax + t * dx), y - (ay + t * dy));
    }
    static double polygon_distance(const std::vector<double> &xy, double x, double y)
    {
        std::size_t n = xy.size() / 2;
        double best = 1e30;
        bool inside = false;
        for (std::size_t i = 0, j = n - 1; i < n; j = i++) {
            double xi = xy[2 * i], yi = xy[2 * i + 1], xj = xy[2 * j], yj = xy[2 * j + 1];
            best = std::min(best, segment_distance(x, y, xi, yi, xj, yj));
            if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
        }
        return inside ? -best : best;
    }

    std::vector<unsigned char> rgba_bytes() const
    {
        std::vector<unsigned char> out(px.size() * 4);
        for (std::size_t i = 0; i < px.size(); ++i) {
            const color &c = px[i];
            out[4 * i] = byte(c.r), out[4 * i + 1] = byte(c.g), out[4 * i + 2] = byte(c.b), out[4 * i + 3] = byte(c.a);
        }
        return out;
    }
    // Opaque bytes: the colour over black where it is not fully opaque.
    std::vector<unsigned char> rgb_bytes() const
    {
        std::vector<unsigned char> out(px.size() * 3);
        for (std::size_t i = 0; i < px.size(); ++i) {
            const color &c = px[i];
            out[3 * i] = byte(c.r * c.a), out[3 * i + 1] = byte(c.g * c.a), out[3 * i + 2] = byte(c.b * c.a);
        }
        return out;
    }
    static unsigned char byte(double v) { return (unsigned char)std::lround(clamp01(v) * 255.0); }
};

// ---- text through FreeType ----

// One face of DejaVu Sans for a generator's lifetime. Missing fonts are reported once and text
// is then left out rather than failing the whole content build.
struct text_face {
    FT_Library lib = nullptr;
    FT_Face face = nullptr;
    explicit text_face(const char *file)
    {
        std::string path = std::string("/usr/share/fonts/truetype/dejavu/") + file;
        if (FT_Init_FreeType(&lib) || FT_New_Face(lib, path.c_str(), 0, &face)) {
            fprintf(stderr, "generator: can't open '%s' (install fonts-dejavu-core)\n", path.c_str());
            face = nullptr;
        }
    }
    ~text_face()
    {
        if (face) FT_Done_Face(face);
        if (lib) FT_Done_FreeType(lib);
    }
    text_face(const text_face &) = delete;
    text_face &operator=(const text_face &) = delete;

    double width(const char *text, int pixels)
    {
        if (!face || FT_Set_Pixel_Sizes(face, 0, pixels)) return 0;
        double w = 0;
        for (const char *c = text; *c; ++c)
            if (!FT_Load_Char(face, (unsigned char)*c, FT_LOAD_DEFAULT)) w += face->glyph->advance.x / 64.0;
        return w;
    }
    // Draws text with its baseline starting at (x, y); returns the advance.
    double draw(canvas &cv, const char *text, int pixels, double x, double y, const color &c)
    {
        if (!face || FT_Set_Pixel_Sizes(face, 0, pixels)) return 0;
        double pen = x;
        for (const char *ch = text; *ch; ++ch) {
            if (FT_Load_Char(face, (unsigned char)*ch, FT_LOAD_RENDER)) continue;
            FT_GlyphSlot g = face->glyph;
            int left = (int)std::lround(pen) + g->bitmap_left, top = (int)std::lround(y) - g->bitmap_top;
            for (unsigned r = 0; r < g->bitmap.rows; ++r)
                for (unsigned col = 0; col < g->bitmap.width; ++col) {
                    unsigned char a = g->bitmap.buffer[r * g->bitmap.pitch + col];
                    if (a) cv.blend(left + (int)col, top + (int)r, c, a / 255.0);
                }
            pen += g->advance.x / 64.0;
        }
        return pen - x;
    }
    void draw_centred(canvas &cv, const char *text, int pixels, double cx, double y, const color &c)
    {
        draw(cv, text, pixels, cx - width(text, pixels) / 2, y, c);
    }
};

// ---- files ----

inline void make_folder(const std::string &path) { mkdir(path.c_str(), 0777); }

// Renames a finished temporary file into place; removes it and reports when anything failed.
inline bool finish_file(const std::string &temp, const std::string &path, bool ok)
{
    if (ok && rename(temp.c_str(), path.c_str()) == 0) return true;
    fprintf(stderr, "generator: writing '%s' failed\n", path.c_str());
    remove(temp.c_str());
    return false;
}

inline bool write_bytes(const std::string &path, const void *bytes, std::size_t count)
{
    std::string temp = path + ".tmp";
    FILE *f = fopen(temp.c_str(), "wb");
    if (!f) return finish_file(temp, path, false);
    bool ok = fwrite(bytes, 1, count, f) == count;
    ok = (fclose(f) == 0) && ok;
    return finish_file(temp, path, ok);
}

inline bool write_text(const std::string &path, const std::string &text)
{
    return write_bytes(path, text.data(), text.size());
}

// Binary PPM ("P6") of RGB rows top to bottom.
inline bool write_ppm(const std::string &path, int w, int h, const std::vector<unsigned char> &rgb)
{
    std::string bytes = "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    bytes.append((const char *)rgb.data(), rgb.size());
    return write_bytes(path, bytes.data(), bytes.size());
}

// Binary PGM ("P5") of grey rows top to bottom.
inline bool write_pgm(const std::string &path, int w, int h, const std::vector<unsigned char> &grey)
{
    std::string bytes = "P5\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n";
    bytes.append((const char *)grey.data(), grey.size());
    return write_bytes(path, bytes.data(), bytes.size());
}

// Opaque pictures go through the game's own PNG writer, which takes rows bottom to top.
inline bool write_png_rgb(const std::string &path, int w, int h, const std::vector<unsigned char> &rgb)
{
    std::vector<unsigned char> flipped(rgb.size());
    const std::size_t row = (std::size_t)w * 3;
    for (int y = 0; y < h; ++y) memcpy(&flipped[(std::size_t)(h - 1 - y) * row], &rgb[(std::size_t)y * row], row);
    std::string temp = path + ".tmp";
    return finish_file(temp, path, image_write_png_rgb(temp.c_str(), flipped.data(), w, h) == 1);
}

// Pictures with transparency: RGBA PNG through libpng (the game writes no RGBA PNG itself).
inline bool write_png_rgba(const std::string &path, int w, int h, const std::vector<unsigned char> &rgba)
{
    std::string temp = path + ".tmp";
    FILE *f = fopen(temp.c_str(), "wb");
    if (!f) return finish_file(temp, path, false);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<png_bytep> rows((std::size_t)h);
    for (int y = 0; y < h; ++y) rows[(std::size_t)y] = (png_bytep)&rgba[(std::size_t)y * w * 4];
    png_bytepp table = rows.data();
    volatile bool ok = false;   // read after a longjmp
    if (png && info && !setjmp(png_jmpbuf(png))) {
        png_init_io(png, f);
        png_set_IHDR(png, info, (png_uint_32)w, (png_uint_32)h, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        png_write_image(png, table);
        png_write_end(png, info);
        ok = true;
    }
    png_destroy_write_struct(&png, &info);
    bool closed = fclose(f) == 0;
    return finish_file(temp, path, ok && closed);
}

inline bool write_canvas_rgba(const std::string &path, const canvas &cv)
{
    return write_png_rgba(path, cv.width, cv.height, cv.rgba_bytes());
}
inline bool write_canvas_rgb(const std::string &path, const canvas &cv)
{
    return write_png_rgb(path, cv.width, cv.height, cv.rgb_bytes());
}

// ---- ".km" models and ".shp" shapes ----

struct km_vertex { float x, y, z, nx, ny, nz, u, v; };

// One mesh of a model: a material and its triangles. Texture v runs up the picture in the file
// (the loader flips it): v = 1 is the picture's top row.
struct km_mesh {
    float shininess = 16, alpha = 1, r = 1, g = 1, b = 1;
    std::vector<km_vertex> vertices;
    std::vector<int> triangles;
    std::vector<float> weights;   // skinned models: one weight per bone for every vertex, in order

    int vertex(float x, float y, float z, float nx, float ny, float nz, float u, float v)
    {
        vertices.push_back({x, y, z, nx, ny, nz, u, v});
        return (int)vertices.size() - 1;
    }
    // A flat quad a-b-c-d (counter-clockwise seen from the front, a-b its bottom edge) with its
    // own normal and the picture rectangle u0..u1, v0..v1 (a at u0 v0, c at u1 v1).
    void quad(const float *a, const float *b, const float *c, const float *d, float u0, float v0, float u1, float v1)
    {
        float e1[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, e2[3] = {d[0] - a[0], d[1] - a[1], d[2] - a[2]};
        float n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
        float l = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        for (float &k : n) k /= l > 0 ? l : 1;
        int i0 = vertex(a[0], a[1], a[2], n[0], n[1], n[2], u0, v0);
        int i1 = vertex(b[0], b[1], b[2], n[0], n[1], n[2], u1, v0);
        int i2 = vertex(c[0], c[1], c[2], n[0], n[1], n[2], u1, v1);
        int i3 = vertex(d[0], d[1], d[2], n[0], n[1], n[2], u0, v1);
        triangles.insert(triangles.end(), {i0, i1, i2, i0, i2, i3});
    }
    // An axis-aligned box from (x0, y0, z0) to (x1, y1, z1); every face shows the whole rectangle
    // u0..u1, v0..v1 of the picture. The bottom face is left out when open_bottom is set.
    void box(float x0, float y0, float z0, float x1, float y1, float z1, float u0, float v0, float u1, float v1,
             bool open_bottom = true)
    {
        const float p[8][3] = {{x0, y0, z0}, {x1, y0, z0}, {x1, y1, z0}, {x0, y1, z0},
                               {x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}};
        quad(p[4], p[5], p[6], p[7], u0, v0, u1, v1);   // +z
        quad(p[1], p[0], p[3], p[2], u0, v0, u1, v1);   // -z
        quad(p[5], p[1], p[2], p[6], u0, v0, u1, v1);   // +x
        quad(p[0], p[4], p[7], p[3], u0, v0, u1, v1);   // -x
        quad(p[7], p[6], p[2], p[3], u0, v0, u1, v1);   // top
        if (!open_bottom) quad(p[0], p[1], p[5], p[4], u0, v0, u1, v1);
    }
    // A cylinder along x from x0 to x1 with radius r whose axis is at height cy, z = 0: the side
    // maps u round the cylinder and v along it, the ends take the rectangle eu0..eu1, ev0..ev1.
    void cylinder_x(float x0, float x1, float r, float cy, int sides, float u0, float v0, float u1, float v1,
                    float eu0, float ev0, float eu1, float ev1)
    {
        for (int i = 0; i < sides; ++i) {
            double a0 = 2 * PI * i / sides, a1 = 2 * PI * (i + 1) / sides;
            float y0 = cy + r * (float)std::cos(a0), z0 = r * (float)std::sin(a0);
            float y1 = cy + r * (float)std::cos(a1), z1 = r * (float)std::sin(a1);
            float nu0 = u0 + (u1 - u0) * i / sides, nu1 = u0 + (u1 - u0) * (i + 1) / sides;
            int k0 = vertex(x0, y0, z0, 0, (float)std::cos(a0), (float)std::sin(a0), nu0, v0);
            int k1 = vertex(x1, y0, z0, 0, (float)std::cos(a0), (float)std::sin(a0), nu0, v1);
            int k2 = vertex(x1, y1, z1, 0, (float)std::cos(a1), (float)std::sin(a1), nu1, v1);
            int k3 = vertex(x0, y1, z1, 0, (float)std::cos(a1), (float)std::sin(a1), nu1, v0);
            triangles.insert(triangles.end(), {k0, k2, k1, k0, k3, k2});
        }
        for (int end = 0; end < 2; ++end) {
            float x = end ? x1 : x0, nx = end ? 1.0f : -1.0f;
            float cu = (eu0 + eu1) / 2, cv = (ev0 + ev1) / 2, ru = (eu1 - eu0) / 2, rv = (ev1 - ev0) / 2;
            int centre = vertex(x, cy, 0, nx, 0, 0, cu, cv);
            for (int i = 0; i < sides; ++i) {
                double a0 = 2 * PI * i / sides, a1 = 2 * PI * (i + 1) / sides;
                int k0 = vertex(x, cy + r * (float)std::cos(a0), r * (float)std::sin(a0), nx, 0, 0,
                                cu + ru * (float)std::cos(a0), cv + rv * (float)std::sin(a0));
                int k1 = vertex(x, cy + r * (float)std::cos(a1), r * (float)std::sin(a1), nx, 0, 0,
                                cu + ru * (float)std::cos(a1), cv + rv * (float)std::sin(a1));
                if (end) triangles.insert(triangles.end(), {centre, k0, k1});
                else triangles.insert(triangles.end(), {centre, k1, k0});
            }
        }
    }
};

// Text ".km": version 1 without bones; with bones above 0, version 2 skinned to that many bones
// (rig names the skeleton), every vertex followed by its mesh's weights for it.
inline bool write_km(const std::string &path, const std::vector<km_mesh> &meshes, int bones = 0,
                     const char *rig = "rig")
{
    std::string s = bones > 0 ? "KM2 " + std::to_string(bones) + " " + rig + "\n" : "KM1\n";
    char line[256];
    for (const km_mesh &m : meshes) {
        snprintf(line, sizeof line, "%g %g %g %g %g %d %d\n", m.shininess, m.alpha, m.r, m.g, m.b,
                 (int)m.vertices.size(), (int)m.triangles.size() / 3);
        s += line;
        for (std::size_t i = 0; i < m.vertices.size(); ++i) {
            const km_vertex &v = m.vertices[i];
            snprintf(line, sizeof line, "%.4f %.4f %.4f %.4f %.4f %.4f %.4f %.4f", v.x, v.y, v.z, v.nx, v.ny, v.nz,
                     v.u, v.v);
            s += line;
            for (int b = 0; b < bones; ++b) {
                std::size_t w = i * (std::size_t)bones + (std::size_t)b;
                snprintf(line, sizeof line, " %g", w < m.weights.size() ? m.weights[w] : 0.0f);
                s += line;
            }
            s += "\n";
        }
        for (std::size_t i = 0; i + 2 < m.triangles.size(); i += 3) {
            snprintf(line, sizeof line, "%d %d %d\n", m.triangles[i], m.triangles[i + 1], m.triangles[i + 2]);
            s += line;
        }
    }
    return write_text(path, s);
}

struct shp_sphere { float x, y, z, radius, friction, k, c; };

// Text ".shp": the sphere count, then per sphere its centre, radius (ft), friction coefficient,
// spring stiffness (lbf/ft) and damping (lbf s/ft).
inline bool write_shp(const std::string &path, const std::vector<shp_sphere> &spheres)
{
    std::string s = std::to_string(spheres.size()) + "\n";
    char line[256];
    for (const shp_sphere &p : spheres) {
        snprintf(line, sizeof line, "%g %g %g %g %g %g %g\n", p.x, p.y, p.z, p.radius, p.friction, p.k, p.c);
        s += line;
    }
    return write_text(path, s);
}

}   // namespace gen
