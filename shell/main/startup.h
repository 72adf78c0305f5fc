// shell/main/startup.h — the program from its first line to its last: start-up in a fixed
// order, the frame loop, shutdown in a fixed order.
#pragma once
#include "shell/startup.h"

struct display;
enum { WINDOW_SIDE_MIN = 64 };   // window sides below this from the settings mean 640 x 480
// Opens the game's window from the settings (video_mode, xres, yres) and the options; when that
// fails, says so and tries a 640 x 480 window once. Null when neither opens.
display *main_window_open(void);

// The whole program; returns the process exit code.
int rutline_main(int argc, char **argv);
// The shutdown order, from the frame loop or from a failed start. Returns 0.
int shutdown_run(void);
