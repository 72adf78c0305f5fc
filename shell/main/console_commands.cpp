// The console line: chat to the server, and the commands tried one after the other in a fixed
// order by plain comparison.
#include "shell/main/console_commands.h"
#include "shell/main/console_internal.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "bike/bike.h"
#include "bike/engine_sound.h"
#include "data/console.h"
#include "data/paths.h"
#include "platform/clock.h"
#include "racing/demo.h"
#include "racing/net.h"
#include "racing/race.h"
#include "racing/race_state.h"
#include "shell/main/camkeys.h"
#include "shell/main/cameras.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "shell/setup.h"
#include "terrain/field.h"
#include "terrain/track_load.h"
#include "ui/ground_view.h"
#include "ui/hud.h"

static int time_trial_race(void) { return race_is_time_trial(); }

const console_ops console_default_ops = {
    net_msg_new,           demo_recording,        time_trial_race, demo_record_packet,
    demo_record_set_name,  bike_get_engine_class, apply_setup,
};
const console_ops *console_ops_in_use = &console_default_ops;

void console_use_ops(const console_ops *ops) { console_ops_in_use = ops ? ops : &console_default_ops; }

// The program time of the last chat line sent: an offline attempt counts too.
static double g_chat_time;

int console_is_blank(char c) { return c == ' ' || c == '\t'; }

bike *console_viewed_bike(void)
{
    return viewed_slot >= 0 && viewed_slot < RIDER_SLOTS ? bike_slot_table[viewed_slot] : nullptr;
}

static double program_time(void)
{
    int s, us;
    kubl_time_now(&s, &us);
    return s + us * 1e-6;
}

static const char *prefix_match(const char *text, const char *name)
{
    const size_t n = strlen(name);
    return strncmp(text, name, n) == 0 ? text + n : nullptr;
}

// After leading blanks, the name followed by a blank or the end: the argument after its blanks.
static const char *word_match(const char *text, const char *name)
{
    while (console_is_blank(*text)) ++text;
    const size_t n = strlen(name);
    if (strncmp(text, name, n) != 0 || (text[n] && !console_is_blank(text[n]))) return nullptr;
    text += n;
    while (console_is_blank(*text)) ++text;
    return text;
}

static void toggle(int *flag, const char *label)
{
    *flag = !*flag;
    char text[96];
    snprintf(text, sizeof text, *flag ? "%.60s ON" : "%.60s OFF", label);
    console_print(text);
}

static int chat(const char *line)
{
    const double now = program_time();
    if (now <= g_chat_time + 2) {
        console_print("No one likes a spammer");
        return 0;
    }
    g_chat_time = now;
    if (net_socket < 0) {
        console_print("Not connected to server");
        return 1;
    }
    net_msg_node *m = console_ops_in_use->msg_new();
    if (!m || m->length < 0 || m->length >= NET_MSG_LIMIT) return 1;
    int room = NET_MSG_LIMIT - 1 - m->length;
    int n = (int)strnlen(line, (size_t)room);
    m->payload[m->length] = NET_KIND_CHAT;
    memcpy(m->payload + m->length + 1, line, (size_t)n);
    m->length += 1 + n;
    return 1;
}

static int cmd_pipe(const char *arg)
{
    bike *b = console_viewed_bike();
    if (!b) return 0;
    const char *engine = console_ops_in_use->engine_class(b);
    const int four_stroke = engine && (!strcmp(engine, "250f") || !strcmp(engine, "450f"));
    float value[3] = {1.75f, 0.3f, -0.75f};
    if (four_stroke) value[0] = 5.0f, value[1] = 0.9182072f, value[2] = -0.85f;
    int band[2] = {0, 15};
    float read[3];
    int read_band[2];
    const int n = sscanf(arg, "%f %f %f %d %d", &read[0], &read[1], &read[2], &read_band[0], &read_band[1]);
    for (int i = 0; i < n && i < 3; ++i)
        if (std::isfinite(read[i])) value[i] = read[i];
    for (int i = 3; i < n; ++i) band[i - 3] = read_band[i - 3];
    engine_sound_compute_pipe(value[0], value[1], value[2], band[0], band[1],
                              &engine_sound_slots[viewed_slot].params);
    console_print("Pipe updated");
    return 1;
}

