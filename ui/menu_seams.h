// ui/menu_seams.h — what the menus need of online racing (racing/net_menu.h) and of the
// console (a hook to shell/main/console_input.cpp).
#pragma once

#include "racing/net_menu.h"   // the network client as the Multiplayer page sees it

// The console page's line editing: Enter runs the line, with history and scrolling. The program's
// top sets it at start-up (console_input_key).
extern void (*console_key_hook)(int key);
