// shell/widget_values.h — the menu widget records and their value setters. The records are
// static instances owned by the pages, the settings and the bike setup; each keeps its value and
// the pixel rectangle it was last drawn in. The menus (ui/widgets.h) draw and edit them.
#pragma once

// Window pixels, y0 the top edge; a point on an edge is outside.
struct widget_rect {
    int x0, y0, x1, y1;
};

struct menu_choice {
    const char        *label;
    const char *const *items;
    int                item_count;
    int                current;      // index into items
    widget_rect        rect;
};

struct menu_slider {
    const char *label;
    double      value;
    double      step;
    double      minimum;
    double      maximum;
    widget_rect rect;
    int         bar_start, bar_end;  // pixel x range of the bar, written when drawn
};

struct menu_text_field {
    const char *label;
    int         max_length;          // characters, not counting the terminator
    char       *buffer;              // max_length + 1 bytes, zero-filled past the text
    int         caret;
    int         insert_mode;         // 1 inserts, anything else overwrites
    widget_rect rect;
};

// A choice or slider as its settings file names it, with the value it starts at. The settings and
// the bike setup keep tables of these and make their widgets from them.
struct menu_choice_def {
    const char        *key, *label;
    const char *const *items;
    int                item_count, current;
};

struct menu_slider_def {
    const char *key, *label;
    double      value, step, minimum, maximum;
};

// Sets choices[i] (or sliders[i]) to the starting state defs[i] describes, for i below count.
void widget_choices_init(menu_choice *choices, const menu_choice_def *defs, int count);
void widget_sliders_init(menu_slider *sliders, const menu_slider_def *defs, int count);

// Selects the first item equal to text (exact, case-sensitive). 1 when found; 0 leaves the index.
int widget_choice_select(menu_choice *choice, const char *text);
// Reads one single-precision number; 0 when there is none (value unchanged), else stores it
// clamped to minimum..maximum, without snapping to the step, and returns 1.
int widget_slider_set_text(menu_slider *slider, const char *text);
// Copies at most max_length characters, zero-fills the rest of the buffer; returns 1.
int widget_text_set(menu_text_field *field, const char *text);
