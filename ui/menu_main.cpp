// The backdrop behind every page, the main menu, Multiplayer with its server history, the
// console and the quit confirmation.
#include "ui/menu.h"
#include "ui/menu_seams.h"
#include "data/console.h"
#include "graphics/font.h"
#include "racing/race.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "shell/loading.h"
#include "shell/pacing.h"
#include "shell/startup.h"
#include "terrain/field.h"
#include "terrain/track_load.h"
#include <GL/gl.h>
#include <cmath>
#include <cstdio>
#include <cstring>

menu_button main_menu_buttons[9] = {
    {"New Race", {}},   {"Playback Race", {}},        {"Points Series", {}},
    {"Time Trial", {}}, {"Multiplayer", {}},          {"Bike Setup", {}},
    {"Graphics/Sound Setup", {}}, {"Customize Controls", {}}, {"Quit", {}},
};
static const int main_menu_targets[9] = {
    MENU_PAGE_NEW_RACE, MENU_PAGE_PLAYBACK, MENU_PAGE_SERIES,   MENU_PAGE_TIME_TRIAL, MENU_PAGE_MULTIPLAYER,
    MENU_PAGE_BIKE_SETUP, MENU_PAGE_GRAPHICS, MENU_PAGE_CONTROLS, MENU_PAGE_QUIT,
};
menu_button multiplayer_buttons[3] = {{"Back to Main Menu", {}}, {"Connect", {}}, {"Request Restart", {}}};

enum { CONSOLE_INPUT_MAX = 119, CONSOLE_SHOWN = 50 };
static char console_input_text[CONSOLE_INPUT_MAX + 1];
menu_text_field console_input = {"> ", CONSOLE_INPUT_MAX, console_input_text, 0, 1, {}};
int console_scroll;

static int key_is(int key, int which)
{
    return menu_buttons[which] != 0 && (std::uint32_t)key == menu_buttons[which];
}

void menu_draw_backdrop(void)
{
    const float X = view_half_x, Y = view_half_y;
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glTranslatef(0, 0, -1);
    draw_flat_quad(0.2f, 0.2f, 0.2f, 0.5f, -X, Y, X, -Y);
    glTranslatef(X, -Y, 0);
    glScalef(Y / 16, Y / 16, Y / 16);
    draw_text_right_shadowed(0.75f, 0.75f, 0.75f, 1, 0, version_text);
    glPopMatrix();
}

void menu_main_key(int key)
{
    menu_rows_move(key, 9);
    int row = focused_item;
    if (!widget_is_activated(&main_menu_buttons[row], key)) return;
    menu_go(main_menu_targets[row]);
    // The key that opened the quit page must not answer it too.
    if (main_menu_targets[row] == MENU_PAGE_QUIT) menu_changed = 1;
}

float main_menu_notice_alpha(double seconds)
{
    double a = 10 - seconds;
    return (float)(a < 0 ? 0 : a > 1 ? 1 : a);
}

void menu_draw_main_menu(void)
{
    menu_draw_backdrop();
    layout_pen pen;
    layout_scale scale;
    overlay_push_4x3(32, 0, -4.5f, &pen, &scale);
    for (int i = 0; i < 9; ++i) {
        if (i) overlay_translate(&pen, 0, -widget_row);
        widget_draw_button(&main_menu_buttons[i], focused_item == i, pen, scale, 15, 0);
    }
    overlay_pop();

    // The run starts with its first busy indicator, shown while the file index is built.
    double now = platform_now();
    static double first_draw;
    if (first_draw == 0) first_draw = now;
    double start = g_loading.busy_start > 0 ? g_loading.busy_start : first_draw;
    float alpha = main_menu_notice_alpha(now - start);
    if (alpha > 0) {
        float width = view_half_y > 0 ? 40 * view_half_x / view_half_y : 40;
        glPushMatrix();
        glLoadIdentity();
        overlay_push_topleft(40);
        glTranslatef(0, -36, 0);
        draw_text_centered(1, 1, 1, alpha, 0, width,
                           "Although this software depicts real objects and places, it is not");
        glTranslatef(0, -1, 0);
        draw_text_centered(1, 1, 1, alpha, 0, width, "endorsed by or affiliated with any of the subjects depicted.");
        overlay_pop();
        glPopMatrix();
    }
}

