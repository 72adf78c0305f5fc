// Graphics/Sound Setup and Advanced Graphics Setup: the presets, the video mode switch and the
// options they hold; and the hit lists of every setup and settings page.
#include "ui/menu.h"
#include "ui/menu_settings.h"
#include "graphics/glcaps.h"
#include "platform/display.h"
#include "shell/config.h"
#include "shell/graphics_presets.h"
#include "shell/setup.h"
#include "shell/video_modes.h"

menu_button graphics_setup_buttons[7] = {
    {"Back to Main Menu", {}},          {"Advanced Graphics Setup", {}}, {"Use Compatibility Settings", {}},
    {"Use High FPS Settings", {}},      {"Use Normal Settings", {}},     {"Use High Detail Settings", {}},
    {"Switch To Selected Mode Now", {}},
};
menu_button advanced_graphics_back = {"Back to Graphics/Sound Menu", {}};

enum { RENDER_HARDWARE_DIRECT = 2 };

void video_mode_switch(void)
{
    int index = video_mode_choice.current;
    if (index == 1) {
        kubl_window_set_mode(g_display, xres, yres, 0);
    } else {
        // "Default Fullscreen" is 0 x 0: the desktop's own mode.
        int width, height;
        video_mode_size(index, &width, &height);
        kubl_window_set_mode(g_display, width, height, KUBL_OPEN_FULLSCREEN);
    }
    video_mode_index = index;
}

int render_method_available(void)
{
    return config_choices[CONFIG_RENDER_TEXTURE].current != RENDER_HARDWARE_DIRECT || gl_caps.framebuffer_object;
}

void graphics_setup_page_key(int key)
{
    menu_rows_move(key, GRAPHICS_SETUP_ROWS);
    int row = focused_item;
    if (row <= 5 || row == 7) {
        if (!widget_is_activated(&graphics_setup_buttons[row == 7 ? 6 : row], key)) return;
        if (row == 0) menu_go(MENU_PAGE_MAIN);
        else if (row == 1) menu_go(MENU_PAGE_ADVANCED_GRAPHICS);
        else if (row == 7) video_mode_switch();
        else graphics_preset_apply(row - 2);
    } else if (row == 6) {
        widget_choice_key(&video_mode_choice, key);
    } else if (row <= 9) {
        widget_choice_key(&config_choices[row == 8 ? CONFIG_HIDE_RIDER : CONFIG_RIGID_CAMERA], key);
    } else {
        widget_slider_key(&config_sliders[CONFIG_FOV + row - 10], key);
    }
}

// Page 12's rows 1 to 12: a slider (index into config_sliders) or a choice (config_choices).
struct advanced_row {
    int is_slider, index;
};
static const advanced_row advanced_rows[ADVANCED_GRAPHICS_ROWS - 1] = {
    {1, CONFIG_GROUND_DETAIL},    {1, CONFIG_GROUND_TEXTURE_DETAIL}, {0, CONFIG_GROUND_TEXTURE_DIM},
    {0, CONFIG_GROUND_MIPMAPS},   {0, CONFIG_TEXTURE_COMPRESS},      {0, CONFIG_RENDER_TEXTURE},
    {0, CONFIG_USE_SHADER},       {1, CONFIG_MODEL_DETAIL},          {1, CONFIG_MODEL_TEXTURE_DETAIL},
    {1, CONFIG_ROOST_DENSITY},    {0, CONFIG_LENS_FLARE},            {0, CONFIG_REFLECTIONS},
};

void menu_graphics_key(int key)
{
    menu_rows_move(key, ADVANCED_GRAPHICS_ROWS);
    int row = focused_item;
    if (row == 0) {
        if (widget_is_activated(&advanced_graphics_back, key)) menu_go(MENU_PAGE_GRAPHICS);
        return;
    }
    const advanced_row &r = advanced_rows[row - 1];
    if (r.is_slider) widget_slider_key(&config_sliders[r.index], key);
    else widget_choice_key(&config_choices[r.index], key);
    // These two act on the running game at once; the others wait for the next start.
    if (r.index == CONFIG_ROOST_DENSITY && r.is_slider)
        g_render.roost_frequency = (int)config_sliders[CONFIG_ROOST_DENSITY].value;
    if (r.index == CONFIG_REFLECTIONS && !r.is_slider) g_render.reflections = config_choices[CONFIG_REFLECTIONS].current;
}

