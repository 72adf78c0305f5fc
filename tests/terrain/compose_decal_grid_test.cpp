// The decal grid: which cells list a decal, the queries the composer makes, renumbering after
// the editor deletes or inserts, and the redraw requests every change raises.
#include "terrain/decal_grid.h"
#include "terrain/field.h"
#include "terrain/terrain_seams.h"
#include "terrain/terrain_fixture.h"
#include "data/mem.h"
#include <gtest/gtest.h>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

// A 256 x 256 ft field (cells of 1 ft, grid cells of 32 ft) with an empty decal array.
struct decal_field : small_field {
    explicit decal_field(int depth = 7) : small_field(depth, 1.0f, [](int, int) { return 0.0f; })
    {
        growable_array_init(&t->decals, sizeof(decal));
        for (growable_array &a : t->decal_grid) growable_array_init(&a, sizeof(int));
        for (growable_array &a : t->decal_work) growable_array_init(&a, sizeof(int));
        t->block_request = (int *)calloc(4, sizeof(int));
        t->draw_stamp = 1;
    }
    ~decal_field()
    {
        growable_array_free(&t->decals);
        for (growable_array &a : t->decal_grid) growable_array_free(&a);
        for (growable_array &a : t->decal_work) growable_array_free(&a);
    }
    int add(float x, float z, float size1, float size2 = 1, float angle = 0)
    {
        decal d = {};
        d.x = x; d.z = z; d.size1 = size1; d.size2 = size2; d.angle = angle;
        d.sin_angle = std::sin(angle);
        d.cos_angle = std::cos(angle);
        growable_array_append(&t->decals, &d);
        int i = t->decals.count - 1;
        decal_grid_insert(t, i);
        return i;
    }
    std::vector<int> cell(int cx, int cz) const
    {
        const growable_array &a = t->decal_grid[cz * 8 + cx];
        return std::vector<int>((const int *)a.items, (const int *)a.items + a.count);
    }
    std::vector<int> query(float x0, float z0, float x1, float z1)
    {
        int n = 0;
        const int *list = decal_grid_query(t, x0, z0, x1, z1, &n);
        return std::vector<int>(list, list + n);
    }
};

using V = std::vector<int>;

} // namespace

TEST(DecalGrid, CellsOfABoundingBox)
{
    decal_field f;
    struct Case { const char *what; float x, z, size1, size2, angle; int cx0, cx1, cz0, cz1; };
    const Case cases[] = {
        {"inside one cell", 40, 40, 4, 1, 0, 1, 1, 1, 1},
        {"across a cell line", 64, 10, 4, 1, 0, 1, 2, 0, 0},
        {"long along its own x axis", 100, 100, 4, 20, 0, 1, 4, 3, 3},
        {"turned a quarter: long along z", 100, 100, 4, 20, 1.5707963f, 3, 3, 1, 4},
        {"partly outside: clamped to the border", -10, 250, 40, 1, 0, 0, 0, 7, 7},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        for (growable_array &a : f.t->decal_grid) a.count = 0;
        f.t->decals.count = 0;
        int i = f.add(c.x, c.z, c.size1, c.size2, c.angle);
        for (int cz = 0; cz < 8; ++cz)
            for (int cx = 0; cx < 8; ++cx) {
                bool inside = cx >= c.cx0 && cx <= c.cx1 && cz >= c.cz0 && cz <= c.cz1;
                EXPECT_EQ(f.cell(cx, cz), inside ? V{i} : V{}) << cx << "," << cz;
            }
    }
}

TEST(DecalGrid, InsertRemoveAndQuery)
{
    decal_field f;
    f.add(40, 40, 4);     // 0: cell (1, 1)
    f.add(70, 40, 20);    // 1: cells (1..2, 1)
    f.add(40, 40, 2);     // 2: cell (1, 1)
    EXPECT_EQ(f.cell(1, 1), (V{0, 1, 2}));
    EXPECT_EQ(f.cell(2, 1), (V{1}));

    // One cell: its own list, even with decals that miss the box.
    EXPECT_EQ(f.query(33, 33, 34, 34), (V{0, 1, 2}));
    // Several cells: the union, ascending, each once.
    EXPECT_EQ(f.query(33, 33, 90, 40), (V{0, 1, 2}));
    EXPECT_EQ(f.query(70, 40, 250, 250), (V{1}));
    EXPECT_EQ(f.query(200, 200, 250, 250), V{});

    // The same index twice sits after its equal; removing takes one copy per cell.
    decal_grid_insert(f.t, 1);
    EXPECT_EQ(f.cell(1, 1), (V{0, 1, 1, 2}));
    EXPECT_EQ(f.cell(2, 1), (V{1, 1}));
    decal_grid_remove(f.t, 1);
    EXPECT_EQ(f.cell(1, 1), (V{0, 1, 2}));
    decal_grid_remove(f.t, 1);
    EXPECT_EQ(f.cell(1, 1), (V{0, 2}));
    EXPECT_EQ(f.cell(2, 1), V{});
}

