// Demo playback: the head read into the playback table, then packets fed into the state history
// a little ahead of the race. Demo files come from other players: every count, tick, length
// and name in them is checked before it is used.
#include "racing/demo_play.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "racing/race.h"
#include "racing/net_protocol.h"
#include "racing/race_state.h"
#include "racing/state_history.h"
#include "data/console.h"
#include "data/util.h"
#include "platform/log.h"
#include "shell/globals.h"
#include "platform/array.h"
#include "shell/lists.h"
#include "terrain/erosion.h"
#include "shell/track_list.h"
#include "terrain/track_load.h"

demo_playback g_play;
static char g_chosen[512];   // the demo chosen on the command line or in the menu
// More laps than any race runs (the menus give 50, a series a few hundred): the gate counts of
// the race stay well inside an int.
static const int laps_max = 1000;

void demo_play_set_name(const char *name)
{
    snprintf(g_chosen, sizeof g_chosen, "%s", name ? name : "");
}

int  demo_playing(void) { return g_play.in != nullptr; }
int  demo_play_format(void) { return g_play.in ? g_play.version : 0; }
int  demo_play_rider_count(void) { return g_play.in ? g_play.rider_count : 0; }
const char *demo_play_track(void) { return g_play.track; }

const char *demo_current_model_name(const char *name)
{
    static const char *const renamed[][2] = {{"crf250", "crf250(2008)"}, {"kx250f", "kx250f(2008)"},
                                             {"rmz250", "rmz250(2008)"}, {"yz250f", "yz250f(2008)"}};
    for (const auto &r : renamed)
        if (name && !strcmp(name, r[0])) return r[1];
    return name;
}

static void entries_clear(void)
{
    for (demo_rider &r : g_play.riders) r = demo_rider{}, r.slot = -1;
    g_play.rider_count = 0;
    g_play.track = nullptr;
}

void demo_play_close(void)
{
    if (g_play.in) data_close(g_play.in);
    g_play.in = nullptr;
    g_play.rider_count = 0;
    g_play.packet_position = g_play.head_end = 0;
}

void demo_play_map(int ordinal, int slot)
{
    if (ordinal >= 0 && ordinal < DEMO_RIDERS_MAX) g_play.riders[ordinal].slot = slot;
}

// Bytes a stream holds from its start: a plain file's size or an archive member's length;
// unknown (the most there could be) for gzip data, which is read to its end instead.
static std::int64_t stream_size(data_stream *s)
{
    if (s->compressed || !s->file) return INT64_MAX;
    const off_t here = ftello(s->file);
    if (here < 0 || fseeko(s->file, 0, SEEK_END)) return INT64_MAX;
    const off_t end = ftello(s->file);
    fseeko(s->file, here, SEEK_SET);
    const std::int64_t size = (std::int64_t)end - s->member_offset;
    return size < (std::int64_t)s->length ? size : (std::int64_t)s->length;
}

// One head line, which must end in its newline; the newline is taken off.
static int line_read(data_stream *s, char *buffer, int size)
{
    if (!data_gets(s, buffer, size)) return 0;
    const std::size_t n = strlen(buffer);
    if (n == 0 || buffer[n - 1] != '\n') return 0;
    buffer[n - 1] = 0;
    return 1;
}

static void copy_text(char *out, std::size_t size, const char *text, std::size_t n)
{
    if (n >= size) n = size - 1;
    memcpy(out, text, n);
    out[n] = 0;
}

// "model|rider|bike|wheel|helmet": missing fields stay empty.
static void rider_line_split(demo_rider *r, const char *line)
{
    char *fields[5] = {r->model, r->textures[0], r->textures[1], r->textures[2], r->textures[3]};
    const std::size_t sizes[5] = {sizeof r->model, sizeof r->textures[0], sizeof r->textures[1],
                                  sizeof r->textures[2], sizeof r->textures[3]};
    const char *p = line;
    for (int k = 0; k < 5; ++k) {
        const std::size_t n = strcspn(p, "|");
        copy_text(fields[k], sizes[k], p, n);
        if (!p[n]) break;
        p += n + 1;
    }
}

