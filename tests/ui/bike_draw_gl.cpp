// The player's bike on the practice track's start line, drawn by bike_draw alone into real frames
// from beside it, in each rider view, crashed and not, with the game's own models and the
// reflective pass: each frame against its reference picture, and the views against each other
// where the models they leave out must show.
#include <gtest/gtest.h>
#include "fixtures/fixtures.h"
#include "bike/bike.h"
#include "bike/bike_record.h"
#include "data/paths.h"
#include "graphics/font.h"
#include "graphics/glcaps.h"
#include "platform/display.h"
#include "racing/race.h"
#include "shell/config.h"
#include "shell/globals.h"
#include "shell/main/seams.h"
#include "shell/setup.h"
#include "shell/startup.h"
#include "terrain/lighting.h"
#include "shell/track_list.h"
#include "ui/bike_draw.h"
#include "ui/ui.h"
#include "reference_picture.h"
#include <GL/gl.h>
#include <ode/ode.h>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

const int W = 320, H = 240;

// The game's start-up, cut to what drawing a bike needs, and a race of the player alone.
bike *race_bike(void)
{
    static bike *b;
    static bool tried;
    if (tried) return b;
    tried = true;
    setenv("XDG_DATA_HOME", (fixture_temp_dir("bikedrawgl") + "xdg").c_str(), 1);
    setenv("RL_HOME", fixture_game_dir().c_str(), 1);
    search_folders_free();
    config_init();
    setup_init();
    setup_select_bike("yz250f(2017)");
    setup_set_defaults(setup_stability());
    graphics_preset_apply(0);
    track_lighting_set_default();
    graphics_settings graphics;
    settings_graphics(&graphics);
    render_options_derive(&graphics, &g_render);
    g_render.use_shader = 0;   // the fixed-function path: the same pixels on every driver
    display *d = kubl_gl_window_open("Rutline bikes", W, H, 0, 8, 16, 0, 0);
    if (!d || !kubl_gl_frame_begin(d)) return nullptr;
    gl_probe_extensions();
    glEnable(GL_CULL_FACE);
    growable_array_init(&camera_keyframes, 36);
    growable_array_init(&track_cameras, 36);
    dInitODE2(0);
    physics_world = dWorldCreate();
    dWorldSetGravity(physics_world, 0, -32, 0);
    contact_group = dJointGroupCreate(0);
    frame_width = W;
    frame_height = H;
    if (!scan_tracks() || !track_choice_select("ridgeback-practice")) return nullptr;
    static int codes[160];
    codes[0] = 1;
    if (!reset_race(codes, 0, 0, 0, 3, 0)) return nullptr;
    b = bike_slot_table[0];
    return b;
}

// bike_draw alone from 11 ft to the bike's left, looking at a point 1.5 ft above its frame,
// under the track's light, on grey.
std::vector<unsigned char> draw(bike *b, int view, int crashed)
{
    const dReal *p = dBodyGetPosition(b->bodies[BODY_FRAME]), *r = dBodyGetRotation(b->bodies[BODY_FRAME]);
    const float centre[3] = {(float)p[0], (float)p[1] + 1.5f, (float)p[2]};
    // The frame's x axis (its right) in the world, from the ODE rotation's first column.
    const float side[3] = {(float)r[0], (float)r[4], (float)r[8]};
    const float eye[3] = {centre[0] - 11 * side[0], centre[1] + 1, centre[2] - 11 * side[2]};
    // The models' level of detail is chosen by the distance from the view's camera, as every
    // view sets it before drawing.
    for (int k = 0; k < 3; ++k) listener[k] = eye[k];
    set_projection(W, H, 60);
    glClearColor(0.5f, 0.5f, 0.5f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    {
        float f[3] = {centre[0] - eye[0], centre[1] - eye[1], centre[2] - eye[2]};
        const float fl = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
        for (float &c : f) c /= fl;
        float s[3] = {-f[2], 0, f[0]};   // f x up
        const float sl = std::sqrt(s[0] * s[0] + s[2] * s[2]);
        s[0] /= sl;
        s[2] /= sl;
        const float u[3] = {s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2], s[0] * f[1] - s[1] * f[0]};
        const float m[16] = {s[0], u[0], -f[0], 0, s[1], u[1], -f[1], 0, s[2], u[2], -f[2], 0, 0, 0, 0, 1};
        glMultMatrixf(m);
        glTranslatef(-eye[0], -eye[1], -eye[2]);
    }
    const lighting_record &l = track_lighting;
    const float sun[4] = {l.sun_vector[0], l.sun_vector[1], l.sun_vector[2], 0};
    const float ambient[4] = {l.ambient[0], l.ambient[1], l.ambient[2], 1};
    const float colour[4] = {l.sun_color[0], l.sun_color[1], l.sun_color[2], 1};
    glEnable(GL_LIGHT0);
    glLightfv(GL_LIGHT0, GL_POSITION, sun);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, colour);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    const int was = b->crash_counter;
    b->crash_counter = crashed;
    bike_draw(b, view, eye);
    b->crash_counter = was;
    glLoadIdentity();
    return frame_read(W, H);
}

// Pixels (of W x H) that differ by more than 24 in a channel.
int changed(const std::vector<unsigned char> &a, const std::vector<unsigned char> &b)
{
    int n = 0;
    for (std::size_t i = 0; i < a.size(); i += 3)
        n += std::abs(a[i] - b[i]) > 24 || std::abs(a[i + 1] - b[i + 1]) > 24 || std::abs(a[i + 2] - b[i + 2]) > 24;
    return n;
}

TEST(BikeDrawGl, ViewsAndCrashAgainstReferences)
{
    bike *b = race_bike();
    ASSERT_NE(b, nullptr) << "no window or no generated practice track";
    ASSERT_TRUE(b->handles.rider_body_model);
    const int reflections = g_render.reflections;
    struct Case { int view, crashed; const char *name; };
    const Case cases[] = {
        {RIDER_VIEW_OUTSIDE, 0, "bike_outside"},
        {RIDER_VIEW_HIDDEN, 0, "bike_hidden"},
        {RIDER_VIEW_HIDDEN, 1, "bike_hidden_crashed"},
        {RIDER_VIEW_FIRST_PERSON, 0, "bike_first_person"},
    };
    std::vector<unsigned char> frames[4];
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(cases[i].name);
        frames[i] = draw(b, cases[i].view, cases[i].crashed);
        expect_reference_picture(frames[i], W, H, cases[i].name);
    }
    // The rider and helmet go in view 1; the rear comes back when crashed; view 2 draws a rider.
    EXPECT_GT(changed(frames[0], frames[1]), 400);
    EXPECT_GT(changed(frames[1], frames[2]), 200);
    EXPECT_GT(changed(frames[1], frames[3]), 200);
    // The reflective frame tubes add the sky's glint.
    g_render.reflections = 0;
    const std::vector<unsigned char> dull = draw(b, RIDER_VIEW_OUTSIDE, 0);
    g_render.reflections = reflections;
    EXPECT_GT(changed(frames[0], dull), 20);
}

}   // namespace
