// Stand-ins for the bike subsystem until it lands: every operation does nothing and reports
// nothing, so the shell and the loaders can call them in their real places.
#include "bike/bike.h"
#include "bike/engine_sound.h"

void *engine_voices[160];
void engine_sound_update(int, float) {}
void engine_sound_tables_free(void) {}
void engine_sound_table_list_free(void) {}
void engine_sound_compute_pipe(float, float, float, int, int, engine_sound_params *) {}
