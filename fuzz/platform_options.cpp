// The KUBL_OPTIONS text: every platform option read from whatever the variable holds.
#include "platform/options.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string text((const char *)data, size);
    // putenv keeps our buffer (setenv would leave a copy behind on every run).
    static char variable[8192];
    snprintf(variable, sizeof variable, "KUBL_OPTIONS=%s", text.c_str());
    putenv(variable);
    kubl_options_reset();
    static const char *const bools[] = {"threaded", "dsnd", "waveout", "dinput", "dinputsticksonly"};
    static const char *const ints[] = {"sound-channels", "sound-rate", "sound-mixahead"};
    for (const char *name : bools) kubl_option_bool(name, 1);
    for (const char *name : ints) kubl_option_int(name, 7);
    // A name taken from the text itself, up to its first ':'.
    size_t colon = text.find(':');
    if (colon != std::string::npos && colon > 0 && text[0] == '[') {
        std::string name = text.substr(1, colon - 1);
        kubl_option_bool(name.c_str(), 0);
        kubl_option_int(name.c_str(), 0);
    }
    return 0;
}
