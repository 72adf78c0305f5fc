// data_scanf: the game's own scanf over a data stream. It reads one byte at a time and peeks only
// through the stream's single pushed-back byte, so plain files, archive members and gzip data all
// read alike. Text files come from players, so every count is bounded: widths are capped, the
// exponent stops growing at 5000 and integers wrap in 32 bits instead of overflowing.
#include "data/stream.h"
#include "platform/log.h"
#include <cfloat>
#include <cmath>
#include <cstdint>

static const int default_width = 1000000;
static const int exponent_cap  = 5000;
static const int significant_max = 40;

static int is_space(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

static void push_back(data_stream *s, int c)
{
    if (c >= 0) s->pushed_back = c;
}

static int skip_space(data_stream *s)
{
    int c;
    do c = data_getc(s); while (is_space(c));
    push_back(s, c);
    return c;
}

// Bytes handed out since the stream opened: the pushed-back byte was counted when first taken.
static std::uint32_t consumed(const data_stream *s) { return s->position - (s->pushed_back >= 0 ? 1 : 0); }

static int digit_value(int c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

int data_scan_integer(data_stream *s, va_list *args, int base, int width, int flags)
{
    int c = data_getc(s);
    if (c < 0) return -1;
    int negative = 0;
    if (c == '+' || c == '-') {
        negative = c == '-';
        if (--width <= 0) return 0;
        c = data_getc(s);
    }
    std::uint32_t value = 0;
    int digits = 0;
    if (base == 0) {
        base = 10;
        if (c == '0') {
            digits = 1;
            base = 8;
            if (--width <= 0) goto done;
            c = data_getc(s);
            if (c == 'x' || c == 'X') {
                // "0x" is a prefix here, so a hexadecimal digit must follow it
                base = 16;
                digits = 0;
                if (--width <= 0) return 0;
                c = data_getc(s);
            }
        }
    }
    while (c >= 0 && digit_value(c) < base) {
        value = value * (std::uint32_t)base + (std::uint32_t)digit_value(c);
        digits++;
        if (--width <= 0) { c = -1; break; }
        c = data_getc(s);
    }
    push_back(s, c);
done:
    if (!digits) return 0;
    if (negative) value = 0u - value;
    if (!(flags & DATA_SCAN_SUPPRESS)) {
        if (flags & DATA_SCAN_SHORT) *va_arg(*args, std::int16_t *) = (std::int16_t)(std::uint16_t)value;
        else                         *va_arg(*args, std::int32_t *) = (std::int32_t)value;
    }
    return 1;
}

// 10^|exponent| from the binary digits of the exponent; beyond 10^4932 it is infinite, which
// the caller turns into overflow or zero.
static long double power_of_ten(int exponent)
{
    static const long double powers[12] = {1e1L, 1e2L, 1e4L, 1e8L, 1e16L, 1e32L, 1e64L, 1e128L,
                                           1e256L, 1e512L, 1e1024L, 1e2048L};
    long double p = 1;
    for (int i = 0; i < 12; ++i)
        if (exponent & (1 << i)) p *= powers[i];
    for (int rest = exponent >> 12; rest > 0; --rest) p *= 1e4096L;
    return p;
}

// Narrowing an out-of-range long double is undefined in C++; IEEE would give infinity.
static float to_float(long double v)
{
    if (v > FLT_MAX) return HUGE_VALF;
    if (v < -FLT_MAX) return -HUGE_VALF;
    return (float)v;
}

static double to_double(long double v)
{
    if (v > DBL_MAX) return HUGE_VAL;
    if (v < -DBL_MAX) return -HUGE_VAL;
    return (double)v;
}

int data_scan_real(data_stream *s, va_list *args, int width, int flags)
{
    int c = data_getc(s);
    if (c < 0) return -1;
    int negative = 0;
    if (c == '+' || c == '-') {
        negative = c == '-';
        if (--width <= 0) return 0;
        c = data_getc(s);
    }
    // Digits past the first significant_max ones cannot change a float, a double or a long
    // double; kept in the mantissa, a few thousand of them make it infinite and the scaling NaN.
    // So they only move the decimal exponent.
    long double mantissa = 0;
    int matched = 0, point = 0, exponent = 0, significant = 0;
    for (; c >= 0; c = data_getc(s)) {
        if (c >= '0' && c <= '9') {
            if (significant < significant_max) {
                mantissa = mantissa * 10 + (c - '0');
                if (point) exponent--;
                if (mantissa != 0) significant++;
            } else if (!point) {
                exponent++;
            }
        } else if (c == '.' && !point) {
            point = 1;
        } else {
            break;
        }
        matched = 1;
        if (--width <= 0) { c = -1; break; }
    }
    if (matched && (c == 'e' || c == 'E')) {
        int exp_negative = 0, exp_value = 0;
        c = width-- > 1 ? data_getc(s) : -1;
        if ((c == '+' || c == '-') && width > 0) {
            exp_negative = c == '-';
            c = width-- > 1 ? data_getc(s) : -1;
        }
        while (c >= '0' && c <= '9' && width > 0) {
            exp_value = exp_value * 10 + (c - '0');
            if (exp_value > exponent_cap) exp_value = exponent_cap;
            c = width-- > 1 ? data_getc(s) : -1;
        }
        exponent += exp_negative ? -exp_value : exp_value;
    }
    push_back(s, c);
    if (!matched) return 0;
    // Past 10^16384 the power is infinite either way; the cap only keeps the loop short.
    if (exponent > 16384) exponent = 16384;
    if (exponent < -16384) exponent = -16384;
    long double value = mantissa;
    if (value != 0) value = exponent < 0 ? value / power_of_ten(-exponent) : value * power_of_ten(exponent);
    if (negative) value = -value;
    if (!(flags & DATA_SCAN_SUPPRESS)) {
        if (flags & DATA_SCAN_EXTENDED)    *va_arg(*args, long double *) = value;
        else if (flags & DATA_SCAN_DOUBLE) *va_arg(*args, double *) = to_double(value);
        else                               *va_arg(*args, float *) = to_float(value);
    }
    return 1;
}

// Parses the set after '[' into member[256]; returns the format position after the closing ']',
// or null when the set is not closed.
static const char *parse_set(const char *f, unsigned char member[256])
{
    int negate = 0;
    if (*f == '^') { negate = 1; f++; }
    for (int i = 0; i < 256; ++i) member[i] = 0;
    const char *first = f;
    for (; *f; ++f) {
        unsigned char c = (unsigned char)*f;
        if (c == ']' && f != first) break;
        if (c == '-' && f != first && f[1] && f[1] != ']') {
            unsigned char lo = (unsigned char)f[-1], hi = (unsigned char)f[1];
            for (int k = lo; k <= hi; ++k) member[k] = 1;
            member[(unsigned char)'-'] |= lo > hi;   // a backward range names its three bytes
            ++f;
            member[hi] = 1;
            continue;
        }
        member[c] = 1;
    }
    if (!*f) return nullptr;
    if (negate)
        for (int i = 0; i < 256; ++i) member[i] = !member[i];
    return f + 1;
}

int data_scanf(data_stream *s, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    const std::uint32_t start = consumed(s);
    int count = 0;
    const char *f = format;
    // A byte that ends the input before a conversion starts: -1 when nothing was stored yet.
#define END_OF_INPUT() do { va_end(args); return count ? count : -1; } while (0)
#define FINISH(result) do { va_end(args); return (result); } while (0)
    while (*f) {
        unsigned char fc = (unsigned char)*f;
        if (is_space(fc)) {
            skip_space(s);
            f++;
            continue;
        }
        if (fc != '%' || f[1] == '%') {
            int c = data_getc(s);
            if (c != fc) { push_back(s, c); FINISH(-1); }
            f += fc == '%' ? 2 : 1;
            continue;
        }
        f++;
        int flags = 0, width = 0, longs = 0;
        if (*f == '*') { flags |= DATA_SCAN_SUPPRESS; f++; }
        while (*f >= '0' && *f <= '9') {
            width = width * 10 + (*f - '0');
            if (width > default_width) width = default_width;
            f++;
        }
        for (;; f++) {
            if (*f == 'h') flags |= DATA_SCAN_SHORT;
            else if (*f == 'l') longs++;
            else if (*f == 'L' || *f == 'q') longs = 2;
            else break;
        }
        if (longs == 1) flags |= DATA_SCAN_DOUBLE;
        if (longs >= 2) flags |= DATA_SCAN_EXTENDED;
        const int stores = !(flags & DATA_SCAN_SUPPRESS);
        const char letter = *f ? *f++ : 0;
        int result;
        switch (letter) {
        case 'd': case 'i': case 'o': case 'x': case 'X': {
            if (skip_space(s) < 0) END_OF_INPUT();
            int base = letter == 'd' ? 10 : letter == 'i' ? 0 : letter == 'o' ? 8 : 16;
            result = data_scan_integer(s, &args, base, width ? width : default_width, flags);
            break;
        }
        case 'f':
            if (skip_space(s) < 0) END_OF_INPUT();
            result = data_scan_real(s, &args, width ? width : default_width, flags);
            break;
        case 's': case '[': {
            unsigned char member[256];
            if (letter == '[') {
                f = parse_set(f, member);
                if (!f) {
                    kubl_log_printf("data_scanf: unclosed set in \"%.100s\"\n", format);
                    FINISH(count);
                }
            } else {
                for (int i = 0; i < 256; ++i) member[i] = !is_space(i);
            }
            if (stores && !width) {
                kubl_log_printf("data_scanf: %%%c needs a width in \"%.100s\"\n", letter, format);
                FINISH(count);
            }
            if (letter == 's') skip_space(s);
            int c = data_getc(s);
            if (c < 0) END_OF_INPUT();
            char *out = stores ? va_arg(args, char *) : nullptr;
            int n = 0, limit = width ? width : default_width;
            while (c >= 0 && member[c]) {
                if (out) out[n] = (char)c;
                if (++n >= limit) { c = -1; break; }
                c = data_getc(s);
            }
            push_back(s, c);
            if (!n) FINISH(count);
            if (out) out[n] = 0;
            result = 1;
            break;
        }
        case 'c': {
            int c = data_getc(s);
            if (c < 0) END_OF_INPUT();
            char *out = stores ? va_arg(args, char *) : nullptr;
            int limit = width ? width : 1, n = 0;
            for (;;) {
                if (out) out[n] = (char)c;
                if (++n >= limit) break;
                c = data_getc(s);
                if (c < 0) FINISH(count);   // short of the width: no match
            }
            result = 1;
            break;
        }
        case 'n':
            if (stores) {
                std::uint32_t n = consumed(s) - start;
                if (flags & DATA_SCAN_SHORT) *va_arg(args, std::int16_t *) = (std::int16_t)(std::uint16_t)n;
                else                         *va_arg(args, std::int32_t *) = (std::int32_t)n;
            }
            continue;
        default:
            FINISH(count);   // unknown conversion letter, or the format ended inside one
        }
        if (result < 0) END_OF_INPUT();
        if (result == 0) FINISH(count);
        if (stores) count++;
    }
#undef END_OF_INPUT
#undef FINISH
    va_end(args);
    return count;
}
