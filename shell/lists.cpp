// Start-up lists: demos, points series with their standings, graphics variants.
#include "shell/lists.h"
#include "data/mem.h"
#include "data/stream.h"
#include "data/util.h"
#include "platform/log.h"
#include "data/file_index.h"
#include "shell/globals.h"
#include "shell/seams_neighbours.h"
#include "shell/setup.h"
#include <cstdio>
#include <cstring>
#include <strings.h>

demo_lists     demo_list;
points_series *points_series_list;
int            points_series_count;
growable_array variant_paths[4];
growable_array variant_names[4];

static const series_track_source track_list_source = {track_list_count, track_list_folder};
static const series_track_source *g_tracks = &track_list_source;

void series_set_track_source(const series_track_source *source)
{
    g_tracks = source ? source : &track_list_source;
}

static int ends_with(const char *text, const char *tail)
{
    size_t n = strlen(text), m = strlen(tail);
    return n >= m && memcmp(text + n - m, tail, m) == 0;
}

static char *copy_text(const char *text, size_t n)
{
    char *out = (char *)alloc_or_die(n + 1);
    memcpy(out, text, n);
    out[n] = 0;
    return out;
}

void demo_lists_free(void)
{
    for (int i = 0; i < demo_list.count; ++i) mem_free(demo_list.short_names[i]);
    mem_free(demo_list.short_names);
    mem_free(demo_list.full_names);
    demo_list = demo_lists{};
}

void demo_list_build(const char *const *names)
{
    demo_lists_free();
    int count = 0;
    for (int i = 0; names && names[i]; ++i)
        if (strncmp(names[i], "demos/", 6) == 0 && ends_with(names[i], ".rldemo")) ++count;
    if (!count) return;
    demo_list.full_names = (const char **)alloc_or_die(sizeof(char *) * count);
    demo_list.short_names = (char **)alloc_or_die(sizeof(char *) * count);
    for (int i = 0; names[i]; ++i) {
        const char *name = names[i];
        if (strncmp(name, "demos/", 6) != 0 || !ends_with(name, ".rldemo")) continue;
        const char *base = strrchr(name, '/') + 1;
        const char *dot = strrchr(base, '.');
        demo_list.full_names[demo_list.count] = name;
        demo_list.short_names[demo_list.count] = copy_text(base, dot ? (size_t)(dot - base) : strlen(base));
        if (g_options.debug_level >= 1)
            kubl_log_printf("%s -> %s\n", name, demo_list.short_names[demo_list.count]);
        demo_list.count++;
    }
}

void demo_list_add(const char *name)
{
    if (!name) return;
    if (name[0] == '@') ++name;
    if (strncmp(name, "demos/", 6) != 0 || !ends_with(name, ".rldemo")) return;
    for (int i = 0; i < demo_list.count; ++i)
        if (strcasecmp(demo_list.full_names[i], name) == 0) return;
    const int count = demo_list.count + 1;
    const char **full = (const char **)alloc_or_die(sizeof(char *) * count);
    char **brief = (char **)alloc_or_die(sizeof(char *) * count);
    for (int i = 0; i < demo_list.count; ++i) full[i] = demo_list.full_names[i], brief[i] = demo_list.short_names[i];
    mem_free(demo_list.full_names);
    mem_free(demo_list.short_names);
    demo_list.full_names = full;
    demo_list.short_names = brief;
    // Interned: the list keeps pointers for the rest of the run, as it does into the index.
    full[demo_list.count] = string_intern(name);
    const char *base = strrchr(name, '/') + 1;
    const char *dot = strrchr(base, '.');
    brief[demo_list.count] = copy_text(base, dot ? (size_t)(dot - base) : strlen(base));
    demo_list.count = count;
}

// A quoted text keeps its blanks; otherwise one word.
static int read_text(data_stream *s, char out[SERIES_NAME_MAX + 1])
{
    if (data_scanf(s, " \"%1023[^\"]\"", out) == 1) return 1;
    return data_scanf(s, "%1023s", out) == 1;
}

static int read_ints(data_stream *s, int *out, int count)
{
    for (int i = 0; i < count; ++i)
        if (data_scanf(s, "%d", &out[i]) != 1) return 0;
    return 1;
}

