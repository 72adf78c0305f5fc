// The menu state machine: keys routed to the current page, the page drawn over the backdrop,
// each page's rows as a hit list for the mouse, the common row movement and the chooser.
#include "ui/menu.h"
#include "ui/menu_settings.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "shell/lists.h"
#include "shell/setup.h"
#include <GL/gl.h>

int menu_return_state;
menu_choice *current_menu_widget;
chooser_state g_chooser;
int demo_list_page, series_list_page;

menu_button chooser_buttons[CHOOSER_ROWS + 3];

static int key_is(int key, int which)
{
    return menu_buttons[which] != 0 && (std::uint32_t)key == menu_buttons[which];
}

void menu_go(int state)
{
    menu_state = state;
    focused_item = 0;
}

void menu_value_callback(int value)
{
    if (current_menu_widget) current_menu_widget->current = value;
}

int menu_page_count(int count)
{
    int pages = (count + CHOOSER_ROWS - 1) / CHOOSER_ROWS;
    // An empty list still has its one (empty) page.
    return pages > 0 ? pages : 1;
}

static int list_count(int state)
{
    switch (state) {
    case MENU_PAGE_CHOOSER: return g_chooser.choice ? g_chooser.choice->item_count : 0;
    case MENU_PAGE_PLAYBACK: return demo_list.count;
    case MENU_PAGE_SERIES: return points_series_count;
    }
    return 0;
}

static int list_page(int state)
{
    switch (state) {
    case MENU_PAGE_CHOOSER: return g_chooser.page;
    case MENU_PAGE_PLAYBACK: return demo_list_page;
    case MENU_PAGE_SERIES: return series_list_page;
    }
    return 0;
}

// Row of the first entry on each paged list.
static int first_entry_row(int state) { return state == MENU_PAGE_PLAYBACK ? 3 : 2; }

int menu_row_present(int state, int row)
{
    int first = first_entry_row(state);
    int page = list_page(state), pages = menu_page_count(list_count(state));
    if (row >= first && row < first + CHOOSER_ROWS)
        return page * CHOOSER_ROWS + (row - first) < list_count(state);
    if (state == MENU_PAGE_SERIES) {
        if (row == first - 1) return page > 0;
        if (row == first + CHOOSER_ROWS) return page < pages - 1;
    }
    return 1;
}

void menu_rows_move(int key, int rows)
{
    int step = key_is(key, MENU_DOWN) ? 1 : key_is(key, MENU_UP) ? -1 : 0;
    int paged = menu_state == MENU_PAGE_CHOOSER || menu_state == MENU_PAGE_PLAYBACK ||
                menu_state == MENU_PAGE_SERIES;
    if (step && paged) {
        // Rows not shown on this page are passed over; with none left that way the row stays.
        int row = focused_item + step;
        while (row >= 0 && row < rows && !menu_row_present(menu_state, row)) row += step;
        if (row >= 0 && row < rows) focused_item = row;
    } else {
        focused_item += step;
    }
    if (focused_item > rows - 1) focused_item = rows - 1;
    if (focused_item < 0) focused_item = 0;
}

static void chooser_fill(void)
{
    int count = g_chooser.choice ? g_chooser.choice->item_count : 0;
    for (int i = 0; i < CHOOSER_ROWS; ++i) {
        int item = g_chooser.page * CHOOSER_ROWS + i;
        menu_button *b = &chooser_buttons[2 + i];
        b->label = item < count && g_chooser.choice->items ? g_chooser.choice->items[item] : nullptr;
        if (!b->label) b->label = "";
        if (item >= count) widget_rect_clear(&b->rect);
    }
}

void menu_open_chooser(menu_choice *choice, const char *title, menu_pick_callback callback)
{
    menu_return_state = menu_state;
    g_chooser.title = title;
    g_chooser.choice = choice;
    g_chooser.callback = callback;
    g_chooser.page = 0;
    chooser_buttons[0].label = "Cancel";
    chooser_buttons[1].label = "Prev Page";
    chooser_buttons[CHOOSER_ROWS + 2].label = "Next Page";
    chooser_fill();
    menu_go(MENU_PAGE_CHOOSER);
}

