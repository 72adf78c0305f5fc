// editor/editor.h — the track editor as the shell and the track code reach it. The editor
// subsystem defines these; until it lands, editor/editor_seams.cpp holds stand-ins.
#pragma once

struct display;
struct terrain_field;

void editor_draw(void);
int  editor_key(int code, int pressed);   // non-zero when the editor handled the event
void editor_tick(void);                   // applies the current tool while a button is held
void editor_release(void);
void editor_setup_track(display *d, terrain_field *field);
