// The pages races start from: New Race, Playback Race, Points Series with its standings and
// Time Trial; their keys and the race restarts they ask for.
#include "ui/menu.h"
#include "ui/menu_seams.h"
#include "data/console.h"
#include "racing/race.h"
#include "racing/standings.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "shell/lists.h"
#include <cstdio>
#include <cstring>

menu_button new_race_buttons[2] = {{"Back to Main Menu", {}}, {"Start", {}}};
menu_button time_trial_buttons[2] = {{"Back to Main Menu", {}}, {"Start", {}}};
menu_button playback_buttons[CHOOSER_ROWS + 3];
menu_button series_buttons[CHOOSER_ROWS + 3];
menu_button standings_buttons[4] = {{"Back to Points Series List", {}},
                                    {"Enter Next Event", {}},
                                    {"Practice Next Event", {}},
                                    {"Reset Points", {}}};
int menu_participants[160];
menu_race_reset_fn menu_race_reset = reset_race;
int series_selected = -1, series_entered = -1, series_entered_round = -1;

enum { TICKS_PER_MINUTE = 60 * 128, SLOT_CODES = 5 };

static int key_is(int key, int which)
{
    return menu_buttons[which] != 0 && (std::uint32_t)key == menu_buttons[which];
}

// A race started from the menus is offline: a connection is dropped first.
static void leave_server(void)
{
    if (net_socket >= 0) net_disconnect();
}

static int minutes_ticks(double minutes) { return (int)minutes * TICKS_PER_MINUTE; }

void menu_new_race_start(void)
{
    menu_state = MENU_CLOSED;
    memset(menu_participants, 0, sizeof menu_participants);
    for (int i = 0; i < GATE_SLOT_COUNT; ++i) menu_participants[i] = config_slots[i].current;
    leave_server();
    menu_race_reset(menu_participants, 0, setting_record(), minutes_ticks(setting_minutes()), (int)setting_laps(),
               setting_skill());
    // "--rotate-lineup" is taken as it was typed: any offset, negative or huge, lands in the slots.
    int offset = g_options.rotate_lineup % RIDER_SLOTS;
    if (offset < 0) offset += RIDER_SLOTS;
    int rotated[RIDER_SLOTS];
    for (int i = 0; i < RIDER_SLOTS; ++i) rotated[(offset + i) % RIDER_SLOTS] = menu_participants[i];
    memcpy(menu_participants, rotated, sizeof rotated);
    for (int i = 0; i < GATE_SLOT_COUNT; ++i) {
        int code = menu_participants[i];
        config_slots[i].current = code >= 0 && code < SLOT_CODES ? code : 0;
    }
}

void menu_playback_start(int demo_index)
{
    if (demo_index < 0 || demo_index >= demo_list.count) return;
    static char name[1100];
    snprintf(name, sizeof name, "@%s", demo_list.full_names[demo_index]);
    int race_against = config_choices[CONFIG_PLAYBACK_MODE].current == 1;
    int record = race_against ? setting_record() : 0;
    if (record && strcmp(name, "@demos/default.rldemo") == 0) {
        console_print("Can't record and play from same file - recording disabled");
        record = 0;
    }
    demo_play_set_name(name);
    menu_state = MENU_CLOSED;
    leave_server();
    memset(menu_participants, 0, sizeof menu_participants);
    if (race_against) {
        int local = 0;
        for (int i = 0; i < GATE_SLOT_COUNT; ++i)
            if (config_slots[i].current == 1) {
                local = i;
                break;
            }
        menu_participants[local] = 1;
    }
    // Playback Only hands an all-empty list: every slot takes a rider of the demo. A null list
    // would start a time trial instead.
    menu_race_reset(menu_participants, 1, record, 0, 10, setting_skill());
}

void menu_time_trial_start(void)
{
    menu_state = MENU_CLOSED;
    leave_server();
    menu_race_reset(nullptr, 0, 0, 0, 1000, setting_skill());
}

