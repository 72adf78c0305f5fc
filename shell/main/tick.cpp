// The tick loop: per-tick events, control sums, the local bike's controls, binding capture,
// key handling, network and race step. Nothing here allocates.
#include "shell/main/tick.h"
#include "shell/globals.h"
#include "shell/main/seams.h"
#include "shell/startup.h"
#include "bike/bike.h"
#include "racing/race.h"
#include "ui/ui.h"
#include "editor/editor.h"
#include "platform/input.h"
#include "platform/log.h"
#include <cmath>
#include <ode/ode.h>


static int display_read(void *, std::uint32_t *code, int *pressed)
{
    return kubl_event_read(g_display, code, pressed);
}
static int display_read_until(void *, std::uint32_t *code, int *pressed, int s, int us)
{
    return kubl_event_read_until(g_display, code, pressed, s, us);
}
static int display_pending(void *, std::uint32_t code)
{
    return kubl_event_pending(g_display, code);
}
static const event_source display_events = {display_read, display_read_until, nullptr, display_pending};
static const event_source *g_events = &display_events;

void tick_set_event_source(const event_source *source)
{
    g_events = source ? source : &display_events;
}

void tick_loop_reset(double now)
{
    g_ticks = {};
    g_ticks.previous_frame_time = now;
    g_ticks.remembered_menu_state = menu_state;
}

bike *viewed_bike(void)
{
    return viewed_slot >= 0 && viewed_slot < RIDER_SLOTS ? bike_slot_table[viewed_slot] : nullptr;
}

int viewed_is_local(void)
{
    return viewed_slot >= 0 && viewed_slot < RIDER_SLOTS &&
           controller_kind[viewed_slot] == CONTROLLER_LOCAL;
}

static int online(void) { return net_socket >= 0; }

static int code_is(std::uint32_t code, std::uint32_t bound) { return bound != 0 && code == bound; }

static int binding_is(std::uint32_t code, int binding)
{
    return code_is(code, (std::uint32_t)key_bindings[binding].key_code);
}

float clutch_step(float current, float clutch_sum)
{
    float target = 1.0f - 8.0f / 7.0f * clutch_sum;
    target = target < 0 ? 0 : target > 1 ? 1 : target;
    if (current < target) {
        float raised = current + (float)(4 * tick);
        return raised < target ? raised : target;
    }
    return target;
}

// Ends a capture: every watched axis still open is closed.
static void capture_end(void)
{
    for (int i = 0; i < binding_capture.axis_count; ++i)
        if (binding_capture.axes[i].axis) kubl_axis_close(binding_capture.axes[i].axis);
    binding_capture.axis_count = 0;
    binding_capture.binding = nullptr;
    binding_capture.key_code = 0;
    binding_capture.key_name = nullptr;
    if (g_options.debug_level >= 1) kubl_log_printf("Done watching pots\n");
}

static void capture_finish(void)
{
    if (!binding_capture.binding) return;
    key_binding *b = binding_capture.binding;
    for (int i = 0; i < binding_capture.axis_count; ++i) {
        watched_axis *w = &binding_capture.axes[i];
        if (!w->axis) continue;
        float r = kubl_axis_read(w->axis) / 32768.0f;
        if (std::fabs(w->rest - r) > std::fabs(w->rest - w->extreme)) {
            w->extreme = r;
            binding_capture.time = total_time;
        }
    }
    if (binding_capture.time + 0.25 >= total_time) return;
    for (int i = 0; i < binding_capture.axis_count; ++i) {
        watched_axis *w = &binding_capture.axes[i];
        if (!w->axis || std::fabs(w->extreme - w->rest) <= 0.5f) continue;
        b->key_name = nullptr;
        b->key_code = 0;
        if (b->axis) kubl_axis_close(b->axis);
        b->axis_name = binding_capture.axis_names[i];
        b->axis = w->axis;
        w->axis = nullptr;   // handed over, not closed with the others
        b->axis_min = w->rest + 0.0625f * (w->extreme - w->rest);
        b->axis_max = w->rest + 0.9375f * (w->extreme - w->rest);
        capture_end();
        return;
    }
    if (binding_capture.key_code) {
        b->key_name = binding_capture.key_name;
        b->key_code = (int)binding_capture.key_code;
        b->axis_name = nullptr;
        if (b->axis) kubl_axis_close(b->axis);
        b->axis = nullptr;
        capture_end();
    }
}

