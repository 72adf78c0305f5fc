// tools/track_objects.h — what stands on and around a generated course: timing gates and the
// start line, track-side statues (hay bales, tuff blocks, banners) with their models, pictures
// and shapes, billboards (trees, a crowd), flaggers and the television cameras.
#pragma once
#include "tools/track_course.h"
#include <string>
#include <vector>

namespace gen {

// ---- models, pictures and shapes of the statues ----

inline bool write_statue_assets(const std::string &folder)
{
    bool ok = true;
    // Hay bale: 4 ft along x, 1.6 ft deep, 1.5 ft high, straw all round.
    {
        km_mesh m;
        m.shininess = 4;
        m.box(-2.0f, 0, -0.8f, 2.0f, 1.5f, 0.8f, 0, 0, 1, 1);
        ok = write_km(folder + "haybale.km", {m}) && ok;
        canvas tex(128, 128);
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x) {
                double straw = fbm(x / 40.0, y / 3.0, 4, 71), twine = (x % 42 < 3) ? 0.6 : 1.0;
                tex.at(x, y) = shade(mix(rgb(176, 146, 78), rgb(226, 204, 128), straw), twine);
            }
        ok = write_canvas_rgb(folder + "haybale.png", tex) && ok;
        ok = write_shp(folder + "haybale.shp", {{-1.1f, 0.75f, 0, 0.8f, 0.6f, 3000, 200}, {1.1f, 0.75f, 0, 0.8f, 0.6f, 3000, 200}}) && ok;
    }
    // Tuff block: a plastic block, 3 ft along x, 1.2 ft deep and high.
    {
        km_mesh m;
        m.shininess = 40;
        m.box(-1.5f, 0, -0.6f, 1.5f, 1.2f, 0.6f, 0, 0, 1, 1);
        ok = write_km(folder + "tuffblock.km", {m}) && ok;
        canvas tex(128, 64);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 128; ++x) {
                double edge = std::min(std::min(x, 127 - x), std::min(y, 63 - y));
                tex.at(x, y) = shade(rgb(28, 84, 178), 0.75 + 0.25 * smoothstep(0, 8, edge));
            }
        text_face bold("DejaVuSans-Bold.ttf");
        bold.draw_centred(tex, "RUTLINE", 22, 64, 41, rgb(240, 240, 240));
        ok = write_canvas_rgb(folder + "tuffblock.png", tex) && ok;
        ok = write_shp(folder + "tuffblock.shp", {{-0.8f, 0.6f, 0, 0.65f, 0.4f, 6000, 150}, {0.8f, 0.6f, 0, 0.65f, 0.4f, 6000, 150}}) && ok;
    }
    // Banner: a 12 ft sheet on two posts, printed on both sides.
    {
        km_mesh m;
        m.shininess = 8;
        const float a[3] = {-6, 1, 0}, b[3] = {6, 1, 0}, c[3] = {6, 4, 0}, d[3] = {-6, 4, 0};
        // The picture is 512 x 256 (textures want powers of two): the sheet in its top half,
        // the posts' paint in the bottom half.
        m.quad(a, b, c, d, 0, 0.5f, 1, 1);
        m.quad(b, a, d, c, 0, 0.5f, 1, 1);
        m.box(-6.2f, 0, -0.1f, -5.95f, 4.3f, 0.1f, 0, 0, 1, 0.4f);
        m.box(5.95f, 0, -0.1f, 6.2f, 4.3f, 0.1f, 0, 0, 1, 0.4f);
        ok = write_km(folder + "banner.km", {m}) && ok;
        canvas tex(512, 256, rgb(200, 30, 30));
        text_face bold("DejaVuSans-Bold.ttf");
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 512; ++x)
                if (y < 10 || y > 117) tex.at(x, y) = rgb(250, 250, 250);
        bold.draw_centred(tex, "RUTLINE MX", 80, 256, 95, rgb(255, 255, 255));
        for (int y = 128; y < 256; ++y)   // the posts' paint below the sheet's part
            for (int x = 0; x < 512; ++x) tex.at(x, y) = rgb(90, 90, 95);
        ok = write_canvas_rgb(folder + "banner.png", tex) && ok;
        ok = write_shp(folder + "banner.shp", {{-6.05f, 0.6f, 0, 0.4f, 0.5f, 8000, 200}, {-6.05f, 1.6f, 0, 0.4f, 0.5f, 8000, 200},
                                               {6.05f, 0.6f, 0, 0.4f, 0.5f, 8000, 200}, {6.05f, 1.6f, 0, 0.4f, 0.5f, 8000, 200}}) && ok;
    }
    // Cut-out: a life-size rider printed on a board, shaped round the figure. It turns to face
    // whoever looks at it, so one printed side is enough; the back shows it mirrored.
    {
        km_mesh m;
        m.shininess = 6;
        const float a[3] = {1.3f, 0, 0}, b[3] = {-1.3f, 0, 0}, c[3] = {-1.3f, 6.5f, 0}, d[3] = {1.3f, 6.5f, 0};
        m.quad(a, b, c, d, 0, 0, 1, 1);
        m.quad(b, a, d, c, 1, 0, 0, 1);
        ok = write_km(folder + "cutout.km", {m}) && ok;
        canvas tex(128, 256);
        const color white = rgb(248, 248, 248), kit = rgb(30, 70, 190), trim = rgb(250, 200, 30);
        // The board's white edge round the figure, then the figure.
        for (int pass = 0; pass < 2; ++pass) {
            const double grow = pass ? 0 : 4;
            auto paint = [&](const color &c) { return pass ? c : white; };
            tex.line(52, 150, 46, 250 + grow / 2, 16 + 2 * grow, paint(rgb(40, 40, 48)));     // legs
            tex.line(76, 150, 82, 250 + grow / 2, 16 + 2 * grow, paint(rgb(40, 40, 48)));
            tex.rect(40 - grow, 78 - grow, 88 + grow, 158 + grow, paint(kit));              // shirt
            tex.line(42, 84, 20, 150, 13 + 2 * grow, paint(kit));                          // arms
            tex.line(86, 84, 108, 150, 13 + 2 * grow, paint(kit));
            tex.disc(64, 46, 30 + grow, paint(rgb(230, 40, 40)));                           // helmet
            if (pass) {
                tex.rect(40, 104, 88, 112, trim);
                tex.rect(44, 40, 84, 56, rgb(30, 30, 36));                                 // goggles
                text_face bold("DejaVuSans-Bold.ttf");
                bold.draw_centred(tex, "7", 34, 64, 146, white);
            }
        }
        ok = write_canvas_rgba(folder + "cutout.png", tex) && ok;
        ok = write_shp(folder + "cutout.shp", {{0, 1.0f, 0, 0.5f, 0.5f, 4000, 150}}) && ok;
    }
    return ok;
}

