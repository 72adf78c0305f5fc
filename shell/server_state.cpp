// shell/server_state.cpp — the server's rules and the joined servers' names; the network
// client fills them, the settings file keeps the names.
#include "shell/server_state.h"

char server_name_history[16][128];
int  server_rules[16];