// Raises every bike out of the ground after the editor may have changed it.
static void bikes_lift_clear_of_ground(void)
{
    terrain_update_all(race_terrain());
    for (int slot = 0; slot < RIDER_SLOTS; ++slot) {
        bike *b = bike_slot_table[slot];
        if (!b) continue;
        bike_translate(b, 0, 0.125f, 0);
        // A bike buried under a cliff still comes out; the cap only guards against a contact
        // test that never clears.
        for (int tries = 0; tries < 100000 && bike_terrain_collide(b); ++tries) {
            if (contact_group) dJointGroupEmpty(contact_group);
            bike_translate(b, 0, 0.25f, 0);
        }
        if (contact_group) dJointGroupEmpty(contact_group);
        bike_translate(b, 0, -0.125f, 0);
    }
    if (contact_group) dJointGroupEmpty(contact_group);
}

static void view_slot_step(int direction)
{
    if (viewed_is_local() && !(online() && race_slot == NO_RIDER) && !setting_spy()) return;
    int at = -1;
    for (int i = 0; i < standings_count; ++i)
        if (standings[i].slot == viewed_slot) at = i;
    if (standings_count <= 0) return;
    int next = at + direction;
    if (next < 0) next = 0;
    if (next >= standings_count) next = standings_count - 1;
    viewed_slot = standings[next].slot;
}

void key_handle(std::uint32_t code, int pressed)
{
    if (pressed && code_is(code, menu_buttons[MENU_ESC])) {
        if (menu_state != MENU_CLOSED) {
            menu_state = MENU_CLOSED;
            focused_item = 0;
        } else {
            menu_state = MENU_MAIN;
            focused_item = 0;
        }
    }
    if (menu_state != MENU_CLOSED) {
        if (!pressed) return;
        menu_key((int)code);
        if (!race_track_loaded()) view_mode = VIEW_TITLE;
        return;
    }
    if (pressed && binding_is(code, BIND_CONSOLE) && view_mode != VIEW_EDITOR) {
        menu_state = MENU_CONSOLE;
        focused_item = 0;
        return;
    }
    if (view_mode == VIEW_TITLE) return;
    if (view_mode == VIEW_EDITOR && editor_key((int)code, pressed)) return;
    if (!pressed) return;
    int connecting = net_connecting();

    if (binding_is(code, BIND_PAUSE) && !connecting) paused = !paused;
    if (binding_is(code, BIND_STEP) && paused) race_step();
    if (code == 9) {
        switch (view_mode) {
        case VIEW_ONBOARD: view_mode = g_options.editor ? VIEW_EDITOR : VIEW_CHASE; break;
        case VIEW_CHASE: view_mode = VIEW_TRACK_CAMERAS; break;
        case VIEW_TRACK_CAMERAS: view_mode = VIEW_ONBOARD; break;
        case VIEW_EDITOR:
            bikes_lift_clear_of_ground();
            view_mode = VIEW_CHASE;
            break;
        }
    }
    if (binding_is(code, BIND_REWIND)) demo_skip(-1.0f);
    if (binding_is(code, BIND_SKIP)) demo_skip(+1.0f);
    if (binding_is(code, BIND_PREV)) view_slot_step(-1);
    if (binding_is(code, BIND_NEXT)) view_slot_step(+1);
    if (binding_is(code, BIND_SCREENSHOT) && view_mode != VIEW_EDITOR) take_screenshot();
    if (code >= '0' && code <= '9') {
        int digit = (int)code - '0';
        int cameras = track_cameras.count;
        track_camera_index = (digit < cameras ? digit : cameras) - 1;
    }
}

static void event_handle(std::uint32_t code, int pressed)
{
    if (code == KUBL_CLOSE || code_is(code, menu_buttons[MENU_CLOSE])) {
        quit_flag = 1;
        return;
    }
    if (menu_state != g_ticks.remembered_menu_state) {
        g_ticks.remembered_menu_state = menu_state;
        menu_changed = 1;
    }
    for (control_row &row : control_table)
        if (row.binding->key_code != 0 && code == (std::uint32_t)row.binding->key_code)
            row.value = pressed ? 1.0f : 0.0f;
    if (code_is(code, menu_buttons[MENU_CURSOR_LEFT])) left_button_down = pressed;
    if (binding_capture.binding && pressed) {
        if (code_is(code, menu_buttons[MENU_ESC])) {
            capture_end();
        } else if (!binding_capture.key_code) {
            if (const char *name = kubl_event_code_name(g_display, code)) {
                binding_capture.key_name = name;
                binding_capture.key_code = code;
                binding_capture.time = total_time;
            }
        }
        return;
    }
    key_handle(code, pressed);
}

