// The widget toolkit without a window: the 4:3 layout's pixel mapping, hit tests, type-ahead in
// choice lists, slider keys and clicks, and text editing.
#include <gtest/gtest.h>
#include <cmath>
#include <string>
#include "menu_keys.h"
#include "ui/widgets.h"

namespace {

// The view's half-extents as the projection sets them for a window (fov 90: tan = 1).
void half_extents(int width, int height, float *W, float *H)
{
    double aspect = (double)width / height;
    if (aspect > 1.3333333333333333) {
        *H = 0.75f;
        *W = (float)(0.75 * aspect);
    } else {
        *W = 1;
        *H = (float)(1.0 * height / width);
    }
}

TEST(WidgetLayout, FourByThreeAreaLandsOnTheWindowPixels)
{
    struct Case {
        const char *name;
        int width, height;
        bool wide_branch;
        float origin_px_x, origin_px_y;   // the 4:3 area's top-left corner in pixels
        float area_px_w, area_px_h;
    };
    const Case cases[] = {
        {"4:3", 640, 480, false, 0, 0, 640, 480},
        {"16:9", 1280, 720, true, 160, 0, 960, 720},
        {"5:4", 1280, 1024, false, 0, 32, 1280, 960},
    };
    const float h = 32, x = 2, y = -3;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        float W, H;
        half_extents(c.width, c.height, &W, &H);
        layout_fit f = layout_fit_4x3(W, H, h, x, y, c.width, c.height);
        EXPECT_EQ(f.translate_x == -W, !c.wide_branch);
        EXPECT_LT(f.scale.y, 0);
        // The pen tracks the layout origin moved by (x, y): its pixel is that point of the area.
        float unit = c.area_px_h / h;
        EXPECT_NEAR(f.pen.x * f.scale.x, c.origin_px_x + x * unit, 0.01);
        EXPECT_NEAR(f.pen.y * f.scale.y, c.origin_px_y - y * unit, 0.01);
        EXPECT_NEAR(f.scale.x, unit, 1e-4);
        // The transform agrees: layout point (x, y) in view units, then in window pixels.
        float vx = f.translate_x + f.s * x, vy = f.translate_y + f.s * y;
        EXPECT_NEAR((vx + W) / (2 * W) * c.width, f.pen.x * f.scale.x, 0.01);
        EXPECT_NEAR((H - vy) / (2 * H) * c.height, f.pen.y * f.scale.y, 0.01);
        // The whole area is h units high and 4h/3 wide.
        EXPECT_NEAR(h * f.scale.x * 4 / 3, c.area_px_w, 0.01);
    }
}

TEST(WidgetLayout, RectanglesTruncateAndEdgesAreOutside)
{
    widget_rect r;
    widget_write_rect(&r, layout_pen{1.5f, -2}, layout_scale{10.3f, -10.3f}, 4);
    EXPECT_EQ(r.x0, 15);
    EXPECT_EQ(r.y0, 10);
    EXPECT_EQ(r.x1, 56);
    EXPECT_EQ(r.y1, 20);

    widget_rect a{0, 0, 10, 10}, b{20, 0, 30, 10};
    const widget_rect *list[] = {&a, &b, nullptr};
    const widget_rect *empty[] = {nullptr};
    struct Case { int x, y, want; } cases[] = {
        {5, 5, 0}, {25, 5, 1}, {10, 5, -1}, {20, 5, -1}, {5, 0, -1}, {5, 10, -1}, {15, 5, -1},
    };
    for (const Case &c : cases) {
        mouse_x = c.x;
        mouse_y = c.y;
        EXPECT_EQ(widget_hit_index(list), c.want) << c.x << "," << c.y;
        EXPECT_EQ(widget_hit_index(empty), -1);
    }
    widget_rect cleared;
    widget_rect_clear(&cleared);
    mouse_x = mouse_y = -1;
    EXPECT_FALSE(mouse_in_rect(&cleared));
}

const char *const tracks[] = {"Rabbit Hill", "Ridgeback MX", "Ridgeback Practice", "Sandpit"};

