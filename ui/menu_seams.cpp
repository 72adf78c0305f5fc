// Stand-ins for online racing until its module lands: the client is never joined and has
// nothing under way. The console's line editing is shell/console_input.cpp.
#include "ui/menu_seams.h"
#include "ui/menu.h"
#include "data/console.h"
#include "racing/race.h"

int  menu_net_connected(void) { return net_socket >= 0; }
int  menu_net_joined(void) { return 0; }
int  menu_net_idle(void) { return 1; }
void menu_net_request_disconnect(void) {}
void menu_net_drop(void)
{
    console_print("Disconnected\n");
    net_disconnect();
}
void menu_net_request_restart(void) {}
int  menu_net_slot_info(int, menu_net_slot *) { return 0; }
