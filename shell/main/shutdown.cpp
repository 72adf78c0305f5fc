// Shutdown in its fixed order; each announced step shows on the loading screen and in the log.
#include "shell/main/startup.h"
#include "shell/globals.h"
#include "shell/loading.h"
#include "shell/main/seams.h"
#include "platform/audio.h"
#include "graphics/font.h"
#include "graphics/model.h"
#include "graphics/texture.h"
#include "bike/bike.h"
#include "bike/engine_sound.h"
#include "racing/race.h"
#include "data/file_index.h"
#include "data/mem.h"
#include "data/util.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/input.h"
#include "platform/log.h"

static void axis_close(axis_handle **axis)
{
    if (*axis) kubl_axis_close(*axis);
    *axis = nullptr;
}

static void log_close(void)
{
    // A null format is the log's own way of closing.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat"
#pragma GCC diagnostic ignored "-Wnonnull"
    kubl_log_printf(nullptr);
#pragma GCC diagnostic pop
}

int shutdown_run(void)
{
    if (net_socket >= 0) net_disconnect();
    series_record_round();
    if (lines_current()) lines_save();
    lines_free();

    if (contact_group) dJointGroupDestroy(contact_group);
    contact_group = nullptr;
    race_bikes_free();

    demo_play_close();
    demo_record_stop();
    free_track();
    if (physics_world) {
        dWorldDestroy(physics_world);
        physics_world = nullptr;
        dCloseODE();
    }

    loading_status_log("Freeing memory (1)");
    growable_array_free(&rider_object_hits);
    growable_array_free(&camera_keyframes);
    growable_array_free(&track_cameras);

    loading_status_log("Closing input devices");
    axis_close(&cursor_axes[0]);
    axis_close(&cursor_axes[1]);
    static const int game_keys[] = {BIND_PAUSE, BIND_STEP, BIND_REWIND, BIND_SKIP, BIND_NEXT, BIND_PREV};
    for (int k : game_keys) axis_close(&key_bindings[k].axis);
    for (control_row &row : control_table) axis_close(&row.binding->axis);

    loading_status_log("Closing audio");
    if (g_audio) kubl_audio_close(g_audio);
    g_audio = nullptr;
    capture_audio_close();
    engine_sound_tables_free();

    loading_status_log("Writing config files");
    config_write();
    net_cleanup();

    loading_status_log("Freeing memory (2)");
    series_free();
    string_intern_free();
    track_list_free();

    loading_status_log("Freeing memory (3)");
    variant_lists_free();
    demo_lists_free();
    video_modes_free();
    engine_sound_table_list_free();

    loading_status_log("Freeing file list");
    data_files_free();

    loading_status_log("Freeing memory (4)");
    shape_cache_free();

    loading_status_log("Deleting textures");
    texture_purge(1);

    loading_status_log("Deleting models");
    model_purge(1);

    fonts_free();
    if (g_display) kubl_gl_window_close(g_display);
    g_display = nullptr;
    log_close();
    mem_dump_live();
    kubl_sleep_for(1, 0);
    return 0;
}
