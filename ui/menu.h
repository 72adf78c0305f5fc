// ui/menu.h — the menu pages: one state machine over menu_state (the page) and the focused
// row (focused_item, shell/globals.h). A page change swallows the rest of its frame's keys
// (menu_changed, set by the tick loop and by "Quit").
#pragma once
#include "ui/ui.h"
#include "ui/widgets.h"

struct points_series;

enum menu_page {
    MENU_PAGE_MAIN = 0,
    MENU_PAGE_NEW_RACE = 1,
    MENU_PAGE_CHOOSER = 2,
    MENU_PAGE_PLAYBACK = 3,
    MENU_PAGE_SERIES = 4,
    MENU_PAGE_STANDINGS = 5,
    MENU_PAGE_TIME_TRIAL = 6,
    MENU_PAGE_BIKE_SETUP = 7,
    MENU_PAGE_SUSPENSION = 8,
    MENU_PAGE_STABILITY = 9,
    MENU_PAGE_CONTROLS = 10,
    MENU_PAGE_GRAPHICS = 11,
    MENU_PAGE_ADVANCED_GRAPHICS = 12,
    MENU_PAGE_MULTIPLAYER = 13,
    MENU_PAGE_CONSOLE = 16,
    MENU_PAGE_QUIT = 18,
};

enum { CHOOSER_ROWS = 20, MENU_KEY_DRAG = 16 };

extern int menu_return_state;   // the page the chooser goes back to

// The chooser's pick callback and the widget it writes: menu_value_callback stores the picked
// index into current_menu_widget's current index. Set current_menu_widget before opening.
extern menu_choice *current_menu_widget;
void menu_value_callback(int value);
typedef void (*menu_pick_callback)(int value);
void menu_open_chooser(menu_choice *choice, const char *title, menu_pick_callback callback);

// Page changes: the new page with its first row focused.
void menu_go(int state);
// The common row movement: "down" and "up" step the focused row within 0..rows-1.
void menu_rows_move(int key, int rows);

// Page key handlers.
void menu_main_key(int key);
void menu_track_key(int key);
void menu_page2_key(int key);
void menu_demo_key(int key);
void menu_page4_key(int key);
void menu_standings_key(int key);
void menu_race_key(int key);
void menu_multiplayer_key(int key);
void menu_console_key(int key);

// Page drawers.
void menu_draw_backdrop(void);
void menu_draw_main_menu(void);
void menu_draw_new_race(void);
void menu_draw_chooser(void);
void menu_draw_playback(void);
void menu_draw_points_series(void);
void menu_draw_series_standings(void);
void menu_draw_time_trial(void);
void menu_draw_multiplayer(void);
void menu_draw_console(void);
void menu_draw_quit(void);

// Hit lists (null-terminated rectangle lists in row order) of the pages that have one.
const widget_rect *const *menu_page_hit_list(int state);

// The race pages' records.
extern menu_button main_menu_buttons[9];
extern menu_button new_race_buttons[2];      // "Back to Main Menu", "Start"
extern menu_button time_trial_buttons[2];
extern menu_button chooser_buttons[CHOOSER_ROWS + 3];   // "Cancel", "Prev Page", 20 entries, "Next Page"
extern menu_button playback_buttons[CHOOSER_ROWS + 3];  // "Back to Main Menu", "Prev Page", 20, "Next Page"
extern menu_button series_buttons[CHOOSER_ROWS + 3];    // the same rows on the series list
extern menu_button standings_buttons[4];
extern menu_button multiplayer_buttons[3];

// The chooser's state.
struct chooser_state {
    const char         *title;
    menu_choice        *choice;
    menu_pick_callback  callback;
    int                 page;
};
extern chooser_state g_chooser;
extern int demo_list_page;     // page 3
extern int series_list_page;   // page 4

// Rows present on a paged list's current page (the others are skipped and not drawn).
int menu_row_present(int state, int row);
// Pages of a list of count items, 20 a page; at least 1.
int menu_page_count(int count);

// Race starts from the menus. The participant codes handed to the race reset (0 empty, 1 the
// player, 2..4 robots; 1000 + race number for series riders), kept for the rotation afterwards.
extern int menu_participants[160];
// The race reset the menus call: reset_race (racing/race.h); tests put a recorder here.
typedef int (*menu_race_reset_fn)(const int *participants, int playback, int record, int time_limit_ticks,
                                   int laps, int skill);
extern menu_race_reset_fn menu_race_reset;
void menu_new_race_start(void);
void menu_playback_start(int demo_index);
void menu_time_trial_start(void);
int  series_start_next_event(void);
// The labels of the demo and series list entries for their current pages.
void menu_demo_lists_fill(void);
// Series picked on page 4 and the event entered for points (-1: none).
extern int series_selected;
extern int series_entered;
extern int series_entered_round;

// The standings table of a series: entrants (series riders, then the player) ordered by
// compare_series_points over the done races; rounds of one to three races.
struct series_table_row {
    int rider;   // entrant index; rider_count is the player
    int total;
};
int  compare_series_points(const void *a, const void *b);
int  series_table_rows(const points_series *series, series_table_row *rows);   // returns count
int  series_round_count(const points_series *series);
// The first race of round r, and how many races it has.
int  series_round_races(const points_series *series, int round, int *first);
// The text of one round cell for one entrant; empty when the round has no result yet.
void series_cell_text(const points_series *series, int rider, int round, char *out, int size);

// Server history (page 13): position -1 shows the user's own text.
void server_history_older(void);   // "page up"
void server_history_newer(void);   // "page down"
void server_connect_from_field(void);

// The console ring line shown on row i of 50 with the given scroll-back.
int console_ring_line(int write_index, int scroll, int row);
extern int console_scroll;
extern menu_text_field console_input;

// Seconds since the start of the run, for the main menu's notice.
float main_menu_notice_alpha(double seconds_since_start);
