// shell/menu_page.cpp — the open menu page; the game starts with none.
#include "shell/menu_page.h"

int menu_state = -1;
