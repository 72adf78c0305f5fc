#include "console_fixture.h"
#include "shell/globals.h"
#include "ui/menu.h"
#include <cstring>

// The console page's keys as start-up resolves them.
struct ConsoleInput : ConsoleTest {
    std::uint32_t saved[MENU_BUTTON_COUNT];
    enum { ENTER = 0x101C, KEYPAD_ENTER = 0x111C, UP = 0x1148, DOWN = 0x1150, PAGE_UP = 0x1149, PAGE_DOWN = 0x1151 };
    void SetUp() override
    {
        ConsoleTest::SetUp();
        memcpy(saved, menu_buttons, sizeof saved);
        menu_buttons[MENU_ENTER] = ENTER;
        menu_buttons[MENU_KEYPAD_ENTER] = KEYPAD_ENTER;
        menu_buttons[MENU_UP] = UP;
        menu_buttons[MENU_DOWN] = DOWN;
        menu_buttons[MENU_PAGE_UP] = PAGE_UP;
        menu_buttons[MENU_PAGE_DOWN] = PAGE_DOWN;
        type_over("");
    }
    void TearDown() override
    {
        memcpy(menu_buttons, saved, sizeof saved);
        type_over("");
        ConsoleTest::TearDown();
    }
    void type_over(const char *text)
    {
        widget_text_set(&console_input, text);
        console_input.caret = (int)strlen(text);
    }
    std::string shown() { return console_input.buffer; }
};

TEST_F(ConsoleInput, TypingAndEnter)
{
    for (const char *c = "/bbopt 3"; *c; ++c) console_input_key(*c);
    EXPECT_EQ(shown(), "/bbopt 3");
    console_input_key(KEYPAD_ENTER);
    EXPECT_EQ(g_config.billboard_optimize_lookahead, 3);
    EXPECT_EQ(shown(), "");
    EXPECT_EQ(console_input.caret, 0);
    EXPECT_EQ(console_history().count, 2);
    EXPECT_STREQ(console_history().entries[1], "/bbopt 3");

    // A line not handled stays where it is and out of the history.
    type_over("/togglefps x");
    console_input_key(ENTER);
    EXPECT_EQ(shown(), "/togglefps x");
    EXPECT_EQ(console_history().count, 2);
}

TEST_F(ConsoleInput, HistoryKeepsTheLast99Lines)
{
    for (int i = 0; i < 150; ++i) {
        type_over(("/bbopt " + std::to_string(i)).c_str());
        console_input_key(ENTER);
    }
    EXPECT_EQ(console_history().count, 100);
    type_over("draft");
    console_input_key(UP);
    EXPECT_EQ(shown(), "/bbopt 149");
    EXPECT_EQ(console_input.caret, 10);
    for (int i = 0; i < 200; ++i) console_input_key(UP);
    EXPECT_EQ(shown(), "/bbopt 51");
    EXPECT_EQ(console_history().position, 99);
    // An entry edited on the way is kept when walking on.
    type_over("/bbopt 51 edited");
    console_input_key(DOWN);
    console_input_key(UP);
    EXPECT_EQ(shown(), "/bbopt 51 edited");
    for (int i = 0; i < 200; ++i) console_input_key(DOWN);
    EXPECT_EQ(shown(), "draft");
    EXPECT_EQ(console_history().position, 0);
}

TEST_F(ConsoleInput, Scroll)
{
    for (int i = 0; i < 1000; ++i) console_input_key(PAGE_UP);
    EXPECT_EQ(console_scroll, 950);
    console_input_key(PAGE_DOWN);
    EXPECT_EQ(console_scroll, 949);
    for (int i = 0; i < 1000; ++i) console_input_key(PAGE_DOWN);
    EXPECT_EQ(console_scroll, 0);
}
