// The learned-lines store: how lines are rated, which gives way to a new one, how a robot's
// runs count, how lines of consecutive sections join, and the chain search.
#include "racing/lines.h"

#include <climits>
#include <cmath>
#include <cstring>

#include "data/mem.h"
#include "platform/log.h"
#include "shell/globals.h"
#include "terrain/timing_gates.h"

enum { SLOTS = LINE_SLOTS_PER_SECTION };

int line_store_sections(void)
{
    if (!line_store) return 0;
    return first_lap_switch_count + normal_lap_switch_count;
}

int line_store_section(int running)
{
    const int f = first_lap_switch_count, p = normal_lap_switch_count;
    if (!line_store || running < 0) return -1;
    if (running < f) return running;
    return p > 0 ? f + (running - f) % p : -1;
}

int line_next_section(int section)
{
    return section + 1 < line_store_sections() ? section + 1 : first_lap_switch_count;
}

learned_line *line_slot(int section, int slot) { return &line_store[section * SLOTS + slot]; }

void line_slot_clear(learned_line *l)
{
    mem_free(l->samples);
    *l = {nullptr, 0, LINE_TIME_NONE, LINE_TIME_NONE, 0, LINE_TIME_NONE, LINE_TIME_NONE, 0, 0, 0, 0, 0};
}

int line_chain_id(int skill, int section)
{
    const int sections = line_store_sections();
    if (!line_section_arrays || skill < 0 || skill > 2 || section < 0 || section >= sections) return 0;
    return line_section_arrays[skill * sections + section];
}

learned_line *line_find(int section, int id)
{
    if (id == 0 || section < 0 || section >= line_store_sections()) return nullptr;
    for (int i = 0; i < SLOTS; ++i)
        if (line_slot(section, i)->id == id) return line_slot(section, i);
    return nullptr;
}

static int clamp_int(long long v) { return v > INT_MAX ? INT_MAX : v < INT_MIN ? INT_MIN : (int)v; }

int line_expected_time(const learned_line *l)
{
    if (l->tested_count > 0)
        return clamp_int((long long)l->two_section_time_sum / l->tested_count +
                         (long long)LINE_PENALTY_TICKS * l->failure_count / (l->tested_count + l->failure_count));
    return clamp_int((long long)l->two_section_time * 5 / 4 + (l->failure_count > 0 ? LINE_PENALTY_TICKS : 0));
}

static float distance2(const line_sample &a, const line_sample &b)
{
    const float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return dx * dx + dy * dy + dz * dz;
}

int line_replacement_choice(int section)
{
    int value[SLOTS], proven = 0;
    for (int i = 0; i < SLOTS; ++i) {
        const learned_line *l = line_slot(section, i);
        if (l->sample_count <= 0) continue;
        value[i] = line_expected_time(l);
        int alone = 1;
        for (int j = 0; j < SLOTS && alone; ++j) {
            const learned_line *o = line_slot(section, j);
            if (j != i && o->sample_count > 0 && distance2(o->samples[0], l->samples[0]) < 4) alone = 0;
        }
        if (alone) value[i] = clamp_int((long long)value[i] * 3 / 4);
        if (l->tested_count > l->failure_count) ++proven;
    }
    int choice = -1;
    for (int i = 0; i < SLOTS; ++i) {
        const learned_line *l = line_slot(section, i);
        if (l->sample_count <= 0) continue;
        if (proven <= 22 && l->tested_count > l->failure_count) continue;
        if (choice < 0 || value[i] > value[choice]) choice = i;
    }
    return choice;
}

static int same_line(const learned_line *l, const line_sample *samples, int count)
{
    if (l->sample_count != count) return 0;
    for (int i = 0; i < count; ++i)
        if (std::fabs(l->samples[i].speed - samples[i].speed) > 1.0f / 16 ||
            distance2(l->samples[i], samples[i]) > 1.0f / 256)
            return 0;
    return 1;
}

