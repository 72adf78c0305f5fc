// platform/options.h — named switches and numbers read from KUBL_OPTIONS ("[name:value]" items).
#pragma once

int kubl_option_bool(const char *name, int default_value);
int kubl_option_int(const char *name, int default_value);
