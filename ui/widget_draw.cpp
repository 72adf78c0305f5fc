// Drawing the menu widgets: framed boxes with their text in the unit row of the current
// transform; each call first records the widget's window rectangle for the mouse.
#include "ui/ui.h"
#include "ui/widgets.h"
#include "graphics/font.h"
#include <GL/gl.h>
#include <cstdio>
#include <cstring>

static const widget_colour label_text = {0.9f, 0.9f, 0.9f, 1.0f};
static const widget_colour label_box = {0, 0, 0, 0.25f};
static const widget_colour normal_text = {0.9f, 0.9f, 0.9f, 0.8f};
static const widget_colour normal_box = {0.5f, 0.5f, 0.5f, 0.25f};
static const widget_colour selected_text = {0, 0, 0, 1};
static const widget_colour selected_box = {0.9f, 0.9f, 0.9f, 0.8f};
static const widget_colour state_box = {0.3f, 0.3f, 0.3f, 0.25f};
static const widget_colour dimmed_box = {0.2f, 0.2f, 0.2f, 0.25f};

enum { ITEM_TEXT_MAX = 1023 };

void widget_write_rect(widget_rect *r, layout_pen pen, layout_scale scale, float w)
{
    r->x0 = (int)(pen.x * scale.x);
    r->y0 = (int)((pen.y + 1) * scale.y);
    r->x1 = (int)((pen.x + w) * scale.x);
    r->y1 = (int)(pen.y * scale.y);
}

static void quad(const widget_colour *c, float x0, float y0, float x1, float y1)
{
    draw_flat_quad(c->r, c->g, c->b, c->a, x0, y0, x1, y1);
}

// The frame strips and then the whole outer rectangle, so the frame shows twice as dense.
static void box(const widget_colour *c, float x0, float x1)
{
    const float b = widget_border;
    quad(c, x0 - b, 1, x1 + b, 1 + b);
    quad(c, x0 - b, -b, x1 + b, 0);
    quad(c, x0 - b, -b, x0, 1 + b);
    quad(c, x1, -b, x1 + b, 1 + b);
    quad(c, x0 - b, -b, x1 + b, 1 + b);
}

static void text_at(const widget_colour *c, float x, const char *text)
{
    glPushMatrix();
    glTranslatef(x, 0, 0);
    draw_text_color(c->r, c->g, c->b, c->a, text);
    glPopMatrix();
}

// Long texts are shown cut.
static const char *cut_text(const char *text, char *buffer)
{
    if (!text) return "";
    if (strnlen(text, ITEM_TEXT_MAX + 1) <= ITEM_TEXT_MAX) return text;
    memcpy(buffer, text, ITEM_TEXT_MAX);
    buffer[ITEM_TEXT_MAX] = 0;
    return buffer;
}

static float advance(unsigned char c) { return font_main()->advances[c]; }

const char *widget_fit_text(const char *text, float width, char *out, int size)
{
    if (!text) return "";
    if (text_width(text) <= width) return text;
    static const char dots[] = "...";
    const float room = width - text_width(dots);
    if (room < 0 || size < (int)sizeof dots) return "";
    // Leave space for the dots and the terminator; escapes go over whole or not at all.
    const int limit = size - (int)sizeof dots;
    int n = 0;
    float w = 0;
    for (const char *p = text; *p;) {
        if (*p == 27) {
            const char *end = text_skip_escape(p);
            if (n + (end - p) > limit) break;
            memcpy(out + n, p, (size_t)(end - p));
            n += (int)(end - p);
            p = end;
            continue;
        }
        const float a = advance((unsigned char)*p);
        if (w + a > room || n + 1 > limit) break;
        w += a;
        out[n++] = *p++;
    }
    memcpy(out + n, dots, sizeof dots);
    return out;
}

