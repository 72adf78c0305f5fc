// Rider state history. Every walk through a ring is bounded by its 128 entries; nothing here
// allocates.
#include "racing/state_history.h"

#include <cmath>
#include <cstring>

#include "racing/race.h"
#include "racing/race_state.h"
#include "data/console.h"
#include "shell/globals.h"

history_ring state_history[HISTORY_SLOTS];

static int previous(int i) { return (i + HISTORY_LENGTH - 1) % HISTORY_LENGTH; }
static int next(int i) { return (i + 1) % HISTORY_LENGTH; }

void history_clear_slot(int slot)
{
    history_ring &h = state_history[slot];
    for (std::int32_t &s : h.stamps) s = -1;
    h.newest = 0;
    h.unrecorded = 0;
}

void history_clear(void)
{
    for (int slot = 0; slot < HISTORY_SLOTS; ++slot) history_clear_slot(slot);
}

int history_frame_layout(void)
{
    int layout = demo_play_format();
    return layout > 0 ? layout : BIKE_FRAME_LAYOUT;
}

void add_state_to_history(int slot, const std::uint8_t *frame, int tick)
{
    if (slot < 0 || slot >= HISTORY_SLOTS) {
        console_print("add_state_to_history: slot out of range");
        return;
    }
    // Negative stamps mean empty; such ticks come only from damaged demos and datagrams.
    if (tick < 0) return;
    history_ring &h = state_history[slot];
    int i = h.newest, steps = 0;
    while (steps < HISTORY_LENGTH && h.stamps[i] > tick) {
        i = previous(i);
        ++steps;
    }
    // Older than every entry of a full ring: the ring would drop it at once, and shifting all
    // 128 entries would read back the one the first move overwrote.
    if (steps == HISTORY_LENGTH) return;
    if (h.stamps[i] == tick) return;
    int dst = next(h.newest);
    for (int k = 0; k < steps; ++k) {
        int src = previous(dst);
        memcpy(h.frames[dst], h.frames[src], BIKE_FRAME_BYTES);
        h.stamps[dst] = h.stamps[src];
        dst = src;
    }
    memcpy(h.frames[dst], frame, BIKE_FRAME_BYTES);
    h.stamps[dst] = tick;
    h.newest = next(h.newest);
    if (h.unrecorded < HISTORY_LENGTH) ++h.unrecorded;
}

int history_bracket(int slot, int tick, int *a, int *b)
{
    const history_ring &h = state_history[slot];
    if (tick < 0) tick = 0;
    int c = h.newest, steps = 0;
    while (steps < HISTORY_LENGTH && h.stamps[c] >= tick) {
        c = previous(c);
        ++steps;
    }
    if (steps == 0) {
        if (h.stamps[h.newest] < 0) return 0;
        *b = h.newest;
        *a = h.stamps[previous(h.newest)] >= 0 ? previous(h.newest) : h.newest;
    } else if (steps < HISTORY_LENGTH && h.stamps[c] >= 0) {
        *a = c;
        *b = next(c);
    } else {
        *a = next(c);
        *b = steps == 1 ? *a : next(*a);
    }
    return 1;
}

int history_choose(int slot, int tick, int *a, int *b, int *gap, float *weight)
{
    if (tick < 0) tick = 0;
    if (!history_bracket(slot, tick, a, b)) return 0;
    const history_ring &h = state_history[slot];
    const int sa = h.stamps[*a], sb = h.stamps[*b];
    if (sa >= tick || sa == sb) {
        *gap = 1;
        *weight = 0;
    } else if (sb == tick) {
        *gap = sb - sa;
        *weight = 1;
    } else {
        // Half a second past the newest state the rider stays where extrapolation left him.
        const int until = tick < sb + HISTORY_REACH_TICKS ? tick : sb + HISTORY_REACH_TICKS;
        *gap = sb - sa;
        *weight = (float)(until - sa) / (float)(sb - sa);
    }
    return 1;
}

void history_pose_rider(int slot, int tick)
{
    if (slot < 0 || slot >= HISTORY_SLOTS || !bike_slot_table[slot]) return;
    int a, b, gap;
    float w;
    if (!history_choose(slot, tick, &a, &b, &gap, &w)) return;
    const history_ring &h = state_history[slot];
    const int layout = history_frame_layout();
    std::uint8_t blended[BIKE_FRAME_BYTES];
    const std::uint8_t *frame = h.frames[a];
    if (w == 1) {
        frame = h.frames[b];
    } else if (w != 0) {
        state_interpolate(blended, h.frames[a], h.frames[b], w);
        frame = blended;
    }
    bike_apply_frame(bike_slot_table[slot], frame, h.frames[a], h.frames[b], gap, layout);
}