void server_history_older(void)
{
    int pos = server_name_history_index;
    if (pos >= SERVER_HISTORY_COUNT - 1) return;
    ++pos;
    // Stepping onto the newest entry skips it when the field already shows it.
    if (pos == 0 && strcmp(server_name_history[0], config_server_name.buffer) == 0) ++pos;
    if (pos >= SERVER_HISTORY_COUNT || !server_name_history[pos][0]) return;
    server_name_history_index = pos;
    widget_text_set(&config_server_name, server_name_history[pos]);
}

void server_history_newer(void)
{
    int pos = server_name_history_index;
    if (pos < 0) return;
    server_name_history_index = pos - 1;
    if (pos - 1 >= 0) widget_text_set(&config_server_name, server_name_history[pos - 1]);
}

void server_connect_from_field(void)
{
    const char *field = config_server_name.buffer;
    if (field[0] && strcmp(field, server_name_history[0]) != 0) {
        memmove(server_name_history[1], server_name_history[0],
                sizeof server_name_history[0] * (SERVER_HISTORY_COUNT - 1));
        snprintf(server_name_history[0], sizeof server_name_history[0], "%s", field);
    }
    server_name_history_index = -1;
    static char address[SERVER_NAME_MAX + 1];
    snprintf(address, sizeof address, "%s", field);
    net_set_connect_address(address);
}

void menu_multiplayer_key(int key)
{
    menu_rows_move(key, 4);
    int row = focused_item;
    if (row == 3) {
        if (key_is(key, MENU_PAGE_UP)) server_history_older();
        if (key_is(key, MENU_PAGE_DOWN)) server_history_newer();
        int len = (int)strlen(config_server_name.buffer);
        if (config_server_name.caret > len) config_server_name.caret = len;
        widget_text_key(&config_server_name, key);
        return;
    }
    if (!widget_is_activated(&multiplayer_buttons[row], key)) return;
    if (row == 0) {
        menu_go(MENU_PAGE_MAIN);
    } else if (row == 1) {
        if (!menu_net_connected()) server_connect_from_field();
        else if (!menu_net_idle()) menu_net_request_disconnect();
        else menu_net_drop();
    } else if (row == 2) {
        if (menu_net_connected() && menu_net_joined()) menu_net_request_restart();
    }
}

static void slot_table(void)
{
    draw_flat_quad(0, 0, 0, 0.25f, 0.5f, 0, 39.5f, 1);
    static const struct { const char *title; float x0, x1; } heads[] = {
        {"Slot", 0.5f, 4}, {"Ping", 4, 8}, {"No.", 8, 12}, {"Bike", 12, 20}, {"Name", 20, 39.5f}};
    for (const auto &h : heads) draw_text_centered(1, 1, 1, 1, h.x0, h.x1, h.title);
    int line = 0;
    char text[256];
    for (int slot = 0; slot < 160; ++slot) {
        menu_net_slot info;
        if (!menu_net_slot_info(slot, &info)) continue;
        glTranslatef(0, -1, 0);
        if (++line % 2 == 0) draw_flat_quad(1, 1, 1, 0.25f, 0.5f, 0, 39.5f, 1);
        snprintf(text, sizeof text, "%d", slot);
        draw_text_centered(1, 1, 1, 1, 0.5f, 4, text);
        const double ping_ms = info.ping_ticks * tick * 1000;   // the peer's damaged echo can put it anywhere
        snprintf(text, sizeof text, "%d", ping_ms > 1e9 ? 1000000000 : ping_ms < -1e9 ? -1000000000 : (int)ping_ms);
        draw_text_centered(1, 1, 1, 1, 4, 8, text);
        // Names come from other players: shown as text, cut to their column's room.
        snprintf(text, sizeof text, "%.8s", info.number ? info.number : "");
        draw_text_centered(1, 1, 1, 1, 8, 12, text);
        snprintf(text, sizeof text, "%.24s", info.bike ? info.bike : "");
        draw_text_centered(1, 1, 1, 1, 12, 20, text);
        snprintf(text, sizeof text, "%.63s", info.name ? info.name : "");
        char fitted[80];
        glPushMatrix();
        glTranslatef(20, 0, 0);
        draw_text_shadowed(1, 1, 1, 1, widget_fit_text(text, 19.5f, fitted, (int)sizeof fitted));
        glPopMatrix();
    }
}

