// Stand-ins for the network client: always offline here.
#include "racing/race.h"
#include "racing/race_state.h"

int  net_socket = -1;
int  server_tick;
int  net_round_trip_ticks(int) { return 0; }
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
#include "racing/net.h"
#include <cstdlib>
// Offline there is no send list: a message is written into a scratch node nobody sends.
static net_msg_node g_scratch_msg;
net_msg_node *net_msg_new(void)
{
    g_scratch_msg = net_msg_node{};
    g_scratch_msg.payload[0] = 17;
    g_scratch_msg.length = NET_MSG_HEADER;
    return &g_scratch_msg;
}
data_stream *net_outgoing_file;
char         net_outgoing_name[1024];
