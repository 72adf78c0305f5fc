// shell/main/console_commands.h — the console page's input line: chat for the race server, and
// the slash commands for what has no menu (HUD toggles, setup files, the track info file, sending
// a file, camera keyframes, a few diagnostics). Every result is one console message.
//
// A line starting with '/' or '\' is a command; the names are tried in a fixed order by plain
// comparison. Three kinds of match:
//   exact   the text after the slash is the name and nothing else ("togglefps x" is no match)
//   prefix  the text begins with the name; the rest is the argument ("pipeline": pipe, "ne")
//   word    after leading blanks, the name and then a blank or the end
#pragma once

struct bike;

enum {
    CONSOLE_HISTORY_ENTRIES = 100,   // entry 0 is the line being edited
    CONSOLE_HISTORY_BYTES = 120,
    CONSOLE_SCROLL_MAX = 950,        // 1000 ring lines, 50 shown
    NET_KIND_CHAT = 19,
    NET_KIND_SENDFILE = 24,
    CONSOLE_NAME_BYTES = 1024,
};

// Runs one line: 1 handled (the input line is then cleared and kept in the history), 0 refused
// or not recognised (the input line stays). Handled lines go into the demo being recorded.
int  console_line(const char *line);
// The console page's key handler: Enter runs the line, Up and Down walk the history, page up
// and page down scroll the page back through the ring; other keys edit the line.
void console_input_key(int key);

void cmd_savetrackinfo(void);
void cmd_sendfile(const char *line);   // line: "sendfile" and the name after it

// What the commands reach of the network client, the demo recorder, the viewed bike and the
// setup; tests put recorders here.
struct net_msg_node;
struct console_ops {
    net_msg_node *(*msg_new)(void);              // a reliable message, header written
    int         (*demo_recording)(void);
    int         (*time_trial)(void);
    void        (*demo_packet)(int type, const void *payload, int length);
    void        (*demo_name)(const char *name);   // the name the recording is kept under
    const char *(*engine_class)(bike *b);
    int         (*apply_setup)(bike *b);
};
extern const console_ops console_default_ops;
void console_use_ops(const console_ops *ops);   // null restores the game's own

// The history and the chat timer, for the tests.
struct console_history_view {
    const char (*entries)[CONSOLE_HISTORY_BYTES];
    int count;      // 1..100
    int position;   // 0..count-1
};
console_history_view console_history(void);
void console_commands_reset(void);   // empty history, scroll 0, chat timer 0
