// ui/ui.h — the presentation operations the shell calls: projection, the views of the race,
// HUD, menus and 2D drawing helpers.
#pragma once
#include <ode/ode.h>
#include "graphics/listener.h"   // the current view's camera, which the engine sounds hear from
#include "graphics/overlay.h"    // the 2D overlay, its quads and the view's half-extents
#include "shell/menu_page.h"     // the open page, which the network client and the shell read

// Viewport, frustum and the view's half-extents at unit distance (view_half_x and view_half_y,
// graphics/overlay.h); leaves the model-view matrix selected and at identity.
void set_projection(int width, int height, float fov_degrees);
void onboard_view_draw(dBodyID body, int slot);
void keycam_view_draw(void);
// Draws the world from a camera: eye in feet, rotation row-major with the camera's right, up
// and backward axes as columns, the rider slot seen from on board (160: none).
void scene_draw(const float eye[3], const float rotation[9], float fov_degrees, int first_person_slot);
void hud_draw_overlays(int slot);
void hud_draw_telemetry(int slot);
void menu_draw(void);
void menu_key(int code);             // code 16: mouse drag
// The rectangles of the current page's rows in row order, null-terminated; null for pages
// without one. widget_hit_index (ui/widgets.h) finds the row under the mouse.
struct widget_rect;
const widget_rect *const *menu_hit_list(void);
int  widget_hit_index(const widget_rect *const *list);   // -1 when none
void draw_text_centered_shadowed(const float *colour_scale, float left, float right,
                                 const char *text);
