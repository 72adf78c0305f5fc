// Generates the engine sounds: per engine class a ".braap" file ("@default<class>.braap"), a
// sound table ("@sound/<class>.table") and its sample files (raw signed 16-bit little-endian
// mono at 44100 Hz). A cell of speed R spanning E firing events holds E × 60 × 44100 /
// (R × events per revolution) samples, so it plays at its own speed there; each event is one
// exhaust pulse rung through a few resonances of the class, with noise. Closed-throttle cells
// are quieter and duller, and hiss between their pulses. Deterministic: the same seed gives the same bytes.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

struct engine_class {
    const char *name;
    double events_per_rev;
    double rpms[5];
    double resonances[3];   // Hz
    double pipe[3];         // length, second length (ft), gain
    double minrpm, lowtorque, hightorque;
    std::uint64_t seed;
};

const engine_class classes[] = {
    {"50", 1, {2500, 5000, 8000, 11000, 14000}, {310, 870, 2300}, {1.5, 0.25, -0.7}, 1800, -3.5, 1.5, 50},
    {"125", 1, {2000, 4500, 7500, 10500, 13500}, {240, 760, 1900}, {1.75, 0.3, -0.75}, 1500, -3.5, 3.5, 125},
    {"250", 1, {1800, 4000, 6500, 9000, 11500}, {190, 620, 1600}, {2.0, 0.35, -0.75}, 1300, -3.5, 3.5, 250},
    {"250f", 0.5, {1800, 4500, 7500, 10500, 13500}, {140, 480, 1250}, {4.5, 0.85, -0.8}, 1500, -2.5, 2.5, 2500},
    {"450f", 0.5, {1500, 3500, 6000, 8500, 11000}, {105, 390, 1050}, {5.0, 0.92, -0.85}, 1200, -2.5, 2.5, 4500},
};

struct rng {
    std::uint64_t state;
    double next()
    {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return (double)((z ^ (z >> 31)) >> 11) * (2.0 / 9007199254740992.0) - 1;   // -1..1
    }
};

// Written under a temporary name and renamed into place.
bool write_file(const std::string &path, const std::string &bytes)
{
    const std::string temp = path + ".tmp";
    FILE *f = fopen(temp.c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = fclose(f) == 0 && ok;
    return ok && rename(temp.c_str(), path.c_str()) == 0;
}

// Each cell is scaled so its loudest sample sits at a fixed level: open-throttle cells at
// -3 dBFS, closed ones at -14 dBFS (the pipe's echoes add to them most at idle). The player's voice is only 8 bits deep, so a quieter table
// would leave most of what is heard as the grain of its last bits.
const double OPEN_PEAK = 0.708, CLOSED_PEAK = 0.2;

std::string cell_samples(const engine_class &c, double rpm, int events, bool open, rng &r)
{
    const double pi = 3.14159265358979323846;
    const int count = (int)(events * 60.0 * 44100 / (rpm * c.events_per_rev));
    const int per_event = count / events;
    // A pulse rings for a share of the time to the next, so slow engines are not mostly
    // silence between clicks; shut, the pulse is shorter and the hiss between them carries.
    const double period = (double)per_event / 44100;
    const double decay = std::max(0.004, period * (open ? 0.3 : 0.22));   // s
    const double hiss = open ? 0.06 : 0.16;
    std::vector<double> v(count);
    double noise = 0, peak = 0;
    for (int k = 0; k < count; ++k) {
        const double t = (double)(k % per_event) / 44100;
        const double env = std::exp(-t / decay);
        double x = 0;
        for (int i = 0; i < 3; ++i) x += std::sin(2 * pi * c.resonances[i] * t + i) * (open ? 1.0 : 0.6) / (i + 1);
        noise = 0.7 * noise + 0.3 * r.next();
        x = env * (x * 0.7 + noise * (open ? 0.5 : 0.3)) + hiss * noise;
        // A soft limit rounds the pulse's first peaks, so the scaling below lifts its body.
        v[k] = std::tanh(2.5 * x);
        peak = std::max(peak, std::fabs(v[k]));
    }
    const double gain = peak > 0 ? (open ? OPEN_PEAK : CLOSED_PEAK) / peak : 0;
    std::string out;
    for (double x : v) {
        int s = (int)std::lround(x * gain * 32767);
        s = s < -32768 ? -32768 : (s > 32767 ? 32767 : s);
        out += (char)(s & 0xFF), out += (char)((s >> 8) & 0xFF);
    }
    return out;
}

}   // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: gen_sounds OUTPUT_FOLDER\n");
        return 2;
    }
    std::string out = argv[1];
    if (out.back() != '/') out += '/';
    mkdir((out + "sound").c_str(), 0755);
    for (const engine_class &c : classes) {
        rng r{c.seed};
        const int events = 4;
        std::string table = "SOUNDTABLE 5 2\n";
        char line[256];
        for (double rpm : c.rpms) snprintf(line, sizeof line, "%g ", rpm), table += line;
        table += "\n0 1\n";
        for (int row = 0; row < 5; ++row)
            for (int col = 0; col < 2; ++col) {
                snprintf(line, sizeof line, "sound/%s_%d_%d.raw", c.name, row, col);
                if (!write_file(out + line, cell_samples(c, c.rpms[row], events, col == 1, r))) {
                    fprintf(stderr, "gen_sounds: cannot write %s%s\n", out.c_str(), line);
                    return 1;
                }
                // Some cells play their events out of order, so a steady speed does not repeat.
                const char *remap = (row + col) % 2 ? "0 2 1 3 -1" : "-1";
                char cell[320];
                snprintf(cell, sizeof cell, "%s %d @%s\n", remap, events, line);
                table += cell;
            }
        const std::string table_name = std::string("sound/") + c.name + ".table";
        char braap[1024];
        snprintf(braap, sizeof braap,
                 "# engine sound of the %s class\npipe %g %g %g 0 15\nminrpm %g\nlowtorque %g\nhightorque %g\n"
                 "bias 0 40 -30 15\nscale 1 1.01 0.99 1\nsoundtable @%s\n",
                 c.name, c.pipe[0], c.pipe[1], c.pipe[2], c.minrpm, c.lowtorque, c.hightorque, table_name.c_str());
        if (!write_file(out + table_name, table) ||
            !write_file(out + "default" + c.name + ".braap", braap)) {
            fprintf(stderr, "gen_sounds: cannot write the %s class\n", c.name);
            return 1;
        }
    }
    return 0;
}
