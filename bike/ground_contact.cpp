// Wheels and shapes against the ground: the cells under a wheel or sphere, the deepest of their
// triangles, and the soft contact joint made from it.
#include "bike/ground_contact.h"
#include "bike/bike.h"
#include "bike/contact_geometry.h"
#include "bike/shape.h"
#include "shell/startup.h"
#include "terrain/field.h"
#include <cmath>

long contact_joints_made;

static const float TICK = 1.0f / 128;
static const float SLOW_CONTACT = 0.0009765625f;   // 2^-10: |n x v|^2 below this hardly moves
static const float FAR_CELLS = 1048576.0f;          // 2^20 cells beyond the field: never visited
static const float MAX_SPAN = 1024.0f;              // cells a side one sphere may cover
// Height a sphere must clear a cell's corners by before its triangles go untested: far above the
// rounding of the triangle tests (about 1e-4 ft on the largest fields).
static const float CLEAR_MARGIN = 1.0f / 64;
static const float WHEEL_MARGIN = 1.0f / 64;        // the same for a wheel's box

// The cells under a centre with reach E, as first and last indices; 0 when there is nothing to
// visit. A non-finite or absurdly distant centre (a bike that blew up) or an absurd reach (a
// damaged home-folder shape) has no ground under it: converting such floats to int is undefined,
// and a range of millions of cells would be walked every tick.
struct cell_range { int x0, x1, z0, z1; };

static int cells_under(const terrain_field *t, float cx, float cz, float Ex, float Ez, cell_range *r)
{
    if (!std::isfinite(cx) || !std::isfinite(cz)) return 0;
    if (!(Ex >= 0) || !std::isfinite(Ex) || !(Ez >= 0) || !std::isfinite(Ez)) return 0;
    const float s = t->cell_size;
    const float lx = (cx - Ex) / s, hx = (cx + Ex) / s, lz = (cz - Ez) / s, hz = (cz + Ez) / s;
    const float last = (float)(t->grid_dim - 1) + FAR_CELLS;
    if (!(hx >= -FAR_CELLS && lx <= last && hz >= -FAR_CELLS && lz <= last)) return 0;
    if (!(hx - lx <= MAX_SPAN && hz - lz <= MAX_SPAN)) return 0;
    r->x0 = (int)std::floor(lx);
    r->x1 = (int)std::ceil(hx) - 1;
    r->z0 = (int)std::floor(lz);
    r->z1 = (int)std::ceil(hz) - 1;
    return r->x0 <= r->x1 && r->z0 <= r->z1;
}

static inline int clamp_index(int v, int hi) { return v < 0 ? 0 : v > hi ? hi : v; }

// Vertex (i, j) at its true position; beyond the grid it carries the nearest border height.
static inline void vertex(const terrain_field *t, int i, int j, float out[3])
{
    const int hi = t->grid_dim - 1;
    out[0] = (float)i * t->cell_size;
    out[1] = t->heights[(long)clamp_index(j, hi) * t->grid_dim + clamp_index(i, hi)];
    out[2] = (float)j * t->cell_size;
}

// Triangles A and B of cell (i, j), split as terrain_height_at splits it; both face up.
static void cell_triangles(const terrain_field *t, int i, int j, float tri[2][3][3])
{
    const int D = ((i ^ j) & 1) == 0;
    vertex(t, i, j, tri[0][0]);
    vertex(t, i, j + 1, tri[0][1]);
    vertex(t, i + 1, j + D, tri[0][2]);
    vertex(t, i + 1, j + 1, tri[1][0]);
    vertex(t, i + 1, j, tri[1][1]);
    vertex(t, i, j + 1 - D, tri[1][2]);
}

// Whether every corner of cell (i, j) lies below the height y, so that a sphere whose lowest
// point is y or higher cannot meet either triangle: a triangle lies within its corners' heights.
// A height that is not a number never counts as below.
static inline int cell_below(const terrain_field *t, int i, int j, float y)
{
    const int hi = t->grid_dim - 1;
    const float *h = t->heights;
    const long r0 = (long)clamp_index(j, hi) * t->grid_dim, r1 = (long)clamp_index(j + 1, hi) * t->grid_dim;
    const int c0 = clamp_index(i, hi), c1 = clamp_index(i + 1, hi);
    return h[r0 + c0] < y && h[r0 + c1] < y && h[r1 + c0] < y && h[r1 + c1] < y;
}

