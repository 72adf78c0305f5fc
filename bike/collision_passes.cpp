// The per-tick collision passes of a bike: ground, objects and other bikes.
#include "bike/collision_passes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "bike/bike_record.h"
#include "bike/crash_start.h"
#include "bike/shape.h"
#include "bike/shape_contacts.h"
#include "bike/ground_contact.h"
#include "shell/race_clock.h"
#include "terrain/field.h"

int first_bump_tick = -1;

static const float UPSIDE_DOWN_CRASH_FPS = 5.0f;
static const float OBJECT_CRASH_FPS = 20.0f;
static const float BUMP_VICTIM_FPS = 5.0f;
static const float BUMP_HITTER_FPS = 10.0f;
// The part tests round positions to float (ft about 1e-4 on the largest fields); apart by more
// than this, none of them can report a touch.
static const double BOUNDS_MARGIN = 1.0 / 64;

struct body_pose {
    float position[3];
    float rotation[9];
};

static void pose_of(dBodyID body, body_pose *pose)
{
    const dReal *p = dBodyGetPosition(body);
    const dReal *r = dBodyGetRotation(body);   // 3 rows of 4
    for (int i = 0; i < 3; ++i) {
        pose->position[i] = (float)p[i];
        for (int j = 0; j < 3; ++j) pose->rotation[i * 3 + j] = (float)r[i * 4 + j];
    }
}

