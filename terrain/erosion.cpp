// Wheel erosion: contact samples become trail points, trails become packets, packets become
// queued points, and queued points dig the ground where they lie and throw the dirt back
// against the wheel's push.
//
// erode_packet, little-endian, n points (1..64), 17 + 4 (n - 1) bytes:
//   0        kind, always 1
//   1, 3     step_min x, z   Q16: q = floor((v + 1024) / 2048 * 65535 + 0.5), v in [-1024, 1024]
//   5, 7     step_max x, z   Q16 (the encoder widens the bounds by 0.0625 first)
//   9, 12    x, z of point 0 Q24 (3 bytes): q = floor(v / world_size * 16777215 + 0.5), at most
//            16777215 (the far edge)
//   15, 16   push x, push z of point 0; bits 0-1 of byte 15 are weight bits 0-1, bits 0-1 of
//            byte 16 weight bits 2-3; push = clamp((byte >> 2) / 64, 0, 1) * 2 - 1
//   17 + 4(k - 1) .. 20 + 4(k - 1)   point k: step x, step z (S8 between the decoded bounds),
//            push x, push z as bytes 15 and 16
// Decoded values are computed exactly as the decoder computes them, and the encoder measures
// every step from the decoded previous point, so rounding never accumulates along a trail.
#include "terrain/erosion.h"
#include "terrain/brush.h"
#include "terrain/field.h"
#include "shell/race_clock.h"
#include "data/console.h"
#include <cmath>
#include <cstring>

void (*erode_send_hook)(const unsigned char *bytes, int length);
static erode_entry queue_slots[ERODE_QUEUE_SLOTS];
erode_queue_record erode_queue = {queue_slots, 0, 0, ERODE_NO_DEADLINE, 0};

void erode_queue_reset(void)
{
    erode_queue.queue_count = 0;
    erode_queue.queue_head = 0;
    erode_queue.deadline = ERODE_NO_DEADLINE;
    erode_queue.full_reported = 0;
}

static inline float clampf(float v, float lo, float hi)
{
    // NaN goes to lo.
    return v > lo ? (v < hi ? v : hi) : lo;
}

// ---- the ground under a point ----

static const erosion_params *tile_erosion(const terrain_field *t, float x, float z)
{
    return &t->erosion[terrain_tile_at(t, x, z)];
}

static inline int clamp_index(int v, int hi) { return v < 0 ? 0 : v > hi ? hi : v; }

// The ground's triangle rule over any height array of the field's grid.
static float height_of(const terrain_field *t, const float *heights, float x, float z)
{
    const float inv = 1.0f / t->cell_size;
    const float fx = terrain_safe_cells(x, inv), fz = terrain_safe_cells(z, inv);
    const int gx = (int)std::floor(fx), gz = (int)std::floor(fz);
    float u = fx - (float)gx, v = fz - (float)gz;
    int c, c2, r = gz, r2 = gz + 1;
    if ((gx & 1) != (gz & 1)) {
        c = gx;
        c2 = gx + 1;
    } else {
        u = 1.0f - u;
        c = gx + 1;
        c2 = gx;
    }
    if (u + v > 1.0f) {
        u = 1.0f - u;
        v = 1.0f - v;
        r = gz + 1;
        r2 = gz;
        int k = c;
        c = c2;
        c2 = k;
    }
    const int hi = t->grid_dim - 1, dim = t->grid_dim;
    const float h0 = heights[(long)clamp_index(r, hi) * dim + clamp_index(c, hi)];
    const float h1 = heights[(long)clamp_index(r, hi) * dim + clamp_index(c2, hi)];
    const float h2 = heights[(long)clamp_index(r2, hi) * dim + clamp_index(c, hi)];
    double h = (double)h0 + ((double)h2 - h0) * v + ((double)h1 - h0) * u;
    return (float)h;
}

float erode_height_at(const terrain_field *field, float x, float z)
{
    return height_of(field, field->heights, x, z);
}