// "Track" on New Race and Time Trial: a pick opens the chooser, other keys type ahead.
static void track_row_key(int key)
{
    if (key_is(key, MENU_ENTER) || key_is(key, MENU_KEYPAD_ENTER) ||
        (key_is(key, MENU_CURSOR_LEFT) && mouse_in_rect(&track_choice.rect))) {
        current_menu_widget = &track_choice;
        menu_open_chooser(&track_choice, "Choose Track", menu_value_callback);
    } else {
        widget_choice_key(&track_choice, key);
    }
}

void menu_track_key(int key)
{
    menu_rows_move(key, 7 + GATE_SLOT_COUNT);
    int row = focused_item;
    switch (row) {
    case 0:
        if (widget_is_activated(&new_race_buttons[0], key)) menu_go(MENU_PAGE_MAIN);
        break;
    case 1:
        if (widget_is_activated(&new_race_buttons[1], key)) menu_new_race_start();
        break;
    case 2: track_row_key(key); break;
    case 3: widget_choice_key(&config_choices[CONFIG_RECORD], key); break;
    case 4: widget_choice_key(&config_choices[CONFIG_SKILL], key); break;
    case 5: widget_slider_key(&config_sliders[CONFIG_MINUTES], key); break;
    case 6: widget_slider_key(&config_sliders[CONFIG_LAPS], key); break;
    default: widget_choice_key(&config_slots[row - 7], key); break;
    }
}

void menu_race_key(int key)
{
    menu_rows_move(key, 5);
    switch (focused_item) {
    case 0:
        if (widget_is_activated(&time_trial_buttons[0], key)) menu_go(MENU_PAGE_MAIN);
        break;
    case 1:
        if (widget_is_activated(&time_trial_buttons[1], key)) menu_time_trial_start();
        break;
    case 2: track_row_key(key); break;
    case 3: widget_slider_key(&config_sliders[CONFIG_GHOST_FADE_DISTANCE], key); break;
    case 4: widget_choice_key(&config_choices[CONFIG_TIME_TRIAL_ABORT], key); break;
    }
}

// Labels of a paged list's entries for its current page (buttons[1] is the first entry);
// entries past the end are cleared.
static void list_fill(menu_button *buttons, int page, int count, const char *(*name)(int))
{
    for (int i = 0; i < CHOOSER_ROWS; ++i) {
        int item = page * CHOOSER_ROWS + i;
        menu_button *b = &buttons[1 + i];
        b->label = item < count ? name(item) : "";
        if (!b->label) b->label = "";
        if (item >= count) widget_rect_clear(&b->rect);
    }
}

static const char *demo_name(int i) { return demo_list.short_names[i]; }
static const char *series_name(int i) { return points_series_list[i].title; }

void menu_demo_lists_fill(void)
{
    playback_buttons[0].label = "Back to Main Menu";
    playback_buttons[1].label = "Prev Page";
    playback_buttons[CHOOSER_ROWS + 2].label = "Next Page";
    list_fill(playback_buttons + 1, demo_list_page, demo_list.count, demo_name);
    series_buttons[0].label = "Back to Main Menu";
    series_buttons[1].label = "Prev Page";
    series_buttons[CHOOSER_ROWS + 2].label = "Next Page";
    list_fill(series_buttons + 1, series_list_page, points_series_count, series_name);
}

static void page_step(int *page, int step, int count)
{
    *page += step;
    int pages = menu_page_count(count);
    if (*page > pages - 1) *page = pages - 1;
    if (*page < 0) *page = 0;
    menu_demo_lists_fill();
}

// Page 3 rows: "Back to Main Menu", "Playback Mode", "Prev Page", 20 demos, "Next Page".
void menu_demo_key(int key)
{
    menu_demo_lists_fill();
    menu_rows_move(key, CHOOSER_ROWS + 4);
    int row = focused_item;
    if (row == 1) {
        widget_choice_key(&config_choices[CONFIG_PLAYBACK_MODE], key);
        return;
    }
    menu_button *b = &playback_buttons[row == 0 ? 0 : row - 1];
    if (!widget_is_activated(b, key)) return;
    if (row == 0) menu_go(MENU_PAGE_MAIN);
    else if (row == 2) page_step(&demo_list_page, -1, demo_list.count);
    else if (row == CHOOSER_ROWS + 3) page_step(&demo_list_page, 1, demo_list.count);
    else if (menu_row_present(MENU_PAGE_PLAYBACK, row))
        menu_playback_start(demo_list_page * CHOOSER_ROWS + row - 3);
}