static float body_speed(dBodyID body)
{
    const dReal *v = dBodyGetLinearVel(body);
    return (float)std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

static int may_crash(const bike *b) { return b->crash_counter < 1 && b->bump_timer >= 0; }

static int part_on_ground(shape *s, dBodyID body)
{
    if (!s) return 0;
    body_pose pose;
    pose_of(body, &pose);
    return shape_terrain_collide(s, body, pose.position, pose.rotation, terrain_ptr);
}

int bike_terrain_collide(bike *b)
{
    if (!terrain_ptr) return 0;
    const bike_handles &h = b->handles;
    int wheels = wheel_terrain_collide(terrain_ptr, &b->wheels[WHEEL_FRONT], 1.0f);
    wheels |= wheel_terrain_collide(terrain_ptr, &b->wheels[WHEEL_REAR], 1.0f);
    wheels |= part_on_ground(h.frame_shape, b->bodies[BODY_FRAME]);
    int parts = part_on_ground(h.fork_upper_shape, b->bodies[BODY_FORK_UPPER]);
    parts |= part_on_ground(h.fork_lower_shape, b->bodies[BODY_FORK_LOWER]);
    parts |= part_on_ground(h.swingarm_shape, b->bodies[BODY_SWINGARM]);
    dBodyID rider = b->bodies[BODY_RIDER];
    if (part_on_ground(h.rider_shape, rider)) {
        parts |= 1;
        const dReal *r = dBodyGetRotation(rider);
        if (r[5] < 0 && body_speed(rider) > UPSIDE_DOWN_CRASH_FPS && may_crash(b))
            bike_crash_start(b);
    }
    if (parts && !b->mishap_flag) b->mishap_flag = 1;
    return wheels | parts;
}

// What one bike's parts are known to hold while another shape (or bike) is tested against them:
// each body's pose once read, and, when `once` is set, whether the part's shape already holds
// its pose in its world centres, so that it is placed once rather than for every other part.
struct parts_state {
    body_pose pose[BIKE_BODIES];
    int       posed[BIKE_BODIES];
    int       placed[BIKE_BODIES];
    int       once;
};

static const body_pose &part_pose(bike *b, parts_state *st, int body)
{
    if (!st->posed[body]) {
        pose_of(b->bodies[body], &st->pose[body]);
        st->posed[body] = 1;
    }
    return st->pose[body];
}

static int collide_with_parts(bike *b, parts_state *st, shape *other, dBodyID other_body,
                              const float position[3], const float rotation[9], int *other_placed, int mode,
                              int fork_only_test, placed_box_cache *other_box = nullptr)
{
    if (!other) return 0;
    int front_mode = fork_only_test ? -1 : mode;
    int flags = 0;
    if (shape_vs_wheel_contacts_once(other, other_body, position, rotation, other_placed,
                                     &b->wheels[WHEEL_FRONT], front_mode))
        flags |= HIT_FRONT_WHEEL;
    if (shape_vs_wheel_contacts_once(other, other_body, position, rotation, other_placed,
                                     &b->wheels[WHEEL_REAR], mode))
        flags |= HIT_REAR_WHEEL;

    const bike_handles &h = b->handles;
    struct part { shape *s; int body, flag, mode; };
    const part parts[] = {
        {h.frame_shape, BODY_FRAME, HIT_FRAME, mode},
        {h.fork_upper_shape, BODY_FORK_UPPER, HIT_FORK_UPPER, front_mode},
        {h.fork_lower_shape, BODY_FORK_LOWER, HIT_FORK_LOWER, front_mode},
        {h.swingarm_shape, BODY_SWINGARM, HIT_SWINGARM, mode},
        {h.rider_shape, BODY_RIDER, HIT_RIDER, mode},
    };
    for (const part &p : parts) {
        if (!p.s) continue;
        const body_pose &pose = part_pose(b, st, p.body);
        if (shape_vs_shape_contacts_once(p.s, b->bodies[p.body], pose.position, pose.rotation,
                                         st->once ? &st->placed[p.body] : nullptr, other, other_body, position,
                                         rotation, other_placed, p.mode, other_box))
            flags |= p.flag;
    }
    return flags;
}

int bike_collide_shape(bike *b, shape *other, dBodyID other_body, const float position[3],
                       const float rotation[9], int mode, int fork_only_test)
{
    parts_state st = {};
    return collide_with_parts(b, &st, other, other_body, position, rotation, nullptr, mode, fork_only_test);
}

int bike_collide_object(bike *b, shape *object, dBodyID object_body, const float position[3],
                        const float rotation[9])
{
    int flags = bike_collide_shape(b, object, object_body, position, rotation, 0, 0);
    if ((flags & HIT_RIDER) && b->crash_counter == 0) {
        const dReal *v = dBodyGetLinearVel(b->bodies[BODY_RIDER]);
        double rel[3] = {v[0], v[1], v[2]};
        if (object_body) {
            const dReal *o = dBodyGetLinearVel(object_body);
            for (int i = 0; i < 3; ++i) rel[i] -= o[i];
        }
        double speed = std::sqrt(rel[0] * rel[0] + rel[1] * rel[1] + rel[2] * rel[2]);
        if (speed > OBJECT_CRASH_FPS && may_crash(b)) bike_crash_start(b);
    }
    return flags;
}

// A's front parts that hit; the bits B's flags use for the same parts.
static const int FRONT_PARTS = HIT_FRONT_WHEEL | HIT_FORK_LOWER;

// The bike that ran into the other: its timer goes up, the victim's negative timer deeper.
static void bump_from_behind(bike *hitter, bike *victim)
{
    if (victim->crash_counter > 0) return;
    if (body_speed(victim->bodies[BODY_FRAME]) < BUMP_VICTIM_FPS) return;
    if (body_speed(hitter->bodies[BODY_FRAME]) >= BUMP_HITTER_FPS && hitter->bump_timer < 192)
        hitter->bump_timer = 192;
    if (victim->bump_timer < 0 && victim->bump_timer > -640) victim->bump_timer = -640;
}

static void bounds_add(bike_bounds *out, dBodyID body, double reach)
{
    const dReal *p = dBodyGetPosition(body);
    for (int k = 0; k < 3; ++k) {
        if (!std::isfinite(p[k])) {
            out->lo[k] = out->hi[k] = NAN;   // stays so: no comparison with NaN replaces it
            continue;
        }
        out->lo[k] = p[k] - reach < out->lo[k] ? p[k] - reach : out->lo[k];
        out->hi[k] = p[k] + reach > out->hi[k] ? p[k] + reach : out->hi[k];
    }
}

void bike_bounds_of(const bike *b, bike_bounds *out)
{
    // A non-finite position spoils the box, which then meets everything (see bike_bounds_apart).
    for (int k = 0; k < 3; ++k) out->lo[k] = INFINITY, out->hi[k] = -INFINITY;
    const bike_handles &h = b->handles;
    const struct { shape *s; int body; } parts[] = {
        {h.front_wheel_shape, BODY_FRONT_WHEEL}, {h.rear_wheel_shape, BODY_REAR_WHEEL},
        {h.frame_shape, BODY_FRAME}, {h.fork_upper_shape, BODY_FORK_UPPER},
        {h.fork_lower_shape, BODY_FORK_LOWER}, {h.swingarm_shape, BODY_SWINGARM},
        {h.rider_shape, BODY_RIDER},
    };
    for (const auto &part : parts)
        if (part.s) bounds_add(out, b->bodies[part.body], part.s->bounding_radius);
    for (const wheel_record &w : b->wheels) bounds_add(out, w.body, (double)w.radius + w.tube_radius);
    for (int k = 0; k < 3; ++k)
        if (!std::isfinite(out->lo[k]) || !std::isfinite(out->hi[k])) out->lo[k] = out->hi[k] = NAN;
}

int bike_bounds_apart(const bike_bounds *a, const bike_bounds *b)
{
    for (int k = 0; k < 3; ++k)
        if (a->lo[k] > b->hi[k] + BOUNDS_MARGIN || b->lo[k] > a->hi[k] + BOUNDS_MARGIN) return 1;
    return 0;
}

int bike_bounds_miss_sphere(const bike_bounds *a, const float centre[3], float radius)
{
    for (int k = 0; k < 3; ++k)
        if (a->lo[k] > (double)centre[k] + radius + BOUNDS_MARGIN ||
            (double)centre[k] - radius > a->hi[k] + BOUNDS_MARGIN)
            return 1;
    return 0;
}

// 1 when no shape instance serves two parts of the two bikes.
static int distinct_shapes(const bike *a, const bike *b)
{
    const shape *all[14];
    int n = 0;
    for (const bike *x : {a, b}) {
        const bike_handles &h = x->handles;
        for (const shape *s : {h.frame_shape, h.front_wheel_shape, h.rear_wheel_shape, h.fork_upper_shape,
                               h.fork_lower_shape, h.swingarm_shape, h.rider_shape})
            if (s) all[n++] = s;
    }
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j)
            if (all[i] == all[j]) return 0;
    return 1;
}

