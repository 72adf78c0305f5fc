// Stand-ins for the bike subsystem until it lands: every operation does nothing and reports
// nothing, so the shell and the loaders can call them in their real places.
#include "bike/bike.h"
#include "bike/engine_sound.h"

