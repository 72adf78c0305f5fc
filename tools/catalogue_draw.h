// tools/catalogue_draw.h — draws the per-model values of the bike catalogue (gearing, torque
// curves, file stems) and prints them as the source of bike/bike_catalogue_data.cpp. The file is
// committed: demos, learned lines and robot tuning depend on the numbers, so they must not move
// when a generator changes. tools/make_catalogue_data.cpp writes it; a test prints it again with
// this same code and compares.
//
// Each model draws from two seeds: the FNV-1a hash of its name without the "(YYYY)" year, so the
// years of one model stay close, and the hash of its full name for a ±1 % spread between years.
// One draw per statement keeps the order of draws the same under every compiler.
#pragma once
#include "bike/catalogue_rows.h"
#include "tools/gen_common.h"
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

namespace catalogue_draw {

struct model { const char *name; bike_row row; };

// Menu order, newest first.
inline constexpr model models[] = {
    {"450sxf(2018)", BIKE_ROW_450F}, {"crf450(2018)", BIKE_ROW_450F}, {"fc450(2018)", BIKE_ROW_450F},
    {"kx450f(2018)", BIKE_ROW_450F}, {"rmz450(2018)", BIKE_ROW_450F}, {"yz450f(2018)", BIKE_ROW_450F},
    {"450sxf(2017)", BIKE_ROW_450F}, {"crf450(2017)", BIKE_ROW_450F}, {"fc450(2017)", BIKE_ROW_450F},
    {"kx450f(2017)", BIKE_ROW_450F}, {"rmz450(2017)", BIKE_ROW_450F}, {"yz450f(2017)", BIKE_ROW_450F},
    {"350sxf(2017)", BIKE_ROW_350SXF},
    {"450sxf(2016)", BIKE_ROW_450F}, {"crf450(2016)", BIKE_ROW_450F}, {"kx450f(2016)", BIKE_ROW_450F},
    {"rmz450(2016)", BIKE_ROW_450F}, {"yz450f(2016)", BIKE_ROW_450F}, {"crf450(2013)", BIKE_ROW_450F},
    {"kx450f(2013)", BIKE_ROW_450F}, {"rmz450(2013)", BIKE_ROW_450F}, {"yz450f(2013)", BIKE_ROW_450F},
    {"450sxf(2013)", BIKE_ROW_450F},
    {"350sxf(2013)", BIKE_ROW_350SXF},
    {"crf450(2011)", BIKE_ROW_450F}, {"kx450f(2011)", BIKE_ROW_450F}, {"rmz450(2011)", BIKE_ROW_450F},
    {"yz450f(2011)", BIKE_ROW_450F}, {"450sxf(2011)", BIKE_ROW_450F}, {"350sxf(2011)", BIKE_ROW_350SXF},
    {"250sx(2012)", BIKE_ROW_250}, {"cr250(2007)", BIKE_ROW_250}, {"kx250(2006)", BIKE_ROW_250},
    {"rm250(2008)", BIKE_ROW_250}, {"yz250(2012)", BIKE_ROW_250},
    {"crf250(2018)", BIKE_ROW_250F}, {"fc250(2018)", BIKE_ROW_250F}, {"kx250f(2018)", BIKE_ROW_250F},
    {"rmz250(2018)", BIKE_ROW_250F}, {"yz250f(2018)", BIKE_ROW_250F}, {"250sxf(2018)", BIKE_ROW_250F},
    {"crf250(2017)", BIKE_ROW_250F}, {"fc250(2017)", BIKE_ROW_250F}, {"kx250f(2017)", BIKE_ROW_250F},
    {"rmz250(2017)", BIKE_ROW_250F}, {"yz250f(2017)", BIKE_ROW_250F}, {"250sxf(2017)", BIKE_ROW_250F},
    {"crf250(2016)", BIKE_ROW_250F}, {"kx250f(2016)", BIKE_ROW_250F}, {"rmz250(2016)", BIKE_ROW_250F},
    {"yz250f(2016)", BIKE_ROW_250F}, {"250sxf(2016)", BIKE_ROW_250F},
    {"crf250(2013)", BIKE_ROW_250F}, {"kx250f(2013)", BIKE_ROW_250F}, {"rmz250(2013)", BIKE_ROW_250F},
    {"yz250f(2013)", BIKE_ROW_250F}, {"250sxf(2013)", BIKE_ROW_250F},
    {"crf250(2009)", BIKE_ROW_250F}, {"kx250f(2009)", BIKE_ROW_250F}, {"rmz250(2009)", BIKE_ROW_250F},
    {"yz250f(2009)", BIKE_ROW_250F}, {"250sxf(2009)", BIKE_ROW_250F},
    {"crf250(2008)", BIKE_ROW_250F}, {"kx250f(2008)", BIKE_ROW_250F}, {"rmz250(2008)", BIKE_ROW_250F},
    {"yz250f(2008)", BIKE_ROW_250F},
    {"cr125", BIKE_ROW_125}, {"kx125", BIKE_ROW_125}, {"rm125", BIKE_ROW_RM125}, {"yz125", BIKE_ROW_125},
    {"125sx", BIKE_ROW_125},
    {"crf250(2007)", BIKE_ROW_250F}, {"kx250f(2007)", BIKE_ROW_250F}, {"rmz250(2007)", BIKE_ROW_250F},
    {"yz250f(2007)", BIKE_ROW_250F}, {"yz250f_se(2006)", BIKE_ROW_250F},
    {"rs50cr", BIKE_ROW_50}, {"rs50kx", BIKE_ROW_50}, {"rs50rm", BIKE_ROW_RS50RM}, {"rs50yz", BIKE_ROW_50},
};
inline constexpr int model_count = (int)(sizeof models / sizeof models[0]);

// What a row's models are drawn within. Torque in lbf·ft, speeds in rpm, top speed in mph.
struct row_ranges {
    double primary[2];
    int front_teeth, rear_teeth[2];
    int gears;                       // 5 or 6
    double peak[2];
    int peak_rpm[2];                 // multiples of 500, so the peak is a curve point
    double top_mph;
    bool two_stroke;
};
inline constexpr row_ranges ranges[BIKE_ROWS] = {
    {{2.3, 2.6}, 13, {48, 50}, 5, {33, 36}, {7000, 8000}, 100, false},     // 450f
    {{2.3, 2.6}, 13, {48, 50}, 5, {25, 27}, {9000, 9000}, 100, false},     // 350sxf
    {{3.0, 3.4}, 13, {48, 51}, 5, {19, 21}, {10000, 11000}, 85, false},    // 250f
    {{2.6, 2.9}, 13, {48, 50}, 5, {27, 30}, {8000, 8000}, 90, true},       // 250
    {{3.2, 3.5}, 13, {50, 52}, 6, {14, 15}, {10500, 10500}, 78, true},     // 125
    {{3.2, 3.5}, 13, {50, 52}, 6, {14, 15}, {10500, 10500}, 78, true},     // rm125
    {{3.6, 3.8}, 12, {55, 55}, 6, {5, 7}, {10000, 10000}, 60, true},       // 50
    {{3.6, 3.8}, 12, {55, 55}, 6, {5, 7}, {10000, 10000}, 60, true},       // rs50rm
};

// Gearboxes all models scale: five speeds from "450sxf(2018)", six from "rs50cr".
inline constexpr double five_speed[BIKE_GEARS] = {2, 1.667, 1.4, 1.182, 1, -1};
inline constexpr double six_speed[BIKE_GEARS] = {3.091, 2, 1.5, 1.2, 1.045, 0.957};

// Models whose values are fixed rather than drawn.
struct anchor { const char *name; double primary; int front_teeth, rear_teeth; const double *gears; };
inline constexpr anchor anchors[] = {
    {"450sxf(2018)", 2.4516, 13, 48, five_speed},
    {"rs50cr", 3.7143, 12, 55, six_speed},
};
struct stem_anchor { const char *name, *stem; };
inline constexpr stem_anchor stem_anchors[] = {
    {"450sxf(2018)", "450sxfv2016"}, {"rs50cr", "cr125"}, {"cr250(2007)", "cr250"},
};

// Closed-throttle points 0-3 (0 to 1500 rpm): engine braking ends at the 1500 rpm idle.
inline constexpr double closed_idle[4] = {4, 3, 1.5, 0};

// Rear wheel R + r: how far the axle rides above the ground.
inline constexpr double rolling_radius_ft = 1.0833;
inline constexpr double feet_per_second_per_mph = 5280.0 / 3600.0;

inline std::uint32_t fnv1a(const std::string &text)
{
    std::uint32_t h = 2166136261u;
    for (unsigned char c : text) {
        h ^= c;
        h *= 16777619u;
    }
    return h;
}

// "crf450(2017)" -> "crf450"; names without a year stay.
inline std::string family(const std::string &name)
{
    std::size_t open = name.rfind('(');
    return open == std::string::npos ? name : name.substr(0, open);
}

// "crf450(2017)" -> "crf450v2017", "rs50kx" -> "kx125", anchors as listed.
inline std::string stem(const std::string &name)
{
    for (const stem_anchor &a : stem_anchors)
        if (name == a.name) return a.stem;
    if (name.compare(0, 4, "rs50") == 0) return name.substr(4) + "125";
    std::size_t open = name.rfind('(');
    if (open == std::string::npos) return name;
    std::size_t close = name.find(')', open);
    return name.substr(0, open) + "v" + name.substr(open + 1, close - open - 1);
}

// To the 5 significant digits the file keeps, so everything drawn later builds on the stored value.
inline double round5(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.5g", v);
    return std::strtod(text, nullptr) + 0.0;   // + 0.0 turns -0 into 0
}

inline double clamp(double v, double lo, double hi) { return v < lo ? lo : v > hi ? hi : v; }

struct drawn {
    double primary;
    int front_teeth, rear_teeth;
    double gears[BIKE_GEARS];
    double closed[BIKE_TORQUE_POINTS], open[BIKE_TORQUE_POINTS];
};

// Open throttle: a smooth rise to the peak, easing to 75 % of it at the shift-up speed, straight
// down to nothing at the third speed and to -peak 1500 rpm later (the rev limiter), flat beyond.
inline double open_torque(double rpm, double peak, double peak_rpm, double start, double shift_up,
                          double third)
{
    if (rpm <= peak_rpm) return peak * (start + (1 - start) * std::sin(rpm / peak_rpm * gen::PI / 2));
    if (rpm <= shift_up) {
        double t = (rpm - peak_rpm) / (shift_up - peak_rpm);
        return peak * (0.75 + 0.125 * (1 + std::cos(t * gen::PI)));
    }
    if (rpm <= third) return 0.75 * peak * (third - rpm) / (third - shift_up);
    if (rpm <= third + 1500) return -peak * (rpm - third) / 1500;
    return -peak;
}

inline drawn draw_model(const model &m)
{
    const row_ranges &rr = ranges[m.row];
    const bike_row_values &row = bike_rows[m.row];
    gen::rng sibling(fnv1a(family(m.name)));
    gen::rng own(fnv1a(m.name));
    drawn d = {};

    // The model's draw leaves room for the spread between its years inside the row's range.
    double primary = sibling.range(rr.primary[0] / 0.99, rr.primary[1] / 1.01);
    double spread = own.range(-0.01, 0.01);
    d.primary = round5(clamp(primary * (1 + spread), rr.primary[0], rr.primary[1]));
    d.front_teeth = rr.front_teeth;
    d.rear_teeth = rr.rear_teeth[0] + sibling.below(rr.rear_teeth[1] - rr.rear_teeth[0] + 1);

    double peak = sibling.range(rr.peak[0] / 0.99, rr.peak[1] / 1.01);
    spread = own.range(-0.01, 0.01);
    peak = round5(clamp(peak * (1 + spread), rr.peak[0], rr.peak[1]));
    int peak_rpm = rr.peak_rpm[0] + 500 * sibling.below((rr.peak_rpm[1] - rr.peak_rpm[0]) / 500 + 1);
    double start = sibling.range(0.25, 0.4);
    // Never below the idle curve + 1 under 2000 rpm: the open curve starts at 5 or more and rises.
    if (start * peak < closed_idle[0] + 1) start = (closed_idle[0] + 1) / peak;
    if (start > 1) start = 1;

    // Top speed within 3 % of the row's: 1.9 % for the model, 1 % between its years.
    double top = sibling.range(-0.019, 0.019);
    spread = own.range(-0.01, 0.01);
    double top_fps = rr.top_mph * feet_per_second_per_mph * (1 + top) * (1 + spread);

    for (const anchor &a : anchors)
        if (std::string(m.name) == a.name) {
            d.primary = a.primary;
            d.front_teeth = a.front_teeth;
            d.rear_teeth = a.rear_teeth;
        }

    const double *box = rr.gears == 5 ? five_speed : six_speed;
    const double top_ratio = box[rr.gears - 1];
    double engine_rad_s = row.third_rpm * gen::PI / 30;
    double wheel_rad_s = top_fps / rolling_radius_ft;
    double factor = engine_rad_s / wheel_rad_s / (d.primary * top_ratio * d.rear_teeth / d.front_teeth);
    for (const anchor &a : anchors)
        if (std::string(m.name) == a.name) factor = 1;
    for (int g = 0; g < BIKE_GEARS; ++g) d.gears[g] = box[g] > 0 ? round5(box[g] * factor) : -1;

    const double shift_up = row.shift_up_rpm, third = row.third_rpm;
    const double braking_end = rr.two_stroke ? 0.12 : 0.20;
    for (int k = 0; k < BIKE_TORQUE_POINTS; ++k) {
        double rpm = k * (double)BIKE_TORQUE_STEP_RPM;
        double open = open_torque(rpm, peak, peak_rpm, start, shift_up, third);
        double closed;
        if (k < 4) {
            closed = closed_idle[k];
        } else {
            double line = -peak * (0.08 + (braking_end - 0.08) * (rpm - 2000) / (shift_up - 2000));
            closed = rpm > third && open < line ? open : line;
        }
        if (rpm < 2000 && open < closed + 1) open = closed + 1;
        d.open[k] = round5(open);
        d.closed[k] = round5(closed);
    }
    return d;
}

inline std::string number(double v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.5g", v + 0.0);
    std::string s = text;
    if (s.find_first_of(".e") != std::string::npos) s += 'f';
    return s;
}

inline std::string list(const double *v, int n, int per_line, const char *indent)
{
    std::string s = "{";
    for (int i = 0; i < n; ++i) {
        if (i > 0) s += (i % per_line == 0) ? std::string(",\n") + indent : std::string(", ");
        s += number(v[i]);
    }
    return s + "}";
}

inline const char *const row_names[BIKE_ROWS] = {
    "BIKE_ROW_450F", "BIKE_ROW_350SXF", "BIKE_ROW_250F", "BIKE_ROW_250",
    "BIKE_ROW_125", "BIKE_ROW_RM125", "BIKE_ROW_50", "BIKE_ROW_RS50RM",
};

// The whole text of bike/bike_catalogue_data.cpp.
inline std::string source()
{
    std::string s =
        "// bike/bike_catalogue_data.cpp — the 80 built-in models, newest first. Written by\n"
        "// tools/make_catalogue_data.cpp; do not edit by hand (a test prints it again and compares).\n"
        "// Each model: name, row, file stem, then primary ratio, front and rear teeth, gear ratios,\n"
        "// closed- and open-throttle torque (lbf·ft, every 500 rpm from 0).\n"
        "#include \"bike/catalogue_rows.h\"\n"
        "\n"
        "constinit const bike_info bike_catalogue[] = {\n";
    for (const model &m : models) {
        drawn d = draw_model(m);
        const char *in = "         ";
        s += std::string("    bike_record(\"") + m.name + "\", " + row_names[m.row] + ", BIKE_STEM_FILES(\"" +
             stem(m.name) + "\"),\n";
        s += "        {" + number(d.primary) + ", " + std::to_string(d.front_teeth) + ", " +
             std::to_string(d.rear_teeth) + ", " + list(d.gears, BIKE_GEARS, BIKE_GEARS, in) + ",\n";
        s += in + list(d.closed, BIKE_TORQUE_POINTS, 10, "          ") + ",\n";
        s += in + list(d.open, BIKE_TORQUE_POINTS, 10, "          ") + "}),\n";
    }
    s += "};\n"
         "const int bike_catalogue_count = (int)(sizeof bike_catalogue / sizeof bike_catalogue[0]);\n";
    return s;
}

}   // namespace catalogue_draw
