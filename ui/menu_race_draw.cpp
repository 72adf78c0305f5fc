// How the race pages look: New Race, the chooser, Playback Race, Points Series, the series
// standings and Time Trial, all on the backdrop in the 4:3 layout.
#include "ui/menu.h"
#include "graphics/font.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "shell/lists.h"
#include "shell/setup.h"
#include "shell/track_list.h"
#include <GL/gl.h>
#include <cstdio>

static const float title_width = 15, wide_row = 41.99667f, narrow_row = 20.333334f;
static const widget_colour label_text = {0.9f, 0.9f, 0.9f, 1.0f}, label_box = {0, 0, 0, 0.25f};
static const widget_colour start_text = {0.9f, 0.9f, 0.9f, 0.8f}, start_box = {0, 1, 0, 0.3f};
static const widget_colour start_text_on = {0.9f, 0.9f, 0.9f, 1}, start_box_on = {0, 1, 0, 0.8f};

// The page's layout with its title at the top left; the pen ends on the first button's row.
static void page_begin(float layout_height, const char *title, layout_pen *pen, layout_scale *scale)
{
    menu_draw_backdrop();
    overlay_push_4x3(layout_height, 0, -(1 + widget_border), pen, scale);
    widget_draw_label(title, &label_text, &label_box, title_width, 0);
    overlay_translate(pen, 0, -2);
}

static void start_button(menu_button *b, int selected, layout_pen pen, layout_scale scale)
{
    widget_draw_framed(b, pen, scale, title_width, 0, selected ? &start_text_on : &start_text,
                       selected ? &start_box_on : &start_box);
}

static void row_down(layout_pen *pen) { overlay_translate(pen, 0, -widget_row); }

void menu_draw_new_race(void)
{
    layout_pen pen;
    layout_scale scale;
    page_begin(32, "New Race", &pen, &scale);
    int item = focused_item;
    widget_draw_button(&new_race_buttons[0], item == 0, pen, scale, title_width, 0);
    glPushMatrix();
    layout_pen column = pen;
    overlay_translate(&column, 15.5f, 0);
    const float w = 26.5f, split = 0.375f;
    widget_draw_choice(&track_choice, item == 2, column, scale, w, 0, split);
    row_down(&column);
    widget_draw_choice(&config_choices[CONFIG_RECORD], item == 3, column, scale, w, 0, split);
    row_down(&column);
    widget_draw_choice(&config_choices[CONFIG_SKILL], item == 4, column, scale, w, 0, split);
    row_down(&column);
    widget_draw_slider(&config_sliders[CONFIG_MINUTES], item == 5, column, scale, w, 0, split);
    row_down(&column);
    widget_draw_slider(&config_sliders[CONFIG_LAPS], item == 6, column, scale, w, 0, split);
    glPopMatrix();
    row_down(&pen);
    start_button(&new_race_buttons[1], item == 1, pen, scale);
    overlay_pop();

    // The gates in their own, smaller layout: two columns of twenty.
    overlay_push_4x3(42, 0, -13, &pen, &scale);
    for (int column_index = 0; column_index < 2; ++column_index) {
        glPushMatrix();
        layout_pen at = pen;
        overlay_translate(&at, 28.0f * column_index, 0);
        for (int i = 0; i < 20; ++i) {
            int slot = column_index * 20 + i;
            widget_draw_choice(&config_slots[slot], item == 7 + slot, at, scale, 18.666666f, 0, 0.33f);
            row_down(&at);
        }
        glPopMatrix();
    }
    overlay_pop();
}

// The rows of a paged list from its first entry on: entries as stateful buttons (odd rows
// darker), entries past the end cleared; then "Next Page".
static void paged_entries(menu_button *entries, int first_row, int present_state, layout_pen *pen,
                          layout_scale scale, int stateful)
{
    for (int i = 0; i < CHOOSER_ROWS; ++i) {
        int row = first_row + i;
        if (menu_row_present(present_state, row)) {
            if (stateful)
                widget_draw_button_state(&entries[i], focused_item == row, *pen, scale, wide_row, 0, i & 1);
            else
                widget_draw_button(&entries[i], focused_item == row, *pen, scale, wide_row, 0);
        } else {
            widget_rect_clear(&entries[i].rect);
        }
        row_down(pen);
    }
}

void menu_draw_chooser(void)
{
    layout_pen pen;
    layout_scale scale;
    page_begin(40, g_chooser.title ? g_chooser.title : "", &pen, &scale);
    widget_draw_button(&chooser_buttons[0], focused_item == 0, pen, scale, title_width, 0);
    row_down(&pen);
    widget_draw_button(&chooser_buttons[1], focused_item == 1, pen, scale, title_width, 0);
    row_down(&pen);
    paged_entries(&chooser_buttons[2], 2, MENU_PAGE_CHOOSER, &pen, scale, 1);
    widget_draw_button(&chooser_buttons[CHOOSER_ROWS + 2], focused_item == CHOOSER_ROWS + 2, pen, scale,
                       title_width, 0);
    overlay_pop();
}

void menu_draw_playback(void)
{
    menu_demo_lists_fill();
    layout_pen pen;
    layout_scale scale;
    page_begin(40, "Playback Race", &pen, &scale);
    widget_draw_button(&playback_buttons[0], focused_item == 0, pen, scale, title_width, 0);
    glPushMatrix();
    layout_pen at = pen;
    overlay_translate(&at, 21.993334f, 0);
    widget_draw_choice(&config_choices[CONFIG_PLAYBACK_MODE], focused_item == 1, at, scale, narrow_row, 0, 0.5f);
    glPopMatrix();
    row_down(&pen);
    widget_draw_button(&playback_buttons[1], focused_item == 2, pen, scale, title_width, 0);
    row_down(&pen);
    paged_entries(&playback_buttons[2], 3, MENU_PAGE_PLAYBACK, &pen, scale, 1);
    widget_draw_button(&playback_buttons[CHOOSER_ROWS + 2], focused_item == CHOOSER_ROWS + 3, pen, scale,
                       title_width, 0);
    overlay_pop();
}

