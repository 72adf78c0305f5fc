// Reading and writing "@config", and the key bindings.
#include "shell/config.h"
#include "data/console.h"
#include "data/paths.h"
#include "data/stream.h"
#include "data/util.h"
#include "platform/log.h"
#include "shell/server_state.h"
#include "shell/seams_neighbours.h"
#include "shell/setup.h"
#include "shell/video_modes.h"
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

int             xres, yres;
config_values   g_config;
menu_choice     config_choices[CONFIG_CHOICE_COUNT];
menu_slider     config_sliders[CONFIG_SLIDER_COUNT];
menu_choice     config_slots[GATE_SLOT_COUNT];
menu_text_field config_server_name;
int             server_name_history_index = -1;
menu_choice     track_choice;

const char *const binding_config_keys[BINDING_COUNT] = {
    "throttle_key", "front_brake_key", "rear_brake_key", "left_key", "right_key",
    "clutch_key", "upshift_key", "downshift_key", "dab_key", "back_up_key",
    "lean_forward_key", "lean_backward_key", "pause_key", "step_key", "rewind_key",
    "skip_key", "prev_key", "next_key", "console_key", "screenshot_key",
};

static const char *const no_yes[] = {"No", "Yes"};
static const char *const skills[] = {"Novice", "Amateur", "Expert"};
static const char *const dims[] = {"32x32", "64x64", "128x128", "256x256", "512x512", "1024x1024"};
static const char *const compress_items[] = {"No", "Yes", "Always"};
static const char *const render_items[] = {
    "Software", "Hardware/Copy", "Hardware/Direct", "Shaders/Copy", "Shaders/Direct"};
static const char *const playback_items[] = {"Playback Only", "Race Against"};
static const char *const slot_items[] = {"Empty", "Human", "Robot", "Robot (2 stroke)", "Robot (4 stroke)"};

static const menu_choice_def choice_defs[CONFIG_CHOICE_COUNT] = {
    {"record", "Record Demo", no_yes, 2, 0},
    {"skill", "Robot Skill", skills, 3, 0},
    {"time_trial_abort", "Backing Up Aborts Attempt", no_yes, 2, 1},
    {"ground_texture_dim", "Ground Texture Resolution", dims, 6, 2},
    {"ground_mipmaps", "Enable Ground Mipmaps", no_yes, 2, 1},
    {"texture_compress", "Compress Textures", compress_items, 3, 1},
    {"use_fbo", "Use Framebuffer Objects", no_yes, 2, 1},
    {"render_texture", "Terrain Rendering Method", render_items, 5, 2},
    {"use_shader", "Use Shader Programs", no_yes, 2, 1},
    {"lens_flare", "Enable Lens Flares", no_yes, 2, 1},
    {"reflections", "Enable Reflections", no_yes, 2, 1},
    {"hide_rider", "Hide 1st Person Rider", no_yes, 2, 0},
    {"rigid_camera", "Rigid 3rd person camera", no_yes, 2, 0},
    {"playback_mode", "Playback Mode", playback_items, 2, 0},
};

static const menu_slider_def slider_defs[CONFIG_SLIDER_COUNT] = {
    {"minutes", "Minutes", 0, 1, 0, 60},
    {"laps", "Laps", 5, 1, 0, 50},
    {"ghost_fade_distance", "Ghost Fade Distance", 10, 1, 0, 40},
    {"ground_detail", "Ground Geometric Detail", 50, 1, 0, 100},
    {"ground_texture_detail", "Ground Texture Levels", 9, 1, 0, 10},
    {"model_detail", "Model Geometric Detail", 50, 1, 0, 100},
    {"model_texture_detail", "Model Texture Detail", 9, 1, 0, 10},
    {"roost_density", "Roost Density", 250, 10, 0, 1000},
    {"fov", "Field Of View", 110, 1, 10, 170},
    {"first_person_height", "1st Person Height", 0, 0.03125, 0, 1},
    {"first_person_angle", "1st Person Angle", 0, 1, 0, 40},
    {"third_person_height", "3rd Person Height", 5, 1, 0, 20},
    {"third_person_distance", "3rd Person Distance", 10, 1, 5, 40},
    {"volume", "Volume", 10, 1, 0, 10},
    {"comp_volume", "Competitor Volume", 8, 1, 0, 10},
};