static int find_track(const char *folder)
{
    int n = g_tracks->count();
    for (int i = 0; i < n; ++i) {
        const char *f = g_tracks->folder(i);
        if (f && strcmp(f, folder) == 0) return i;
    }
    return -1;
}

static const int series_minutes_max = 24 * 60;
static const int series_laps_max = 1000;

// Reads one ".series" file into *p (its races allocated); 0 when the file is unusable.
static int read_series(data_stream *s, const char *file_name, points_series *p)
{
    static char text[SERIES_NAME_MAX + 1];
    char skill[SERIES_NAME_MAX + 1];
    if (!read_text(s, text)) return 0;
    p->title = string_intern(text);
    if (g_options.debug_level >= 1) kubl_log_printf("series %s (%s)\n", file_name, p->title);
    if (data_scanf(s, "%d %1023s", &p->rider_count, skill) != 2) return 0;
    p->skill = strcmp(skill, "Novice") == 0 ? 0 : strcmp(skill, "Amateur") == 0 ? 1 : 2;
    if (p->rider_count < 0 || p->rider_count + 1 > SERIES_ENTRANTS_MAX) return 0;
    if (!read_ints(s, p->race_numbers, p->rider_count)) return 0;
    if (data_scanf(s, "%d", &p->race_count) != 1) return 0;
    if (p->race_count < 0 || p->race_count > SERIES_RACES_MAX) return 0;
    p->races = (series_race *)alloc_or_die(sizeof(series_race) * (p->race_count ? p->race_count : 1));
    memset(p->races, 0, sizeof(series_race) * (p->race_count ? p->race_count : 1));
    for (int r = 0; r < p->race_count; ++r) {
        series_race *race = &p->races[r];
        if (!read_text(s, text)) return 0;
        race->name = string_intern(text);
        if (!read_text(s, text)) return 0;
        race->track = find_track(text);
        if (race->track < 0) return 0;
        if (g_options.debug_level >= 1) kubl_log_printf("  event %s (%s)\n", text, race->name);
        if (data_scanf(s, "%d %d", &race->minutes, &race->laps) != 2) return 0;
        // The race takes minutes × 7680 ticks and counts gates by the lap: a day and 1000 laps
        // keep both well inside an int.
        if (race->minutes < 0 || race->minutes > series_minutes_max || race->laps < 0 || race->laps > series_laps_max) {
            kubl_log_printf("series %s: event %s runs %d minutes and %d laps; at most %d and %d\n", file_name,
                            race->name, race->minutes, race->laps, series_minutes_max, series_laps_max);
            return 0;
        }
        if (!read_ints(s, race->points, SERIES_FILE_POINTS)) return 0;
        if (!read_ints(s, race->round_points, SERIES_FILE_POINTS)) return 0;
    }
    return 1;
}

// Finishing positions per done race, 1-based in the file. A race is done when all its
// positions were read and each names a place of the series; reading stops at the first that
// is not.
static void read_standings(points_series *p)
{
    p->races_done = 0;
    data_stream *s = data_open(p->standings_name, "rb");
    if (!s) return;
    int entrants = p->rider_count + 1;
    for (int r = 0; r < p->race_count; ++r) {
        int *positions = p->races[r].positions;
        int complete = 1;
        for (int e = 0; e < entrants && complete; ++e) {
            int place;
            complete = data_scanf(s, "%d", &place) == 1 && place >= 1 && place <= entrants;
            if (complete) positions[e] = place - 1;
        }
        if (!complete) break;
        p->races_done = r + 1;
    }
    data_close(s);
}

void points_series_rank(points_series *p)
{
    int entrants = p->rider_count + 1;
    int totals[SERIES_ENTRANTS_MAX] = {};
    for (int r = 0; r < p->races_done; ++r) {
        series_race *race = &p->races[r];
        for (int e = 0; e < entrants; ++e) totals[e] += race->points[race->positions[e]];
        if (race->round_points[0] == 0) continue;
        char taken[SERIES_ENTRANTS_MAX] = {};
        for (int rank = 0; rank < entrants; ++rank) {
            int best = -1;
            for (int e = 0; e < entrants; ++e) {
                if (taken[e]) continue;
                if (best < 0 || totals[e] > totals[best] ||
                    (totals[e] == totals[best] && race->positions[e] < race->positions[best]))
                    best = e;
            }
            taken[best] = 1;
            race->ranks[best] = rank;
        }
    }
}