// The solid parts of a statue as boxes (model coordinates, x0 y0 z0 x1 y1 z1) for its baked
// shadow; the cut-out, which turns, as a cross.
inline std::vector<std::vector<float>> statue_boxes(const std::string &kind)
{
    if (kind == "haybale") return {{-2.0f, 0, -0.8f, 2.0f, 1.5f, 0.8f}};
    if (kind == "tuffblock") return {{-1.5f, 0, -0.6f, 1.5f, 1.2f, 0.6f}};
    if (kind == "banner") return {{-6, 1, -0.05f, 6, 4, 0.05f}, {-6.2f, 0, -0.1f, -5.95f, 4.3f, 0.1f}, {5.95f, 0, -0.1f, 6.2f, 4.3f, 0.1f}};
    if (kind == "cutout") return {{-0.9f, 0, -0.15f, 0.9f, 6.2f, 0.15f}, {-0.15f, 0, -0.9f, 0.15f, 6.2f, 0.9f}};
    return {};
}

// ---- billboard and flagger pictures ----

inline void draw_tree(canvas &cv, bool conifer, std::uint32_t seed)
{
    const double W = cv.width, H = cv.height;
    cv.rect(W / 2 - 5, H * 0.7, W / 2 + 5, H, rgb(84, 60, 40));
    rng r(seed);
    if (conifer) {
        for (int i = 0; i < 5; ++i) {
            double y0 = H * (0.05 + i * 0.15), y1 = y0 + H * 0.3, half = W * (0.14 + i * 0.08);
            cv.polygon({W / 2, y0, W / 2 + half, y1, W / 2 - half, y1}, shade(rgb(40, 84, 46), 0.85 + 0.05 * i));
        }
    } else {
        for (int i = 0; i < 24; ++i) {
            // One draw per statement: the order of calls within an argument list is unspecified,
            // and the pictures must not depend on the compiler.
            double a = r.range(0, 2 * PI), d = r.range(0, W * 0.28);
            double radius = r.range(W * 0.14, W * 0.24), tone = r.range(0.75, 1.1);
            cv.disc(W / 2 + d * std::cos(a), H * 0.4 + d * std::sin(a) * 1.2, radius, shade(rgb(70, 116, 48), tone));
        }
    }
}

