// Recording a demo: the head and the state packets byte for byte, a forced write, a race with
// nobody to record, the backups kept by "demo_backups", the "namedemo" rename and the packets
// the console and the network client append.
#include "demo_fixture.h"

#include <cstring>
#include <map>

#include "bike/frame.h"
#include "bike/setters.h"
#include "racing/demo.h"
#include "racing/state_history.h"
#include "shell/config.h"

namespace {

struct DemoRecord : DemoField {
    // Every tick the bikes move a little, so each sampled state differs; what was packed at a
    // tick is remembered per slot.
    std::map<int, std::map<int, std::string>> packed;

    void advance(int to, bike *const *riders, const int *slots, int count, int force_at = -1)
    {
        while (tick_count < to) {
            ++tick_count;
            for (int i = 0; i < count; ++i) {
                dBodySetPosition(riders[i]->bodies[BODY_FRAME], 10 + tick_count * 0.25 + i * 5, 3, 20);
                std::uint8_t f[BIKE_FRAME_BYTES];
                bike_pack_frame(riders[i], f);
                packed[slots[i]][tick_count] = std::string((const char *)f, sizeof f);
            }
            demo_record_tick(tick_count == force_at ? 1 : 0);
        }
    }
};

TEST_F(DemoRecord, HeadAndPacketsEvery16TicksWithAForcedWrite)
{
    bike *a = rider(0, CONTROLLER_LOCAL, 10, 20);
    rider(1, CONTROLLER_REMOTE, 30, 20);   // replayed riders are not recorded offline
    bike *b = rider(2, CONTROLLER_ROBOT, 40, 20);
    strcpy(a->number_text, "7");
    strcpy(b->number_text, "123");
    strcpy(rider_names[0], "Pat");
    strcpy(rider_names[2], "Roborider");
    race_time_limit = 0, race_laps_chosen = 3, race_start_tick = 1800;
    tick_count = 0;
    demo_record_start();
    ASSERT_TRUE(demo_recording());
    bike *riders[2] = {a, b};
    const int slots[2] = {0, 2};
    advance(0, riders, slots, 2);
    demo_record_tick(1);   // the reset's first packet
    for (int i = 0; i < 2; ++i) {
        std::uint8_t f[BIKE_FRAME_BYTES];
        bike_pack_frame(riders[i], f);
        packed[slots[i]][0] = std::string((const char *)f, sizeof f);
    }
    advance(37, riders, slots, 2, 37);
    demo_record_stop();

    const std::string file = read("demos/default.rldemo");
    const std::string model = bike_get_model_name(a);
    const std::string head = "RL06 2 0 3 1800\ntiming\n" + model + "||||\n7\nPat\n\n" + model + "||||\n123\nRoborider\n\n";
    ASSERT_EQ(file.substr(0, head.size()), head);
    std::size_t rest;
    const auto packets = demo_packets(file, head.size(), &rest);
    EXPECT_EQ(rest, 0u);
    // Forced at 0 (one state each), then at 16 and 32 four each (4, 8, ... 32), forced at 37
    // (36 and 37).
    struct Want { int tick; std::vector<int> stamps; };
    const Want want[] = {{0, {0}}, {16, {4, 8, 12, 16}}, {32, {20, 24, 28, 32}}, {37, {36, 37}}};
    ASSERT_EQ(packets.size(), std::size(want));
    for (std::size_t i = 0; i < packets.size(); ++i) {
        SCOPED_TRACE(want[i].tick);
        const demo_packet_view &p = packets[i];
        EXPECT_EQ(p.type, DEMO_STATES);
        EXPECT_EQ(p.tick, want[i].tick);
        ASSERT_EQ(p.length, 44u * 2 * want[i].stamps.size());
        std::size_t at = 0;
        for (int ordinal = 0; ordinal < 2; ++ordinal)
            for (int stamp : want[i].stamps) {
                EXPECT_EQ((unsigned char)p.payload[at], ordinal);
                std::int32_t t;
                memcpy(&t, p.payload.data() + at + 1, 4);
                EXPECT_EQ(t, stamp);
                EXPECT_EQ(p.payload.substr(at + 5, 39), packed[slots[ordinal]][stamp]) << "ordinal " << ordinal;
                at += 44;
            }
    }
}

TEST_F(DemoRecord, NobodyToRecordWritesTheHeadAlone)
{
    rider(0, CONTROLLER_REMOTE, 10, 20);
    race_time_limit = 7680, race_laps_chosen = 1, race_start_tick = 1700;
    demo_record_start();
    for (tick_count = 0; tick_count <= 64; ++tick_count) demo_record_tick(tick_count == 64);
    demo_record_stop();
    EXPECT_EQ(read("demos/default.rldemo"), "RL06 0 7680 1 1700\ntiming\n");
}

TEST_F(DemoRecord, OfflineErosionLevelAndAppendedPackets)
{
    erode_level = 2;
    tick_count = 5;
    demo_record_start();
    demo_record_packet(DEMO_TEXT, "hello there", 11);
    tick_count = 9;
    const unsigned char trail[3] = {1, 2, 3};
    net_send_erosion(trail, 3);   // offline the trail is dug here and kept in the demo
    demo_record_stop();
    demo_record_packet(DEMO_TEXT, "after", 5);   // nothing without a recording
    const std::string file = read("demos/default.rldemo");
    const auto packets = demo_packets(file, demo_head_bytes(file, 0));
    ASSERT_EQ(packets.size(), 3u);
    EXPECT_EQ(packets[0].type, DEMO_ERODE_LEVEL);
    EXPECT_EQ(packets[0].payload, "erode 2");
    EXPECT_EQ(packets[1].type, DEMO_TEXT);
    EXPECT_EQ(packets[1].tick, 5);
    EXPECT_EQ(packets[1].payload, "hello there");
    EXPECT_EQ(packets[2].type, DEMO_ERODE);
    EXPECT_EQ(packets[2].tick, 9);
    EXPECT_EQ(packets[2].payload, std::string("\1\2\3", 3));
}

TEST_F(DemoRecord, BackupsRotate)
{
    struct Case { int setting, kept; };
    // Out-of-range settings are clamped: below 0 none, above 100 a hundred.
    const Case cases[] = {{0, 0}, {2, 2}, {100, 100}, {-5, 0}, {1000, 100}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.setting);
        const std::string demos = home + "demos/";
        // The last race and 101 older ones, each file naming itself.
        fixture_write_file(demos + "default.rldemo", "current");
        char name[64];
        for (int k = 0; k <= 100; ++k) {
            snprintf(name, sizeof name, "default%02d.rldemo", k);
            fixture_write_file(demos + name, name);
        }
        g_config.demo_backups = c.setting;
        demo_record_start();
        demo_record_stop();
        EXPECT_EQ(read("demos/default.rldemo").substr(0, 4), "RL06");
        if (c.kept > 0) EXPECT_EQ(read("demos/default00.rldemo"), "current");
        else EXPECT_EQ(read("demos/default00.rldemo"), "default00.rldemo");
        for (int k = 1; k < c.kept; ++k) {
            snprintf(name, sizeof name, "default%02d.rldemo", k);
            char was[64];
            snprintf(was, sizeof was, "default%02d.rldemo", k - 1);
            ASSERT_EQ(read(std::string("demos/") + name), was) << name;
        }
        // Beyond the kept ones nothing moved.
        snprintf(name, sizeof name, "default%02d.rldemo", c.kept > 0 ? c.kept : 1);
        if (c.kept < 100) EXPECT_EQ(read(std::string("demos/") + name), name);
        EXPECT_EQ(read("demos/default100.rldemo"), "default100.rldemo");
    }
}

TEST_F(DemoRecord, NamedDemoIsKeptUnderItsName)
{
    demo_record_set_name("final.rldemo");
    demo_record_start();
    demo_record_stop();
    EXPECT_EQ(read("demos/final.rldemo").substr(0, 4), "RL06");
    EXPECT_FALSE(fixture_file_exists(demo_path("default.rldemo")));
    // The name is used once.
    demo_record_start();
    demo_record_stop();
    EXPECT_TRUE(fixture_file_exists(demo_path("default.rldemo")));
}

}   // namespace
