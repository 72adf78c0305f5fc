// Key names: event codes to names and back. Keys are 0x1000 + scan code (set 1, + 0x100 for
// extended keys). Names come from three places, searched in this order: the four specials, the
// "system" key-name cache and the key-name table.
#include "platform/display_internal.h"
#include <cctype>
#include <cstdio>
#include <cstring>

struct key_name {
    unsigned short scan;
    const char *name;
};

// The vocabulary of key names. Letters carry the window system's own lower-case names, so a
// rebound key is written "q"; a lookup ignores case, so settings written "Q" still load. n and m
// follow the set-1 codes (0x31 is N, 0x32 is M), so a binding named "m" is the key marked M.
static const key_name key_name_table[] = {
    {0x01, "Esc"}, {0x0B, "0"}, {0x02, "1"}, {0x03, "2"}, {0x04, "3"}, {0x05, "4"}, {0x06, "5"},
    {0x07, "6"}, {0x08, "7"}, {0x09, "8"}, {0x0A, "9"},
    {0x1E, "a"}, {0x30, "b"}, {0x2E, "c"}, {0x20, "d"}, {0x12, "e"}, {0x21, "f"}, {0x22, "g"},
    {0x23, "h"}, {0x17, "i"}, {0x24, "j"}, {0x25, "k"}, {0x26, "l"}, {0x32, "m"}, {0x31, "n"},
    {0x18, "o"}, {0x19, "p"}, {0x10, "q"}, {0x13, "r"}, {0x1F, "s"}, {0x14, "t"}, {0x16, "u"},
    {0x2F, "v"}, {0x11, "w"}, {0x2D, "x"}, {0x15, "y"}, {0x2C, "z"},
    {0x0C, "-"}, {0x0D, "="}, {0x1A, "["}, {0x1B, "]"}, {0x27, ";"}, {0x28, "'"}, {0x29, "`"},
    {0x2B, "\\"}, {0x33, ","}, {0x34, "."}, {0x35, "/"},
    {0x0E, "Backspace"}, {0x0F, "Tab"}, {0x1C, "Enter"}, {0x1D, "Left Ctrl"}, {0x2A, "Left Shift"},
    {0x36, "Right Shift"}, {0x39, "Space"}, {0x39, " "}, {0x3A, "Caps Lock"}, {0x11D, "Right Ctrl"},
    {0x152, "Insert"}, {0x153, "Delete"}, {0x147, "Home"}, {0x14F, "End"}, {0x149, "Page Up"},
    {0x151, "Page Down"}, {0x148, "Up"}, {0x150, "Down"}, {0x14B, "Left"}, {0x14D, "Right"},
    {0x3B, "F1"}, {0x3C, "F2"}, {0x3D, "F3"}, {0x3E, "F4"}, {0x3F, "F5"}, {0x40, "F6"},
    {0x41, "F7"}, {0x42, "F8"}, {0x43, "F9"}, {0x44, "F10"}, {0x57, "F11"}, {0x58, "F12"},
    {0x45, "Pause"}, {0x145, "Num Lock"}, {0x135, "Keypad /"}, {0x37, "Keypad *"},
    {0x4A, "Keypad -"}, {0x47, "Keypad 7"}, {0x48, "Keypad 8"}, {0x49, "Keypad 9"},
    {0x4E, "Keypad +"}, {0x4B, "Keypad 4"}, {0x4C, "Keypad 5"}, {0x4D, "Keypad 6"},
    {0x4F, "Keypad 1"}, {0x50, "Keypad 2"}, {0x51, "Keypad 3"}, {0x11C, "Keypad Enter"},
    {0x52, "Keypad 0"}, {0x53, "Keypad ."},
};

// The names the system gives keys, fixed here so that "@config" text never depends on the
// machine: only keys the table above lacks, so the table's names stay the ones shown.
static const key_name k_system_key_names[] = {
    {0x38, "Alt"}, {0x138, "Right Alt"}, {0x15B, "Left Windows"}, {0x15C, "Right Windows"},
    {0x15D, "Application"}, {0x15E, "Power"}, {0x46, "Scroll Lock"}, {0x137, "Print Screen"},
    {0x54, "Sys Req"}, {0x56, "Key 102"}, {0x59, "Keypad ="},
    {0x64, "F13"}, {0x65, "F14"}, {0x66, "F15"}, {0x67, "F16"}, {0x68, "F17"}, {0x69, "F18"},
    {0x6A, "F19"}, {0x6B, "F20"}, {0x6C, "F21"}, {0x6D, "F22"}, {0x6E, "F23"}, {0x76, "F24"},
    {0x70, "Kana"}, {0x73, "Ro"}, {0x79, "Convert"}, {0x7B, "No Convert"}, {0x7D, "Yen"},
    {0x110, "Previous Track"}, {0x119, "Next Track"}, {0x120, "Mute"}, {0x122, "Play/Pause"},
    {0x124, "Stop"}, {0x12E, "Volume Down"}, {0x130, "Volume Up"},
};