void menu_draw_multiplayer(void)
{
    menu_draw_backdrop();
    layout_pen pen;
    layout_scale scale;
    static const widget_colour text = {0.9f, 0.9f, 0.9f, 1.0f}, box = {0, 0, 0, 0.25f};
    overlay_push_4x3(32, 0, -(1 + widget_border), &pen, &scale);
    widget_draw_label("Multiplayer", &text, &box, 15, 0);
    overlay_translate(&pen, 0, -2);
    int connected = menu_net_connected();
    multiplayer_buttons[1].label = connected ? "Disconnect" : "Connect";
    for (int i = 0; i < 3; ++i) {
        widget_draw_button(&multiplayer_buttons[i], focused_item == i, pen, scale, 15, 0);
        overlay_translate(&pen, 0, -widget_row);
    }
    glPushMatrix();
    layout_pen at = pen;
    overlay_translate(&at, 5.3333335f, 0);
    widget_draw_text_field(&config_server_name, focused_item == 3, at, scale, 32, 0, 0.1875f);
    glPopMatrix();
    if (connected && menu_net_joined()) {
        glTranslatef(0, -2, 0);
        slot_table();
    }
    overlay_pop();
}

int console_ring_line(int write_index, int scroll, int row)
{
    int i = (write_index - scroll - CONSOLE_SHOWN + row) % CONSOLE_LINES;
    return i < 0 ? i + CONSOLE_LINES : i;
}

void (*console_key_hook)(int key);

void menu_console_key(int key)
{
    if (console_key_hook) console_key_hook(key);
}

void menu_draw_console(void)
{
    const float X = view_half_x, Y = view_half_y;
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glTranslatef(0, 0, -1);
    draw_flat_quad(0, 0, 0, 0.75f, -X, Y, X, -Y);
    glPopMatrix();
    layout_pen pen;
    layout_scale scale;
    overlay_push_4x3(53, 0.67f, -1, &pen, &scale);
    glPushMatrix();
    for (int i = 0; i < CONSOLE_SHOWN; ++i) {
        if (i == CONSOLE_SHOWN - 1 && console_scroll > 0)
            draw_text_centered_shadowed(0.75f, 0.75f, 0.75f, 1, 0, 70.666664f, "^    ^    ^    ^    ^");
        else
            draw_text_shadowed(0.75f, 0.75f, 0.75f, 1,
                               g_console.lines[console_ring_line(g_console.write_index, console_scroll, i)]);
        glTranslatef(0, -1, 0);
    }
    glPopMatrix();
    overlay_translate(&pen, 0, -(float)CONSOLE_SHOWN - widget_border);
    widget_draw_text_field(&console_input, focused_item == 0, pen, scale, 70.666664f, 0, 0.009481132f);
    overlay_pop();
}

void menu_draw_quit(void)
{
    menu_draw_backdrop();
    layout_pen pen;
    layout_scale scale;
    overlay_push_4x3(25, 16.666666f, -10, &pen, &scale);
    draw_text_centered(1, 1, 1, 1, -12.5f, 12.5f, "Rutline");
    glTranslatef(0, -1, 0);
    draw_text_centered(1, 1, 1, 1, -12.5f, 12.5f, "Press any key to exit or ESC to keep playing");
    terrain_field *t = race_terrain();
    double seconds = platform_now();
    if (g_options.editor && t && (t->change_flags & 2) && seconds - std::floor(seconds) > 0.5) {
        glTranslatef(0, -1, 0);
        draw_text_centered(1, 0, 0, 1, -12.5f, 12.5f, "Track has been modified since last save!  Think about it!!!");
    }
    overlay_pop();
}