// (value - lower) / (upper - lower) clamped to 0..1; a range of zero width is a step.
static float ramp(float value, float lower, float upper)
{
    if (upper == lower) return value > lower ? 1.0f : 0.0f;
    return clampf((value - lower) / (upper - lower), 0, 1);
}

// ---- trails ----

void erode_trail_reset(erode_trail *trail)
{
    trail->point_count = 0;
    trail->last_point_tick = 0;
    trail->step_min[0] = trail->step_min[1] = 0;
    trail->step_max[0] = trail->step_max[1] = 0;
    trail->last_sample[0] = trail->last_sample[1] = 0;
    trail->sample_sum[0] = trail->sample_sum[1] = 0;
    trail->push_sum[0] = trail->push_sum[1] = 0;
    trail->sample_distance = 0;
    trail->sample_count = 0;
}

static void send_points(const erode_trail *trail)
{
    std::uint8_t packet[ERODE_PACKET_MAX];
    int length = erode_encode_trail(packet, trail);
    if (length && erode_send_hook) erode_send_hook(packet, length);
}

void erode_trail_add_point(erode_trail *trail)
{
    if (trail->sample_count == 0) return;
    if (trail->point_count == ERODE_TRAIL_POINTS) {
        send_points(trail);
        trail->point_count = 0;
    }
    const int b = trail->point_count;
    const float n = (float)trail->sample_count;
    erode_entry point;
    point.x = trail->sample_sum[0] / n;
    point.z = trail->sample_sum[1] / n;
    point.push_x = trail->push_sum[0] / n;
    point.push_z = trail->push_sum[1] / n;
    point.weight = trail->sample_count;
    if (b == 0) {
        trail->points[0] = point;
        trail->point_count = 1;
        trail->last_point_tick = tick_count;
        return;
    }
    const erode_entry &prev = trail->points[b - 1];
    const float s[2] = {point.x - prev.x, point.z - prev.z};
    float lo[2], hi[2];
    for (int a = 0; a < 2; ++a) {
        lo[a] = b == 1 ? s[a] : (s[a] < trail->step_min[a] ? s[a] : trail->step_min[a]);
        hi[a] = b == 1 ? s[a] : (s[a] > trail->step_max[a] ? s[a] : trail->step_max[a]);
    }
    const float range = hi[0] - lo[0] > hi[1] - lo[1] ? hi[0] - lo[0] : hi[1] - lo[1];
    if (range > 64.0f) {
        // The steps no longer fit one packet's bounds: send what there is, start afresh.
        send_points(trail);
        erode_trail_reset(trail);
        trail->points[0] = point;
        trail->point_count = 1;
        trail->last_point_tick = tick_count;
        return;
    }
    for (int a = 0; a < 2; ++a) {
        trail->step_min[a] = lo[a];
        trail->step_max[a] = hi[a];
    }
    trail->points[b] = point;
    trail->point_count = b + 1;
    trail->last_point_tick = tick_count;
}

