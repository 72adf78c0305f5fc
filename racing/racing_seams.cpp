// Stand-ins for the racing subsystem until it lands: no riders, no race, always offline; the
// race step only counts its ticks.
#include "terrain/track_load.h"
#include "racing/race.h"

bike *bike_slot_table[160];
int   controller_kind[160];
int   participant_flags[160];
int   viewed_slot;
int   tick_count;
int   race_start_tick;
int   race_laps;
standings_entry standings[160];
int   standings_count;
int   erode_level;

void race_step(void) { ++tick_count; }
void reset_race(const int *, int, int, int, int, int) {}
void reset_player_position(void) {}
int  rider_is_hidden(int) { return 0; }
int  race_is_time_trial(void) { return 0; }
// Until the race reset exists, the interim start-up load is the race's track.
int  race_track_loaded(void) { return track_name != nullptr; }
void series_record_round(void) {}

int  lines_current(void) { return 0; }
void lines_save(void) {}
void lines_free(void) {}

int  demo_play_open(void) { return 0; }
void demo_play_set_name(const char *) {}
const char *demo_play_track(void) { return nullptr; }
void demo_play_close(void) {}
void demo_record_stop(void) {}
void demo_skip(float) {}

int  net_socket = -1;
int  server_tick;
int  race_slot = 160;
char server_name_history[16][128];
int  server_rules[16];
void net_update(void) {}
void net_disconnect(void) {}
void net_cleanup(void) {}
static const char *g_connect_address;
void net_set_connect_address(const char *address) { g_connect_address = address; }
int  net_connecting(void) { return g_connect_address != nullptr; }
int  fixed_files_check(void) { return 1; }
