// The race overlays drawn over every view: the results board once the leader is home, the
// switchable readouts and the console's message lines, top-left in a layout 50 lines high.
#include "ui/hud.h"

#include <GL/gl.h>
#include <cmath>
#include <cstdio>

#include "bike/bike.h"
#include "bike/setters.h"
#include "data/console.h"
#include "graphics/font.h"
#include "graphics/texture.h"
#include "racing/race_state.h"
#include "racing/standings.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "shell/tick.h"
#include "terrain/field.h"
#include "terrain/track_load.h"
#include "ui/ui.h"

constexpr float HUD_LAYOUT_LINES = 50;

static struct {
    // The largest value each render statistic has shown so far.
    int ground, models, billboards, decals, binds, programs;
    results_board_text board;   // kept here: too big for the stack, rebuilt every frame
    float clear_left, clear_top;   // window heights kept by other drawers this frame
} g_hud;

void hud_keep_clear(float left, float top)
{
    if (left > g_hud.clear_left) g_hud.clear_left = left;
    if (top > g_hud.clear_top) g_hud.clear_top = top;
}

static bike *slot_bike(int slot) { return slot >= 0 && slot < 160 ? bike_slot_table[slot] : nullptr; }

static int game_gate_time(int slot, int n)
{
    bike *b = slot_bike(slot);
    return b ? bike_get_gate_time(b, n) : -1;
}

static int game_gate_index(int slot)
{
    bike *b = slot_bike(slot);
    return b ? bike_get_gate_index(b) : 0;
}

static const char *game_number(int slot)
{
    bike *b = slot_bike(slot);
    const char *n = b ? bike_get_number_text(b) : nullptr;
    return n ? n : "";
}

static int game_finished(int slot)
{
    bike *b = slot_bike(slot);
    return b ? bike_update_finished(b) : 0;
}

static const hud_rider_reader game_riders = {game_gate_time, game_gate_index, game_number, game_finished};

void hud_race_current(hud_race *out)
{
    out->standings = results_final ? results : standings;
    out->count = standings_count < 0 ? 0 : standings_count > 160 ? 160 : standings_count;
    const int loaded = race_track_loaded();
    out->first_lap_gates = loaded ? race_first_lap_gates() : 0;
    out->gates_per_lap = loaded ? race_gates_per_lap() : 0;
    out->start_tick = race_start_tick;
    out->tick = tick_count;
    out->time_trial = time_trial;
    out->best_lap_ticks = best_lap_ticks;
    out->last_lap_ticks = last_lap_ticks;
    out->results_final = results_final;
    out->riders = &game_riders;
}

void hud_reset_maxima(void)
{
    g_hud.ground = g_hud.models = g_hud.billboards = g_hud.decals = g_hud.binds = g_hud.programs = 0;
}

static int stat_line(char *line, const char *label, int value, int *maximum)
{
    if (value > *maximum) *maximum = value;
    snprintf(line, HUD_LINE_BYTES, "%s - %d max=%d", label, value, *maximum);
    return 1;
}

// Ticks as whole milliseconds for a readout; a server's damaged clock can put them anywhere.
static int readout_ms(double ticks)
{
    const double ms = ticks * 1000.0 / 128;
    return ms > 1e9 ? 1000000000 : ms < -1e9 ? -1000000000 : (int)ms;
}

int hud_readout_lines(char lines[HUD_READOUT_LINES][HUD_LINE_BYTES], float speed_fps)
{
    int n = 0;
    if (g_config.draw_fps) {
        const double t = frame_time_max;
        snprintf(lines[n++], HUD_LINE_BYTES, "FPS - %d", t > 0 ? (int)(1 / t) : 0);
        frame_time_max = 0;
        frame_time_min = 1;
    }
    if (g_config.draw_time) {
        int ticks = tick_count - race_start_tick;
        char time[32];
        format_lap_time(time, sizeof time, ticks < 0 ? 0 : ticks);
        snprintf(lines[n++], HUD_LINE_BYTES, "Time - %s ", time);
    }
    if (g_config.draw_ping && net_socket >= 0 && local_slot >= 0 && local_slot < 160)
        snprintf(lines[n++], HUD_LINE_BYTES, "Ping - %dms (%dms offset)",
                 readout_ms(net_round_trip_ticks(local_slot)), readout_ms((double)server_tick - tick_count));
    if (g_config.draw_speed && speed_fps >= 0)
        snprintf(lines[n++], HUD_LINE_BYTES, "Speed - %.2f", speed_fps * 0.6818182f);
    if (g_options.draw_render_stats) {
        const terrain_field *t = race_terrain();
        n += stat_line(lines[n], "Ground polygons", t ? t->fan_vertex_count : 0, &g_hud.ground);
        n += stat_line(lines[n], "Model polygons", (int)render_stats.model_triangles, &g_hud.models);
        n += stat_line(lines[n], "Billboards", (int)render_stats.billboards, &g_hud.billboards);
        n += stat_line(lines[n], "Decals", t ? t->texels_composed : 0, &g_hud.decals);
        n += stat_line(lines[n], "Texture Changes", (int)render_stats.texture_binds, &g_hud.binds);
        n += stat_line(lines[n], "Shader Changes", (int)render_stats.program_switches, &g_hud.programs);
    }
    if (setting_sticky_dab() && g_ticks.sticky_dab) snprintf(lines[n++], HUD_LINE_BYTES, "Dabbing!");
    return n;
}

static float viewed_speed_fps(int slot)
{
    bike *b = slot_bike(slot);
    dBodyID frame = b ? bike_get_frame_body(b) : nullptr;
    if (!frame) return -1;
    const dReal *v = dBodyGetLinearVel(frame);
    return (float)std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

void hud_draw_overlays(int slot)
{
    const float left = g_hud.clear_left * HUD_LAYOUT_LINES, top = g_hud.clear_top * HUD_LAYOUT_LINES;
    g_hud.clear_left = g_hud.clear_top = 0;
    // An open menu page has the window to itself: its title and rows are never overprinted. The
    // messages stay in the console, which its page shows.
    if (menu_state >= 0) return;
    hud_race race;
    hud_race_current(&race);
    hud_results_text(&race, &g_hud.board);
    char lines[HUD_READOUT_LINES][HUD_LINE_BYTES];
    const int count = hud_readout_lines(lines, viewed_speed_fps(slot));

    overlay_state_begin();
    overlay_push_topleft(HUD_LAYOUT_LINES);
    glTranslatef(left, -top, 0);
    if (g_hud.board.shown) {
        hud_draw_results_board(&g_hud.board, slot);
        glTranslatef(19.5f, 0, 0);
    }
    for (int i = 0; i < count; ++i) {
        draw_text_shadowed(1, 1, 1, 1, lines[i]);
        glTranslatef(0, -1, 0);
    }
    const int shown = g_console.visible_count < 0 ? 0
                      : g_console.visible_count > CONSOLE_LINES ? CONSOLE_LINES : g_console.visible_count;
    for (int i = 0; i < shown; ++i) {
        const int k = ((g_console.write_index - shown + i) % CONSOLE_LINES + CONSOLE_LINES) % CONSOLE_LINES;
        draw_text_shadowed(1, 1, 1, 1, g_console.lines[k]);
        glTranslatef(0, -1, 0);
    }
    overlay_pop();
    overlay_state_end();
}