void widget_draw_label(const char *text, const widget_colour *tc, const widget_colour *bc,
                       float width, float align)
{
    char cut[ITEM_TEXT_MAX + 1], fitted[ITEM_TEXT_MAX + 8];
    text = cut_text(text, cut);
    // A box of no width takes its text's; any other keeps its width and shows the text cut.
    float bw = width > 0 ? width : text_width(text);
    text = widget_fit_text(text, bw, fitted, (int)sizeof fitted);
    float tw = text_width(text);
    box(bc, 0, bw);
    text_at(tc, (bw - tw) * align, text);
}

void widget_draw_framed(menu_button *button, layout_pen pen, layout_scale scale, float width,
                        float align, const widget_colour *tc, const widget_colour *bc)
{
    widget_write_rect(&button->rect, pen, scale, width);
    widget_draw_label(button->label, tc, bc, width, align);
}

void widget_draw_button(menu_button *button, int selected, layout_pen pen, layout_scale scale,
                        float width, float align)
{
    widget_draw_framed(button, pen, scale, width, align, selected ? &selected_text : &normal_text,
                       selected ? &selected_box : &normal_box);
}

void widget_draw_button_state(menu_button *button, int selected, layout_pen pen, layout_scale scale,
                              float width, float align, int flags)
{
    const widget_colour *bc = selected ? &selected_box : (flags & 1) ? &dimmed_box : &state_box;
    widget_draw_framed(button, pen, scale, width, align, selected ? &selected_text : &normal_text, bc);
}

void widget_choice_shown_text(const menu_choice *c, char *out)
{
    const char *item = c->items && c->current >= 0 && c->current < c->item_count ? c->items[c->current] : "";
    if (!item) item = "";
    char cut[ITEM_TEXT_MAX + 1];
    item = cut_text(item, cut);
    const char *at = typeahead_owner == c && typeahead_buffer[0] ? text_find_nocase_last(item, typeahead_buffer)
                                                                 : nullptr;
    if (!at) {
        snprintf(out, WIDGET_SHOWN_MAX, "%s", item);
        return;
    }
    size_t typed = strlen(typeahead_buffer);
    snprintf(out, WIDGET_SHOWN_MAX, "%.*s\033[31m%s\033[0m%s", (int)(at - item), item, typeahead_buffer,
             at + typed);
}

void widget_draw_choice(menu_choice *c, int selected, layout_pen pen, layout_scale scale, float w,
                        float align, float split)
{
    widget_write_rect(&c->rect, pen, scale, w);
    widget_draw_label(c->label, &label_text, &label_box, w * split - widget_border, align);
    static char shown[WIDGET_SHOWN_MAX];
    widget_choice_shown_text(c, shown);
    glPushMatrix();
    glTranslatef(w * split + widget_border, 0, 0);
    widget_draw_label(shown, selected ? &selected_text : &normal_text, selected ? &selected_box : &normal_box,
                      w * (1 - split) - widget_border, align);
    glPopMatrix();
}

const char *widget_slider_reserve_text(const menu_slider *s, char *out, int size)
{
    snprintf(out, (size_t)size, "%.2f", s->maximum > 1000 ? s->maximum : 1000.0);
    return out;
}

double widget_slider_fraction(const menu_slider *s)
{
    if (!(s->maximum != s->minimum)) return 0;
    double f = (s->value - s->minimum) / (s->maximum - s->minimum);
    return f < 0 ? 0 : f > 1 ? 1 : f == f ? f : 0;
}

void widget_draw_slider(menu_slider *s, int selected, layout_pen pen, layout_scale scale, float w,
                        float align, float split)
{
    const float b = widget_border;
    widget_write_rect(&s->rect, pen, scale, w);
    char value[64], reserve[64];
    snprintf(value, sizeof value, "%.2f", s->value);
    float V = text_width(widget_slider_reserve_text(s, reserve, sizeof reserve));
    float L = w * split;
    widget_draw_label(s->label, &label_text, &label_box, L - V - 3 * b, align);
    glPushMatrix();
    glTranslatef(L - V - b, 0, 0);
    widget_draw_label(value, &label_text, &label_box, V, 1);
    glPopMatrix();
    float X = L + b;
    s->bar_start = (int)((pen.x + X) * scale.x);
    s->bar_end = (int)((pen.x + w) * scale.x);
    box(selected ? &selected_box : &normal_box, X, w);
    const widget_colour *fill = selected ? &selected_text : &normal_text;
    double f = widget_slider_fraction(s);
    if (f > 0) quad(fill, X, 0, X + (w - X) * (float)f, 1);
}

