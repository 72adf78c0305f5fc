// Saving every editable file of the track. Each writer goes through a temporary name and runs
// whatever the ones before it did; a failure keeps the unsaved mark, so the quit page still warns.
#include "editor/editor_state.h"
#include "data/console.h"
#include "terrain/field.h"
#include "terrain/statues.h"
#include "terrain/terrain_io.h"
#include "terrain/timing_gates.h"

int editor_save_track(void)
{
    if (!g_editor.active) return 0;
    terrain_field *t = g_editor.terrain;
    int ok = billboards_save();
    // A "timing_gates" the loader could not take whole is kept as it is: writing what was read
    // would drop every gate and lap after the damage.
    const int kept = timing_gates_refused;
    if (kept) console_print("Kept 'timing_gates' as it was: it could not be read whole (mend it by hand)");
    else ok &= timing_gates_save();
    ok &= terrain_save(t);
    ok &= statues_save();
    ok &= editor_save_edinfo();
    if (ok) {
        t->change_flags &= ~CHANGE_UNSAVED;
        editor_set_status(kept ? "Saved, timing_gates kept: unreadable" : "Saved!");
    } else {
        editor_set_status("Save failed!");
    }
    return ok;
}
