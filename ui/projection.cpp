// The viewport and perspective frustum of every view, and the half-extents of the view at unit
// distance that 2D overlays and lens flares place themselves by.
#include "ui/ui.h"
#include "ui/scene.h"
#include "terrain/lighting.h"
#include <GL/gl.h>
#include <cmath>

void set_projection(int width, int height, float fov_degrees)
{
    if (width < 1) width = 1;
    if (height < 1) height = 1;
    view_half_extents(width, height, fov_degrees, &view_half_x, &view_half_y);
    double n = track_lighting.near_plane, f = track_lighting.far_plane;
    if (!(n > 0)) n = 0.25;
    if (!(f > n)) f = n * 20000;
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-view_half_x * n, view_half_x * n, -view_half_y * n, view_half_y * n, n, f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
