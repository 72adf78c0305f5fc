// racing/net_menu.h — the network client as the Multiplayer page sees it
// (racing/net_riders.cpp).
#pragma once

int  menu_net_connected(void);        // a socket is open
int  menu_net_joined(void);           // joined to the server's race
int  menu_net_idle(void);             // the client has nothing under way
void menu_net_request_disconnect(void);   // the client leaves on its next update
void menu_net_drop(void);             // at once: "Disconnected", socket closed, state cleared
void menu_net_request_restart(void);  // the restart request packet

// One rider slot of the server's race; 0 when the slot is neither joined nor racing.
struct menu_net_slot {
    int         ping_ticks;
    const char *number, *bike, *name;   // data from the network, never formats
};
int menu_net_slot_info(int slot, menu_net_slot *out);