int line_accept(int section, const line_sample *samples, int count, int spoiled, int section_time,
                int two_section_time)
{
    if (section < 0 || section >= line_store_sections()) return -1;
    if (count <= 0 || spoiled) {
        kubl_log_printf("auto pilot: %d canceled\n", section);
        return -1;
    }
    int target = -1;
    for (int i = 0; i < SLOTS; ++i) {
        const learned_line *l = line_slot(section, i);
        if (same_line(l, samples, count)) {
            kubl_log_printf("auto pilot: %d rejected (duplicate)\n", section);
            return -1;
        }
        if (target < 0 && l->sample_count <= 0) target = i;
    }
    if (target < 0) target = line_replacement_choice(section);
    learned_line *l = target >= 0 ? line_slot(section, target) : nullptr;
    if (!l || line_expected_time(l) < clamp_int((long long)two_section_time * 5 / 4)) {
        kubl_log_printf("auto pilot: %d rejected (too slow)\n", section);
        return -1;
    }
    if (g_options.debug_level) {
        const float tick = 1.0f / 128;
        const double mean = l->tested_count > 0 ? (double)l->section_time_sum / l->tested_count * tick : 0;
        const double mean2 = l->tested_count > 0 ? (double)l->two_section_time_sum / l->tested_count * tick : 0;
        kubl_log_printf("auto pilot: evicting %d (times: %.2f %.2f tested (%d %d): %.2f %.2f repl: %f %f)\n",
                        section, l->section_time * tick, l->two_section_time * tick, l->tested_count,
                        l->failure_count, mean, mean2, section_time * tick, two_section_time * tick);
    }
    line_slot_clear(l);
    l->samples = (line_sample *)alloc_or_die(sizeof(line_sample) * count);
    memcpy(l->samples, samples, sizeof(line_sample) * count);
    l->sample_count = count;
    l->section_time = section_time;
    l->two_section_time = two_section_time;
    l->id = ++line_id_counter;
    return target;
}

void line_credit(int section, int id, int section_time, int two_section_time)
{
    learned_line *l = line_find(section, id);
    if (!l) return;
    ++l->tested_count;
    if (section_time < l->best_section_time) l->best_section_time = section_time;
    if (two_section_time < l->best_two_section_time) l->best_two_section_time = two_section_time;
    l->section_time_sum = clamp_int((long long)l->section_time_sum + section_time);
    l->two_section_time_sum = clamp_int((long long)l->two_section_time_sum + two_section_time);
}

void line_fail(int section, int id)
{
    learned_line *l = line_find(section, id);
    if (l) ++l->failure_count;
}

int line_exploring_cost(const learned_line *l)
{
    const long long t = l->tested_count, x = l->failure_count;
    if (t + x > 5 && x > 4 * t) return 100000;
    unsigned long long runs = (unsigned long long)(t + 4 * x > 0 ? t + 4 * x : 0);
    int digits = 0;
    for (; runs; runs >>= 1) ++digits;
    return digits == 0 ? 0 : (digits + 4) * 1000;
}

int line_cost(const learned_line *l, int skill)
{
    if (skill == SKILL_EXPLORING) return line_exploring_cost(l);
    skill = skill < SKILL_NOVICE ? SKILL_NOVICE : skill > SKILL_EXPERT ? SKILL_EXPERT : skill;
    // Before any division: a line that is not tested enough has no mean to divide out.
    if (l->tested_count < (skill == SKILL_EXPERT ? 1 : 5)) return LINE_UNTESTED_COST;
    static const float weight[3] = {1.0f, 1.1428572f, 4.0f};
    const long long runs = (long long)l->tested_count + l->failure_count;
    float m = runs > 0 ? (float)l->failure_count / (float)runs * weight[skill] : 0;
    m = m < 0 ? 0 : m > 1 ? 1 : m;
    return clamp_int(l->section_time_sum / l->tested_count + (long long)(m * (float)LINE_PENALTY_TICKS));
}

