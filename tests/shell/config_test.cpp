#include <gtest/gtest.h>
#include "data/console.h"
#include "platform/display.h"
#include "settings_home.h"
#include "shell/config.h"
#include "shell/setup.h"
#include "shell/video_modes.h"
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

static const display_mode fake_modes[] = {{1920, 1080, 32}, {1024, 768, 32}, {0, 0, 0}};
static const display_mode *fake_source(void) { return fake_modes; }

class ConfigFile : public ::testing::Test {
protected:
    std::string home;
    void SetUp() override
    {
        home = settings_fresh_home("config");
        video_modes_set_source(fake_source);
        video_modes_build();
        config_init();
        setup_init();
    }
    void TearDown() override
    {
        video_modes_free();
        video_modes_set_source(nullptr);
    }
    void read_text(const std::string &text)
    {
        fixture_write_file(home + "config", text);
        config_read();
    }
    static const char *choice(int i) { return choice_item_text(&config_choices[i]); }
};

TEST_F(ConfigFile, LinesAndValues)
{
    struct Case {
        const char *text;
        std::function<void()> check;
    };
    const Case cases[] = {
        {"throttle_key=x\n", [] { EXPECT_STREQ(key_bindings[BIND_THROTTLE].key_name, "x"); }},
        {"throttle_key=(k)x\n", [] { EXPECT_STREQ(key_bindings[BIND_THROTTLE].key_name, "x"); }},
        {"throttle_key= \t (k)x\n", [] {
             EXPECT_STREQ(key_bindings[BIND_THROTTLE].key_name, "x");
             EXPECT_EQ(key_bindings[BIND_THROTTLE].axis_name, nullptr);
         }},
        {"front_brake_key=(-1,1)joy0-y\n", [] {
             const key_binding &b = key_bindings[BIND_FRONT_BRAKE];
             EXPECT_EQ(b.key_name, nullptr);
             EXPECT_STREQ(b.axis_name, "joy0-y");
             EXPECT_EQ(b.axis_min, -1.0f);
             EXPECT_EQ(b.axis_max, 1.0f);
         }},
        {"left_key=(x\n", [] { EXPECT_STREQ(key_bindings[BIND_LEFT].key_name, "(x"); }},
        // a range that is not finite is not read: the text is a key name
        {"left_key=(nan,nan)cursor.axis[0]\n", [] {
             EXPECT_EQ(key_bindings[BIND_LEFT].axis_name, nullptr);
             EXPECT_STREQ(key_bindings[BIND_LEFT].key_name, "(nan,nan)cursor.axis[0]");
             EXPECT_EQ(key_bindings[BIND_LEFT].axis_max, 1.0f);
         }},
        {"left_key=(0,inf)joy0-x\n", [] { EXPECT_EQ(key_bindings[BIND_LEFT].axis_name, nullptr); }},
        {"left_key=(-1e39,1)joy0-x\n", [] { EXPECT_EQ(key_bindings[BIND_LEFT].axis_name, nullptr); }},
        {"skill=Expert\r\r\n", [] { EXPECT_STREQ(choice(CONFIG_SKILL), "Expert"); }},
        {"skill=expert\n", [] { EXPECT_STREQ(choice(CONFIG_SKILL), "Novice"); }},
        {"laps=1000\n", [] { EXPECT_EQ(config_sliders[CONFIG_LAPS].value, 50); }},
        {"laps=lots\n", [] { EXPECT_EQ(config_sliders[CONFIG_LAPS].value, 5); }},
        {"first_person_height=0.3\n",   // no snapping to the step
         [] { EXPECT_EQ(config_sliders[CONFIG_FIRST_PERSON_HEIGHT].value, (double)0.3f); }},
        {"map_scale=20\n", [] { EXPECT_EQ(g_config.map_scale, 8.0f); }},
        {"map_scale=0\n", [] { EXPECT_EQ(g_config.map_scale, 0.125f); }},
        {"use_fbo=No\n", [] { EXPECT_STREQ(choice(CONFIG_RENDER_TEXTURE), "Hardware/Copy"); }},
        {"use_fbo=No\nrender_texture=Shaders/Direct\n",
         [] { EXPECT_STREQ(choice(CONFIG_RENDER_TEXTURE), "Shaders/Direct"); }},
        {"slot05=Robot (2 stroke)\n", [] {
             EXPECT_EQ(config_slots[5].current, 3);
             EXPECT_STREQ(config_slots[5].label, "Gate 6");
         }},
        {"xres=800\n yres=700\nyres\nXRES=1\n", [] {
             EXPECT_EQ(xres, 800);
             EXPECT_EQ(yres, 480);
         }},
        {"xres=wide\n", [] { EXPECT_EQ(xres, 640); }},
        {"name=a=b\n", [] { EXPECT_STREQ(setup_name.buffer, "a=b"); }},
        {"message_lines=5000\n", [] { EXPECT_EQ(message_lines, MESSAGE_LINES_MAX); }},
        {"video_mode=1024x768\n", [] { EXPECT_EQ(video_mode_choice.current, 3); }},
        {"track=dunes\nground_texture_distance=3\n", [] { EXPECT_STREQ(g_config.track, "dunes"); }},
        {"server_name_hist03=host.example\n",
         [] { EXPECT_STREQ(server_name_history[3], "host.example"); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        config_init();
        setup_init();
        read_text(c.text);
        c.check();
    }
}

TEST_F(ConfigFile, LengthLimits)
{
    std::string long_server(200, 's');
    std::string long_hist(127, 'h');
    // Lines longer than 1023 characters are read whole: a setting hidden in one's tail stays
    // part of its value, and the lines after it are read as before.
    std::string long_line = "name=" + std::string(1018, 'n') + "xres=999\n";
    std::string longer_line = "server_name=" + std::string(70000, 's') + "fov=33\n";
    read_text("server_name=" + long_server + "\nserver_name_hist00=" + long_hist + "\n" + long_line + longer_line +
              "yres=600");
    EXPECT_EQ(strlen(config_server_name.buffer), 127u);
    EXPECT_STREQ(server_name_history[0], "");
    EXPECT_EQ(strlen(setup_name.buffer), 63u);
    EXPECT_EQ(xres, 640);
    EXPECT_NE(setting_fov(), 33.0f);
    EXPECT_EQ(yres, 600) << "the line after, without a newline at the end";
}

// A binding with a long axis name is written longer than it was read ("(0,1)" becomes
// "(0.000000,1.000000)"): it reads back as it was written, and nothing in it becomes a setting.
TEST_F(ConfigFile, LongBindingsReadBackAsWritten)
{
    // 1023 characters up to "fov=33": where a reader of 1024 at a time would cut the line.
    const std::string name = std::string(1023 - 18, 'a') + "fov=33";
    read_text("throttle_key=(0,1)" + name + "\n");
    ASSERT_NE(key_bindings[BIND_THROTTLE].axis_name, nullptr);
    EXPECT_EQ(std::string(key_bindings[BIND_THROTTLE].axis_name), name);
    EXPECT_NE(setting_fov(), 33.0f);
    config_write();
    const std::string written = fixture_read_file(home + "config");
    EXPECT_NE(written.find("throttle_key=(0.000000,1.000000)" + name + "\n"), std::string::npos);
    key_bindings_reset();
    read_text(written);
    ASSERT_NE(key_bindings[BIND_THROTTLE].axis_name, nullptr);
    EXPECT_EQ(std::string(key_bindings[BIND_THROTTLE].axis_name), name);
    EXPECT_NE(setting_fov(), 33.0f);
}

TEST_F(ConfigFile, MissingFileKeepsDefaults)
{
    config_read();
    EXPECT_EQ(xres, 640);
    EXPECT_STREQ(g_config.track, "rabbithill");
    EXPECT_STREQ(key_bindings[BIND_DAB].key_name, "right ctrl");
}

TEST_F(ConfigFile, WriteReadRoundTrip)
{
    xres = 1024;
    g_config.draw_fps = 1;
    g_config.track = "dunes";
    g_config.map_scale = 2.5f;
    message_lines = 9;
    config_choices[CONFIG_SKILL].current = 2;
    config_choices[CONFIG_RENDER_TEXTURE].current = 4;
    config_sliders[CONFIG_FOV].value = 95;
    config_slots[39].current = 4;
    widget_text_set(&config_server_name, "race.example:19800");
    strcpy(server_name_history[15], "old.example");
    video_mode_choice.current = 2;
    binding_parse(&key_bindings[BIND_STEP], "(-1,0.5)joy0-x");
    key_bindings[BIND_SKIP].key_name = nullptr;   // neither key nor axis: not written
    setup_sliders[SETUP_FORK_PRELOAD].value = 70;
    setup_choices[SETUP_STOP_WHEELIES].current = 2;
    widget_text_set(&setup_name, "Sam Berm");
    setup_set("rider_texture", "red");

    config_write();
    std::string first = fixture_read_file(home + "config");
    EXPECT_FALSE(fixture_file_exists(home + "config.tmp"));
    EXPECT_NE(first.find("step_key=(-1.000000,0.500000)joy0-x\n"), std::string::npos);
    EXPECT_EQ(first.find("skip_key="), std::string::npos);
    EXPECT_EQ(first.find("ground_texture_distance"), std::string::npos);
    EXPECT_EQ(first.find("use_fbo"), std::string::npos);
    EXPECT_EQ(first.rfind("xres=1024\nyres=480\n", 0), 0u);

    config_init();
    setup_init();
    config_read();
    EXPECT_EQ(xres, 1024);
    EXPECT_STREQ(g_config.track, "dunes");
    EXPECT_EQ(g_config.map_scale, 2.5f);
    EXPECT_EQ(message_lines, 9);
    EXPECT_STREQ(choice(CONFIG_RENDER_TEXTURE), "Shaders/Direct");
    EXPECT_EQ(config_slots[39].current, 4);
    EXPECT_STREQ(server_name_history[15], "old.example");
    EXPECT_EQ(video_mode_choice.current, 2);
    EXPECT_STREQ(key_bindings[BIND_SKIP].key_name, "/");   // the default came back
    EXPECT_EQ(setup_sliders[SETUP_FORK_PRELOAD].value, 70);
    EXPECT_STREQ(setup_name.buffer, "Sam Berm");
    EXPECT_STREQ(setup_wanted_graphics[SETUP_RIDER_GEAR], "red");

    key_bindings[BIND_SKIP].key_name = nullptr;
    config_write();
    EXPECT_EQ(fixture_read_file(home + "config"), first);
}

static int failing_rename(const char *, const char *)
{
    errno = EIO;
    return -1;
}

// The settings file survives a save that cannot finish: a failed rename, or a temporary name
// the home folder cannot take while the data folder could.
TEST_F(ConfigFile, FailedSaveKeepsTheOldFile)
{
    const std::string data = std::string(getenv("RL_HOME")) + "/";
    fixture_write_file(data + ".keep", "");
    fixture_write_file(home + "config", "xres=800\n");
    xres = 1024;

    file_rename = failing_rename;
    config_write();
    file_rename = rename;
    EXPECT_EQ(fixture_read_file(home + "config"), "xres=800\n");
    EXPECT_FALSE(fixture_file_exists(home + "config.tmp"));

    struct Case { const char *what; bool needs_permissions; std::function<void()> block, unblock; };
    const std::string temp = home + "config.tmp";
    const Case cases[] = {
        {"a folder named config.tmp", false, [&] { mkdir(temp.c_str(), 0777); }, [&] { rmdir(temp.c_str()); }},
        // Root opens a read-only file anyway.
        {"a stale read-only config.tmp", true,
         [&] { fixture_write_file(temp, "stale"); chmod(temp.c_str(), 0444); }, [&] { remove(temp.c_str()); }},
    };
    for (const Case &c : cases) {
        if (c.needs_permissions && geteuid() == 0) continue;
        SCOPED_TRACE(c.what);
        c.block();
        config_write();
        c.unblock();
        EXPECT_EQ(fixture_read_file(home + "config"), "xres=800\n");
        EXPECT_FALSE(fixture_file_exists(data + "config.tmp"));
        EXPECT_FALSE(fixture_file_exists(data + "config"));
    }

    config_write();   // unblocked, the save goes through
    EXPECT_EQ(fixture_read_file(home + "config").rfind("xres=1024\n", 0), 0u);
}