// How config_read takes a key in; the table below is in the order keys are tested.
enum setting_kind { K_INT, K_NAME, K_CHOICE, K_SLIDER, K_TEXT, K_IGNORE, K_USE_FBO, K_MAP_SCALE, K_BINDING, K_VIDEO };

struct setting {
    const char  *key;
    setting_kind kind;
    int          index;      // choice, slider or binding index; unused otherwise
    int         *integer;    // K_INT
};

static const setting settings[] = {
    {"xres", K_INT, 0, &xres},
    {"yres", K_INT, 0, &yres},
    {"draw_fps", K_INT, 0, &g_config.draw_fps},
    {"draw_time", K_INT, 0, &g_config.draw_time},
    {"draw_ping", K_INT, 0, &g_config.draw_ping},
    {"draw_speed", K_INT, 0, &g_config.draw_speed},
    {"spy", K_INT, 0, &g_config.spy},
    {"track", K_NAME, 0, nullptr},
    {"record", K_CHOICE, CONFIG_RECORD, nullptr},
    {"skill", K_CHOICE, CONFIG_SKILL, nullptr},
    {"minutes", K_SLIDER, CONFIG_MINUTES, nullptr},
    {"laps", K_SLIDER, CONFIG_LAPS, nullptr},
    {"ghost_fade_distance", K_SLIDER, CONFIG_GHOST_FADE_DISTANCE, nullptr},
    {"time_trial_abort", K_CHOICE, CONFIG_TIME_TRIAL_ABORT, nullptr},
    {"server_name", K_TEXT, 0, nullptr},
    {"ground_detail", K_SLIDER, CONFIG_GROUND_DETAIL, nullptr},
    {"ground_texture_distance", K_IGNORE, 0, nullptr},
    {"ground_texture_detail", K_SLIDER, CONFIG_GROUND_TEXTURE_DETAIL, nullptr},
    {"ground_texture_dim", K_CHOICE, CONFIG_GROUND_TEXTURE_DIM, nullptr},
    {"ground_mipmaps", K_CHOICE, CONFIG_GROUND_MIPMAPS, nullptr},
    {"texture_compress", K_CHOICE, CONFIG_TEXTURE_COMPRESS, nullptr},
    {"use_fbo", K_USE_FBO, CONFIG_USE_FBO, nullptr},
    {"render_texture", K_CHOICE, CONFIG_RENDER_TEXTURE, nullptr},
    {"use_shader", K_CHOICE, CONFIG_USE_SHADER, nullptr},
    {"model_detail", K_SLIDER, CONFIG_MODEL_DETAIL, nullptr},
    {"model_texture_detail", K_SLIDER, CONFIG_MODEL_TEXTURE_DETAIL, nullptr},
    {"roost_density", K_SLIDER, CONFIG_ROOST_DENSITY, nullptr},
    {"lens_flare", K_CHOICE, CONFIG_LENS_FLARE, nullptr},
    {"reflections", K_CHOICE, CONFIG_REFLECTIONS, nullptr},
    {"hide_rider", K_CHOICE, CONFIG_HIDE_RIDER, nullptr},
    {"rigid_camera", K_CHOICE, CONFIG_RIGID_CAMERA, nullptr},
    {"fov", K_SLIDER, CONFIG_FOV, nullptr},
    {"first_person_height", K_SLIDER, CONFIG_FIRST_PERSON_HEIGHT, nullptr},
    {"first_person_angle", K_SLIDER, CONFIG_FIRST_PERSON_ANGLE, nullptr},
    {"third_person_height", K_SLIDER, CONFIG_THIRD_PERSON_HEIGHT, nullptr},
    {"third_person_distance", K_SLIDER, CONFIG_THIRD_PERSON_DISTANCE, nullptr},
    {"volume", K_SLIDER, CONFIG_VOLUME, nullptr},
    {"comp_volume", K_SLIDER, CONFIG_COMP_VOLUME, nullptr},
    {"throttle_key", K_BINDING, BIND_THROTTLE, nullptr},
    {"front_brake_key", K_BINDING, BIND_FRONT_BRAKE, nullptr},
    {"rear_brake_key", K_BINDING, BIND_REAR_BRAKE, nullptr},
    {"left_key", K_BINDING, BIND_LEFT, nullptr},
    {"right_key", K_BINDING, BIND_RIGHT, nullptr},
    {"clutch_key", K_BINDING, BIND_CLUTCH, nullptr},
    {"upshift_key", K_BINDING, BIND_UPSHIFT, nullptr},
    {"downshift_key", K_BINDING, BIND_DOWNSHIFT, nullptr},
    {"dab_key", K_BINDING, BIND_DAB, nullptr},
    {"back_up_key", K_BINDING, BIND_BACK_UP, nullptr},
    {"lean_forward_key", K_BINDING, BIND_LEAN_FORWARD, nullptr},
    {"lean_backward_key", K_BINDING, BIND_LEAN_BACKWARD, nullptr},
    {"pause_key", K_BINDING, BIND_PAUSE, nullptr},
    {"step_key", K_BINDING, BIND_STEP, nullptr},
    {"rewind_key", K_BINDING, BIND_REWIND, nullptr},
    {"skip_key", K_BINDING, BIND_SKIP, nullptr},
    {"prev_key", K_BINDING, BIND_PREV, nullptr},
    {"next_key", K_BINDING, BIND_NEXT, nullptr},
    {"console_key", K_BINDING, BIND_CONSOLE, nullptr},
    {"screenshot_key", K_BINDING, BIND_SCREENSHOT, nullptr},
    {"video_mode", K_VIDEO, 0, nullptr},
    {"playback_mode", K_CHOICE, CONFIG_PLAYBACK_MODE, nullptr},
    {"billboard_optimize_lookahead", K_INT, 0, &g_config.billboard_optimize_lookahead},
    {"message_lines", K_INT, 0, &message_lines},
    {"demo_backups", K_INT, 0, &g_config.demo_backups},
    {"map_scale", K_MAP_SCALE, 0, nullptr},
};

