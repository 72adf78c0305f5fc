#include <gtest/gtest.h>
#include "data/stream.h"
#include "fixtures/fixtures.h"
#include <cstring>
#include <string>

namespace {

// A stream over the given bytes, through a real file as every loader reads.
struct text_stream {
    data_stream *s = nullptr;
    explicit text_stream(const std::string &bytes)
    {
        static std::string dir = fixture_temp_dir("scanf");
        std::string path = dir + "input";
        fixture_write_file(path, bytes);
        s = data_open(path.c_str(), "rb");
    }
    ~text_stream() { data_close(s); }
};

const unsigned char fill = '~';

union slot {
    float         f;
    double        d;
    long double   e;
    std::int32_t  i;
    std::int16_t  h;
    char          text[2048];
};

bool untouched(const slot &v, size_t bytes)
{
    for (size_t k = 0; k < bytes; ++k)
        if ((unsigned char)v.text[k] != fill) return false;
    return true;
}

// Prints the slots the way the kinds string says: f float, F double, E long double, d int,
// h short, s zero-terminated text, c bytes up to the fill; "-" for a slot nothing was stored in.
std::string describe(const slot *slots, const char *kinds)
{
    std::string out;
    char buf[128];
    for (int k = 0; kinds[k]; ++k) {
        const slot &v = slots[k];
        switch (kinds[k]) {
        case 'f': untouched(v, sizeof v.f) ? (void)strcpy(buf, "-") : (void)snprintf(buf, sizeof buf, "%.9g", v.f); break;
        case 'F': untouched(v, sizeof v.d) ? (void)strcpy(buf, "-") : (void)snprintf(buf, sizeof buf, "%.17g", v.d); break;
        case 'E': untouched(v, 10) ? (void)strcpy(buf, "-") : (void)snprintf(buf, sizeof buf, "%.21Lg", v.e); break;
        case 'd': untouched(v, sizeof v.i) ? (void)strcpy(buf, "-") : (void)snprintf(buf, sizeof buf, "%d", v.i); break;
        case 'h': untouched(v, sizeof v.h) ? (void)strcpy(buf, "-") : (void)snprintf(buf, sizeof buf, "%d", v.h); break;
        case 's':
            if (untouched(v, 1)) strcpy(buf, "-");
            else if (!memchr(v.text, 0, 100)) strcpy(buf, "<unterminated>");
            else snprintf(buf, sizeof buf, "%s", v.text);
            break;
        case 'c': {
            size_t n = 0;
            while (n < 100 && (unsigned char)v.text[n] != fill) n++;
            if (n == 0) strcpy(buf, "-");
            else snprintf(buf, sizeof buf, "%.*s", (int)n, v.text);
            break;
        }
        }
        if (k) out += ' ';
        out += buf;
    }
    return out;
}

} // namespace

