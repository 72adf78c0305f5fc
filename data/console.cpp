// The console ring: every user-visible message is logged and kept in the last 1000 lines; the
// newest few stay on screen for a while after the latest message.
#include "data/console.h"
#include "platform/log.h"
#include <cstring>

console_ring g_console;
int          message_lines = 5;
double       frame_clock;

int console_print(const char *text)
{
    std::size_t n = strlen(text);
    // A colour escape would otherwise carry on into the log lines after this one.
    const char *reset = memchr(text, 27, n) ? "\033[0m" : "";
    if (n && text[n - 1] == '\n') kubl_log_printf("%s%s", text, reset);
    else kubl_log_printf("%s%s\n", text, reset);

    char *line = g_console.lines[g_console.write_index];
    g_console.write_index = (g_console.write_index + 1) % CONSOLE_LINES;
    std::size_t keep = n < CONSOLE_LINE_BYTES - 1 ? n : CONSOLE_LINE_BYTES - 1;
    memcpy(line, text, keep);
    line[keep] = 0;

    if (g_console.visible_count < message_lines) g_console.visible_count++;
    g_console.show_until = frame_clock + 2.0;
    return g_console.visible_count;
}

void console_clear(void)
{
    memset(&g_console, 0, sizeof g_console);
}

void console_expire(double now)
{
    if (now > g_console.show_until && g_console.visible_count > 0) {
        g_console.visible_count--;
        g_console.show_until = now + 5.0;
    }
}
