// platform/errbox.h — the printf-style message box of fatal paths.
#pragma once

// Shows the text (cut to 1023 characters) and returns when the user closes the box. Title and
// text always go to standard error as "title: text"; the box itself is shown only when
// kubl_error_box_visible() says a person can see one.
void kubl_error_box(const char *title, const char *format, ...) __attribute__((format(printf, 2, 3)));

// Whether a box would be shown. No box (standard error only) when any of these holds, so that a
// box never blocks a test or an unattended run:
// - RL_NO_MESSAGE_BOX is set (to anything but "0"), or CI is set;
// - neither DISPLAY nor WAYLAND_DISPLAY is set;
// - SDL_VIDEODRIVER is "offscreen" or "dummy";
// - XAUTHORITY names a file of xvfb-run (the virtual X server of the test runs).
int kubl_error_box_visible(void);
