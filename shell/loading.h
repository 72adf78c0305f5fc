// shell/loading.h — the loading screen: status lines, the busy indicator and the title view.
#pragma once

void draw_loading_screen(const char *text);   // no buffer swap
void loading_status(const char *text);
void loading_status_log(const char *text);    // loading_status, then the text into the log
void draw_busy_wheel(unsigned counter);       // no buffer swap
// Keeps the busy indicator turning during a long scan or load: counts, drains input and redraws
// at most 16 times a second.
void loading_tick(void);
