// Makes the pictures and the start gate the game loads from its data folder:
//   title.png      2:1 picture behind the loading screen and the menus
//   tach.png       the tachometer dial: 270 degrees from 0 rpm (135 degrees left of up) to 16000
//   shifter.png    3 x 3 atlas of the gear indicator, gear index g in column g % 3, row g / 3
//   pitboard.png   the pit board; the board itself fills rows 3/16 .. 7/8 of the picture
//   roost.png      a clump of thrown dirt, tinted per surface by "tileinfo"
//   startgate.km, startgate.ppm, startgate.shp   the start gate placed at every start position
//
// usage: gen_images OUTPUT_FOLDER
#include "tools/gen_common.h"

using namespace gen;

namespace {

const char *const SANS_BOLD = "DejaVuSans-Bold.ttf";

bool make_title(const std::string &out)
{
    const int W = 1024, H = 512;
    canvas cv(W, H);
    // Evening sky: deep blue at the top to a warm haze at the horizon.
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            double t = y / (double)H;
            color sky = mix(rgb(38, 70, 140), rgb(250, 176, 96), smoothstep(0.0, 0.72, t));
            double cloud = smoothstep(0.55, 0.8, fbm(x / 160.0, y / 50.0, 5, 77));
            cv.at(x, y) = mix(sky, rgb(255, 214, 170), cloud * 0.45 * (1 - t));
        }
    cv.disc(760, 300, 46, rgb(255, 236, 180));
    // Two ranges of hills, the far one hazier.
    for (int layer = 0; layer < 2; ++layer) {
        color c = layer ? rgb(58, 52, 44) : rgb(112, 98, 102);
        double base = layer ? 400 : 330, amp = layer ? 40 : 55;
        for (int x = 0; x < W; ++x) {
            double top = base - amp * fbm(x / 220.0, layer * 10.0, 4, 90u + (unsigned)layer);
            for (int y = std::max(0, (int)top); y < H; ++y) cv.at(x, y) = c;
            cv.blend(x, (int)top - 1, c, 1 - (top - std::floor(top)));
        }
    }
    // A dirt take-off ramp with a rider in the air above it.
    cv.polygon({120, 512, 330, 420, 370, 428, 380, 512}, rgb(92, 62, 38));
    cv.polygon({130, 512, 330, 425, 352, 430, 300, 512}, rgb(120, 82, 50));
    const color rider = rgb(20, 18, 22);
    cv.ring(520, 300, 26, 9, rider);   // rear wheel
    cv.ring(620, 282, 26, 9, rider);   // front wheel
    cv.polygon({520, 300, 560, 262, 610, 258, 620, 282, 590, 288, 548, 292}, rider);   // frame
    cv.line(605, 262, 620, 282, 7, rider);                                            // fork
    cv.line(560, 255, 582, 214, 16, rider);                                           // body
    cv.disc(590, 200, 14, rider);                                                     // helmet
    cv.line(582, 222, 612, 246, 8, rider);                                            // arm
    cv.line(560, 258, 582, 276, 9, rider);                                            // leg
    for (int i = 0; i < 40; ++i) {                                                     // roost
        rng r(1000 + i);
        double x = 480 - r.range(0, 120), y = 320 + r.range(-30, 40), radius = r.range(1.5, 5);
        cv.disc(x, y, radius, rgb(92, 62, 38, 0.8));
    }

    text_face bold(SANS_BOLD);
    bold.draw_centred(cv, "RUTLINE", 150, W / 2 + 6, 176, rgb(0, 0, 0, 0.55));
    bold.draw_centred(cv, "RUTLINE", 150, W / 2, 170, rgb(255, 250, 240));
    bold.draw_centred(cv, "MOTOCROSS", 40, W / 2, 228, rgb(255, 250, 240, 0.9));
    return write_canvas_rgb(out + "title.png", cv);
}

// Point of the dial at rpm on radius r, the centre at (c, c).
void dial_point(double rpm, double r, double c, double *x, double *y)
{
    double a = (rpm / 16000.0 * 270.0 - 135.0) * PI / 180.0;
    *x = c + r * std::sin(a);
    *y = c - r * std::cos(a);
}

