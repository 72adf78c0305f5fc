// Customize Controls: each action's row shows what it is bound to; choosing a row watches for
// the next key or a moved axis, which the ticks then bind to it (shell/main/tick.cpp).
#include "ui/menu.h"
#include "ui/menu_settings.h"
#include "data/util.h"
#include "platform/input.h"
#include "platform/log.h"
#include <cstdio>

menu_button controls_back = {"Back to Main Menu", {}};
widget_rect binding_rects[BINDING_COUNT];

static int key_is(int key, int which)
{
    return menu_buttons[which] != 0 && (std::uint32_t)key == menu_buttons[which];
}

void binding_row_text(const key_binding *b, int watched, char *out, int size)
{
    if (watched) snprintf(out, size, "<<PRESS A KEY>>");
    else if (b->key_name) snprintf(out, size, "%.1023s", b->key_name);
    // The range the capture stored runs from rest towards the extreme: reversed, the axis
    // pushes the other way.
    else if (b->axis_name)
        snprintf(out, size, "%.1000s %s", b->axis_name, b->axis_max >= b->axis_min ? "(Positive)" : "(Negative)");
    else snprintf(out, size, "None");
}

// Axes of a capture that was still running are closed before another starts.
static void watch_release(void)
{
    for (int i = 0; i < binding_capture.axis_count; ++i)
        if (binding_capture.axes[i].axis) kubl_axis_close(binding_capture.axes[i].axis);
    binding_capture.axis_count = 0;
}

void pots_watch_start(int row)
{
    if (row < 1 || row > BINDING_COUNT) return;
    watch_release();
    binding_capture.binding = &key_bindings[row - 1];
    binding_capture.key_code = 0;
    binding_capture.key_name = nullptr;
    binding_capture.time = total_time;
    int debug = g_options.debug_level >= 1;
    if (debug) kubl_log_printf("Watching pots\n");
    const char *const *names = kubl_axis_names(g_display);
    for (int i = 0; names && names[i] && binding_capture.axis_count < WATCHED_AXES_MAX; ++i) {
        int n = binding_capture.axis_count++;
        watched_axis *w = &binding_capture.axes[n];
        binding_capture.axis_names[n] = string_intern(names[i]);
        // One that does not open stays listed without a handle, so it is never bound.
        w->axis = kubl_axis_open(g_display, names[i]);
        w->rest = w->extreme = w->axis ? kubl_axis_read(w->axis) / 32768.0f : 0.0f;
        if (debug) kubl_log_printf("\t%s %s\n", names[i], w->axis ? "Ok" : "Failed");
    }
}

void controls_page_key(int key)
{
    menu_rows_move(key, CONTROLS_ROWS);
    int row = focused_item;
    if (row == 0) {
        if (widget_is_activated(&controls_back, key)) menu_go(MENU_PAGE_MAIN);
        return;
    }
    if (key_is(key, MENU_ENTER) || key_is(key, MENU_KEYPAD_ENTER) ||
        (key_is(key, MENU_CURSOR_LEFT) && mouse_in_rect(&binding_rects[row - 1])))
        pots_watch_start(row);
}