struct special_name {
    std::uint32_t code;
    const char *name;
};

static const special_name k_specials[] = {
    {KUBL_CLOSE, "Close"},
    {KUBL_MOUSE_LEFT, "Mouse Left"},
    {KUBL_MOUSE_MIDDLE, "Mouse Middle"},
    {KUBL_MOUSE_RIGHT, "Mouse Right"},
};

static const unsigned KEY_INDEXES = 512;

struct key_cache {
    int         filled;
    const char *names[KEY_INDEXES];   // "" where the system has no name
};

static key_cache g_keys;

static void key_cache_fill(void)
{
    if (g_keys.filled) return;
    for (const char *&n : g_keys.names) n = "";
    for (const key_name &k : k_system_key_names) g_keys.names[k.scan] = k.name;
    g_keys.filled = 1;
}

int kubl_name_compare(const char *a, const char *b)
{
    for (;; ++a, ++b) {
        unsigned char ca = (unsigned char)*a, cb = (unsigned char)*b;
        if (isspace(ca) || ca == '_') ca = ' ';
        if (isspace(cb) || cb == '_') cb = ' ';
        ca = (unsigned char)tolower(ca);
        cb = (unsigned char)tolower(cb);
        if (ca != cb) return ca < cb ? -1 : 1;
        if (!ca) return 0;
    }
}

static int strict_equal(const char *a, const char *b)
{
    return strcmp(a, b) == 0;
}

static int loose_equal(const char *a, const char *b)
{
    return kubl_name_compare(a, b) == 0;
}

static int key_search(const char *name, std::uint32_t *code, int (*equal)(const char *, const char *))
{
    for (const special_name &s : k_specials)
        if (equal(s.name, name)) {
            *code = s.code;
            return 1;
        }
    for (unsigned i = 0; i < KEY_INDEXES; ++i)
        if (g_keys.names[i][0] && equal(g_keys.names[i], name)) {
            *code = KUBL_KEY_BASE + (std::uint32_t)i;
            return 1;
        }
    for (const key_name &k : key_name_table)
        if (equal(k.name, name)) {
            *code = KUBL_KEY_BASE + k.scan;
            return 1;
        }
    return 0;
}

int kubl_key_lookup(const char *name, std::uint32_t *code)
{
    if (!name || !code) return 0;
    key_cache_fill();
    if (key_search(name, code, strict_equal)) return 1;
    if (key_search(name, code, loose_equal)) return 1;
    // "0x" and hex digits, as bindings of unnamed keys are written; what follows is ignored.
    if (name[0] != '0' || name[1] != 'x' || !isxdigit((unsigned char)name[2])) return 0;
    unsigned value = 0;
    for (const char *p = name + 2; isxdigit((unsigned char)*p); ++p) {
        value = value * 16 + (unsigned)(isdigit((unsigned char)*p) ? *p - '0' : tolower(*p) - 'a' + 10);
        if (value >= KEY_INDEXES) return 0;
    }
    *code = KUBL_KEY_BASE + value;
    return 1;
}

// Name of a special or key code; null for other codes.
const char *kubl_key_code_name(std::uint32_t code)
{
    for (const special_name &s : k_specials)
        if (s.code == code) return kubl_intern(s.name);
    if (code < KUBL_KEY_BASE || code >= KUBL_KEY_BASE + KEY_INDEXES) return nullptr;
    key_cache_fill();
    unsigned index = code - KUBL_KEY_BASE;
    if (g_keys.names[index][0]) return kubl_intern(g_keys.names[index]);
    for (const key_name &k : key_name_table)
        if (k.scan == index) return kubl_intern(k.name);
    char text[16];
    snprintf(text, sizeof text, "0x%x", index);
    return kubl_intern(text);
}
