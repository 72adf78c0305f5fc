// The undo ring: eight states of the heights, the newest first, and a pending stroke stored
// before a step back.
#include "editor_fixture.h"
#include "terrain/lighting.h"
#include <vector>

using EditorUndo = EditorTest;

TEST_F(EditorUndo, NineSnapshotsThenEightUndos)
{
    // State k has height k at vertex (5, 5); set-up stored state 0.
    for (int k = 1; k <= 9; ++k) {
        editor_set_height(field.t, 5, 5, (float)k);
        ticks(1);
        key('u');
    }
    EXPECT_EQ(g_editor.undo_count, 8);
    for (int k = 8; k >= 2; --k) {
        key(8);
        EXPECT_STREQ(g_editor.status, "Undo!");
        EXPECT_EQ(h(5, 5), (float)k);
        EXPECT_EQ(g_editor.stroke_snapshot[5 * 33 + 5], (float)k);
    }
    key(8);
    EXPECT_STREQ(g_editor.status, "No more undo levels!");
    EXPECT_EQ(h(5, 5), 2.0f) << "the oldest reachable state is seven before the newest";
    EXPECT_EQ(g_editor.undo_count, 1);
}

TEST_F(EditorUndo, PendingStrokeBecomesTheNewestState)
{
    set_slider(W_RADIUS, 25);   // 4 units at zoom 1 over 200 pixels
    mouse_on(16, 16);
    press_left();
    ticks(1);
    EXPECT_EQ(h(16, 16), 8.0f);
    int generation = field.t->height_generation;
    key(8);   // the stroke is stored, then undone
    EXPECT_EQ(h(16, 16), 0.0f);
    EXPECT_EQ(g_editor.undo_count, 1);
    EXPECT_EQ(g_editor.pending_edits, 0);
    EXPECT_GT(field.t->height_generation, generation);
    key(8);
    EXPECT_STREQ(g_editor.status, "No more undo levels!");
}

TEST_F(EditorUndo, ShadingIsRestoredAndNoSecondImageKept)
{
    for (const undo_slot &s : g_editor.undo_ring) EXPECT_EQ(s.normal_image, nullptr);
    const long n = 33 * 33;
    const lighting_record saved = track_lighting;
    track_lighting.sun_vector[0] = track_lighting.sun_vector[1] = 0.7071f;
    track_lighting.sun_color[0] = track_lighting.sun_color[1] = track_lighting.sun_color[2] = 1;
    std::vector<unsigned char> before(field.t->shading, field.t->shading + 3 * n);
    editor_set_height(field.t, 16, 16, 20);
    ticks(1);
    key('u');
    EXPECT_NE(std::memcmp(before.data(), field.t->shading, 3 * n), 0) << "the raised vertex is lit anew";
    key(8);
    EXPECT_EQ(std::memcmp(before.data(), field.t->shading, 3 * n), 0);
    for (long i = 0; i < bit_bytes(n); ++i) ASSERT_EQ(field.t->vertex_dirty[i], 0);
    track_lighting = saved;
}
