// A robot race run headless, as fast as the machine goes, and what each robot made of it:
//
//   robot K number=N falls=F lap_falls=A,B,.. laps=L lap_s=T1,T2,.. first_gate_s=S missing=M gates=G,..
//         close_s=C
//   total robots=R laps=L falls=F falls_per_robot_lap=X worst_lap_falls=W finished=D missing=M/G
//         close_s=C winner=N winner_mean_lap_s=T race_s=T slowest_finisher_x=X
//         lines_first_lap_s=T lines_lap_s=T ticks=K
//
// A fall is the moment the packed bike state turns to rider-down. A missing gate is a gate of the
// race's sequence the robot is counted past without a time. close_s is the longest unbroken time
// a robot's frame spent within 3 ft of another rider's, counted from 15 s after the gate drop
// (the start line puts them 3.2 ft apart). lines_*_s are the chosen lines' own recorded times
// for the skill, summed over the first lap and over a normal lap. first_gate_s is the time from
// the gate drop to the first gate, which tells how the start went. A time that could not be
// taken prints as "-".
//
// With --trace-falls every fall also prints a line of where and how it came, taken from the tick
// before the rider went down:
//
//   fall robot=K t_s=T lap=L entry=E gate=G pos=X,Y,Z speed_mph=V pitch=P lean=R slip_fps=U air=A
//        since_land_s=S
//
// t_s counts from the gate drop; entry is the last entry of the race's gate sequence the robot
// was timed at and gate that entry's track gate; pitch (nose up positive) and lean are the
// frame's, in radians; slip_fps is the rider body's speed against the frame, which throws the
// rider off above 31 ft/s (more in the air); air is 1 while the bike is off the ground, and
// since_land_s the time since it last came down.
//
// The seed shuffles the robots' order, hence their bikes, personalities and start places, and with
// it every random draw of the race, so each seed is a race of its own.
//
// usage: race_report TRACK [--robots N] [--laps L] [--skill novice|amateur|expert] [--seed S]
//                          [--max-seconds T] [--game FOLDER] [--trace-falls]
// The game folder defaults to the build's (<build>/game/, beside this program's folder).
// Exit status: 0 when the race ran (whatever its figures), 1 when it could not, 2 on bad usage.
#include <ode/ode.h>
#include <ftw.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bike/bike_create.h"
#include "bike/bike_record.h"
#include "bike/frame.h"
#include "bike/setters.h"
#include "bike/shape.h"
#include "data/file_index.h"
#include "data/mem.h"
#include "data/paths.h"
#include "racing/lines.h"
#include "racing/race.h"
#include "racing/race_state.h"
#include "racing/standings.h"
#include "shell/globals.h"
#include "shell/setup.h"
#include "shell/startup.h"
#include "terrain/statues.h"
#include "terrain/timing_gates.h"
#include "shell/track_list.h"
#include "terrain/track_load.h"

