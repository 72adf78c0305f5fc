// A finished race as a round of the points series being raced: finishing positions of the
// series riders and the player, the series' ranking again, and its standings file.
#include <cstdio>
#include <cstring>

#include "bike/setters.h"
#include "data/paths.h"
#include "data/stream.h"
#include "platform/log.h"
#include "racing/race.h"
#include "racing/standings.h"
#include "shell/lists.h"

// One line per round done: every entrant's position + 1, the player last. Written under a
// temporary name and renamed over the old file, so a failed write keeps the standings.
int series_standings_write(const points_series *p)
{
    if (!p || !p->standings_name) return 0;
    file_save save;
    data_stream *s = file_save_begin(&save, p->standings_name, ".tmp");
    if (s) {
        for (int r = 0; r < p->races_done; ++r) {
            for (int e = 0; e <= p->rider_count; ++e) data_printf(s, "%d ", p->races[r].positions[e] + 1);
            data_puts(s, "\n");
        }
        if (file_save_commit(&save)) return 1;
    }
    kubl_log_printf("Could not write %s\n", p->standings_name);
    return 0;
}

void series_record_round(void)
{
    points_series *p = active_series >= 0 && active_series < points_series_count ? &points_series_list[active_series]
                                                                                 : nullptr;
    if (!p || active_series_event != p->races_done || p->races_done >= p->race_count) {
        active_series = active_series_event = -1;
        return;
    }
    const int n = p->rider_count;
    int *positions = p->races[p->races_done].positions;
    for (int e = 0; e <= n; ++e) positions[e] = n;
    const standings_entry *list = results_final ? results : standings;
    int next = 0;
    for (int i = 0; i < standings_count; ++i) {
        const int slot = list[i].slot;
        bike *b = slot >= 0 && slot < 160 ? bike_slot_table[slot] : nullptr;
        if (!b) continue;
        if (controller_kind[slot] == CONTROLLER_LOCAL) {
            // Before the results are final the player keeps a place only for a clean finish.
            if (results_final || (bike_update_finished(b) &&
                                  (list[i].gates == 0 || standings_penalty(slot, list[i].gates) == 0)))
                positions[n] = next++;
        }
        const char *number = bike_get_number_text(b);
        for (int e = 0; e < n; ++e) {
            char text[16];
            snprintf(text, sizeof text, "%d", p->race_numbers[e]);
            if (positions[e] == n && number && !strcmp(text, number)) {
                positions[e] = next++;
                break;
            }
        }
    }
    p->races_done++;
    points_series_rank(p);
    active_series = active_series_event = -1;
    series_standings_write(p);
}
