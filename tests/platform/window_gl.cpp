// A real window under the test run's X server: OpenGL frames, window events as input events.
#include <gtest/gtest.h>
#include "log_capture.h"
#include "platform/clock.h"
#include "platform/display_internal.h"
#include "platform/input.h"
#include <SDL.h>
#include <GL/gl.h>
#include <string>
#include <vector>

namespace {

struct Event { std::uint32_t code; int pressed, s, us; };

std::vector<Event> read_all(display *d)
{
    std::vector<Event> out;
    Event e;
    while (kubl_event_read_stamped(d, &e.code, &e.pressed, &e.s, &e.us)) out.push_back(e);
    return out;
}

std::int64_t micros(int s, int us) { return (std::int64_t)s * 1000000 + us; }

std::int64_t now_us()
{
    int s, us;
    kubl_time_now(&s, &us);
    return micros(s, us);
}

void push_key(SDL_EventType type, SDL_Scancode scancode, SDL_Keycode sym, Uint16 mod)
{
    SDL_Event e;
    SDL_zero(e);
    e.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = scancode;
    e.key.keysym.sym = sym;
    e.key.keysym.mod = mod;
    SDL_PushEvent(&e);
}

struct WindowFixture : testing::Test {
    LogCapture log{"window"};
    display *d = nullptr;
    void SetUp() override
    {
        d = kubl_gl_window_open("Rutline test", 320, 240, 24, 0, 16, 0, 0);
        ASSERT_NE(d, nullptr) << log.text();
        read_all(d);   // whatever the window system said while the window appeared
    }
    void TearDown() override { kubl_gl_window_close(d); }
};

}  // namespace

TEST_F(WindowFixture, OpensWithADepthBufferAndDrawsFrames)
{
    std::string text = log.text();
    size_t creating = text.find("] Creating window\n");
    size_t choosing = text.find("] Choosing pixel format\n");
    size_t setting = text.find("] Setting pixel format ");
    size_t context = text.find("] Creating OpenGL context\n");
    ASSERT_NE(creating, std::string::npos) << text;
    EXPECT_LT(creating, choosing);
    EXPECT_LT(choosing, setting);
    EXPECT_LT(setting, context);
    EXPECT_NE(context, std::string::npos);
    EXPECT_NE(text.find("]  threaded: [off]\n"), std::string::npos) << text;

    GLint depth_bits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depth_bits);
    EXPECT_GE(depth_bits, 16);

    for (int frame = 0; frame < 2; ++frame) {
        frame_size *f = kubl_gl_frame_begin(d);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->width, 320);
        EXPECT_EQ(f->height, 240);
        EXPECT_EQ(f->pixels, nullptr);
        glViewport(0, 0, f->width, f->height);
        glClearColor(0.196078f, 0.6f, 0.8f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glFinish();
        unsigned char px[4] = {0, 0, 0, 0};
        glReadBuffer(GL_BACK);
        glReadPixels(160, 120, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
        EXPECT_NEAR(px[0], 50, 1);
        EXPECT_NEAR(px[1], 153, 1);
        EXPECT_NEAR(px[2], 204, 1);
        EXPECT_EQ(kubl_gl_frame_end(d), 1);
    }
}

TEST_F(WindowFixture, NoFrameWhileHiddenOrSuspended)
{
    SDL_Window *w = (SDL_Window *)d->window;
    SDL_HideWindow(w);
    kubl_pump_messages(d);
    EXPECT_EQ(kubl_gl_frame_begin(d), nullptr);
    SDL_ShowWindow(w);
    kubl_pump_messages(d);
    kubl_set_suspended(d, 1);
    EXPECT_EQ(kubl_gl_frame_begin(d), nullptr);
    kubl_set_suspended(d, 0);
    ASSERT_NE(kubl_gl_frame_begin(d), nullptr);
    kubl_gl_frame_end(d);
}

