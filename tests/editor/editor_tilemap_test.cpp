// Tile painting on a 33 x 33 field (a 16 x 16 tile map) with grass 0, two sand tiles sharing a
// code (1, 2) and transitions from grass to sand for the right (3) and left (4) neighbours only.
#include "editor_fixture.h"

static int code(int a, int b, int mask) { return (b << 16) | (a << 8) | mask; }

struct EditorTiles : EditorTest {
    void SetUp() override
    {
        EditorTest::SetUp();
        terrain_field *t = field.t;
        t->tilemap = (unsigned char *)calloc(16 * 16, 1);
        t->tile_count = 5;
        t->tile_codes[0] = code(0, 0, 0);
        t->tile_codes[1] = code(1, 1, 0);
        t->tile_codes[2] = code(1, 1, 0);
        t->tile_codes[3] = code(1, 0, 8 | 2);   // sand on its -x corners
        t->tile_codes[4] = code(1, 0, 4 | 1);   // sand on its +x corners
        set_slider(W_TILE, 1);
        editor_random_seed(3);
    }
    void TearDown() override
    {
        free(field.t->tilemap);
        field.t->tilemap = nullptr;
        EditorTest::TearDown();
    }
    int tile(int u, int w) const { return field.t->tilemap[w * 16 + u]; }
    static bool sand(int v) { return v == 1 || v == 2; }
};

TEST_F(EditorTiles, ZeroLengthStrokePaintsTheDiscAndRepairsItsRing)
{
    tile_paint_stroke(15, 15, 15, 15, 2);   // centres (13..17 odd, 13..17 odd) within 2
    for (int w = 0; w < 16; ++w)
        for (int u = 0; u < 16; ++u) {
            float d = std::hypot((float)(2 * u + 1) - 15, (float)(2 * w + 1) - 15);
            int v = tile(u, w);
            if (d <= 2) EXPECT_TRUE(sand(v)) << u << "," << w << " " << v;   // (8, 7) lies exactly on it
            else if (u == 9 && w == 7) EXPECT_EQ(v, 3) << "the right neighbour blends in";
            else if (u == 5 && w == 7) EXPECT_EQ(v, 4) << "the left neighbour blends in";
            else if (u == 7 && w == 5) EXPECT_EQ(v, 0) << "no transition for the top: kept";
        }
    EXPECT_EQ(tile(7, 6), 1 + (tile(7, 6) == 2)) << "a centre 2 from the point is painted";
    EXPECT_EQ(field.t->change_flags, CHANGE_ALL);
}

TEST_F(EditorTiles, NeighbourShowingTheTileIsKept)
{
    field.t->tilemap[7 * 16 + 9] = 2;   // sand already
    field.t->tilemap[7 * 16 + 5] = 1;
    tile_paint_stroke(15, 15, 15, 15, 0.5f);
    EXPECT_EQ(tile(9, 7), 2);
    EXPECT_EQ(tile(5, 7), 1);
    EXPECT_EQ(tile(8, 7), 3) << "grass right of the painted cell blends";
}

TEST_F(EditorTiles, BorderNeighboursOutsideAreNeverWritten)
{
    field.t->tilemap[0] = 0;
    tile_paint_stroke(1, 1, 1, 1, 0.5f);   // cell (0, 0)
    EXPECT_TRUE(sand(tile(0, 0)));
    EXPECT_EQ(tile(1, 0), 3);
    tile_paint_stroke(31, 31, 31, 31, 0.5f);   // cell (15, 15)
    EXPECT_TRUE(sand(tile(15, 15)));
    EXPECT_EQ(tile(14, 15), 4);
}

TEST_F(EditorTiles, StrokeAlongASegment)
{
    tile_paint_stroke(3, 9, 27, 9, 1);
    for (int u = 1; u <= 13; ++u) EXPECT_TRUE(sand(tile(u, 4))) << u;
    EXPECT_EQ(tile(14, 4), 3);
    EXPECT_EQ(tile(7, 3), 0) << "a centre 2 from the line";
}

TEST_F(EditorTiles, CandidatesSpread)
{
    tile_paint_stroke(0, 15, 32, 15, 1);
    int counts[3] = {};
    for (int u = 0; u < 16; ++u)
        if (sand(tile(u, 7))) ++counts[tile(u, 7)];
    EXPECT_GT(counts[1], 2);
    EXPECT_GT(counts[2], 2);
}

TEST_F(EditorTiles, TileValueIsHeldToTheTrackTiles)
{
    set_slider(W_TILE, 200);
    EXPECT_EQ(tile_painted(field.t), 4);
    field.t->tile_count = 0;
    EXPECT_EQ(tile_painted(field.t), -1);
    tile_paint_stroke(15, 15, 15, 15, 3);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(field.t->tilemap[i], 0);
}

TEST_F(EditorTiles, HeldStrokeEvery32Ticks)
{
    g_editor.editor_mode = MODE_TILEMAP;
    set_slider(W_RADIUS, 12.5);   // 1 unit
    view_at(16, 16);
    mouse_on(5, 5);
    press_left();
    ticks(1);
    EXPECT_TRUE(sand(tile(2, 2)));
    mouse_on(25, 5);
    ticks(31);
    EXPECT_EQ(tile(7, 2), 0) << "between applications nothing is painted";
    ticks(1);
    for (int u = 2; u <= 12; ++u) EXPECT_TRUE(sand(tile(u, 2))) << u;
    release_left();
    EXPECT_EQ(g_editor.level_x, -1);
}
