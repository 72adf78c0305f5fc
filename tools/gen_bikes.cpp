// Makes the bikes' and riders' content for every model of the built-in catalogue:
//   generic_frame.shp, generic_fork_upper.shp, generic_fork_lower.shp, generic_swingarm.shp,
//   generic_rider.shp, front_wheel.shp, rear_wheel.shp     collision spheres, body coordinates
//   <stem>_frame.km, _fork_upper.km, _fork_lower.km, _swingarm.km   each in its body's coordinates
//   <stem>_side_plates.km (frame), <stem>_front_plate.km (upper fork)   plates over the whole
//                                  plate picture
//   <stem>.png, <stem>.png.info    the bike's paint and its number colours
//   front_wheel.km, rear_wheel.km, wheels.png                 tyre, rim, spokes, hub; axle along x
//   rider_head.km, rider_head.png                            the helmet about the head point
//   rider_body.km, rider_body_fp.km, rider_plate.km, rider_body.png   skinned to the nine rider
//                                  bones (bike/rider_bones.h), bind pose a T
//   rider_body-NAME.png, rider_head-NAME.png, wheels-NAME.png   three choosable looks each
//   NAME_lod4.km, NAME_lod5.km, NAME_lod6.km   each bike model, the wheels, the helmet and the
//                                  rider body again with fewer sides, drawn from 16, 32 and 64 ft
//                                  (from 32 ft without spokes or glint, one mesh a model)
//   <graphics prefix>NAME.png(.info)   two looks per model, painted for its stem's meshes
// Meshes are shared by the engine kind (two- or four-stroke) and sized by class; the stems
// differ in paint.
//
// usage: gen_bikes OUTPUT_FOLDER
#include "tools/gen_common.h"
#include "bike/bike.h"
#include "bike/rider_bones.h"
#include "shell/lists.h"
#include <map>
#include <set>

using namespace gen;

