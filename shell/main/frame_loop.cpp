// The frame loop: each pass draws the current view, updates the engine sounds, measures the
// real time that passed and runs the ticks it calls for. Nothing here allocates.
#include "shell/main/frame_loop.h"
#include "shell/capture.h"
#include "shell/globals.h"
#include "shell/loading.h"
#include "shell/pacing.h"
#include "shell/main/seams.h"
#include "platform/audio.h"
#include "shell/startup.h"
#include "shell/main/tick.h"
#include "bike/bike.h"
#include "bike/engine_sound.h"
#include "racing/race.h"
#include "ui/ui.h"
#include "ui/widgets.h"
#include "editor/editor.h"
#include "data/console.h"
#include "platform/display.h"
#include "platform/input.h"
#include "platform/log.h"
#include <GL/gl.h>
#include <csignal>

static struct {
    float cursor_x, cursor_y;
    float drag_x, drag_y;     // the cursor at the previous frame
    float hover_x, hover_y;   // the cursor at the last focus check
} g_frame;

void view_mode_choose(void)
{
    int loaded = race_track_loaded();
    if (loaded && view_mode == VIEW_TITLE) view_mode = VIEW_ONBOARD;
    if (viewed_is_local() && view_mode != VIEW_EDITOR && view_mode != VIEW_ONBOARD &&
        view_mode != VIEW_CHASE)
        view_mode = VIEW_ONBOARD;
    if (!viewed_bike()) view_mode = VIEW_TRACK_CAMERAS;
    if (!loaded) view_mode = VIEW_TITLE;
}

// One line of white text across the screen, lines_down lines below the top of a 30-line layout.
static void centered_line(const char *text, float lines_down)
{
    static const float white[5] = {1, 1, 1, 1, 1};
    float width = frame_height > 0 ? 30.0f * frame_width / frame_height : 40.0f;
    overlay_push_topleft(30);
    glTranslatef(0, -lines_down, 0);
    draw_text_centered_shadowed(white, 0, width, text);
    overlay_pop();
}

// Returns 0 when the frame end reports the display lost.
static int frame_draw(frame_size *size)
{
    frame_width = size->width;
    frame_height = size->height;
    if (video_mode_index == 1) {
        xres = frame_width;
        yres = frame_height;
    }
    set_projection(frame_width, frame_height, setting_fov());
    int hud = !g_options.hidden_hud;
    bike *b = viewed_bike();
    switch (view_mode) {
    case VIEW_ONBOARD:
        onboard_view_draw(b ? bike_get_rider_body(b) : nullptr, viewed_slot);
        if (hud) hud_draw_telemetry(viewed_slot);
        break;
    case VIEW_EDITOR: editor_draw(); break;
    case VIEW_CHASE: chase_view_draw(b); break;
    case VIEW_TRACK_CAMERAS: {
        keycam_view_draw();
        const char *number = viewed_slot < RIDER_SLOTS ? rider_number_text(viewed_slot) : nullptr;
        if (hud && show_rider_numbers && viewed_slot < RIDER_SLOTS &&
            controller_kind[viewed_slot] == CONTROLLER_REMOTE && number)
            centered_line(number, 28);
        break;
    }
    case VIEW_TITLE: draw_loading_screen(""); break;
    }
    if (hud) hud_draw_overlays(viewed_slot);
    if (g_options.record_video && !paused && view_mode != VIEW_TITLE)
        video_frame_write(frame_width, frame_height);
    if (paused && !g_options.hidden_pause) centered_line("Paused", 1);
    if (viewed_is_local() && net_socket >= 0 && race_slot == NO_RIDER)
        centered_line("Warmup mode - collisions disabled", 28);
    menu_draw();
    if (g_options.glfinish) glFinish();
    screenshot_frame_drawn(frame_width, frame_height);
    return kubl_gl_frame_end(g_display);
}

static void engine_sounds_update(void)
{
    if (!g_audio) return;
    float base;
    if (paused || view_mode == VIEW_EDITOR) base = 0;
    else if (menu_state == MENU_CLOSED) base = 1;
    else base = viewed_is_local() ? 0 : 0.25f;
    base *= setting_volume() * 0.1f;
    for (int slot = 0; slot < RIDER_SLOTS; ++slot) {
        if (!bike_slot_table[slot] || !engine_voices[slot]) continue;
        float volume;
        if (rider_is_hidden(slot)) volume = 0;
        else if (slot == viewed_slot) volume = base;
        else volume = base * setting_comp_volume() * 0.1f;
        engine_sound_update(slot, volume);
    }
    kubl_audio_update();
}