static int head_read(data_stream *s)
{
    char line[1024];
    int version = 0, riders = 0, limit = 0, laps = 0, start = (int)(14 / tick);
    if (!line_read(s, line, sizeof line)) return 0;
    const int got = sscanf(line, "RL%d %d %d %d %d", &version, &riders, &limit, &laps, &start);
    if (got < 3 || version < 4 || version > 6) return 0;
    // The playback tables hold 160 riders; negative times would run the race backwards, and
    // ticks beyond the stamps a demo can carry (or laps beyond any race) overflow the race's sums.
    if (riders < 0 || riders > DEMO_RIDERS_MAX || limit < 0 || laps < 0 || start < 0) return 0;
    if (limit > DEMO_TICK_MAX || start > DEMO_TICK_MAX || laps > laps_max) return 0;
    if (!line_read(s, line, sizeof line)) return 0;
    const int listed = track_list_find(line);
    if (listed < 0) {
        kubl_log_printf("The demo's track %.200s is not installed\n", line);
        return 0;
    }
    g_play.track = track_list_folder(listed);
    for (int k = 0; k < riders; ++k) {
        demo_rider &r = g_play.riders[k];
        if (!line_read(s, line, sizeof line)) return 0;
        rider_line_split(&r, line);
        if (!line_read(s, line, sizeof line)) return 0;
        copy_text(r.number, sizeof r.number, line, strlen(line));
        if (version < 6) continue;
        if (!line_read(s, line, sizeof line)) return 0;
        copy_text(r.name, sizeof r.name, line, strlen(line));
        do
            if (!line_read(s, line, sizeof line)) return 0;
        while (line[0]);
    }
    g_play.version = version;
    g_play.rider_count = riders;
    race_time_limit = limit;
    if (got >= 4) {
        race_laps_chosen = laps;
        race_laps = limit > 0 ? 1000000 : laps;
    }
    race_start_tick = start;
    return 1;
}

int demo_play_open(void)
{
    demo_play_close();
    entries_clear();
    char name[600];
    // The time trial's ghost is always the track's fastest lap.
    if (time_trial) snprintf(name, sizeof name, "@%s/fastlap.rldemo", track_name ? track_name : "");
    else if (g_chosen[0]) snprintf(name, sizeof name, "%s", g_chosen);
    else snprintf(name, sizeof name, "@demos/default.rldemo");
    data_stream *s = data_open(name, "rb");
    if (!s) {
        // The ghost is missing until a lap is done; a chosen demo that is not there (or is a
        // folder) is worth telling.
        if (!time_trial) {
            char message[300];
            snprintf(message, sizeof message, "Can't play %.200s: no such file", name);
            console_print(message);
        }
        return 0;
    }
    if (!head_read(s)) {
        // Tell the player why nothing plays: a damaged or foreign file otherwise just leaves the menu.
        char message[300];
        snprintf(message, sizeof message, "Can't play %.200s: not a demo this game reads", name);
        console_print(message);   // into the log as well
        data_close(s);
        entries_clear();
        return 0;
    }
    g_play.in = s;
    g_play.data_end = stream_size(s);
    g_play.head_end = g_play.packet_position = s->position;
    g_play.previous_length = 0;
    g_play.first_tick = -1;
    g_play.time_offset = 0;
    g_play.next_tick = 1;
    g_play.old_started = 0;
    g_play.erosion_applied = -1;
    return 1;
}

static std::uint32_t get_u32(const std::uint8_t *p)
{
    return (std::uint32_t)p[0] | (std::uint32_t)p[1] << 8 | (std::uint32_t)p[2] << 16 | (std::uint32_t)p[3] << 24;
}

