// shell/loading.h — the loading screen: status lines, the busy indicator and the title view.
// While the game loads, the frame loop does not run: each step of the loading code shows its
// status line at once, and long scans keep a busy indicator turning.
#pragma once

enum { LOADING_TEXT_MAX = 79 };   // status texts are kept (and reported) cut to this

struct loading_state {
    char     previous_text[LOADING_TEXT_MAX + 1];
    double   previous_time;          // of the previous status line, seconds
    double   longest_gap;            // seconds between two status lines; race resets zero it
    char     longest_gap_text[LOADING_TEXT_MAX + 1];   // the line showing during that gap
    int      spinner_phase;          // 0..3 dots
    double   spinner_time;           // of the last spinner update, 0 before the first
    unsigned busy_counter;
    double   busy_start;             // of the first busy drawing of the run, 0 before it
    double   busy_time;              // of the last busy redraw
};
extern loading_state g_loading;

// How the loading screen reaches the window: the platform's frame bracket on g_display with the
// real drawing. Tests hand in their own to see what would be shown.
struct loading_frame_driver {
    int  (*begin)(int *width, int *height);   // 0 when the window cannot be drawn
    void (*draw_status)(int width, int height, const char *text);
    void (*draw_busy)(int width, int height, unsigned counter);
    int  (*end)(void);
};
extern const loading_frame_driver loading_platform_driver;
// The view's projection the platform driver draws in (the presentation's set_projection); the
// program's top sets it at start-up.
extern void (*loading_projection_hook)(int width, int height, float fov_degrees);
// Null puts the platform's back.
void loading_set_driver(const loading_frame_driver *driver);
// Back to the start of a run (statistics, spinner, busy counter and start time).
void loading_reset(void);

void draw_loading_screen(const char *text);   // no buffer swap
void loading_status(const char *text);
void loading_status_log(const char *text);    // loading_status, then the text into the log
void loading_status_reset(const char *text);  // loading_status_log, spinner back to no dots
void loading_status_spin(const char *text);   // with 0..3 dots, at most every 0.125 s
void loading_status_done(const char *text);   // "%.64s...done"
void draw_busy_wheel(unsigned counter);       // no buffer swap
// Keeps the busy indicator turning during a long scan or load: counts, drains input and redraws
// at most 16 times a second.
void loading_tick(void);
