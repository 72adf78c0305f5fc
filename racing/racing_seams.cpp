// Stand-ins for what later parts of the race bring: demos, the network client (always
// offline here), the robots' learned lines and steering.
#include "racing/race.h"
#include "racing/race_state.h"
#include "racing/gate_passing.h"

void engine_sound_load(int) {}
// The robots' share of gate passing.

int  demo_play_open(void) { return 0; }
void demo_play_set_name(const char *) {}
const char *demo_play_track(void) { return nullptr; }
void demo_play_close(void) {}
void demo_play_tick(void) {}
int  demo_play_format(void) { return 0; }
int  demo_play_rider_count(void) { return 0; }
void demo_record_start(void) {}
void demo_record_tick(int) {}
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
void net_slot_info_clear(void) {}
static const char *g_connect_address;
void net_set_connect_address(const char *address) { g_connect_address = address; }
int  net_connecting(void) { return g_connect_address != nullptr; }
int  fixed_files_check(void) { return 1; }
