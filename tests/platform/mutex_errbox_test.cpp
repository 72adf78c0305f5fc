#include <gtest/gtest.h>
#include "platform/errbox.h"
#include "platform/mutex.h"
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

TEST(PlatformMutex, ExcludesOtherThreadsAndNestsForItsOwner)
{
    kubl_mutex *mx = kubl_mutex_create();
    ASSERT_NE(mx, nullptr);
    ASSERT_EQ(kubl_mutex_lock(mx), 1);
    ASSERT_EQ(kubl_mutex_lock(mx), 1);   // the owner may lock again
    kubl_mutex_unlock(mx);
    kubl_mutex_unlock(mx);

    long counter = 0;
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t)
        workers.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                kubl_mutex_lock(mx);
                long v = counter;
                counter = v + 1;
                kubl_mutex_unlock(mx);
            }
        });
    for (std::thread &w : workers) w.join();
    EXPECT_EQ(counter, 80000);
    kubl_mutex_close(mx);
    kubl_mutex_close(nullptr);
}

struct EnvGuard {
    std::vector<std::pair<std::string, std::string>> saved;
    std::vector<std::string> unset;
    void set(const char *name, const char *value)
    {
        const char *old = getenv(name);
        if (old) saved.emplace_back(name, old);
        else unset.emplace_back(name);
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    ~EnvGuard()
    {
        for (auto &s : saved) setenv(s.first.c_str(), s.second.c_str(), 1);
        for (auto &u : unset) unsetenv(u.c_str());
    }
};

TEST(PlatformErrorBox, ShownOnlyWhereAPersonCanSeeIt)
{
    struct Case { const char *display, *wayland, *no_box, *ci, *driver, *xauth; int visible; };
    const Case cases[] = {
        {":0", nullptr, nullptr, nullptr, nullptr, "/home/a/.Xauthority", 1},
        {nullptr, "wayland-0", nullptr, nullptr, nullptr, nullptr, 1},
        {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, 0},
        {":0", nullptr, "1", nullptr, nullptr, nullptr, 0},
        {":0", nullptr, "0", nullptr, nullptr, nullptr, 1},
        {":0", nullptr, nullptr, "true", nullptr, nullptr, 0},
        {":0", nullptr, nullptr, nullptr, "offscreen", nullptr, 0},
        {":99", nullptr, nullptr, nullptr, nullptr, "/tmp/xvfb-run.AbCd/Xauthority", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << (c.display ? c.display : "-") << " " << (c.no_box ? c.no_box : "-"));
        EnvGuard env;
        env.set("DISPLAY", c.display);
        env.set("WAYLAND_DISPLAY", c.wayland);
        env.set("RL_NO_MESSAGE_BOX", c.no_box);
        env.set("CI", c.ci);
        env.set("SDL_VIDEODRIVER", c.driver);
        env.set("XAUTHORITY", c.xauth);
        EXPECT_EQ(kubl_error_box_visible(), c.visible);
    }
}

TEST(PlatformErrorBox, WritesTitleAndCutTextToStandardError)
{
    EnvGuard env;
    env.set("RL_NO_MESSAGE_BOX", "1");
    std::string long_text(2000, 'z');
    testing::internal::CaptureStderr();
    kubl_error_box("Problem starting Rutline", "Can't find game data\n");
    kubl_error_box("Error", "%s", long_text.c_str());
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Problem starting Rutline: Can't find game data\n"), std::string::npos);
    EXPECT_NE(err.find("Error: " + std::string(1023, 'z') + "\n"), std::string::npos);
    EXPECT_EQ(err.find(std::string(1024, 'z')), std::string::npos);
}
