// shell/menu_page.h — which menu page is open. The menus turn the pages; the ticks, the loading
// screen and the network client (which sends a changed setup only off the setup pages) read it.
#pragma once

extern int menu_state;     // the current menu page, -1 when no menu is open

enum { MENU_CLOSED = -1, MENU_MAIN = 0, MENU_CONSOLE = 16 };