inline void draw_person(canvas &cv, double cx, double foot, double h, const color &shirt, double stride = 0)
{
    const color skin = rgb(214, 170, 140), pants = rgb(40, 44, 60);
    double leg = h * 0.45, body = h * 0.32, head = h * 0.09;
    cv.line(cx, foot - leg, cx - stride * h, foot - 1, h * 0.08, pants);
    cv.line(cx, foot - leg, cx + stride * h, foot - 1, h * 0.08, pants);
    cv.line(cx, foot - leg, cx, foot - leg - body, h * 0.16, shirt);
    cv.disc(cx, foot - leg - body - head * 1.1, head, skin);
}

inline bool write_billboard_pictures(const std::string &folder)
{
    bool ok = true;
    canvas pine(128, 256), oak(128, 256);
    draw_tree(pine, true, 81);
    draw_tree(oak, false, 82);
    ok = write_canvas_rgba(folder + "tree_pine.png", pine) && ok;
    ok = write_canvas_rgba(folder + "tree_oak.png", oak) && ok;
    canvas crowd(512, 128);
    rng r(83);
    const color shirts[6] = {rgb(200, 40, 40), rgb(40, 90, 200), rgb(240, 240, 240), rgb(250, 200, 40), rgb(30, 30, 30), rgb(60, 160, 80)};
    for (int row = 0; row < 2; ++row)
        for (int i = 0; i < 22; ++i) {
            double x = 12 + i * 22.5 + r.range(-5, 5) + row * 11;
            double height = r.range(84, 100);
            int shirt = r.below(6);
            draw_person(crowd, x, row ? 126 : 100, height, shirts[shirt]);
        }
    ok = write_canvas_rgba(folder + "crowd.png", crowd) && ok;

    // Flaggers: a marshal with the flag down and with the yellow flag up.
    for (int up = 0; up < 2; ++up) {
        canvas cv(64, 128);
        draw_person(cv, 32, 126, 110, rgb(245, 245, 245));
        double hx = up ? 44 : 40, hy = up ? 28 : 70;
        cv.line(32, 52, hx, hy, 7, rgb(245, 245, 245));
        cv.line(hx, hy, hx, hy - 26, 2, rgb(60, 60, 60));
        cv.rect(hx, hy - 26, hx + 18, hy - 12, rgb(250, 210, 20));
        ok = write_canvas_rgba(folder + (up ? "flagger_up.png" : "flagger_down.png"), cv) && ok;
    }
    // The starter walking across the line (four steps, then standing), and the man with the
    // board: "30", "5", the board turned away, no board.
    for (int f = 0; f < 5; ++f) {
        canvas cv(64, 128);
        draw_person(cv, 32, 126, 110, rgb(20, 20, 20), f < 4 ? 0.12 * std::sin(f * PI / 2) : 0);
        char name[32];
        snprintf(name, sizeof name, "starter%d.png", f);
        ok = write_canvas_rgba(folder + name, cv) && ok;
    }
    // The man at the finish: his board turned edge on (the race runs), "1/2" at half distance,
    // the white flag on the last lap and the chequered one when it is over.
    text_face bold("DejaVuSans-Bold.ttf");
    for (int f = 0; f < 4; ++f) {
        canvas cv(64, 128);
        draw_person(cv, 32, 126, 110, rgb(20, 20, 20));
        if (f == 0) {
            cv.rect(30, 14, 34, 50, rgb(200, 200, 200));
        } else if (f == 1) {
            cv.rect(8, 14, 56, 50, rgb(250, 250, 250));
            bold.draw_centred(cv, "1/2", 20, 32, 40, rgb(10, 10, 10));
        } else {
            cv.line(32, 52, 44, 30, 7, rgb(20, 20, 20));
            cv.line(44, 34, 44, 4, 2, rgb(60, 60, 60));
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 4; ++x) {
                    const bool dark = f == 3 && (x + y) % 2;
                    cv.rect(45 + x * 4.5, 4 + y * 4.5, 49.5 + x * 4.5, 8.5 + y * 4.5, dark ? rgb(15, 15, 15) : rgb(250, 250, 250));
                }
        }
        char name[32];
        snprintf(name, sizeof name, "board%d.png", f);
        ok = write_canvas_rgba(folder + name, cv) && ok;
    }
    return ok;
}

