// shell/main/frame_loop.h — one pass per drawn frame: view, drawing, engine sounds, pacing,
// ticks, terrain upkeep.
#pragma once

// Runs passes until the quit flag is set or the display is lost.
void frame_loop_run(void);
// From now on SIGUSR1 asks for an "Input mark N" log line (see frame_loop.cpp); without it the
// signal would end the program.
void frame_loop_marks_install(void);
// One pass; 0 when the loop is to end.
int  frame_loop_pass(void);
// Chooses the view for this frame from what is loaded and who is viewed.
void view_mode_choose(void);
