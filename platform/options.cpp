// Platform options from the environment string KUBL_OPTIONS, read once at the first query.
#include "platform/options.h"
#include "platform/log.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>

struct options_state {
    int         read;
    const char *text;    // the environment's own string, or "" when unset
};

static options_state g_options;

// Finds "[name:" in the options text and returns what follows the colon, or null.
static const char *option_value(const char *name)
{
    if (!g_options.read) {
        const char *env = getenv("KUBL_OPTIONS");
        g_options.text = env ? env : "";
        g_options.read = 1;
    }
    char key[64];
    snprintf(key, sizeof key, "[%.60s:", name);
    const char *at = strstr(g_options.text, key);
    return at ? at + strlen(key) : nullptr;
}

int kubl_option_bool(const char *name, int default_value)
{
    const char *value = option_value(name);
    if (!value) return default_value;
    if (!strncmp(value, "yes]", 4) || !strncmp(value, "on]", 3)) return 1;
    if (!strncmp(value, "no]", 3) || !strncmp(value, "off]", 4)) return 0;
    kubl_log_printf("unrecognized setting for %s\n", name);
    return default_value;
}

int kubl_option_int(const char *name, int default_value)
{
    const char *value = option_value(name);
    if (!value) return default_value;
    char *end;
    long number = strtol(value, &end, 10);
    if (end == value) {
        kubl_log_printf("unrecognized setting for %s\n", name);
        return default_value;
    }
    if (number > 0x7FFFFFFFL) number = 0x7FFFFFFFL;
    if (number < -0x7FFFFFFFL - 1) number = -0x7FFFFFFFL - 1;
    return (int)number;
}

void kubl_options_reset(void)
{
    g_options.read = 0;
    g_options.text = nullptr;
}
