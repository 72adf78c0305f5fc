/* Asks a window to close the way a window manager's close button does: a WM_PROTOCOLS client
 * message carrying WM_DELETE_WINDOW, sent through the X server. Usage: x11_close WINDOW-NAME.
 * Exits 0 when a window of that name was found and the message sent, 1 otherwise. */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <string.h>

static Window find_named(Display *dpy, Window w, const char *name)
{
    char *title = NULL;
    if (XFetchName(dpy, w, &title) && title) {
        int same = strcmp(title, name) == 0;
        XFree(title);
        if (same) return w;
    }
    Window root, parent, *children = NULL;
    unsigned count = 0;
    Window found = 0;
    if (XQueryTree(dpy, w, &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count && !found; ++i) found = find_named(dpy, children[i], name);
        if (children) XFree(children);
    }
    return found;
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: x11_close WINDOW-NAME\n");
        return 1;
    }
    Display *dpy = XOpenDisplay(NULL);
    if (!dpy) {
        fprintf(stderr, "x11_close: cannot open the display\n");
        return 1;
    }
    Window w = find_named(dpy, DefaultRootWindow(dpy), argv[1]);
    if (!w) {
        fprintf(stderr, "x11_close: no window named '%s'\n", argv[1]);
        XCloseDisplay(dpy);
        return 1;
    }
    XEvent ev;
    memset(&ev, 0, sizeof ev);
    ev.xclient.type = ClientMessage;
    ev.xclient.window = w;
    ev.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = (long)XInternAtom(dpy, "WM_DELETE_WINDOW", False);
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(dpy, w, False, NoEventMask, &ev);
    XSync(dpy, False);
    XCloseDisplay(dpy);
    return 0;
}