void menu_page2_key(int key)
{
    menu_rows_move(key, CHOOSER_ROWS + 3);
    int row = focused_item;
    if (!widget_is_activated(&chooser_buttons[row], key)) return;
    int pages = menu_page_count(g_chooser.choice ? g_chooser.choice->item_count : 0);
    if (row == 0) {
        menu_go(menu_return_state);
    } else if (row == 1 || row == CHOOSER_ROWS + 2) {
        g_chooser.page += row == 1 ? -1 : 1;
        if (g_chooser.page > pages - 1) g_chooser.page = pages - 1;
        if (g_chooser.page < 0) g_chooser.page = 0;
        chooser_fill();
    } else if (menu_row_present(MENU_PAGE_CHOOSER, row)) {
        int item = g_chooser.page * CHOOSER_ROWS + row - 2;
        menu_go(menu_return_state);
        if (g_chooser.callback) g_chooser.callback(item);
    }
}

void menu_key(int key)
{
    // A page change swallows the rest of the frame's keys.
    if (menu_changed) return;
    switch (menu_state) {
    case MENU_PAGE_MAIN: menu_main_key(key); break;
    case MENU_PAGE_NEW_RACE: menu_track_key(key); break;
    case MENU_PAGE_CHOOSER: menu_page2_key(key); break;
    case MENU_PAGE_PLAYBACK: menu_demo_key(key); break;
    case MENU_PAGE_SERIES: menu_page4_key(key); break;
    case MENU_PAGE_STANDINGS: menu_standings_key(key); break;
    case MENU_PAGE_TIME_TRIAL: menu_race_key(key); break;
    case MENU_PAGE_BIKE_SETUP: bike_setup_page_key(key); break;
    case MENU_PAGE_SUSPENSION: suspension_page_key(key); break;
    case MENU_PAGE_STABILITY: menu_bike_setup_key(key); break;
    case MENU_PAGE_CONTROLS: controls_page_key(key); break;
    case MENU_PAGE_GRAPHICS: graphics_setup_page_key(key); break;
    case MENU_PAGE_ADVANCED_GRAPHICS: menu_graphics_key(key); break;
    case MENU_PAGE_MULTIPLAYER: menu_multiplayer_key(key); break;
    case MENU_PAGE_CONSOLE: menu_console_key(key); break;
    case MENU_PAGE_QUIT: quit_flag = 1; break;
    }
}

void menu_draw(void)
{
    if (menu_state < 0) return;
    // Flat 2D over whatever the view left: no depth test, and boxes drawn either way round.
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glDisable(GL_ALPHA_TEST);
    switch (menu_state) {
    case MENU_PAGE_MAIN: menu_draw_main_menu(); break;
    case MENU_PAGE_NEW_RACE: menu_draw_new_race(); break;
    case MENU_PAGE_CHOOSER: menu_draw_chooser(); break;
    case MENU_PAGE_PLAYBACK: menu_draw_playback(); break;
    case MENU_PAGE_SERIES: menu_draw_points_series(); break;
    case MENU_PAGE_STANDINGS: menu_draw_series_standings(); break;
    case MENU_PAGE_TIME_TRIAL: menu_draw_time_trial(); break;
    case MENU_PAGE_BIKE_SETUP: menu_draw_bike_setup(); break;
    case MENU_PAGE_SUSPENSION: menu_draw_suspension(); break;
    case MENU_PAGE_STABILITY: menu_draw_stability(); break;
    case MENU_PAGE_CONTROLS: menu_draw_controls(); break;
    case MENU_PAGE_GRAPHICS: menu_draw_graphics_setup(); break;
    case MENU_PAGE_ADVANCED_GRAPHICS: menu_draw_advanced_graphics(); break;
    case MENU_PAGE_MULTIPLAYER: menu_draw_multiplayer(); break;
    case MENU_PAGE_CONSOLE: menu_draw_console(); break;
    case MENU_PAGE_QUIT: menu_draw_quit(); break;
    }
    glPopAttrib();
}

