// data/console.h — the ring of the last 1000 user-visible messages.
#pragma once

enum { CONSOLE_LINES = 1000, CONSOLE_LINE_BYTES = 128 };

struct console_ring {
    char   lines[CONSOLE_LINES][CONSOLE_LINE_BYTES];
    int    write_index;     // the line the next message overwrites
    int    visible_count;   // newest lines shown on screen
    double show_until;      // frame-clock seconds
};

extern console_ring g_console;
extern int          message_lines;   // the "message_lines" setting, default 5
extern double       frame_clock;     // the shell's time of the current frame, seconds

int  console_print(const char *text);  // logs, stores, returns the new visible count
void console_clear(void);              // empties all 1000 lines
void console_expire(double now);       // once per frame
