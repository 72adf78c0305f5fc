// tests/ui/menu_keys.h — navigation key codes for the menu tests, installed in menu_buttons for
// the length of a test.
#pragma once
#include "shell/globals.h"
#include <cstring>

enum : int {
    K_UP = 0x1100, K_DOWN, K_LEFT, K_RIGHT, K_ENTER, K_KEYPAD_ENTER, K_ESC, K_PAUSE,
    K_PAGE_UP, K_PAGE_DOWN, K_CLOSE,
    K_CLICK = 0x2000, K_CURSOR_RIGHT = 0x2002,
};

struct MenuKeys {
    std::uint32_t saved[MENU_BUTTON_COUNT];
    MenuKeys()
    {
        memcpy(saved, menu_buttons, sizeof saved);
        const std::uint32_t codes[MENU_BUTTON_COUNT] = {
            K_UP, K_DOWN, K_LEFT, K_RIGHT, K_ENTER, K_KEYPAD_ENTER, K_ESC, K_PAUSE,
            K_CLICK, K_CURSOR_RIGHT, K_PAGE_UP, K_PAGE_DOWN, K_CLOSE};
        memcpy(menu_buttons, codes, sizeof codes);
    }
    ~MenuKeys() { memcpy(menu_buttons, saved, sizeof saved); }
};
