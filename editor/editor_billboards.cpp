// Billboards mode: picking by the cursor, copying the selected billboard to where the press
// finds none, and removing the track's own billboards.
#include "editor/editor_state.h"
#include "data/mem.h"
#include "terrain/field.h"
#include "terrain/statues.h"
#include "terrain/track_load.h"
#include <cmath>
#include <cstring>

int billboard_pick(float x, float z, float radius)
{
    int n = billboards.count;
    if (n <= 0) return -1;
    const billboard *b = (const billboard *)billboards.items;
    int from = g_editor.selected_billboard;
    from = from < 0 ? 0 : from >= n ? n - 1 : from;
    for (int k = 1; k <= n; ++k) {
        int i = (from + k) % n;
        if (std::hypot(b[i].x - x, b[i].z - z) < radius) return i;
    }
    return -1;
}

void billboard_press(void)
{
    editor_state &e = g_editor;
    float x, z;
    editor_cursor(&x, &z);
    int hit = billboard_pick(x, z, editor_pick_radius());
    if (hit >= 0) {
        e.selected_billboard = hit;
        e.placed_billboard = -1;
        editor_panel[W_BILLBOARD_HEIGHT].slider.value = ((const billboard *)billboards.items)[hit].height_offset;
        return;
    }
    if (e.selected_billboard < 0 || e.selected_billboard >= billboards.count) return;
    e.terrain->change_flags = CHANGE_ALL;
    billboard from = ((const billboard *)billboards.items)[e.selected_billboard];
    int before = billboards.count;
    int added = billboard_add(x, from.height_offset, z, from.width, from.height, from.name);
    if (billboards.count == before) return;
    std::memcpy(((billboard *)billboards.items)[added].color, from.color, sizeof from.color);
    e.placed_billboard = added;
}

int billboard_erase(void)
{
    float x, z;
    editor_cursor(&x, &z);
    int hit = billboard_pick(x, z, editor_pick_radius());
    if (hit < 0 || hit < first_own_billboard) return 1;
    billboard *b = (billboard *)billboards.items;
    mem_free(b[hit].name);
    std::memmove(b + hit, b + hit + 1, sizeof(billboard) * (std::size_t)(billboards.count - 1 - hit));
    --billboards.count;
    billboard_sort_space.count = billboard_sort_space.count >= 2 ? billboard_sort_space.count - 2 : 0;
    // The indices after the gap moved down one: the selection follows its billboard, and one
    // that was removed is no longer selected (a copy would take the next one's looks).
    int *const indices[] = {&g_editor.selected_billboard, &g_editor.placed_billboard};
    for (int *index : indices) *index = *index == hit ? -1 : *index > hit ? *index - 1 : *index;
    g_editor.terrain->change_flags = CHANGE_ALL;
    return 1;
}

// A drag after a press that placed a billboard lays a trail: the next copy goes down once the
// cursor is a spacing (in drawn widths) from the last one and from every other billboard.
void billboard_held(void)
{
    editor_state &e = g_editor;
    int placed = e.placed_billboard, from = e.selected_billboard;
    if (placed < 0 || placed >= billboards.count || from < 0 || from >= billboards.count) return;
    const billboard *b = (const billboard *)billboards.items;
    float r = (float)editor_value(W_BILLBOARD_SPACING) * b[placed].height * b[placed].width_fraction;
    if (!(r > 0)) return;   // a billboard of no width would be copied every tick
    float x, z;
    editor_cursor(&x, &z);
    if (std::hypot(x - b[placed].x, z - b[placed].z) < r || billboard_pick(x, z, r) >= 0) return;
    e.terrain->change_flags = CHANGE_ALL;
    billboard copy = b[from];
    int before = billboards.count;
    int added = billboard_add(x, copy.height_offset, z, copy.width, copy.height, copy.name);
    if (billboards.count == before) return;
    std::memcpy(((billboard *)billboards.items)[added].color, copy.color, sizeof copy.color);
    e.placed_billboard = added;
}
