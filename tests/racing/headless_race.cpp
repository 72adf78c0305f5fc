#include "racing/headless_race.h"

#include <ode/ode.h>

#include <cstdlib>
#include <string>

#include "bike/bike_create.h"
#include "bike/shape.h"
#include "data/file_index.h"
#include "data/mem.h"
#include "data/paths.h"
#include "fixtures/fixtures.h"
#include "racing/lines.h"
#include "racing/race.h"
#include "shell/globals.h"
#include "shell/setup.h"
#include "shell/startup.h"
#include "terrain/statues.h"
#include "shell/track_list.h"
#include "terrain/track_load.h"

namespace {

unsigned no_texture(const char *) { return 0; }
km_model *no_model(const char *) { return nullptr; }
const char *no_info(unsigned) { return nullptr; }
unsigned no_plate(const char *, const unsigned char *, const unsigned char *) { return 0; }
void no_plate_delete(unsigned) {}
void free_shape(shape *s) { mem_free(s); }
shape *no_shape(const char *) { return nullptr; }
void no_shape_free(shape *) {}

}   // namespace

const bike_resource_loaders race_bare_bikes = {no_texture, no_info, no_plate, no_plate_delete, no_shape,
                                               no_shape_free};

void race_world_open(void)
{
    dInitODE2(0);
    physics_world = dWorldCreate();
    dWorldSetGravity(physics_world, 0, -32, 0);
    contact_group = dJointGroupCreate(0);
}

void race_world_close(void)
{
    for (int slot = 0; slot < 160; ++slot) {
        if (bike_slot_table[slot]) bike_destroy(bike_slot_table[slot]);
        bike_slot_table[slot] = nullptr;
    }
    bike_resources_set(nullptr);
    if (contact_group) dJointGroupDestroy(contact_group);
    if (physics_world) dWorldDestroy(physics_world);
    contact_group = nullptr;
    physics_world = nullptr;
    dCloseODE();
}

int headless_race_open(const char *track, const char *home_tag, std::string *home)
{
    const std::string folder = fixture_temp_dir(home_tag);
    if (home) *home = folder;
    setenv("XDG_DATA_HOME", folder.c_str(), 1);
    setenv("RL_HOME", fixture_game_dir().c_str(), 1);
    search_folders_free();
    data_files_free();
    static const track_resource_loaders tracks = {no_texture, no_model, shape_load_instance};
    track_resources_set(&tracks);
    static const bike_resource_loaders bikes = {no_texture, no_info, no_plate, no_plate_delete,
                                                shape_load_instance, free_shape};
    bike_resources_set(&bikes);
    setup_init();
    race_world_open();
    g_terrain = race_terrain();
    net_socket = -1;
    tick_count = 0;
    track_name = nullptr;
    // ODE's solver shuffles its rows with its own generator.
    dRandSetSeed(1);
    return scan_tracks() >= 1 && track_choice_select(track);
}

void headless_race_close(void)
{
    race_world_close();
    lines_free();
    unsetenv("XDG_DATA_HOME");
    unsetenv("RL_HOME");
    search_folders_free();
    data_files_free();
}
