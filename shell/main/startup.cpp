// Start-up in its fixed order: options override the settings file, the window exists before
// any texture or font, the file index before any data list, the physics world before the first
// race reset. Then the frame loop, then shutdown (shell/main/shutdown.cpp).
#include "shell/main/startup.h"
#include "shell/main/frame_loop.h"
#include "shell/globals.h"
#include "shell/loading.h"
#include "shell/pacing.h"
#include "shell/main/seams.h"
#include "platform/audio.h"
#include "shell/main/tick.h"
#include "shell/setup.h"
#include "shell/video_modes.h"
#include "bike/engine_sound.h"
#include "racing/race.h"
#include "racing/race_state.h"
#include "ui/ui.h"
#include "graphics/cpu.h"
#include "graphics/glcaps.h"
#include "graphics/font.h"
#include "graphics/shader.h"
#include "graphics/texture.h"
#include "terrain/track_load.h"
#include "data/console.h"
#include "data/file_index.h"
#include "data/mem.h"
#include "data/paths.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/errbox.h"
#include "platform/input.h"
#include "platform/log.h"
#include <GL/gl.h>
#include <cstdio>
#include <cstring>


// Out of memory closes what is open before the message box shows.
static void close_for_fatal_error(void)
{
    if (g_audio) kubl_audio_close(g_audio);
    g_audio = nullptr;
    if (g_display) kubl_gl_window_close(g_display);
    g_display = nullptr;
}

// Resolves a binding's key code from its key name or, without one, its axis from its axis name.
static void binding_resolve(key_binding *b)
{
    std::uint32_t code = 0;
    b->key_code = 0;
    if (b->key_name) {
        if (kubl_button_lookup(g_display, &code, b->key_name)) b->key_code = (int)code;
    } else if (b->axis_name) {
        b->axis = kubl_axis_open(g_display, b->axis_name);
    }
}

static void bindings_resolve(void)
{
    for (control_row &row : control_table) {
        binding_resolve(row.binding);
        row.value = 0;
    }
    static const int game_keys[] = {BIND_PAUSE, BIND_STEP,  BIND_REWIND,  BIND_SKIP,
                                    BIND_NEXT,  BIND_PREV,  BIND_CONSOLE, BIND_SCREENSHOT};
    for (int k : game_keys) binding_resolve(&key_bindings[k]);
    for (int i = 0; i < MENU_BUTTON_COUNT; ++i) {
        std::uint32_t code = 0;
        menu_buttons[i] = kubl_button_lookup(g_display, &code, menu_button_names[i]) ? code : 0;
    }
}

// Tries for a drawable frame for about ten seconds; 1 when one began.
static int wait_for_frame(void)
{
    for (int attempt = 0; attempt < 162; ++attempt) {
        if (kubl_gl_frame_begin(g_display)) return 1;
        kubl_sleep_for(0, 62500);
    }
    return 0;
}

static void shader_options_set(void)
{
    if (!setting_ground_mipmaps()) g_render.ground_mipmaps = 0;
    g_render.shader_capable = gl_shader_capable();
    g_render.use_shader = setting_use_shader() && g_render.shader_capable;
    if (g_render.use_shader) g_render.use_shader = shader_build_programs();
    int method = setting_render_texture();
    g_render.terrain_shader = g_render.use_shader && (method == 3 || method == 4);
}

static void rider_slots_clear(int startup_demo)
{
    for (int slot = 0; slot < RIDER_SLOTS; ++slot) {
        bike_slot_table[slot] = nullptr;
        controller_kind[slot] = CONTROLLER_REMOTE;
        participant_flags[slot] = 0;
    }
    standings_count = 0;
    net_slot_info_clear();
    if (!startup_demo) participant_flags[0] = 1;
    demo_play_close();
}

// The window the settings ask for. When it cannot be opened the player is told why, and one
// plain 640 x 480 window is tried before giving up; it becomes the setting, so the next start
// does not fail the same way.
display *main_window_open(void)
{
    // A window too small to show anything was never meant; it would be saved back as it is.
    if (xres < WINDOW_SIDE_MIN) xres = 640;
    if (yres < WINDOW_SIDE_MIN) yres = 480;
    video_mode_index = setting_video_mode();
    int width = xres, height = yres, flags = g_options.depth_bits;
    if (video_mode_index != 1) {
        video_mode_size(video_mode_index, &width, &height);
        flags |= KUBL_OPEN_FULLSCREEN;
    }
    display *d = kubl_gl_window_open("Rutline", width, height, flags, 0, g_options.zdepth_bits, 0, 0);
    if (d) return d;
    char wanted[64];
    if (flags & KUBL_OPEN_FULLSCREEN) {
        if (width > 0 && height > 0) snprintf(wanted, sizeof wanted, "a %dx%d full screen", width, height);
        else snprintf(wanted, sizeof wanted, "a full screen");
    } else {
        snprintf(wanted, sizeof wanted, "a %dx%d", width, height);
    }
    kubl_error_box("Rutline", "Can't open %s window (video_mode=%s); trying a 640x480 window instead",
                   wanted, choice_item_text(&video_mode_choice));
    d = kubl_gl_window_open("Rutline", 640, 480, g_options.depth_bits, 0, g_options.zdepth_bits, 0, 0);
    if (!d) {
        kubl_error_box("Rutline", "Can't open a 640x480 window either; see the log file for the reason");
        return nullptr;
    }
    xres = 640;
    yres = 480;
    widget_choice_select(&video_mode_choice, "Windowed");
    video_mode_index = setting_video_mode();
    return d;
}