void line_circle_centre(const line_sample *s, double centre[2])
{
    const double dx1 = (double)s[1].x - s[0].x, dz1 = (double)s[1].z - s[0].z;
    const double hx2 = ((double)s[2].x - s[1].x) / 2, hz2 = ((double)s[2].z - s[1].z) / 2;
    const double mx1 = ((double)s[0].x + s[1].x) / 2, mz1 = ((double)s[0].z + s[1].z) / 2;
    const double mx2 = s[1].x + hx2, mz2 = s[1].z + hz2;
    // The bisectors run along the steps' perpendiculars (dz, -dx); they cross where
    // m1 + t n1 = m2 + u n2.
    const double n1x = dz1, n1z = -dx1, n2x = hz2, n2z = -hx2;
    const double cross = n1x * n2z - n1z * n2x;
    if (std::fabs(cross) <= 1e-6) {
        centre[0] = mx1 + 1000000.0 * n1x;
        centre[1] = mz1 + 1000000.0 * n1z;
        return;
    }
    const double t = ((mx2 - mx1) * n2z - (mz2 - mz1) * n2x) / cross;
    centre[0] = mx1 + t * n1x;
    centre[1] = mz1 + t * n1z;
}

static double horizontal_distance(const double c[2], const line_sample &s)
{
    return std::hypot(s.x - c[0], s.z - c[1]);
}

// What the joining test needs of a line's end: its circle and its last speed.
struct line_end {
    int ok;
    double centre[2], r;
    float speed;
};

static line_end end_of(const learned_line *a)
{
    line_end e = {0, {0, 0}, 0, 0};
    if (a->sample_count < 3 || !a->samples) return e;
    const line_sample *end = a->samples + a->sample_count - 3;
    line_circle_centre(end, e.centre);
    e.r = horizontal_distance(e.centre, end[2]);
    e.speed = std::fabs(end[2].speed);
    e.ok = 1;
    return e;
}

static int end_joins(const line_end &e, const learned_line *b)
{
    if (!e.ok || b->sample_count < 2 || !b->samples) return 0;
    if (e.speed > std::fabs(b->samples[0].speed) + 15) return 0;
    const double dx = b->samples[0].x - e.centre[0], dz = b->samples[0].z - e.centre[1], d = dx * dx + dz * dz;
    const double inner = e.r - 2.5 > 0 ? e.r - 2.5 : 0;
    if (d < inner * inner || d > (e.r + 2.5) * (e.r + 2.5)) return 0;
    return std::fabs(horizontal_distance(e.centre, b->samples[0]) - horizontal_distance(e.centre, b->samples[1])) <= 2;
}

int line_joins(const learned_line *a, const learned_line *b) { return end_joins(end_of(a), b); }

// ---- The chain search ----
// Scratch kept between searches: the robots search at every pick.
static std::int64_t g_table[2][SLOTS * SLOTS];
static int g_current;
static unsigned char *g_back;   // per step, SLOTS x SLOTS
static int g_back_steps;
static unsigned char g_join[SLOTS][SLOTS];
static unsigned char g_joining[SLOTS][SLOTS];   // per line j of the next section: the k that join it, in order
static int g_joining_count[SLOTS];
static std::int64_t g_cost[SLOTS];

static void section_joins_and_costs(int section, int skill)
{
    const int next = line_next_section(section);
    for (int k = 0; k < SLOTS; ++k) {
        const learned_line *a = line_slot(section, k);
        g_cost[k] = line_cost(a, skill);
        const line_end e = end_of(a);
        for (int j = 0; j < SLOTS; ++j) g_join[k][j] = (unsigned char)end_joins(e, line_slot(next, j));
    }
    for (int j = 0; j < SLOTS; ++j) {
        g_joining_count[j] = 0;
        for (int k = 0; k < SLOTS; ++k)
            if (g_join[k][j]) g_joining[j][g_joining_count[j]++] = (unsigned char)k;
    }
}