// bike_collide_bikes with B's box already taken (bodies do not move within the passes).
static int collide_bikes_bounded(bike *a, bike *b, const bike_bounds &bb, int fork_only_test)
{
    int mode = (a->last_bump_tick == tick_count || b->last_bump_tick == tick_count) ? 1 : 0;
    const bike_handles &h = a->handles;
    struct part { shape *s; int body, flag, pass_fork; };
    const part parts[] = {
        {h.front_wheel_shape, BODY_FRONT_WHEEL, HIT_FRONT_WHEEL, 0},
        {h.rear_wheel_shape, BODY_REAR_WHEEL, HIT_REAR_WHEEL, 1},
        {h.frame_shape, BODY_FRAME, HIT_FRAME, 1},
        {h.fork_upper_shape, BODY_FORK_UPPER, HIT_FORK_UPPER, 0},
        {h.fork_lower_shape, BODY_FORK_LOWER, HIT_FORK_LOWER, 0},
        {h.swingarm_shape, BODY_SWINGARM, HIT_SWINGARM, 1},
        {h.rider_shape, BODY_RIDER, HIT_RIDER, 1},
    };
    // B's poses are read once for all of A's parts, and each shape is placed once, unless two
    // parts share a shape instance (each would then need placing again for its own pose).
    parts_state st = {};
    st.once = distinct_shapes(a, b);
    int touched = 0, front = 0;
    for (const part &p : parts) {
        if (!p.s) continue;
        body_pose pose;
        pose_of(a->bodies[p.body], &pose);
        // A part clear of B's whole box meets none of B's parts.
        if (bike_bounds_miss_sphere(&bb, pose.position, p.s->bounding_radius)) continue;
        int placed = 0;
        placed_box_cache box = {};
        int hit = collide_with_parts(b, &st, p.s, a->bodies[p.body], pose.position, pose.rotation,
                                     st.once ? &placed : nullptr, mode, p.pass_fork ? fork_only_test : 0, &box);
        touched |= hit;
        if (hit) front |= p.flag & FRONT_PARTS;
    }
    if (!touched) return 0;

    if (front & touched) {
        if (body_speed(a->bodies[BODY_FRAME]) >= BUMP_HITTER_FPS && a->bump_timer < 128)
            a->bump_timer = 128;
        if (body_speed(b->bodies[BODY_FRAME]) >= BUMP_HITTER_FPS && b->bump_timer < 128)
            b->bump_timer = 128;
    } else if (front) {
        bump_from_behind(a, b);
    } else if (touched & FRONT_PARTS) {
        bump_from_behind(b, a);
    }
    for (bike *x : {a, b}) {
        x->last_bump_tick = tick_count;
        memset(x->recent_line_ids, 0, sizeof x->recent_line_ids);
    }
    if (first_bump_tick == -1) first_bump_tick = tick_count;
    return touched;
}

