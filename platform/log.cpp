// First cut of the log: stamped lines to KUBL_LOGFILE or the hand-off name.
#include "platform/log.h"
#include "platform/clock.h"
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static FILE *g_log_file;
static int   g_log_started;

void kubl_log_printf(const char *format, ...)
{
    if (!format) {
        if (g_log_file) fclose(g_log_file);
        g_log_file = nullptr;
        return;
    }
    if (!g_log_started) {
        g_log_started = 1;
        const char *name = getenv("KUBL_LOGFILE");
        if (!strncmp(format, "KUBL_LOGFILE=", 13)) {
            if (!name) name = format + 13;
        }
        if (name) {
            g_log_file = fopen(name, "w");
            if (g_log_file) {
                kubl_log_printf("Logfile \"%s\" opened\n", name);
                kubl_log_printf("KUBL 0.31\n");
            }
        }
        if (!strncmp(format, "KUBL_LOGFILE=", 13)) return;
    }
    if (!g_log_file || format[0] == 0x13) return;
    int s, us;
    kubl_time_now(&s, &us);
    fprintf(g_log_file, "[%d:%02d:%02d.%02d] ", s / 3600, (s / 60) % 60, s % 60, us / 10000);
    va_list ap;
    va_start(ap, format);
    vfprintf(g_log_file, format, ap);
    va_end(ap);
    fflush(g_log_file);
}

void kubl_log_error(const char *text)
{
    kubl_log_printf("Error: %s\n", text);
}