const std::int64_t *line_search(int section, int count, int skill)
{
    if (count < 1) count = 1;
    if (count > g_back_steps) {
        mem_free(g_back);
        g_back = (unsigned char *)alloc_or_die((size_t)count * SLOTS * SLOTS);
        g_back_steps = count;
    }
    std::int64_t *t = g_table[0];
    g_current = 0;
    section_joins_and_costs(section, skill);
    for (int i = 0; i < SLOTS; ++i)
        for (int j = 0; j < SLOTS; ++j) t[i * SLOTS + j] = g_join[i][j] ? g_cost[i] : LINE_NO_JOIN;
    for (int step = 1; step < count; ++step) {
        section = line_next_section(section);
        section_joins_and_costs(section, skill);
        const std::int64_t *from = g_table[g_current];
        std::int64_t *to = g_table[g_current ^ 1];
        unsigned char *back = g_back + (size_t)step * SLOTS * SLOTS;
        for (int s = 0; s < SLOTS; ++s) {
            const std::int64_t *row = from + s * SLOTS;
            for (int j = 0; j < SLOTS; ++j) {
                std::int64_t best = LINE_NO_JOIN;
                int arg = LINE_BACK_NONE;
                for (int n = 0; n < g_joining_count[j]; ++n) {
                    const int k = g_joining[j][n];
                    const std::int64_t v = row[k] + g_cost[k];
                    if (arg == LINE_BACK_NONE || v < best) best = v, arg = k;
                }
                to[s * SLOTS + j] = best;
                back[s * SLOTS + j] = (unsigned char)arg;
            }
        }
        g_current ^= 1;
    }
    return g_table[g_current];
}

int line_search_back(int step, int start, int end)
{
    if (step < 1 || step >= g_back_steps || start < 0 || start >= SLOTS || end < 0 || end >= SLOTS)
        return LINE_BACK_NONE;
    return g_back[(size_t)step * SLOTS * SLOTS + start * SLOTS + end];
}

// Writes the chain of a search of count sections from section, starting with line start and
// ending before line end of the section after them.
static void write_chain(int *chain, int section, int count, int start, int end)
{
    // Sections of one search follow each other without wrapping: the first lap, or one lap.
    int line = end;
    for (int n = count - 1; n >= 1; --n) {
        if (line != LINE_BACK_NONE) line = line_search_back(n, start, line);
        chain[section + n] = line == LINE_BACK_NONE ? 0 : line_slot(section + n, line)->id;
    }
    chain[section] = line_slot(section, start)->id;
}

void autopilot_analyze_lines(void)
{
    const int sections = line_store_sections();
    const int f = first_lap_switch_count, p = normal_lap_switch_count;
    if (sections <= 0 || !line_section_arrays || f < 1 || p < 1) return;
    for (int skill = SKILL_NOVICE; skill <= SKILL_EXPERT; ++skill) {
        int *chain = line_section_arrays + skill * sections;
        const std::int64_t *t = line_search(f, p, skill);
        int lap = 0;
        for (int i = 1; i < SLOTS; ++i)
            if (t[i * SLOTS + i] < t[lap * SLOTS + lap]) lap = i;
        const std::int64_t lap_cost = t[lap * SLOTS + lap];
        write_chain(chain, f, p, lap, lap);

        t = line_search(0, f, skill);
        int first = 0;
        for (int w = 1; w < SLOTS; ++w)
            if (t[w * SLOTS + lap] < t[first * SLOTS + lap]) first = w;
        const std::int64_t first_cost = t[first * SLOTS + lap];
        write_chain(chain, 0, f, first, lap);
        if (g_options.debug_level) {
            kubl_log_printf("First lap: %f\n", (double)first_cost / 128);
            kubl_log_printf("Normal lap: %f\n", (double)lap_cost / 128);
        }
    }
}

// ---- Thinning crowded sections ----
int segment_side_test(const line_sample *p, const line_sample *q, const line_sample *a, const line_sample *b)
{
    const float dx = q->x - p->x, dz = q->z - p->z;
    const float ca = dx * (a->z - p->z) - dz * (a->x - p->x);
    const float cb = dx * (b->z - p->z) - dz * (b->x - p->x);
    return (ca >= 0) != (cb >= 0);
}

struct box { float x0, z0, x1, z1; };

