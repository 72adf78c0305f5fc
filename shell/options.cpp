// The command-line parser. Errors go to standard error and come back as exit code 1, before
// the window opens and without touching "@config".
#include "shell/options.h"
#include "platform/log.h"
#include "shell/config.h"
#include "data/paths.h"
#include "graphics/cpu.h"
#include "shell/race_clock.h"
#include "shell/server_state.h"
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <cstring>

int arg_match(arg_cursor *c, const char *name, const char **value)
{
    if (c->left <= 0 || c->ended) return 0;
    const char *arg = c->next[0];
    if (!value) {
        if (strcmp(arg, name) != 0) return 0;
        c->next++, c->left--;
        return 1;
    }
    if (strcmp(arg, "--") == 0) {
        c->ended = 1;
        c->next++, c->left--;
        return 0;
    }
    if (strcmp(arg, name) == 0) {
        c->next++, c->left--;
        *value = nullptr;
        if (c->left > 0) {
            *value = c->next[0];
            c->next++, c->left--;
        }
        return 1;
    }
    size_t n = strlen(name);
    if (strncmp(arg, name, n) == 0 && arg[n] == '=') {
        c->next++, c->left--;
        *value = arg + n + 1;
        return 1;
    }
    return 0;
}

static int bad_arg(const char *name)
{
    fprintf(stderr, "Bad arg for %s\n", name);
    return 0;
}

template <typename T> static T clamp(T v, T lo, T hi) { return v < lo ? lo : v > hi ? hi : v; }

// "--pause-at T1,T2,...": up to 16 race ticks, each above the one before.
static int read_pause_ticks(const char *v, shell_options *o)
{
    const int most = (int)(sizeof o->pause_at / sizeof o->pause_at[0]);
    int count = 0;
    while (v && *v) {
        char *end = nullptr;
        long t = strtol(v, &end, 10);
        if (end == v || (*end && (*end != ',' || !end[1])) || t < 0 || t > 0x7fffffffL || count == most ||
            (count > 0 && t <= o->pause_at[count - 1]))
            return bad_arg("--pause-at");
        o->pause_at[count++] = (int)t;
        v = *end ? end + 1 : end;
    }
    if (count == 0) return bad_arg("--pause-at");
    o->pause_at_count = count;
    return 1;
}

// Each reader returns 0 after reporting a bad value. A value option given last has no value:
// that is a bad value too, whatever the option's kind.
static int read_int(const char *name, const char *v, int *out)
{
    if (!v || sscanf(v, "%d", out) != 1) return bad_arg(name);
    return 1;
}

static int read_float(const char *name, const char *v, float *out)
{
    if (!v || sscanf(v, "%f", out) != 1 || *out != *out) return bad_arg(name);
    return 1;
}

static int read_unchecked(const char *name, const char *v, int *out)
{
    if (!v) return bad_arg(name);
    sscanf(v, "%d", out);
    return 1;
}

static int read_atoi(const char *name, const char *v, int *out)
{
    if (!v) return bad_arg(name);
    *out = atoi(v);
    return 1;
}

static int read_text(const char *name, const char *v, const char **out)
{
    if (!v) return bad_arg(name);
    *out = v;
    return 1;
}

static void remember_server(const char *address)
{
    widget_text_set(&config_server_name, address);
    const char *text = config_server_name.buffer;
    if (!text[0] || strcmp(text, server_name_history[0]) == 0) return;
    memmove(server_name_history[1], server_name_history[0],
            sizeof server_name_history - sizeof server_name_history[0]);
    snprintf(server_name_history[0], SERVER_HISTORY_BYTES, "%s", text);
    server_name_history_index = -1;
}