// ---- placements ----

// A timing gate as the game reads it: the race takes it when the front wheel is within radius
// of the centre (horizontally) and on the side the direction points to.
struct gate_line { double centre[3], direction[3], radius; };

struct track_objects {
    std::string folder_name;   // "@" + this + "/" names every file
    std::vector<gate_line> gates;
    std::vector<int> first_lap, normal_lap;
    std::vector<std::string> start_lines, statues, billboards, flaggers, cameras;
    struct placed_statue { double x, z, angle; std::string kind; };
    std::vector<placed_statue> placed;   // the statues again, for their shadows
};

inline double terrain_at(const ground &g, double x, double z)
{
    int ix = std::max(0, std::min(g.dim - 1, (int)std::lround(x / g.cell)));
    int iz = std::max(0, std::min(g.dim - 1, (int)std::lround(z / g.cell)));
    return g.height[(std::size_t)iz * g.dim + ix];
}

// Heading (statue angle) that turns a model's x axis along (tx, tz).
inline double heading_along(double tx, double tz) { return std::atan2(-tz, tx); }

// A gate across the course at k: its centre on the centre line, its direction the way riders
// go, as long as the radius (as the editor makes it), and a radius reaching a little past both
// edges of the track.
inline gate_line gate_at(const ground &g, const course_sample &k)
{
    gate_line gl;
    gl.radius = k.half_width + 2;
    gl.centre[0] = k.x, gl.centre[1] = terrain_at(g, k.x, k.z), gl.centre[2] = k.z;
    gl.direction[0] = k.tx * gl.radius, gl.direction[1] = 0, gl.direction[2] = k.tz * gl.radius;
    return gl;
}

// Gates every ~180 ft round the loop starting at the finish line (gate 0), then on the start
// straight. The first lap runs the start straight and the loop from where it joins to the
// finish; later laps run the whole loop. Every other gate is a switch point of the robots'
// lines (the rest carry 100000 + index).
inline void place_gates(track_objects &o, const course &c, const ground &g)
{
    const course_spec &sp = *c.spec;
    const int loop_gates = std::max(6, (int)std::lround(c.loop_length / 180.0));
    std::vector<double> gate_s;
    for (int i = 0; i < loop_gates; ++i) {
        double s = std::fmod(sp.finish_s + c.loop_length * i / loop_gates, c.loop_length);
        gate_s.push_back(s);
        o.gates.push_back(gate_at(g, c.loop_at(s)));
    }
    auto entry = [](int gate, int n) { return n % 2 == 0 ? gate : 100000 + gate; };
    for (int i = 1; i <= loop_gates; ++i) o.normal_lap.push_back(entry(i % loop_gates, i));
    if (c.spur.empty()) {
        o.first_lap = o.normal_lap;
        return;
    }
    int n = 0;
    for (double frac : {0.45, 0.9}) {
        o.gates.push_back(gate_at(g, c.spur[(std::size_t)(frac * (c.spur.size() - 1))]));
        o.first_lap.push_back(entry((int)o.gates.size() - 1, n++));
    }
    // Loop gates from the joint on, up to and including the finish.
    const double join = sp.spur_join_s;
    for (int i = 1; i <= loop_gates; ++i) {
        int gi = i % loop_gates;
        double ahead = std::fmod(gate_s[(std::size_t)gi] - join + c.loop_length, c.loop_length);
        double finish = std::fmod(sp.finish_s - join + c.loop_length, c.loop_length);
        if (ahead > 5 && ahead <= finish + 1e-6) o.first_lap.push_back(entry(gi, n++));
        else if (gi == 0) o.first_lap.push_back(entry(0, n++));
    }
}

