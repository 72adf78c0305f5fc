// Stand-ins for services of later subsystems that the settings call (shell/seams_neighbours.h).
// Each goes when its owner lands the real one.
#include "shell/seams_neighbours.h"

// Until the bike catalogue lands: the designations start-up and old setups name.
static const char *const catalogue_names[] = {
    "450sxf(2018)", "yz250f(2017)", "crf450(2017)", "crf250(2008)", "kx250f(2008)",
    "rmz250(2008)", "yz250f(2008)", "rs50yz",
};

const char *bike_catalogue_name(int index)
{
    int n = (int)(sizeof catalogue_names / sizeof catalogue_names[0]);
    return index >= 0 && index < n ? catalogue_names[index] : nullptr;
}

// Until the network client lands there is no server and so no rule.
int net_no_arcade_rule(void) { return 0; }

// Moves to the processor test of the graphics code when that lands.
int mmx_available;
