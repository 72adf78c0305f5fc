// First cut of the console ring.
#include "data/console.h"
#include "platform/log.h"
#include <cstring>

console_ring g_console;
int          message_lines = 5;
double       frame_clock;

int console_print(const char *text)
{
    size_t n = strlen(text);
    const char *reset = strchr(text, 27) ? "\033[0m" : "";
    kubl_log_printf(n && text[n - 1] == '\n' ? "%s%s" : "%s%s\n", text, reset);
    char *line = g_console.lines[g_console.write_index];
    g_console.write_index = (g_console.write_index + 1) % CONSOLE_LINES;
    strncpy(line, text, CONSOLE_LINE_BYTES - 1);
    line[CONSOLE_LINE_BYTES - 1] = 0;
    if (g_console.visible_count < message_lines) g_console.visible_count++;
    g_console.show_until = frame_clock + 2.0;
    return g_console.visible_count;
}

void console_clear(void) { memset(&g_console, 0, sizeof g_console); }

void console_expire(double now)
{
    if (now > g_console.show_until && g_console.visible_count > 0) {
        g_console.visible_count--;
        g_console.show_until = now + 5.0;
    }
}