static char g_server_name[SERVER_NAME_MAX + 1];
static char g_slot_labels[GATE_SLOT_COUNT][8];

void config_init(void)
{
    xres = 640;
    yres = 480;
    g_config = config_values{0, 0, 1, 0, 0, string_intern("rabbithill"), 8, 0, 1.0f};
    message_lines = 5;
    widget_choices_init(config_choices, choice_defs, CONFIG_CHOICE_COUNT);
    widget_sliders_init(config_sliders, slider_defs, CONFIG_SLIDER_COUNT);
    for (int i = 0; i < GATE_SLOT_COUNT; ++i) {
        snprintf(g_slot_labels[i], sizeof g_slot_labels[i], "Gate %d", i + 1);
        config_slots[i] = menu_choice{g_slot_labels[i], slot_items, 5, 0, {}};
    }
    memset(g_server_name, 0, sizeof g_server_name);
    config_server_name = menu_text_field{"Server", SERVER_NAME_MAX, g_server_name, 0, 1, {}};
    widget_text_set(&config_server_name, "localhost");
    memset(server_name_history, 0, sizeof server_name_history);
    server_name_history_index = -1;
    track_choice = menu_choice{"Track", nullptr, 0, 0, {}};
    key_bindings_reset();
}

int binding_parse(key_binding *b, const char *value)
{
    while (isspace((unsigned char)*value)) ++value;
    b->key_name = nullptr;
    b->key_code = 0;
    b->axis_name = nullptr;
    b->axis = nullptr;
    b->axis_min = 0.0f;
    b->axis_max = 1.0f;
    if (value[0] == '(') {
        const char *close = strchr(value, ')');
        float lo, hi;
        // A range that is not finite counts as not read: every control value would be NaN.
        if (close && sscanf(value, "(%f,%f)", &lo, &hi) == 2 && std::isfinite(lo) && std::isfinite(hi)) {
            b->axis_min = lo;
            b->axis_max = hi;
            b->axis_name = string_intern(close + 1);
        }
    }
    if (!b->axis_name) b->key_name = string_intern(strncmp(value, "(k)", 3) == 0 ? value + 3 : value);
    return 1;
}

