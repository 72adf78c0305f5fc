// Decals mode: taking a decal by its centre or its turn handle, marking a group, stamping copies
// of the selected decal (and of the marked group, moved rigidly with it), erasing, and the drag.
// A decal owns its name: a copy gets its own, an erased decal frees it. Array order is drawing
// order; the decal grid and the marked list follow every insertion and removal.
#include "editor/editor_state.h"
#include "data/mem.h"
#include "terrain/decal_grid.h"
#include "terrain/field.h"
#include <cmath>
#include <cstring>

enum { ORIENT_COPY, ORIENT_RANDOM, ORIENT_FLOW, ORIENT_FLOW2, ORIENT_UPHILL };
enum { LEVEL_TOP, LEVEL_UNDER, LEVEL_OVER, LEVEL_BOTTOM };

static const float pi = 3.1415927f;

// The editor's own 15-bit generator for random angles and tile choices: the C library's rand()
// gives 31 bits here, and the race's generator must not be disturbed by editing.
static unsigned random_state = 1;
void editor_random_seed(unsigned seed) { random_state = seed; }
int editor_random15(void)
{
    random_state = random_state * 1103515245u + 12345u;
    return (int)((random_state >> 16) & 0x7fff);
}

static float random_angle(void) { return (float)editor_random15() * 3.051851e-5f * 6.2831855f - 3.1415927f; }

static terrain_field *field(void) { return g_editor.terrain; }
static decal *decal_list(void) { return (decal *)field()->decals.items; }
static int decal_count(void) { return field()->decals.items ? field()->decals.count : 0; }
static int decal_valid(int i) { return i >= 0 && i < decal_count(); }
static int *marked(void) { return (int *)g_editor.marked_decals.items; }

static int same_name(const char *a, const char *b) { return a == b || (a && b && !std::strcmp(a, b)); }

int decal_match(const decal &a, const decal &b)
{
    return a.pixels == b.pixels && a.color_texture == b.color_texture && same_name(a.name, b.name);
}

// With "Hide different" at "Yes" only decals matching the pattern take part.
static int decal_shown(int i, const decal *pattern)
{
    if (editor_choice(W_HIDE_DIFFERENT) != 1 || !pattern) return 1;
    return decal_match(decal_list()[i], *pattern);
}

static const decal *selected_pattern(void)
{
    return decal_valid(g_editor.selected_decal) ? &decal_list()[g_editor.selected_decal] : nullptr;
}

static void turn_handle(const decal &d, float *x, float *z)
{
    float h = 4 * editor_marker_scale();
    *x = d.x - h * std::sin(d.angle);
    *z = d.z - h * std::cos(d.angle);
}

static int within(float ax, float az, float bx, float bz, float r)
{
    return (ax - bx) * (ax - bx) + (az - bz) * (az - bz) < r * r;
}

static int marked_find(int index)
{
    for (int k = 0; k < g_editor.marked_decals.count; ++k)
        if (marked()[k] == index) return k;
    return -1;
}

static void marked_remove_at(int k)
{
    growable_array &m = g_editor.marked_decals;
    std::memmove(marked() + k, marked() + k + 1, sizeof(int) * (std::size_t)(m.count - 1 - k));
    --m.count;
}

static void select_decal(int i)
{
    if (i != g_editor.selected_decal) g_editor.marked_decals.count = 0;
    g_editor.selected_decal = i;
}

void decal_press(void)
{
    editor_state &e = g_editor;
    e.grip = 0;
    int n = decal_count();
    if (n == 0) return;
    float x, z, r = editor_pick_radius();
    editor_cursor(&x, &z);
    const decal *pattern = selected_pattern();
    const decal *d = decal_list();
    for (int i = 0; i < n; ++i)
        if (decal_shown(i, pattern) && within(d[i].x, d[i].z, x, z, r)) {
            e.grip = 1;
            select_decal(i);
            return;
        }
    for (int i = 0; i < n; ++i) {
        float hx, hz;
        turn_handle(d[i], &hx, &hz);
        if (decal_shown(i, pattern) && within(hx, hz, x, z, r)) {
            e.grip = 2;
            select_decal(i);
            return;
        }
    }
    decal_stamp(0);
}

void decal_mark(int toggle, float least_radius)
{
    editor_state &e = g_editor;
    float x, z, r = editor_pick_radius();
    if (least_radius > r) r = least_radius;
    editor_cursor(&x, &z);
    const decal *pattern = selected_pattern();
    for (int i = 0; i < decal_count(); ++i) {
        if (i == e.selected_decal || !decal_shown(i, pattern)) continue;
        const decal &d = decal_list()[i];
        float hx, hz;
        turn_handle(d, &hx, &hz);
        if (!within(d.x, d.z, x, z, r) && !within(hx, hz, x, z, r)) continue;
        int k = marked_find(i);
        if (k < 0) growable_array_append(&e.marked_decals, &i);
        else if (toggle) marked_remove_at(k);
    }
}

