// ui/menu_settings.h — the setup and settings pages: Bike Setup (7), Suspension and Gearing (8),
// Advanced Stability Setup (9), Customize Controls (10), Graphics/Sound Setup (11) and Advanced
// Graphics Setup (12). Their widgets are the setup and settings records themselves
// (shell/setup.h, shell/config.h); the pages only add their buttons and binding rows.
#pragma once
#include "shell/globals.h"
#include "ui/widgets.h"

struct bike;
struct bike_info;

enum {
    BIKE_SETUP_ROWS = 25,
    SUSPENSION_ROWS = 21,
    STABILITY_ROWS = 16,
    CONTROLS_ROWS = 1 + BINDING_COUNT,
    GRAPHICS_SETUP_ROWS = 17,
    ADVANCED_GRAPHICS_ROWS = 13,
    KEY_STAR = '*',   // on "Stability": opens Advanced Stability Setup
};

// Key handlers after the common row movement; menu_key routes pages 7, 8, 10 and 11 to the
// page functions, 9 and 12 have their own names.
void bike_setup_page_key(int key);
void suspension_page_key(int key);
void menu_bike_setup_key(int key);
void controls_page_key(int key);
void graphics_setup_page_key(int key);
void menu_graphics_key(int key);

void menu_draw_bike_setup(void);
void menu_draw_suspension(void);
void menu_draw_stability(void);
void menu_draw_controls(void);
void menu_draw_graphics_setup(void);
void menu_draw_advanced_graphics(void);

// The rows of pages 7 to 12 in row order, null-terminated; null for other pages.
const widget_rect *const *settings_page_hit_list(int state);

// The pages' own records.
extern menu_button bike_setup_buttons[3];    // "Back to Main Menu", "Suspension and Gearing", ...
extern menu_button suspension_back, stability_back, controls_back, advanced_graphics_back;
extern menu_button graphics_setup_buttons[7];   // rows 0 to 5, then "Switch To Selected Mode Now"
extern widget_rect binding_rects[BINDING_COUNT];

// The setup choice (setup_choices) of each of page 7's rows 15 to 24.
extern const int bike_setup_option_choices[10];
// The setup slider a row of page 8 (1..20) or page 9 (1..15) stands for; -1 for other rows.
int suspension_row_slider(int row);
int stability_row_slider(int row);

// The bike setup changes are pushed into: the viewed rider's, when that rider is the local
// player; null otherwise (the widgets alone keep the change).
bike *setup_target_bike(void);

// "Choose Bike"'s pick: the model, then that model's "Bike Graphics" variants, the first selected.
void bike_choice_changed(int value);

// Page 8's readout of a row for a catalogue record ("" for rows without one, or no record).
void suspension_readout(const bike_info *info, int row, char *out, int size);

// Page 10: what a binding's value box shows; watched is 1 while the binding waits for a key.
void binding_row_text(const key_binding *binding, int watched, char *out, int size);
// Starts watching for the key or axis that row (1..20) is to be bound to; the ticks finish it.
void pots_watch_start(int row);

// Page 11: the chosen "Video Mode" item becomes the window's mode and the mode in force.
void video_mode_switch(void);
// Page 12's mark beside "Terrain Rendering Method": 0 only for "Hardware/Direct" without the
// framebuffer objects it draws into.
int render_method_available(void);
