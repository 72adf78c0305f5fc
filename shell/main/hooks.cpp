// shell/main/hooks.cpp — where the layers above register themselves with the layers below.
// Built into every program that links the game rather than into a library, so the hooks are in
// place before main: a program never sees a lower layer without its upper half.
#include "shell/main/hooks.h"
#include "data/file_index.h"
#include "shell/globals.h"
#include "shell/loading.h"
#include "shell/setup.h"
#include "terrain/erosion.h"
#include "terrain/field.h"
#include "terrain/statues.h"
#include "terrain/track_load.h"
#include "bike/bike.h"
#include "bike/roost.h"
#include "racing/object_grid.h"
#include "racing/race.h"
#include "ui/ground_view.h"
#include "ui/menu_seams.h"
#include "ui/ui.h"
#include "shell/main/console_commands.h"
#include "editor/editor.h"

static int bike_names(const char **names, int capacity)
{
    int n = 0;
    for (; n < capacity && n < bike_catalogue_count; ++n) names[n] = bike_catalogue[n].name;
    return n;
}

static shape *statue_shape(const char *name) { return shape_load_instance(name); }

static void object_grid_init(void)
{
    for (growable_array &cell : object_grid) growable_array_init(&cell, sizeof(int));
}

static void track_loaded(void)
{
    object_grid_rebuild();
    if (g_options.editor) editor_setup_track(g_display, terrain_ptr);
}

static void track_released(void)
{
    if (g_options.editor) editor_release();
    for (growable_array &cell : object_grid) growable_array_free(&cell);
}

void hooks_install(void)
{
    file_index_busy_hook = loading_tick;
    loading_projection_hook = set_projection;
    setup_default_ops_hook = &setup_bike_default_ops;
    setup_bike_names_hook = bike_names;
    erode_send_hook = net_send_erosion;
    statue_shape_hook = statue_shape;
    statue_orientation_hook = object_terrain_orientation;
    roost_default_spawner = particle_spawn;
    console_key_hook = console_input_key;
    track_load_listeners.objects_init = object_grid_init;
    track_load_listeners.drawing_options = terrain_settings_from_render;
    track_load_listeners.particle_billboard = particle_set_billboard;
    track_load_listeners.loaded = track_loaded;
    track_load_listeners.released = track_released;
}

[[maybe_unused]] static const int installed = (hooks_install(), 1);