// A downward normal is turned horizontal, or straight up when it is nearly vertical.
void contact_normal_clean(float n[3])
{
    if (n[1] < 0) {
        if (n[0] * n[0] + n[2] * n[2] >= SLOW_CONTACT) {
            n[1] = 0;
        } else {
            n[0] = n[2] = 0;
            n[1] = 1;
        }
    }
    float len2 = n[0] * n[0] + n[1] * n[1] + n[2] * n[2];
    if (!(len2 > 0) || !std::isfinite(len2)) {
        n[0] = n[2] = 0;
        n[1] = 1;
        return;
    }
    float inv = 1.0f / std::sqrt(len2);
    n[0] *= inv;
    n[1] *= inv;
    n[2] *= inv;
}

struct wheel_shape { float W[3], a[3], R, r; };

// Whether cell (i, j) can hold a triangle the wheel touches. Every touch but one needs a point of
// the triangle within R + r of the centre; the buried wheel needs the centre over the triangle
// and below its plane, so below the cell's highest vertex. Cells that fail both only cost time
// (most of a wheel's cells: the edge search is the expensive part), and their depths would be
// 0 or less, so skipping them changes no result. The margin covers rounding many times over.
static int cell_may_touch(const terrain_field *t, const wheel_shape &ws, int i, int j, const float tri[2][3][3])
{
    const float s = t->cell_size;
    const float x0 = (float)i * s, z0 = (float)j * s;
    const float dx = ws.W[0] < x0 ? x0 - ws.W[0] : ws.W[0] > x0 + s ? ws.W[0] - x0 - s : 0;
    const float dz = ws.W[2] < z0 ? z0 - ws.W[2] : ws.W[2] > z0 + s ? ws.W[2] - z0 - s : 0;
    float lo = tri[0][0][1], hi = lo;
    for (int k = 0; k < 2; ++k)
        for (int v = 0; v < 3; ++v) {
            const float y = tri[k][v][1];
            lo = y < lo ? y : lo;
            hi = y > hi ? y : hi;
        }
    if (dx == 0 && dz == 0 && !(ws.W[1] > hi)) return 1;
    const float dy = ws.W[1] > hi ? ws.W[1] - hi : ws.W[1] < lo ? lo - ws.W[1] : 0;
    const float reach = (ws.R + ws.r) * 1.001f + 1e-4f;
    return dx * dx + dy * dy + dz * dz <= reach * reach;
}

static void wheel_shape_of(const wheel_record *w, wheel_shape *ws)
{
    const dReal *p = dBodyGetPosition(w->body);
    dVector3 tip;
    dBodyGetRelPointPos(w->body, w->axle[0], w->axle[1], w->axle[2], tip);
    for (int k = 0; k < 3; ++k) {
        ws->W[k] = (float)p[k];
        ws->a[k] = (float)(tip[k] - p[k]);
    }
    ws->R = w->radius;
    ws->r = w->tube_radius;
}

// Half the sides of a box around the wheel, margin included. The centre circle spans
// R sqrt(1 - c²) along an axis whose cosine with the axle is c, the tube r more; every touch the
// torus test reports has a point of the triangle in that box, except the buried wheel, whose
// triangle lies over the centre and above it (see cell_may_touch). A wheel across the x or z axis
// (as it rides) thus skips the cells beside it, and a leaning one the cells under its low side.
// An axle of no length or not finite takes the whole reach R + r, as does a box no narrower.
static void wheel_extent(const wheel_shape &ws, float ext[3])
{
    const float a2 = ws.a[0] * ws.a[0] + ws.a[1] * ws.a[1] + ws.a[2] * ws.a[2];
    for (int k = 0; k < 3; ++k) {
        float across = 1;
        if (a2 > 0 && std::isfinite(a2)) {
            const float c2 = ws.a[k] * ws.a[k] / a2;
            across = c2 < 1 ? std::sqrt(1 - c2) : 0;
        }
        ext[k] = (ws.R * across + ws.r) * 1.001f + WHEEL_MARGIN;
        // Never wider than the reach every cell within used to be searched by.
        if (!(ext[k] < ws.R + ws.r)) ext[k] = ws.R + ws.r;
    }
}