// One option at the cursor: 1 handled, 0 not an option of ours, -1 bad value (reported),
// 2 "--open-home".
static int parse_one(arg_cursor *c, shell_options *o, render_options *r)
{
    const char *v = nullptr;
    float f;
    int n;
    if (arg_match(c, "--fugly", nullptr)) return o->fugly = 1, 1;
    if (arg_match(c, "--nosound", nullptr)) return o->nosound = 1, 1;
    if (arg_match(c, "--novertexarrays", nullptr)) return o->novertexarrays = 1, 1;
    if (arg_match(c, "--learn", nullptr)) return o->learn = 1, 1;
    if (arg_match(c, "--nolearn", nullptr)) return o->learn = 0, 1;
    if (arg_match(c, "--nommx", nullptr)) {
        if (mmx_available) kubl_log_printf("Ignoring MMX\n");
        mmx_available = 0;
        return 1;
    }
    if (arg_match(c, "--debug", nullptr)) return o->debug_level = 1, 1;
    if (arg_match(c, "--super-debug", nullptr)) return o->debug_level = 2, 1;
    if (arg_match(c, "--practice", nullptr)) return o->practice = 1, 1;
    if (arg_match(c, "--warp", nullptr)) return o->warp = 1, 1;
    if (arg_match(c, "--texture-detail", &v)) {
        if (!read_int("--texture-detail", v, &n)) return -1;
        r->model_texture_detail = r->ground_texture_detail = clamp(n, 0, 4);
        return 1;
    }
    if (arg_match(c, "--ground-texture-detail", &v)) {
        if (!read_int("--ground-texture-detail", v, &n)) return -1;
        r->ground_texture_detail = clamp(n, 0, 4);
        return 1;
    }
    if (arg_match(c, "--roostfrequency", &v)) {
        if (!read_int("--roostfrequency", v, &n)) return -1;
        r->roost_frequency = clamp(n, 0, 1000);
        return 1;
    }
    if (arg_match(c, "--erode", &v)) {
        if (!read_float("--erode", v, &f)) return -1;
        o->erosion_rate = (int)std::floor(clamp(f, 0.0f, 100.0f) * 1024);
        erode_level = o->erosion_rate;
        return 1;
    }
    if (arg_match(c, "--detail", &v)) return read_float("--detail", v, &r->terrain_detail) ? 1 : -1;
    if (arg_match(c, "--max-detail-distance", &v)) {
        if (!read_float("--max-detail-distance", v, &f)) return -1;
        o->max_detail_distance = f;
        o->max_detail_distance2 = f + 5;
        return 1;
    }
    if (arg_match(c, "--lod-scale", &v)) {
        if (!read_float("--lod-scale", v, &f)) return -1;
        r->model_lod_scale = clamp(f, 0.000001f, 1000000.0f);
        return 1;
    }
    if (arg_match(c, "--lod-bias", &v)) return read_float("--lod-bias", v, &r->model_lod_bias) ? 1 : -1;
    if (arg_match(c, "--lock-fps", &v)) {
        if (!read_float("--lock-fps", v, &f)) return -1;
        // 0 or less is off. A rate no frame can keep would feed the ticks too little time to
        // ever run one, and a close request with them; below one frame a second the frame's
        // sleep would hold a close request as long.
        if (!std::isfinite(f) || f > 10000.0f || (f > 0 && f < 1)) return bad_arg("--lock-fps"), -1;
        o->lock_fps = f;
        return 1;
    }
    if (arg_match(c, "--fake-lag", &v)) {
        if (!read_float("--fake-lag", v, &f)) return -1;
        o->fake_lag = clamp(f * 0.001f, 0.0f, 1.0f);
        return 1;
    }
    if (arg_match(c, "--fake-loss", &v)) {
        if (!read_int("--fake-loss", v, &n)) return -1;
        o->fake_loss = clamp(n, 0, 100);
        return 1;
    }
    if (arg_match(c, "--record-audio", &v)) return read_text("--record-audio", v, &o->record_audio) ? 1 : -1;
    if (arg_match(c, "--record-video", nullptr)) return o->record_video = 1, 1;
    if (arg_match(c, "--rotate-lineup", &v)) return read_unchecked("--rotate-lineup", v, &o->rotate_lineup) ? 1 : -1;
    if (arg_match(c, "--editor", nullptr)) return o->editor = 1, 1;
    if (arg_match(c, "--hidden-pause", nullptr)) return o->hidden_pause = 1, 1;
    if (arg_match(c, "--hidden-hud", nullptr)) return o->hidden_hud = 1, 1;
    if (arg_match(c, "--pause-at", &v)) return read_pause_ticks(v, o) ? 1 : -1;
    if (arg_match(c, "--bikes", &v)) {
        if (!v) return bad_arg("--bikes"), -1;
        fprintf(stderr, "--bikes doesn't do anything anymore\n");
        return 1;
    }
    if (arg_match(c, "--width", &v)) return read_unchecked("--width", v, &xres) ? 1 : -1;
    if (arg_match(c, "--height", &v)) return read_unchecked("--height", v, &yres) ? 1 : -1;
    if (arg_match(c, "--depth", &v)) return read_atoi("--depth", v, &o->depth_bits) ? 1 : -1;
    if (arg_match(c, "--zdepth", &v)) return read_atoi("--zdepth", v, &o->zdepth_bits) ? 1 : -1;
    if (arg_match(c, "--draw-fps", &v)) return read_atoi("--draw-fps", v, &g_config.draw_fps) ? 1 : -1;
    if (arg_match(c, "--draw-time", &v)) return read_atoi("--draw-time", v, &g_config.draw_time) ? 1 : -1;
    if (arg_match(c, "--draw-ping", &v)) return read_atoi("--draw-ping", v, &g_config.draw_ping) ? 1 : -1;
    if (arg_match(c, "--draw-speed", &v)) return read_atoi("--draw-speed", v, &g_config.draw_speed) ? 1 : -1;
    if (arg_match(c, "--draw-render-stats", &v))
        return read_atoi("--draw-render-stats", v, &o->draw_render_stats) ? 1 : -1;
    if (arg_match(c, "--accurate-skip", nullptr)) return o->accurate_skip = 1, 1;
    if (arg_match(c, "--track", &v)) return read_text("--track", v, &o->track) ? 1 : -1;
    if (arg_match(c, "--connect", &v)) {
        if (!v) return bad_arg("--connect"), -1;
        if (strncmp(v, "rutline:", 8) == 0) v += 8;
        remember_server(v);
        o->connect = v;
        return 1;
    }
    if (arg_match(c, "--password", &v)) return read_text("--password", v, &o->password) ? 1 : -1;
    if (arg_match(c, "--chase-center", &v)) {
        float x, y, z;
        if (!v || sscanf(v, "%f,%f,%f", &x, &y, &z) != 3 || !std::isfinite(x) || !std::isfinite(y) ||
            !std::isfinite(z))
            return bad_arg("--chase-center"), -1;
        o->chase_center[0] = x, o->chase_center[1] = y, o->chase_center[2] = z;
        return 1;
    }
    if (arg_match(c, "--open-home", nullptr)) return 2;
    if (arg_match(c, "--glfinish", nullptr)) return o->glfinish = 1, 1;
    if (arg_match(c, "--print-orientation", nullptr)) return o->print_orientation = 1, 1;
    return 0;
}

int options_parse(int argc, char *const *argv, shell_options *o, render_options *render, int *open_home)
{
    arg_cursor c = {argc > 1 ? argc - 1 : 0, argv + 1, 0};
    *open_home = 0;
    while (c.left > 0) {
        int r = parse_one(&c, o, render);
        if (r < 0) return 1;
        if (r == 2) {
            *open_home = 1;
            return 0;
        }
        if (r == 1 || c.left <= 0) continue;   // a trailing "--" leaves nothing to take
        const char *arg = c.next[0];
        c.next++, c.left--;
        if (arg[0] == '-' && !c.ended) {
            fprintf(stderr, "bad option '%s'\n", arg);
            return 1;
        }
        if (o->startup_demo) {
            fprintf(stderr, "Too many files!\n");
            return 1;
        }
        o->startup_demo = arg;
    }
    return -1;
}

int parse_options(int argc, char **argv)
{
    int open_home;
    int r = options_parse(argc, argv, &g_options, &g_render, &open_home);
    if (r < 0) return 0;
    if (r == 1) return 1;
    open_home_folder();
    return 2;
}
