// Skipping through a demo. Forward, a version-6 demo is simply raced ahead (the riders' gate
// times come out as in a straight play); back, the packet chain is walked backwards to a packet
// far enough before the target, and the race is put back to that tick.
#include "racing/demo_play.h"

#include <cstring>

#include "racing/race.h"
#include "racing/race_state.h"
#include "racing/standings.h"
#include "racing/state_history.h"
#include "bike/bike.h"
#include "bike/setters.h"
#include "shell/globals.h"

static std::uint32_t get_u32(const std::uint8_t *p)
{
    return (std::uint32_t)p[0] | (std::uint32_t)p[1] << 8 | (std::uint32_t)p[2] << 16 | (std::uint32_t)p[3] << 24;
}

// Back along the chain to the first packet stamped at most `before`, or to the first packet.
static int chain_walk_back(int before)
{
    std::int64_t position = g_play.packet_position;
    std::uint32_t length = g_play.previous_length;
    while (position > g_play.head_end) {
        const std::int64_t back = position - (std::int64_t)length - DEMO_PACKET_HEAD_BYTES;
        // A length that steps into the head is damage: the walk ends at the first packet.
        if (back < g_play.head_end) {
            position = g_play.head_end;
            break;
        }
        std::uint8_t head[8];
        if (!demo_stream_to(back) || data_read(g_play.in, head, sizeof head) < (int)sizeof head) return 0;
        length ^= get_u32(head);
        position = back;
        if ((std::int32_t)get_u32(head + 4) <= before) break;
    }
    if (position == g_play.head_end) length = 0;
    if (!demo_stream_to(position)) return 0;
    g_play.packet_position = position;
    g_play.previous_length = length;
    return 1;
}

int demo_play_seek(int target)
{
    if (!g_play.in) return 0;
    if (g_play.version == 6) {
        if (!chain_walk_back(target - DEMO_LOOKAHEAD_TICKS > 0 ? target - DEMO_LOOKAHEAD_TICKS : 0)) return 0;
    } else {
        const int size = g_play.version == 4 ? BIKE_FRAME_OLD_BYTES : BIKE_FRAME_BYTES;
        const std::int64_t offset = g_play.head_end + (std::int64_t)target * g_play.rider_count * size;
        if (offset > 0xFFFFFFFFll || !demo_stream_to(offset)) return 0;
        g_play.old_started = 1;
    }
    g_play.next_tick = target;
    return 1;
}

void demo_gate_times_back(int t)
{
    for (int slot = 0; slot < 160; ++slot) {
        bike *b = bike_slot_table[slot];
        if (!b) continue;
        int g = bike_get_gate_index(b);
        while (g > 0 && (bike_get_gate_time(b, g - 1) > t || bike_get_gate_time(b, g - 1) < 0)) --g;
        if (g != bike_get_gate_index(b)) bike_set_gate_index(b, g);
    }
    results_final = 0;
    standings_update();
}

void demo_skip(float seconds)
{
    if (!g_play.in || demo_recording()) return;
    for (int slot = 0; slot < 160; ++slot)
        if (bike_slot_table[slot] && controller_kind[slot] != CONTROLLER_REMOTE) return;
    const double step = (double)seconds / tick;
    if (!(step > -(double)DEMO_TICK_MAX && step < (double)DEMO_TICK_MAX)) return;
    const int ticks = (int)step;
    if (ticks > 0 && (g_play.version == 6 || g_options.accurate_skip)) {
        // Racing ahead is exact; the flying dirt of ten seconds would only slow it down.
        const int roost = g_render.roost_frequency;
        g_render.roost_frequency = 0;
        const int target = tick_count + ticks;
        while (tick_count < target) race_step();
        g_render.roost_frequency = roost;
        return;
    }
    const std::int64_t wanted = (std::int64_t)tick_count + ticks - 1;
    const int c = wanted > 0 ? (int)(wanted < DEMO_TICK_MAX ? wanted : DEMO_TICK_MAX) : 0;
    if (!demo_play_seek(c)) return;
    if (c < tick_count) demo_gate_times_back(c);
    tick_count = c;
    for (history_ring &h : state_history) memset(h.frames, 0, sizeof h.frames);
    history_clear();
    demo_play_tick();
    race_step();
}