// The wheel's plane (through the centre, across the axle) for beside_wheel; `ok` 0 when the
// axle has no usable direction.
struct wheel_plane { float unit_a[3], reach; int ok; };

static void wheel_plane_of(const wheel_shape &ws, wheel_plane *out)
{
    const float a2 = ws.a[0] * ws.a[0] + ws.a[1] * ws.a[1] + ws.a[2] * ws.a[2];
    out->ok = a2 > 0 && std::isfinite(a2) && ws.r >= 0;
    if (!out->ok) return;
    const float inv = 1.0f / std::sqrt(a2);
    for (int k = 0; k < 3; ++k) out->unit_a[k] = ws.a[k] * inv;
    out->reach = ws.r * 1.001f + WHEEL_MARGIN;
}

// Whether the triangle lies wholly to one side of the wheel's plane, farther than the tube
// reaches, with the centre above all of it. Every touch the torus test reports then fails: the
// circle, the disc and the line down through the centre all lie in that plane, so no point of
// the triangle comes within r of them, and the buried wheel needs the centre under the triangle.
// Such triangles are common under a wheel riding across the grid's diagonals.
static int beside_wheel(const wheel_shape &ws, const wheel_plane &plane, const float tri[3][3])
{
    if (!plane.ok) return 0;
    int over = 0, under = 0;
    for (int v = 0; v < 3; ++v) {
        if (!(ws.W[1] >= tri[v][1] + WHEEL_MARGIN)) return 0;
        const float s = (tri[v][0] - ws.W[0]) * plane.unit_a[0] + (tri[v][1] - ws.W[1]) * plane.unit_a[1] +
                        (tri[v][2] - ws.W[2]) * plane.unit_a[2];
        over += s > plane.reach;
        under += s < -plane.reach;
    }
    return over == 3 || under == 3;
}

static void copy3(float o[3], const float a[3])
{
    o[0] = a[0];
    o[1] = a[1];
    o[2] = a[2];
}

// The running deepest touch of a wheel's search. Triangles are numbered in the order the cells
// are walked; the deepest wins and, of equal depths, the first, as a single walk keeping the
// first strictly deeper touch would pick.
struct wheel_best { float depth, p[3], n[3]; int order; };

static void wheel_best_offer(wheel_best *b, float d, int order, const float p[3], const float n[3])
{
    if (d > b->depth || (d == b->depth && order < b->order)) {
        b->depth = d;
        b->order = order;
        copy3(b->p, p);
        copy3(b->n, n);
    }
}

struct deferred_edge { int i, j, k, order; };
static const int DEFERRED_MAX = 64;   // a wheel on the largest cells the game makes has a dozen