static const widget_rect *row_rect(const advanced_row &r)
{
    return r.is_slider ? &config_sliders[r.index].rect : &config_choices[r.index].rect;
}

static const widget_rect *hit_bike_setup[BIKE_SETUP_ROWS + 1], *hit_suspension[SUSPENSION_ROWS + 1],
    *hit_stability[STABILITY_ROWS + 1], *hit_controls[CONTROLS_ROWS + 1],
    *hit_graphics_setup[GRAPHICS_SETUP_ROWS + 1], *hit_advanced[ADVANCED_GRAPHICS_ROWS + 1];

static void hit_lists_build(void)
{
    static const int page7_sliders[5] = {SETUP_STABILITY, SETUP_AUTO_CLUTCH_RPMS, SETUP_BRAKE_TORQUE,
                                         SETUP_REAR_BRAKE_TORQUE, SETUP_MAX_DAB_SPEED};
    int n = 0;
    for (menu_button &b : bike_setup_buttons) hit_bike_setup[n++] = &b.rect;
    hit_bike_setup[n++] = &setup_bike.rect;
    hit_bike_setup[n++] = &setup_name.rect;
    hit_bike_setup[n++] = &setup_number.rect;
    for (menu_choice &c : setup_graphics) hit_bike_setup[n++] = &c.rect;
    for (int s : page7_sliders) hit_bike_setup[n++] = &setup_sliders[s].rect;
    for (int c : bike_setup_option_choices) hit_bike_setup[n++] = &setup_choices[c].rect;

    hit_suspension[0] = &suspension_back.rect;
    for (int row = 1; row < SUSPENSION_ROWS; ++row) hit_suspension[row] = &setup_sliders[suspension_row_slider(row)].rect;
    hit_stability[0] = &stability_back.rect;
    for (int row = 1; row < STABILITY_ROWS; ++row) hit_stability[row] = &setup_sliders[stability_row_slider(row)].rect;
    hit_controls[0] = &controls_back.rect;
    for (int i = 0; i < BINDING_COUNT; ++i) hit_controls[i + 1] = &binding_rects[i];

    for (int row = 0; row < 6; ++row) hit_graphics_setup[row] = &graphics_setup_buttons[row].rect;
    hit_graphics_setup[6] = &video_mode_choice.rect;
    hit_graphics_setup[7] = &graphics_setup_buttons[6].rect;
    hit_graphics_setup[8] = &config_choices[CONFIG_HIDE_RIDER].rect;
    hit_graphics_setup[9] = &config_choices[CONFIG_RIGID_CAMERA].rect;
    for (int row = 10; row < GRAPHICS_SETUP_ROWS; ++row) hit_graphics_setup[row] = &config_sliders[CONFIG_FOV + row - 10].rect;

    hit_advanced[0] = &advanced_graphics_back.rect;
    for (int row = 1; row < ADVANCED_GRAPHICS_ROWS; ++row) hit_advanced[row] = row_rect(advanced_rows[row - 1]);
}

const widget_rect *const *settings_page_hit_list(int state)
{
    static int built;
    if (!built) {
        hit_lists_build();
        built = 1;
    }
    switch (state) {
    case MENU_PAGE_BIKE_SETUP: return hit_bike_setup;
    case MENU_PAGE_SUSPENSION: return hit_suspension;
    case MENU_PAGE_STABILITY: return hit_stability;
    case MENU_PAGE_CONTROLS: return hit_controls;
    case MENU_PAGE_GRAPHICS: return hit_graphics_setup;
    case MENU_PAGE_ADVANCED_GRAPHICS: return hit_advanced;
    }
    return nullptr;
}