static void free_series(points_series *p)
{
    mem_free(p->races);
    mem_free(p->standings_name);
    *p = points_series{};
}

void series_free(void)
{
    for (int i = 0; i < points_series_count; ++i) free_series(&points_series_list[i]);
    mem_free(points_series_list);
    points_series_list = nullptr;
    points_series_count = 0;
}

void points_series_build(const char *const *names)
{
    series_free();
    int files = 0;
    for (int i = 0; names && names[i]; ++i)
        if (ends_with(names[i], ".series")) ++files;
    if (!files) return;
    points_series_list = (points_series *)alloc_or_die(sizeof(points_series) * files);
    memset(points_series_list, 0, sizeof(points_series) * files);
    for (int i = 0; names[i]; ++i) {
        if (!ends_with(names[i], ".series")) continue;
        size_t n = strlen(names[i]);
        char *at_name = (char *)alloc_or_die(n + 2);
        at_name[0] = '@';
        memcpy(at_name + 1, names[i], n + 1);
        data_stream *s = data_open(at_name, "rb");
        points_series *p = &points_series_list[points_series_count];
        if (!s) {
            mem_free(at_name);
            continue;
        }
        int ok = read_series(s, names[i], p);
        data_close(s);
        if (!ok) {
            mem_free(at_name);
            free_series(p);   // the record is reused for the next file
            continue;
        }
        p->standings_name = (char *)alloc_or_die(n + 12 + 1);
        snprintf(p->standings_name, n + 13, "%s_standings", at_name);
        mem_free(at_name);
        read_standings(p);
        points_series_rank(p);
        points_series_count++;
    }
    if (!points_series_count) series_free();
}

void bike_graphics_prefix(const char *model, char *out, int size)
{
    int k = 0;
    for (const char *c = model; *c && k < size - 2; ++c) {
        if (*c == '(') out[k++] = 'v';
        else if (*c != ')') out[k++] = *c;
    }
    out[k++] = '-';
    out[k] = 0;
}

void gather_graphics_variants(void)
{
    char bike_prefix[160];
    bike_graphics_prefix(choice_item_text(&setup_bike), bike_prefix, sizeof bike_prefix);
    const char *prefixes[4] = {"rider_body-", "rider_head-", bike_prefix, "wheels-"};
    for (int i = 0; i < 4; ++i) {
        list_variants_by_prefix(&variant_paths[i], &variant_names[i], prefixes[i]);
        setup_graphics[i].items = (const char *const *)variant_names[i].items;
        setup_graphics[i].item_count = variant_names[i].count;
        setup_graphics[i].current = 0;
    }
    // "@config" was read before the variants were known: show what it asked for, so the next
    // write keeps the player's choice instead of "default".
    graphics_variants_select_wanted();
}

void bike_graphics_variants_list(void)
{
    char prefix[160];
    bike_graphics_prefix(choice_item_text(&setup_bike), prefix, sizeof prefix);
    list_variants_by_prefix(&variant_paths[SETUP_BIKE_GRAPHICS], &variant_names[SETUP_BIKE_GRAPHICS], prefix);
    menu_choice *c = &setup_graphics[SETUP_BIKE_GRAPHICS];
    c->items = (const char *const *)variant_names[SETUP_BIKE_GRAPHICS].items;
    c->item_count = variant_names[SETUP_BIKE_GRAPHICS].count;
    c->current = 0;
}

void graphics_variants_select_wanted(void)
{
    for (int i = 0; i < SETUP_GRAPHICS_COUNT; ++i)
        widget_choice_select(&setup_graphics[i], setup_wanted_graphics[i]);
}

void variant_lists_free(void)
{
    for (int i = 0; i < 4; ++i) {
        growable_array_free(&variant_paths[i]);
        growable_array_free(&variant_names[i]);
        setup_graphics[i].items = nullptr;
        setup_graphics[i].item_count = 0;
        setup_graphics[i].current = 0;
    }
}

void gather_demo_list(void) { demo_list_build(file_index_names()); }
void gather_series(void) { points_series_build(file_index_names()); }