int wheel_terrain_contact(const terrain_field *t, const wheel_record *w, float point[3], float normal[3],
                          float *depth)
{
    wheel_shape ws;
    wheel_shape_of(w, &ws);
    float ext[3];
    wheel_extent(ws, ext);
    cell_range cr;
    if (!cells_under(t, ws.W[0], ws.W[2], ext[0], ext[2], &cr)) return 0;
    const float below = ws.W[1] - ext[1];
    wheel_plane plane;
    wheel_plane_of(ws, &plane);
    // The face cases are cheap and usually find the touch; the edge search is the costly part,
    // so it waits until they are all in, and leaves out what cannot beat the deepest touch so
    // far (a triangle shallower than the winner never changes it).
    wheel_best best = {0, {}, {}, -1};
    deferred_edge deferred[DEFERRED_MAX];
    int deferred_count = 0, order = 0;
    for (int j = cr.z0; j <= cr.z1; ++j)
        for (int i = cr.x0; i <= cr.x1; ++i) {
            if (cell_below(t, i, j, below)) continue;
            float tri[2][3][3];
            cell_triangles(t, i, j, tri);
            if (!cell_may_touch(t, ws, i, j, tri)) continue;
            for (int k = 0; k < 2; ++k, ++order) {
                if (beside_wheel(ws, plane, tri[k])) continue;
                float p[3], n[3];
                int edges;
                const float d = torus_triangle_face(p, n, ws.W, ws.a, ws.R, ws.r, tri[k], &edges);
                if (!edges) {
                    wheel_best_offer(&best, d, order, p, n);
                } else if (deferred_count < DEFERRED_MAX) {
                    deferred[deferred_count++] = {i, j, k, order};
                } else {
                    const float e = torus_triangle_edges(p, n, ws.W, ws.a, ws.R, ws.r, tri[k], -INFINITY);
                    wheel_best_offer(&best, e, order, p, n);
                }
            }
        }
    for (int q = 0; q < deferred_count; ++q) {
        const deferred_edge &e = deferred[q];
        float tri[2][3][3];
        cell_triangles(t, e.i, e.j, tri);
        float p[3], n[3];
        const float d = torus_triangle_edges(p, n, ws.W, ws.a, ws.R, ws.r, tri[e.k], best.depth);
        wheel_best_offer(&best, d, e.order, p, n);
    }
    if (!(best.depth > 0)) return 0;
    contact_normal_clean(best.n);
    copy3(point, best.p);
    copy3(normal, best.n);
    *depth = best.depth;
    return 1;
}

// Index k of n taken from the middle outward: m, m + 1, m - 1, m + 2, ... with m = (n - 1) / 2;
// -1 for the steps that fall outside 0..n-1.
static inline int middle_out(int k, int n)
{
    const int m = (n - 1) / 2;
    const int v = (k & 1) ? m + (k + 1) / 2 : m - k / 2;
    return v >= 0 && v < n ? v : -1;
}

int wheel_terrain_contact_fx(const terrain_field *t, const wheel_record *w, float point[3], float normal[3],
                             float *depth)
{
    wheel_shape ws;
    wheel_shape_of(w, &ws);
    cell_range cr;
    if (!cells_under(t, ws.W[0], ws.W[2], ws.R + ws.r, ws.R + ws.r, &cr)) return 0;
    const int rows = cr.z1 - cr.z0 + 1, cols = cr.x1 - cr.x0 + 1;
    for (int jr = 0; jr < 2 * rows; ++jr) {
        const int j = middle_out(jr, rows);
        if (j < 0) continue;
        for (int ic = 0; ic < 2 * cols; ++ic) {
            const int i = middle_out(ic, cols);
            if (i < 0) continue;
            float tri[2][3][3];
            cell_triangles(t, cr.x0 + i, cr.z0 + j, tri);
            if (!cell_may_touch(t, ws, cr.x0 + i, cr.z0 + j, tri)) continue;
            for (int k = 0; k < 2; ++k) {
                float p[3], n[3];
                float d = torus_triangle_distance_fx(p, n, ws.W, ws.a, ws.R, ws.r, tri[k]);
                if (d > 0) {
                    contact_normal_clean(n);
                    copy3(point, p);
                    copy3(normal, n);
                    *depth = d;
                    return 1;
                }
            }
        }
    }
    return 0;
}

int sphere_terrain_contact(const terrain_field *t, const float centre[3], float radius, float point[3],
                           float normal[3], float *depth)
{
    cell_range cr;
    if (!std::isfinite(centre[1]) || !cells_under(t, centre[0], centre[2], radius, radius, &cr)) return 0;
    float best = 0, best_p[3] = {}, best_n[3] = {};
    const float clear_above = centre[1] - radius - CLEAR_MARGIN;
    for (int j = cr.z0; j <= cr.z1; ++j)
        for (int i = cr.x0; i <= cr.x1; ++i) {
            if (cell_below(t, i, j, clear_above)) continue;
            float tri[2][3][3];
            cell_triangles(t, i, j, tri);
            for (int k = 0; k < 2; ++k) {
                float p[3], n[3];
                float d = sphere_triangle_distance(p, n, centre, radius, tri[k]);
                if (d > best) {
                    best = d;
                    copy3(best_p, p);
                    copy3(best_n, n);
                }
            }
        }
    if (!(best > 0)) return 0;
    contact_normal_clean(best_n);
    copy3(point, best_p);
    copy3(normal, best_n);
    *depth = best;
    return 1;
}