static void cmd_namedemo(const char *arg)
{
    if (console_ops_in_use->time_trial() || !console_ops_in_use->demo_recording()) {
        console_print("Not currently recording a demo");
        return;
    }
    while (console_is_blank(*arg)) ++arg;
    size_t n = 0;
    while (arg[n] && !console_is_blank(arg[n])) ++n;
    // The recorder keeps names of DEMO_NAME_MAX characters, ".rldemo" included.
    if (n + 8 > DEMO_NAME_MAX + 1) {
        console_print("Name too long");
        return;
    }
    char name[DEMO_NAME_MAX + 1];
    memcpy(name, arg, n);
    name[n] = 0;
    // The recording is renamed to "@demos/" + name when it ends; a name out of that folder
    // would be refused then, and the next race would overwrite the demo.
    if (path_climbs(name)) {
        console_print("Bad demo name");
        return;
    }
    static const char suffix[] = ".rldemo";
    if (n < sizeof suffix - 1 || strcmp(name + n - (sizeof suffix - 1), suffix) != 0)
        memcpy(name + n, suffix, sizeof suffix);
    console_ops_in_use->demo_name(name);
    console_print("Demo name updated");
}

static int cmd_camangle(const char *arg)
{
    if (!console_viewed_bike()) return 0;
    float yaw, pitch;
    if (sscanf(arg, "%f %f", &yaw, &pitch) != 2 || !std::isfinite(yaw) || !std::isfinite(pitch)) {
        console_print("Usage: camangle <yaw> <pitch>");
        return 1;
    }
    free_camera.yaw = (float)(yaw * 0.017453292519943295);
    free_camera.pitch = (float)(pitch * 0.017453292519943295);
    free_camera.yaw_rate = free_camera.pitch_rate = 0;
    console_print("Camera aimed");
    return 1;
}

static void cmd_fpshist(void)
{
    char text[256];
    int at = 0;
    for (int i = 0; i < 8; ++i) {
        at += snprintf(text + at, sizeof text - (size_t)at, "%d=%d ", 128 >> i, frame_time_counts[i]);
        frame_time_counts[i] = 0;
    }
    console_print(text);
}

static void cmd_listkeys(void)
{
    const camera_keyframe *k = camkeys_items();
    for (int i = 0; i < camkeys_count(); ++i) {
        char text[512];
        snprintf(text, sizeof text,
                 "pos = { %.2f, %.2f, %.2f }, rot = { %.2f, %.2f, %.2f, %.2f }, time = %.2f", k[i].position[0],
                 k[i].position[1], k[i].position[2], k[i].quat[0], k[i].quat[1], k[i].quat[2], k[i].quat[3],
                 k[i].tick * tick);
        console_print(text);
    }
}

static void print_int(const char *format, int value)
{
    char text[96];
    snprintf(text, sizeof text, format, value);
    console_print(text);
}

static void cmd_mapscale(const char *arg)
{
    // As the settings file reads it: "nan" keeps the scale, infinities clamp.
    float f;
    if (sscanf(arg, "%f", &f) == 1 && f == f) g_config.map_scale = f;
    if (!(g_config.map_scale >= 0.125f)) g_config.map_scale = 0.125f;
    if (g_config.map_scale > 8.0f) g_config.map_scale = 8.0f;
    char text[96];
    snprintf(text, sizeof text, "Map scale set to %f", g_config.map_scale);
    console_print(text);
}

static void cmd_hfvol(void)
{
    const terrain_field *t = race_terrain();
    double sum = 0;
    if (t && t->heights && t->grid_dim > 0) {
        const long n = (long)t->grid_dim * t->grid_dim;
        for (long i = 0; i < n; ++i) sum += t->heights[i];
    }
    char text[96];
    snprintf(text, sizeof text, "%f\n", sum);
    console_print(text);
}

