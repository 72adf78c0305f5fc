#include "console_fixture.h"
#include "bike/engine_sound.h"
#include "racing/demo.h"
#include "racing/race_state.h"
#include "shell/main/cameras.h"
#include "shell/globals.h"
#include "terrain/field.h"
#include "terrain/timing_gates.h"
#include "terrain/track_load.h"
#include "ui/ground_view.h"
#include <cmath>
#include <cstring>
#include <algorithm>
#include <functional>

using Printed = std::vector<std::string>;

// One line in, its return value, the messages it prints and what it leaves behind.
TEST_F(ConsoleTest, CommandTable)
{
    struct Case {
        const char           *line;
        int                   result;
        Printed               messages;
        std::function<void()> check;
    };
    const Case cases[] = {
        // exact names stand alone; a backslash is a slash
        {"/togglefps", 1, {"FPS display ON"}, [] { EXPECT_EQ(g_config.draw_fps, 1); }},
        {"\\togglefps", 1, {"FPS display ON"}, [] { EXPECT_EQ(g_config.draw_fps, 1); }},
        {"/togglefps x", 0, {}, [] { EXPECT_EQ(g_config.draw_fps, 0); }},
        {"/togglefpsx", 0, {}, nullptr},
        {"/toggletime", 1, {"Time display ON"}, [] { EXPECT_EQ(g_config.draw_time, 1); }},
        {"/toggleping", 1, {"Ping display ON"}, [] { EXPECT_EQ(g_config.draw_ping, 1); }},
        {"/togglespeed", 1, {"Speed display ON"}, [] { EXPECT_EQ(g_config.draw_speed, 1); }},
        {"/togglespy", 1, {"Spy mode ON"}, [] { EXPECT_EQ(g_config.spy, 1); }},
        {"/togglegraph", 1, {"Suspension graph ON"}, [] { EXPECT_EQ(telemetry_on, 1); }},
        {"/togglekeycam", 1, {"Keycam mode ON"}, [] { EXPECT_EQ(keycam_playback, 1); }},
        {"/renderstats", 1, {}, [] { EXPECT_EQ(g_options.draw_render_stats, 1); }},
        {"/forcereload", 1, {"Track will be reloaded on next restart"}, [] { EXPECT_EQ(track_reload_requested, 1); }},
        {"/forcereload now", 0, {}, [] { EXPECT_EQ(track_reload_requested, 0); }},
        {"/hfvol", 1, {"0.000000\n"}, nullptr},
        {"/nosuchthing", 0, {}, nullptr},
        {"/", 0, {}, nullptr},
        // prefix names take the rest of the word as their argument
        {"/bbopt 12", 1, {"Billboard optimization window is now 12"},
         [] { EXPECT_EQ(g_config.billboard_optimize_lookahead, 12); }},
        {"/bbopt300", 1, {"Billboard optimization window is now 300"}, nullptr},
        {"/bbopt x", 1, {"Billboard optimization window is now 8"}, nullptr},
        {"/fov abc", 1, {"Usage: fov <degrees>"}, [] { EXPECT_EQ(config_sliders[CONFIG_FOV].value, 110); }},
        {"/fov nan", 1, {"Usage: fov <degrees>"}, [] { EXPECT_EQ(config_sliders[CONFIG_FOV].value, 110); }},
        {"/fov 500", 1, {"fov set"}, [] { EXPECT_EQ(config_sliders[CONFIG_FOV].value, 170); }},
        {"/fov 75", 1, {"fov set"}, [] { EXPECT_EQ(config_sliders[CONFIG_FOV].value, 75); }},
        {"/camangle 90 10", 1, {"Camera aimed"}, [] {
             EXPECT_FLOAT_EQ(free_camera.yaw, (float)(M_PI / 2));
             EXPECT_FLOAT_EQ(free_camera.pitch, (float)(M_PI / 18));
             EXPECT_EQ(free_camera.yaw_rate, 0);
         }},
        {"/camangle 90", 1, {"Usage: camangle <yaw> <pitch>"}, [] { EXPECT_EQ(free_camera.yaw, 0.5f); }},
        {"/camangle inf 3", 1, {"Usage: camangle <yaw> <pitch>"}, [] { EXPECT_EQ(free_camera.yaw, 0.5f); }},
        // word names need a blank or the end after them
        {"/messagelines 7", 1, {"Maximum showing messages is now 7"}, [] { EXPECT_EQ(message_lines, 7); }},
        {"/messagelines 5000", 1, {"Maximum showing messages is now 1000"}, nullptr},
        {"/messagelines -3", 1, {"Maximum showing messages is now 0"}, nullptr},
        {"/messagelines7", 0, {}, [] { EXPECT_EQ(message_lines, 5); }},
        {"/demobackups 500", 1, {"Now keeping 100 demo backups"}, nullptr},
        {"/demobackups -2", 1, {"Now keeping 0 demo backups"}, nullptr},
        {"/mapscale 0.01", 1, {"Map scale set to 0.125000"}, nullptr},
        {"/  mapscale   2.5", 1, {"Map scale set to 2.500000"}, nullptr},
        {"/mapscale nan", 1, {"Map scale set to 1.000000"}, nullptr},
        {"/mapscale inf", 1, {"Map scale set to 8.000000"}, nullptr},
        {"/mapscale -inf", 1, {"Map scale set to 0.125000"}, nullptr},
        {"/sendfile a b", 1, {"Filename may only contain alphanumeric characters, '_' or '.'"},
         [] { EXPECT_EQ(net_outgoing_file, nullptr); }},
        {"/sendfile ../x", 1, {"Filename may only contain alphanumeric characters, '_' or '.'"}, nullptr},
        {"/sendfilex", 0, {}, nullptr},
        // the keyframe commands
        {"/addkey", 1, {"Keyframe added"}, [] { EXPECT_EQ(camkeys_count(), 1); }},
        {"/clearkeys", 1, {"Keyframes cleared"}, [] { EXPECT_EQ(camkeys_count(), 0); }},
        {"/listkeys", 1, {}, nullptr},
        {"/writekeys", 1, {"Error saving camera keys"}, nullptr},
        {"/readkeys nothere", 1, {"Error reading camera keys"}, nullptr},
        {"/readkeys ../config", 1, {"Error reading camera keys"}, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        config_init();
        g_config.draw_fps = g_config.draw_time = g_config.draw_ping = g_config.draw_speed = 0;
        message_lines = 5;
        g_options.draw_render_stats = 0;
        telemetry_on = keycam_playback = track_reload_requested = 0;
        free_camera.yaw = 0.5f;
        free_camera.yaw_rate = 1;
        printed();
        EXPECT_EQ(console_line(c.line), c.result);
        EXPECT_EQ(printed(), c.messages);
        if (c.check) c.check();
    }
    // A toggle flips back.
    console_line("/togglefps");
    console_line("/togglefps");
    EXPECT_EQ(printed(), (Printed{"FPS display ON", "FPS display OFF"}));
    EXPECT_EQ(g_config.draw_fps, 0);
    keycam_playback = telemetry_on = track_reload_requested = 0;
    config_init();
}

TEST_F(ConsoleTest, ChatOneLinePerTwoSeconds)
{
    EXPECT_EQ(console_line("hello"), 1);   // offline: counts for the timer all the same
    advance(1);
    EXPECT_EQ(console_line("again"), 0);
    advance(1);   // exactly 2 s after the first: still too soon
    EXPECT_EQ(console_line("again"), 0);
    advance(0.5);
    EXPECT_EQ(console_line("again"), 1);
    EXPECT_EQ(printed(), (Printed{"Not connected to server", "No one likes a spammer", "No one likes a spammer",
                                  "Not connected to server"}));
    EXPECT_EQ(ConsoleFakes::messages(), 0);

    net_socket = 3;
    advance(1);
    EXPECT_EQ(console_line("online"), 0);
    EXPECT_EQ(ConsoleFakes::messages(), 0);
    advance(1.5);
    EXPECT_EQ(console_line("online"), 1);
    EXPECT_EQ(ConsoleFakes::messages(), 1);
    const net_msg_node &m = ConsoleFakes::message();
    ASSERT_EQ(m.length, NET_MSG_HEADER + 1 + 6);
    EXPECT_EQ(m.payload[13], 19);
    EXPECT_EQ(std::string((const char *)m.payload + 14, 6), "online");
    EXPECT_EQ(printed(), (Printed{"No one likes a spammer"}));
}

TEST_F(ConsoleTest, LongChatIsCutToTheMessage)
{
    net_socket = 3;
    std::string line(600, 'c');
    line[465] = 'L';
    line[466] = 'X';
    EXPECT_EQ(console_line(line.c_str()), 1);
    const net_msg_node &m = ConsoleFakes::message();
    EXPECT_EQ(m.length, NET_MSG_LIMIT);
    EXPECT_EQ(std::string((const char *)m.payload + 14, 466), line.substr(0, 466));
}

TEST_F(ConsoleTest, HandledLinesGoIntoTheDemo)
{
    console_line("/togglefps");
    console_line("/togglefps x");
    console_line("hi there");
    console_line("spam");   // refused: within 2 s
    console_line("\\toggletime");
    ASSERT_EQ(ConsoleFakes::packets().size(), 3u);
    const char *want[] = {"/togglefps", "hi there", "\\toggletime"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ConsoleFakes::packets()[i].type, DEMO_TEXT);
        EXPECT_EQ(ConsoleFakes::packets()[i].text, want[i]);
    }
}

