// shell/server_state.h — what the race server told the client that the rest of the game obeys:
// its rules, and the names of the servers the player has joined.
#pragma once

extern char server_name_history[16][128];
extern int  server_rules[16];
