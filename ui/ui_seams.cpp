// Stand-ins for the presentation subsystem until it lands: no HUD.
#include "ui/ui.h"