bool make_tach(const std::string &out)
{
    const int S = 256;
    const double c = S / 2.0;
    canvas cv(S, S);
    cv.disc(c, c, 126, rgb(12, 12, 14, 0.85));
    cv.ring(c, c, 123, 4, rgb(200, 200, 205));
    // Red zone from 13000 rpm.
    for (int rpm = 13000; rpm < 16000; rpm += 20) {
        double x0, y0, x1, y1;
        dial_point(rpm, 100, c, &x0, &y0);
        dial_point(rpm + 20, 100, c, &x1, &y1);
        cv.line(x0, y0, x1, y1, 14, rgb(200, 30, 24));
    }
    text_face bold(SANS_BOLD);
    for (int k = 0; k <= 32; ++k) {
        double rpm = k * 500.0, x0, y0, x1, y1;
        bool major = k % 2 == 0;
        dial_point(rpm, major ? 90 : 98, c, &x0, &y0);
        dial_point(rpm, 108, c, &x1, &y1);
        cv.line(x0, y0, x1, y1, major ? 4 : 2, rgb(240, 240, 240));
        if (major && (k / 2) % 2 == 0) {
            char label[8];
            snprintf(label, sizeof label, "%d", k / 2);
            double tx, ty;
            dial_point(rpm, 70, c, &tx, &ty);
            bold.draw_centred(cv, label, 20, tx, ty + 7, rgb(240, 240, 240));
        }
    }
    bold.draw_centred(cv, "x1000 rpm", 13, c, c + 60, rgb(180, 180, 185));
    cv.disc(c, c, 10, rgb(60, 60, 64));
    return write_canvas_rgba(out + "tach.png", cv);
}

bool make_shifter(const std::string &out)
{
    const int S = 512;   // textures are powers of two; the cells are a third of it each
    const double cell = S / 3.0;
    canvas cv(S, S);
    text_face bold(SANS_BOLD);
    for (int g = 0; g < 6; ++g) {
        double x0 = (g % 3) * cell, y0 = (g / 3) * cell;
        cv.fill(x0 + 8, y0 + 8, x0 + cell - 8, y0 + cell - 8,
                [&](double x, double y) {
                    double dx = std::max(std::fabs(x - x0 - cell / 2.0) - (cell / 2.0 - 26), 0.0);
                    double dy = std::max(std::fabs(y - y0 - cell / 2.0) - (cell / 2.0 - 26), 0.0);
                    return std::hypot(dx, dy) - 18;
                },
                [&](double, double) { return rgb(12, 12, 14, 0.8); });
        char label[4];
        snprintf(label, sizeof label, "%d", g + 1);
        bold.draw_centred(cv, label, 110, x0 + cell / 2.0, y0 + cell / 2.0 + 40, rgb(250, 210, 40));
    }
    return write_canvas_rgba(out + "shifter.png", cv);
}

bool make_pitboard(const std::string &out)
{
    const int S = 256;
    canvas cv(S, S);
    const double top = S * 0.1875, bottom = S * 0.875;
    cv.rect(0, top, S, bottom, rgb(20, 20, 22));
    cv.rect(6, top + 6, S - 6, bottom - 6, rgb(246, 244, 236));
    for (int y = (int)top + 6; y < (int)bottom - 6; ++y)   // a little grain in the board
        for (int x = 6; x < S - 6; ++x) {
            double n = fbm(x / 9.0, y / 40.0, 3, 5) - 0.5;
            cv.at(x, y) = shade(cv.at(x, y), 1 + 0.05 * n);
        }
    return write_canvas_rgba(out + "pitboard.png", cv);
}

bool make_roost(const std::string &out)
{
    const int S = 64;
    canvas cv(S, S);
    rng r(17);
    for (int i = 0; i < 26; ++i) {
        // One random draw per declarator: calls within one expression are unordered.
        double a = r.range(0, 2 * PI), reach = r.range(0, 18), d = reach * r.uniform();
        double grey = r.range(0.75, 1.0), radius = r.range(3, 9), alpha = r.range(0.6, 0.95);
        cv.disc(32 + d * std::cos(a), 32 + d * std::sin(a), radius, {0.86 * grey, 0.80 * grey, 0.72 * grey, alpha});
    }
    return write_canvas_rgba(out + "roost.png", cv);
}