void erode_contact_step(erode_trail *trail, const erode_contact *contact)
{
    const terrain_field *t = terrain_ptr;
    const float x = contact->x, z = contact->z;
    if (contact->depth > 0 && t->heights) {
        const erosion_params *e = tile_erosion(t, x, z);
        const float f = ramp(contact->body_speed, e->erode_off_speed, e->erode_on_speed);
        const float g = ramp(contact->slip, e->erode_slip_lower, e->erode_slip_upper);
        const float scale = e->erode_slip_base_scale + (e->erode_slip_scale - e->erode_slip_base_scale) * g;
        float px = contact->push_x * f * scale;
        float pz = contact->push_z * f * scale;
        const float m2 = px * px + pz * pz;
        if (m2 > e->erode_lower * e->erode_lower && m2 > 1.0f / 1024.0f) {
            const float m = std::sqrt(m2);
            const float h = ramp(m, e->erode_lower, e->erode_upper);
            const float k = (0.125f + 0.875f * h) / m;
            px *= k;
            pz *= k;
            float d = 0;
            if (trail->sample_count > 0) {
                const float dx = x - trail->last_sample[0], dz = z - trail->last_sample[1];
                d = std::sqrt(dx * dx + dz * dz);
            }
            trail->last_sample[0] = x;
            trail->last_sample[1] = z;
            if (trail->sample_count != ERODE_SAMPLES_MAX && trail->sample_distance + d < 0.5f) {
                trail->sample_count += 1;
                trail->sample_sum[0] += x;
                trail->sample_sum[1] += z;
                trail->push_sum[0] += px;
                trail->push_sum[1] += pz;
                trail->sample_distance += d;
                return;
            }
            erode_trail_add_point(trail);
            const int was_full = trail->sample_count == ERODE_SAMPLES_MAX;
            trail->sample_sum[0] = x;
            trail->sample_sum[1] = z;
            trail->push_sum[0] = px;
            trail->push_sum[1] = pz;
            float carry = trail->sample_distance + d - 0.5f;
            trail->sample_distance = was_full || carry >= 0.5f ? 0.0f : carry;
            trail->sample_count = 1;
            return;
        }
    }
    if (trail->point_count >= 1 && tick_count > trail->last_point_tick + 64) {
        erode_trail_add_point(trail);
        if (trail->point_count >= 1) send_points(trail);
        erode_trail_reset(trail);
    }
}

// ---- packets ----

static inline int q16(float v)
{
    v = clampf(v, -1024, 1024);
    return (int)std::floor((v + 1024.0f) / 2048.0f * 65535.0f + 0.5f);
}
static inline float q16_value(int q) { return (float)q / 65535.0f * 2048.0f - 1024.0f; }

static inline int q24(float v, float world_size)
{
    if (!(world_size > 0)) return 0;
    v = clampf(v, 0, world_size);
    // In single precision the far edge (and the last few steps before it) round up to 2^24,
    // which three bytes would carry as 0, the opposite edge.
    const int q = (int)std::floor(v / world_size * 16777215.0f + 0.5f);
    return q < 16777215 ? q : 16777215;
}
static inline float q24_value(int q, float world_size) { return (float)q / 16777215.0f * world_size; }

static inline float s8_value(int q, float lo, float hi) { return lo + (hi - lo) * (float)q / 255.0f; }

static inline std::uint8_t push_byte(float p, int weight_bits)
{
    const int a = (int)std::floor((clampf(p, -1, 1) + 1.0f) / 2.0f * 255.0f + 0.5f);
    const int b = (int)(clampf((p + 1.0f) / 2.0f, 0, 1) * 64.0f);
    return (std::uint8_t)((a & 0xFC) | weight_bits | (b << 2));
}
static inline float push_value(std::uint8_t byte) { return clampf((float)(byte >> 2) / 64.0f, 0, 1) * 2.0f - 1.0f; }

static void put16(std::uint8_t *p, int v) { p[0] = (std::uint8_t)v; p[1] = (std::uint8_t)(v >> 8); }
static void put24(std::uint8_t *p, int v) { p[0] = (std::uint8_t)v; p[1] = (std::uint8_t)(v >> 8); p[2] = (std::uint8_t)(v >> 16); }
static int  get16(const std::uint8_t *p) { return p[0] | p[1] << 8; }
static int  get24(const std::uint8_t *p) { return p[0] | p[1] << 8 | p[2] << 16; }

static void put_push(std::uint8_t *p, const erode_entry &e)
{
    // Four bits carry the weight; a full group of 16 samples goes as 15.
    const int w = e.weight < 0 ? 0 : e.weight > 15 ? 15 : e.weight;
    p[0] = push_byte(e.push_x, w & 3);
    p[1] = push_byte(e.push_z, (w >> 2) & 3);
}