namespace {

struct vec3 { float x, y, z; };
vec3 operator+(vec3 a, vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
vec3 operator-(vec3 a, vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
vec3 operator*(vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
float dot(vec3 a, vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
vec3 cross(vec3 a, vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
vec3 unit(vec3 a)
{
    float l = std::sqrt(dot(a, a));
    return l > 0 ? a * (1 / l) : a;
}
vec3 lerp(vec3 a, vec3 b, float t) { return a + (b - a) * t; }

// The rest geometry every catalogue model shares (ft; bike facing -z, y up).
const vec3 FRONT_AXLE = {0, 1.09f, 1.11f}, REAR_AXLE = {0, 1.04f, 6};
const float FRONT_R = 0.8333f, REAR_R = 0.75f, TUBE_R = 0.3333f;
const vec3 FRAME_AT = {0, 1.98f, 3.6f}, FORK_UPPER_AT = {0, 2.9f, 2.16f}, FORK_LOWER_AT = {0, 1.77f, 1.59f};
const vec3 SWINGARM_AT = {0, 1.34f, 4.99f}, PIVOT = {0, 1.6f, 4.08f};
const float LEG_X = 0.8333f / 2;
const vec3 GRIP = {1.097f, 1.145f, 0.753f};   // right grip on the upper fork; the left mirrors it
// Down the steering axis, from the top of the upper fork towards the lower.
const vec3 STEER = unit(FORK_LOWER_AT - FORK_UPPER_AT);

// The rider's bind pose: the catalogue's bone points, in rider_bone order.
vec3 bone(int i) { return {rider_bones[i][0], rider_bones[i][1], rider_bones[i][2]}; }

// ---- mesh building ----

// 0 for a model itself; 1, 2, 3 for its lower-detail variants, which round things with a half,
// a quarter and an eighth of the sides (never fewer than `least`).
int g_lod;

int detail(int sides, int least)
{
    const int n = sides >> g_lod;
    return n > least ? n : least;
}

struct uv_rect { float u0, v0, u1, v1; };

// A triangle turned so it faces the way its vertices' normals point.
void triangle(km_mesh &m, int a, int b, int c)
{
    const km_vertex &p = m.vertices[a], &q = m.vertices[b], &r = m.vertices[c];
    vec3 n = cross(vec3{q.x - p.x, q.y - p.y, q.z - p.z}, vec3{r.x - p.x, r.y - p.y, r.z - p.z});
    vec3 want = {p.nx + q.nx + r.nx, p.ny + q.ny + r.ny, p.nz + q.nz + r.nz};
    if (dot(n, want) < 0) std::swap(b, c);
    m.triangles.insert(m.triangles.end(), {a, b, c});
}

int vertex(km_mesh &m, vec3 p, vec3 n, float u, float v) { return m.vertex(p.x, p.y, p.z, n.x, n.y, n.z, u, v); }

// A tube from a to b, radius ra at a and rb at b, closed at both ends; u runs round it, v along.
void tube(km_mesh &m, vec3 a, vec3 b, float ra, float rb, int sides, uv_rect uv)
{
    sides = detail(sides, 3);
    vec3 d = unit(b - a);
    vec3 h = std::fabs(d.y) < 0.9f ? vec3{0, 1, 0} : vec3{1, 0, 0};
    vec3 e1 = unit(cross(h, d)), e2 = cross(d, e1);
    int first = (int)m.vertices.size();
    for (int i = 0; i <= sides; ++i) {
        double t = 2 * PI * i / sides;
        vec3 radial = e1 * (float)std::cos(t) + e2 * (float)std::sin(t);
        float u = uv.u0 + (uv.u1 - uv.u0) * i / sides;
        vertex(m, a + radial * ra, radial, u, uv.v0);
        vertex(m, b + radial * rb, radial, u, uv.v1);
    }
    for (int i = 0; i < sides; ++i) {
        int k = first + 2 * i;
        triangle(m, k, k + 2, k + 3);
        triangle(m, k, k + 3, k + 1);
    }
    // A wire's ends are lost in what it joins, and from afar nothing sees them.
    const bool capped = g_lod == 0 || std::fmax(ra, rb) > 0.02f;
    for (int end = 0; end < (capped ? 2 : 0); ++end) {
        vec3 c = end ? b : a, n = end ? d : d * -1;
        float r = end ? rb : ra;
        float cu = (uv.u0 + uv.u1) / 2, cv = end ? uv.v1 : uv.v0;
        int centre = vertex(m, c, n, cu, cv);
        int ring = (int)m.vertices.size();
        for (int i = 0; i < sides; ++i) {
            double t = 2 * PI * i / sides;
            vertex(m, c + (e1 * (float)std::cos(t) + e2 * (float)std::sin(t)) * r, n, cu, cv);
        }
        for (int i = 0; i < sides; ++i) triangle(m, centre, ring + i, ring + (i + 1) % sides);
    }
}

// An ellipsoid about c with semi-axes r; u runs round y, v from the bottom to the top.
void ellipsoid(km_mesh &m, vec3 c, vec3 r, int stacks, int slices, uv_rect uv)
{
    stacks = detail(stacks, 3);
    slices = detail(slices, 4);
    int first = (int)m.vertices.size();
    for (int i = 1; i < stacks; ++i) {
        double phi = PI * i / stacks;
        for (int j = 0; j <= slices; ++j) {
            double t = 2 * PI * j / slices;
            vec3 s = {(float)(std::sin(phi) * std::cos(t)), (float)std::cos(phi), (float)(std::sin(phi) * std::sin(t))};
            vec3 p = {c.x + r.x * s.x, c.y + r.y * s.y, c.z + r.z * s.z};
            vec3 n = unit(vec3{s.x / r.x, s.y / r.y, s.z / r.z});
            vertex(m, p, n, uv.u0 + (uv.u1 - uv.u0) * j / slices, uv.v1 - (uv.v1 - uv.v0) * (float)i / stacks);
        }
    }
    const int row = slices + 1;
    for (int i = 0; i + 2 < stacks; ++i)
        for (int j = 0; j < slices; ++j) {
            int k = first + i * row + j;
            triangle(m, k, k + 1, k + row + 1);
            triangle(m, k, k + row + 1, k + row);
        }
    for (int pole = 0; pole < 2; ++pole) {
        vec3 n = {0, pole ? -1.0f : 1.0f, 0};
        int ring = first + (pole ? (stacks - 2) * row : 0);
        for (int j = 0; j < slices; ++j) {
            int top = vertex(m, c + vec3{0, n.y * r.y, 0}, n, uv.u0 + (uv.u1 - uv.u0) * (j + 0.5f) / slices,
                             pole ? uv.v0 : uv.v1);
            triangle(m, top, ring + j, ring + j + 1);
        }
    }
}

// A torus round the x axis through c: major radius big, tube radius small.
void torus_x(km_mesh &m, vec3 c, float big, float small, int segments, int sides, uv_rect uv)
{
    segments = detail(segments, 12);
    sides = detail(sides, 4);
    int first = (int)m.vertices.size();
    for (int i = 0; i <= segments; ++i) {
        double t = 2 * PI * i / segments;
        vec3 q = {0, (float)std::cos(t), (float)std::sin(t)};
        for (int j = 0; j <= sides; ++j) {
            double f = 2 * PI * j / sides;
            vec3 n = q * (float)std::cos(f) + vec3{(float)std::sin(f), 0, 0};
            vertex(m, c + q * big + n * small, n, uv.u0 + (uv.u1 - uv.u0) * i / segments,
                   uv.v0 + (uv.v1 - uv.v0) * j / sides);
        }
    }
    const int row = sides + 1;
    for (int i = 0; i < segments; ++i)
        for (int j = 0; j < sides; ++j) {
            int k = first + i * row + j;
            triangle(m, k, k + row, k + row + 1);
            triangle(m, k, k + row + 1, k + 1);
        }
}

// An axis-aligned box from lo to hi, closed, every face over the rectangle.
void box(km_mesh &m, vec3 lo, vec3 hi, uv_rect uv)
{
    m.box(lo.x, lo.y, lo.z, hi.x, hi.y, hi.z, uv.u0, uv.v0, uv.u1, uv.v1, false);
}

// A flat plate a-b-c-d (seen from the front counter-clockwise), two-sided, over the whole picture.
void plate(km_mesh &m, vec3 a, vec3 b, vec3 c, vec3 d)
{
    const float *p[4] = {&a.x, &b.x, &c.x, &d.x};
    m.quad(p[0], p[1], p[2], p[3], 0, 0, 1, 1);
    m.quad(p[1], p[0], p[3], p[2], 1, 0, 0, 1);
}

// Moves every vertex from mark on by -origin: rest coordinates into a body's own.
void to_body(km_mesh &m, vec3 origin, std::size_t mark = 0)
{
    for (std::size_t i = mark; i < m.vertices.size(); ++i) {
        m.vertices[i].x -= origin.x, m.vertices[i].y -= origin.y, m.vertices[i].z -= origin.z;
    }
}

// Gives every vertex from mark on the full weight of one bone.
void bind(km_mesh &m, std::size_t mark, int bone)
{
    m.weights.resize(m.vertices.size() * RIDER_BONES, 0.0f);
    for (std::size_t i = mark; i < m.vertices.size(); ++i) m.weights[i * RIDER_BONES + (std::size_t)bone] = 1;
}

km_mesh material(float shininess, float r, float g, float b)
{
    km_mesh m;
    m.shininess = shininess, m.r = r, m.g = g, m.b = b;
    return m;
}

// From 32 ft the materials' highlights are a pixel or two apart: a variant's solid meshes become
// one, in the material of the one with the most triangles, so a far part is drawn in one go.
bool write_lean_km(const std::string &path, std::vector<km_mesh> meshes)
{
    if (g_lod < 2) return write_km(path, meshes);
    std::size_t most = 0;
    for (std::size_t i = 0; i < meshes.size(); ++i)
        if (meshes[i].shininess >= 0 && meshes[i].triangles.size() > meshes[most].triangles.size()) most = i;
    km_mesh one = material(meshes[most].shininess, meshes[most].r, meshes[most].g, meshes[most].b);
    std::vector<km_mesh> out = {one};
    for (const km_mesh &m : meshes) {
        if (m.shininess < 0) {   // reflective layers stay apart, after the solid ones
            out.push_back(m);
            continue;
        }
        const int first = (int)out[0].vertices.size();
        out[0].vertices.insert(out[0].vertices.end(), m.vertices.begin(), m.vertices.end());
        for (int v : m.triangles) out[0].triangles.push_back(first + v);
    }
    return write_km(path, out);
}

// ---- collision shapes ----

bool write_shape(const std::string &path, const std::vector<vec3> &centres, vec3 origin, float radius,
                 float friction, float k, float c)
{
    std::vector<shp_sphere> spheres;
    for (vec3 p : centres) {
        vec3 q = p - origin;
        spheres.push_back({q.x, q.y, q.z, radius, friction, k, c});
    }
    return write_shp(path, spheres);
}

// Fork, swingarm and rider spheres stay clear of flat ground even with both ends fully
// compressed (the frame a foot lower, the swingarm at its highest angle).
bool make_shapes(const std::string &out)
{
    // The top chain rises over the tank and falls along the seat; the lower one sags under
    // the engine.
    std::vector<vec3> frame;
    for (int i = 0; i < 8; ++i) {
        float rise = i < 4 ? i * 0.05f : 0.2f - (i - 4) * 0.04f;
        frame.push_back(lerp({0, 2.75f, 2.35f}, {0, 2.8f, 5.8f}, i / 7.0f) + vec3{0, rise, 0});
    }
    for (int i = 0; i < 4; ++i) {
        float sag = i == 1 || i == 2 ? 0.15f : 0;
        frame.push_back(lerp({0, 2.25f, 2.6f}, {0, 1.95f, 4.0f}, i / 3.0f) - vec3{0, sag, 0});
    }
    bool ok = write_shape(out + "generic_frame.shp", frame, FRAME_AT, 0.35f, 0.6f, 20000, 400);

    std::vector<vec3> upper, lower, swingarm;
    for (float side : {-1.0f, 1.0f}) {
        for (float t : {0.0f, 0.45f, 0.9f}) upper.push_back(FORK_UPPER_AT + vec3{side * LEG_X, 0, 0} + STEER * t);
        upper.push_back(FORK_UPPER_AT + vec3{side * GRIP.x, GRIP.y, GRIP.z});
        for (float t : {1.3f, 1.62f, 1.95f}) lower.push_back(FORK_UPPER_AT + vec3{side * LEG_X, 0, 0} + STEER * t);
        for (float s : {0.15f, 0.4f, 0.65f, 0.85f}) swingarm.push_back(lerp(PIVOT, REAR_AXLE, s) + vec3{side * 0.35f, 0, 0});
    }
    upper.push_back(FORK_UPPER_AT + vec3{0, GRIP.y - 0.05f, GRIP.z});
    ok = write_shape(out + "generic_fork_upper.shp", upper, FORK_UPPER_AT, 0.25f, 0.6f, 15000, 300) && ok;
    ok = write_shape(out + "generic_fork_lower.shp", lower, FORK_LOWER_AT, 0.2f, 0.6f, 15000, 300) && ok;
    ok = write_shape(out + "generic_swingarm.shp", swingarm, SWINGARM_AT, 0.22f, 0.6f, 15000, 300) && ok;

    // Head, chest and hips, in the rider body's coordinates.
    std::vector<shp_sphere> rider = {{0, 1.45f, -1.0f, 0.45f, 0.8f, 8000, 200},
                                     {0, 0.55f, -0.55f, 0.5f, 0.8f, 8000, 200},
                                     {0, -0.35f, 0.45f, 0.5f, 0.8f, 8000, 200}};
    ok = write_shp(out + "generic_rider.shp", rider) && ok;

    // Twelve spheres the size of the tyre's tube round each axle.
    for (int rear = 0; rear < 2; ++rear) {
        std::vector<shp_sphere> tyre;
        float big = rear ? REAR_R : FRONT_R;
        for (int i = 0; i < 12; ++i) {
            double t = 2 * PI * i / 12;
            tyre.push_back({0, big * (float)std::cos(t), big * (float)std::sin(t), TUBE_R, 1.0f, 12000, 250});
        }
        ok = write_shp(out + (rear ? "rear_wheel.shp" : "front_wheel.shp"), tyre) && ok;
    }
    return ok;
}

// ---- the bike's meshes ----

// Picture quarters of "<stem>.png" (v up): plastics, seat, frame, engine and pipe.
const uv_rect PLASTIC = {0.01f, 0.51f, 0.49f, 0.99f}, SEAT = {0.51f, 0.51f, 0.99f, 0.99f};
const uv_rect METAL = {0.01f, 0.01f, 0.49f, 0.49f}, ENGINE = {0.51f, 0.01f, 0.99f, 0.49f};

struct row_style {
    float engine;       // engine block scale
    bool two_stroke;    // expansion chamber under the engine instead of a high silencer
};

row_style style_of(const char *engine_class)
{
    std::string c = engine_class ? engine_class : "";
    if (c == "450f") return {1.0f, false};
    if (c == "250f") return {0.9f, false};
    if (c == "250") return {0.95f, true};
    if (c == "125") return {0.8f, true};
    return {0.7f, true};
}

std::vector<km_mesh> frame_meshes(const row_style &st)
{
    km_mesh plastic = material(48, 1, 1, 1), metal = material(32, 1, 1, 1), dark = material(8, 1, 1, 1);
    vec3 head = FORK_UPPER_AT + STEER * 0.25f;
    tube(metal, FORK_UPPER_AT + STEER * 0.05f, FORK_UPPER_AT + STEER * 0.6f, 0.12f, 0.12f, 10, METAL);
    for (float side : {-1.0f, 1.0f}) {
        vec3 top = {side * 0.3f, 2.6f, 3.7f}, low = {side * 0.25f, 1.45f, 2.9f};
        tube(metal, head, top, 0.07f, 0.07f, 6, METAL);
        tube(metal, top, {side * 0.33f, 1.8f, 4.1f}, 0.07f, 0.07f, 6, METAL);
        tube(metal, top, {side * 0.25f, 2.85f, 5.7f}, 0.05f, 0.05f, 6, METAL);
        tube(metal, FORK_UPPER_AT + STEER * 0.5f, low, 0.06f, 0.06f, 6, METAL);
        tube(metal, low, {side * 0.28f, 1.35f, 3.8f}, 0.06f, 0.06f, 6, METAL);
        // Radiator shrouds either side of the tank.
        box(plastic, {side > 0 ? 0.38f : -0.48f, 2.2f, 2.55f}, {side > 0 ? 0.48f : -0.38f, 2.85f, 3.25f}, PLASTIC);
    }
    float e = st.engine;
    box(dark, {-0.3f * e, 1.4f, 3.35f - 0.55f * e}, {0.3f * e, 1.4f + 0.85f * e, 3.35f + 0.5f * e}, ENGINE);
    tube(dark, {0, 1.9f, 3.0f}, {0, 2.1f + 0.3f * e, 2.9f}, 0.22f * e, 0.18f * e, 10, ENGINE);   // cylinder
    box(plastic, {-0.42f, 2.5f, 2.6f}, {0.42f, 3.0f, 3.6f}, PLASTIC);                          // tank
    box(dark, {-0.33f, 2.95f, 3.45f}, {0.33f, 3.12f, 5.35f}, SEAT);                               // seat
    box(plastic, {-0.36f, 2.9f, 5.35f}, {0.36f, 2.97f, 6.55f}, PLASTIC);                          // fender
    if (st.two_stroke) {
        tube(dark, {0.05f, 2.0f, 2.75f}, {0.12f, 1.45f, 3.0f}, 0.1f, 0.2f, 10, ENGINE);
        tube(dark, {0.12f, 1.45f, 3.0f}, {0.35f, 1.9f, 4.3f}, 0.2f, 0.1f, 10, ENGINE);
        tube(dark, {0.4f, 2.5f, 4.4f}, {0.45f, 2.8f, 5.5f}, 0.13f, 0.12f, 10, ENGINE);
    } else {
        tube(dark, {0.1f, 2.1f, 2.8f}, {0.4f, 2.35f, 4.4f}, 0.08f, 0.08f, 8, ENGINE);
        tube(dark, {0.42f, 2.5f, 4.4f}, {0.48f, 2.85f, 5.8f}, 0.17f, 0.15f, 12, ENGINE);
    }
    // The frame tubes again as a reflective layer: the lit pass draws the paint, the reflective
    // pass adds the sky's glint over it (a reflective mesh comes after every lit one).
    km_mesh chrome = metal;
    chrome.shininess = -1;
    chrome.alpha = 0.35f;
    std::vector<km_mesh> meshes = {plastic, metal, dark, chrome};
    // From 32 ft the glint is a pixel or two.
    if (g_lod >= 2) meshes.pop_back();
    for (km_mesh &m : meshes) to_body(m, FRAME_AT);
    return meshes;
}

std::vector<km_mesh> fork_upper_meshes()
{
    km_mesh metal = material(64, 1, 1, 1), plastic = material(48, 1, 1, 1);
    for (float side : {-1.0f, 1.0f}) {
        vec3 top = FORK_UPPER_AT + vec3{side * LEG_X, 0, 0};
        tube(metal, top - STEER * 0.15f, top + STEER * 1.35f, 0.1f, 0.1f, 10, METAL);
        // A bent bar: low and forward over the clamps, rising and sweeping back to the grips, so
        // from the saddle it runs out to the hands instead of lying across the view.
        // Every piece runs from left to right, so the metal's shine lies the same way on both.
        vec3 grip = FORK_UPPER_AT + vec3{side * GRIP.x, GRIP.y, GRIP.z};
        vec3 bend = FORK_UPPER_AT + vec3{side * 0.45f, GRIP.y - 0.3f, GRIP.z - 0.2f};
        vec3 grip_end = grip - vec3{side * 0.3f, 0, 0};
        tube(metal, FORK_UPPER_AT + vec3{side * 0.15f, 0.05f, 0.05f}, bend - vec3{side * 0.25f, 0.02f, 0}, 0.05f, 0.045f, 6, METAL);
        if (side < 0) tube(metal, grip_end, bend, 0.032f, 0.036f, 8, METAL);
        else tube(metal, bend, grip_end, 0.036f, 0.032f, 8, METAL);
        tube(plastic, side < 0 ? grip : grip_end, side < 0 ? grip_end : grip, 0.055f, 0.055f, 8, SEAT);
    }
    tube(metal, FORK_UPPER_AT + vec3{-0.45f, GRIP.y - 0.3f, GRIP.z - 0.2f}, FORK_UPPER_AT + vec3{0.45f, GRIP.y - 0.3f, GRIP.z - 0.2f},
         0.038f, 0.038f, 8, METAL);
    for (float t : {0.0f, 0.45f})   // the two triple clamps
        box(metal, FORK_UPPER_AT + STEER * t + vec3{-LEG_X - 0.12f, -0.06f, -0.15f},
            FORK_UPPER_AT + STEER * t + vec3{LEG_X + 0.12f, 0.06f, 0.15f}, METAL);
    std::vector<km_mesh> meshes = {metal, plastic};
    for (km_mesh &m : meshes) to_body(m, FORK_UPPER_AT);
    return meshes;
}

std::vector<km_mesh> fork_lower_meshes()
{
    km_mesh leg = material(48, 1, 1, 1);
    for (float side : {-1.0f, 1.0f}) {
        vec3 top = FORK_UPPER_AT + vec3{side * LEG_X, 0, 0};
        tube(leg, top + STEER * 1.15f, FRONT_AXLE + vec3{side * LEG_X, 0.05f, 0}, 0.13f, 0.12f, 10, PLASTIC);
    }
    tube(leg, FRONT_AXLE + vec3{-LEG_X, 0, 0}, FRONT_AXLE + vec3{LEG_X, 0, 0}, 0.04f, 0.04f, 6, METAL);
    to_body(leg, FORK_LOWER_AT);
    return {leg};
}

std::vector<km_mesh> swingarm_meshes()
{
    km_mesh arm = material(40, 1, 1, 1);
    for (float side : {-1.0f, 1.0f})
        tube(arm, PIVOT + vec3{side * 0.3f, 0, 0}, REAR_AXLE + vec3{side * 0.38f, 0, 0}, 0.1f, 0.08f, 6, METAL);
    tube(arm, PIVOT + vec3{-0.32f, 0, 0}, PIVOT + vec3{0.32f, 0, 0}, 0.09f, 0.09f, 8, METAL);
    tube(arm, {0, 2.7f, 4.25f}, lerp(PIVOT, REAR_AXLE, 0.35f) + vec3{0, 0.12f, 0}, 0.12f, 0.1f, 10, ENGINE);   // shock
    to_body(arm, SWINGARM_AT);
    return {arm};
}

std::vector<km_mesh> side_plate_meshes()
{
    km_mesh m = material(24, 1, 1, 1);
    for (float side : {-1.0f, 1.0f}) {
        float x = side * 0.5f;
        vec3 a = {x, 2.3f, side > 0 ? 5.5f : 4.55f}, b = {x, 2.3f, side > 0 ? 4.55f : 5.5f};
        plate(m, a, b, b + vec3{0, 0.62f, -side * 0.08f}, a + vec3{0, 0.62f, -side * 0.08f});
    }
    to_body(m, FRAME_AT);
    return {m};
}

std::vector<km_mesh> front_plate_meshes()
{
    km_mesh m = material(24, 1, 1, 1);
    vec3 c = FORK_UPPER_AT + vec3{0, 0.35f, -0.45f};
    vec3 up = STEER * -1;
    plate(m, c + vec3{0.42f, 0, 0} - up * 0.35f, c - vec3{0.42f, 0, 0} - up * 0.35f, c - vec3{0.42f, 0, 0} + up * 0.4f,
          c + vec3{0.42f, 0, 0} + up * 0.4f);
    to_body(m, FORK_UPPER_AT);
    return {m};
}

// ---- wheels and rider ----

bool make_wheel(const std::string &path, float big)
{
    km_mesh tyre = material(4, 1, 1, 1), rim = material(64, 1, 1, 1);
    const uv_rect TREAD = {0.01f, 0.01f, 0.49f, 0.99f}, RIM = {0.51f, 0.51f, 0.99f, 0.99f}, HUB = {0.51f, 0.01f, 0.99f, 0.49f};
    torus_x(tyre, {0, 0, 0}, big, TUBE_R, 32, 10, TREAD);
    float rim_r = big - TUBE_R * 0.9f;
    // The rim band, open inside: a tube along x seen from outside.
    tube(rim, {-0.12f, 0, 0}, {0.12f, 0, 0}, rim_r, rim_r, 32, RIM);
    tube(rim, {-0.2f, 0, 0}, {0.2f, 0, 0}, 0.12f, 0.12f, 12, HUB);
    // Spokes thinner than a pixel from 32 ft are left off there.
    for (int i = 0; i < (g_lod < 2 ? 16 : 0); ++i) {
        double t = 2 * PI * i / 16;
        float side = i % 2 ? 0.15f : -0.15f;
        vec3 out = {0, rim_r * (float)std::cos(t), rim_r * (float)std::sin(t)};
        vec3 in = {side, 0.1f * (float)std::cos(t + 0.4), 0.1f * (float)std::sin(t + 0.4)};
        tube(rim, in, out, 0.012f, 0.012f, 4, HUB);
    }
    return write_lean_km(path, {tyre, rim});
}

bool make_head(const std::string &path)
{
    km_mesh shell = material(80, 1, 1, 1), visor = material(16, 1, 1, 1);
    ellipsoid(shell, {0, 0, 0}, {0.42f, 0.45f, 0.5f}, 12, 20, {0.01f, 0.26f, 0.99f, 0.99f});
    box(shell, {-0.28f, -0.42f, -0.55f}, {0.28f, -0.15f, -0.38f}, {0.01f, 0.01f, 0.49f, 0.24f});   // chin bar
    box(visor, {-0.32f, 0.18f, -0.78f}, {0.32f, 0.24f, -0.35f}, {0.51f, 0.01f, 0.99f, 0.24f});      // peak
    return write_lean_km(path, {shell, visor});
}

// "@rider_body.png" quarters: jersey, pants, gloves and boots, the back.
const uv_rect JERSEY = {0.01f, 0.51f, 0.49f, 0.99f}, PANTS = {0.51f, 0.51f, 0.99f, 0.99f};
const uv_rect GEAR = {0.01f, 0.01f, 0.49f, 0.49f};

void rider_arms(km_mesh &m)
{
    for (int s = 0; s < 2; ++s) {
        float side = s ? 1.0f : -1.0f;
        std::size_t mark = m.vertices.size();
        tube(m, bone(RIDER_BONE_LEFT_SHOULDER + s) - vec3{side * 0.1f, 0, 0}, bone(RIDER_BONE_LEFT_ELBOW + s), 0.17f, 0.14f, 10, JERSEY);
        bind(m, mark, RIDER_BONE_LEFT_SHOULDER + s);
        mark = m.vertices.size();
        vec3 wrist = bone(RIDER_BONE_LEFT_ELBOW + s) + vec3{side * 1.1f, 0, 0};
        tube(m, bone(RIDER_BONE_LEFT_ELBOW + s), wrist, 0.14f, 0.11f, 10, JERSEY);
        ellipsoid(m, wrist + vec3{side * 0.1f, 0, 0}, {0.13f, 0.1f, 0.12f}, 6, 8, GEAR);
        bind(m, mark, RIDER_BONE_LEFT_ELBOW + s);
    }
}

void rider_arms_seen_from_inside(km_mesh &m)
{
    for (int s = 0; s < 2; ++s) {
        float side = s ? 1.0f : -1.0f;
        vec3 shoulder = bone(RIDER_BONE_LEFT_SHOULDER + s), elbow = bone(RIDER_BONE_LEFT_ELBOW + s);
        std::size_t mark = m.vertices.size();
        tube(m, lerp(shoulder, elbow, 0.35f), elbow, 0.1f, 0.1f, 10, JERSEY);
        bind(m, mark, RIDER_BONE_LEFT_SHOULDER + s);
        mark = m.vertices.size();
        // The forearm's length reaches the grip; the glove closes round it.
        vec3 grip = elbow + vec3{side * 1.15f, 0, 0};
        vec3 cuff = grip - vec3{side * 0.3f, 0, 0};
        tube(m, elbow, cuff, 0.1f, 0.085f, 10, JERSEY);
        tube(m, cuff - vec3{side * 0.04f, 0, 0}, cuff + vec3{side * 0.12f, 0, 0}, 0.095f, 0.09f, 10, GEAR);
        ellipsoid(m, grip, {0.14f, 0.1f, 0.11f}, 6, 10, GEAR);
        bind(m, mark, RIDER_BONE_LEFT_ELBOW + s);
    }
}

void rider_legs(km_mesh &m)
{
    for (int s = 0; s < 2; ++s) {
        std::size_t mark = m.vertices.size();
        tube(m, bone(RIDER_BONE_LEFT_HIP + s) + vec3{0, 0.1f, 0}, bone(RIDER_BONE_LEFT_KNEE + s), 0.24f, 0.18f, 10, PANTS);
        bind(m, mark, RIDER_BONE_LEFT_HIP + s);
        mark = m.vertices.size();
        vec3 knee = bone(RIDER_BONE_LEFT_KNEE + s), ankle = knee - vec3{0, 1.45f, 0};
        tube(m, knee, ankle, 0.18f, 0.15f, 10, GEAR);
        box(m, ankle + vec3{-0.14f, -0.3f, -0.42f}, ankle + vec3{0.14f, 0.25f, 0.17f}, GEAR);
        bind(m, mark, RIDER_BONE_LEFT_KNEE + s);
    }
}

bool make_rider_body(const std::string &path)
{
    km_mesh body = material(12, 1, 1, 1);
    std::size_t mark = body.vertices.size();
    ellipsoid(body, {0, 0.05f, 0.02f}, {0.55f, 1.0f, 0.36f}, 12, 16, JERSEY);
    ellipsoid(body, {0, -0.85f, 0.02f}, {0.48f, 0.32f, 0.33f}, 8, 16, PANTS);
    tube(body, {0, 0.9f, 0.02f}, {0, 1.25f, 0.02f}, 0.15f, 0.14f, 8, GEAR);   // neck
    bind(body, mark, RIDER_BONE_PELVIS);
    rider_arms(body);
    rider_legs(body);
    return write_km(path, {body}, RIDER_BONES, "rider");
}

bool make_rider(const std::string &out)
{
    // What a rider sees of himself: arms and legs. The eye sits between the shoulders, so the
    // sleeves start a third of the way down the upper arm (whole ones fill the near view) and
    // are slimmer than the outside model's.
    km_mesh fp = material(12, 1, 1, 1);
    rider_arms_seen_from_inside(fp);
    rider_legs(fp);
    bool ok = write_km(out + "rider_body_fp.km", {fp}, RIDER_BONES, "rider");

    // The number plate on his back.
    km_mesh back = material(24, 1, 1, 1);
    plate(back, {-0.36f, -0.05f, 0.4f}, {0.36f, -0.05f, 0.4f}, {0.36f, 0.65f, 0.4f}, {-0.36f, 0.65f, 0.4f});
    bind(back, 0, RIDER_BONE_PELVIS);
    return write_km(out + "rider_plate.km", {back}, RIDER_BONES, "rider") && ok;
}

// ---- pictures ----

std::uint32_t fnv1a(const std::string &s)
{
    std::uint32_t h = 2166136261u;
    for (unsigned char c : s) h = (h ^ c) * 16777619u;
    return h;
}

std::string info_text(color bg, color fg)
{
    char text[160];
    snprintf(text, sizeof text, "[numberbackground:%.3g,%.3g,%.3g]\n[numberforeground:%.3g,%.3g,%.3g]\n", bg.r, bg.g,
             bg.b, fg.r, fg.g, fg.b);
    return text;
}

// The make's colour, from the first run of letters in the stem ("sxfv" of "450sxfv2016").
color brand_color(const std::string &stem)
{
    std::string letters;
    for (char c : stem) {
        if (c >= 'a' && c <= 'z') letters += c;
        else if (!letters.empty()) break;
    }
    static const std::map<std::string, color> brands = {
        {"crf", rgb(200, 24, 30)},   {"cr", rgb(200, 24, 30)},  {"kx", rgb(96, 200, 40)},
        {"rm", rgb(240, 210, 20)},   {"rmz", rgb(240, 210, 20)}, {"yz", rgb(28, 60, 190)},
        {"fc", rgb(235, 235, 240)},  {"sx", rgb(250, 110, 0)},  {"sxfv", rgb(250, 110, 0)},
        {"sxv", rgb(250, 110, 0)},
    };
    auto it = brands.find(letters);
    return it != brands.end() ? it->second : rgb(120, 120, 130);
}

struct paint { color base, accent, frame, seat, number_bg, number_fg; };

// Paints the bike picture: plastics with a stripe graphic, the seat, the frame, the engine.
canvas bike_picture(const paint &p, std::uint32_t seed)
{
    const int S = 256, H = S / 2;
    canvas cv(S, S, p.base);
    rng r(seed);
    double angle = r.range(0.3, 1.2);
    double width = r.range(10, 26);
    double offset = r.range(0, 40);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < H; ++x) {
            double along = x * std::cos(angle) + y * std::sin(angle) + offset;
            double band = std::fmod(along, 3 * width);
            cv.at(x, y) = band < width ? p.accent : band < width * 1.3 ? rgb(245, 245, 245) : p.base;
        }
    cv.rect(8, 90, 120, 118, p.number_bg);
    for (int y = 0; y < H; ++y)
        for (int x = H; x < S; ++x) cv.at(x, y) = shade(p.seat, (y / 6) % 2 ? 1.0 : 0.85);
    for (int y = H; y < S; ++y)
        for (int x = 0; x < H; ++x) cv.at(x, y) = shade(p.frame, 0.8 + 0.2 * std::sin(x * 0.1));
    for (int y = H; y < S; ++y)
        for (int x = H; x < S; ++x) cv.at(x, y) = shade(rgb(70, 70, 74), (y / 4) % 2 ? 1.0 : 0.7);
    return cv;
}

paint stem_paint(const std::string &stem, int look)
{
    color brand = brand_color(stem);
    rng r(fnv1a(stem) + (std::uint32_t)look * 7919u);
    double dark = r.range(0.25, 0.45);
    paint p;
    switch (look) {
    case 0:   // the stock look
        p = {brand, shade(brand, dark), rgb(170, 172, 178), rgb(30, 30, 34), rgb(250, 250, 250), rgb(10, 10, 10)};
        break;
    case 1:   // team: dark plastics, the make's colour as the stripe
        p = {rgb(28, 28, 32), brand, shade(brand, 0.8), rgb(20, 20, 22), brand, rgb(250, 250, 250)};
        break;
    default:  // retro: white plastics
        p = {rgb(240, 240, 236), brand, rgb(40, 40, 44), shade(brand, 0.6), rgb(20, 20, 22), rgb(250, 220, 40)};
        break;
    }
    return p;
}

bool write_bike_picture(const std::string &path, const std::string &stem, int look)
{
    paint p = stem_paint(stem, look);
    bool ok = write_canvas_rgb(path, bike_picture(p, fnv1a(stem) ^ (std::uint32_t)look));
    return write_text(path + ".info", info_text(p.number_bg, p.number_fg)) && ok;
}

bool write_wheels_picture(const std::string &path, color rim)
{
    canvas cv(128, 128, rgb(20, 20, 20));
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 64; ++x) cv.at(x, y) = ((x / 4 + y / 4) % 3 == 0) ? rgb(42, 42, 40) : rgb(22, 22, 22);
    cv.rect(64, 0, 128, 64, rim);
    cv.rect(64, 64, 128, 128, rgb(190, 190, 196));
    return write_canvas_rgb(path, cv);
}

bool write_head_picture(const std::string &path, color a, color b)
{
    canvas cv(128, 128, a);
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 128; ++x)
            if (std::fmod(x + y * 0.5, 32.0) < 10) cv.at(x, y) = b;
    cv.rect(0, 96, 64, 128, shade(a, 0.6));
    cv.rect(64, 96, 128, 128, rgb(30, 30, 34));
    return write_canvas_rgb(path, cv);
}

bool write_rider_picture(const std::string &path, color jersey, color pants)
{
    canvas cv(128, 128, jersey);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            if ((y / 8) % 3 == 0) cv.at(x, y) = shade(jersey, 0.7);
    cv.rect(64, 0, 128, 64, pants);
    cv.rect(0, 64, 64, 128, rgb(30, 30, 32));
    cv.rect(64, 64, 128, 128, shade(jersey, 0.5));
    return write_canvas_rgb(path, cv);
}

// ---- per record ----

// The model at path, then its lower-detail variants beside it ("x.km": "x_lod4.km" from 16 ft,
// "x_lod5.km" from 32, "x_lod6.km" from 64), each made by make with g_lod set.
template <typename Make> bool with_lods(const std::string &path, Make make)
{
    bool ok = make(path);
    const std::string stem = path.substr(0, path.size() - 3);
    for (g_lod = 1; g_lod <= 3; ++g_lod) ok = make(stem + "_lod" + std::to_string(3 + g_lod) + ".km") && ok;
    g_lod = 0;
    return ok;
}

const char *const STEM_MODEL_ENDINGS[] = {"_frame.km", "_fork_upper.km", "_fork_lower.km", "_swingarm.km",
                                          "_side_plates.km", "_front_plate.km"};
const char *const BIKE_LOOKS[] = {"team", "retro"};
const char *const RIDER_LOOKS[] = {"sunset", "ocean", "shadow"};

bool ends_with(const std::string &s, const std::string &tail)
{
    return s.size() > tail.size() && !s.compare(s.size() - tail.size(), tail.size(), tail);
}

bool make_stem_model(const std::string &path, int ending, const row_style &st)
{
    std::vector<km_mesh> meshes;
    switch (ending) {
    case 0: meshes = frame_meshes(st); break;
    case 1: meshes = fork_upper_meshes(); break;
    case 2: meshes = fork_lower_meshes(); break;
    case 3: meshes = swingarm_meshes(); break;
    case 4: meshes = side_plate_meshes(); break;
    default: meshes = front_plate_meshes(); break;
    }
    return write_lean_km(path, meshes);
}

// Every file a record names that is not shared: its stem's models and picture.
bool make_record(const std::string &out, const bike_info &info, std::set<std::string> &made,
                 const std::set<std::string> &shared)
{
    bool ok = true;
    for (int f = 0; f < BIKE_INFO_FILES; ++f) {
        const char *at = info.files[f];
        if (!at) continue;
        std::string name = at[0] == '@' ? at + 1 : at;
        if (shared.count(name) || !made.insert(name).second) continue;
        bool known = false;
        if (f == BIKE_FILE_BIKE_TEXTURE && ends_with(name, ".png")) {
            known = true;
            ok = write_bike_picture(out + name, name.substr(0, name.size() - 4), 0) && ok;
        }
        for (int e = 0; e < 6 && !known; ++e)
            if (ends_with(name, STEM_MODEL_ENDINGS[e])) {
                known = true;
                const row_style st = style_of(info.engine_class);
                auto make = [&](const std::string &path) { return make_stem_model(path, e, st); };
                // The plates are flat quads: nothing to take away.
                ok = (e < 4 ? with_lods(out + name, make) : make(out + name)) && ok;
            }
        if (!known) {
            fprintf(stderr, "gen_bikes: nothing makes '%s' of '%s'\n", at, info.name);
            ok = false;
        }
    }
    // Its two looks, named the way the setup lists them.
    const char *texture = info.files[BIKE_FILE_BIKE_TEXTURE];
    if (texture && info.name) {
        std::string stem = texture[0] == '@' ? texture + 1 : texture;
        stem = stem.substr(0, stem.size() - 4);
        char prefix[160];
        bike_graphics_prefix(info.name, prefix, sizeof prefix);
        for (int look = 0; look < 2; ++look)
            ok = write_bike_picture(out + prefix + BIKE_LOOKS[look] + ".png", stem, look + 1) && ok;
    }
    return ok;
}

bool make_shared(const std::string &out)
{
    bool ok = make_shapes(out);
    ok = with_lods(out + "front_wheel.km", [](const std::string &p) { return make_wheel(p, FRONT_R); }) && ok;
    ok = with_lods(out + "rear_wheel.km", [](const std::string &p) { return make_wheel(p, REAR_R); }) && ok;
    ok = with_lods(out + "rider_head.km", make_head) && ok;
    ok = with_lods(out + "rider_body.km", make_rider_body) && ok;
    ok = make_rider(out) && ok;
    ok = write_wheels_picture(out + "wheels.png", rgb(30, 30, 32)) && ok;
    ok = write_head_picture(out + "rider_head.png", rgb(235, 235, 235), rgb(200, 30, 30)) && ok;
    ok = write_rider_picture(out + "rider_body.png", rgb(230, 230, 230), rgb(40, 40, 46)) && ok;
    const color looks[3][2] = {{rgb(250, 120, 20), rgb(120, 20, 60)},
                               {rgb(20, 110, 200), rgb(230, 230, 240)},
                               {rgb(34, 34, 38), rgb(140, 140, 150)}};
    for (int i = 0; i < 3; ++i) {
        std::string name = RIDER_LOOKS[i];
        ok = write_wheels_picture(out + "wheels-" + name + ".png", looks[i][0]) && ok;
        ok = write_head_picture(out + "rider_head-" + name + ".png", looks[i][0], looks[i][1]) && ok;
        ok = write_rider_picture(out + "rider_body-" + name + ".png", looks[i][0], looks[i][1]) && ok;
    }
    return ok;
}

}   // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: gen_bikes OUTPUT_FOLDER\n");
        return 2;
    }
    std::string out = argv[1];
    if (out.back() != '/') out += '/';
    make_folder(out);
    const std::set<std::string> shared = {
        "generic_frame.shp", "generic_fork_upper.shp", "generic_fork_lower.shp", "generic_swingarm.shp",
        "front_wheel.shp",   "rear_wheel.shp",         "generic_rider.shp",      "front_wheel.km",
        "rear_wheel.km",     "wheels.png",             "rider_head.km",          "rider_head.png",
        "rider_body.km",     "rider_body_fp.km",       "rider_body.png",         "rider_plate.km"};
    bool ok = make_shared(out);
    std::set<std::string> made;
    for (int i = 0; i < bike_catalogue_count; ++i) ok = make_record(out, bike_catalogue[i], made, shared) && ok;
    return ok ? 0 : 1;
}