static void apply_setting(const setting &st, const char *value)
{
    switch (st.kind) {
    case K_INT:
        sscanf(value, "%d", st.integer);
        break;
    case K_NAME:
        g_config.track = string_intern(value);
        break;
    case K_CHOICE:
        widget_choice_select(&config_choices[st.index], value);
        break;
    case K_SLIDER:
        widget_slider_set_text(&config_sliders[st.index], value);
        break;
    case K_TEXT:
        widget_text_set(&config_server_name, value);
        break;
    case K_IGNORE:
        break;
    case K_USE_FBO:
        // The older key chose the terrain method; a later render_texture line overrides it.
        widget_choice_select(&config_choices[CONFIG_USE_FBO], value);
        widget_choice_select(&config_choices[CONFIG_RENDER_TEXTURE],
                             config_choices[CONFIG_USE_FBO].current ? "Hardware/Direct" : "Hardware/Copy");
        break;
    case K_MAP_SCALE: {
        float f;
        if (sscanf(value, "%f", &f) == 1 && f == f) g_config.map_scale = f;
        if (g_config.map_scale < 0.125f) g_config.map_scale = 0.125f;
        if (g_config.map_scale > 8.0f) g_config.map_scale = 8.0f;
        break;
    }
    case K_BINDING:
        binding_parse(&key_bindings[st.index], value);
        break;
    case K_VIDEO:
        widget_choice_select(&video_mode_choice, value);
        break;
    }
}

static void take_pair(const char *key, const char *value)
{
    if (setup_set(key, value)) return;
    for (const setting &st : settings)
        if (strcmp(key, st.key) == 0) { apply_setting(st, value); return; }
    char name[32];
    for (int i = 0; i < GATE_SLOT_COUNT; ++i) {
        snprintf(name, sizeof name, "slot%02d", i);
        if (strcmp(key, name) == 0) { widget_choice_select(&config_slots[i], value); return; }
    }
    for (int i = 0; i < SERVER_HISTORY_COUNT; ++i) {
        snprintf(name, sizeof name, "server_name_hist%02d", i);
        if (strcmp(key, name) == 0) {
            size_t n = strlen(value);
            if (n + 1 <= 127) memcpy(server_name_history[i], value, n + 1);
            return;
        }
    }
}

// Lines are read whole: the game writes lines longer than any fixed buffer itself (a long key
// name with an axis range before it), and the tail of a line cut in two would be read as a
// setting of its own. Past this length the tail is left out, with a message.
static const std::size_t config_line_max = 65536;

void config_read_pairs(data_stream *s, void (*take)(const char *key, const char *value))
{
    std::string line;
    for (int line_number = 1;; ++line_number) {
        line.clear();
        int c;
        bool cut = false;
        while ((c = data_getc(s)) >= 0 && c != '\n') {
            if (line.size() < config_line_max) line += (char)c;
            else cut = true;
        }
        if (c < 0 && line.empty()) break;
        if (cut)
            kubl_log_printf("Settings line %d is longer than %zu characters: the rest of it is left out\n",
                            line_number, config_line_max);
        // The key is what comes before the first '=' of the line's text (a NUL ends the text).
        const char *equals = strchr(line.c_str(), '=');
        if (equals) {
            const std::size_t eq = (std::size_t)(equals - line.c_str());
            line[eq] = 0;
            std::size_t n = line.size();
            while (n > eq + 1 && line[n - 1] == '\r') --n;
            line.resize(n);
            take(line.c_str(), line.c_str() + eq + 1);
        }
        if (c < 0) break;
    }
}

void config_read(void)
{
    data_stream *s = data_open("@config", "rb");
    if (!s) return;
    config_read_pairs(s, take_pair);
    data_close(s);
    // The console shows this many lines out of its ring.
    if (message_lines < 0) message_lines = 0;
    if (message_lines > MESSAGE_LINES_MAX) message_lines = MESSAGE_LINES_MAX;
}

