// First cut of the error box: standard error only.
#include "platform/errbox.h"
#include <cstdarg>
#include <cstdio>

void kubl_error_box(const char *title, const char *format, ...)
{
    char text[1024];
    va_list ap;
    va_start(ap, format);
    vsnprintf(text, sizeof text, format, ap);
    va_end(ap);
    fprintf(stderr, "%s: %s\n", title, text);
}
