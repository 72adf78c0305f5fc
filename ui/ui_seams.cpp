// Stand-ins for the presentation subsystem until it lands: nothing is drawn, no page has a
// hit list, menu keys are ignored.
#include "ui/ui.h"

int   menu_state = -1;

void hud_draw_overlays(int) {}
void hud_draw_telemetry(int) {}
void menu_draw(void) {}
void menu_key(int) {}
const float *const *menu_hit_list(void) { return nullptr; }
int  widget_hit_index(const float *const *, float, float) { return -1; }
void draw_text_centered_shadowed(const float *, float, float, const char *) {}
