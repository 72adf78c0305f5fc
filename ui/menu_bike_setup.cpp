// The Bike Setup pages' keys: Bike Setup, Suspension and Gearing and Advanced Stability Setup.
// A change reaches the bike at once only when the camera follows the local player; otherwise
// the widget alone keeps it until the next race pushes the whole setup.
#include "ui/menu.h"
#include "ui/menu_settings.h"
#include "bike/bike_record.h"
#include "bike/catalogue.h"
#include "data/util.h"
#include "racing/race.h"
#include "shell/lists.h"
#include "shell/setup.h"
#include <cstdio>
#include <cstring>

menu_button bike_setup_buttons[3] = {
    {"Back to Main Menu", {}}, {"Suspension and Gearing", {}}, {"Advanced Stability Setup", {}}};
menu_button suspension_back = {"Back to Bike Setup Menu", {}};
menu_button stability_back = {"Back to Bike Setup Menu", {}};

static const int bike_setup_targets[3] = {MENU_PAGE_MAIN, MENU_PAGE_SUSPENSION, MENU_PAGE_STABILITY};
static const char *const graphics_titles[SETUP_GRAPHICS_COUNT] = {
    "Choose Riding Gear", "Choose Helmet", "Choose Bike Graphics", "Choose Wheel Graphics"};
static const int page7_sliders[5] = {SETUP_STABILITY, SETUP_AUTO_CLUTCH_RPMS, SETUP_BRAKE_TORQUE,
                                     SETUP_REAR_BRAKE_TORQUE, SETUP_MAX_DAB_SPEED};
// Rows 15 to 24, in the page's order (the records keep the order of the settings file).
const int bike_setup_option_choices[10] = {SETUP_ARCADE,     SETUP_FRONT_BRAKE, SETUP_REAR_BRAKE,
                                           SETUP_STOP_WHEELIES, SETUP_AUTO_SHIFT, SETUP_AUTO_DAB,
                                           SETUP_STICKY_DAB, SETUP_AUTO_ALIGN, SETUP_REVERSE_STEERING,
                                           SETUP_LEAN_INDICATOR};
static const int suspension_sliders[SUSPENSION_ROWS - 1] = {
    SETUP_FORK_COMPRESSION,  SETUP_FORK_SLOW_COMPRESSION,  SETUP_FORK_REBOUND,  SETUP_FORK_SLOW_REBOUND,
    SETUP_FORK_SPRING_RATE,  SETUP_FORK_PRELOAD,           SETUP_FORK_OIL_LEVEL,
    SETUP_SHOCK_COMPRESSION, SETUP_SHOCK_SLOW_COMPRESSION, SETUP_SHOCK_REBOUND, SETUP_SHOCK_SLOW_REBOUND,
    SETUP_SHOCK_SPRING_RATE, SETUP_SHOCK_PRELOAD,
    SETUP_FRONT_SPROCKET,    SETUP_REAR_SPROCKET,
    SETUP_RIDER_YSPRING,     SETUP_RIDER_YDAMPING,         SETUP_RIDER_ZSPRING, SETUP_RIDER_ZDAMPING,
    SETUP_RIDER_MASS_DISTRIBUTION,
};

// Page 9: each row drives one setter; angles are kept in degrees and set in radians.
struct stability_setter {
    void (*setup_bike_ops::*set)(bike *, float);
    int degrees;
};
static const stability_setter stability_setters[SETUP_STABILITY_ROWS] = {
    {&setup_bike_ops::leveling, 0},
    {&setup_bike_ops::roll_damping, 0},
    {&setup_bike_ops::roll_limit_angle, 1},
    {&setup_bike_ops::roll_limit_factor, 0},
    {&setup_bike_ops::steering_damping, 0},
    {&setup_bike_ops::steering_strength, 0},
    {&setup_bike_ops::max_steering_force, 0},
    {&setup_bike_ops::direct_steering, 0},
    {&setup_bike_ops::slow_damping_speed, 0},
    {&setup_bike_ops::slow_damping_factor, 0},
    {&setup_bike_ops::land_damping_falloff, 0},
    {&setup_bike_ops::land_damping_factor, 0},
    {&setup_bike_ops::full_lock_speed, 0},
    {&setup_bike_ops::restricted_lock_speed, 0},
    {&setup_bike_ops::restricted_lock, 1},
};
static const double radians_per_degree = 0.017453292519943295;

