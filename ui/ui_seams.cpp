// Stand-ins for the presentation subsystem until it lands: no HUD.
#include "ui/ui.h"

void hud_draw_overlays(int) {}
void hud_draw_telemetry(int) {}

