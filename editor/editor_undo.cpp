// The undo ring: the last eight states of the heights with the shading that goes with them.
// Objects, gradients and tiles are not in it.
#include "editor/editor_state.h"
#include "terrain/field.h"
#include "terrain/lod.h"
#include "terrain/shading.h"
#include <cstring>

static long vertex_count(const terrain_field *t) { return (long)t->grid_dim * t->grid_dim; }

void editor_take_snapshot(void)
{
    editor_set_status("OK");
    editor_state &e = g_editor;
    if (!e.active || !e.pending_edits) return;
    terrain_field *t = e.terrain;
    long n = vertex_count(t);
    e.pending_edits = 0;
    std::memcpy(e.stroke_snapshot, t->heights, (std::size_t)n * sizeof(float));
    t->change_flags &= ~CHANGE_HEIGHTS;
    undo_slot &s = e.undo_ring[e.undo_index];
    std::memcpy(s.heights, t->heights, (std::size_t)n * sizeof(float));
    terrain_update_shading(t);
    if (t->shading) std::memcpy(s.shading, t->shading, (std::size_t)n * 3);
    if (s.normal_image && t->normal_image) std::memcpy(s.normal_image, t->normal_image, (std::size_t)n * 3);
    e.undo_index = (e.undo_index + 1) % EDITOR_UNDO_SLOTS;
    if (e.undo_count < EDITOR_UNDO_SLOTS) ++e.undo_count;
}

void editor_undo(void)
{
    editor_state &e = g_editor;
    if (!e.active) return;
    editor_take_snapshot();
    if (e.undo_count < 2) {
        editor_set_status("No more undo levels!");
        return;
    }
    terrain_field *t = e.terrain;
    long n = vertex_count(t);
    --e.undo_count;
    e.undo_index = (e.undo_index + EDITOR_UNDO_SLOTS - 1) % EDITOR_UNDO_SLOTS;
    e.pending_edits = 0;
    const undo_slot &s = e.undo_ring[(e.undo_index + EDITOR_UNDO_SLOTS - 1) % EDITOR_UNDO_SLOTS];
    std::memcpy(e.stroke_snapshot, s.heights, (std::size_t)n * sizeof(float));
    std::memcpy(t->heights, s.heights, (std::size_t)n * sizeof(float));
    if (t->shading) std::memcpy(t->shading, s.shading, (std::size_t)n * 3);
    if (t->vertex_dirty) std::memset(t->vertex_dirty, 0, (std::size_t)bit_bytes(n));
    if (s.normal_image && t->normal_image) {
        std::memcpy(t->normal_image, s.normal_image, (std::size_t)n * 3);
        if (t->normal_dirty) std::memset(t->normal_dirty, 0, (std::size_t)bit_bytes(n));
    }
    ++t->height_generation;
    terrain_mark_dirty(t, 0, 0, t->grid_dim, t->grid_dim);
    editor_set_status("Undo!");
}