static const char *track_folder_to_write(void)
{
    // Without a usable track choice keep the wanted name rather than losing it.
    int i = track_choice.current;
    const char *folder = i >= 0 && i < track_list_count() ? track_list_folder(i) : nullptr;
    return folder ? folder : g_config.track ? g_config.track : "";
}

static void write_settings(data_stream *s)
{
    const menu_choice *c = config_choices;
    const menu_slider *v = config_sliders;
    data_printf(s, "xres=%d\n", xres);
    data_printf(s, "yres=%d\n", yres);
    data_printf(s, "draw_fps=%d\n", g_config.draw_fps);
    data_printf(s, "draw_time=%d\n", g_config.draw_time);
    data_printf(s, "draw_ping=%d\n", g_config.draw_ping);
    data_printf(s, "draw_speed=%d\n", g_config.draw_speed);
    data_printf(s, "spy=%d\n", g_config.spy);
    data_printf(s, "track=%s\n", track_folder_to_write());
    data_printf(s, "record=%s\n", choice_item_text(&c[CONFIG_RECORD]));
    data_printf(s, "skill=%s\n", choice_item_text(&c[CONFIG_SKILL]));
    data_printf(s, "minutes=%f\n", v[CONFIG_MINUTES].value);
    data_printf(s, "laps=%f\n", v[CONFIG_LAPS].value);
    for (int i = 0; i < GATE_SLOT_COUNT; ++i)
        data_printf(s, "slot%02d=%s\n", i, choice_item_text(&config_slots[i]));
    data_printf(s, "ghost_fade_distance=%f\n", v[CONFIG_GHOST_FADE_DISTANCE].value);
    data_printf(s, "time_trial_abort=%s\n", choice_item_text(&c[CONFIG_TIME_TRIAL_ABORT]));
    setup_write(s);
    data_printf(s, "video_mode=%s\n", choice_item_text(&video_mode_choice));
    data_printf(s, "server_name=%s\n", config_server_name.buffer);
    for (int i = 0; i < SERVER_HISTORY_COUNT; ++i)
        data_printf(s, "server_name_hist%02d=%s\n", i, server_name_history[i]);
    data_printf(s, "ground_detail=%f\n", v[CONFIG_GROUND_DETAIL].value);
    data_printf(s, "ground_texture_detail=%f\n", v[CONFIG_GROUND_TEXTURE_DETAIL].value);
    data_printf(s, "ground_texture_dim=%s\n", choice_item_text(&c[CONFIG_GROUND_TEXTURE_DIM]));
    data_printf(s, "ground_mipmaps=%s\n", choice_item_text(&c[CONFIG_GROUND_MIPMAPS]));
    data_printf(s, "texture_compress=%s\n", choice_item_text(&c[CONFIG_TEXTURE_COMPRESS]));
    data_printf(s, "render_texture=%s\n", choice_item_text(&c[CONFIG_RENDER_TEXTURE]));
    data_printf(s, "use_shader=%s\n", choice_item_text(&c[CONFIG_USE_SHADER]));
    data_printf(s, "roost_density=%f\n", v[CONFIG_ROOST_DENSITY].value);
    data_printf(s, "lens_flare=%s\n", choice_item_text(&c[CONFIG_LENS_FLARE]));
    data_printf(s, "reflections=%s\n", choice_item_text(&c[CONFIG_REFLECTIONS]));
    data_printf(s, "hide_rider=%s\n", choice_item_text(&c[CONFIG_HIDE_RIDER]));
    data_printf(s, "rigid_camera=%s\n", choice_item_text(&c[CONFIG_RIGID_CAMERA]));
    data_printf(s, "model_detail=%f\n", v[CONFIG_MODEL_DETAIL].value);
    data_printf(s, "model_texture_detail=%f\n", v[CONFIG_MODEL_TEXTURE_DETAIL].value);
    data_printf(s, "fov=%f\n", v[CONFIG_FOV].value);
    data_printf(s, "first_person_height=%f\n", v[CONFIG_FIRST_PERSON_HEIGHT].value);
    data_printf(s, "first_person_angle=%f\n", v[CONFIG_FIRST_PERSON_ANGLE].value);
    data_printf(s, "third_person_height=%f\n", v[CONFIG_THIRD_PERSON_HEIGHT].value);
    data_printf(s, "third_person_distance=%f\n", v[CONFIG_THIRD_PERSON_DISTANCE].value);
    data_printf(s, "volume=%f\n", v[CONFIG_VOLUME].value);
    data_printf(s, "comp_volume=%f\n", v[CONFIG_COMP_VOLUME].value);
    data_printf(s, "playback_mode=%s\n", choice_item_text(&c[CONFIG_PLAYBACK_MODE]));
    data_printf(s, "billboard_optimize_lookahead=%d\n", g_config.billboard_optimize_lookahead);
    data_printf(s, "message_lines=%d\n", message_lines);
    data_printf(s, "demo_backups=%d\n", g_config.demo_backups);
    data_printf(s, "map_scale=%f\n", g_config.map_scale);
    for (int i = 0; i < BINDING_COUNT; ++i) {
        const key_binding &b = key_bindings[i];
        if (b.key_name)
            data_printf(s, "%s=(k)%s\n", binding_config_keys[i], b.key_name);
        else if (b.axis_name)
            data_printf(s, "%s=(%f,%f)%s\n", binding_config_keys[i], b.axis_min, b.axis_max, b.axis_name);
    }
}