TEST(WidgetChoice, TypeAheadFindsItemsAndTakesBackMisses)
{
    MenuKeys keys;
    struct Case {
        const char *typed;   // characters in order; '\b' backspace, '\t' tab
        int start, want_index;
        const char *want_buffer;
    };
    const Case cases[] = {
        {"p", 0, 2, "p"},            // first item holding a "p" from the current one on
        {"P", 3, 3, "P"},            // without regard to case; the current item counts
        {"prac", 3, 2, "prac"},      // wraps round to find it
        {"z", 1, 1, ""},             // no item holds it: taken off again, index kept
        {"rz", 0, 0, "r"},
        {"ridge\b", 0, 1, ""},       // backspace only empties the text
        {"\t", 0, 1, ""},            // tab alone steps to the next item
        {"back\t", 1, 2, "back"},    // tab steps on, then searches
        {"back\t\t", 1, 1, "back"},  // and wraps
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed);
        menu_choice choice{"Track", tracks, 4, c.start, {}};
        typeahead_owner = nullptr;
        for (const char *p = c.typed; *p; ++p) widget_choice_key(&choice, (unsigned char)*p);
        EXPECT_EQ(choice.current, c.want_index);
        EXPECT_STREQ(typeahead_buffer, c.want_buffer);
    }
}

TEST(WidgetChoice, SteppingKeysWrapAndEmptyTheText)
{
    MenuKeys keys;
    struct Case { int key; int start, want; bool mouse_inside; } cases[] = {
        {K_ENTER, 3, 0, false}, {K_KEYPAD_ENTER, 0, 1, false}, {' ', 1, 2, false}, {K_RIGHT, 2, 3, false},
        {K_LEFT, 0, 3, false},  {K_CLICK, 0, 1, true},         {K_CLICK, 0, 0, false}, {K_UP, 2, 2, false},
    };
    for (const Case &c : cases) {
        menu_choice choice{"Track", tracks, 4, c.start, {100, 100, 200, 120}};
        typeahead_owner = &choice;
        strcpy(typeahead_buffer, "i");
        mouse_x = c.mouse_inside ? 150 : 250;
        mouse_y = 110;
        widget_choice_key(&choice, c.key);
        EXPECT_EQ(choice.current, c.want) << c.key;
        EXPECT_STREQ(typeahead_buffer, c.want != c.start || c.key == K_LEFT ? "" : "i") << c.key;
    }
    // Another list taking a key starts its own text.
    menu_choice a{"A", tracks, 4, 0, {}}, b{"B", tracks, 4, 0, {}};
    widget_choice_key(&a, 's');
    EXPECT_STREQ(typeahead_buffer, "s");
    widget_choice_key(&b, K_UP);
    EXPECT_EQ(typeahead_owner, &b);
    EXPECT_STREQ(typeahead_buffer, "");
}

TEST(WidgetChoice, TypedTextIsCappedAndShownInRed)
{
    std::string long_item(300, 'a');
    const char *items[] = {long_item.c_str(), "Ridgeback Practice"};
    menu_choice choice{"Long", items, 2, 0, {}};
    typeahead_owner = nullptr;
    for (int i = 0; i < 300; ++i) widget_choice_key(&choice, 'a');
    EXPECT_EQ(strlen(typeahead_buffer), 255u);

    char shown[WIDGET_SHOWN_MAX];
    choice.current = 1;
    typeahead_owner = nullptr;
    widget_choice_key(&choice, 'C');
    widget_choice_shown_text(&choice, shown);
    EXPECT_STREQ(shown, "Ridgeback Practi\033[31mC\033[0me");   // the last occurrence, as typed

    std::string huge(2000, 'x');
    const char *big[] = {huge.c_str()};
    menu_choice cut{"Cut", big, 1, 0, {}};
    widget_choice_shown_text(&cut, shown);
    EXPECT_EQ(strlen(shown), 1023u);
}