int rutline_main(int argc, char **argv)
{
    shell_globals_reset();

    if (argc == 2 && !strcmp(argv[1], "--open-home")) {
        open_home_folder();
        return 0;
    }
    console_clear();
    // Standard output carries raw video frames; on this system it is binary already.
    log_file_setup();
    frame_loop_marks_install();
    kubl_log_printf("Rutline version %s\n", version_text);
    memset(server_name_history, 0, sizeof server_name_history);
    memset(server_rules, 0, sizeof server_rules);
    video_modes_build();
    cpu_detect_mmx();
    if (!mmx_available) kubl_log_printf("This CPU does not have MMX!\n");

    config_init();   // every setting and the setup at their defaults
    setup_init();
    setup_select_bike("yz250f(2017)");
    setup_set_defaults(setup_stability());
    graphics_preset_apply(0);
    track_lighting_set_default();
    config_read();

    const char *track = nullptr;
    track_map_texture = 0;   // a previous run's track is gone with its textures
    g_render.ground_mipmaps = 1;
    for (void *&voice : engine_voices) voice = nullptr;
    graphics_settings graphics;
    settings_graphics(&graphics);
    render_options_derive(&graphics, &g_render);

    switch (parse_options(argc, argv)) {
    case 1: return 1;
    case 2: return 0;
    }
    if (g_options.connect) g_options.track = nullptr;
    net_set_connect_address(g_options.connect);
    track = g_options.track;

    g_display = main_window_open();
    if (!g_display) return 1;
    mem_fatal_close = close_for_fatal_error;

    loading_tick();   // counts once and shows the busy indicator while the index is built
    file_index_names();
    fixed_files_check();
    gather_graphics_variants();
    if (scan_tracks() == 0) {
        fprintf(stderr, "No tracks found\n");
        kubl_gl_window_close(g_display);
        return 1;
    }
    gather_demo_list();
    gather_series();
    track_choice_select(track ? track : setting_track());

    if (g_options.record_audio) {
        capture_audio_open(g_options.record_audio);
        // 88320 Hz gives a whole 690 samples per tick.
        g_audio = kubl_audio_open_readback(g_display, 88320, 690);
    } else if (!g_options.nosound) {
        g_audio = kubl_audio_open(g_display);
    }

    if (!wait_for_frame()) return shutdown_run();
    gl_probe_extensions();
    kubl_log_printf("GL_VENDOR: %s\n", gl_caps.vendor);
    kubl_log_printf("GL_RENDERER: %s\n", gl_caps.renderer);
    kubl_log_printf("GL_VERSION: %s\n", gl_caps.version);
    kubl_log_printf("GL_EXTENSIONS: %s\n", gl_caps.extensions);
    shader_options_set();
    glClearColor(0.196078f, 0.6f, 0.8f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_CULL_FACE);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    if (g_options.fugly) glShadeModel(GL_FLAT);
    fonts_load();
    tach_texture = texture_load("!@tach.png");
    shifter_texture = texture_load("!@shifter.png");
    pitboard_texture = texture_load("!@pitboard.png");
    title_texture = texture_load("!@title.png");
    if (!kubl_gl_frame_end(g_display)) return shutdown_run();

    cursor_axes[0] = kubl_axis_open(g_display, "cursor-x");
    cursor_axes[1] = kubl_axis_open(g_display, "cursor-y");
    bindings_resolve();
    growable_array_init(&rider_object_hits, 4);
    growable_array_init(&camera_keyframes, 36);
    growable_array_init(&track_cameras, 36);

    g_terrain = race_terrain();
    dInitODE2(0);
    physics_world = dWorldCreate();
    dWorldSetGravity(physics_world, 0, -32, 0);   // ft/s²
    contact_group = dJointGroupCreate(0);

    const char *demo = g_options.startup_demo;
    if (demo) {
        demo_play_set_name(demo);
        if (demo_play_open()) {
            track = demo_play_track();
            demo_play_close();
        }
    }
    rider_slots_clear(demo != nullptr);
    if (track) {
        track = nullptr;
        reset_race(participant_flags, demo != nullptr, 0, 0, 1000, setting_skill());
    }
    g_options.startup_demo = nullptr;
    frame_width = xres;
    frame_height = yres;
    menu_state = g_options.connect ? MENU_CLOSED : MENU_MAIN;

    tick_loop_reset(platform_now());
    frame_loop_run();
    return shutdown_run();
}