// The gate at one start position. In its own frame x runs across the start line, +z points at
// the rider waiting behind it and y is up from its hinge, START_GATE_HINGE_FT above the ground.
// The race stands the gate up by turning it 3/16 of a half turn about the hinge towards -z, and
// lets it fall by turning it back: a turn too small to lay a plate flat. So the plate hangs
// below the hinge and towards the rider: falling, every point of it moves down and away from
// the rider at once, and it ends sunk in its slot, its top edge about level with the ground.
// Everything is modelled in the fallen pose.
//
// Standing, the plate is a firm wall a front wheel cannot climb: a face of spheres as wide as
// the start place and taller than a wheel, grippy enough that a tyre pushed into it does not
// slide along it to the end of the row, a foot and a half in front of a waiting front tyre
// (whose leading edge stands 3.9 ft behind the gate's place): near enough that a bike held at
// full throttle has little run at it, far enough that a robot launching at the drop does not
// catch the gate in the quarter second it takes to fall, which would hold it up (a touched gate
// stops falling). Its upper part leans over towards the rider: a front wheel pressed against it
// or lifting is pushed down, not up.
bool make_startgate(const std::string &out)
{
    const float tilt = (float)(3.0 * PI / 16.0), c = std::cos(tilt), s = std::sin(tilt);
    const float hinge = (float)START_GATE_HINGE_FT;
    auto lean = [&](float x, float height, float z, float *p) {   // standing place -> fallen pose
        const float y = height - hinge;
        p[0] = x;
        p[1] = y * c - z * s;
        p[2] = y * s + z * c;
    };
    // The standing plate's centre line from its foot to its top edge (height above the ground,
    // z); the rows of spheres sit on the points between.
    const float profile[][2] = {{0, 1.35f}, {0.3f, 1.5f}, {0.75f, 1.75f}, {1.2f, 2.0f}, {1.6f, 2.3f}, {1.8f, 2.4f}};
    const int points = (int)(sizeof profile / sizeof profile[0]);
    const float hw = 1.5f, r = 0.3f;
    km_mesh plate;
    plate.shininess = 24;
    float a[3], b[3], cc[3], d[3];
    // Front (facing the rider, +z) and back, strip by strip, and the top edge: the picture's top
    // half is the painted face, its bottom half the bare metal of the back. The painted face
    // lies a little inside the spheres' fronts.
    const float front = 0.2f, back = 0.08f, top = profile[points - 1][0];   // top: its height
    for (int k = 0; k + 1 < points; ++k) {
        const float y0 = profile[k][0], z0 = profile[k][1], y1 = profile[k + 1][0], z1 = profile[k + 1][1];
        const float v0 = y0 / top, v1 = y1 / top;
        lean(-hw, y0, z0 + front, a), lean(hw, y0, z0 + front, b), lean(hw, y1, z1 + front, cc), lean(-hw, y1, z1 + front, d);
        plate.quad(a, b, cc, d, 0, 0.5f + 0.5f * v0, 1, 0.5f + 0.5f * v1);
        lean(hw, y0, z0 - back, a), lean(-hw, y0, z0 - back, b), lean(-hw, y1, z1 - back, cc), lean(hw, y1, z1 - back, d);
        plate.quad(a, b, cc, d, 0, 0.5f * v0, 1, 0.5f * v1);
    }
    const float zt = profile[points - 1][1];
    lean(-hw, top, zt + front, a), lean(hw, top, zt + front, b), lean(hw, top, zt - back, cc), lean(-hw, top, zt - back, d);
    plate.quad(a, b, cc, d, 0, 0, 1, 0.05f);
    const float f0 = profile[0][1] - back;
    // The stiffening rail along the plate's foot, on its back.
    std::vector<float> rail;
    const float box[2][3] = {{-hw, 0, f0 - 0.2f}, {hw, 0.3f, f0}};
    for (int k = 0; k < 8; ++k) {
        float p[3];
        lean(box[k & 1][0], box[(k >> 1) & 1][1], box[(k >> 2) & 1][2], p);
        rail.insert(rail.end(), p, p + 3);
    }
    auto corner = [&](int k) { return &rail[(std::size_t)k * 3]; };
    // Faces of the rail's box, each wound to face outwards: -z, +z, -x, +x, +y.
    const int faces[5][4] = {{1, 0, 2, 3}, {4, 5, 7, 6}, {0, 4, 6, 2}, {5, 1, 3, 7}, {2, 6, 7, 3}};
    for (const auto &f : faces) plate.quad(corner(f[0]), corner(f[1]), corner(f[2]), corner(f[3]), 0, 0, 1, 0.05f);

    bool ok = write_km(out + "startgate.km", {plate});

    canvas tex(128, 128);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            if (y < 64) {   // painted face: yellow with black chevrons
                bool stripe = ((x + y) / 16) % 2 == 0;
                tex.at(x, y) = stripe ? rgb(236, 190, 30) : rgb(24, 24, 26);
                if (y < 4 || y > 59) tex.at(x, y) = rgb(150, 150, 155);
            } else {        // back: galvanised steel
                double n = fbm(x / 7.0, y / 30.0, 3, 9);
                tex.at(x, y) = shade(rgb(160, 164, 168), 0.85 + 0.3 * n);
            }
        }
    ok = write_ppm(out + "startgate.ppm", 128, 128, tex.rgb_bytes()) && ok;

    // Seven columns of spheres, one on each inner point of the centre line, overlapping so that
    // nothing slips between them; stiff and well damped as a tyre. Fallen, the top row's tops
    // lie a little above the ground, the rest below it.
    std::vector<shp_sphere> spheres;
    for (int column = -3; column <= 3; ++column)
        for (int k = 1; k + 1 < points; ++k) {
            float p[3];
            lean(column * 0.45f, profile[k][0], profile[k][1], p);
            spheres.push_back({p[0], p[1], p[2], r, 0.6f, 25000.0f, 2500.0f});
        }
    return write_shp(out + "startgate.shp", spheres) && ok;
}

}   // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: gen_images OUTPUT_FOLDER\n");
        return 2;
    }
    std::string out = argv[1];
    if (out.back() != '/') out += '/';
    make_folder(out);
    bool ok = make_title(out);
    ok = make_tach(out) && ok;
    ok = make_shifter(out) && ok;
    ok = make_pitboard(out) && ok;
    ok = make_roost(out) && ok;
    ok = make_startgate(out) && ok;
    return ok ? 0 : 1;
}