void menu_draw_points_series(void)
{
    menu_demo_lists_fill();
    layout_pen pen;
    layout_scale scale;
    page_begin(40, "Points Series", &pen, &scale);
    widget_draw_button(&series_buttons[0], focused_item == 0, pen, scale, title_width, 0);
    row_down(&pen);
    if (menu_row_present(MENU_PAGE_SERIES, 1))
        widget_draw_button(&series_buttons[1], focused_item == 1, pen, scale, title_width, 0);
    else
        widget_rect_clear(&series_buttons[1].rect);
    row_down(&pen);
    paged_entries(&series_buttons[2], 2, MENU_PAGE_SERIES, &pen, scale, 0);
    if (menu_row_present(MENU_PAGE_SERIES, CHOOSER_ROWS + 2))
        widget_draw_button(&series_buttons[CHOOSER_ROWS + 2], focused_item == CHOOSER_ROWS + 2, pen, scale,
                           title_width, 0);
    else
        widget_rect_clear(&series_buttons[CHOOSER_ROWS + 2].rect);
    overlay_pop();
}

void menu_draw_time_trial(void)
{
    layout_pen pen;
    layout_scale scale;
    page_begin(32, "Time Trial", &pen, &scale);
    int item = focused_item;
    widget_draw_button(&time_trial_buttons[0], item == 0, pen, scale, title_width, 0);
    row_down(&pen);
    start_button(&time_trial_buttons[1], item == 1, pen, scale);
    row_down(&pen);
    widget_draw_choice(&track_choice, item == 2, pen, scale, wide_row, 0, 0.4f);
    row_down(&pen);
    widget_draw_slider(&config_sliders[CONFIG_GHOST_FADE_DISTANCE], item == 3, pen, scale, wide_row, 0, 0.4f);
    row_down(&pen);
    widget_draw_choice(&config_choices[CONFIG_TIME_TRIAL_ABORT], item == 4, pen, scale, wide_row, 0, 0.4f);
    overlay_pop();
}

static void strip(float r, float g, float b, float a, float width)
{
    draw_flat_quad(r, g, b, a, 0, 0, width, 1);
}

static void cell(float r, float g, float b, float a, float x0, float x1, const char *text)
{
    draw_text_centered(r, g, b, a, x0, x1, text);
}

static void standings_table(const points_series *s)
{
    enum { BLOCK = 8 };
    series_table_row rows[SERIES_ENTRANTS_MAX];
    int count = series_table_rows(s, rows);
    int rounds = series_round_count(s);
    char text[64];
    for (int first = 0; first < rounds || first == 0; first += BLOCK) {
        int last = first + BLOCK < rounds ? first + BLOCK : rounds;
        strip(0, 0, 0, 0.5f, 57);
        cell(1, 1, 1, 1, 0, 3, "No.");
        cell(1, 1, 1, 1, 3, 6, "Total");
        for (int r = first; r < last; ++r) {
            snprintf(text, sizeof text, "Rd %d", r + 1);
            cell(1, 1, 1, 1, 6.0f + 6 * (r - first), 12.0f + 6 * (r - first), text);
        }
        for (int i = 0; i < count; ++i) {
            glTranslatef(0, -1, 0);
            if (i & 1) strip(1, 1, 1, 0.25f, 57);
            int rider = rows[i].rider;
            if (rider == s->rider_count) {
                cell(0.75f, 0.75f, 1, 1, 0, 3, setup_number.buffer ? setup_number.buffer : "");
            } else {
                snprintf(text, sizeof text, "%d", s->race_numbers[rider]);
                cell(1, 1, 1, 1, 0, 3, text);
            }
            for (int r = first; r < last; ++r) {
                series_cell_text(s, rider, r, text, sizeof text);
                cell(1, 1, 1, 1, 6.0f + 6 * (r - first), 12.0f + 6 * (r - first), text);
            }
            snprintf(text, sizeof text, "%d", rows[i].total);
            cell(1, 1, 1, 1, 3, 6, text);
        }
        glTranslatef(0, -1.5f, 0);
        if (rounds == 0) break;
    }
}

void menu_draw_series_standings(void)
{
    const points_series *s =
        series_selected >= 0 && series_selected < points_series_count ? &points_series_list[series_selected] : nullptr;
    layout_pen pen;
    layout_scale scale;
    page_begin(32, s && s->title ? s->title : "", &pen, &scale);
    for (int i = 0; i < 4; ++i) {
        if (i) overlay_translate(&pen, 0, -4.0f / 3);
        widget_draw_button(&standings_buttons[i], focused_item == i, pen, scale, title_width, 0);
    }
    if (s) {
        overlay_translate(&pen, 2.333334f, -2);
        strip(0, 0, 0, 0.5f, 38);
        char text[1024];
        if (s->races_done < s->race_count) {
            const char *track = track_list_long_name(s->races[s->races_done].track);
            snprintf(text, sizeof text, "Next Event: %.900s", track ? track : "");
        } else {
            snprintf(text, sizeof text, "%.900s Final Standings", s->title ? s->title : "");
        }
        draw_text_shadowed(1, 1, 1, 1, text);
        glTranslatef(0, -1.5f, 0);
        glScalef(2.0f / 3, 2.0f / 3, 2.0f / 3);
        standings_table(s);
    }
    overlay_pop();
}
