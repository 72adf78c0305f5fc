// The loading screen. While the frame loop is not running, each loading step shows its status
// line at once (and swaps), long scans redraw a busy indicator of 32 lights counting in binary,
// and the time between two status lines is measured so a race reset can report its slowest step.
#include "shell/loading.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "shell/startup.h"
#include "graphics/font.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/input.h"
#include "platform/log.h"
#include "graphics/overlay.h"
#include <GL/gl.h>
#include <cmath>
#include <cstdio>
#include <cstring>

loading_state g_loading;
void (*loading_projection_hook)(int width, int height, float fov_degrees);

static const loading_frame_driver *g_driver = &loading_platform_driver;

static int platform_begin(int *width, int *height)
{
    frame_size *size = kubl_gl_frame_begin(g_display);
    if (!size) return 0;
    *width = size->width;
    *height = size->height;
    return 1;
}

static void platform_draw_status(int width, int height, const char *text)
{
    if (loading_projection_hook) loading_projection_hook(width, height, setting_fov());
    draw_loading_screen(text);
}

static void platform_draw_busy(int width, int height, unsigned counter)
{
    if (loading_projection_hook) loading_projection_hook(width, height, setting_fov());
    draw_busy_wheel(counter);
}

static int platform_end(void) { return kubl_gl_frame_end(g_display); }

const loading_frame_driver loading_platform_driver = {platform_begin, platform_draw_status,
                                                      platform_draw_busy, platform_end};

void loading_set_driver(const loading_frame_driver *driver)
{
    g_driver = driver ? driver : &loading_platform_driver;
}

void loading_reset(void) { g_loading = {}; }

static double clock_seconds(void)
{
    int s = 0, us = 0;
    kubl_time_now(&s, &us);
    return s + us * 1e-6;
}

static void keep_text(char *out, const char *text)
{
    snprintf(out, LOADING_TEXT_MAX + 1, "%s", text);
}

// Input during a load means nothing to the game, but a close request (the window's close box,
// SIGTERM, SIGINT) is kept: the first frame after the load then leaves through the shutdown.
static void drain_events(void)
{
    std::uint32_t code;
    int pressed;
    while (kubl_event_read(g_display, &code, &pressed))
        if (pressed && (code == KUBL_CLOSE || (menu_buttons[MENU_CLOSE] && code == menu_buttons[MENU_CLOSE])))
            quit_flag = 1;
}

void draw_loading_screen(const char *text)
{
    const float X = view_half_x, Y = view_half_y;
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_ALPHA_TEST);
    glPushMatrix();
    glTranslatef(0, 0, -1);
    draw_flat_quad(0, 0, 0, 1, -X, Y, X, -Y);
    // The title picture is 2:1 and covers the window, cropped top and bottom or at the sides.
    // Without one the backdrop stays black rather than showing an untextured white quad.
    if (title_texture) {
        if (X > 2 * Y) draw_textured_quad(title_texture, -X, X / 2, X, -X / 2);
        else draw_textured_quad(title_texture, -2 * Y, Y, 2 * Y, -Y);
    }
    glPopMatrix();

    if (text && *text) {
        overlay_push_topleft(25);
        draw_text_color(1, 1, 1, 1, text);
        overlay_pop();
    }

    // The version in the bottom-right corner, one line 1/32 of the window high.
    glLoadIdentity();
    glTranslatef(X, -Y, -1);
    glScalef(Y / 16, Y / 16, Y / 16);
    draw_text_right_shadowed(0.75f, 0.75f, 0.75f, 1, 0, version_text);
}

void loading_status(const char *text)
{
    if (!text) text = "";
    drain_events();
    control_values_clear();
    left_button_down = 0;
    int width, height;
    if (!g_driver->begin(&width, &height)) return;
    g_driver->draw_status(width, height, text);
    g_driver->end();

    double now = clock_seconds();
    if (now - g_loading.previous_time > g_loading.longest_gap) {
        g_loading.longest_gap = now - g_loading.previous_time;
        keep_text(g_loading.longest_gap_text, g_loading.previous_text);
    }
    g_loading.previous_time = clock_seconds();
    keep_text(g_loading.previous_text, text);
}

void loading_status_log(const char *text)
{
    loading_status(text);
    if (text && *text) kubl_log_printf("%s\n", text);
}

void loading_status_reset(const char *text)
{
    loading_status_log(text);
    g_loading.spinner_phase = 0;
}

void loading_status_spin(const char *text)
{
    if (g_loading.spinner_time != 0 && clock_seconds() - g_loading.spinner_time <= 0.125) return;
    static const char *const dots[4] = {"", ".", "..", "..."};
    char line[80];
    snprintf(line, sizeof line, "%.64s%s", text, dots[g_loading.spinner_phase & 3]);
    g_loading.spinner_phase = (g_loading.spinner_phase + 1) % 4;
    loading_status(line);
    g_loading.spinner_time = clock_seconds();
}

void loading_status_done(const char *text)
{
    char line[80];
    snprintf(line, sizeof line, "%.64s...done", text);
    loading_status(line);
}

void draw_busy_wheel(unsigned counter)
{
    const float X = view_half_x, Y = view_half_y;
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_ALPHA_TEST);
    glPushMatrix();
    glTranslatef(0, 0, -1);
    draw_flat_quad(0.25f, 0.25f, 0.25f, 1, -X, Y, X, -Y);

    // A radial shade of 16 sectors, wound counter-clockwise so back-face culling keeps it.
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glBegin(GL_TRIANGLE_FAN);
    glColor4f(0.5f, 0.5f, 0.5f, 1);
    glVertex3f(0, 0, 0);
    glColor4f(0.25f, 0.25f, 0.25f, 1);
    for (int i = 16; i >= 0; --i) {
        double angle = i * M_PI / 8;
        glVertex3f((float)(2 * Y * std::sin(angle)), (float)(2 * Y * std::cos(angle)), 0);
    }
    glEnd();

    double now = clock_seconds();
    int phase = (int)((now / 2 - std::floor(now / 2)) * 64);   // the highlight band, 2 s round
    if (g_loading.busy_start == 0) g_loading.busy_start = now;
    double fade = ((now - g_loading.busy_start) - 0.25) * 4;
    fade = fade < 0 ? 0 : fade > 1 ? 1 : fade;
    for (int i = 0; i < 32; ++i) {
        float x = Y * (1 - i / 16.0f);
        float s = (phase + i) & 32 ? Y * 0.0234375f : Y * 0.017578125f;
        draw_flat_quad(0, 0, 0, (float)(0.1 * fade), x - s, s, x + s, -s);
        float grey = counter >> i & 1 ? 0.875f : 0.75f, t = 0.75f * s;
        draw_flat_quad(grey, grey, grey, (float)fade, x - t, t, x + t, -t);
    }
    glPopMatrix();
}

void loading_tick(void)
{
    g_loading.busy_counter++;
    drain_events();
    double now = clock_seconds();
    if (now - g_loading.busy_time < 0.0625) return;
    g_loading.busy_time = now;
    int width, height;
    if (!g_driver->begin(&width, &height)) return;
    g_driver->draw_busy(width, height, g_loading.busy_counter);
    g_driver->end();
}