static void menu_mouse(void)
{
    if (menu_state == MENU_CLOSED) return;
    if (left_button_down) {
        if (g_frame.cursor_x != g_frame.drag_x || g_frame.cursor_y != g_frame.drag_y) menu_key(16);
    } else if (!binding_capture.binding &&
               (g_frame.cursor_x != g_frame.hover_x || g_frame.cursor_y != g_frame.hover_y)) {
        g_frame.hover_x = g_frame.cursor_x;
        g_frame.hover_y = g_frame.cursor_y;
        if (const widget_rect *const *rects = menu_hit_list()) {
            int hit = widget_hit_index(rects);
            if (hit >= 0) focused_item = hit;
        }
    }
}

// "--warp": when the leader has run the race's laps, the next race starts with the line-up
// rotated one place.
static void warp_race_restart(void)
{
    if (standings_count <= 0) return;
    bike *leader = bike_slot_table[standings[0].slot];
    int per_lap = race_gates_per_lap();
    int first = race_first_lap_gates();
    int passed = leader ? bike_get_gate_index(leader) : 0;
    int laps = per_lap > 0 && passed >= first ? (passed - first) / per_lap + 1 : 0;
    // A race without a lap count (run by time) never ends by laps; restarting it would start
    // a new race every frame.
    if (laps <= 0 || laps < race_laps) return;
    int rotated[RIDER_SLOTS];
    for (int i = 0; i < RIDER_SLOTS; ++i) rotated[(i + 1) % RIDER_SLOTS] = participant_flags[i];
    for (int i = 0; i < RIDER_SLOTS; ++i) participant_flags[i] = rotated[i];
    reset_race(participant_flags, 0, setting_record(), (int)(setting_minutes() * 60 / tick),
               (int)setting_laps(), setting_skill());
}

// SIGUSR1 asks for an "Input mark N" line in the log, written once every input that reached
// the game before the signal has been handled by a tick and a frame has read the pointer since;
// ", ground composing" follows while the ground around the eye is still being made.
// A test that drives the game with real input waits for it rather than for the clock.
static volatile std::sig_atomic_t g_mark_requests;
static struct {
    int    seen, answered, pending;
    double time;   // platform clock seconds when the queue was last filled for the mark
} g_marks;

static void mark_signal(int) { g_mark_requests = g_mark_requests + 1; }

static void marks_begin_frame(void)
{
    if (g_marks.pending || g_mark_requests == g_marks.seen) return;
    g_marks.seen = g_mark_requests;
    // Everything sent before the signal enters the queue now, stamped before this frame's clock
    // reading, so this frame's ticks take it; the pointer read below sees its moves.
    kubl_pump_messages(g_display);
    g_marks.time = platform_now();
    g_marks.pending = 1;
}

static void marks_end_frame(int ticks_ran, double now)
{
    // The last tick of a frame reads every event stamped up to now; the margin covers the
    // event stamps' millisecond rounding.
    if (!g_marks.pending || ticks_ran <= 0 || now < g_marks.time + 0.01) return;
    g_marks.pending = 0;
    // A picture of the ground wants it composed around the eye: the mark says when it is not.
    kubl_log_printf("Input mark %d%s\n", ++g_marks.answered,
                    terrain_compose_pending(race_terrain()) ? ", ground composing" : "");
}

int frame_loop_pass(void)
{
    if (quit_flag) return 0;
    marks_begin_frame();
    view_mode_choose();

    if (frame_size *size = kubl_gl_frame_begin(g_display))
        if (!frame_draw(size)) return 0;

    engine_sounds_update();

    pacing_input in = {g_options.lock_fps, g_options.warp, net_socket >= 0};
    double now = 0;
    double dt = frame_pace(&platform_clock, g_ticks.previous_frame_time, &in, &now);
    if (net_socket >= 0) dt *= online_time_scale(server_tick, tick_count, race_start_tick);
    g_ticks.simulation_target += dt;
    g_ticks.previous_frame_time = now;
    total_time += dt;
    frame_clock = total_time;

    g_frame.drag_x = g_frame.cursor_x;
    g_frame.drag_y = g_frame.cursor_y;
    g_frame.cursor_x = cursor_axes[0] ? (float)kubl_axis_read(cursor_axes[0]) : 0;
    g_frame.cursor_y = cursor_axes[1] ? (float)kubl_axis_read(cursor_axes[1]) : 0;
    mouse_x = (int)g_frame.cursor_x;
    mouse_y = (int)g_frame.cursor_y;
    menu_mouse();

    g_ticks.remembered_menu_state = menu_state;
    menu_changed = 0;

    marks_end_frame(ticks_run(now), now);
    if (!quit_flag && close_request_pending()) quit_flag = 1;

    if (view_mode != VIEW_TITLE && g_options.warp) warp_race_restart();
    if (view_mode != VIEW_TITLE) {
        terrain_update(race_terrain());
        console_expire(total_time);
    }
    return 1;
}

void frame_loop_marks_install(void)
{
#ifdef SIGUSR1
    std::signal(SIGUSR1, mark_signal);
#endif
}

void frame_loop_run(void)
{
    g_frame = {};
    while (frame_loop_pass()) {}
}
