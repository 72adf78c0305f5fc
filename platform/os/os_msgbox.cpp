#include "platform/os/os_msgbox.h"
#include <SDL.h>
#if defined(__linux__)
#include <cerrno>
#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

static int show_box(const char *title, const char *text)
{
    // Works without the video subsystem: SDL opens its own connection for the box.
    return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title, text, nullptr) == 0;
}

#if defined(__linux__)
static void take_group_down(int) { kill(0, SIGKILL); }
#endif

int os_message_box(const char *title, const char *text)
{
#if defined(__linux__)
    // On X11 SDL draws the box from a process of its own and waits for it: a game killed while
    // it waits would leave the box on the screen for good. The box is drawn from a child of
    // ours instead, in a process group of its own, which the child takes down with it when the
    // game ends.
    const pid_t game = getpid();
    const pid_t child = fork();
    if (child == 0) {
        setpgid(0, 0);
        signal(SIGTERM, take_group_down);
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != game) take_group_down(0);
        _exit(show_box(title, text) ? 0 : 1);
    }
    if (child > 0) {
        int status = 0;
        pid_t got;
        do got = waitpid(child, &status, 0);
        while (got < 0 && errno == EINTR);
        return got == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
#endif
    return show_box(title, text);
}
