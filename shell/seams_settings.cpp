// Stand-in for the network client's "no_arcade" rule (shell/seams_neighbours.h): until the
// client lands there is no server and so no rule.
#include "shell/seams_neighbours.h"

int net_no_arcade_rule(void) { return 0; }
