// graphics/overlay.h — the 2D overlay on the plane one unit in front of the eye: its transform,
// its drawing state, and the flat and textured quads drawn on it. The view's projection
// (ui/ui.h set_projection) sets the half-extents the overlay is placed by.
#pragma once

extern float view_half_x, view_half_y;   // the view's half-extents at unit distance

// Pushes a transform in which the window is layout_height units high, origin one unit below its
// top-left corner (text at y = 0 fills the first line). Pair with overlay_pop.
void overlay_push_topleft(float layout_height);
void overlay_pop(void);
// Drawing over a finished scene: depth test, culling, lighting, fog and alpha test off and the
// modelview reset, all kept to be put back by overlay_state_end.
void overlay_state_begin(void);
void overlay_state_end(void);
void draw_flat_quad(float r, float g, float b, float a, float x0, float y0, float x1, float y1);
void draw_textured_quad(unsigned texture, float x0, float y0, float x1, float y1);
