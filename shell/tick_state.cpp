// The fixed-tick loop's state; tick_loop_reset (shell/main/tick.cpp) starts it for each run.
#include "shell/tick.h"

tick_loop_state g_ticks;