static int tick_valid(std::int32_t t) { return t >= 0 && t <= DEMO_TICK_MAX; }

// Puts the stream at the offset: a seek where the stream can, else reading forward (gzip data).
int demo_stream_to(std::int64_t offset)
{
    data_stream *s = g_play.in;
    if (offset < 0 || offset > 0xFFFFFFFFll) return 0;
    if ((std::int64_t)s->position == offset && s->pushed_back < 0) return 1;
    if (!s->compressed) return data_seek(s, (std::uint32_t)offset);
    if ((std::int64_t)s->position > offset) return 0;
    std::uint8_t drop[1024];
    while ((std::int64_t)s->position < offset) {
        const std::int64_t left = offset - s->position;
        const int n = left < (std::int64_t)sizeof drop ? (int)left : (int)sizeof drop;
        if (data_read(s, drop, n) < n) return 0;
    }
    return 1;
}

// Reads up to 1023 bytes of a payload as text; 1 when it was read whole.
static int payload_text(data_stream *s, std::uint32_t length, char *text)
{
    const int want = length < 1023 ? (int)length : 1023;
    const int got = data_read(s, text, want);
    text[got > 0 ? got : 0] = 0;
    return got == want && length <= 1023;
}

static void states_read(data_stream *s, std::uint32_t length)
{
    if (length % DEMO_RECORD_BYTES) return;
    std::uint8_t record[DEMO_RECORD_BYTES];
    for (std::uint32_t n = length / DEMO_RECORD_BYTES; n > 0; --n) {
        if (data_read(s, record, sizeof record) < (int)sizeof record) return;
        const int ordinal = record[0];
        const std::int32_t t = (std::int32_t)get_u32(record + 1);
        if (ordinal >= g_play.rider_count || !tick_valid(t)) continue;
        const int slot = g_play.riders[ordinal].slot;
        const std::int64_t at = t + g_play.time_offset;
        if (slot >= 0 && at >= 0 && at <= INT32_MAX) add_state_to_history(slot, record + 5, (int)at);
    }
}

static void packet_apply(data_stream *s, int type, std::uint32_t length, std::int32_t t)
{
    char text[1024];
    if (type == DEMO_STATES) {
        if (g_play.first_tick < 0 && length % DEMO_RECORD_BYTES == 0) {
            g_play.first_tick = t;
            // The ghost of the time trial runs from now; a watched race takes the demo's clock.
            if (time_trial) g_play.time_offset = tick_count - t;
            else tick_count = t;
        }
        states_read(s, length);
    } else if (type == DEMO_TEXT) {
        // A recorded chat line is a peer's text: shown escaped, as it was when it arrived.
        char escaped[4 * sizeof text + 1];
        payload_text(s, length, text);
        net_escape_text(escaped, sizeof escaped, text);
        console_print(escaped);
    } else if (type == DEMO_ERODE_LEVEL) {
        int level;
        if (payload_text(s, length, text) && sscanf(text, "erode %d", &level) == 1)
            erode_level = level > DEMO_ERODE_MAX ? DEMO_ERODE_MAX : level;
    } else if (type == DEMO_ERODE) {
        // Applied once: a rewound demo does not dig its ruts again.
        std::uint8_t bytes[1024];
        const int want = length < 1023 ? (int)length : 1023;
        if (length <= 1023 && data_read(s, bytes, want) == want && g_play.packet_position > g_play.erosion_applied) {
            erode_queue_push_packet(bytes, want);
            g_play.erosion_applied = g_play.packet_position;
        }
    }
}