TEST_F(ConsoleTest, Pipe)
{
    struct Case {
        const char *engine, *line;
        float length, reflection, gain;
        int first, last;
    };
    const Case cases[] = {
        {"125", "/pipe 2.0", 2.0f, 0.3f, -0.75f, 0, 15},
        {"250", "/pipeline", 1.75f, 0.3f, -0.75f, 0, 15},
        {"450f", "/pipe", 5.0f, 0.9182072f, -0.85f, 0, 15},
        {"250f", "/pipe 3 0.5 -0.2 4 9", 3, 0.5f, -0.2f, 4, 9},
        {"250f", "/pipe nan 0.5", 5.0f, 0.5f, -0.85f, 0, 15},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        ConsoleFakes::engine() = c.engine;
        memset(&engine_sound_slots[0].params, 0, sizeof engine_sound_slots[0].params);
        EXPECT_EQ(console_line(c.line), 1);
        EXPECT_EQ(printed(), (Printed{"Pipe updated"}));
        engine_sound_params want = {};
        engine_sound_compute_pipe(c.length, c.reflection, c.gain, c.first, c.last, &want);
        EXPECT_EQ(memcmp(want.pipe_delay, engine_sound_slots[0].params.pipe_delay, sizeof want.pipe_delay), 0);
        EXPECT_EQ(memcmp(want.pipe_gain, engine_sound_slots[0].params.pipe_gain, sizeof want.pipe_gain), 0);
    }
    // pipe and camangle need a bike to act on
    bike_slot_table[0] = nullptr;
    EXPECT_EQ(console_line("/pipe 2"), 0);
    EXPECT_EQ(console_line("/camangle 1 2"), 0);
    EXPECT_EQ(printed(), Printed{});
}

