// ui/widgets.h — the menu widgets: the records (shell/widget_values.h) as the pages draw,
// lay out and edit them.
#pragma once

#include "shell/widget_values.h"   // the records and their value setters

// A push button: its text and where it was last drawn.
struct menu_button {
    const char *label;
    widget_rect rect;
};

// All four components -1 means unset (widget_colour_init).
struct widget_colour {
    float r, g, b, a;
};

// The current layout origin in layout units from the window's top-left corner (x to the right,
// y upward, so rows below the top are negative), and window pixels per layout unit (y negative:
// pixel rows grow downward). A pixel is pen * scale.
struct layout_pen {
    float x, y;
};
struct layout_scale {
    float x, y;
};

// The frame width of every widget box, in layout units; rows stack 1 + 3 borders apart.
constexpr float widget_border = 0.125f;
constexpr float widget_row = 1 + 3 * widget_border;

// The cursor in window pixels (x to the right, y downward), written by the frame loop each frame.
extern int mouse_x, mouse_y;

// The text typed into a choice list (at most 255 characters) and the list it belongs to.
extern char               typeahead_buffer[256];
extern const menu_choice *typeahead_owner;

void widget_colour_init(widget_colour *colour);
void widget_rect_clear(widget_rect *rect);   // all -1: no mouse position lies inside
int  mouse_in_rect(const widget_rect *rect);
// Over a null-terminated list of rectangles: the index of the first holding the mouse, else -1.
int  widget_hit_index(const widget_rect *const *list);

// Key handling; key is an input event code, or 16 for a drag with the button held.
int  widget_is_activated(const menu_button *button, int key);
int  widget_rect_activated(const widget_rect *rect, int key);
void widget_choice_key(menu_choice *choice, int key);
void widget_slider_key(menu_slider *slider, int key);
void widget_text_key(menu_text_field *field, int key);
// Where text contains needle without regard to case, the last occurrence; null when it does not.
const char *text_find_nocase_last(const char *text, const char *needle);

// Drawing, at the current transform and pen; each writes the widget's rectangle first. align
// places the text within its box (0 left, 0.5 centre, 1 right); split is the label's share.
void widget_write_rect(widget_rect *rect, layout_pen pen, layout_scale scale, float width);
void widget_draw_label(const char *text, const widget_colour *text_colour,
                       const widget_colour *box_colour, float width, float align);
void widget_draw_framed(menu_button *button, layout_pen pen, layout_scale scale, float width,
                        float align, const widget_colour *text_colour, const widget_colour *box_colour);
void widget_draw_button(menu_button *button, int selected, layout_pen pen, layout_scale scale,
                        float width, float align);
void widget_draw_button_state(menu_button *button, int selected, layout_pen pen, layout_scale scale,
                              float width, float align, int flags);
void widget_draw_choice(menu_choice *choice, int selected, layout_pen pen, layout_scale scale,
                        float width, float align, float split);
void widget_draw_slider(menu_slider *slider, int selected, layout_pen pen, layout_scale scale,
                        float width, float align, float split);
void widget_draw_text_field(menu_text_field *field, int focused, layout_pen pen, layout_scale scale,
                            float width, float align, float split);
void widget_draw_caret(const menu_text_field *field, float r, float g, float b, int position);
// The text as it fits in width layout units: itself, or cut with "..." after the last whole
// character that leaves room for them (into out, size bytes; colour escapes kept whole); "" when
// not even the dots fit.
const char *widget_fit_text(const char *text, float width, char *out, int size);
// The part of a text field's text shown in a box width units wide: count characters from first,
// as many before the caret as fit, then after it, so the caret is always in view.
void widget_text_window(const char *text, int caret, float width, int *first, int *count);
// The item text a choice shows: cut to 1023 characters and, while the choice owns a non-empty
// type-ahead text found in it, that text in red at its last occurrence. out holds 1100 bytes.
enum { WIDGET_SHOWN_MAX = 1100 };
void widget_choice_shown_text(const menu_choice *choice, char *out);
// The width a slider keeps for its value: the larger of maximum and 1000 printed "%.2f".
const char *widget_slider_reserve_text(const menu_slider *slider, char *out, int size);
// The fraction of the bar a slider fills, 0..1; 0 when its range is empty.
double widget_slider_fraction(const menu_slider *slider);

// The 2D layout: the largest centred 4:3 area of the window is layout_height units high.
struct layout_fit {
    float translate_x, translate_y;   // before the scale, at depth -1
    float s;                          // view units per layout unit
    layout_pen   pen;
    layout_scale scale;
};
// half_x, half_y: the view's half-extents at depth 1; window size in pixels.
layout_fit layout_fit_4x3(float half_x, float half_y, float layout_height, float x, float y,
                          int window_width, int window_height);
void overlay_push_4x3(float layout_height, float x, float y, layout_pen *pen, layout_scale *scale);
void overlay_translate(layout_pen *pen, float dx, float dy);
