// The robots' learned-lines files: loading into the line store and saving it back.
//
// The file is outside input (a player may edit it, a crash may cut it short), so the reader
// trusts none of it: every count and time is clamped, samples go into an array that grows as
// they are read (never one sized by the count the file claims), a line holding a number that
// is not finite is dropped, and the first line that does not parse ends the reading.
#include "racing/lines_file.h"

#include <cmath>

#include "racing/race.h"
#include "racing/race_state.h"
#include "data/mem.h"
#include "data/stream.h"
#include "shell/globals.h"
#include "terrain/timing_gates.h"
#include "terrain/track_files.h"

int lines_skill = -1;

static const char *const file_names[3] = {"lines_novice", "lines_amateur", "lines_expert"};

enum { SUM_CAP = 100000000, COUNT_CAP = 65535 };

static int section_count(void)
{
    return line_store ? first_lap_switch_count + normal_lap_switch_count : 0;
}

static void slot_clear(learned_line *l)
{
    mem_free(l->samples);
    *l = learned_line{nullptr, 0, 1000000, 1000000, 0, 1000000, 1000000, 0, 0, 0, 0, 0};
}

static int at_least_zero(int v) { return v < 0 ? 0 : v; }

// Halves the tested and failure counts of a line whose sums or counts ran high, keeping the mean
// tested times, then caps what is left.
static void counters_clamp(learned_line *l)
{
    for (int i = 0; i < 16; ++i) {
        if (l->two_section_time_sum <= SUM_CAP && l->tested_count <= COUNT_CAP && l->failure_count <= COUNT_CAP) break;
        if (l->tested_count != 0) {
            const int h = l->tested_count / 2;
            l->section_time_sum = h * (l->section_time_sum / l->tested_count);
            l->two_section_time_sum = h * (l->two_section_time_sum / l->tested_count);
            l->tested_count = h;
        }
        l->failure_count /= 2;
    }
    if (l->section_time_sum > SUM_CAP) l->section_time_sum = SUM_CAP;
    if (l->two_section_time_sum > SUM_CAP) l->two_section_time_sum = SUM_CAP;
    if (l->tested_count > COUNT_CAP) l->tested_count = COUNT_CAP;
    if (l->failure_count > COUNT_CAP) l->failure_count = COUNT_CAP;
}

int lines_read_line(data_stream *s, learned_line *slot)
{
    int v[9];
    if (data_scanf(s, " %d %d %d %d %d %d %d %d %d ", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8]) != 9)
        return 0;
    for (int &x : v) x = at_least_zero(x);
    // Times are capped like the sums, so that the store's sums of them and x 5 / 4 stay in range.
    for (int i = 1; i <= 5; ++i)
        if (v[i] > SUM_CAP) v[i] = SUM_CAP;

    line_sample *samples = nullptr;
    int count = 0, capacity = 0, finite = 1;
    for (int read = 0; read < v[0]; ++read) {
        line_sample p;
        if (data_scanf(s, " [ %f %f %f ] %f %f ", &p.x, &p.y, &p.z, &p.speed, &p.lean) != 5) {
            mem_free(samples);
            return 0;
        }
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z) || !std::isfinite(p.speed) ||
            !std::isfinite(p.lean))
            finite = 0;
        if (!slot || !finite) continue;
        if (count == capacity) {
            capacity = capacity ? 2 * capacity : 64;
            void *grown = mem_resize(samples, sizeof(line_sample) * (std::size_t)capacity);
            if (!grown) mem_out_of_memory();
            samples = (line_sample *)grown;
        }
        samples[count++] = p;
    }
    if (!slot) return 1;
    slot_clear(slot);
    if (!finite || count == 0) {
        mem_free(samples);
        return 1;
    }
    slot->samples = samples;
    slot->sample_count = count;
    slot->section_time = v[1];
    slot->two_section_time = v[2];
    slot->tested_count = v[3];
    slot->best_section_time = v[4];
    slot->best_two_section_time = v[5];
    slot->section_time_sum = v[6];
    slot->two_section_time_sum = v[7];
    slot->failure_count = v[8];
    counters_clamp(slot);
    slot->id = ++line_id_counter;
    return 1;
}

static void read_sections(data_stream *s, int sections)
{
    int in_file;
    if (data_scanf(s, "ct03 %d ", &in_file) != 1 || in_file != sections) return;
    for (int n = 0; n < sections; ++n) {
        int lines;
        if (data_scanf(s, " %d ", &lines) != 1) return;
        for (int i = 0; i < lines; ++i) {
            learned_line *slot = i < LINE_SLOTS_PER_SECTION ? &line_store[n * LINE_SLOTS_PER_SECTION + i] : nullptr;
            if (!lines_read_line(s, slot)) return;
        }
    }
}

void lines_load(int skill)
{
    lines_free();
    if (skill < 0 || skill > 2) return;
    lines_skill = skill;
    const int sections = section_count();
    if (sections == 0) return;
    data_stream *s = track_file_open(file_names[skill]);
    if (!s) return;
    read_sections(s, sections);
    data_close(s);
}

int lines_current(void) { return lines_skill >= 0; }

void lines_save(void)
{
    const int sections = section_count();
    if (!g_options.learn || !race_track_loaded() || lines_skill < 0 || sections == 0) return;
    track_save save;
    data_stream *s = track_save_begin(&save, file_names[lines_skill]);
    if (!s) return;
    data_printf(s, "ct03 %d\n", sections);
    for (int n = 0; n < sections; ++n) {
        const learned_line *section = &line_store[n * LINE_SLOTS_PER_SECTION];
        int used = 0;
        for (int i = 0; i < LINE_SLOTS_PER_SECTION; ++i) used += section[i].sample_count > 0;
        data_printf(s, "%d\n", used);
        for (int i = 0; i < LINE_SLOTS_PER_SECTION; ++i) {
            const learned_line &l = section[i];
            if (l.sample_count <= 0) continue;
            data_printf(s, "%d %d %d %d %d %d %d %d %d\n", l.sample_count, l.section_time, l.two_section_time,
                        l.tested_count, l.best_section_time, l.best_two_section_time, l.section_time_sum,
                        l.two_section_time_sum, l.failure_count);
            for (int k = 0; k < l.sample_count; ++k) {
                const line_sample &p = l.samples[k];
                data_printf(s, "[%f %f %f] %f %f\n", (double)p.x, (double)p.y, (double)p.z, (double)p.speed,
                            (double)p.lean);
            }
        }
    }
    track_save_commit(&save);
}

void lines_free(void)
{
    const int slots = section_count() * LINE_SLOTS_PER_SECTION;
    for (int i = 0; i < slots; ++i) slot_clear(&line_store[i]);
    lines_skill = -1;
}
