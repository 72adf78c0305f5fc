// Stand-ins for the presentation subsystem until it lands: no on-board view and no HUD.
#include "ui/ui.h"

void onboard_view_draw(dBodyID, int) {}
void hud_draw_overlays(int) {}
void hud_draw_telemetry(int) {}