static inline float clamp01(float v) { return v > 0 ? (v < 1 ? v : 1) : 0; }

// Curves end at the first point keyed 0 (point 0 always counts). The walk stops at the first
// point whose key is 0 or beyond the value, so below a stop at i the keys satisfy
// key(i-1) <= value < key(i) and equal keys never divide by zero.
float tile_friction_at(const terrain_field *t, int tile, float speed2)
{
    const float *key = t->friction_key[tile], *val = t->friction[tile];
    int i = 0;
    while (i < TILE_CURVE_POINTS && key[i] != 0 && !(key[i] * key[i] > speed2)) ++i;
    if (i == 0) return val[0];
    if (i == TILE_CURVE_POINTS || key[i] == 0) return val[i - 1];
    const float k0 = key[i - 1] * key[i - 1], k1 = key[i] * key[i];
    return val[i - 1] + (val[i] - val[i - 1]) * clamp01((speed2 - k0) / (k1 - k0));
}

void tile_roll_resist_at(const terrain_field *t, int tile, float speed, float out[2])
{
    const float *key = t->roll_resist_key[tile];
    const float(*val)[2] = t->roll_resist[tile];
    int i = 0;
    while (i < TILE_CURVE_POINTS && key[i] != 0 && !(key[i] > speed)) ++i;
    if (i == 0 || i == TILE_CURVE_POINTS || key[i] == 0) {
        const int at = i == 0 ? 0 : i - 1;
        out[0] = val[at][0];
        out[1] = val[at][1];
        return;
    }
    const float u = clamp01((speed - key[i - 1]) / (key[i] - key[i - 1]));
    out[0] = val[i - 1][0] + (val[i][0] - val[i - 1][0]) * u;
    out[1] = val[i - 1][1] + (val[i][1] - val[i - 1][1]) * u;
}

static inline float compression(const wheel_record *w)
{
    const float q = w->depth / w->tube_radius;
    return q < 1 ? q : 1;
}

// Soft ERP and CFM of a spring kp and damper kd over one tick.
static void set_softness(dContact *c, float kp, float kd)
{
    const float cfm = 1.0f / (TICK * kp + kd);
    c->surface.soft_cfm = cfm;
    c->surface.soft_erp = TICK * kp * cfm;
}

void wheel_contact_params(const terrain_field *t, const wheel_record *w, float grip, dContact *out)
{
    *out = dContact{};
    const float *n = w->contact_normal, *v = w->contact_velocity;
    const float S = v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
    const int tile = terrain_tile_at(t, w->contact_point[0], w->contact_point[2]);
    const float q = compression(w), q3 = q * q * q;

    out->surface.mode = dContactApprox1 | dContactSoftERP | dContactSoftCFM;
    out->surface.mu = tile_friction_at(t, tile, S) * grip;
    set_softness(out, 1000 + 24000 * q3, 200 + 2300 * q3);

    // Friction first across the direction of travel; a contact that hardly moves takes the axle.
    float f[3] = {n[1] * v[2] - n[2] * v[1], n[2] * v[0] - n[0] * v[2], n[0] * v[1] - n[1] * v[0]};
    float f2 = f[0] * f[0] + f[1] * f[1] + f[2] * f[2];
    if (!(f2 >= SLOW_CONTACT)) {
        dVector3 a;
        dBodyVectorToWorld(w->body, w->axle[0], w->axle[1], w->axle[2], a);
        const float ax = (float)a[0], ay = (float)a[1], az = (float)a[2];
        f[0] = n[1] * az - n[2] * ay;
        f[1] = n[2] * ax - n[0] * az;
        f[2] = n[0] * ay - n[1] * ax;
        f2 = f[0] * f[0] + f[1] * f[1] + f[2] * f[2];
    }
    if (f2 > 0 && std::isfinite(f2)) {
        const float inv = 1.0f / std::sqrt(f2);
        out->surface.mode |= dContactFDir1;
        for (int k = 0; k < 3; ++k) out->fdir1[k] = f[k] * inv;
    }
    for (int k = 0; k < 3; ++k) {
        out->geom.pos[k] = w->contact_point[k];
        out->geom.normal[k] = n[k];
    }
    out->geom.depth = w->depth;
}

