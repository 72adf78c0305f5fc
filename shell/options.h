// shell/options.h — the command line: "--name value" or "--name=value" options that override
// "@config", "--" to end them, and one bare argument naming a demo to play.
#pragma once
#include "shell/globals.h"   // shell_options, render_options

struct arg_cursor {
    int          left;     // arguments not yet taken
    char *const *next;
    int          ended;    // "--" was seen
};

// 1 when the argument at the cursor is that option (then consumed); for a value option *value
// points into the argument vector, or is null when the option was the last argument.
int arg_match(arg_cursor *cursor, const char *name, const char **value);

// Parses argv[1..argc-1] into o, the render options r and the settings the options override.
// Start-up has derived r from "@config" already, so an option wins. Returns -1 when start-up
// goes on, otherwise the exit code: 1 after an error (its message on standard error), 0 after
// "--open-home" (*open_home set; the folder is not opened here).
int options_parse(int argc, char *const *argv, shell_options *o, render_options *r, int *open_home);

// Start-up's call: g_options and g_render. 0 goes on, 1 after a bad option, 2 after the home
// folder was opened for "--open-home" (the program then ends with 0).
int parse_options(int argc, char **argv);
