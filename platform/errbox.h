// platform/errbox.h — the printf-style message box of fatal paths.
#pragma once

// Shows the text (cut to 1023 characters) and returns when the user closes the box. Under a
// virtual display or in tests it writes title and text to standard error and never blocks.
void kubl_error_box(const char *title, const char *format, ...) __attribute__((format(printf, 2, 3)));
