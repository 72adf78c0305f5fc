#include "platform/display.h"
#include <SDL.h>

void *kubl_gl_get_proc_address(const char *name)
{
    return SDL_GL_GetProcAddress(name);
}