static int key_is(int key, int which)
{
    return menu_buttons[which] != 0 && (std::uint32_t)key == menu_buttons[which];
}

// "enter", "keypad enter" or a click on the row: the row's chooser instead of a step.
static int opens_chooser(const widget_rect *rect, int key)
{
    return key_is(key, MENU_ENTER) || key_is(key, MENU_KEYPAD_ENTER) ||
           (key_is(key, MENU_CURSOR_LEFT) && mouse_in_rect(rect));
}

int suspension_row_slider(int row)
{
    return row >= 1 && row < SUSPENSION_ROWS ? suspension_sliders[row - 1] : -1;
}

int stability_row_slider(int row) { return row >= 1 && row < STABILITY_ROWS ? SETUP_LEVELING + row - 1 : -1; }

bike *setup_target_bike(void)
{
    if (viewed_slot < 0 || viewed_slot >= RIDER_SLOTS) return nullptr;
    return controller_kind[viewed_slot] == CONTROLLER_LOCAL ? bike_slot_table[viewed_slot] : nullptr;
}

static void push_setup(void)
{
    if (bike *b = setup_target_bike()) apply_setup(b);
}

void bike_choice_changed(int value)
{
    if (value < 0 || value >= setup_bike.item_count || value == setup_bike.current) return;
    setup_bike.current = value;
    bike_graphics_variants_list();
    setup_changed = 1;
}

static void bike_row_key(int key)
{
    if (opens_chooser(&setup_bike.rect, key)) {
        current_menu_widget = &setup_bike;
        menu_open_chooser(&setup_bike, "Choose Bike", bike_choice_changed);
        return;
    }
    int before = setup_bike.current;
    widget_choice_key(&setup_bike, key);
    if (setup_bike.current != before) {
        bike_graphics_variants_list();
        setup_changed = 1;
    }
}

static void text_row_key(menu_text_field *field, int key)
{
    int length = (int)strlen(field->buffer);
    if (field->caret > length) field->caret = length;
    char before[64];
    snprintf(before, sizeof before, "%s", field->buffer);
    widget_text_key(field, key);
    if (strcmp(before, field->buffer) != 0) setup_changed = 1;
}

static void graphics_row_key(int which, int key)
{
    menu_choice *c = &setup_graphics[which];
    if (opens_chooser(&c->rect, key)) {
        current_menu_widget = c;
        setup_changed = 1;   // the pick itself goes through menu_value_callback
        menu_open_chooser(c, graphics_titles[which], menu_value_callback);
        return;
    }
    int before = c->current;
    widget_choice_key(c, key);
    if (c->current != before) setup_changed = 1;
}

// "Stop Wheelies" items "No", "Yes", "Front Only" are the bike's modes 0, 3 and 2.
static int wheelie_mode(int index)
{
    static const int modes[3] = {0, 3, 2};
    return index >= 0 && index < 3 ? modes[index] : 0;
}

static void option_push(int choice, bike *b)
{
    const setup_bike_ops &o = *setup_ops();
    int v = setup_choices[choice].current;
    switch (choice) {
    // Online races are never arcade races, whatever the player chose.
    case SETUP_ARCADE: o.arcade(b, net_socket >= 0 ? 0 : v); break;
    case SETUP_FRONT_BRAKE: o.front_brake_aid(b, v); break;
    case SETUP_REAR_BRAKE: o.rear_brake_aid(b, v); break;
    case SETUP_STOP_WHEELIES: o.stop_wheelies(b, wheelie_mode(v)); break;
    case SETUP_AUTO_SHIFT: o.auto_shift(b, v); break;
    case SETUP_AUTO_DAB: o.auto_dab(b, v); break;
    case SETUP_AUTO_ALIGN: o.auto_align(b, v); break;
    default: break;   // read by the controls and the HUD, not by the bike
    }
}