static int clamp_int(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

static int command(const char *text)
{
    const char *arg;
    if (!strcmp(text, "savetrackinfo")) cmd_savetrackinfo();
    else if (!strcmp(text, "renderstats")) {
        g_options.draw_render_stats = 1;
        hud_reset_maxima();
    } else if (!strcmp(text, "togglespy")) toggle(&g_config.spy, "Spy mode");
    else if (!strcmp(text, "togglegraph")) toggle(&telemetry_on, "Suspension graph");
    else if ((arg = prefix_match(text, "bbopt"))) {
        sscanf(arg, "%d", &g_config.billboard_optimize_lookahead);
        print_int("Billboard optimization window is now %d", g_config.billboard_optimize_lookahead);
    } else if ((arg = prefix_match(text, "pipe"))) return cmd_pipe(arg);
    else if ((arg = prefix_match(text, "namedemo"))) cmd_namedemo(arg);
    else if ((arg = prefix_match(text, "camangle"))) return cmd_camangle(arg);
    else if ((arg = prefix_match(text, "fov")))
        console_print(widget_slider_set_text(&config_sliders[CONFIG_FOV], arg) ? "fov set" : "Usage: fov <degrees>");
    else if (prefix_match(text, "fpshist")) cmd_fpshist();
    else if (!strcmp(text, "forcereload")) {
        track_reload_requested = 1;
        console_print("Track will be reloaded on next restart");
    } else if ((arg = prefix_match(text, "readsetup"))) cmd_readsetup(arg);
    else if ((arg = prefix_match(text, "writesetup"))) cmd_writesetup(arg);
    else if (!strcmp(text, "addkey")) {
        camkey_add();
        console_print("Keyframe added");
    } else if (!strcmp(text, "deletekey") || !strcmp(text, "rmkey")) {
        camkey_delete();
        console_print("Keyframe deleted");
    } else if (!strcmp(text, "clearkeys")) {
        camkeys_clear();
        console_print("Keyframes cleared");
    } else if (!strcmp(text, "listkeys")) cmd_listkeys();
    else if ((arg = prefix_match(text, "readkeys")))
        console_print(camkeys_read(arg) ? "Camera keys updated" : "Error reading camera keys");
    else if ((arg = prefix_match(text, "writekeys")))
        console_print(camkeys_write(arg) ? "Camera keys saved" : "Error saving camera keys");
    else if (!strcmp(text, "togglekeycam")) toggle(&keycam_playback, "Keycam mode");
    else if (!strcmp(text, "togglefps")) toggle(&g_config.draw_fps, "FPS display");
    else if (!strcmp(text, "toggletime")) toggle(&g_config.draw_time, "Time display");
    else if (!strcmp(text, "toggleping")) toggle(&g_config.draw_ping, "Ping display");
    else if (!strcmp(text, "togglespeed")) toggle(&g_config.draw_speed, "Speed display");
    else if (word_match(text, "sendfile")) {
        while (console_is_blank(*text)) ++text;
        cmd_sendfile(text);
    } else if ((arg = word_match(text, "listfiles"))) cmd_listfiles(arg);
    else if ((arg = word_match(text, "messagelines"))) {
        // The HUD indexes the ring with it.
        sscanf(arg, "%d", &message_lines);
        message_lines = clamp_int(message_lines, 0, MESSAGE_LINES_MAX);
        print_int("Maximum showing messages is now %d", message_lines);
    } else if ((arg = word_match(text, "demobackups"))) {
        sscanf(arg, "%d", &g_config.demo_backups);
        g_config.demo_backups = clamp_int(g_config.demo_backups, 0, DEMO_BACKUPS_MAX);
        print_int("Now keeping %d demo backups", g_config.demo_backups);
    } else if ((arg = word_match(text, "mapscale"))) cmd_mapscale(arg);
    else if (!strcmp(text, "hfvol")) cmd_hfvol();
    else return 0;
    return 1;
}

int console_line(const char *line)
{
    const int handled = line[0] == '/' || line[0] == '\\' ? command(line + 1) : chat(line);
    if (handled) console_ops_in_use->demo_packet(DEMO_TEXT, line, (int)strlen(line));
    return handled;
}

void console_chat_reset(void) { g_chat_time = 0; }