namespace {

unsigned no_texture(const char *) { return 0; }
km_model *no_model(const char *) { return nullptr; }
const char *no_info(unsigned) { return nullptr; }
unsigned no_plate(const char *, const unsigned char *, const unsigned char *) { return 0; }
void no_plate_delete(unsigned) {}
void free_shape(shape *s) { mem_free(s); }

constexpr int PARTICIPANT_ROBOT = 2;   // reset_race's participant code of a robot
constexpr float CLOSE_FT = 3.0f;
constexpr double CLOSE_FROM_S = 15.0;

struct options {
    const char *track = nullptr;
    int robots = 8, laps = 1, skill = SKILL_NOVICE;
    unsigned seed = 1;
    double max_seconds = -1;   // -1: 600 s a lap and a minute
    std::string game;
    bool trace_falls = false;
};

struct robot_tally {
    int falls = 0;
    std::vector<int> lap_falls;   // falls in lap 1, 2, ..
    int down = 0;                 // rider down at the last tick
    int close_ticks = 0, longest_close_ticks = 0;
    // The tick before: what a fall's trace line tells.
    float pos[3] = {}, speed = 0, pitch = 0, lean = 0, slip = 0;
    int air = 0, landing_tick = 0;
};

// The frame's pitch (nose up positive) and lean in radians, and the rider's speed against the frame.
void take_pose(bike *b, robot_tally *t)
{
    dBodyID frame = b->bodies[BODY_FRAME];
    const dReal *r = dBodyGetRotation(frame), *v = dBodyGetLinearVel(frame), *p = dBodyGetPosition(frame);
    // Pitch from the wheels' centres, which does not hang on how the frame body is set in the bike.
    const dReal *f = dBodyGetPosition(b->bodies[BODY_FRONT_WHEEL]), *w = dBodyGetPosition(b->bodies[BODY_REAR_WHEEL]);
    t->pitch = (float)std::atan2(f[1] - w[1], std::hypot(f[0] - w[0], f[2] - w[2]));
    t->lean = (float)std::asin(std::clamp((double)r[4], -1.0, 1.0));   // the axle's rise: the rotation's column x
    t->speed = (float)std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    for (int k = 0; k < 3; ++k) t->pos[k] = (float)p[k];
    dBodyID rider = b->bodies[BODY_RIDER];
    const dReal *rv = dBodyGetLinearVel(rider), *rp = dBodyGetPosition(rider);
    dVector3 carried;
    dBodyGetPointVel(frame, rp[0], rp[1], rp[2], carried);
    const double u[3] = {rv[0] - carried[0], rv[1] - carried[1], rv[2] - carried[2]};
    t->slip = (float)std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
    t->air = b->landing_tick < b->fall_start_tick;
    t->landing_tick = b->landing_tick;
}

int usage(const char *why)
{
    fprintf(stderr, "race_report: %s\n", why);
    fprintf(stderr, "usage: race_report TRACK [--robots N] [--laps L] [--skill novice|amateur|expert] [--seed S] "
                    "[--max-seconds T] [--game FOLDER] [--trace-falls]\n");
    return 2;
}

bool parse_int(const char *text, long lo, long hi, long *out)
{
    char *end = nullptr;
    const long v = strtol(text, &end, 10);
    if (!*text || *end || v < lo || v > hi) return false;
    *out = v;
    return true;
}

// 0 when the arguments were read, else the exit status of a usage message.
int parse(int argc, char **argv, options *o)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.rfind("--", 0) != 0) {
            if (o->track) return usage("more than one track named");
            o->track = argv[i];
            continue;
        }
        if (a == "--trace-falls") {
            o->trace_falls = true;
            continue;
        }
        if (i + 1 >= argc) return usage(("no value after " + a).c_str());
        const char *v = argv[++i];
        long n = 0;
        if (a == "--robots") {
            if (!parse_int(v, 1, 160, &n)) return usage("--robots wants 1 to 160");
            o->robots = (int)n;
        } else if (a == "--laps") {
            if (!parse_int(v, 1, 1000, &n)) return usage("--laps wants 1 to 1000");
            o->laps = (int)n;
        } else if (a == "--seed") {
            if (!parse_int(v, 0, 0xffffffffL, &n)) return usage("--seed wants a number from 0 to 4294967295");
            o->seed = (unsigned)n;
        } else if (a == "--max-seconds") {
            if (!parse_int(v, 1, 1000000, &n)) return usage("--max-seconds wants 1 to 1000000");
            o->max_seconds = (double)n;
        } else if (a == "--skill") {
            const std::string s = v;
            if (s == "novice" || s == "0") o->skill = SKILL_NOVICE;
            else if (s == "amateur" || s == "1") o->skill = SKILL_AMATEUR;
            else if (s == "expert" || s == "2") o->skill = SKILL_EXPERT;
            else return usage("--skill wants novice, amateur or expert");
        } else if (a == "--game") {
            o->game = v;
            if (o->game.empty()) return usage("--game wants a folder");
            if (o->game.back() != '/') o->game += '/';
        } else {
            return usage(("unknown option " + a).c_str());
        }
    }
    if (!o->track) return usage("no track named");
    if (o->max_seconds < 0) o->max_seconds = 600.0 * o->laps + 60;
    return 0;
}

