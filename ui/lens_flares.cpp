// Lens flares: every source of the track's lighting is projected, tested against one pixel of
// the back buffer (bright, and not behind nearer geometry), faded near the edges and drawn as
// additive quads strung through the screen centre.
#include "ui/lens_flares.h"
#include "ui/scene.h"
#include "ui/ui.h"
#include "graphics/texture.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "terrain/lighting.h"
#include <GL/gl.h>
#include <cmath>

namespace {

void gl_pixel(int x, int y, unsigned char rgb[3], float *depth)
{
    if (depth) glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, depth);
    else glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
}

flare_pixel_reader g_reader = gl_pixel;

float clamp01(float v)
{
    return v < 0 ? 0 : v > 1 ? 1 : v;
}

float edge_fade(float v, float half, float m)
{
    if (v >= -half + m && v <= half - m) return 1;
    if (!(m > 0)) return 0;
    return clamp01(v < 0 ? (v + half) / m : (half - v) / m);
}

} // namespace

void lens_flares_set_reader(flare_pixel_reader reader)
{
    g_reader = reader ? reader : gl_pixel;
}

void lens_flares_test(const float eye[3], const float R[9], int width, int height, float hx, float hy,
                      float n, float f)
{
    flare_source *sources = (flare_source *)flare_sources.items;
    for (int i = 0; i < flare_sources.count; ++i) {
        flare_source &s = sources[i];
        s.visibility = 0;
        float v[3];
        for (int k = 0; k < 3; ++k) v[k] = s.is_direction ? s.point[k] : s.point[k] - eye[k];
        float e[3];
        for (int j = 0; j < 3; ++j) e[j] = v[0] * R[j] + v[1] * R[3 + j] + v[2] * R[6 + j];
        if (!(std::fabs(e[0]) <= -e[2] * hx && std::fabs(e[1]) <= -e[2] * hy) || !(e[2] < 0)) continue;
        const float x = e[0] / -e[2], y = e[1] / -e[2];
        s.screen[0] = x;
        s.screen[1] = y;
        const int px = (int)(clamp01((x + hx) / (2 * hx)) * width);
        const int py = (int)(clamp01((y + hy) / (2 * hy)) * height);
        if (px < 0 || px >= width || py < 0 || py >= height) continue;
        unsigned char rgb[3] = {0, 0, 0};
        g_reader(px, py, rgb, nullptr);
        if (rgb[0] <= 223 || rgb[1] <= 223 || rgb[2] <= 223) continue;
        float depth = 0;
        g_reader(px, py, rgb, &depth);
        const float linear = depth_to_linear(depth, n, f);
        const float threshold = s.is_direction ? 0.4f : clamp01((-e[2] - 0.25f) * 0.00020001f);
        if (!(linear >= threshold)) continue;
        const float m = std::fmin(hx, hy) / 32;
        s.visibility = std::fmin(edge_fade(x, hx, m), edge_fade(y, hy, m));
    }
}

void lens_flares_draw(const float eye[3], const float rotation[9])
{
    if (flare_sources.count <= 0 || config_choices[CONFIG_LENS_FLARE].current != 1) return;
    double n = track_lighting.near_plane, f = track_lighting.far_plane;
    if (!(n > 0)) n = 0.25;
    if (!(f > n)) f = n * 20000;
    lens_flares_test(eye, rotation, frame_width, frame_height, view_half_x, view_half_y, (float)n, (float)f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glDepthMask(GL_FALSE);
    const flare_source *sources = (const flare_source *)flare_sources.items;
    for (int i = 0; i < flare_sources.count; ++i) {
        const flare_source &s = sources[i];
        if (s.visibility == 0) continue;
        const float x = s.screen[0], y = s.screen[1];
        for (int e = 0; e < s.element_count && e < FLARE_ELEMENTS; ++e) {
            glBindTexture(GL_TEXTURE_2D, (unsigned)s.element_texture[e]);
            ++render_stats.texture_binds;
            const float across = s.element_offset[e][0], along = s.element_offset[e][1];
            const float cx = y * across + x * along, cy = -x * across + y * along, sz = s.element_size[e];
            glColor4f(s.visibility * s.element_color[e][0], s.visibility * s.element_color[e][1],
                      s.visibility * s.element_color[e][2], 1);
            glBegin(GL_QUADS);
            glTexCoord2f(0, 1);
            glVertex3f(cx - sz, cy + sz, -1);
            glTexCoord2f(0, 0);
            glVertex3f(cx - sz, cy - sz, -1);
            glTexCoord2f(1, 0);
            glVertex3f(cx + sz, cy - sz, -1);
            glTexCoord2f(1, 1);
            glVertex3f(cx + sz, cy + sz, -1);
            glEnd();
        }
    }
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, 0);
}
