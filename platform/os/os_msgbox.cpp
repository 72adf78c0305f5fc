#include "platform/os/os_msgbox.h"
#include <SDL.h>

int os_message_box(const char *title, const char *text)
{
    // Works without the video subsystem: SDL opens its own connection for the box.
    return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title, text, nullptr) == 0;
}