TEST_F(WindowFixture, CloseRequestIsAnEventAndTheWindowStays)
{
    SDL_Event e;
    SDL_zero(e);
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    e.window.windowID = SDL_GetWindowID((SDL_Window *)d->window);
    std::int64_t before = now_us();
    SDL_PushEvent(&e);
    std::vector<Event> got = read_all(d);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].code, (std::uint32_t)KUBL_CLOSE);
    EXPECT_EQ(got[0].pressed, 1);
    EXPECT_GE(micros(got[0].s, got[0].us), before);   // stamped when handled

    SDL_zero(e);
    e.type = SDL_QUIT;   // a termination signal arrives the same way
    SDL_PushEvent(&e);
    got = read_all(d);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].code, (std::uint32_t)KUBL_CLOSE);

    ASSERT_NE(kubl_gl_frame_begin(d), nullptr);   // still there to draw on
    kubl_gl_frame_end(d);
}

TEST_F(WindowFixture, KeysCarryScanCodesAndMakeCharacters)
{
    std::int64_t before = now_us();
    push_key(SDL_KEYDOWN, SDL_SCANCODE_M, SDLK_m, KMOD_NONE);
    SDL_Event text;
    SDL_zero(text);
    text.type = SDL_TEXTINPUT;
    strcpy(text.text.text, "m\xC3\xA9\xE2\x82\xAC");   // m, e-acute, and a euro sign (no code)
    SDL_PushEvent(&text);
    push_key(SDL_KEYUP, SDL_SCANCODE_M, SDLK_m, KMOD_NONE);
    push_key(SDL_KEYDOWN, SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE, KMOD_NONE);
    push_key(SDL_KEYDOWN, SDL_SCANCODE_C, SDLK_c, KMOD_LCTRL);
    push_key(SDL_KEYDOWN, SDL_SCANCODE_RIGHT, SDLK_RIGHT, KMOD_NONE);
    push_key(SDL_KEYDOWN, SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, KMOD_NONE);
    std::vector<Event> got = read_all(d);
    std::int64_t after = now_us();

    struct Want { std::uint32_t code; int pressed; };
    const Want want[] = {
        {0x1032, 1}, {'m', 1}, {0xE9, 1}, {0x1032, 0},
        {0x100E, 1}, {8, 1},
        {0x102E, 1}, {3, 1},
        {0x114D, 1},
        {0x111C, 1}, {13, 1},
    };
    ASSERT_EQ(got.size(), std::size(want));
    for (size_t i = 0; i < got.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(got[i].code, want[i].code);
        EXPECT_EQ(got[i].pressed, want[i].pressed);
        // Stamped from SDL's own time of the event, on the game clock.
        EXPECT_GE(micros(got[i].s, got[i].us), before - 1000);
        EXPECT_LE(micros(got[i].s, got[i].us), after);
    }
    EXPECT_STREQ(kubl_event_code_name(d, got[0].code), "m");
}

TEST_F(WindowFixture, KeyStampIsWhenSdlSawTheKeyNotWhenItWasRead)
{
    push_key(SDL_KEYDOWN, SDL_SCANCODE_X, SDLK_x, KMOD_NONE);
    SDL_Delay(60);
    std::int64_t read_at = now_us();
    std::vector<Event> got = read_all(d);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_LE(micros(got[0].s, got[0].us), read_at - 40000);
}

TEST_F(WindowFixture, MouseButtonsAndTheCursorDevice)
{
    SDL_Event e;
    SDL_zero(e);
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = SDL_BUTTON_RIGHT;
    e.button.state = SDL_PRESSED;
    SDL_PushEvent(&e);
    e.type = SDL_MOUSEBUTTONUP;
    e.button.state = SDL_RELEASED;
    SDL_PushEvent(&e);
    std::vector<Event> got = read_all(d);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].code, (std::uint32_t)KUBL_MOUSE_RIGHT);
    EXPECT_EQ(got[0].pressed, 1);
    EXPECT_EQ(got[1].pressed, 0);

    std::uint32_t code = 0;
    EXPECT_EQ(kubl_button_lookup(d, &code, "cursor-left"), 1);
    EXPECT_EQ(code, (std::uint32_t)KUBL_MOUSE_LEFT);
    axis_handle *x = kubl_axis_open(d, "cursor-x");
    axis_handle *y = kubl_axis_open(d, "cursor-y");
    ASSERT_TRUE(x && y);
    SDL_WarpMouseInWindow((SDL_Window *)d->window, 37, 21);
    kubl_pump_messages(d);
    EXPECT_EQ(kubl_axis_read(x), 37);
    EXPECT_EQ(kubl_axis_read(y), 21);
    kubl_axis_close(x);
    kubl_axis_close(y);
}

