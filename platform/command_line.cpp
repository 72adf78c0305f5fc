// platform/command_line.cpp — the command line's values; shell_options_reset gives the defaults.
#include "platform/command_line.h"

shell_options g_options;