// A field smaller than one drawing block (33 x 33, as the editor's tests build) takes decals:
// no block to ask a redraw of, no shift by a negative count.
TEST(DecalGrid, FieldSmallerThanADrawingBlock)
{
    decal_field f(5);
    f.add(10, 10, 2);
    f.add(20, 12, 30);
    EXPECT_EQ(f.query(0, 0, 32, 32), (V{0, 1}));
    EXPECT_EQ(f.t->block_request[0], 0);
}

TEST(DecalGrid, RenumberingAfterDeleteAndInsert)
{
    decal_field f;
    f.add(40, 40, 4);     // 0
    f.add(100, 40, 4);    // 1: cell (3, 1)
    f.add(40, 40, 6);     // 2: cell (1, 1)
    // Delete decal 1: out of the grid, out of the array, the rest move down.
    decal_grid_remove(f.t, 1);
    decal *d = (decal *)f.t->decals.items;
    d[1] = d[2];
    f.t->decals.count = 2;
    decal_grid_renumber(f.t, 1, -1);
    EXPECT_EQ(f.cell(1, 1), (V{0, 1}));
    EXPECT_EQ(f.cell(3, 1), V{});
    EXPECT_EQ(d[1].size1, 6.0f);   // index 1 now is the old decal 2, still listed where it lies

    // Insert a new decal at index 0: renumber up first, then enter it.
    growable_array_append(&f.t->decals, nullptr);
    d = (decal *)f.t->decals.items;
    d[2] = d[1];
    d[1] = d[0];
    d[0] = {};
    d[0].x = 230; d[0].z = 230; d[0].size1 = 4; d[0].size2 = 1; d[0].cos_angle = 1;
    decal_grid_renumber(f.t, 0, +1);
    decal_grid_insert(f.t, 0);
    EXPECT_EQ(f.cell(1, 1), (V{1, 2}));
    EXPECT_EQ(f.cell(7, 7), (V{0}));
}

TEST(DecalGrid, RedrawRequestsKeepOlderStamps)
{
    decal_field f;
    terrain_settings.ground_texture_detail = 6;   // blocks only
    f.t->block_request[1] = 3;                    // pending from before
    f.t->draw_stamp = 9;
    f.add(140, 20, 8);                            // block (1, 0)
    f.add(126, 20, 8);                            // blocks (0, 0) and (1, 0)
    EXPECT_EQ(f.t->block_request[0], 9);
    EXPECT_EQ(f.t->block_request[1], 3);
    EXPECT_EQ(f.t->block_request[2], 0);
    EXPECT_EQ(f.t->block_request[3], 0);

    // With rings, the slots of every level from the detail up that meet the decal.
    terrain_settings.ground_texture_detail = 4;
    memset(f.t->block_request, 0, 4 * sizeof(int));
    f.t->eye_cell_x = f.t->eye_cell_z = TERRAIN_NO_EYE;   // windows at the origin
    f.t->draw_stamp = 12;
    f.add(20, 20, 2);   // cells 19..21
    EXPECT_EQ(f.t->ring_request[4][0][0], 12);   // level 4 slots are 32 cells
    EXPECT_EQ(f.t->ring_request[4][0][1], 0);
    EXPECT_EQ(f.t->ring_request[5][0][0], 12);
    EXPECT_EQ(f.t->ring_request[3][0][0], 0);    // finer than the detail
    terrain_settings.ground_texture_detail = 0;
}

TEST(DecalGrid, NameSuffix)
{
    struct Case { const char *name, *ending, *replacement, *want; };
    const Case cases[] = {
        {"@decals/arrow.png", ".png", "_tnorm.png", "@decals/arrow_tnorm.png"},
        {"arrow.ppm", ".ppm", "_tspec.ppm", "arrow_tspec.ppm"},
        {"arrow.png", ".ppm", "_tspec.ppm", nullptr},
        {".png", ".png", "_tnorm.png", "_tnorm.png"},
        {"png", ".png", "x", nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        char *got = name_replace_suffix(c.name, c.ending, c.replacement);
        if (!c.want) {
            EXPECT_EQ(got, nullptr);
        } else {
            ASSERT_NE(got, nullptr);
            EXPECT_STREQ(got, c.want);
        }
        mem_free(got);
    }
}