// <build>/tools/race_report -> <build>/game/
std::string build_game_dir()
{
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return "";
    exe[n] = 0;
    std::string s = exe;
    s = s.substr(0, s.rfind('/'));
    return s.substr(0, s.rfind('/') + 1) + "game/";
}

int remove_entry(const char *path, const struct stat *, int, struct FTW *) { return remove(path); }

const char *skill_name(int skill) { return skill == SKILL_EXPERT ? "expert" : skill == SKILL_AMATEUR ? "amateur" : "novice"; }

bool rider_down(bike *b)
{
    std::uint8_t frame[BIKE_FRAME_BYTES];
    bike_pack_frame(b, frame);
    return (frame[36] & 7) == 7;
}

// The track's gate number of the race sequence's entry n.
int gate_of_entry(int n)
{
    const int f = first_lap_count, p = normal_lap_count;
    int e;
    if (n < f) e = lap_list[n];
    else if (p > 0) e = lap_list[f + (n - f) % p];
    else return -1;
    return e >= LAP_NO_SWITCH ? e - LAP_NO_SWITCH : e;
}

// Ticks of lap `lap` (1-based) of the bike, -1 when either end has no time.
int lap_ticks(bike *b, int lap)
{
    const int f = race_first_lap_gates(), p = race_gates_per_lap();
    const int start = lap == 1 ? race_start_tick : bike_get_gate_time(b, f + p * (lap - 2) - 1);
    const int end = bike_get_gate_time(b, f + p * (lap - 1) - 1);
    return start < 0 || end < 0 || end <= start ? -1 : end - start;
}

// The chosen lines' recorded time over store sections [from, to) for the skill; -1 when a
// section has no chosen line.
int lines_ticks(int skill, int from, int to)
{
    int sum = 0;
    for (int k = from; k < to; ++k) {
        const learned_line *l = line_find(k, line_chain_id(skill, k));
        if (!l) return -1;
        sum += l->section_time;
    }
    return sum;
}

void print_seconds_or_dash(int ticks) { ticks < 0 ? printf("-") : printf("%.1f", ticks * tick); }

}   // namespace