void bike_setup_page_key(int key)
{
    menu_rows_move(key, BIKE_SETUP_ROWS);
    int row = focused_item;
    if (row <= 2) {
        if (widget_is_activated(&bike_setup_buttons[row], key)) menu_go(bike_setup_targets[row]);
    } else if (row == 3) {
        bike_row_key(key);
    } else if (row <= 5) {
        text_row_key(row == 4 ? &setup_name : &setup_number, key);
    } else if (row <= 9) {
        graphics_row_key(row - 6, key);
    } else if (row <= 14) {
        if (row == 10 && key == KEY_STAR) {
            menu_go(MENU_PAGE_STABILITY);
            return;
        }
        menu_slider *s = &setup_sliders[page7_sliders[row - 10]];
        double before = s->value;
        widget_slider_key(s, key);
        if (s->value == before) return;
        // The advanced values follow the stability only when its whole number moves.
        if (row == 10 && (int)s->value != (int)before) setup_set_defaults((int)s->value);
        push_setup();
    } else {
        int choice = bike_setup_option_choices[row - 15];
        int before = setup_choices[choice].current;
        widget_choice_key(&setup_choices[choice], key);
        if (setup_choices[choice].current == before) return;
        if (bike *b = setup_target_bike()) option_push(choice, b);
    }
}

void suspension_page_key(int key)
{
    menu_rows_move(key, SUSPENSION_ROWS);
    int row = focused_item;
    if (row == 0) {
        if (widget_is_activated(&suspension_back, key)) menu_go(MENU_PAGE_BIKE_SETUP);
        return;
    }
    menu_slider *s = &setup_sliders[suspension_row_slider(row)];
    double before = s->value;
    widget_slider_key(s, key);
    if (s->value != before) push_setup();
}

void menu_bike_setup_key(int key)
{
    menu_rows_move(key, STABILITY_ROWS);
    int row = focused_item;
    if (row == 0) {
        if (widget_is_activated(&stability_back, key)) menu_go(MENU_PAGE_BIKE_SETUP);
        return;
    }
    menu_slider *s = &setup_sliders[stability_row_slider(row)];
    double before = s->value;
    widget_slider_key(s, key);
    if (s->value == before) return;
    bike *b = setup_target_bike();
    if (!b) return;
    const stability_setter &set = stability_setters[row - 1];
    double v = set.degrees ? s->value * radians_per_degree : s->value;
    (setup_ops()->*(set.set))(b, (float)v);
}

void suspension_readout(const bike_info *info, int row, char *out, int size)
{
    out[0] = 0;
    int slider = suspension_row_slider(row);
    if (!info || slider < 0) return;
    float v = (float)setup_sliders[slider].value, s = v / 100;
    switch (slider) {
    case SETUP_FORK_SPRING_RATE: snprintf(out, size, "%.3f kg/mm", bike_info_fork_spring_rate_kgmm(info, s)); break;
    case SETUP_FORK_PRELOAD: snprintf(out, size, "%.2f mm", bike_info_fork_preload_mm(info, s)); break;
    case SETUP_FORK_OIL_LEVEL: snprintf(out, size, "%.2f mm", bike_info_fork_oil_level_mm(info, s)); break;
    case SETUP_SHOCK_SPRING_RATE: snprintf(out, size, "%.2f kg/mm", bike_info_shock_spring_rate_kgmm(info, s)); break;
    case SETUP_SHOCK_PRELOAD: snprintf(out, size, "%.2f mm", bike_info_shock_preload_mm(info, s)); break;
    case SETUP_FRONT_SPROCKET: snprintf(out, size, "%.2f teeth", bike_info_front_teeth(info) + v); break;
    case SETUP_REAR_SPROCKET: snprintf(out, size, "%.2f teeth", bike_info_rear_teeth(info) + v); break;
    }
}
