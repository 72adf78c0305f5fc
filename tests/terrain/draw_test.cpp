// The choice of ground patches and their fans, without OpenGL: the walk runs with a back end
// that records every fan.
#include "terrain/draw.h"
#include "terrain/field.h"
#include "terrain/lod.h"
#include "terrain/terrain_seams.h"
#include "terrain/terrain_fixture.h"
#include <gtest/gtest.h>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <unordered_set>
#include <vector>

namespace {

// A generated field with its pyramid built and room for the active set.
struct drawn_field : small_field {
    explicit drawn_field(int depth, const std::function<float(int, int)> &height = bumpy)
        : small_field(depth, 1.0f, height)
    {
        t->lod_active = (unsigned char *)calloc((std::size_t)bit_bytes(terrain_lod_node_count(depth)), 1);
        terrain_build_lod(t, TERRAIN_BUDGET_UNLIMITED);
    }
    ~drawn_field() { free(t->lod_active); }
    void eye(float x, float y, float z, float dx = 0, float dy = 0, float dz = 0)
    {
        t->eye_pos[0] = x; t->eye_pos[1] = y; t->eye_pos[2] = z;
        t->view_dir[0] = dx; t->view_dir[1] = dy; t->view_dir[2] = dz;
    }
    bool active(int d, int x, int z) const
    {
        return bit_get(t->lod_active, lod_level_offset[d] + ((long)z << d) + x);
    }
};

struct recorded_fan {
    int depth, x, z, level;
    terrain_fan fan;
};
std::vector<recorded_fan> g_fans;
int g_binds;

void record_bind(terrain_field *, int, int, int, int) { ++g_binds; }
void record_fan(terrain_field *t, int depth, int x, int z, int start, int count, int level)
{
    recorded_fan r{depth, x, z, level, {}};
    terrain_fan_build(t, depth, x, z, start, count, level, &r.fan);
    g_fans.push_back(r);
}
const terrain_draw_ops recorder = {record_bind, record_fan};

void walk(drawn_field &f)
{
    g_fans.clear();
    g_binds = 0;
    terrain_choose_patches(f.t);
    terrain_walk(f.t, &recorder);
}

long long key(long long x, long long z) { return x * 1000003 + z; }

} // namespace

TEST(TerrainDraw, FanVertices)
{
    drawn_field f(7);
    const long bytes = bit_bytes(terrain_lod_node_count(7));
    struct Case { const char *what; int fill, depth, x, z, want; };
    const Case cases[] = {
        {"every neighbour active: centre and nine rim entries", 0xFF, 7, 40, 40, 10},
        {"inactive neighbours: the four midpoints dropped", 0x00, 7, 40, 40, 6},
        {"corner of the terrain: midpoints facing outside stay", 0x00, 7, 0, 0, 8},
        {"the root faces only the outside", 0x00, 0, 0, 0, 10},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        memset(f.t->lod_active, c.fill, (std::size_t)bytes);
        f.t->fan_vertex_count = 0;
        terrain_fan fan;
        EXPECT_EQ(terrain_fan_build(f.t, c.depth, c.x, c.z, 1, 9, 0, &fan), c.want);
        EXPECT_EQ(f.t->fan_vertex_count, c.want - 1);   // the centre is not counted
        // The fan closes on the corner it began with.
        EXPECT_EQ(fan.xyz[1][0], fan.xyz[c.want - 1][0]);
        EXPECT_EQ(fan.xyz[1][2], fan.xyz[c.want - 1][2]);
    }
}

