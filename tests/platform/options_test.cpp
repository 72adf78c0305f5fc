#include <gtest/gtest.h>
#include "log_capture.h"
#include "platform/options.h"
#include <string>

TEST(PlatformOptions, ReadsItemsAnywhereInTheText)
{
    struct Case {
        const char *options;   // null: variable unset
        const char *name;
        bool is_bool;
        int default_value, want;
        bool logs_unrecognized;
    };
    const std::string long_name(70, 'q');
    const std::string long_item = "[" + long_name.substr(0, 60) + ":on]";
    const Case cases[] = {
        {"[sound-rate:44100][dsnd:off]", "sound-rate", false, 22050, 44100, false},
        {"[sound-rate:44100][dsnd:off]", "dsnd", true, 1, 0, false},
        {"junk [dsnd:yes] more", "dsnd", true, 0, 1, false},
        {"[dsnd:no]", "dsnd", true, 1, 0, false},
        {"[dsnd:on]", "dsnd", true, 0, 1, false},
        {"[dsnd:maybe]", "dsnd", true, 1, 1, true},
        {"[dsnd:on", "dsnd", true, 0, 0, true},           // no closing bracket
        {"[sound-rate:x]", "sound-rate", false, 22050, 22050, true},
        {"[sound-rate:44100Hz]", "sound-rate", false, 22050, 44100, false},
        {"[sound-rate:-5]", "sound-rate", false, 22050, -5, false},
        {"[sound-rate:99999999999]", "sound-rate", false, 1, 0x7FFFFFFF, false},
        {"[dsnd:off]", "waveout", true, 1, 1, false},
        {"", "dsnd", true, 1, 1, false},
        {nullptr, "sound-channels", false, 16, 16, false},
        {"[xdsnd:off]", "dsnd", true, 1, 1, false},      // only the exact item counts
        {long_item.c_str(), long_name.c_str(), true, 0, 1, false},   // looked up by its first 60
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.options ? c.options : "(unset)") + " / " + c.name);
        LogCapture log("options");
        if (c.options) setenv("KUBL_OPTIONS", c.options, 1);
        else unsetenv("KUBL_OPTIONS");
        kubl_options_reset();
        int got = c.is_bool ? kubl_option_bool(c.name, c.default_value) : kubl_option_int(c.name, c.default_value);
        EXPECT_EQ(got, c.want);
        EXPECT_EQ(log.has(std::string("unrecognized setting for ") + c.name + "\n"), c.logs_unrecognized);
    }
    unsetenv("KUBL_OPTIONS");
    kubl_options_reset();
}

TEST(PlatformOptions, TextIsReadOnceUntilReset)
{
    setenv("KUBL_OPTIONS", "[sound-rate:11025]", 1);
    kubl_options_reset();
    EXPECT_EQ(kubl_option_int("sound-rate", 0), 11025);
    setenv("KUBL_OPTIONS", "[sound-rate:8000]", 1);
    EXPECT_EQ(kubl_option_int("sound-rate", 0), 11025);
    kubl_options_reset();
    EXPECT_EQ(kubl_option_int("sound-rate", 0), 8000);
    unsetenv("KUBL_OPTIONS");
    kubl_options_reset();
}
