// shell/tick.h — the fixed-tick loop's own state (shell/main/tick.h runs the loop), read by the
// HUD for the sticky dab.
#pragma once

struct tick_loop_state {
    double simulation_time;     // seconds, starts 0
    double simulation_target;   // seconds, starts 0
    double previous_frame_time; // platform clock seconds
    int    remembered_menu_state;
    int    sticky_dab;
    float  previous_dab_sum;
};
extern tick_loop_state g_ticks;