// Fixed-point fields: little-endian unsigned, raw / (2^bits - 1).
static double field_read(const std::uint8_t *p, int bytes)
{
    std::uint32_t raw = 0;
    for (int i = bytes - 1; i >= 0; --i) raw = raw << 8 | p[i];
    return raw / (double)((1ull << (8 * bytes)) - 1);
}

static void field_write(std::uint8_t *p, int bytes, double v)
{
    const double max = (double)((1ull << (8 * bytes)) - 1);
    if (!(v > 0)) v = 0;
    if (v > 1) v = 1;
    std::uint32_t raw = (std::uint32_t)std::floor(v * max + 0.5);
    for (int i = 0; i < bytes; ++i) p[i] = (std::uint8_t)(raw >> (8 * i));
}

static void blend_fields(std::uint8_t *out, const std::uint8_t *a, const std::uint8_t *b, int offset, int count,
                         int bytes, double w)
{
    for (int k = 0; k < count; ++k) {
        const int at = offset + k * bytes;
        const double u = field_read(a + at, bytes), v = field_read(b + at, bytes);
        field_write(out + at, bytes, u + (v - u) * w);
    }
}

// Four 16-bit components of a unit quaternion, q = raw / 65535 x 2 - 1; the shorter way round.
static void blend_quaternion(std::uint8_t *out, const std::uint8_t *a, const std::uint8_t *b, int offset, double w)
{
    double qa[4], qb[4], dot = 0;
    for (int k = 0; k < 4; ++k) {
        qa[k] = field_read(a + offset + 2 * k, 2) * 2 - 1;
        qb[k] = field_read(b + offset + 2 * k, 2) * 2 - 1;
        dot += qa[k] * qb[k];
    }
    double q[4], length = 0;
    for (int k = 0; k < 4; ++k) {
        q[k] = qa[k] + ((dot < 0 ? -qb[k] : qb[k]) - qa[k]) * w;
        length += q[k] * q[k];
    }
    length = std::sqrt(length);
    for (int k = 0; k < 4; ++k) field_write(out + offset + 2 * k, 2, ((length > 0 ? q[k] / length : qa[k]) + 1) * 0.5);
}

void state_interpolate(std::uint8_t out[BIKE_FRAME_BYTES], const std::uint8_t *a, const std::uint8_t *b, float weight)
{
    if (weight == 0 || history_frame_layout() == BIKE_FRAME_OLD_LAYOUT) {
        memcpy(out, a, BIKE_FRAME_BYTES);
        return;
    }
    const double w = weight, w1 = weight < 1 ? weight : 1.0;
    blend_fields(out, a, b, 0, 3, 3, w);   // the position extrapolates
    blend_quaternion(out, a, b, 9, w1);
    blend_fields(out, a, b, 17, 3, 1, w1);
    blend_fields(out, a, b, 20, 3, 2, w1);
    blend_quaternion(out, a, b, 26, w1);
    // A wheel's turn: across the wrap from 1 to 0 the short way.
    double u = field_read(a + 34, 1), v = field_read(b + 34, 1);
    if (v < u - 0.125) u -= 1;
    else if (v > u + 0.875) v -= 1;
    double turn = u + (v - u) * w1;
    if (turn < 0) turn += 1;
    field_write(out + 34, 1, turn);
    blend_fields(out, a, b, 35, 1, 1, w1);
    out[36] = a[36];
    blend_fields(out, a, b, 37, 1, 2, w1);
}

int rider_is_hidden(int slot)
{
    if (slot < 0 || slot >= HISTORY_SLOTS || !bike_slot_table[slot]) return 1;
    const int kind = controller_kind[slot];
    if (race_lineup_absent() && kind == CONTROLLER_LOCAL && slot != viewed_slot) return 1;
    if (kind != CONTROLLER_REMOTE) return 0;
    int a, b;
    if (!history_bracket(slot, tick_count > 0 ? tick_count : 0, &a, &b)) return 1;
    const history_ring &h = state_history[slot];
    // No state within a second of now.
    if (tick_count < h.stamps[a] - HISTORY_LENGTH || tick_count > h.stamps[b] + HISTORY_LENGTH) return 1;
    if (net_socket >= 0 && local_slot < HISTORY_SLOTS && bike_slot_table[local_slot] && slot != local_slot) {
        if ((tick_count - last_state_tick[slot]) * ::tick >= 1.0) return 1;
        if (rider_off_course_skip(bike_slot_table[local_slot], bike_slot_table[slot])) return 1;
    }
    return 0;
}