TEST(TerrainDraw, FanPositionsAndTextureCoordinates)
{
    drawn_field f(7);
    memset(f.t->lod_active, 0xFF, (std::size_t)bit_bytes(terrain_lod_node_count(7)));
    terrain_fan fan;
    // Leaf (3, 5): centre sample (7, 11); a level-0 texture spans cells 6..8 and 10..12.
    terrain_fan_build(f.t, 7, 3, 5, 1, 9, 0, &fan);
    EXPECT_EQ(fan.xyz[0][0], 7.0f);
    EXPECT_EQ(fan.xyz[0][1], f.h(7, 11));
    EXPECT_EQ(fan.xyz[0][2], 11.0f);
    EXPECT_FLOAT_EQ(fan.st[0][0], 0.5f);
    EXPECT_FLOAT_EQ(fan.st[0][1], 0.5f);
    EXPECT_FLOAT_EQ(fan.st[1][0], 0.0f);   // rim 1 is the (-1, -1) corner
    EXPECT_FLOAT_EQ(fan.st[1][1], 0.0f);
    // At level 6 the same leaf sits in the first 128-cell block.
    terrain_fan_build(f.t, 7, 3, 5, 1, 9, 6, &fan);
    EXPECT_FLOAT_EQ(fan.st[0][0], 7.0f / 128);
    EXPECT_FLOAT_EQ(fan.st[0][1], 11.0f / 128);
}

// From several eyes the fans tile the terrain exactly once and no vertex lies inside another
// triangle's edge; nodes with four active children draw nothing themselves.
TEST(TerrainDraw, WalkCoversTheGroundWithoutTJunctions)
{
    drawn_field f(7);
    const float size = 256;
    struct Eye { const char *what; float x, y, z; };
    const Eye eyes[] = {
        {"centre", 128.5f, 20, 128.5f}, {"near a corner", 3, 5, 250}, {"on an edge", 0, 10, 77},
        {"far outside", -4000, 50, 9000}, {"high above", 60, 900, 200},
    };
    for (const Eye &e : eyes) {
        SCOPED_TRACE(e.what);
        f.eye(e.x, e.y, e.z);
        walk(f);
        ASSERT_FALSE(g_fans.empty());
        std::unordered_set<long long> vertices;
        double area = 0;
        int counted = 0;
        for (const recorded_fan &r : g_fans) {
            const terrain_fan &fan = r.fan;
            counted += fan.count - 1;
            for (int i = 0; i < fan.count; ++i) vertices.insert(key((long long)fan.xyz[i][0], (long long)fan.xyz[i][2]));
            for (int i = 1; i + 1 < fan.count; ++i) {
                double ax = fan.xyz[i][0] - fan.xyz[0][0], az = fan.xyz[i][2] - fan.xyz[0][2];
                double bx = fan.xyz[i + 1][0] - fan.xyz[0][0], bz = fan.xyz[i + 1][2] - fan.xyz[0][2];
                area += std::fabs(ax * bz - az * bx) / 2;
            }
            if (r.depth < 7) {
                int children = 0;
                for (int c = 0; c < 4; ++c) children += f.active(r.depth + 1, 2 * r.x + (c & 1), 2 * r.z + (c >> 1));
                EXPECT_LT(children, 4);
            }
        }
        EXPECT_EQ(f.t->fan_vertex_count, counted);
        EXPECT_DOUBLE_EQ(area, size * size);
        int junctions = 0;
        for (const recorded_fan &r : g_fans) {
            const terrain_fan &fan = r.fan;
            auto check_edge = [&](int a, int b) {
                long long ax = (long long)fan.xyz[a][0], az = (long long)fan.xyz[a][2];
                long long dx = (long long)fan.xyz[b][0] - ax, dz = (long long)fan.xyz[b][2] - az;
                long long g = std::gcd(std::llabs(dx), std::llabs(dz));
                for (long long k = 1; k < g; ++k)
                    if (vertices.count(key(ax + k * dx / g, az + k * dz / g))) ++junctions;
            };
            for (int i = 1; i < fan.count; ++i) {
                check_edge(0, i);
                if (i + 1 < fan.count) check_edge(i, i + 1);
            }
        }
        EXPECT_EQ(junctions, 0);
    }
}

