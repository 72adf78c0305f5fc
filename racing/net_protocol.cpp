// The datagram writers and the texts inside datagrams.
#include "racing/net_protocol.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "data/ripemd160.h"

void net_put_u32(unsigned char *p, uint32_t v)
{
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
    p[2] = (unsigned char)(v >> 16);
    p[3] = (unsigned char)(v >> 24);
}

uint32_t net_get_u32(const unsigned char *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

static void header(unsigned char *out, int type, uint32_t slot, uint32_t connection)
{
    out[0] = (unsigned char)type;
    net_put_u32(out + 1, slot);
    net_put_u32(out + 5, connection);
}

int net_write_connect(unsigned char *out, int password_set, uint32_t nonce)
{
    memset(out, 0, NET_CONNECT_BYTES);
    out[1] = password_set ? 1 : 0;
    net_put_u32(out + 9, NET_CLIENT_VERSION);
    net_put_u32(out + 13, nonce);
    return NET_CONNECT_BYTES;
}

int net_write_client_info(unsigned char *out, uint32_t slot, uint32_t connection, const unsigned char proof[4],
                          uint32_t nonce, const char *text, int length)
{
    memset(out, 0, NET_CLIENT_INFO_HEAD);
    header(out, NET_CLIENT_INFO, slot, connection);
    memcpy(out + 9, proof, 4);
    net_put_u32(out + 17, nonce);
    if (length > NET_RIDER_INFO_MAX) length = NET_RIDER_INFO_MAX;
    if (length < 0) length = 0;
    memcpy(out + NET_CLIENT_INFO_HEAD, text, (size_t)length);
    return NET_CLIENT_INFO_HEAD + length;
}

int net_write_race(unsigned char *out, int type, uint32_t slot, uint32_t connection, uint32_t race)
{
    header(out, type, slot, connection);
    net_put_u32(out + 9, race);
    return NET_RACE_BYTES;
}

int net_write_bike_ack(unsigned char *out, uint32_t slot, uint32_t connection, uint32_t race, uint32_t last_slot)
{
    net_write_race(out, NET_BIKE_ACK, slot, connection, race);
    net_put_u32(out + 13, last_slot);
    return NET_BIKE_ACK_BYTES;
}

int net_write_state(unsigned char *out, uint32_t slot, uint32_t connection, uint32_t race, uint32_t server_tick,
                    uint32_t local_tick, const unsigned char frame[NET_FRAME_BYTES])
{
    net_write_race(out, NET_STATES, slot, connection, race);
    net_put_u32(out + 13, server_tick);
    net_put_u32(out + 17, local_tick);
    memcpy(out + 21, frame, NET_FRAME_BYTES);
    return NET_STATE_BYTES;
}

int net_write_disconnect(unsigned char *out, uint32_t slot, uint32_t connection)
{
    header(out, NET_DISCONNECT, slot, connection);
    return NET_DISCONNECT_BYTES;
}

int net_write_ack(unsigned char *out, uint32_t slot, uint32_t connection, uint32_t sequence)
{
    return net_write_race(out, NET_ACK, slot, connection, sequence);
}

void net_password_proof(const char *password, uint32_t connection, unsigned char out[4])
{
    memset(out, 0, 4);
    if (!password || !password[0]) return;
    unsigned char id[4];
    net_put_u32(id, connection);
    ripemd160_ctx ctx;
    ripemd160_init(&ctx);
    ripemd160_update(&ctx, password, strlen(password));
    ripemd160_update(&ctx, id, 4);
    ripemd160_final(&ctx);
    for (int i = 0; i < 4; ++i) out[i] = ctx.digest[3 - i];
}

int rider_info_write(char *out, int limit, const char *const fields[RIDER_FIELDS])
{
    if (limit <= 0) return 0;
    const char *f[RIDER_FIELDS];
    size_t sum = 0;
    for (int i = 0; i < RIDER_FIELDS; ++i) {
        f[i] = fields[i] ? fields[i] : "";
        sum += strlen(f[i]);
    }
    int n;
    if (sum + 6 < (size_t)limit)
        n = snprintf(out, (size_t)limit, "%s|%s|%s|%s|%s\n%s\n%s", f[RIDER_BIKE], f[RIDER_BODY], f[RIDER_GRAPHICS],
                     f[RIDER_WHEELS], f[RIDER_HELMET], f[RIDER_NUMBER], f[RIDER_NAME]);
    else
        n = snprintf(out, (size_t)limit, "%s\n%s\n%s", f[RIDER_BIKE], f[RIDER_NUMBER], f[RIDER_NAME]);
    return n < 0 ? 0 : n >= limit ? limit - 1 : n;
}

static void take(char *field, const char *from, size_t length)
{
    if (length >= RIDER_FIELD_BYTES) length = RIDER_FIELD_BYTES - 1;
    memcpy(field, from, length);
    field[length] = 0;
}

void rider_info_split(const char *text, char fields[RIDER_FIELDS][RIDER_FIELD_BYTES], int present[RIDER_FIELDS])
{
    for (int i = 0; i < RIDER_FIELDS; ++i) present[i] = 0;
    const char *line_end = strchr(text, '\n');
    const size_t bike_line = line_end ? (size_t)(line_end - text) : strlen(text);
    // The bike line: model|body|graphics|wheels|helmet, each up to the next '|'.
    const char *p = text, *end = text + bike_line;
    for (int i = RIDER_BIKE; i <= RIDER_HELMET; ++i) {
        const char *bar = (const char *)memchr(p, '|', (size_t)(end - p));
        const char *stop = bar ? bar : end;
        take(fields[i], p, (size_t)(stop - p));
        present[i] = 1;
        if (!bar) break;
        p = bar + 1;
    }
    if (!line_end) return;
    p = line_end + 1;
    for (int i = RIDER_NUMBER; i <= RIDER_NAME; ++i) {
        const char *nl = strchr(p, '\n');
        const size_t length = nl ? (size_t)(nl - p) : strlen(p);
        take(fields[i], p, i == RIDER_NUMBER && length > 3 ? 3 : length);
        present[i] = 1;
        if (!nl) return;
        p = nl + 1;
    }
}

void race_format_line(char *out, int size, uint32_t time_limit_ticks, uint32_t laps)
{
    const int minutes = (int)(time_limit_ticks * (1.0 / 128) / 60 + 0.5);
    if (time_limit_ticks > 0 && laps > 0) snprintf(out, (size_t)size, "%d minutes + %d laps\n", minutes, (int)laps);
    else if (time_limit_ticks > 0) snprintf(out, (size_t)size, "%d minutes\n", minutes);
    else snprintf(out, (size_t)size, "%d laps\n", (int)laps);
}

int knockout_parse(const char *text, int rules[16])
{
    if (strncmp(text, "knockout", 8) != 0 || (text[8] != 0 && text[8] != ' ')) return 0;
    const char *p = text + 8;
    long previous = 0;
    for (int i = 0; i < 16; ++i) {
        char *end = (char *)p;
        long v = p ? strtol(p, &end, 10) : 0;
        if (!p || end == p) {
            v = previous;
            p = nullptr;   // a missing number ends the list: the rest repeat
        } else {
            p = end;
        }
        if (v < 0) v = 0;
        if (v > 460800) v = 460800;
        rules[i] = (int)v;
        previous = v;
    }
    return 1;
}

// The length of a well-formed UTF-8 sequence at p (overlong forms and surrogates refused), or 0.
static int utf8_length(const unsigned char *p)
{
    const unsigned c = p[0];
    int n;
    unsigned low = 0x80, high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) n = 2;
    else if (c >= 0xE0 && c <= 0xEF) n = 3, low = c == 0xE0 ? 0xA0 : 0x80, high = c == 0xED ? 0x9F : 0xBF;
    else if (c >= 0xF0 && c <= 0xF4) n = 4, low = c == 0xF0 ? 0x90 : 0x80, high = c == 0xF4 ? 0x8F : 0xBF;
    else return 0;
    if (p[1] < low || p[1] > high) return 0;
    for (int i = 2; i < n; ++i)
        if (p[i] < 0x80 || p[i] > 0xBF) return 0;
    return n;
}

void net_escape_text(char *out, int size, const char *text)
{
    if (size <= 0) return;
    const unsigned char *p = (const unsigned char *)text;
    size_t end = strlen(text);
    if (end && p[end - 1] == '\n') --end;   // the line's own end is no forged line
    int n = 0;
    for (size_t i = 0; i < end;) {
        int run = p[i] >= 0x80 ? utf8_length(p + i) : (p[i] >= 0x20 && p[i] != 0x7F);
        if (run == 2 && p[i] == 0xC2 && p[i + 1] < 0xA0) run = 0;   // U+0080-U+009F: terminals obey those too
        if (run > 0) {
            if (n + run >= size) break;
            memcpy(out + n, p + i, (size_t)run);
            n += run;
            i += (size_t)run;
        } else {
            if (n + 4 >= size) break;
            snprintf(out + n, 5, "\\x%02x", p[i]);
            n += 4;
            ++i;
        }
    }
    out[n] = 0;
}
