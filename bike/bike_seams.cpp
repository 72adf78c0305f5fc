// Stand-ins for the bike subsystem until it lands: every operation does nothing and reports
// nothing, so the shell and the loaders can call them in their real places.
#include "bike/bike.h"
#include "bike/engine_sound.h"

int         bike_terrain_collide(bike *) { return 0; }
void        bike_update_wheel_tracks(bike *) {}



// Until the catalogue lands: the one model start-up selects.
static bike_info one_model()
{
    bike_info info = {};
    info.name = "yz250f(2017)";
    info.engine_class = "250f";
    return info;
}
const bike_info bike_catalogue[] = {one_model()};
const int       bike_catalogue_count = 1;

shape_instance *shape_load_instance(const char *) { return nullptr; }
const char     *shape_get_name(const shape_instance *) { return ""; }
void            shape_cache_free(void) {}

void *engine_voices[160];
void engine_sound_update(int, float) {}
void engine_sound_tables_free(void) {}
void engine_sound_table_list_free(void) {}
void engine_sound_compute_pipe(float, float, float, int, int, engine_sound_params *) {}
