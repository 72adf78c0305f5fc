// Saving every editable file of the track. Each writer goes through a temporary name and runs
// whatever the ones before it did; a failure keeps the unsaved mark, so the quit page still warns.
#include "editor/editor_state.h"
#include "terrain/field.h"
#include "terrain/statues.h"
#include "terrain/terrain_io.h"
#include "terrain/timing_gates.h"

int editor_save_track(void)
{
    if (!g_editor.active) return 0;
    terrain_field *t = g_editor.terrain;
    int ok = billboards_save();
    ok &= timing_gates_save();
    ok &= terrain_save(t);
    ok &= statues_save();
    ok &= editor_save_edinfo();
    if (ok) {
        t->change_flags &= ~CHANGE_UNSAVED;
        editor_set_status("Saved!");
    } else {
        editor_set_status("Save failed!");
    }
    return ok;
}
