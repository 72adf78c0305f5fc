// The race as ridden, pinned: twenty robots on the generated default track, a fixed seed, the
// real race step recording its demo, through the gate drop and the first bunched seconds after
// it. The demo's bytes and every body's final state are digested and compared with the digests
// kept in race_digest.txt beside this file. A change that only makes the step faster must leave
// both alone; a change meant to alter the ride remakes them (the file says how).
#include <gtest/gtest.h>
#include <ode/ode.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "bike/bike_create.h"
#include "bike/bike_record.h"
#include "bike/collision_passes.h"
#include "bike/shape.h"
#include "data/file_index.h"
#include "data/mem.h"
#include "data/paths.h"
#include "data/ripemd160.h"
#include "data/util.h"
#include "fixtures/fixtures.h"
#include "racing/headless_race.h"
#include "racing/demo.h"
#include "racing/lines.h"
#include "racing/race.h"
#include "racing/race_state.h"
#include "shell/globals.h"
#include "shell/setup.h"
#include "shell/startup.h"
#include "terrain/statues.h"
#include "shell/track_list.h"
#include "terrain/track_load.h"

namespace {


const int ROBOTS = 20;
const int SECONDS_AFTER_DROP = 6;
const char DIGEST_FILE[] = RL_SOURCE_DIR "/tests/racing/race_digest.txt";
#if defined(__clang__)
const char COMPILER[] = "clang";
#else
const char COMPILER[] = "gcc";
#endif

std::string hex(const void *bytes, std::size_t count)
{
    ripemd160_ctx ctx;
    ripemd160_init(&ctx);
    ripemd160_update(&ctx, bytes, count);
    ripemd160_final(&ctx);
    std::string out;
    char two[3];
    for (unsigned char c : ctx.digest) {
        snprintf(two, sizeof two, "%02x", c);
        out += two;
    }
    return out;
}

// Every body of every bike, slot by slot: position, orientation, velocities, in full precision.
std::string body_states(void)
{
    std::string bytes;
    for (int slot = 0; slot < 160; ++slot) {
        bike *b = bike_slot_table[slot];
        if (!b) continue;
        for (int i = 0; i < BIKE_BODIES; ++i) {
            dBodyID body = b->bodies[i];
            bytes.append((const char *)dBodyGetPosition(body), 3 * sizeof(dReal));
            bytes.append((const char *)dBodyGetQuaternion(body), 4 * sizeof(dReal));
            bytes.append((const char *)dBodyGetLinearVel(body), 3 * sizeof(dReal));
            bytes.append((const char *)dBodyGetAngularVel(body), 3 * sizeof(dReal));
        }
    }
    return bytes;
}

std::string kept_digest(const std::string &text, const char *key)
{
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(std::string(key) + " ", 0) == 0) return line.substr(strlen(key) + 1);
    return "";
}

struct RaceDigest : ::testing::Test {
    std::string home;
    bool opened = false;

    void SetUp() override
    {
        if (!fixture_file_exists(fixture_game_dir() + "ridgeback/lines_novice")) GTEST_SKIP() << "no generated lines";
        opened = true;
        ASSERT_TRUE(headless_race_open("ridgeback", "racedigest", &home));
    }

    void TearDown() override
    {
        if (!opened) return;
        demo_record_stop();
        free_track();
        track_name = nullptr;
        headless_race_close();
    }
};

TEST_F(RaceDigest, TwentyRobotsRaceAsRecorded)
{
    int codes[160] = {};
    for (int i = 0; i < ROBOTS; ++i) codes[i] = 2;
    ASSERT_EQ(reset_race(codes, 0, 1, 0, 3, 0), 1);
    ASSERT_TRUE(demo_recording());
    // The gate drops 3 s after the reset rather than the game's 13 to 15: the bikes have
    // settled on the line by then, and the test stays short.
    race_start_tick = 3 * 128;
    const int end = race_start_tick + SECONDS_AFTER_DROP * 128;
    while (tick_count < end) race_step();
    demo_record_stop();
    // The pins must cover the passes between bikes, not only the ground's.
    EXPECT_GE(first_bump_tick, 0) << "no two bikes touched";

    const std::string demo = fixture_read_file(home + "Rutline/demos/default.rldemo");
    ASSERT_GT(demo.size(), 1000u);
    const std::string bodies = body_states();
    const std::string demo_digest = hex(demo.data(), demo.size());
    const std::string bodies_digest = hex(bodies.data(), bodies.size());

    // Kept per compiler: gcc's Release build rides apart from clang's in the last bits partway
    // through this race, so each compiler's digests are its own.
    const std::string demo_key = std::string("demo-") + COMPILER, bodies_key = std::string("bodies-") + COMPILER;
    if (getenv("RL_REMAKE_RACE_DIGEST")) {
        std::string text = fixture_read_file(DIGEST_FILE), kept;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            if (line.rfind(demo_key + " ", 0) != 0 && line.rfind(bodies_key + " ", 0) != 0) kept += line + "\n";
        fixture_write_file(DIGEST_FILE, kept + demo_key + " " + demo_digest + "\n" + bodies_key + " " + bodies_digest + "\n");
        GTEST_SKIP() << "remade " << DIGEST_FILE;
    }
    const std::string kept = fixture_read_file(DIGEST_FILE);
    if (kept_digest(kept, demo_key.c_str()).empty()) GTEST_SKIP() << "no digest kept for " << COMPILER;
    EXPECT_EQ(demo_digest, kept_digest(kept, demo_key.c_str())) << "the recorded race changed";
    EXPECT_EQ(bodies_digest, kept_digest(kept, bodies_key.c_str())) << "the bodies' final states changed";
}

}   // namespace