void config_write(void)
{
    file_save save;
    data_stream *s = file_save_begin(&save, "@config", ".tmp");
    if (!s) {
        kubl_log_printf("Could not write config file\n");
        return;
    }
    write_settings(s);
    if (!file_save_commit(&save)) kubl_log_printf("Could not replace config file\n");
}

void settings_graphics(graphics_settings *out)
{
    const menu_slider *v = config_sliders;
    const menu_choice *c = config_choices;
    out->ground_detail = v[CONFIG_GROUND_DETAIL].value;
    out->ground_texture_detail = v[CONFIG_GROUND_TEXTURE_DETAIL].value;
    out->ground_texture_dim = c[CONFIG_GROUND_TEXTURE_DIM].current;
    out->model_detail = v[CONFIG_MODEL_DETAIL].value;
    out->model_texture_detail = v[CONFIG_MODEL_TEXTURE_DETAIL].value;
    out->roost_density = v[CONFIG_ROOST_DENSITY].value;
    out->texture_compress = c[CONFIG_TEXTURE_COMPRESS].current;
    out->reflections = c[CONFIG_REFLECTIONS].current;
    out->ground_mipmaps = c[CONFIG_GROUND_MIPMAPS].current;
    out->use_shader = c[CONFIG_USE_SHADER].current;
    out->render_texture = c[CONFIG_RENDER_TEXTURE].current;
}

int         setting_use_shader(void) { return config_choices[CONFIG_USE_SHADER].current; }
int         setting_render_texture(void) { return config_choices[CONFIG_RENDER_TEXTURE].current; }
int         setting_ground_mipmaps(void) { return config_choices[CONFIG_GROUND_MIPMAPS].current; }
int         setting_video_mode(void) { return video_mode_choice.current; }
float       setting_fov(void) { return (float)config_sliders[CONFIG_FOV].value; }
float       setting_volume(void) { return (float)config_sliders[CONFIG_VOLUME].value; }
float       setting_comp_volume(void) { return (float)config_sliders[CONFIG_COMP_VOLUME].value; }
int         setting_reverse_steering(void) { return setup_choices[SETUP_REVERSE_STEERING].current; }
int         setting_sticky_dab(void) { return setup_choices[SETUP_STICKY_DAB].current; }
int         setting_time_trial_abort(void) { return config_choices[CONFIG_TIME_TRIAL_ABORT].current; }
int         setting_spy(void) { return g_config.spy; }
int         setting_skill(void) { return config_choices[CONFIG_SKILL].current; }
int         setting_record(void) { return config_choices[CONFIG_RECORD].current; }
float       setting_minutes(void) { return (float)config_sliders[CONFIG_MINUTES].value; }
float       setting_laps(void) { return (float)config_sliders[CONFIG_LAPS].value; }
const char *setting_track(void) { return g_config.track; }
