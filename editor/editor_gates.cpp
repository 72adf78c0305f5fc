// Timing Gate mode: taking a gate by its position or its second point, dragging either, and the
// robots' switch points: each lap-list entry names a gate, plus 100000 where the robots may not
// change their line there.
#include "editor/editor_state.h"
#include "terrain/field.h"
#include "terrain/timing_gates.h"
#include <cmath>

// The gate's second point: position + reach along its unit direction; 0 for a gate whose
// direction has no length.
static int gate_second_point(const timing_gate &g, float *x, float *z)
{
    float dx = g.direction[0], dz = g.direction[2], d = std::hypot(dx, dz);
    if (!(d > 0) || !std::isfinite(d)) return 0;
    *x = g.centre[0] + g.radius * dx / d;
    *z = g.centre[2] + g.radius * dz / d;
    return 1;
}

void gate_pick(void)
{
    editor_state &e = g_editor;
    float x, z, r = editor_pick_radius();
    editor_cursor(&x, &z);
    for (int i = 0; i < gate_count; ++i) {
        const timing_gate &g = gates[i];
        float dx = x - g.centre[0], dz = z - g.centre[2], sx, sz;
        if (dx * dx + dz * dz < r * r) {
            e.grip = 1;
            e.selected_gate = i;
            return;
        }
        if (gate_second_point(g, &sx, &sz) && (x - sx) * (x - sx) + (z - sz) * (z - sz) < r * r) {
            e.grip = 2;
            e.selected_gate = i;
            return;
        }
    }
    e.grip = 0;
    for (int i = 0; i < gate_count; ++i) {
        const timing_gate &g = gates[i];
        float dx = x - g.centre[0], dz = z - g.centre[2];
        if (dx * dx + dz * dz < g.radius * g.radius && dx * g.direction[0] + dz * g.direction[2] < 0) {
            e.selected_gate = i;
            return;
        }
    }
    e.selected_gate = -1;
}

void gate_held(void)
{
    editor_state &e = g_editor;
    int i = e.selected_gate;
    if (e.terrain->edit_lock || i < 0 || i >= gate_count || (e.grip != 1 && e.grip != 2)) return;
    timing_gate &g = gates[i];
    float x, z;
    editor_cursor(&x, &z);
    if (e.grip == 1) {
        g.centre[0] = x;
        g.centre[1] = 0;
        g.centre[2] = z;
    } else {
        g.direction[0] = x - g.centre[0];
        g.direction[1] = 0;
        g.direction[2] = z - g.centre[2];
        g.radius = std::hypot(g.direction[0], g.direction[2]);
    }
    e.terrain->change_flags = CHANGE_ALL;
}

const char *switch_point_text(void)
{
    int g = g_editor.selected_gate, yes = 0, no = 0;
    if (g >= 0 && g < gate_count && lap_list)
        for (int k = 0; k < first_lap_count + normal_lap_count; ++k) {
            yes += lap_list[k] == g;
            no += lap_list[k] == g + LAP_NO_SWITCH;
        }
    if (no > 0 && yes > 0) return "Switch Point: Mixed";
    if (yes > 0) return "Switch Point: Yes";
    if (no > 0) return "Switch Point: No";
    return "Gate not referenced";
}

// Switch points of one lap list that are not gate g.
static int other_switch_points(const int *list, int count, int g)
{
    int n = 0;
    for (int k = 0; k < count; ++k) n += list[k] < LAP_NO_SWITCH && list[k] != g;
    return n;
}

void switch_point_set(int on)
{
    g_editor.terrain->change_flags = CHANGE_ALL;
    int g = g_editor.selected_gate;
    if (g < 0 || g >= gate_count || !lap_list) return;
    // A lap list without a switch point does not load: the track would come back without its
    // gates, and the next save would drop them from the file.
    if (!on && (other_switch_points(lap_list, first_lap_count, g) == 0 ||
                other_switch_points(lap_list + first_lap_count, normal_lap_count, g) == 0)) {
        editor_set_status("A lap needs a switch point!");
        return;
    }
    int from = on ? g + LAP_NO_SWITCH : g, to = on ? g : g + LAP_NO_SWITCH;
    for (int k = 0; k < first_lap_count + normal_lap_count; ++k)
        if (lap_list[k] == from) lap_list[k] = to;
}
