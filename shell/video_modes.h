// shell/video_modes.h — the "Video Mode" choice: "Default Fullscreen", "Windowed", then one
// "%dx%d" item per display mode at the desktop's colour depth, desktop mode first.
#pragma once
#include "shell/widget_values.h"

struct display_mode;

struct video_mode_pair {
    int width, height;
};

extern menu_choice            video_mode_choice;
extern const video_mode_pair *video_mode_size_table;   // one pair per item; 0 x 0 for items 0 and 1

// Where the display modes come from: kubl_display_modes unless a test hands in its own.
// The list ends with a zero width; the first entry is the desktop's current mode.
typedef const display_mode *(*video_mode_source)(void);
void video_modes_set_source(video_mode_source source);   // null restores the display's own

// Builds the items and the size table (before "@config" is read, so it can name an item).
void video_modes_build(void);
void video_modes_free(void);
// The size of an item; 0 x 0 for "Default Fullscreen", "Windowed" and any index out of range.
void video_mode_size(int index, int *width, int *height);