int bike_collide_bikes(bike *a, bike *b, int fork_only_test)
{
    // Most pairs are far apart: one box test each instead of 49 part tests.
    bike_bounds ba, bb;
    bike_bounds_of(a, &ba);
    bike_bounds_of(b, &bb);
    if (bike_bounds_apart(&ba, &bb)) return 0;
    return collide_bikes_bounded(a, b, bb, fork_only_test);
}

// The pairs of list whose boxes meet, as i * LIST_MAX + j with i < j: a sweep along x over the
// boxes sorted by their low x ends, so that far-apart bikes cost no pair test (a box whose x is
// not a number is paired with every other, as bike_bounds_apart would). Returns the count.
static const int LIST_MAX = 160;

static int meeting_pairs(const bike_bounds *bounds, int count, int *pairs)
{
    static short by_x[LIST_MAX], unsorted[LIST_MAX];
    int sorted_count = 0, unsorted_count = 0, pair_count = 0;
    for (int i = 0; i < count; ++i) {
        if (std::isnan(bounds[i].lo[0]) || std::isnan(bounds[i].hi[0])) unsorted[unsorted_count++] = (short)i;
        else by_x[sorted_count++] = (short)i;
    }
    std::sort(by_x, by_x + sorted_count, [bounds](short a, short b) {
        return bounds[a].lo[0] < bounds[b].lo[0] || (bounds[a].lo[0] == bounds[b].lo[0] && a < b);
    });
    auto add = [&](int i, int j) {
        if (!bike_bounds_apart(&bounds[i], &bounds[j])) pairs[pair_count++] = i < j ? i * LIST_MAX + j : j * LIST_MAX + i;
    };
    for (int p = 0; p < sorted_count; ++p) {
        const int i = by_x[p];
        // Past the first low end beyond this box's high end (and the margin), every box is apart.
        for (int q = p + 1; q < sorted_count && !(bounds[by_x[q]].lo[0] > bounds[i].hi[0] + BOUNDS_MARGIN); ++q)
            add(i, by_x[q]);
    }
    for (int u = 0; u < unsorted_count; ++u) {
        for (int p = 0; p < sorted_count; ++p) add(unsorted[u], by_x[p]);
        for (int v = u + 1; v < unsorted_count; ++v) add(unsorted[u], unsorted[v]);
    }
    return pair_count;
}

void bike_collide_list(bike *const *list, int count)
{
    static bike_bounds bounds[LIST_MAX];
    static int pairs[LIST_MAX * (LIST_MAX - 1) / 2];
    if (count > LIST_MAX) {
        for (int i = 0; i < count; ++i)
            for (int j = i + 1; j < count; ++j) bike_collide_bikes(list[i], list[j], 0);
        return;
    }
    for (int i = 0; i < count; ++i) bike_bounds_of(list[i], &bounds[i]);
    // In the order of the double loop over the list: a pair's bump decides the next pair's mode.
    const int pair_count = meeting_pairs(bounds, count, pairs);
    std::sort(pairs, pairs + pair_count);
    for (int k = 0; k < pair_count; ++k) {
        const int i = pairs[k] / LIST_MAX, j = pairs[k] % LIST_MAX;
        collide_bikes_bounded(list[i], list[j], bounds[j], 0);
    }
}
