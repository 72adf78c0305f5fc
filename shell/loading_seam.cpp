// Stand-in for the loading screen until it lands. The title view clears to the start-up
// colour, and announced steps still reach the log so shutdown can be followed there.
#include "shell/loading.h"
#include "platform/log.h"
#include <GL/gl.h>

void draw_loading_screen(const char *)
{
    glClearColor(0.196078f, 0.6f, 0.8f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void loading_status(const char *) {}

void loading_status_log(const char *text)
{
    loading_status(text);
    if (text && *text) kubl_log_printf("%s\n", text);
}

void draw_busy_wheel(unsigned) {}
void loading_tick(void) {}
