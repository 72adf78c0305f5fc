// ui/menu_seams.h — what the menus need of online racing (racing/net_menu.h) and of the
// console (shell/main/console_input.cpp).
#pragma once

#include "racing/net_menu.h"   // the network client as the Multiplayer page sees it

// The console page's line editing: Enter runs the line, with history and scrolling.
void console_input_key(int key);
