// How the setup and settings pages look: all on the backdrop in the 4:3 layout, their titles at
// the top left and the rows 1.375 units apart below the buttons.
#include "ui/menu.h"
#include "ui/menu_settings.h"
#include "bike/bike_record.h"
#include "graphics/font.h"
#include "graphics/glcaps.h"
#include "racing/race.h"
#include "shell/config.h"
#include "shell/graphics_presets.h"
#include "shell/setup.h"
#include "shell/video_modes.h"
#include <GL/gl.h>
#include <cstdio>
#include <cstring>

static const float title_width = 15, wide_row = 41.99667f, narrow_row = 20.333334f;
static const widget_colour label_text = {0.9f, 0.9f, 0.9f, 1.0f}, label_box = {0, 0, 0, 0.25f};
static const widget_colour normal_text = {0.9f, 0.9f, 0.9f, 0.8f}, normal_box = {0.5f, 0.5f, 0.5f, 0.25f};
static const widget_colour selected_text = {0, 0, 0, 1}, selected_box = {0.9f, 0.9f, 0.9f, 0.8f};
static const widget_colour mark_on_text = {0.9f, 0.9f, 0.9f, 1}, mark_on_box = {0, 1, 0, 0.5f};
static const widget_colour mark_off_text = {0, 0, 0, 1}, mark_off_box = {1, 0, 0, 0.5f};

// The page's layout with its title at the top left; the pen ends on the first button's row.
static void page_begin(const char *title, layout_pen *pen, layout_scale *scale)
{
    menu_draw_backdrop();
    overlay_push_4x3(32, 0, -(1 + widget_border), pen, scale);
    widget_draw_label(title, &label_text, &label_box, title_width, 0);
    overlay_translate(pen, 0, -2);
}

static void rows_down(layout_pen *pen, float rows) { overlay_translate(pen, 0, -widget_row * rows); }

void menu_draw_bike_setup(void)
{
    layout_pen pen;
    layout_scale scale;
    page_begin("Bike Setup", &pen, &scale);
    int item = focused_item;
    // "Bike", "Name" and "Number" beside the three buttons.
    glPushMatrix();
    layout_pen column = pen;
    overlay_translate(&column, title_width + 0.5f, 0);
    widget_draw_choice(&setup_bike, item == 3, column, scale, narrow_row, 0, 0.33f);
    rows_down(&column, 1);
    widget_draw_text_field(&setup_name, item == 4, column, scale, narrow_row, 0, 0.33f);
    rows_down(&column, 1);
    widget_draw_text_field(&setup_number, item == 5, column, scale, narrow_row, 0, 0.33f);
    glPopMatrix();
    for (int i = 0; i < 3; ++i) {
        widget_draw_button(&bike_setup_buttons[i], item == i, pen, scale, title_width, 0);
        rows_down(&pen, 1);
    }
    rows_down(&pen, 0.5f);
    for (int i = 0; i < SETUP_GRAPHICS_COUNT; ++i) {
        widget_draw_choice(&setup_graphics[i], item == 6 + i, pen, scale, wide_row, 0, 0.33f);
        rows_down(&pen, 1);
    }
    rows_down(&pen, 0.5f);
    static const int sliders[5] = {SETUP_STABILITY, SETUP_AUTO_CLUTCH_RPMS, SETUP_BRAKE_TORQUE,
                                   SETUP_REAR_BRAKE_TORQUE, SETUP_MAX_DAB_SPEED};
    for (int i = 0; i < 5; ++i) {
        widget_draw_slider(&setup_sliders[sliders[i]], item == 10 + i, pen, scale, wide_row, 0, 0.5f);
        rows_down(&pen, 1);
    }
    rows_down(&pen, 0.5f);
    for (int column_index = 0; column_index < 2; ++column_index) {
        glPushMatrix();
        layout_pen at = pen;
        overlay_translate(&at, (wide_row - narrow_row) * column_index, 0);
        for (int i = 0; i < 5; ++i) {
            int row = column_index * 5 + i;
            widget_draw_choice(&setup_choices[bike_setup_option_choices[row]], item == 15 + row, at, scale,
                               narrow_row, 0, 0.67f);
            rows_down(&at, 1);
        }
        glPopMatrix();
    }
    overlay_pop();
}

static const bike_info *viewed_bike_info(void)
{
    if (viewed_slot < 0 || viewed_slot >= RIDER_SLOTS || !bike_slot_table[viewed_slot]) return nullptr;
    return &bike_slot_table[viewed_slot]->info;
}