TEST_F(WindowFixture, ModeRequestsApplyAtTheNextPump)
{
    EXPECT_EQ(kubl_window_set_mode(d, 400, 300, 24), 1);
    kubl_pump_messages(d);
    SDL_Delay(50);
    kubl_pump_messages(d);
    frame_size *f = kubl_gl_frame_begin(d);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->width, 400);
    EXPECT_EQ(f->height, 300);
    kubl_gl_frame_end(d);
    EXPECT_TRUE(log.has("] WM_SIZE message 400x300\n")) << log.text();
}

TEST(WindowOpen, ZeroSizeTakesTheDesktopMode)
{
    LogCapture log("desktop");
    int dw, dh;
    ASSERT_EQ(kubl_registry_mode_size(&dw, &dh), 1);
    display *d = kubl_gl_window_open("Rutline desktop", 0, 0, 24 | KUBL_OPEN_FIXED, 0, 16, 0, 0);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->width, dw);
    EXPECT_EQ(d->height, dh);
    EXPECT_EQ(d->mode_switching, 0);
    const display_mode *modes = kubl_display_modes();
    ASSERT_NE(modes, nullptr);
    EXPECT_EQ(modes[0].width, dw);   // the desktop mode comes first
    kubl_gl_window_close(d);

    // Open and close twice in one process.
    d = kubl_gl_window_open("Rutline again", 64, 48, 24, 0, 16, 0, 0);
    ASSERT_NE(d, nullptr);
    kubl_gl_window_close(d);
    std::string text = log.text();
    EXPECT_NE(text.find("] Deleting OpenGL context\n"), std::string::npos);
    EXPECT_NE(text.find("] Window shutdown complete\n"), std::string::npos);
    EXPECT_NE(text.find("] Closing input devices\n"), std::string::npos);
}

TEST_F(WindowFixture, FullscreenAndBackKeepTheWindowDrawable)
{
    int dw, dh;
    ASSERT_EQ(kubl_registry_mode_size(&dw, &dh), 1);
    kubl_window_set_mode(d, 100, 100, 24 | KUBL_OPEN_FULLSCREEN);
    kubl_pump_messages(d);
    EXPECT_EQ(d->fullscreen_active, 1);
    EXPECT_EQ(d->suspended, 0);
    // The smallest listed mode that holds 100 x 100 (the virtual screen lists few).
    int cw, ch;
    ASSERT_EQ(kubl_mode_choose(kubl_display_modes(), 100, 100, &cw, &ch), 1);
    EXPECT_EQ(d->fullscreen_width, cw);
    EXPECT_EQ(d->fullscreen_height, ch);

    kubl_window_set_mode(d, 200, 150, 24);
    kubl_pump_messages(d);
    SDL_Delay(50);
    kubl_pump_messages(d);
    EXPECT_EQ(d->fullscreen_active, 0);
    frame_size *f = kubl_gl_frame_begin(d);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->width, 200);
    EXPECT_EQ(f->height, 150);
    kubl_gl_frame_end(d);

    // The X server puts the desktop mode back in its own time; later tests share the server
    // and take the desktop size, so wait for it here.
    SDL_DisplayMode now{};
    for (int i = 0; i < 200; ++i) {
        kubl_pump_messages(d);
        if (SDL_GetCurrentDisplayMode(0, &now) == 0 && now.w == dw && now.h == dh) break;
        SDL_Delay(10);
    }
    EXPECT_EQ(now.w, dw);
    EXPECT_EQ(now.h, dh);
}