int main(int argc, char **argv)
{
    options o;
    if (const int bad = parse(argc, argv, &o)) return bad;
    if (o.game.empty()) o.game = build_game_dir();

    // A home of its own: the race writes its results and learned lines there, not the user's.
    char home[] = "/tmp/rl_race_report_XXXXXX";
    if (!mkdtemp(home)) {
        perror("race_report: a temporary home");
        return 1;
    }
    setenv("XDG_DATA_HOME", home, 1);
    setenv("RL_HOME", o.game.c_str(), 1);
    search_folders_free();
    data_files_free();
    static const track_resource_loaders track_loaders = {no_texture, no_model, shape_load_instance};
    track_resources_set(&track_loaders);
    static const bike_resource_loaders bike_loaders = {no_texture, no_info, no_plate, no_plate_delete,
                                                       shape_load_instance, free_shape};
    bike_resources_set(&bike_loaders);
    setup_init();
    dInitODE2(0);
    physics_world = dWorldCreate();
    dWorldSetGravity(physics_world, 0, -32, 0);
    contact_group = dJointGroupCreate(0);
    g_terrain = race_terrain();
    net_socket = -1;
    tick_count = (int)o.seed;   // the robots' order is shuffled from it
    dRandSetSeed(o.seed);

    int status = 1;
    if (scan_tracks() < 1) {
        fprintf(stderr, "race_report: no tracks in %s\n", o.game.c_str());
    } else if (!track_choice_select(o.track)) {
        fprintf(stderr, "race_report: no track '%s' in %s\n", o.track, o.game.c_str());
    } else {
        int codes[160] = {};
        for (int i = 0; i < o.robots; ++i) codes[i] = PARTICIPANT_ROBOT;
        if (reset_race(codes, 0, 0, 0, o.laps, o.skill) != 1) {
            fprintf(stderr, "race_report: the race on '%s' could not be set up\n", o.track);
        } else {
            status = 0;
        }
    }
    if (status == 0) {
        printf("race %s robots=%d laps=%d skill=%s seed=%u max_s=%.0f\n", o.track, o.robots, o.laps, skill_name(o.skill),
               o.seed, o.max_seconds);
        std::vector<robot_tally> tally((std::size_t)o.robots);
        for (robot_tally &t : tally) t.lap_falls.assign((std::size_t)o.laps + 1, 0);
        std::vector<bike *> field;
        for (int i = 0; i < o.robots; ++i) field.push_back(bike_slot_table[i]);
        std::vector<float> xyz((std::size_t)o.robots * 3);
        std::vector<char> close((std::size_t)o.robots);
        const int close_from = race_start_tick + (int)std::lround(CLOSE_FROM_S / tick);
        const int bound = race_start_tick + (int)std::lround(o.max_seconds / tick);
        auto everybody_finished = [&] {
            for (bike *b : field)
                if (b && !b->finished) return false;
            return true;
        };
        while (!results_final && !everybody_finished() && tick_count < bound) {
            race_step();
            for (int i = 0; i < o.robots; ++i) {
                bike *b = field[(std::size_t)i];
                robot_tally &t = tally[(std::size_t)i];
                if (!b) continue;
                const int down = rider_down(b);
                if (down && !t.down) {
                    ++t.falls;
                    const int lap = std::min(bike_get_current_lap(b), o.laps);   // laps done: in the next
                    ++t.lap_falls[(std::size_t)lap];
                    if (o.trace_falls) {
                        const int entry = bike_get_gate_index(b);
                        printf("fall robot=%d t_s=%.2f lap=%d entry=%d gate=%d pos=%.0f,%.0f,%.0f speed_mph=%.1f "
                               "pitch=%.2f lean=%.2f slip_fps=%.1f air=%d since_land_s=%.2f\n",
                               i + 1, (tick_count - race_start_tick) * tick, lap + 1, entry, gate_of_entry(entry),
                               t.pos[0], t.pos[1], t.pos[2], t.speed * 3600 / 5280, t.pitch, t.lean, t.slip, t.air,
                               (tick_count - t.landing_tick) * tick);
                    }
                }
                t.down = down;
                if (o.trace_falls) take_pose(b, &t);
                const dReal *p = dBodyGetPosition(b->bodies[BODY_FRAME]);
                for (int k = 0; k < 3; ++k) xyz[(std::size_t)i * 3 + k] = (float)p[k];
            }
            if (tick_count < close_from) continue;
            std::fill(close.begin(), close.end(), 0);
            for (int i = 0; i < o.robots; ++i)
                for (int j = i + 1; j < o.robots; ++j) {
                    if (!field[(std::size_t)i] || !field[(std::size_t)j]) continue;
                    if (field[(std::size_t)i]->finished && field[(std::size_t)j]->finished) continue;
                    const float *a = &xyz[(std::size_t)i * 3], *c = &xyz[(std::size_t)j * 3];
                    const float dx = a[0] - c[0], dy = a[1] - c[1], dz = a[2] - c[2];
                    if (dx * dx + dy * dy + dz * dz < CLOSE_FT * CLOSE_FT) close[(std::size_t)i] = close[(std::size_t)j] = 1;
                }
            for (int i = 0; i < o.robots; ++i) {
                robot_tally &t = tally[(std::size_t)i];
                t.close_ticks = close[(std::size_t)i] ? t.close_ticks + 1 : 0;
                t.longest_close_ticks = std::max(t.longest_close_ticks, t.close_ticks);
            }
        }

        int falls = 0, laps_done = 0, finished = 0, missing = 0, gates_timed = 0, worst_lap_falls = 0, longest_close = 0;
        int winner = -1, winner_end = -1, last_end = -1;
        for (int i = 0; i < o.robots; ++i) {
            bike *b = field[(std::size_t)i];
            const robot_tally &t = tally[(std::size_t)i];
            if (!b) continue;
            const int laps = std::min(bike_get_current_lap(b), o.laps);
            printf("robot %d number=%s falls=%d lap_falls=", i + 1, bike_get_number_text(b), t.falls);
            for (int l = 0; l < o.laps; ++l) printf(l ? ",%d" : "%d", t.lap_falls[(std::size_t)l]);
            // Falls after the last lap (a finisher riding on) count with it.
            if (t.lap_falls[(std::size_t)o.laps]) printf("+%d", t.lap_falls[(std::size_t)o.laps]);
            printf(" laps=%d lap_s=", laps);
            for (int l = 1; l <= laps; ++l) {
                if (l > 1) printf(",");
                print_seconds_or_dash(lap_ticks(b, l));
            }
            if (laps == 0) printf("-");
            const int first_gate = bike_get_gate_time(b, 0);
            printf(" first_gate_s=");
            print_seconds_or_dash(first_gate < 0 ? -1 : first_gate - race_start_tick);
            int gone = 0;
            std::string which;
            for (int n = 0; n < bike_get_gate_index(b); ++n)
                if (bike_get_gate_time(b, n) < 0) {
                    ++gone;
                    if (!which.empty()) which += ',';
                    which += std::to_string(gate_of_entry(n));
                }
            printf(" missing=%d gates=%s close_s=%.1f%s\n", gone, which.empty() ? "-" : which.c_str(),
                   t.longest_close_ticks * tick, b->finished ? "" : " unfinished");
            falls += t.falls;
            laps_done += laps;
            missing += gone;
            gates_timed += bike_get_gate_index(b);
            longest_close = std::max(longest_close, t.longest_close_ticks);
            for (int l = 0; l <= o.laps; ++l) worst_lap_falls = std::max(worst_lap_falls, t.lap_falls[(std::size_t)l]);
            if (b->finished) {
                ++finished;
                const int end = bike_get_gate_time(b, race_first_lap_gates() + race_gates_per_lap() * (o.laps - 1) - 1);
                if (end >= 0 && (winner_end < 0 || end < winner_end)) winner = i, winner_end = end;
                if (end > last_end) last_end = end;
            }
        }
        const int f_sections = first_lap_switch_count, p_sections = normal_lap_switch_count;
        printf("total robots=%d laps=%d falls=%d falls_per_robot_lap=%.2f worst_lap_falls=%d finished=%d missing=%d/%d "
               "close_s=%.1f",
               o.robots, laps_done, falls, (double)falls / o.robots / o.laps, worst_lap_falls, finished, missing,
               gates_timed, longest_close * tick);
        if (winner >= 0) {
            printf(" winner=%s winner_mean_lap_s=%.1f race_s=%.1f slowest_finisher_x=%.2f",
                   bike_get_number_text(field[(std::size_t)winner]), (winner_end - race_start_tick) * tick / o.laps,
                   (winner_end - race_start_tick) * tick, (double)(last_end - race_start_tick) / (winner_end - race_start_tick));
        } else {
            printf(" winner=- winner_mean_lap_s=- race_s=- slowest_finisher_x=-");
        }
        printf(" lines_first_lap_s=");
        print_seconds_or_dash(lines_ticks(o.skill, 0, f_sections));
        printf(" lines_lap_s=");
        print_seconds_or_dash(lines_ticks(o.skill, f_sections, f_sections + p_sections));
        printf(" ticks=%d\n", tick_count - race_start_tick);
        fflush(stdout);
    }

    for (int slot = 0; slot < 160; ++slot) {
        if (bike_slot_table[slot]) bike_destroy(bike_slot_table[slot]);
        bike_slot_table[slot] = nullptr;
    }
    lines_free();
    bike_resources_set(nullptr);
    dJointGroupDestroy(contact_group);
    dWorldDestroy(physics_world);
    contact_group = nullptr;
    physics_world = nullptr;
    dCloseODE();
    nftw(home, remove_entry, 16, FTW_DEPTH | FTW_PHYS);
    return status;
}
