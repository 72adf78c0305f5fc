// The timing gates file and the gate tables.
#include "terrain/timing_gates.h"
#include "terrain/statues.h"
#include "terrain/track_files.h"
#include "terrain/learned_line.h"
#include "shell/globals.h"
#include "data/console.h"
#include "data/mem.h"
#include "data/stream.h"
#include "platform/log.h"
#include <cmath>
#include <cstdio>
#include <cstring>

timing_gate  *gates;
int           gate_count;
int          *lap_list;
int           first_lap_count, normal_lap_count;
int           first_lap_switch_count, normal_lap_switch_count;
learned_line *line_store;
int          *line_section_arrays;
int           line_id_counter;
int           start_count;
float         start_positions[START_POSITIONS_MAX][3];
float         start_angles[START_POSITIONS_MAX];
int           start_statues[START_POSITIONS_MAX];
int           timing_gates_refused;

static const char *const default_names[3] = {"@startgate.km", "@startgate.ppm", "@startgate.shp"};

void timing_gates_free(void)
{
    mem_free(gates);
    mem_free(lap_list);
    // The slots own their samples; lines nobody freed before the track's release go with it.
    const int slots = line_store ? LINE_SLOTS_PER_SECTION * (first_lap_switch_count + normal_lap_switch_count) : 0;
    for (int i = 0; i < slots; ++i) mem_free(line_store[i].samples);
    mem_free(line_store);
    mem_free(line_section_arrays);
    gates = nullptr;
    lap_list = nullptr;
    line_store = nullptr;
    line_section_arrays = nullptr;
    gate_count = first_lap_count = normal_lap_count = 0;
    first_lap_switch_count = normal_lap_switch_count = 0;
    start_count = 0;
}

static float wrap_angle(float a)
{
    const float pi = (float)M_PI, two_pi = (float)(2 * M_PI);
    if (a >= -pi && a <= pi) return a;
    float t = (a + pi) / two_pi;
    t = t - std::floor(t);
    float turned = t * two_pi;
    return turned - pi;
}

static int all_finite(const float *v, int n)
{
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(v[i])) return 0;
    return 1;
}

// One start line: 1 made, 0 when it holds fewer than 4 values (that ends the section).
static int start_line(const char *line, int *dropped)
{
    float v[4];
    char names[3][1024];
    int n = sscanf(line, " [ %f %f %f ] %f %1023s %1023s %1023s", &v[0], &v[1], &v[2], &v[3], names[0], names[1],
                   names[2]);
    if (n < 4 || !all_finite(v, 4)) return 0;
    // Past the 160th start the section reads on to "checkpoints:"; further starts are dropped.
    if (start_count == START_POSITIONS_MAX) return *dropped = 1;
    for (int i = n - 4; i < 3; ++i) snprintf(names[i], sizeof names[i], "%s", default_names[i]);
    const int k = start_count;
    const float a = wrap_angle(v[3]);
    start_positions[k][0] = v[0];
    start_positions[k][1] = v[1];
    start_positions[k][2] = v[2];
    start_angles[k] = a;
    start_statues[k] = statue_add(v[0] - 3.0f * std::sin(a), v[1], v[2] - 3.0f * std::cos(a), a, names[0], names[1],
                                  names[2]);
    start_count = k + 1;
    return 1;
}

static int first_word_is(const char *line, const char *keyword)
{
    char word[81];
    return sscanf(line, "%80s", word) == 1 && !strcmp(word, keyword);
}

// Reads start lines up to the "checkpoints:" line; 1 when the section ended there, 0 at the
// file's end (a track of starts only), -1 at a line that is no start.
static int read_starts(data_stream *s, int *dropped)
{
    char line[1024];
    while (data_gets(s, line, sizeof line)) {
        if (first_word_is(line, "checkpoints:")) return 1;
        if (!start_line(line, dropped)) return -1;
    }
    return 0;
}

static int read_word(data_stream *s, char word[81])
{
    word[0] = 0;
    return data_scanf(s, " %80s ", word) == 1;
}

// Lap entries into list from *count on; the switch points (below 100000) are counted.
static void read_lap(data_stream *s, int *list, int *count, int *switches)
{
    int entry = 0;
    for (int n = 0; n < LAP_ENTRIES_MAX && data_scanf(s, "%d", &entry) == 1; ++n) {
        list[(*count)++] = entry;
        if (entry < LAP_NO_SWITCH) ++*switches;
    }
}