// Start positions 3.2 ft apart across the start of the start straight (or of the loop just past
// the finish when there is none), facing down the course. The race puts the gate 3 ft in front
// of each position, at the height the line gives: the gate's hinge.
inline void place_start(track_objects &o, const course &c, int count)
{
    const course_sample &k = c.spur.empty() ? c.loop_at(c.spec->finish_s + 30) : c.spur[8];
    const double angle = std::atan2(-k.tx, -k.tz);   // riders face -(sin a, cos a)
    // Gates on the loop lie in every later lap's way once fallen, and a fallen plate's edge that
    // stands half a foot proud flips a bike meeting it at racing speed: there the gates sit
    // lower, the fallen plate all but flush with the ground and the standing one still taller
    // than a front wheel. A start straight is ridden once, from rest, and keeps the full gate.
    const double hinge = START_GATE_HINGE_FT - (c.spur.empty() ? 0.55 : 0.0);
    for (int i = 0; i < count; ++i) {
        double off = (i - (count - 1) / 2.0) * 3.2, nx = -k.tz, nz = k.tx;
        char line[160];
        snprintf(line, sizeof line, "[ %.3f %.3f %.3f ] %.6f", k.x + nx * off, hinge, k.z + nz * off, angle);
        o.start_lines.push_back(line);
    }
}

inline std::string asset(const track_objects &o, const char *file) { return "@" + o.folder_name + "/" + file; }

inline void add_statue(track_objects &o, double x, double z, double angle, const char *kind)
{
    char line[512];
    std::string km = asset(o, (std::string(kind) + ".km").c_str()), png = asset(o, (std::string(kind) + ".png").c_str()),
                shp = asset(o, (std::string(kind) + ".shp").c_str());
    snprintf(line, sizeof line, "[ %.3f %.3f %.3f ] %.5f %s %s %s", x, 0.0, z, angle, km.c_str(), png.c_str(), shp.c_str());
    o.statues.push_back(line);
    o.placed.push_back({x, z, angle, kind});
}

// Tuff blocks along the outside of the tight turns, hay bales on the outside of the fast ones,
// banners along the start straight and beside the finish.
inline void place_statues(track_objects &o, const course &c)
{
    double last_block = -1e9, last_bale = -1e9;
    for (const course_sample &k : c.loop) {
        double kappa = std::fabs(k.curvature);
        double out_side = k.curvature > 0 ? -1 : 1;   // the right normal is the outside of a left turn
        double nx = -k.tz * out_side, nz = k.tx * out_side;
        double off = k.half_width + 6.5;
        if (kappa > 1.0 / 70.0 && k.s - last_block >= 3.4) {
            add_statue(o, k.x + nx * off, k.z + nz * off, heading_along(k.tx, k.tz), "tuffblock");
            last_block = k.s;
        } else if (kappa > 1.0 / 160.0 && kappa <= 1.0 / 70.0 && k.s - last_bale >= 12) {
            add_statue(o, k.x + nx * (off + 1), k.z + nz * (off + 1), heading_along(k.tx, k.tz), "haybale");
            last_bale = k.s;
        }
    }
    const std::vector<course_sample> &straight = c.spur.empty() ? c.loop : c.spur;
    const double from = c.spur.empty() ? c.spec->finish_s - 60 : 30, to = from + 150;
    for (double s = from; s < to; s += 40) {
        const course_sample &k = c.spur.empty() ? c.loop_at(s) : straight[(std::size_t)std::min<double>(s, straight.size() - 1)];
        double off = k.half_width + 14, nx = -k.tz, nz = k.tx;
        add_statue(o, k.x + nx * off, k.z + nz * off, heading_along(k.tx, k.tz), "banner");
    }
    // The cut-out rider beside the way out of the start, across from the banners. An angle of
    // 3.25 or more makes a statue stand upright and turn to the eye.
    const course_sample &k = c.spur.empty() ? c.loop_at(c.spec->finish_s + 90) : c.spur[std::min<std::size_t>(70, c.spur.size() - 1)];
    const double off = k.half_width + 5;
    add_statue(o, k.x + k.tz * off, k.z - k.tx * off, 3.3, "cutout");
}

