// Value setters of the menu widgets, used by the menus and by the settings and setup readers.
#include "shell/widget_values.h"
#include <cstdio>
#include <cstring>

void widget_choices_init(menu_choice *choices, const menu_choice_def *defs, int count)
{
    for (int i = 0; i < count; ++i)
        choices[i] = menu_choice{defs[i].label, defs[i].items, defs[i].item_count, defs[i].current, {}};
}

void widget_sliders_init(menu_slider *sliders, const menu_slider_def *defs, int count)
{
    for (int i = 0; i < count; ++i) {
        const menu_slider_def &d = defs[i];
        sliders[i] = menu_slider{d.label, d.value, d.step, d.minimum, d.maximum, {}, 0, 0};
    }
}

int widget_choice_select(menu_choice *choice, const char *text)
{
    if (!choice->items || !text) return 0;
    for (int i = 0; i < choice->item_count; ++i)
        if (choice->items[i] && strcmp(choice->items[i], text) == 0) {
            choice->current = i;
            return 1;
        }
    return 0;
}

int widget_slider_set_text(menu_slider *slider, const char *text)
{
    float v;
    if (!text || sscanf(text, "%f", &v) != 1) return 0;
    // The range is compared in single precision, as the value was read.
    if (v < (float)slider->minimum) v = (float)slider->minimum;
    if (v > (float)slider->maximum) v = (float)slider->maximum;
    if (v != v) return 0;   // "nan" reads as a number but has no place on a slider
    slider->value = v;
    return 1;
}

int widget_text_set(menu_text_field *field, const char *text)
{
    if (!field->buffer || field->max_length < 0) return 1;
    size_t n = text ? strnlen(text, (size_t)field->max_length) : 0;
    if (n) memcpy(field->buffer, text, n);
    memset(field->buffer + n, 0, (size_t)field->max_length + 1 - n);
    if (field->caret > (int)n) field->caret = (int)n;
    return 1;
}