// A readout over a slider's bar, white on a dark plate so it reads over the fill and the
// empty bar alike.
static void readout_plate(float left, float right, const char *text)
{
    const float tw = text_width(text), x0 = left + (right - left - tw) / 2;
    draw_flat_quad(0, 0, 0, 0.7f, x0 - 0.25f, 0.0625f, x0 + tw + 0.25f, 0.9375f);
    draw_text_centered(1, 1, 1, 1, left, right, text);
}

void menu_draw_suspension(void)
{
    layout_pen pen;
    layout_scale scale;
    page_begin("Suspension and Gearing", &pen, &scale);
    widget_draw_button(&suspension_back, focused_item == 0, pen, scale, title_width, 0);
    overlay_pop();

    const float w = 52.663334f;
    overlay_push_4x3(40, 0, -6.5f, &pen, &scale);
    const bike_info *info = viewed_bike_info();
    char readout[64];
    for (int row = 1; row < SUSPENSION_ROWS; ++row) {
        widget_draw_slider(&setup_sliders[suspension_row_slider(row)], focused_item == row, pen, scale, w, 0, 0.5f);
        suspension_readout(info, row, readout, sizeof readout);
        if (readout[0]) readout_plate(20.998335f, w, readout);
        // Fork, shock, gearing and rider: half a row between the groups.
        rows_down(&pen, row == 7 || row == 13 || row == 15 ? 1.5f : 1);
    }
    overlay_pop();
}

void menu_draw_stability(void)
{
    layout_pen pen;
    layout_scale scale;
    page_begin("Advanced Stability Setup", &pen, &scale);
    widget_draw_button(&stability_back, focused_item == 0, pen, scale, title_width, 0);
    overlay_translate(&pen, 0, -1.875f);
    for (int row = 1; row < STABILITY_ROWS; ++row) {
        widget_draw_slider(&setup_sliders[stability_row_slider(row)], focused_item == row, pen, scale, wide_row, 0, 0.5f);
        rows_down(&pen, 1);
    }
    overlay_pop();
}

static void draw_binding_row(int index, int selected, layout_pen pen, layout_scale scale, float w, float split)
{
    const key_binding *b = &key_bindings[index];
    widget_write_rect(&binding_rects[index], pen, scale, w);
    widget_draw_label(b->label, &label_text, &label_box, w * split - widget_border, 0);
    char text[1100];
    binding_row_text(b, binding_capture.binding == b, text, sizeof text);
    glPushMatrix();
    glTranslatef(w * split + widget_border, 0, 0);
    widget_draw_label(text, selected ? &selected_text : &normal_text, selected ? &selected_box : &normal_box,
                      w * (1 - split) - widget_border, 0);
    glPopMatrix();
}

void menu_draw_controls(void)
{
    layout_pen pen;
    layout_scale scale;
    page_begin("Customize Controls", &pen, &scale);
    widget_draw_button(&controls_back, focused_item == 0, pen, scale, title_width, 0);
    overlay_translate(&pen, 0, -1.875f);
    for (int i = 0; i < BINDING_COUNT; ++i) {
        draw_binding_row(i, focused_item == i + 1, pen, scale, wide_row, 0.25f);
        rows_down(&pen, 1);
    }
    overlay_pop();
}

// Text from the driver is shown as it is, never as colour codes, and cut to the page's width.
static void driver_text(const char *label, const char *value, char *out, int size)
{
    snprintf(out, size, "%s%.200s", label, value ? value : "");
    for (char *c = out; *c; ++c)
        if ((unsigned char)*c < 32 || *c == 127) *c = ' ';
    for (size_t n = strlen(out); n > 0 && text_width(out) > wide_row; --n) out[n - 1] = 0;
}