// Darkens the ground's light (one byte per vertex, 255 fully lit) where the statues keep the sun
// off: every point of their solid boxes is carried down the sun's ray onto the ground plane at
// the statue's foot.
inline void bake_statue_shadows(std::vector<unsigned char> &lit, const ground &g,
                                const std::vector<track_objects::placed_statue> &placed, const double sun[3])
{
    if (!(sun[1] > 0.05)) return;
    const double step = 0.25;
    for (const track_objects::placed_statue &p : placed) {
        // A cut-out stands upright whatever its angle says.
        const double a = p.angle >= 3.25 ? 0 : p.angle, ca = std::cos(a), sa = std::sin(a);
        for (const std::vector<float> &b : statue_boxes(p.kind))
            for (double y = b[1]; y <= b[4] + 1e-9; y += step)
                for (double z = b[2]; z <= b[5] + 1e-9; z += step)
                    for (double x = b[0]; x <= b[3] + 1e-9; x += step) {
                        const double wx = p.x + x * ca + z * sa - sun[0] * y / sun[1];
                        const double wz = p.z - x * sa + z * ca - sun[2] * y / sun[1];
                        const int ix = (int)std::lround(wx / g.cell), iz = (int)std::lround(wz / g.cell);
                        if (ix < 0 || iz < 0 || ix >= g.dim || iz >= g.dim) continue;
                        unsigned char &v = lit[(std::size_t)iz * g.dim + ix];
                        v = std::min<unsigned char>(v, 110);
                    }
    }
}

inline bool clear_of_course(const ground &g, double x, double z, double margin)
{
    int ix = (int)std::lround(x / g.cell), iz = (int)std::lround(z / g.cell);
    if (ix < 0 || iz < 0 || ix >= g.dim || iz >= g.dim) return false;
    int r = (int)std::ceil(margin / g.cell);
    for (int dz = -r; dz <= r; dz += 2)
        for (int dx = -r; dx <= r; dx += 2) {
            int x1 = ix + dx, z1 = iz + dz;
            if (x1 < 0 || z1 < 0 || x1 >= g.dim || z1 >= g.dim) continue;
            if (g.nearest[(std::size_t)z1 * g.dim + x1] >= 0) return false;
        }
    return true;
}

inline void place_billboards(track_objects &o, const course &c, const ground &g, int trees, std::uint32_t seed)
{
    rng r(seed);
    const double W = g.world();
    char line[512];
    for (int i = 0, tries = 0; i < trees && tries < trees * 20; ++tries) {
        // Trees thicken towards the edge of the world.
        double x = r.range(10, W - 10), z = r.range(10, W - 10);
        double edge = std::min(std::min(x, W - x), std::min(z, W - z)) / W;
        if (r.uniform() < edge * 3.5 || !clear_of_course(g, x, z, 30)) continue;
        bool pine = r.uniform() < 0.55;
        double h = r.range(22, 38), w = h * 0.5;
        snprintf(line, sizeof line, "[ %.2f %.2f %.2f ] %.2f %.2f %s", x, -0.5, z, w, h,
                 asset(o, pine ? "tree_pine.png" : "tree_oak.png").c_str());
        o.billboards.push_back(line);
        ++i;
    }
    // The crowd along the finish, behind the banners.
    const course_sample &k = c.loop_at(c.spec->finish_s);
    for (int i = -2; i <= 2; ++i) {
        double along = i * 21.0, off = -(k.half_width + 24);
        double x = k.x + k.tx * along - k.tz * off, z = k.z + k.tz * along + k.tx * off;
        snprintf(line, sizeof line, "[ %.2f %.2f %.2f ] %.2f %.2f %s", x, 0.0, z, 22.0, 5.5, asset(o, "crowd.png").c_str());
        o.billboards.push_back(line);
    }
}

inline int gate_near(const track_objects &o, double x, double z)
{
    int best = -1;
    double bd = 1e30;
    for (std::size_t i = 0; i < o.gates.size(); ++i) {
        double d = std::hypot(o.gates[i].centre[0] - x, o.gates[i].centre[2] - z);
        if (d < bd) bd = d, best = (int)i;
    }
    return best;
}