int wheel_terrain_collide(const terrain_field *t, wheel_record *w, float grip)
{
    float point[3], normal[3], depth;
    if (!wheel_terrain_contact(t, w, point, normal, &depth)) {
        w->depth = 0;
        return 0;
    }
    dVector3 vel;
    dBodyGetPointVel(w->body, point[0], point[1], point[2], vel);
    for (int k = 0; k < 3; ++k) {
        w->contact_point[k] = point[k];
        w->contact_velocity[k] = (float)vel[k];
        w->contact_normal[k] = normal[k];
    }
    w->depth = depth;

    dContact c;
    wheel_contact_params(t, w, grip, &c);
    dJointID joint = dJointCreateContact(physics_world, contact_group, &c);
    ++contact_joints_made;
    dJointAttach(joint, w->body, nullptr);
    dJointSetFeedback(joint, &w->feedback);

    // Rolling resistance against the centre's motion along the ground, fading in below 1 ft/s.
    const dReal *vc = dBodyGetLinearVel(w->body);
    const float vn = (float)vc[0] * normal[0] + (float)vc[1] * normal[1] + (float)vc[2] * normal[2];
    float vt[3];
    for (int k = 0; k < 3; ++k) vt[k] = (float)vc[k] - vn * normal[k];
    const float P = std::sqrt(vt[0] * vt[0] + vt[1] * vt[1] + vt[2] * vt[2]);
    float rr[2];
    tile_roll_resist_at(t, terrain_tile_at(t, point[0], point[2]), P, rr);
    const float F = rr[0] + (rr[1] - rr[0]) * compression(w);
    const float scale = P > 1 ? F / P : F;
    dBodyAddForce(w->body, -scale * vt[0], -scale * vt[1], -scale * vt[2]);
    return 1;
}

void shape_place(shape *s, const float p[3], const float M[9])
{
    if (!s->world_centers) return;
    for (int i = 0; i < s->sphere_count; ++i) {
        const float *c = s->spheres[i].center;
        for (int k = 0; k < 3; ++k)
            s->world_centers[i][k] = M[3 * k] * c[0] + M[3 * k + 1] * c[1] + M[3 * k + 2] * c[2] + p[k];
    }
}

// Whether every placed sphere of s clears the ground by the margin sphere_terrain_contact culls
// cells with: the cells under the box of all the spheres hold each sphere's own cells, so when
// all their corners lie below the lowest sphere, no sphere has a cell left to test. 0 when that
// cannot be told (a value not finite, a box too wide to search).
static int shape_clears_ground(const terrain_field *t, const shape *s)
{
    if (s->sphere_count <= 0) return 0;
    float lo[3] = {INFINITY, INFINITY, INFINITY}, hi[3] = {-INFINITY, -INFINITY, -INFINITY};
    for (int i = 0; i < s->sphere_count; ++i) {
        const float *c = s->world_centers[i], r = s->spheres[i].radius;
        for (int k = 0; k < 3; ++k) {
            lo[k] = c[k] - r < lo[k] ? c[k] - r : lo[k];
            hi[k] = c[k] + r > hi[k] ? c[k] + r : hi[k];
        }
        if (!std::isfinite(c[0] + c[1] + c[2] + r)) return 0;
    }
    cell_range cr;
    const float ex = (hi[0] - lo[0]) * 0.5f + CLEAR_MARGIN, ez = (hi[2] - lo[2]) * 0.5f + CLEAR_MARGIN;
    if (!cells_under(t, (lo[0] + hi[0]) * 0.5f, (lo[2] + hi[2]) * 0.5f, ex, ez, &cr)) return 0;
    const float clear_above = lo[1] - CLEAR_MARGIN;
    for (int j = cr.z0; j <= cr.z1; ++j)
        for (int i = cr.x0; i <= cr.x1; ++i)
            if (!cell_below(t, i, j, clear_above)) return 0;
    return 1;
}