void menu_draw_graphics_setup(void)
{
    layout_pen pen;
    layout_scale scale;
    page_begin("Graphics/Sound Setup", &pen, &scale);
    int item = focused_item;
    char text[300];
    glPushMatrix();
    snprintf(text, sizeof text, "Current Settings: %s", graphics_preset_label(graphics_preset_detect()));
    glTranslatef(title_width + 0.5f, 0, 0);
    draw_text_shadowed(1, 1, 1, 1, text);
    glPopMatrix();
    for (int row = 0; row < 6; ++row) {
        widget_draw_button(&graphics_setup_buttons[row], item == row, pen, scale, title_width, 0);
        rows_down(&pen, 1);
    }
    widget_draw_choice(&video_mode_choice, item == 6, pen, scale, wide_row, 0, 0.5f);
    rows_down(&pen, 1);
    widget_draw_button(&graphics_setup_buttons[6], item == 7, pen, scale, title_width, 0);
    rows_down(&pen, 1);
    widget_draw_choice(&config_choices[CONFIG_HIDE_RIDER], item == 8, pen, scale, wide_row, 0, 0.5f);
    rows_down(&pen, 1);
    widget_draw_choice(&config_choices[CONFIG_RIGID_CAMERA], item == 9, pen, scale, wide_row, 0, 0.5f);
    rows_down(&pen, 1);
    for (int row = 10; row < GRAPHICS_SETUP_ROWS; ++row) {
        widget_draw_slider(&config_sliders[CONFIG_FOV + row - 10], item == row, pen, scale, wide_row, 0, 0.5f);
        rows_down(&pen, 1);
    }
    draw_text_shadowed(1, 1, 1, 1, "Some settings will not take effect until next restart");
    glTranslatef(0, -1, 0);
    draw_text_shadowed(0.75f, 0.75f, 0.75f, 1, "Driver info:");
    static const char *const labels[3] = {"Vendor: ", "Renderer: ", "Version: "};
    const char *values[3] = {gl_caps.vendor, gl_caps.renderer, gl_caps.version};
    for (int i = 0; i < 3; ++i) {
        glTranslatef(0, -1, 0);
        driver_text(labels[i], values[i], text, sizeof text);
        draw_text_shadowed(0.75f, 0.75f, 0.75f, 1, text);
    }
    overlay_pop();
}

static void availability_mark(int available, float left, float width)
{
    glPushMatrix();
    glTranslatef(left, 0, 0);
    widget_draw_label(available ? "Available" : "Not Available", available ? &mark_on_text : &mark_off_text,
                      available ? &mark_on_box : &mark_off_box, width, 0.5f);
    glPopMatrix();
}

void menu_draw_advanced_graphics(void)
{
    layout_pen pen;
    layout_scale scale;
    page_begin("Advanced Graphics Setup", &pen, &scale);
    int item = focused_item;
    widget_draw_button(&advanced_graphics_back, item == 0, pen, scale, title_width, 0);
    overlay_translate(&pen, 0, -1.875f);
    struct row {
        menu_slider *slider;
        menu_choice *choice;
    };
    const row rows[ADVANCED_GRAPHICS_ROWS - 1] = {
        {&config_sliders[CONFIG_GROUND_DETAIL], nullptr},
        {&config_sliders[CONFIG_GROUND_TEXTURE_DETAIL], nullptr},
        {nullptr, &config_choices[CONFIG_GROUND_TEXTURE_DIM]},
        {nullptr, &config_choices[CONFIG_GROUND_MIPMAPS]},
        {nullptr, &config_choices[CONFIG_TEXTURE_COMPRESS]},
        {nullptr, &config_choices[CONFIG_RENDER_TEXTURE]},
        {nullptr, &config_choices[CONFIG_USE_SHADER]},
        {&config_sliders[CONFIG_MODEL_DETAIL], nullptr},
        {&config_sliders[CONFIG_MODEL_TEXTURE_DETAIL], nullptr},
        {&config_sliders[CONFIG_ROOST_DENSITY], nullptr},
        {nullptr, &config_choices[CONFIG_LENS_FLARE]},
        {nullptr, &config_choices[CONFIG_REFLECTIONS]},
    };
    const float marked_width = 31.67f, marked_split = 0.66303545f;
    for (int i = 0; i < ADVANCED_GRAPHICS_ROWS - 1; ++i) {
        int selected = item == i + 1;
        if (rows[i].slider) {
            widget_draw_slider(rows[i].slider, selected, pen, scale, wide_row, 0, 0.5f);
        } else if (i == 5 || i == 6) {
            widget_draw_choice(rows[i].choice, selected, pen, scale, marked_width, 0, marked_split);
            int available = i == 5 ? render_method_available() : g_render.shader_capable;
            availability_mark(available, marked_width + 2 * widget_border,
                              wide_row - marked_width - 2 * widget_border);
        } else {
            widget_draw_choice(rows[i].choice, selected, pen, scale, wide_row, 0, 0.5f);
        }
        rows_down(&pen, 1);
    }
    overlay_pop();
}
