// editor/editor_overlays.h — what the editor draws over the ground in the map plane (y = 0) of
// its top-down view: rings, markers, gradient handles and the overlay of the current mode.
#pragma once

void draw_ground_ring(float x, float z, float radius, float width);
void editor_draw_marker(float size, float spacing, float width);
void editor_draw_tool_handles(int gradient_index);
void editor_draw_statue_silhouettes(void);
void editor_draw_mode_overlay(void);
