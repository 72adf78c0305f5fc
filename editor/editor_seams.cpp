// Stand-ins for the track editor until it lands: it handles nothing.
#include "editor/editor.h"

void editor_draw(void) {}
int  editor_key(int, int) { return 0; }
void editor_tick(void) {}
void editor_release(void) {}
void editor_setup_track(display *, terrain_field *) {}