static void controls_apply(bike *b)
{
    float steer = control_sums[CONTROL_STEER];
    bike_set_steer(b, setting_reverse_steering() ? -steer : steer);
    bike_set_front_brake(b, control_sums[CONTROL_FRONT_BRAKE]);
    bike_set_rear_brake(b, control_sums[CONTROL_REAR_BRAKE]);
    bike_set_throttle(b, control_sums[CONTROL_THROTTLE]);
    float dab = control_sums[CONTROL_DAB];
    if (setting_sticky_dab()) {
        if (g_ticks.previous_dab_sum < 0.5f && dab >= 0.5f) g_ticks.sticky_dab = !g_ticks.sticky_dab;
        bike_set_dab(b, g_ticks.sticky_dab ? 1.0f : 0.0f);
    } else {
        bike_set_dab(b, dab);
    }
    g_ticks.previous_dab_sum = dab;
    bike_set_back_up(b, control_sums[CONTROL_BACK_UP]);
    bike_set_lean(b, control_sums[CONTROL_LEAN]);
    bike_set_clutch(b, clutch_step(bike_get_clutch(b), control_sums[CONTROL_CLUTCH]));
    float shift = control_sums[CONTROL_SHIFT];
    bike_shift_gear(b, shift > 0.5f ? 1 : shift < -0.5f ? -1 : 0);
}

// "--pause-at": the race stops itself when a step reaches or passes one of the ticks named (a
// demo's step may jump) and says so in the log.
static void pause_at_check(int before)
{
    for (int i = 0; i < g_options.pause_at_count; ++i) {
        const int at = g_options.pause_at[i];
        if (before >= at || tick_count < at) continue;
        paused = 1;
        if (tick_count == at) kubl_log_printf("Paused at tick %d\n", at);
        else kubl_log_printf("Paused at tick %d (the race is at tick %d)\n", at, tick_count);
        return;
    }
}

void tick_run(double wall_time, double now)
{
    for (float &sum : control_sums) sum = 0;

    std::uint32_t code;
    int pressed;
    if (wall_time < now) {
        long long us = std::llround(wall_time * 1e6);
        int s = (int)(us / 1000000), micro = (int)(us % 1000000);
        while (g_events->read_until(g_events->ctx, &code, &pressed, s, micro))
            event_handle(code, pressed);
    } else {
        while (g_events->read(g_events->ctx, &code, &pressed)) event_handle(code, pressed);
    }

    capture_finish();

    for (control_row &row : control_table) {
        key_binding *b = row.binding;
        if (b->axis) {
            float range = b->axis_max - b->axis_min;
            float v = range != 0 ? (kubl_axis_read(b->axis) / 32768.0f - b->axis_min) / range : 0;
            row.value = v < 0 ? 0 : v > 1 ? 1 : v;
        }
        control_sums[row.control] += row.scale * row.value;
    }

    int connecting = net_connecting();
    int menu_open = menu_state != MENU_CLOSED;
    int drive = 0;
    if (!connecting && viewed_is_local() && menu_open) return;
    if (view_mode == VIEW_EDITOR) {
        editor_tick();
        if (!connecting) return;
    } else if (menu_open || view_mode == VIEW_TITLE) {
        // the controls drive nothing
    } else if (viewed_is_local()) {
        drive = 1;
    } else if (view_mode == VIEW_CHASE) {
        chase_camera_control(control_sums);
    } else if (view_mode == VIEW_TRACK_CAMERAS) {
        track_camera_control(control_sums);
    }
    if (drive) {
        if (race_is_time_trial() && control_sums[CONTROL_BACK_UP] > 0.5f &&
            setting_time_trial_abort())
            reset_player_position();
        bike *b = viewed_bike();
        if (b && viewed_is_local()) controls_apply(b);
    }

    if (connecting) paused = 0;
    net_update();
    if (!race_track_loaded()) view_mode = VIEW_TITLE;

    if (!paused && view_mode != VIEW_TITLE && (!online() || server_tick > 0)) {
        const int before = tick_count;
        race_step();
        if (g_options.record_audio && g_audio) capture_audio_tick();
        if (!online()) pause_at_check(before);
    }
}

int close_request_pending(void)
{
    if (!g_events->pending) return 0;
    if (g_events->pending(g_events->ctx, KUBL_CLOSE)) return 1;
    return menu_buttons[MENU_CLOSE] && g_events->pending(g_events->ctx, menu_buttons[MENU_CLOSE]);
}

int ticks_run(double now)
{
    int ran = 0;
    while (g_ticks.simulation_time < g_ticks.simulation_target) {
        g_ticks.simulation_time += tick;
        double wall = now - (g_ticks.simulation_target - g_ticks.simulation_time);
        tick_run(wall, now);
        ++ran;
    }
    return ran;
}
