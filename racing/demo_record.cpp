// Demo recording: the head, then every 16 ticks one packet of the states sampled every 4 ticks
// into the riders' histories. Each packet is flushed, so a game that dies leaves a playable demo.
#include "racing/demo.h"

#include <cstdio>
#include <cstring>

#include "racing/race.h"
#include "racing/race_state.h"
#include "racing/state_history.h"
#include "bike/setters.h"
#include "data/paths.h"
#include "data/stream.h"
#include "platform/log.h"
#include "shell/config.h"
#include "shell/lists.h"
#include "terrain/track_load.h"

static const char default_demo[] = "@demos/default.rldemo";

struct demo_recorder {
    data_stream  *out;
    std::uint32_t previous_length;
    int           is_default;                  // the file is "@demos/default.rldemo"
    int           ordinal_slots[DEMO_RIDERS_MAX];
    int           rider_count;
    char          keep_name[DEMO_NAME_MAX + 1];   // "namedemo"
};
static demo_recorder g_record;

int demo_recording(void) { return g_record.out != nullptr; }

void demo_record_set_name(const char *name)
{
    snprintf(g_record.keep_name, sizeof g_record.keep_name, "%s", name ? name : "");
}

// Offline the local and robot riders are kept; online in the line-up the remote ones too, and
// outside it everybody but the local rider (who is not racing).
static int recorded_kind(int kind)
{
    if (net_socket < 0) return kind == CONTROLLER_LOCAL || kind == CONTROLLER_ROBOT;
    if (race_lineup_absent()) return kind == CONTROLLER_REMOTE || kind == CONTROLLER_ROBOT;
    return 1;
}

static void put_u32(std::uint8_t *p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = (std::uint8_t)(v >> (8 * i));
}

static void packet_head(int type, std::uint32_t length)
{
    std::uint8_t head[DEMO_PACKET_HEAD_BYTES];
    put_u32(head, length ^ g_record.previous_length);
    put_u32(head + 4, (std::uint32_t)tick_count);
    head[8] = (std::uint8_t)type;
    data_write(g_record.out, head, sizeof head);
    g_record.previous_length = length;
}

void demo_record_packet(int type, const void *payload, int length)
{
    if (!g_record.out || length < 0) return;
    packet_head(type, (std::uint32_t)length);
    data_write(g_record.out, payload, length);
    data_flush(g_record.out);
}

// N kept recordings: default00 is the newest, default(N-1) the oldest; N = 0 keeps none.
static void backups_rotate(void)
{
    int n = g_config.demo_backups;
    n = n < 0 ? 0 : n > DEMO_BACKUPS_MAX ? DEMO_BACKUPS_MAX : n;
    char from[64], to[64];
    for (int k = n - 2; k >= 0; --k) {
        snprintf(from, sizeof from, "@demos/default%02d.rldemo", k);
        snprintf(to, sizeof to, "@demos/default%02d.rldemo", k + 1);
        if (file_replace(from, to)) demo_list_add(to);
    }
    if (n > 0 && file_replace(default_demo, "@demos/default00.rldemo")) demo_list_add("@demos/default00.rldemo");
}

static const char *text_or_empty(const char *s) { return s ? s : ""; }

static void head_write(void)
{
    data_stream *s = g_record.out;
    g_record.rider_count = 0;
    for (int slot = 0; slot < 160; ++slot)
        if (bike_slot_table[slot] && recorded_kind(controller_kind[slot]))
            g_record.ordinal_slots[g_record.rider_count++] = slot;
    data_printf(s, "RL06 %d %d %d %d\n", g_record.rider_count, race_time_limit, race_laps_chosen, race_start_tick);
    data_printf(s, "%s\n", text_or_empty(track_name));
    for (int k = 0; k < g_record.rider_count; ++k) {
        const int slot = g_record.ordinal_slots[k];
        bike *b = bike_slot_table[slot];
        data_printf(s, "%s|%s|%s|%s|%s\n%s\n%s\n\n", text_or_empty(bike_get_model_name(b)),
                    text_or_empty(bike_get_body_texture_name(b)), text_or_empty(bike_get_bike_texture_name(b)),
                    text_or_empty(bike_get_wheel_texture_name(b)), text_or_empty(bike_get_head_texture_name(b)),
                    bike_get_number_text(b), rider_names[slot]);
    }
    g_record.previous_length = 0;
}