static box line_box(const learned_line *l)
{
    box b = {l->samples[0].x, l->samples[0].z, l->samples[0].x, l->samples[0].z};
    for (int i = 1; i < l->sample_count; ++i) {
        const line_sample &s = l->samples[i];
        b.x0 = s.x < b.x0 ? s.x : b.x0, b.x1 = s.x > b.x1 ? s.x : b.x1;
        b.z0 = s.z < b.z0 ? s.z : b.z0, b.z1 = s.z > b.z1 ? s.z : b.z1;
    }
    return b;
}

// Segments that separate each other's ends touch, so lines whose boxes (with a margin for
// rounding) are apart cannot cross.
static int boxes_apart(const box &a, const box &b)
{
    const float m = 0.01f;
    return a.x1 + m < b.x0 || b.x1 + m < a.x0 || a.z1 + m < b.z0 || b.z1 + m < a.z0;
}

static int segments_cross(const line_sample *p, const line_sample *q, const line_sample *a, const line_sample *b)
{
    return segment_side_test(p, q, a, b) && segment_side_test(a, b, p, q);
}

int lines_cross(const learned_line *a, const learned_line *b)
{
    if (a->sample_count < 2 || b->sample_count < 2 || !a->samples || !b->samples) return 0;
    if (boxes_apart(line_box(a), line_box(b))) return 0;
    for (int i = 0; i + 1 < a->sample_count; ++i) {
        const line_sample *p = &a->samples[i], *q = p + 1;
        const box seg = {p->x < q->x ? p->x : q->x, p->z < q->z ? p->z : q->z, p->x < q->x ? q->x : p->x,
                         p->z < q->z ? q->z : p->z};
        for (int j = 0; j + 1 < b->sample_count; ++j) {
            const line_sample *c = &b->samples[j], *d = c + 1;
            const box other = {c->x < d->x ? c->x : d->x, c->z < d->z ? c->z : d->z, c->x < d->x ? d->x : c->x,
                               c->z < d->z ? d->z : c->z};
            if (!boxes_apart(seg, other) && segments_cross(p, q, c, d)) return 1;
        }
    }
    return 0;
}

// Whether line b should be removed before line a when both cross as many others: tested
// before untested, the slower mean tested two-section time stays, else the slower record.
static int removes_before(const learned_line *b, const learned_line *a)
{
    if (b->tested_count > 0 && a->tested_count <= 0) return 1;
    if (b->tested_count > 0 && a->tested_count > 0)
        return (long long)b->two_section_time_sum * a->tested_count < (long long)a->two_section_time_sum * b->tested_count;
    if (b->tested_count <= 0 && a->tested_count <= 0) return b->two_section_time < a->two_section_time;
    return 0;
}

static void thin_section(int section)
{
    auto lines_held = [section]() {
        int n = 0;
        for (int i = 0; i < SLOTS; ++i) n += line_slot(section, i)->sample_count > 0;
        return n;
    };
    if (lines_held() < 44) return;
    static unsigned char crosses[SLOTS][SLOTS];
    for (int i = 0; i < SLOTS; ++i) {
        crosses[i][i] = 0;
        for (int j = i + 1; j < SLOTS; ++j)
            crosses[i][j] = crosses[j][i] = (unsigned char)lines_cross(line_slot(section, i), line_slot(section, j));
    }
    while (lines_held() >= 44) {
        int choice = -1, most = -1;
        for (int i = 0; i < SLOTS; ++i) {
            const learned_line *l = line_slot(section, i);
            if (l->sample_count <= 0) continue;
            int n = 0;
            for (int j = 0; j < SLOTS; ++j) n += crosses[i][j];
            if (n > most || (n == most && removes_before(l, line_slot(section, choice)))) choice = i, most = n;
        }
        line_slot_clear(line_slot(section, choice));
        for (int j = 0; j < SLOTS; ++j) crosses[choice][j] = crosses[j][choice] = 0;
        const int replaced = line_replacement_choice(section);
        if (replaced >= 0) {
            line_slot_clear(line_slot(section, replaced));
            for (int j = 0; j < SLOTS; ++j) crosses[replaced][j] = crosses[j][replaced] = 0;
        }
    }
}

void line_store_thin(void)
{
    for (int s = 0; s < line_store_sections(); ++s) thin_section(s);
}
