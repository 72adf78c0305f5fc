// The console page's input line: Enter runs it, Up and Down walk the lines entered before,
// page up and page down scroll the page back through the message ring.
#include "shell/main/console_commands.h"
#include "shell/main/console_internal.h"

#include <cstring>

#include "shell/globals.h"
#include "ui/menu.h"
#include "ui/widgets.h"

// Entry 0 is the line being edited; 1 .. count-1 the lines entered before, newest first.
static struct {
    char entries[CONSOLE_HISTORY_ENTRIES][CONSOLE_HISTORY_BYTES];
    int  count = 1;
    int  position;
} g_history;

console_history_view console_history(void) { return {g_history.entries, g_history.count, g_history.position}; }

void console_commands_reset(void)
{
    memset(g_history.entries, 0, sizeof g_history.entries);
    g_history.count = 1;
    g_history.position = 0;
    console_scroll = 0;
    console_chat_reset();
}

static int key_is(int key, int which) { return menu_buttons[which] != 0 && (std::uint32_t)key == menu_buttons[which]; }

static void copy_entry(char *to, const char *from)
{
    strncpy(to, from, CONSOLE_HISTORY_BYTES - 1);
    to[CONSOLE_HISTORY_BYTES - 1] = 0;
}

static void history_step(int direction)
{
    copy_entry(g_history.entries[g_history.position], console_input.buffer);
    int p = g_history.position + direction;
    if (p > g_history.count - 1) p = g_history.count - 1;
    if (p < 0) p = 0;
    g_history.position = p;
    widget_text_set(&console_input, g_history.entries[p]);
    console_input.caret = (int)strlen(console_input.buffer);
}

static void enter(void)
{
    if (!console_line(console_input.buffer)) return;
    copy_entry(g_history.entries[0], console_input.buffer);
    if (g_history.count < CONSOLE_HISTORY_ENTRIES) g_history.count++;
    memmove(g_history.entries[1], g_history.entries[0], (size_t)(g_history.count - 1) * CONSOLE_HISTORY_BYTES);
    g_history.entries[0][0] = 0;
    g_history.position = 0;
    widget_text_set(&console_input, "");
    console_input.caret = 0;
}

void console_input_key(int key)
{
    if (!console_input.buffer) return;
    if (key_is(key, MENU_ENTER) || key_is(key, MENU_KEYPAD_ENTER)) enter();
    else if (key_is(key, MENU_UP)) history_step(+1);
    else if (key_is(key, MENU_DOWN)) history_step(-1);
    else if (key_is(key, MENU_PAGE_UP))
        console_scroll = console_scroll < CONSOLE_SCROLL_MAX ? console_scroll + 1 : CONSOLE_SCROLL_MAX;
    else if (key_is(key, MENU_PAGE_DOWN)) console_scroll = console_scroll > 0 ? console_scroll - 1 : 0;
    else widget_text_key(&console_input, key);
}
