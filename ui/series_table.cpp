// The series standings table: totals per entrant, their order, and the round cells. A round is
// one to three consecutive races ending at a race that closes it (its round points set).
#include "ui/menu.h"
#include "shell/lists.h"
#include <cstdio>
#include <cstdlib>

int compare_series_points(const void *a, const void *b)
{
    const series_table_row *x = (const series_table_row *)a, *y = (const series_table_row *)b;
    if (x->total != y->total) return x->total < y->total ? 1 : -1;
    return (x->rider > y->rider) - (x->rider < y->rider);
}

static int race_points(const points_series *s, int race, int rider)
{
    const series_race *r = &s->races[race];
    int place = r->positions[rider];
    return place >= 0 && place < SERIES_ENTRANTS_MAX ? r->points[place] : 0;
}

int series_table_rows(const points_series *s, series_table_row *rows)
{
    int entrants = s->rider_count + 1;
    for (int e = 0; e < entrants; ++e) {
        rows[e].rider = e;
        rows[e].total = 0;
        for (int r = 0; r < s->races_done && r < s->race_count; ++r) rows[e].total += race_points(s, r, e);
    }
    qsort(rows, (size_t)entrants, sizeof *rows, compare_series_points);
    return entrants;
}

// A race closes its round when it has round points, or when it is the series' last.
static int closes_round(const points_series *s, int race)
{
    return s->races[race].round_points[0] != 0 || race == s->race_count - 1;
}

int series_round_count(const points_series *s)
{
    int rounds = 0;
    for (int r = 0; r < s->race_count; ++r) rounds += closes_round(s, r);
    return rounds;
}

int series_round_races(const points_series *s, int round, int *first)
{
    int start = 0;
    for (int r = 0; r < s->race_count; ++r) {
        if (!closes_round(s, r)) continue;
        if (round-- == 0) {
            *first = start;
            return r - start + 1;
        }
        start = r + 1;
    }
    *first = start;
    return 0;
}

void series_cell_text(const points_series *s, int rider, int round, char *out, int size)
{
    out[0] = 0;
    int first;
    int races = series_round_races(s, round, &first);
    int done = s->races_done - first;
    if (races <= 0 || done <= 0) return;
    if (done > races) done = races;
    int place[3] = {}, points = 0;
    for (int i = 0; i < done && i < 3; ++i) {
        place[i] = s->races[first + i].positions[rider] + 1;
        points += race_points(s, first + i, rider);
    }
    if (races == 1)
        snprintf(out, (size_t)size, "%d (%d)", points, place[0]);
    else if (races == 2 && done == 1)
        snprintf(out, (size_t)size, "- (%d-)", place[0]);
    else if (races == 2)
        snprintf(out, (size_t)size, "%d (%d-%d)", points, place[0], place[1]);
    else if (done >= 3)
        snprintf(out, (size_t)size, "%d (%d-%d-%d)", points, place[0], place[1], place[2]);
    else
        snprintf(out, (size_t)size, "- (%d-)", place[0]);
}
