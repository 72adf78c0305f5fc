// What the menu widgets do with one key event: activation, type-ahead in choice lists, slider
// steps and clicks, text editing. No drawing here, so the tests run without a window.
#include "ui/widgets.h"
#include "shell/globals.h"
#include <cctype>
#include <cmath>
#include <cstring>

int mouse_x, mouse_y;
char typeahead_buffer[256];
const menu_choice *typeahead_owner;

enum { TYPEAHEAD_MAX = 255, SLIDER_SLACK_PX = 15, KEY_DRAG = 16 };

static int key_is(int key, int which)
{
    return menu_buttons[which] != 0 && (std::uint32_t)key == menu_buttons[which];
}

void widget_colour_init(widget_colour *c) { c->r = c->g = c->b = c->a = -1; }

void widget_rect_clear(widget_rect *r) { r->x0 = r->y0 = r->x1 = r->y1 = -1; }

int mouse_in_rect(const widget_rect *r)
{
    return r->x0 < mouse_x && mouse_x < r->x1 && r->y0 < mouse_y && mouse_y < r->y1;
}

int widget_hit_index(const widget_rect *const *list)
{
    if (!list) return -1;
    for (int i = 0; list[i]; ++i)
        if (mouse_in_rect(list[i])) return i;
    return -1;
}

int widget_rect_activated(const widget_rect *rect, int key)
{
    if (key_is(key, MENU_ENTER) || key_is(key, MENU_KEYPAD_ENTER) || key == ' ') return 1;
    return key_is(key, MENU_CURSOR_LEFT) && mouse_in_rect(rect);
}

int widget_is_activated(const menu_button *button, int key)
{
    return widget_rect_activated(&button->rect, key);
}

const char *text_find_nocase_last(const char *text, const char *needle)
{
    size_t n = strlen(needle), len = strlen(text);
    if (n > len) return nullptr;
    for (size_t i = len - n + 1; i-- > 0;) {
        size_t k = 0;
        while (k < n && tolower((unsigned char)text[i + k]) == tolower((unsigned char)needle[k])) ++k;
        if (k == n) return text + i;
    }
    return nullptr;
}

static const char *item_text(const menu_choice *c, int i)
{
    const char *t = c->items ? c->items[i] : nullptr;
    return t ? t : "";
}

// From the current item on, the first that holds the typed text becomes current; 0 when none
// does (the index has then gone round once and is back where it started).
static int typeahead_search(menu_choice *c)
{
    for (int tries = 0; tries < c->item_count; ++tries) {
        if (text_find_nocase_last(item_text(c, c->current), typeahead_buffer)) return 1;
        c->current = (c->current + 1) % c->item_count;
    }
    return 0;
}

void widget_choice_key(menu_choice *c, int key)
{
    if (typeahead_owner != c) {
        typeahead_owner = c;
        typeahead_buffer[0] = 0;
    }
    if (key == 8) {
        typeahead_buffer[0] = 0;
        return;
    }
    int n = c->item_count;
    if (n <= 0 || !c->items) return;
    if (c->current < 0 || c->current >= n) c->current = 0;
    if (key == 9) {
        c->current = (c->current + 1) % n;
        typeahead_search(c);
        return;
    }
    if (key >= 0 && key < 256 && key != ' ') {
        int ch = (unsigned char)key;
        if (isalnum(ch) || ispunct(ch) || isblank(ch)) {
            size_t len = strlen(typeahead_buffer);
            if (len >= TYPEAHEAD_MAX) return;
            typeahead_buffer[len] = (char)ch;
            typeahead_buffer[len + 1] = 0;
            if (!typeahead_search(c)) typeahead_buffer[len] = 0;
            return;
        }
    }
    if (key_is(key, MENU_ENTER) || key_is(key, MENU_KEYPAD_ENTER) || key == ' ' ||
        key_is(key, MENU_RIGHT) || (key_is(key, MENU_CURSOR_LEFT) && mouse_in_rect(&c->rect))) {
        typeahead_buffer[0] = 0;
        c->current = (c->current + 1) % n;
    } else if (key_is(key, MENU_LEFT)) {
        typeahead_buffer[0] = 0;
        c->current = (c->current + n - 1) % n;
    }
}

void widget_slider_key(menu_slider *s, int key)
{
    double candidate;
    if (key_is(key, MENU_LEFT)) {
        candidate = s->value - s->step;
    } else if (key_is(key, MENU_RIGHT)) {
        candidate = s->value + s->step;
    } else if ((key_is(key, MENU_CURSOR_LEFT) || key == KEY_DRAG) && mouse_in_rect(&s->rect) &&
               mouse_x >= s->bar_start - SLIDER_SLACK_PX && mouse_x <= s->bar_end + SLIDER_SLACK_PX) {
        // A bar drawn no pixels wide (a tiny window) or a slider without a range has no place
        // to point at: the value stays.
        if (s->bar_end == s->bar_start || s->maximum == s->minimum) return;
        double range = s->maximum - s->minimum;
        double f = (double)(mouse_x - s->bar_start) / (s->bar_end - s->bar_start);
        double steps = s->step > 0 ? f * range / s->step : f * range;
        candidate = s->minimum + std::floor(steps + 0.5) * (s->step > 0 ? s->step : 1);
    } else {
        return;
    }
    double v = (float)candidate;
    if (v < s->minimum) v = s->minimum;
    if (v > s->maximum) v = s->maximum;
    if (v == v) s->value = v;
}

void widget_text_key(menu_text_field *f, int key)
{
    if (!f->buffer || f->max_length <= 0) return;
    int len = (int)strnlen(f->buffer, (size_t)f->max_length);
    if (f->caret > len) f->caret = len;
    if (f->caret < 0) f->caret = 0;
    if (key_is(key, MENU_LEFT)) {
        if (f->caret > 0) --f->caret;
        return;
    }
    if (key_is(key, MENU_RIGHT)) {
        if (f->caret < len) ++f->caret;
        return;
    }
    if (key == 8) {
        if (f->caret > 0) {
            --f->caret;
            memmove(f->buffer + f->caret, f->buffer + f->caret + 1, (size_t)(f->max_length - f->caret));
            f->buffer[f->max_length] = 0;
        }
        return;
    }
    if (key == 127) {
        if (f->caret < len)
            memmove(f->buffer + f->caret, f->buffer + f->caret + 1, (size_t)(f->max_length - f->caret));
        f->buffer[f->max_length] = 0;
        return;
    }
    if (key < 0 || key >= 256 || !isprint((unsigned char)key)) return;
    if (f->caret >= f->max_length) return;
    if (f->insert_mode == 1)
        memmove(f->buffer + f->caret + 1, f->buffer + f->caret, (size_t)(f->max_length - f->caret - 1));
    f->buffer[f->caret] = (char)key;
    f->buffer[f->max_length] = 0;
    ++f->caret;
}