// The starter walks across behind the line, the board man stands in front of it, and a marshal
// stands beside every jump (watching the gates before and after it).
inline void place_flaggers(track_objects &o, const course &c)
{
    const course_sample &k = c.spur.empty() ? c.loop_at(c.spec->finish_s + 30) : c.spur[8];
    const double nx = -k.tz, nz = k.tx, hw = k.half_width;
    char line[1024];
    snprintf(line, sizeof line, "[ %.2f 0 %.2f ] [ %.2f 0 %.2f ] 3 6 12\n %s %s %s %s %s",
             k.x - k.tx * 12 + nx * (hw + 4), k.z - k.tz * 12 + nz * (hw + 4), k.x - k.tx * 12 - nx * (hw + 4),
             k.z - k.tz * 12 - nz * (hw + 4), asset(o, "starter0.png").c_str(), asset(o, "starter1.png").c_str(),
             asset(o, "starter2.png").c_str(), asset(o, "starter3.png").c_str(), asset(o, "starter4.png").c_str());
    o.flaggers.push_back(line);
    snprintf(line, sizeof line, "[ %.2f 0 %.2f ] 3 6 %s %s %s %s", k.x + k.tx * 10 + nx * (hw + 3), k.z + k.tz * 10 + nz * (hw + 3),
             asset(o, "board0.png").c_str(), asset(o, "board1.png").c_str(), asset(o, "board2.png").c_str(),
             asset(o, "board3.png").c_str());
    o.flaggers.push_back(line);
    for (const feature &f : c.features) {
        if (f.kind != FEAT_TABLETOP && f.kind != FEAT_DOUBLE && f.kind != FEAT_STEPUP) continue;
        const course_sample &j = c.loop_at(f.s0 + 10);
        double x = j.x - j.tz * (j.half_width + 9), z = j.z + j.tx * (j.half_width + 9);
        int g0 = gate_near(o, c.loop_at(f.s0 - 60).x, c.loop_at(f.s0 - 60).z);
        int g1 = gate_near(o, c.loop_at(f.s0 + f.length + 60).x, c.loop_at(f.s0 + f.length + 60).z);
        snprintf(line, sizeof line, "[ %.2f 0 %.2f ] 3 6 %d %d -1 -1 %s %s", x, z, g0, g1, asset(o, "flagger_down.png").c_str(),
                 asset(o, "flagger_up.png").c_str());
        o.flaggers.push_back(line);
    }
}

// A camera on a tower 22 ft up beside the course every ~400 ft, on the outside of the course;
// each takes over at the gates closest to it.
inline void place_cameras(track_objects &o, const course &c)
{
    const int n = std::max(3, (int)std::lround(c.loop_length / 400.0));
    std::vector<std::vector<int>> taken(n);
    std::vector<double> cx(n), cz(n);
    for (int i = 0; i < n; ++i) {
        const course_sample &k = c.loop_at(c.spec->finish_s + c.loop_length * (i + 0.5) / n);
        double side = k.curvature > 0 ? -1 : 1;
        cx[i] = k.x - k.tz * side * (k.half_width + 30);
        cz[i] = k.z + k.tx * side * (k.half_width + 30);
    }
    for (std::size_t gi = 0; gi < o.gates.size(); ++gi) {
        double gx = o.gates[gi].centre[0], gz = o.gates[gi].centre[2];
        int best = 0;
        for (int i = 1; i < n; ++i)
            if (std::hypot(cx[i] - gx, cz[i] - gz) < std::hypot(cx[best] - gx, cz[best] - gz)) best = i;
        taken[best].push_back((int)gi);
    }
    char line[256];
    for (int i = 0; i < n; ++i) {
        o.cameras.push_back("fov 50");
        if (!taken[i].empty()) {
            std::string g = "gate";
            for (int gi : taken[i]) g += " " + std::to_string(gi);
            o.cameras.push_back(g);
        }
        snprintf(line, sizeof line, "addcamera %.2f %.2f %.2f", cx[i], 22.0, cz[i]);
        o.cameras.push_back(line);
    }
}

inline std::string timing_gates_text(const track_objects &o)
{
    std::string s;
    char line[256];
    if (!o.start_lines.empty()) {
        s += "startinggate:\n";
        for (const std::string &l : o.start_lines) s += l + "\n";
    }
    s += "checkpoints:\n";
    for (const gate_line &g : o.gates) {
        snprintf(line, sizeof line, "%f [%f %f %f] [%f %f %f]\n", g.radius, g.centre[0], g.centre[1], g.centre[2],
                 g.direction[0], g.direction[1], g.direction[2]);
        s += line;
    }
    s += "firstlap:\n";
    for (int e : o.first_lap) s += std::to_string(e) + " ";
    s += "\nnormallap:\n";
    for (int e : o.normal_lap) s += std::to_string(e) + " ";
    return s + "\n";
}

inline std::string join_lines(const std::vector<std::string> &lines)
{
    std::string s;
    for (const std::string &l : lines) s += l + "\n";
    return s;
}

}   // namespace gen
