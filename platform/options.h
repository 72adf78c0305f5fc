// platform/options.h — named switches and numbers read from KUBL_OPTIONS ("[name:value]" items).
//
// Items may stand anywhere in the text, e.g. "[sound-rate:44100][dsnd:off]". Booleans take
// yes/on/no/off; numbers are decimal with an optional sign, and whatever follows the digits is
// ignored. A value that is neither logs "unrecognized setting for <name>" and gives the default.
#pragma once

int kubl_option_bool(const char *name, int default_value);
int kubl_option_int(const char *name, int default_value);

// Forgets the options text, so the next query reads KUBL_OPTIONS again (tests set it more than
// once in one process).
void kubl_options_reset(void);