TEST(WidgetSlider, KeysClicksAndDrags)
{
    MenuKeys keys;
    struct Case {
        const char *name;
        int key, mouse;
        double value, want;
        int bar_start, bar_end;
        double minimum, maximum;
    };
    const Case cases[] = {
        {"middle of the bar", K_CLICK, 350, 5, 25, 100, 600, 0, 50},
        {"drag", 16, 350, 5, 25, 100, 600, 0, 50},
        {"10 px left of the bar", K_CLICK, 90, 5, 0, 100, 600, 0, 50},
        {"15 px left of the bar", K_CLICK, 85, 5, 0, 100, 600, 0, 50},
        {"16 px left of the bar", K_CLICK, 84, 5, 5, 100, 600, 0, 50},
        {"near the end", K_CLICK, 599, 5, 50, 100, 600, 0, 50},
        {"on the rectangle's edge", K_CLICK, 0, 5, 5, 10, 600, 0, 50},
        {"a key that is no click", K_ENTER, 350, 5, 5, 100, 600, 0, 50},
        {"left", K_LEFT, 350, 5, 4, 100, 600, 0, 50},
        {"left at the minimum", K_LEFT, 350, 0, 0, 100, 600, 0, 50},
        {"right at the maximum", K_RIGHT, 350, 50, 50, 100, 600, 0, 50},
        {"zero-width bar", K_CLICK, 100, 5, 5, 100, 100, 0, 50},
        {"empty range", K_CLICK, 350, 7, 7, 100, 600, 7, 7},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        menu_slider s{"Laps", c.value, 1, c.minimum, c.maximum, {0, 0, 600, 20}, c.bar_start, c.bar_end};
        mouse_x = c.mouse;
        mouse_y = 10;
        widget_slider_key(&s, c.key);
        EXPECT_EQ(s.value, c.want);
    }
    // Values are kept in single precision.
    menu_slider fine{"Height", 0, 0.1, 0, 1, {}, 0, 0};
    widget_slider_key(&fine, K_RIGHT);
    EXPECT_EQ(fine.value, (double)0.1f);
}

TEST(WidgetSlider, ReservedValueWidthAndFill)
{
    char text[64];
    menu_slider small{"Laps", 25, 1, 0, 50, {}, 0, 0}, big{"Roost", 0, 1, 0, 2000, {}, 0, 0};
    EXPECT_STREQ(widget_slider_reserve_text(&small, text, sizeof text), "1000.00");
    EXPECT_STREQ(widget_slider_reserve_text(&big, text, sizeof text), "2000.00");
    EXPECT_DOUBLE_EQ(widget_slider_fraction(&small), 0.5);
    menu_slider flat{"Flat", 3, 1, 3, 3, {}, 0, 0};
    EXPECT_EQ(widget_slider_fraction(&flat), 0);
}

TEST(WidgetTextField, InsertOverwriteAndEdits)
{
    MenuKeys keys;
    struct Case {
        const char *name, *text;
        int caret, insert_mode, key;
        const char *want;
        int want_caret;
    };
    const Case cases[] = {
        {"insert", "abc", 1, 1, 'X', "aXbc", 2},
        {"overwrite", "abc", 1, 0, 'X', "aXc", 2},
        {"overwrite at the end", "abc", 3, 0, 'X', "abcX", 4},
        {"insert into a full field", "abcde", 2, 1, 'X', "abXcd", 3},
        {"full field, insert at the end", "abcde", 5, 1, 'X', "abcde", 5},
        {"full field, overwrite at the end", "abcde", 5, 0, 'X', "abcde", 5},
        {"space", "ab", 2, 1, ' ', "ab ", 3},
        {"backspace", "abc", 2, 1, 8, "ac", 1},
        {"backspace at the start", "abc", 0, 1, 8, "abc", 0},
        {"delete", "abc", 1, 1, 127, "ac", 1},
        {"delete at the end", "abc", 3, 1, 127, "abc", 3},
        {"left", "abc", 1, 1, K_LEFT, "abc", 0},
        {"left at the start", "abc", 0, 1, K_LEFT, "abc", 0},
        {"right at the end", "abc", 3, 1, K_RIGHT, "abc", 3},
        {"not printable", "abc", 1, 1, 200, "abc", 1},
        {"a key code", "abc", 1, 1, K_UP, "abc", 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        char buffer[6];
        menu_text_field f{"Name", 5, buffer, 0, c.insert_mode, {}};
        widget_text_set(&f, c.text);
        f.caret = c.caret;
        widget_text_key(&f, c.key);
        EXPECT_STREQ(buffer, c.want);
        EXPECT_EQ(f.caret, c.want_caret);
        EXPECT_EQ(buffer[5], 0);
    }
}

}   // namespace