void widget_text_window(const char *text, int caret, float width, int *first, int *count)
{
    const int len = (int)strnlen(text, ITEM_TEXT_MAX);
    if (caret < 0) caret = 0;
    if (caret > len) caret = len;
    // The caret covers the character under it, or a space past the end.
    float w = caret < len ? advance((unsigned char)text[caret]) : advance(' ');
    int from = caret;
    while (from > 0 && w + advance((unsigned char)text[from - 1]) <= width) w += advance((unsigned char)text[--from]);
    int to = caret < len ? caret + 1 : len;
    while (to < len && w + advance((unsigned char)text[to]) <= width) w += advance((unsigned char)text[to++]);
    *first = from;
    *count = to - from;
}

void widget_draw_caret(const menu_text_field *f, float r, float g, float b, int position)
{
    if (!f->buffer) return;
    char before[ITEM_TEXT_MAX + 1];
    int len = (int)strnlen(f->buffer, ITEM_TEXT_MAX);
    if (position < 0 || position > len) return;
    memcpy(before, f->buffer, (size_t)position);
    before[position] = 0;
    char at[2] = {position < len ? f->buffer[position] : ' ', 0};
    float x0 = text_width(before), x1 = x0 + text_width(at);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glColor3f(r, g, b);
    glBegin(GL_QUADS);
    glVertex3f(x0, 0, 0);
    glVertex3f(x0, 1, 0);
    glVertex3f(x1, 1, 0);
    glVertex3f(x1, 0, 0);
    glEnd();
}

void widget_draw_text_field(menu_text_field *f, int focused, layout_pen pen, layout_scale scale,
                            float w, float align, float split)
{
    widget_write_rect(&f->rect, pen, scale, w);
    widget_draw_label(f->label, &label_text, &label_box, w * split - widget_border, align);
    glPushMatrix();
    glTranslatef(w * split + widget_border, 0, 0);
    const widget_colour *tc = focused ? &selected_text : &normal_text;
    const char *text = f->buffer ? f->buffer : "";
    char cut[ITEM_TEXT_MAX + 1], fitted[ITEM_TEXT_MAX + 8];
    text = cut_text(text, cut);
    const float bw = w * (1 - split) - widget_border;
    box(focused ? &selected_box : &normal_box, 0, bw);
    if (!focused) {
        text = widget_fit_text(text, bw, fitted, (int)sizeof fitted);
        text_at(tc, (bw - text_width(text)) * align, text);
        glPopMatrix();
        return;
    }
    // Being typed into, a text too long for its box scrolls so the caret stays in view.
    int first, count;
    widget_text_window(text, f->caret, bw, &first, &count);
    memcpy(fitted, text + first, (size_t)count);
    fitted[count] = 0;
    menu_text_field shown = *f;
    shown.buffer = fitted;
    widget_draw_caret(&shown, 0.5f, 0.5f, 0.5f, f->caret - first);
    text_at(tc, (bw - text_width(fitted)) * align, fitted);
    glPopMatrix();
}

// The frame loop's centred lines: colour_scale holds r, g, b, a and a text scale.
void draw_text_centered_shadowed(const float *colour_scale, float left, float right, const char *text)
{
    float k = colour_scale[4] > 0 ? colour_scale[4] : 1;
    glPushMatrix();
    glScalef(k, k, k);
    draw_text_centered_shadowed(colour_scale[0], colour_scale[1], colour_scale[2], colour_scale[3], left / k,
                                right / k, text);
    glPopMatrix();
}
