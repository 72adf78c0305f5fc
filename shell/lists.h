// shell/lists.h — lists gathered once at start-up from the file index: the graphics variants
// offered on the rider pages, the recorded demos and the points series with their standings.
#pragma once
#include "platform/array.h"

// Demos: every index name "demos/....rldemo", in index order.
struct demo_lists {
    const char **full_names;    // point into the file index's names
    char       **short_names;   // owned: the file name without folders and extension
    int          count;
};
extern demo_lists demo_list;

enum {
    SERIES_ENTRANTS_MAX = 160,   // series riders plus the player
    SERIES_FILE_POINTS = 40,     // points given per race in the file; the rest are 0
    SERIES_RACES_MAX = 1000,
    SERIES_NAME_MAX = 1023,
};

struct series_race {
    const char *name;                              // interned
    int         track;                             // index into the track list
    int         minutes;
    int         laps;
    int         points[SERIES_ENTRANTS_MAX];       // by finishing position, 1st first
    int         round_points[SERIES_ENTRANTS_MAX]; // by round rank; entry 0 of 0: no round closes here
    int         positions[SERIES_ENTRANTS_MAX];    // per entrant, 0-based
    int         ranks[SERIES_ENTRANTS_MAX];        // per entrant, 0-based, for races closing a round
};

// A series has rider_count + 1 entrants: the series riders in file order, then the player.
struct points_series {
    const char  *title;                            // interned
    char        *standings_name;                   // owned: "@" + file name + "_standings"
    int          race_count;
    series_race *races;                            // owned
    int          races_done;
    int          skill;                            // 0 Novice, 1 Amateur, 2 Expert
    int          rider_count;
    int          race_numbers[SERIES_ENTRANTS_MAX - 1];
};
extern points_series *points_series_list;
extern int            points_series_count;

// The graphics variants: rider body, helmet, bike graphics of the chosen model, wheels; each
// pair feeds one of the setup's graphics choices.
extern growable_array variant_paths[4];
extern growable_array variant_names[4];

// Folder names of the installed tracks, as the series files name them. Tests hand in their own.
struct series_track_source {
    int         (*count)(void);
    const char *(*folder)(int index);
};
void series_set_track_source(const series_track_source *source);   // null: the track list

// Start-up's calls: the lists from the file index's names.
void gather_demo_list(void);
void gather_series(void);

// names: the file index's names, null-terminated.
void demo_list_build(const char *const *names);
// A demo written during the run ("@demos/....rldemo"), listed at the end unless it is listed
// already; other names are ignored.
void demo_list_add(const char *name);
void demo_lists_free(void);
void points_series_build(const char *const *names);
void series_free(void);
// Ranks the entrants after every done race that closes a round. Points add up over the whole
// series; on equal points the better finish in the closing race wins, then the lower entrant.
void points_series_rank(points_series *series);

// "crf450(2017)" gives "crf450v2017-": the file-name prefix of that model's bike graphics.
void bike_graphics_prefix(const char *model, char *out, int size);
// For the bike model chosen in the setup; then selects the variants the setup asked for.
void gather_graphics_variants(void);
// The bike graphics choice listed afresh for the chosen model, its first item current; the
// list's storage may move, so the choice takes its items again.
void bike_graphics_variants_list(void);
void variant_lists_free(void);
// Selects each graphics choice's item named by the setup's wanted-variant buffer, when listed.
void graphics_variants_select_wanted(void);
