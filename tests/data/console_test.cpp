#include <gtest/gtest.h>
#include "data/console.h"
#include "data_fixture.h"
#include <string>

namespace {
struct ConsoleRing : testing::Test {
    void SetUp() override
    {
        console_clear();
        message_lines = 5;
        frame_clock = 0;
    }
    void TearDown() override { SetUp(); }
};
} // namespace

TEST_F(ConsoleRing, StoresCutLinesAndLogsWholeText)
{
    std::string long_text = "long:" + std::string(295, 'x');
    struct Case {
        std::string text, stored, logged;
    } cases[] = {
        {long_text, long_text.substr(0, 127), long_text + "\n"},
        {"ends in newline\n", "ends in newline\n", "ends in newline\n"},
        {"\033[31mred\033[0m alert", "\033[31mred\033[0m alert", "\033[31mred\033[0m alert\033[0m\n"},
        {"\033[32mgreen line\n", "\033[32mgreen line\n", "\033[32mgreen line\n\033[0m"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.substr(0, 20));
        int line = g_console.write_index;
        console_print(c.text.c_str());
        EXPECT_EQ(std::string(g_console.lines[line]), c.stored);
        EXPECT_NE(test_log_text().find("] " + c.logged), std::string::npos);
    }
}

TEST_F(ConsoleRing, WrapsAfterAThousandLines)
{
    char text[32];
    for (int i = 1; i <= 1001; ++i) {
        snprintf(text, sizeof text, "message %d", i);
        console_print(text);
    }
    EXPECT_EQ(g_console.write_index, 1);
    EXPECT_STREQ(g_console.lines[0], "message 1001");
    EXPECT_STREQ(g_console.lines[1], "message 2");
    EXPECT_STREQ(g_console.lines[999], "message 1000");
}

TEST_F(ConsoleRing, VisibleLinesExpire)
{
    frame_clock = 10;
    for (int i = 0; i < 6; ++i) console_print("burst");
    EXPECT_EQ(g_console.visible_count, 5);

    // Whole for 2 s after the last message, then one line every 5 s.
    struct Step { double now; int visible; } steps[] = {
        {11.9, 5}, {12.0, 5}, {12.1, 4}, {17.0, 4}, {17.2, 3}, {22.3, 2}, {27.4, 1}, {32.5, 0}, {99, 0},
    };
    for (const Step &s : steps) {
        console_expire(s.now);
        EXPECT_EQ(g_console.visible_count, s.visible) << "at " << s.now;
    }

    message_lines = 0;
    EXPECT_EQ(console_print("logged, never shown"), 0);
}