void timing_gates_load(const char *file_name)
{
    timing_gates_free();
    timing_gates_refused = 0;
    data_stream *s = data_open(file_name, "rb");
    if (!s) return;

    static timing_gate read_gates[GATES_MAX];
    static int entries[2 * LAP_ENTRIES_MAX];
    int gates_read = 0, first = 0, normal = 0, first_switches = 0, normal_switches = 0;
    char word[81];
    int ok = read_word(s, word), damaged = 0;
    if (ok && !strcmp(word, "startinggate:")) {
        const int starts = read_starts(s, &damaged);
        ok = starts > 0;
        damaged |= starts < 0;
    } else if (ok) {
        ok = !strcmp(word, "checkpoints:");
        damaged = !ok;
    }

    if (ok) {
        float v[7];
        while (gates_read < GATES_MAX &&
               data_scanf(s, "%f [ %f %f %f ] [ %f %f %f ] ", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]) == 7 &&
               all_finite(v, 7)) {
            timing_gate &g = read_gates[gates_read++];
            g.radius = v[0];
            memcpy(g.centre, v + 1, sizeof g.centre);
            memcpy(g.direction, v + 4, sizeof g.direction);
            g.scene_flag = 0;
        }
        read_word(s, word);
        if (!strcmp(word, "firstlap:")) {
            read_lap(s, entries, &first, &first_switches);
            read_word(s, word);
        }
        if (!strcmp(word, "normallap:")) {
            int total = first;
            read_lap(s, entries, &total, &normal_switches);
            normal = total - first;
            word[0] = 0;
            read_word(s, word);   // anything after the last lap was not taken
        }
        damaged |= word[0] != 0;
        damaged |= (gates_read > 0 || first > 0 || normal > 0) &&
                   (gates_read == 0 || first == 0 || normal == 0 || first_switches == 0 || normal_switches == 0);
    }
    data_close(s);
    timing_gates_refused = damaged;
    if (damaged)
        kubl_log_printf("%.300s could not be read whole (a section damaged or cut short, or more than %d gates "
                        "or lap entries): the editor will not save over it\n", file_name, GATES_MAX);

    for (int i = 0; i < first + normal; ++i) {
        int e = entries[i] < 0 ? 0 : entries[i];
        int f = e >= LAP_NO_SWITCH ? LAP_NO_SWITCH : 0;
        int g = e % LAP_NO_SWITCH;
        entries[i] = f + (g < gates_read - 1 ? g : gates_read - 1);
    }
    if (!ok || gates_read == 0 || first == 0 || normal == 0 || first_switches == 0 || normal_switches == 0) return;

    const int sections = first_switches + normal_switches;
    line_store = (learned_line *)alloc_or_die(sizeof(learned_line) * LINE_SLOTS_PER_SECTION * sections);
    line_section_arrays = (int *)alloc_or_die(sizeof(int) * 3 * sections);
    memset(line_section_arrays, 0, sizeof(int) * 3 * sections);
    const learned_line empty = {nullptr, 0, 1000000, 1000000, 0, 1000000, 1000000, 0, 0, 0, 0, 0};
    for (int i = 0; i < LINE_SLOTS_PER_SECTION * sections; ++i) line_store[i] = empty;
    gates = (timing_gate *)alloc_or_die(sizeof(timing_gate) * gates_read);
    memcpy(gates, read_gates, sizeof(timing_gate) * gates_read);
    lap_list = (int *)alloc_or_die(sizeof(int) * (first + normal));
    memcpy(lap_list, entries, sizeof(int) * (first + normal));
    gate_count = gates_read;
    first_lap_count = first;
    normal_lap_count = normal;
    first_lap_switch_count = first_switches;
    normal_lap_switch_count = normal_switches;
    line_id_counter = 0;
    if (g_options.debug_level)
        kubl_log_printf("Found %d timing gates, first lap has %d gates, normal lap has %d\n", gate_count,
                        first_lap_count, normal_lap_count);
}

static const char *or_null(const char *name) { return name ? name : "null"; }

int timing_gates_save(void)
{
    track_save save;
    data_stream *s = track_save_begin(&save, "timing_gates");
    if (!s) {
        console_print("Can't open 'timing_gates'\n");
        return 0;
    }
    if (start_count > 0) {
        data_puts(s, "startinggate:\n");
        for (int k = 0; k < start_count; ++k) {
            data_printf(s, "[%f %f %f]", start_positions[k][0], start_positions[k][1], start_positions[k][2]);
            data_printf(s, " %f", start_angles[k]);
            const char *names[3] = {default_names[0], default_names[1], default_names[2]};
            int i = start_statues[k];
            if (i >= 0 && i < statues.count) {
                const statue &st = ((const statue *)statues.items)[i];
                names[0] = or_null(st.model_name);
                names[1] = or_null(st.texture_name);
                names[2] = or_null(st.shape_name);
            }
            if (!strcmp(names[0], default_names[0]) && !strcmp(names[1], default_names[1]) &&
                !strcmp(names[2], default_names[2]))
                data_puts(s, "\n");
            else
                data_printf(s, " %s %s %s\n", names[0], names[1], names[2]);
        }
    }
    if (gate_count > 0) {
        data_puts(s, "checkpoints:\n");
        for (int i = 0; i < gate_count; ++i) {
            const timing_gate &g = gates[i];
            data_printf(s, "%f ", g.radius);
            data_printf(s, "[%f %f %f]", g.centre[0], g.centre[1], g.centre[2]);
            data_puts(s, " ");
            data_printf(s, "[%f %f %f]", g.direction[0], g.direction[1], g.direction[2]);
            data_puts(s, "\n");
        }
    }
    if (first_lap_count > 0) {
        data_puts(s, "firstlap:\n");
        for (int i = 0; i < first_lap_count; ++i) data_printf(s, "%d ", lap_list[i]);
        data_puts(s, "\n");
    }
    if (normal_lap_count > 0) {
        data_puts(s, "normallap:\n");
        for (int i = 0; i < normal_lap_count; ++i) data_printf(s, "%d ", lap_list[first_lap_count + i]);
        data_puts(s, "\n");
    }
    if (!track_save_commit(&save)) {
        console_print("Can't write 'timing_gates'\n");
        return 0;
    }
    return 1;
}