TEST_F(ConsoleTest, NameDemo)
{
    struct Case {
        const char *line;
        int recording, time_trial;
        const char *message, *name;
    };
    const std::string long_line = "/namedemo " + std::string(DEMO_NAME_MAX - 6, 'n');
    const Case cases[] = {
        {"/namedemo  best run", 1, 0, "Demo name updated", "best.rldemo"},
        {"/namedemo a.rldemo", 1, 0, "Demo name updated", "a.rldemo"},
        {"/namedemo ../lost", 1, 0, "Bad demo name", ""},
        {"/namedemo x/../../y", 1, 0, "Bad demo name", ""},
        {long_line.c_str(), 1, 0, "Name too long", ""},
        {"/namedemo x", 0, 0, "Not currently recording a demo", ""},
        {"/namedemo x", 1, 1, "Not currently recording a demo", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        ConsoleFakes::recording() = c.recording;
        ConsoleFakes::time_trial() = c.time_trial;
        ConsoleFakes::demo_name().clear();
        EXPECT_EQ(console_line(c.line), 1);
        EXPECT_EQ(printed(), (Printed{c.message}));
        EXPECT_EQ(ConsoleFakes::demo_name(), c.name);
    }
    // The longest name the recorder keeps still fits.
    ConsoleFakes::time_trial() = 0;
    const std::string fits = "/namedemo " + std::string(DEMO_NAME_MAX - 7, 'n');
    console_line(fits.c_str());
    EXPECT_EQ(ConsoleFakes::demo_name().size(), (size_t)DEMO_NAME_MAX);
}

TEST_F(ConsoleTest, Diagnostics)
{
    for (int i = 0; i < 8; ++i) frame_time_counts[i] = i * 10;
    EXPECT_EQ(console_line("/fpshist"), 1);
    EXPECT_EQ(printed(), (Printed{"128=0 64=10 32=20 16=30 8=40 4=50 2=60 1=70 "}));
    for (int i = 0; i < 8; ++i) EXPECT_EQ(frame_time_counts[i], 0);

    static terrain_field field;
    float heights[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9.5f};
    field.heights = heights;
    field.grid_dim = 3;
    terrain_field *saved = terrain_ptr;
    terrain_ptr = &field;
    EXPECT_EQ(console_line("/hfvol"), 1);
    terrain_ptr = saved;
    EXPECT_EQ(printed(), (Printed{"45.500000\n"}));
}

TEST_F(ConsoleTest, SetupFiles)
{
    EXPECT_EQ(console_line("/writesetup  mine "), 1);
    const std::string written = fixture_read_file(home + "setups/mine");
    int lines = 0;
    for (char c : written) lines += c == '\n';
    EXPECT_EQ(lines, SETUP_LINE_COUNT);
    EXPECT_FALSE(fixture_file_exists(home + "setups/mine.tmp"));

    setup_sliders[SETUP_BRAKE_TORQUE].value = 900;
    setup_changed = 0;
    EXPECT_EQ(console_line("/readsetup mine"), 1);
    EXPECT_EQ(setup_sliders[SETUP_BRAKE_TORQUE].value, 500);
    EXPECT_EQ(setup_changed, 1);
    EXPECT_EQ(ConsoleFakes::applied(), 1);
    EXPECT_EQ(printed(), (Printed{"Setup written", "Setup updated"}));

    // A name out of the folder opens nothing, yet the setup in force is applied again.
    fixture_write_file(home + "config", "brake_torque=700\n");
    setup_changed = 0;
    for (const char *line : {"/readsetup ../config", "/readsetup ../../x", "/readsetup   ", "/readsetup nothere"}) {
        SCOPED_TRACE(line);
        EXPECT_EQ(console_line(line), 1);
        EXPECT_EQ(printed(), (Printed{"Error reading setup"}));
    }
    EXPECT_EQ(setup_sliders[SETUP_BRAKE_TORQUE].value, 500);
    EXPECT_EQ(setup_changed, 1);
    EXPECT_EQ(ConsoleFakes::applied(), 5);

    // Only a local viewed rider gets the setup.
    controller_kind[0] = CONTROLLER_ROBOT;
    console_line("/readsetup mine");
    controller_kind[0] = CONTROLLER_LOCAL;
    EXPECT_EQ(ConsoleFakes::applied(), 5);

    EXPECT_EQ(console_line("/writesetup ../escaped"), 1);
    EXPECT_EQ(console_line("/writesetup"), 1);
    printed();
    EXPECT_FALSE(fixture_file_exists(home + "escaped"));
    EXPECT_EQ(fixture_read_file(home + "config"), "brake_torque=700\n");
}

TEST_F(ConsoleTest, SetupFileRebuildsTheBikeGraphics)
{
    fixture_write_file(home + "textures/yz250fv2017-blue.png", "x");
    fixture_write_file(home + "textures/crf450v2017-red.png", "x");
    fixture_write_file(home + "textures/crf450v2017-white.png", "x");
    fixture_write_file(home + "setups/crf", "bike=crf450(2017)\r\nbike_texture=white\r\nno equals sign\n");
    static const char *const models[] = {"yz250f(2017)", "crf450(2017)"};
    setup_bike.items = models;
    setup_bike.item_count = 2;
    setup_bike.current = 0;
    EXPECT_EQ(console_line("/readsetup crf"), 1);
    const menu_choice &c = setup_graphics[SETUP_BIKE_GRAPHICS];
    ASSERT_EQ(c.item_count, 3);   // "default", red, white
    EXPECT_STREQ(choice_item_text(&c), "white");
    setup_bike.items = nullptr;
    setup_bike.item_count = 0;
}

TEST_F(ConsoleTest, TrackInfo)
{
    EXPECT_EQ(console_line("/savetrackinfo"), 1);   // no track: nothing
    EXPECT_EQ(printed(), Printed{});

    const char *saved_name = track_name, *saved_long = track_long_name;
    track_name = "hills";
    track_long_name = "Rolling Hills";
    first_lap_count = 3;
    normal_lap_count = 5;
    start_count = 12;
    for (int i = 0; i < 20; ++i) track_digest[i] = (std::uint8_t)(i * 13 + 10);
    fixture_write_file(home + "hills.trackinfo", "old");
    EXPECT_EQ(console_line("/savetrackinfo"), 1);
    EXPECT_EQ(fixture_read_file(home + "hills.trackinfo"),
              "dir=hills\nlongname=Rolling Hills\nfirstlap=3\nnormallap=5\ngatecount=12\n"
              "hash=0a1724313e4b5865727f8c99a6b3c0cddae7f401\n");
    EXPECT_EQ(printed(), (Printed{"Track info saved to hills.trackinfo"}));
    track_name = saved_name;
    track_long_name = saved_long;
}

TEST_F(ConsoleTest, SendFile)
{
    fixture_write_file(home + "outgoing/lap.bin", "bytes");
    EXPECT_EQ(console_line("/sendfile lap.bin"), 1);   // offline: the stream stays open
    EXPECT_NE(net_outgoing_file, nullptr);
    EXPECT_STREQ(net_outgoing_name, "namefile lap.bin");
    EXPECT_EQ(ConsoleFakes::messages(), 0);
    EXPECT_EQ(printed(), (Printed{"Not connected to server", "Sending file"}));

    net_socket = 3;
    EXPECT_EQ(console_line("/ sendfile   lap.bin"), 1);
    EXPECT_EQ(printed(), (Printed{"Stopping previous transfer", "Sending file"}));
    const net_msg_node &m = ConsoleFakes::message();
    ASSERT_EQ(m.length, NET_MSG_HEADER + 9);
    EXPECT_EQ(m.payload[13], 24);
    EXPECT_EQ(std::string((const char *)m.payload + 14, 8), "sendfile");

    for (const char *line : {"/sendfile missing", "/sendfile ..", "/sendfile"}) {
        SCOPED_TRACE(line);
        EXPECT_EQ(console_line(line), 1);
        EXPECT_EQ(net_outgoing_file, nullptr);
        EXPECT_STREQ(net_outgoing_name, "");
        printed();
    }
    const std::string too_long = "/sendfile " + std::string(1014, 'a');
    console_line(too_long.c_str());
    EXPECT_EQ(printed(), (Printed{"Filename too long"}));
    EXPECT_EQ(ConsoleFakes::messages(), 1);
}

TEST_F(ConsoleTest, ListFiles)
{
    fixture_write_file(home + "textures/Grass.PNG", "x");
    fixture_write_file(home + "textures/dirt.png", "x");
    fixture_write_file(home + "sounds/engine.braap", "x");
    EXPECT_EQ(console_line("/listfiles PNG"), 1);
    Printed listed = printed();
    std::sort(listed.begin(), listed.end());
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0], "textures/Grass.PNG -> " + home + "textures/Grass.PNG");
    EXPECT_EQ(listed[1], "textures/dirt.png -> " + home + "textures/dirt.png");
    EXPECT_EQ(console_line("/listfiles"), 1);
    EXPECT_EQ(printed().size(), 3u);
}

TEST_F(ConsoleTest, KeyframeFiles)
{
    free_camera = {};
    tick_count = 256;
    free_camera.position[0] = 1.5f;
    console_line("/addkey");
    EXPECT_EQ(console_line("/writekeys fly"), 1);
    console_line("/clearkeys");
    EXPECT_EQ(console_line("/readkeys fly"), 1);
    EXPECT_EQ(console_line("/listkeys"), 1);
    const Printed p = printed();
    ASSERT_EQ(p.size(), 5u);
    EXPECT_EQ(p[1], "Camera keys saved");
    EXPECT_EQ(p[3], "Camera keys updated");
    EXPECT_EQ(p[4], "pos = { 1.50, 0.00, 0.00 }, rot = { 0.00, 0.00, -0.00, 1.00 }, time = 2.00");
    free_camera = {};
}