// Rounding of a placed centre (M c + p in float), many times over: a fixed part for the game's
// fields, and a part relative to the coordinates for a body thrown far beyond them.
static const float PLACE_SLACK = 1.0f / 256, PLACE_SLACK_RELATIVE = 1.0f / 1048576;

// shape_clears_ground before the spheres are placed: the box of the spheres in body coordinates,
// carried into the world by the matrix (centre M c + p, half sides |M| h), holds the box of the
// placed spheres, so when its cells lie below its lowest point, theirs do below theirs.
static int body_box_clears_ground(const terrain_field *t, const shape *s, const float p[3], const float M[9])
{
    if (!s->has_body_box) return 0;
    float c[3], h[3], wc[3], wh[3];
    for (int k = 0; k < 3; ++k) {
        c[k] = (s->body_lo[k] + s->body_hi[k]) * 0.5f;
        h[k] = (s->body_hi[k] - s->body_lo[k]) * 0.5f;
    }
    for (int k = 0; k < 3; ++k) {
        const float *row = M + 3 * k;
        wc[k] = row[0] * c[0] + row[1] * c[1] + row[2] * c[2] + p[k];
        wh[k] = std::fabs(row[0]) * h[0] + std::fabs(row[1]) * h[1] + std::fabs(row[2]) * h[2];
        wh[k] += PLACE_SLACK + (std::fabs(wc[k]) + wh[k]) * PLACE_SLACK_RELATIVE;
    }
    if (!std::isfinite(wc[1] - wh[1])) return 0;
    cell_range cr;
    if (!cells_under(t, wc[0], wc[2], wh[0] + CLEAR_MARGIN, wh[2] + CLEAR_MARGIN, &cr)) return 0;
    const float clear_above = wc[1] - wh[1] - CLEAR_MARGIN;
    for (int j = cr.z0; j <= cr.z1; ++j)
        for (int i = cr.x0; i <= cr.x1; ++i)
            if (!cell_below(t, i, j, clear_above)) return 0;
    return 1;
}

int shape_terrain_collide(shape *s, dBodyID body, const float position[3], const float rotation[9],
                          const terrain_field *t)
{
    if (!s->world_centers) return 0;   // a cached master has nowhere to place its spheres
    // Most of a riding bike's parts are well clear of the ground: one test for the whole shape,
    // before its spheres are placed where the box they have on the body tells.
    if (body_box_clears_ground(t, s, position, rotation)) return 0;
    shape_place(s, position, rotation);
    if (shape_clears_ground(t, s)) return 0;
    int any = 0;
    for (int i = 0; i < s->sphere_count; ++i) {
        const shape_sphere &sp = s->spheres[i];
        float point[3], normal[3], depth;
        if (!sphere_terrain_contact(t, s->world_centers[i], sp.radius, point, normal, &depth)) continue;
        any = 1;
        if (!body) continue;
        dContact c = {};
        c.surface.mode = dContactApprox1 | dContactSoftERP | dContactSoftCFM;
        c.surface.mu = sp.friction;
        set_softness(&c, 2500, 250);
        for (int k = 0; k < 3; ++k) {
            c.geom.pos[k] = point[k];
            c.geom.normal[k] = normal[k];
        }
        c.geom.depth = depth;
        dJointID joint = dJointCreateContact(physics_world, contact_group, &c);
        ++contact_joints_made;
        dJointAttach(joint, body, nullptr);
    }
    return any;
}