// Each list holds the rows of its page in row order; built once, as the records never move.
enum { NEW_RACE_ROWS = 7 + GATE_SLOT_COUNT };
static const widget_rect *hit_main[10], *hit_new_race[NEW_RACE_ROWS + 1], *hit_chooser[CHOOSER_ROWS + 4],
    *hit_playback[CHOOSER_ROWS + 5], *hit_series[CHOOSER_ROWS + 4], *hit_standings[5], *hit_time_trial[6],
    *hit_multiplayer[5], *hit_console[2];

static void hit_lists_build(void)
{
    for (int i = 0; i < 9; ++i) hit_main[i] = &main_menu_buttons[i].rect;
    const widget_rect *race[NEW_RACE_ROWS] = {
        &new_race_buttons[0].rect, &new_race_buttons[1].rect, &track_choice.rect,
        &config_choices[CONFIG_RECORD].rect, &config_choices[CONFIG_SKILL].rect,
        &config_sliders[CONFIG_MINUTES].rect, &config_sliders[CONFIG_LAPS].rect};
    for (int i = 0; i < GATE_SLOT_COUNT; ++i) race[7 + i] = &config_slots[i].rect;
    for (int i = 0; i < NEW_RACE_ROWS; ++i) hit_new_race[i] = race[i];
    for (int i = 0; i < CHOOSER_ROWS + 3; ++i) {
        hit_chooser[i] = &chooser_buttons[i].rect;
        hit_series[i] = &series_buttons[i].rect;
    }
    hit_playback[0] = &playback_buttons[0].rect;
    hit_playback[1] = &config_choices[CONFIG_PLAYBACK_MODE].rect;
    for (int i = 1; i < CHOOSER_ROWS + 3; ++i) hit_playback[i + 1] = &playback_buttons[i].rect;
    for (int i = 0; i < 4; ++i) hit_standings[i] = &standings_buttons[i].rect;
    const widget_rect *trial[5] = {&time_trial_buttons[0].rect, &time_trial_buttons[1].rect, &track_choice.rect,
                                   &config_sliders[CONFIG_GHOST_FADE_DISTANCE].rect,
                                   &config_choices[CONFIG_TIME_TRIAL_ABORT].rect};
    for (int i = 0; i < 5; ++i) hit_time_trial[i] = trial[i];
    for (int i = 0; i < 3; ++i) hit_multiplayer[i] = &multiplayer_buttons[i].rect;
    hit_multiplayer[3] = &config_server_name.rect;
    hit_console[0] = &console_input.rect;
}

const widget_rect *const *menu_page_hit_list(int state)
{
    static int built;
    if (!built) {
        hit_lists_build();
        built = 1;
    }
    switch (state) {
    case MENU_PAGE_MAIN: return hit_main;
    case MENU_PAGE_NEW_RACE: return hit_new_race;
    case MENU_PAGE_CHOOSER: return hit_chooser;
    case MENU_PAGE_PLAYBACK: return hit_playback;
    case MENU_PAGE_SERIES: return hit_series;
    case MENU_PAGE_STANDINGS: return hit_standings;
    case MENU_PAGE_TIME_TRIAL: return hit_time_trial;
    case MENU_PAGE_BIKE_SETUP:
    case MENU_PAGE_SUSPENSION:
    case MENU_PAGE_STABILITY:
    case MENU_PAGE_CONTROLS:
    case MENU_PAGE_GRAPHICS:
    case MENU_PAGE_ADVANCED_GRAPHICS: return settings_page_hit_list(state);
    case MENU_PAGE_MULTIPLAYER: return hit_multiplayer;
    case MENU_PAGE_CONSOLE: return hit_console;
    }
    return nullptr;
}

const widget_rect *const *menu_hit_list(void) { return menu_page_hit_list(menu_state); }