// Takes decal i out of the array, the grid and the marked list; every index above it moves down.
static void decal_remove(int i)
{
    editor_state &e = g_editor;
    terrain_field *t = field();
    for (int k; (k = marked_find(i)) >= 0;) marked_remove_at(k);
    decal_grid_remove(t, i);
    decal *d = decal_list();
    mem_free(d[i].name);
    std::memmove(d + i, d + i + 1, sizeof(decal) * (std::size_t)(t->decals.count - 1 - i));
    --t->decals.count;
    for (int k = 0; k < e.marked_decals.count; ++k)
        if (marked()[k] > i) --marked()[k];
    decal_grid_renumber(t, i + 1, -1);
    if (e.selected_decal > i) --e.selected_decal;
    else if (e.selected_decal == i) e.selected_decal = -1;
}

static char *copy_name(const char *name)
{
    if (!name) return nullptr;
    std::size_t n = std::strlen(name) + 1;
    char *c = (char *)alloc_or_die(n);
    std::memcpy(c, name, n);
    return c;
}

void decal_erase(float radius)
{
    editor_state &e = g_editor;
    field()->change_flags = CHANGE_ALL;
    if (decal_count() == 0) return;
    if (!(radius > 0)) radius = editor_pick_radius();
    float x, z;
    editor_cursor(&x, &z);
    // The pattern outlives the selected decal, so it holds a name of its own.
    const int have_pattern = decal_valid(e.selected_decal);
    decal pattern = {};
    if (have_pattern) {
        pattern = decal_list()[e.selected_decal];
        pattern.name = copy_name(pattern.name);
    }
    const decal *p = have_pattern ? &pattern : nullptr;
    // The decals before a hit stay as they were, so each search goes on from the last hit.
    for (int from = 0;;) {
        int hit = -1;
        for (int i = from; i < decal_count() && hit < 0; ++i)
            if (decal_shown(i, p) && within(decal_list()[i].x, decal_list()[i].z, x, z, radius)) hit = i;
        if (hit < 0) break;
        decal_remove(hit);
        from = hit;
    }
    if (e.selected_decal == -1) {
        e.marked_decals.count = 0;
        for (int i = decal_count() - 1; i >= 0 && have_pattern; --i)
            if (decal_match(decal_list()[i], pattern)) {
                e.selected_decal = i;
                break;
            }
    }
    mem_free(pattern.name);
}

int decal_level_index(int n)
{
    int count = decal_count();
    switch (editor_choice(W_LEVEL)) {
    case LEVEL_TOP: return count;
    case LEVEL_BOTTOM: return 0;
    default: break;
    }
    if (!decal_valid(n)) return count;
    const decal *d = decal_list();
    int i = n;
    if (editor_choice(W_LEVEL) == LEVEL_UNDER) {
        while (i > 0 && decal_match(d[i - 1], d[n])) --i;
        return i;
    }
    ++i;
    while (i < count && decal_match(d[i], d[n])) ++i;
    return i;
}

// Puts a copy of *from (with a name of its own) at index at; indices at or above it move up,
// in the grid, the marked list and the selection. -1 when the array could not grow.
static int decal_insert(const decal &from, int at)
{
    editor_state &e = g_editor;
    terrain_field *t = field();
    decal copy = from;
    copy.name = copy_name(from.name);
    if (!growable_array_append(&t->decals, &copy)) {
        mem_free(copy.name);
        return -1;
    }
    decal *d = decal_list();
    int last = t->decals.count - 1;
    at = at < 0 ? 0 : at > last ? last : at;
    std::memmove(d + at + 1, d + at, sizeof(decal) * (std::size_t)(last - at));
    d[at] = copy;
    decal_grid_renumber(t, at, 1);
    decal_grid_insert(t, at);
    for (int k = 0; k < e.marked_decals.count; ++k)
        if (marked()[k] >= at) ++marked()[k];
    if (e.selected_decal >= at) ++e.selected_decal;
    t->change_flags = CHANGE_ALL;
    return at;
}

static void set_angle(decal &d, float a)
{
    d.angle = a;
    d.sin_angle = std::sin(a);
    d.cos_angle = std::cos(a);
}

// Facing away along (dx, dz): the angle whose (sin, cos) points back along it.
static float facing_back(float dx, float dz) { return std::atan2(-dx, -dz); }