int erode_encode_trail(std::uint8_t *out, const erode_trail *trail)
{
    const int n = trail->point_count;
    if (n <= 0) return 0;
    const float world_size = terrain_ptr->world_size;
    const int bounds[4] = {q16(trail->step_min[0] - 0.0625f), q16(trail->step_min[1] - 0.0625f),
                           q16(trail->step_max[0] + 0.0625f), q16(trail->step_max[1] + 0.0625f)};
    out[0] = 1;
    for (int i = 0; i < 4; ++i) put16(out + 1 + 2 * i, bounds[i]);
    const float lo[2] = {q16_value(bounds[0]), q16_value(bounds[1])};
    const float hi[2] = {q16_value(bounds[2]), q16_value(bounds[3])};

    const erode_entry &first = trail->points[0];
    const int qx = q24(first.x, world_size), qz = q24(first.z, world_size);
    put24(out + 9, qx);
    put24(out + 12, qz);
    put_push(out + 15, first);
    float prev[2] = {q24_value(qx, world_size), q24_value(qz, world_size)};

    std::uint8_t *p = out + 17;
    for (int k = 1; k < n; ++k, p += 4) {
        const erode_entry &e = trail->points[k];
        const float coord[2] = {e.x, e.z};
        for (int a = 0; a < 2; ++a) {
            const float span = hi[a] - lo[a];
            const float d = clampf(coord[a] - prev[a], lo[a], hi[a]);
            int q = span > 0 ? (int)std::floor((d - lo[a]) / span * 255.0f + 0.5f) : 0;
            q = q < 0 ? 0 : q > 255 ? 255 : q;
            p[a] = (std::uint8_t)q;
            prev[a] = prev[a] + s8_value(q, lo[a], hi[a]);
        }
        put_push(p + 2, e);
    }
    return 17 + 4 * (n - 1);
}

// Walks a packet point by point: each later point is the previous one plus its decoded step.
struct packet_reader {
    const std::uint8_t *bytes;
    int   count, next;
    float lo[2], hi[2];
    float x, z;
};

static int packet_begin(packet_reader *r, const std::uint8_t *bytes, int length)
{
    if (length < 17 || bytes[0] != 1) return 0;
    const float world_size = terrain_ptr->world_size;
    r->bytes = bytes;
    r->count = (length - 17) / 4 + 1;
    r->next = 0;
    r->lo[0] = q16_value(get16(bytes + 1));
    r->lo[1] = q16_value(get16(bytes + 3));
    r->hi[0] = q16_value(get16(bytes + 5));
    r->hi[1] = q16_value(get16(bytes + 7));
    r->x = q24_value(get24(bytes + 9), world_size);
    r->z = q24_value(get24(bytes + 12), world_size);
    return 1;
}

static void packet_point(packet_reader *r, erode_entry *e)
{
    const std::uint8_t *push = r->bytes + 15;
    if (r->next > 0) {
        const std::uint8_t *p = r->bytes + 17 + 4 * (r->next - 1);
        r->x = r->x + s8_value(p[0], r->lo[0], r->hi[0]);
        r->z = r->z + s8_value(p[1], r->lo[1], r->hi[1]);
        push = p + 2;
    }
    r->next += 1;
    e->x = r->x;
    e->z = r->z;
    e->push_x = push_value(push[0]);
    e->push_z = push_value(push[1]);
    e->weight = (push[1] & 3) * 4 + (push[0] & 3);
}

int erode_packet_decode(const std::uint8_t *bytes, int length, erode_entry *points, int capacity)
{
    packet_reader r;
    if (!packet_begin(&r, bytes, length)) return 0;
    int count = 0;
    while (r.next < r.count && count < capacity) packet_point(&r, &points[count++]);
    return count;
}

void erode_queue_push_packet(const std::uint8_t *bytes, int length)
{
    packet_reader r;
    if (!packet_begin(&r, bytes, length)) return;
    erode_queue_record &q = erode_queue;
    while (r.next < r.count) {
        erode_entry e;
        packet_point(&r, &e);
        if (q.queue_count == ERODE_QUEUE_SLOTS) {
            if (!q.full_reported) console_print("Erode queue full!");
            q.full_reported = 1;
            continue;
        }
        q.slots[(q.queue_head + q.queue_count) % ERODE_QUEUE_SLOTS] = e;
        q.queue_count += 1;
    }
}

