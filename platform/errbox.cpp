#include "platform/errbox.h"
#include "platform/os/os_msgbox.h"
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static int env_set(const char *name)
{
    const char *v = getenv(name);
    return v && *v;
}

int kubl_error_box_visible(void)
{
    const char *no_box = getenv("RL_NO_MESSAGE_BOX");
    if (no_box && *no_box && strcmp(no_box, "0") != 0) return 0;
    if (env_set("CI")) return 0;
    if (!env_set("DISPLAY") && !env_set("WAYLAND_DISPLAY")) return 0;
    const char *driver = getenv("SDL_VIDEODRIVER");
    if (driver && (!strcmp(driver, "offscreen") || !strcmp(driver, "dummy"))) return 0;
    const char *xauth = getenv("XAUTHORITY");
    if (xauth && strstr(xauth, "xvfb-run")) return 0;
    return 1;
}

void kubl_error_box(const char *title, const char *format, ...)
{
    char text[1024];
    va_list ap;
    va_start(ap, format);
    vsnprintf(text, sizeof text, format, ap);
    va_end(ap);
    if (!title) title = "";
    fprintf(stderr, "%s: %s%s", title, text, text[0] && text[strlen(text) - 1] == '\n' ? "" : "\n");
    fflush(stderr);
    if (kubl_error_box_visible()) os_message_box(title, text);
}