TEST(DataScanf, Conversions)
{
    struct Case {
        const char *input, *format, *kinds;
        int want_count;
        const char *want_stored;
        int want_next;   // the byte the next read sees, -1 for the end
    };
    const Case cases[] = {
        // vectors in brackets, the track object pattern
        {"[1.5 -2 3] 4 5\n", " [ %f %f %f ] %f %f ", "fffff", 5, "1.5 -2 3 4 5", -1},
        {"[1 2 3 4] 5 6", " [ %f %f %f ] %f %f ", "fffff", -1, "1 2 3 - -", '4'},
        {"y12", "x%d", "d", -1, "-", 'y'},
        {"1;2", "%d,%d", "dd", -1, "1 -", ';'},
        {"%5", "%%%d", "d", 1, "5", -1},
        {"x", "%%", "", -1, "", 'x'},
        // integers
        {"  -12x", "%d", "d", 1, "-12", 'x'},
        {"x", "%d", "d", 0, "-", 'x'},
        {"", "%d", "d", -1, "-", -1},
        {"   ", "%d", "d", -1, "-", -1},
        {"-", "%d", "d", 0, "-", -1},
        {"5", "%d %d", "dd", 1, "5 -", -1},
        {"0x1F", "%i", "d", 1, "31", -1},
        {"0X1f", "%i", "d", 1, "31", -1},
        {"017", "%i", "d", 1, "15", -1},
        {"-0x10 ", "%i", "d", 1, "-16", ' '},
        {"0", "%i", "d", 1, "0", -1},
        {"08", "%i", "d", 1, "0", '8'},
        {"0xg", "%i", "d", 0, "-", 'g'},
        {"0x1F", "%x", "d", 1, "0", 'x'},
        {"fF", "%X", "d", 1, "255", -1},
        {"178", "%o", "d", 1, "15", '8'},
        {"4294967297", "%d", "d", 1, "1", -1},          // wraps in 32 bits
        {"-2147483648", "%ld", "d", 1, "-2147483648", -1},
        {"70000", "%hd", "h", 1, "4464", -1},
        {"12345", "%3d", "d", 1, "123", '4'},
        {"-12", "%2d", "d", 1, "-1", '2'},
        {"5 6", "%*d %d", "d", 1, "6", -1},
        {"1 2 3", "%d %y %d", "dd", 1, "1 -", '2'},
        {"1.5 2 3 4 5 6 7", "%f %f %f %f %f %d %d", "fffffdd", 7, "1.5 2 3 4 5 6 7", -1},
        // reals
        {"1.5e3", "%f", "f", 1, "1500", -1},
        {"-.25", "%f", "f", 1, "-0.25", -1},
        {"2ex", "%f", "f", 1, "2", 'x'},
        {"2e-x", "%f", "f", 1, "2", 'x'},
        {".", "%f", "f", 1, "0", -1},
        {"-x", "%f", "f", 0, "-", 'x'},
        {"e5", "%f", "f", 0, "-", 'e'},
        {"1.2.3", "%f", "f", 1, "1.20000005", '.'},
        {"+7E+2", "%f", "f", 1, "700", -1},
        {"0.1", "%lf", "F", 1, "0.10000000000000001", -1},
        {"0.1", "%Lf", "E", 1, "0.100000000000000000001", -1},
        {"0.1", "%llf", "E", 1, "0.100000000000000000001", -1},
        {"1e99999999999999999999", "%f", "f", 1, "inf", -1},   // exponent capped while read
        {"-1e400", "%lf", "F", 1, "-inf", -1},
        {"1e-99999", "%f", "f", 1, "0", -1},
        {"123.456", "%4f", "f", 1, "123", '4'},
        // strings, bytes and sets
        {"42 name rest", "%d %1023s", "ds", 2, "42 name", ' '},
        {"abcdefgh", "%5s", "s", 1, "abcde", 'f'},
        {"  ", "%5s", "s", -1, "-", -1},
        {"abc", "%s", "s", 0, "-", 'a'},                  // a stored %s needs a width
        {"abc def", "%*s %3s", "s", 1, "def", -1},
        {" abcd", "%3c", "c", 1, " ab", 'c'},
        {"ab", "%3c", "c", 0, "ab", -1},
        {"", "%c", "c", -1, "-", -1},
        {"# a comment\nnext", " %1[#]%*[^\n]", "s", 1, "#", '\n'},
        {"#\n", " %1[#]%*[^\n]", "s", 1, "#", '\n'},
        {"12 3\n", " %1[#]%*[^\n]", "s", 0, "-", '1'},
        {"]]ab", "%9[]a]", "s", 1, "]]a", 'b'},
        {"ab-c", "%9[^-x]", "s", 1, "ab", '-'},
        {"a-a-b", "%9[a-]", "s", 1, "a-a-", 'b'},
        {"cab1", "%9[a-c]", "s", 1, "cab", '1'},
        {"abc", "%9[x]", "s", 0, "-", 'a'},
        {"abc", "%9[abc", "s", 0, "-", 'a'},                // unclosed set
        {"abc", "%9[a]", "s", 1, "a", 'b'},
        // %n counts bytes consumed, is not counted itself
        {"123 x", "%d%n", "dd", 1, "123 3", ' '},
        {"  7 ", "%d %hn", "dh", 1, "7 4", -1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string("input \"") + c.input + "\" format \"" + c.format + "\"");
        text_stream in(c.input);
        ASSERT_NE(in.s, nullptr);
        slot slots[7];
        memset(slots, fill, sizeof slots);
        int got = data_scanf(in.s, c.format, &slots[0], &slots[1], &slots[2], &slots[3], &slots[4],
                             &slots[5], &slots[6]);
        EXPECT_EQ(got, c.want_count);
        EXPECT_EQ(describe(slots, c.kinds), c.want_stored);
        EXPECT_EQ(data_getc(in.s), c.want_next);
    }
}