static void packets_play(void)
{
    data_stream *s = g_play.in;
    for (int n = 0; n < DEMO_PACKETS_PER_TICK && g_play.next_tick <= (std::int64_t)tick_count + DEMO_LOOKAHEAD_TICKS; ++n) {
        const std::int64_t at = g_play.packet_position;
        std::uint8_t head[DEMO_PACKET_HEAD_BYTES];
        if (!demo_stream_to(at) || data_read(s, head, sizeof head) < (int)sizeof head) {
            demo_stream_to(at);   // the next call tries again from the packet's start
            return;
        }
        const std::uint32_t length = get_u32(head) ^ g_play.previous_length;
        const std::int32_t t = (std::int32_t)get_u32(head + 4);
        const std::int64_t end = at + DEMO_PACKET_HEAD_BYTES + (std::int64_t)length;
        // A length past the data is a damaged chain: nothing after it can be trusted.
        if (end > g_play.data_end || end > 0xFFFFFFFFll) {
            demo_stream_to(at);
            g_play.next_tick = INT64_MAX;
            return;
        }
        if (tick_valid(t)) packet_apply(s, head[8], length, t);
        if (!demo_stream_to(end)) {
            demo_stream_to(at);
            return;
        }
        g_play.previous_length = length;
        g_play.packet_position = end;
        if (g_play.first_tick >= 0 && tick_valid(t)) g_play.next_tick = (std::int64_t)t + g_play.time_offset;
    }
}

// Older demos: one frame per rider per tick, no packets.
static void frames_play(void)
{
    data_stream *s = g_play.in;
    const int size = g_play.version == 4 ? BIKE_FRAME_OLD_BYTES : BIKE_FRAME_BYTES;
    if (!g_play.old_started) {
        g_play.old_started = 1;
        g_play.next_tick = tick_count;
    }
    for (int n = 0; n < DEMO_PACKETS_PER_TICK && g_play.next_tick <= (std::int64_t)tick_count + DEMO_OLD_LOOKAHEAD_TICKS; ++n) {
        for (int k = 0; k < g_play.rider_count; ++k) {
            std::uint8_t frame[BIKE_FRAME_BYTES] = {};
            const int got = data_read(s, frame, size);
            demo_rider &r = g_play.riders[k];
            r.received = got == size ? 1.0f : 0.0f;
            const int slot = r.slot;
            if (got == size && slot >= 0 && slot < 160 && controller_kind[slot] == CONTROLLER_REMOTE)
                add_state_to_history(slot, frame, (int)g_play.next_tick);
        }
        ++g_play.next_tick;
    }
}

void demo_play_tick(void)
{
    if (!g_play.in) return;
    if (g_play.version == 6) packets_play();
    else frames_play();
}

// Only looks the game has: a texture name from a demo names a file to load.
static const char *texture_installed(const char *name, const char *prefix)
{
    if (!name[0]) return nullptr;
    growable_array paths = {}, names = {};
    list_variants_by_prefix(&paths, &names, prefix);
    const char *found = nullptr;
    for (int i = 1; i < paths.count && !found; ++i) {
        const char *path = ((const char *const *)paths.items)[i];
        if (path && !strcmp(path, name)) found = path;
    }
    growable_array_free(&paths);
    growable_array_free(&names);
    return found;
}

int demo_play_take_rider(int slot, const char **model, const char **number, const char *textures[4],
                         const char **name)
{
    if (!g_play.in) return 0;
    for (int k = 0; k < g_play.rider_count; ++k) {
        demo_rider &r = g_play.riders[k];
        if (r.slot >= 0) continue;
        r.slot = slot;
        *model = demo_current_model_name(r.model);
        *number = r.number;
        *name = r.name;
        char bike_prefix[160];
        bike_graphics_prefix(*model, bike_prefix, sizeof bike_prefix);
        // The file's order is rider, bike, wheel, helmet; bikes take rider, helmet, bike, wheel.
        textures[0] = texture_installed(r.textures[0], "rider_body-");
        textures[1] = texture_installed(r.textures[3], "rider_head-");
        textures[2] = texture_installed(r.textures[1], bike_prefix);
        textures[3] = texture_installed(r.textures[2], "wheels-");
        return 1;
    }
    return 0;
}
