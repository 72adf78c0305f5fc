// The menus' 2D layout: the largest centred 4:3 area of any window, h layout units high, with a
// pen that follows the layout origin so widgets know their window pixels.
#include "ui/ui.h"
#include "ui/widgets.h"
#include "shell/globals.h"
#include <GL/gl.h>

layout_fit layout_fit_4x3(float W, float H, float h, float x, float y, int window_width,
                          int window_height)
{
    layout_fit f;
    if (W / H > 1.3333333333333333) {
        // Wider than 4:3: the full height, bars at the sides.
        f.translate_x = -4 * H / 3;
        f.translate_y = H;
        f.s = 2 * H / h;
        f.pen = {x + (W - 4 * H / 3) * h / (2 * H), y};
        f.scale = {window_height / h, -window_height / h};
    } else {
        f.translate_x = -W;
        f.translate_y = 0.75f * W;
        f.s = 1.5f * W / h;
        f.pen = {x, y - (H - 0.75f * W) * h / (1.5f * W)};
        f.scale = {0.75f * window_width / h, -0.75f * window_width / h};
    }
    return f;
}

void overlay_push_4x3(float h, float x, float y, layout_pen *pen, layout_scale *scale)
{
    layout_fit f = layout_fit_4x3(view_half_x, view_half_y, h, x, y, frame_width, frame_height);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(f.translate_x, f.translate_y, -1);
    glScalef(f.s, f.s, f.s);
    glTranslatef(x, y, 0);
    *pen = f.pen;
    *scale = f.scale;
}

void overlay_translate(layout_pen *pen, float dx, float dy)
{
    glTranslatef(dx, dy, 0);
    pen->x += dx;
    pen->y += dy;
}