// Page 4 rows: "Back to Main Menu", "Prev Page", 20 series, "Next Page".
void menu_page4_key(int key)
{
    menu_demo_lists_fill();
    menu_rows_move(key, CHOOSER_ROWS + 3);
    int row = focused_item;
    if (!menu_row_present(MENU_PAGE_SERIES, row) || !widget_is_activated(&series_buttons[row], key)) return;
    if (row == 0) {
        menu_go(MENU_PAGE_MAIN);
    } else if (row == 1) {
        page_step(&series_list_page, -1, points_series_count);
    } else if (row == CHOOSER_ROWS + 2) {
        page_step(&series_list_page, 1, points_series_count);
    } else {
        series_selected = series_list_page * CHOOSER_ROWS + row - 2;
        menu_go(MENU_PAGE_STANDINGS);
    }
}

static points_series *selected_series(void)
{
    return series_selected >= 0 && series_selected < points_series_count ? &points_series_list[series_selected]
                                                                         : nullptr;
}

void menu_standings_key(int key)
{
    menu_rows_move(key, 4);
    int row = focused_item;
    if (!widget_is_activated(&standings_buttons[row], key)) return;
    points_series *s = selected_series();
    switch (row) {
    case 0: menu_go(MENU_PAGE_SERIES); break;
    case 1:
        // Leaving an event for the next one ends it, as any new race would: its round is
        // recorded as it stands first, so the event left is never raced twice.
        if (s && active_series == series_selected) series_record_round();
        if (!s || s->races_done >= s->race_count) break;
        menu_state = MENU_CLOSED;
        if (series_start_next_event()) {
            series_entered = series_selected;
            series_entered_round = s->races_done;
            // After the reset: the reset records the race it ends, which is not this event.
            active_series = series_selected;
            active_series_event = s->races_done;
        }
        break;
    case 2:
        if (!s) break;
        menu_state = MENU_CLOSED;
        series_start_next_event();
        break;
    case 3:
        if (!s) break;
        s->races_done = 0;
        series_entered = series_entered_round = -1;
        if (active_series == series_selected) active_series = active_series_event = -1;
        series_standings_write(s);
        break;
    }
}

// The place of each entrant in the standings after the latest round closed so far (0 the
// leader); -1 when no round has closed.
static int latest_round_race(const points_series *s)
{
    for (int r = s->races_done - 1; r >= 0; --r)
        if (s->races[r].round_points[0] != 0) return r;
    return -1;
}

int series_start_next_event(void)
{
    points_series *s = selected_series();
    if (!s || s->races_done >= s->race_count) return 0;
    const series_race *next = &s->races[s->races_done];
    int n = s->rider_count, m = n + 1;
    memset(menu_participants, 0, sizeof menu_participants);
    int value_of[SERIES_ENTRANTS_MAX];
    for (int e = 0; e < n; ++e) value_of[e] = 1000 + s->race_numbers[e];
    value_of[n] = 1;
    int closed = latest_round_race(s);
    if (closed < 0) {
        for (int e = 0; e < m; ++e) menu_participants[e] = value_of[e];
    } else {
        // Taken from the last place up, ties in list order (the player, last in the list, after
        // the series riders): the k-th taken starts from slot m - 1 - k, so the leader from 0.
        const int *place = s->races[closed].ranks;
        char taken[SERIES_ENTRANTS_MAX] = {};
        for (int k = 0; k < m; ++k) {
            int pick = -1;
            for (int e = 0; e < m; ++e)
                if (!taken[e] && (pick < 0 || place[e] > place[pick])) pick = e;
            taken[pick] = 1;
            menu_participants[m - 1 - k] = value_of[pick];
        }
    }
    if (next->track >= 0 && next->track < track_choice.item_count) track_choice.current = next->track;
    leave_server();
    menu_race_reset(menu_participants, 0, setting_record(), next->minutes * TICKS_PER_MINUTE, next->laps, s->skill);
    return 1;
}