void decal_stamp(int along)
{
    editor_state &e = g_editor;
    if (!decal_valid(e.selected_decal)) return;
    const decal from = decal_list()[e.selected_decal];
    const float step = (float)editor_value(W_DECAL_SPACING) * from.size1;
    float cx, cz;
    editor_cursor(&cx, &cz);
    float px = cx, pz = cz;
    // The direction of travel; with no offset the template's own facing sets it.
    float dx = cx - from.x, dz = cz - from.z, d = std::hypot(dx, dz);
    float ux = -std::sin(from.angle), uz = -std::cos(from.angle);
    if (d > 0 && std::isfinite(d)) ux = dx / d, uz = dz / d;
    if (along) {
        px = from.x + ux * step;
        pz = from.z + uz * step;
    }
    float theta = from.angle;
    switch (editor_choice(W_ORIENTATION)) {
    case ORIENT_COPY: break;
    case ORIENT_RANDOM: theta = random_angle(); break;
    case ORIENT_FLOW: {
        float fx = px - from.x, fz = pz - from.z;
        theta = fx == 0 && fz == 0 ? facing_back(ux, uz) : facing_back(fx, fz);
        break;
    }
    case ORIENT_FLOW2: {
        float half = step / 2;
        float qx = from.x - half * std::sin(from.angle), qz = from.z - half * std::cos(from.angle);
        float fx = px - qx, fz = pz - qz;
        theta = fx == 0 && fz == 0 ? from.angle : facing_back(fx, fz);
        if (along) {
            px = qx - half * std::sin(theta);
            pz = qz - half * std::cos(theta);
        } else {
            px = cx + half * std::sin(theta);
            pz = cz + half * std::cos(theta);
        }
        break;
    }
    case ORIENT_UPHILL: {
        float n[3];
        terrain_normal_at(field(), px, pz, n);
        float len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        float nx = len > 0 ? n[0] / len : 0, nz = len > 0 ? n[2] / len : 0;
        theta = nx * nx + nz * nz >= 1.0f / 1024 ? std::atan2(nx, nz) : random_angle();
        break;
    }
    default: break;
    }
    decal made = from;
    made.x = px;
    made.z = pz;
    set_angle(made, theta);
    int at = decal_insert(made, decal_level_index(e.selected_decal));
    if (at < 0) return;
    e.selected_decal = at;
    for (int k = 0; k < e.marked_decals.count; ++k) {
        int m = marked()[k];
        if (!decal_valid(m)) continue;
        const decal copy = decal_list()[m];
        int c = decal_insert(copy, decal_level_index(m));
        if (c >= 0) marked()[k] = c;
    }
    const decal &now = decal_list()[e.selected_decal];
    decal_pose old_pose = {from.x, from.z, from.angle}, new_pose = {now.x, now.z, now.angle};
    decal_group_transform(old_pose, new_pose, 1);
}

void decal_group_transform(decal_pose old_pose, decal_pose new_pose, float scale)
{
    editor_state &e = g_editor;
    terrain_field *t = field();
    t->change_flags = CHANGE_ALL;
    const float turn = new_pose.angle - old_pose.angle, c = std::cos(turn), s = std::sin(turn);
    for (int k = 0; k < e.marked_decals.count; ++k) {
        int i = marked()[k];
        if (!decal_valid(i)) continue;
        decal_grid_remove(t, i);
        decal &d = decal_list()[i];
        float ox = d.x - old_pose.x, oz = d.z - old_pose.z;
        d.x = new_pose.x + (ox * c + oz * s) * scale;
        d.z = new_pose.z + (oz * c - ox * s) * scale;
        float a = d.angle + turn;
        if (a < -pi || a > pi) {
            float f = (a + pi) / (2 * pi);
            a = (f - std::floor(f)) * 2 * pi - pi;
        }
        set_angle(d, a);
        decal_grid_insert(t, i);
    }
}

void decal_held(void)
{
    editor_state &e = g_editor;
    terrain_field *t = field();
    int i = e.selected_decal;
    if (!decal_valid(i)) return;
    float x, z;
    editor_cursor(&x, &z);
    decal &d = decal_list()[i];
    if (e.grip == 1) {
        if (!(std::fabs(x - d.x) >= 0.001f || std::fabs(z - d.z) >= 0.001f)) return;
        decal_grid_remove(t, i);
        d.x = x;
        d.z = z;
        decal_grid_insert(t, i);
        t->change_flags = CHANGE_ALL;
        return;
    }
    if (e.grip == 2) {
        float a = std::atan2(d.x - x, d.z - z);
        if (!(std::fabs(a - d.angle) >= 0.001f)) return;
        decal_grid_remove(t, i);
        set_angle(d, a);
        decal_grid_insert(t, i);
        t->change_flags = CHANGE_ALL;
        return;
    }
    const float step = (float)editor_value(W_DECAL_SPACING) * d.size1;
    float far = std::hypot(x - d.x, z - d.z);
    if (editor_choice(W_ORIENTATION) == ORIENT_FLOW2) {
        float bx = d.x - step / 2 * d.sin_angle, bz = d.z - step / 2 * d.cos_angle;
        float back = std::hypot(x - bx, z - bz);
        if (back < far) far = back;
    }
    if (far > step) decal_stamp(1);
}