void demo_record_start(void)
{
    demo_record_stop();
    char name[512];
    if (time_trial) {
        snprintf(name, sizeof name, "@%s/lastlap.rldemo", text_or_empty(track_name));
    } else {
        backups_rotate();
        snprintf(name, sizeof name, "%s", default_demo);
    }
    g_record.out = data_open(name, "wb");
    if (!g_record.out) return;
    g_record.is_default = !time_trial;
    // Listed on the Playback Race page from its start: picking it there ends the race, and so
    // its recording, before it is played.
    if (g_record.is_default) demo_list_add(default_demo);
    head_write();
    // A state of this very tick that went into the recording just stopped (a time-trial lap
    // ends where the next begins) opens this one too.
    for (int k = 0; k < g_record.rider_count; ++k) {
        history_ring &h = state_history[g_record.ordinal_slots[k]];
        if (h.unrecorded == 0 && h.stamps[h.newest] == tick_count) h.unrecorded = 1;
    }
    // Offline the level comes from the command line of the recording run; the demo carries it,
    // as online demos carry the server's, so the ruts come back whatever the player runs with.
    if (net_socket < 0 && erode_level > 0) {
        char text[32];
        const int n = snprintf(text, sizeof text, "erode %d", erode_level);
        demo_record_packet(DEMO_ERODE_LEVEL, text, n);
    }
    data_flush(g_record.out);
}

void demo_record_tick(int force)
{
    if (!g_record.out) return;
    if (force || tick_count % 4 == 0) {
        std::uint8_t frame[BIKE_FRAME_BYTES];
        for (int slot = 0; slot < 160; ++slot) {
            bike *b = bike_slot_table[slot];
            const int kind = controller_kind[slot];
            if (!b || (kind != CONTROLLER_LOCAL && kind != CONTROLLER_ROBOT)) continue;
            bike_pack_frame(b, frame);
            add_state_to_history(slot, frame, tick_count);
        }
    }
    if (!force && tick_count % 16 != 0) return;
    int n = 0;
    for (int k = 0; k < g_record.rider_count; ++k) n += state_history[g_record.ordinal_slots[k]].unrecorded;
    if (n == 0) return;
    packet_head(DEMO_STATES, (std::uint32_t)(DEMO_RECORD_BYTES * n));
    std::uint8_t record[DEMO_RECORD_BYTES];
    for (int k = 0; k < g_record.rider_count; ++k) {
        history_ring &h = state_history[g_record.ordinal_slots[k]];
        for (int age = h.unrecorded - 1; age >= 0; --age) {
            const int i = (h.newest - age + HISTORY_LENGTH) % HISTORY_LENGTH;
            record[0] = (std::uint8_t)k;
            put_u32(record + 1, (std::uint32_t)h.stamps[i]);
            memcpy(record + 5, h.frames[i], BIKE_FRAME_BYTES);
            data_write(g_record.out, record, sizeof record);
        }
        h.unrecorded = 0;
    }
    data_flush(g_record.out);
}

void demo_record_stop(void)
{
    if (!g_record.out) return;
    data_close(g_record.out);
    g_record.out = nullptr;
    // Only the race's own recording is renamed: a time-trial lap is not the demo that was named.
    if (g_record.keep_name[0] && g_record.is_default) {
        char target[sizeof g_record.keep_name + 16];
        snprintf(target, sizeof target, "@demos/%s", g_record.keep_name);
        if (!file_replace(default_demo, target)) kubl_log_printf("The demo could not be kept as %s\n", target);
        else demo_list_add(target);   // the Playback Race page lists it at once
        g_record.keep_name[0] = 0;
    }
}