TEST(DataScanf, LongWordSplitsAtWidth)
{
    std::string word(1500, 'w');
    word[1023] = 'X';
    text_stream in(word + " tail");
    ASSERT_NE(in.s, nullptr);
    static char first[1024], second[1024];
    first[1023] = 'z';
    ASSERT_EQ(data_scanf(in.s, "%1023s", first), 1);
    EXPECT_EQ(strlen(first), 1023u);
    ASSERT_EQ(data_scanf(in.s, "%1023s", second), 1);
    EXPECT_EQ(std::string(second), "X" + std::string(476, 'w'));
    EXPECT_EQ(data_scanf(in.s, "%1023s", first), 1);
    EXPECT_STREQ(first, "tail");
    EXPECT_EQ(data_scanf(in.s, "%1023s", first), -1);
}

TEST(DataScanf, ReadsLineAfterLine)
{
    // the way loaders walk a file: comments skipped, records read until one does not parse
    text_stream in("# header\n1 2.5 name\n# note\n3 4 other\nend\n");
    ASSERT_NE(in.s, nullptr);
    int ids[2];
    float values[2];
    char names[2][64];
    int records = 0;
    for (;;) {
        char hash[2];
        if (data_scanf(in.s, " %1[#]%*[^\n]", hash) == 1) continue;
        if (data_scanf(in.s, "%d %f %63s", &ids[records], &values[records], names[records]) != 3) break;
        if (++records == 2) break;
    }
    ASSERT_EQ(records, 2);
    EXPECT_EQ(ids[0], 1);
    EXPECT_FLOAT_EQ(values[0], 2.5f);
    EXPECT_STREQ(names[0], "name");
    EXPECT_EQ(ids[1], 3);
    EXPECT_STREQ(names[1], "other");
}

// Numbers of thousands of digits are still numbers: every text gives a finite value, an
// infinity or zero, and short numbers read exactly as before.
TEST(DataScanf, LongNumbersNeverGiveNaN)
{
    const std::string nines(5000, '9'), zeros(5000, '0');
    struct Case { std::string input; const char *format, *kinds, *want; };
    const Case cases[] = {
        {nines + "e-5000", "%f", "f", "1"},
        {nines + "e-5000", "%lf", "F", "1"},
        {"1" + zeros + "." + zeros, "%f", "f", "inf"},
        {"-1" + zeros + "." + zeros, "%Lf", "E", "-inf"},
        {"0." + zeros + "1", "%f", "f", "0"},
        {"0." + zeros + nines, "%lf", "F", "0"},
        {nines + "." + nines + "e-4990", "%lf", "F", "10000000000"},
        {"1." + std::string(60, '0') + "1e1", "%f", "f", "10"},
        {"1234567890123456789012345678901234567890123456e-20", "%f", "f", "1.23456795e+25"},
        {"0.000000000000000000000000000000000000000000000000012", "%lf", "F", "1.2e-50"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.input.substr(0, 40) + "... (" + std::to_string(c.input.size()) + " bytes) " + c.format);
        text_stream in(c.input);
        ASSERT_NE(in.s, nullptr);
        slot v;
        memset(&v, fill, sizeof v);
        EXPECT_EQ(data_scanf(in.s, c.format, &v), 1);
        EXPECT_EQ(describe(&v, c.kinds), c.want);
        EXPECT_EQ(data_getc(in.s), -1);
    }
}