TEST(TerrainDraw, ActiveSetAroundTheEye)
{
    drawn_field f(8, [](int, int) { return 0.0f; });   // flat: only the forced windows split
    f.eye(300.5f, 2, 100.5f);
    terrain_choose_patches(f.t);
    EXPECT_EQ(f.t->eye_cell_x, 300);
    EXPECT_EQ(f.t->eye_cell_z, 100);
    // Every depth keeps the node under the eye and its neighbours active.
    for (int d = 1; d <= 8; ++d) {
        SCOPED_TRACE(d);
        int x = 300 >> (9 - d), z = 100 >> (9 - d);
        for (int dz = -1; dz <= 1; ++dz)
            for (int dx = -1; dx <= 1; ++dx) {
                int nx = x + dx, nz = z + dz;
                if (nx < 0 || nz < 0 || nx >= (1 << d) || nz >= (1 << d)) continue;
                EXPECT_TRUE(f.active(d, nx, nz)) << nx << "," << nz;
            }
    }
    // Far from the eye on a flat field the finest depth stays inactive.
    EXPECT_FALSE(f.active(8, 5, 250));
    EXPECT_FALSE(f.active(8, 250, 250));
}

TEST(TerrainDraw, CullingBehindTheEye)
{
    drawn_field f(7);
    struct Case { const char *what; float x, dx, dz; bool any; };
    const Case cases[] = {
        {"zero direction culls nothing", 500, 0, 0, true},
        {"looking away from the terrain", 300, 1, 0, false},
        {"looking back at it", 300, -1, 0, true},
        {"from inside, looking along +z", 128, 0, 1, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        f.eye(c.x, 10, 128, c.dx, 0, c.dz);
        walk(f);
        EXPECT_EQ(!g_fans.empty(), c.any);
    }
    // Half the terrain behind the eye: every node drawn reaches the half ahead.
    f.eye(128, 10, 128, 0, 0, 1);
    walk(f);
    for (const recorded_fan &r : g_fans) EXPECT_GE((r.z + 1) * (256 >> r.depth), 128);
}

TEST(TerrainDraw, PatchLevels)
{
    drawn_field f(7);
    f.eye(64.5f, 5, 64.5f);
    walk(f);
    for (const recorded_fan &r : g_fans) EXPECT_EQ(r.level, 6);   // nothing composed yet: blocks

    // Ready ring slots are taken, finest first; the ground texture detail skips finer levels.
    memset(f.t->ring_ready, 0, sizeof f.t->ring_ready);
    for (int L = 0; L < 6; ++L)
        for (int z = 0; z < 4; ++z)
            for (int x = 0; x < 4; ++x) f.t->ring_ready[L][z][x] = 1;
    struct Case { int detail, want_finest; };
    const Case cases[] = {{0, 0}, {2, 2}, {6, 6}, {10, 6}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.detail);
        terrain_settings.ground_texture_detail = c.detail;
        walk(f);
        int finest = 7;
        for (const recorded_fan &r : g_fans) finest = std::min(finest, r.level);
        EXPECT_EQ(finest, c.want_finest);
    }
    terrain_settings.ground_texture_detail = 0;
    // The leaf under the eye is in slot ((32 >> 0) - X0) of every window.
    EXPECT_EQ(terrain_patch_level(f.t, 0, 32, 32), 0);
    f.t->ring_ready[0][32 - terrain_ring_origin(64, 0, 7)][32 - terrain_ring_origin(64, 0, 7)] = 0;
    EXPECT_EQ(terrain_patch_level(f.t, 0, 32, 32), 1);
    EXPECT_EQ(terrain_patch_level(f.t, 0, 120, 5), 5);   // only the coarsest window holds it
    f.t->ring_ready[5][0][3] = 0;
    EXPECT_EQ(terrain_patch_level(f.t, 0, 120, 5), 6);
}

TEST(TerrainDraw, RingWindowOrigins)
{
    struct Case { int eye_cell, level, depth, want; };
    const Case cases[] = {
        {TERRAIN_NO_EYE, 0, 7, 0}, {64, 0, 7, 30}, {64, 3, 7, 2}, {0, 0, 7, 0},
        {255, 0, 7, 124}, {100000, 5, 7, 0}, {100000, 2, 7, 28}, {-7, 1, 9, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.eye_cell);
        EXPECT_EQ(terrain_ring_origin(c.eye_cell, c.level, c.depth), c.want);
    }
}