// ---- applying the queue ----

// Digs at the entry and throws the dirt to the target against the push.
static void apply_entry(terrain_field *t, const erode_entry &e, const erosion_params *E, float factor)
{
    const float m = std::sqrt(e.push_x * e.push_x + e.push_z * e.push_z);
    if (!(m > 0)) return;   // no direction to throw the dirt
    const float k = clampf((m - 0.125f) * 8.0f / 7.0f, 0, 1);
    const float D = k * E->erode_displacement;
    const float x2 = e.x - D * e.push_x / m, z2 = e.z - D * e.push_z / m;
    const float h1 = height_of(t, t->heights, e.x, e.z);
    const float h2 = height_of(t, t->heights, x2, z2);
    const float dug = height_of(t, t->loaded_heights, e.x, e.z) - h1;
    const float rise = h2 - h1;
    if (!(E->erode_min_slope * D <= rise && rise <= E->erode_max_slope * D)) return;
    float f = factor;
    if (rise < 0) f = f * (1.0f + (h1 - h2) / D * E->erode_downhill_scale);

    const int L = E->limit_count < 0 ? 0 : E->limit_count > TILE_ERODE_LIMITS ? TILE_ERODE_LIMITS : E->limit_count;
    float tpos = 0;
    if (L >= 2 && !(dug < E->limit_depth[0])) {
        tpos = (float)(L - 1);
        for (int i = 1; i < L; ++i)
            if (dug < E->limit_depth[i]) {
                tpos = (dug - E->limit_depth[i - 1]) / (E->limit_depth[i] - E->limit_depth[i - 1]) + (float)(i - 1);
                break;
            }
    }
    const float fl = std::floor(tpos);
    const int last = L > 0 ? L - 1 : 0;
    const int i0 = clamp_index((int)fl, last), i1 = clamp_index(i0 + 1, last);
    const float w = tpos - fl;
    const float a = E->limit_a[i0] + (E->limit_a[i1] - E->limit_a[i0]) * w;
    const float b = E->limit_b[i0] + (E->limit_b[i1] - E->limit_b[i0]) * w;
    const float v1 = terrain_erode_dig(t, e.x, e.z, E->erode_radius, -(a * f * E->erode_depth) * (float)e.weight);
    const float v2 = terrain_erode_dig(t, e.x, e.z, E->erode_inner_radius, -(b * f * E->erode_inner_depth));
    terrain_erode_deposit(t, x2, z2, E->erode_radius, -(v1 + v2));
}

void erode_queue_apply(const float *pos, float strength)
{
    terrain_field *t = terrain_ptr;
    if (!t->heights) return;
    erode_queue_record &q = erode_queue;
    if (tick_count > q.deadline) {
        q.deadline = ERODE_NO_DEADLINE;
        pos = nullptr;
    }
    const int budget = q.queue_count / 64 + 32;
    const float factor = strength / 2048.0f;
    for (int n = 0; n < budget && q.queue_count > 0; ++n) {
        const erode_entry e = q.slots[q.queue_head];
        if (pos) {
            const float dx = e.x - pos[0], dz = e.z - pos[2];
            if (dx * dx + dz * dz < 100.0f) break;   // waits until the rider moves on
        }
        const erosion_params *E = tile_erosion(t, e.x, e.z);
        q.queue_count -= 1;
        q.queue_head = (q.queue_head + 1) % ERODE_QUEUE_SLOTS;
        apply_entry(t, e, E, factor);
        q.deadline = ERODE_NO_DEADLINE;
    }
    if (q.queue_count > 0) {
        const long later = (long)tick_count + 256;
        if (later < q.deadline) q.deadline = (int)later;
    }
}
