// The check of the fixed collision-shape files that decides whether connecting is allowed:
// one digest over the seven files in order, a missing file skipped, a changed byte refused.
#include <gtest/gtest.h>

#include <string>

#include "racing/net_client.h"
#include "racing/race.h"
#include "terrain/track_home.h"

// The digest these tests' shape files give stands in for the one the build compiles into the
// game from its generated files.
extern "C" const char rl_fixed_files_digest[] = "d8a75b9238efac01b5da90cb5418996f8f4231dd";

namespace {

const char *const names[7] = {"generic_frame.shp", "generic_fork_upper.shp", "generic_fork_lower.shp",
                              "generic_swingarm.shp", "front_wheel.shp", "rear_wheel.shp", "generic_rider.shp"};

struct FixedFiles : TrackHome {
    void write_shapes()
    {
        for (int i = 0; i < 7; ++i) write(names[i], "shape " + std::to_string(i) + "\n");
    }
    void TearDown() override
    {
        fixed_files_flag = 1;
        TrackHome::TearDown();
    }
};

TEST_F(FixedFiles, TheBuildsOwnShapesAreAccepted)
{
    write_shapes();
    EXPECT_EQ(fixed_files_check(), 1);
    EXPECT_EQ(fixed_files_flag, 1);
}

TEST_F(FixedFiles, AChangedByteOrAMissingFileRefusesConnecting)
{
    write_shapes();
    write(names[3], "shape 4\n");
    EXPECT_EQ(fixed_files_check(), 0);
    net_set_connect_address("127.0.0.1:9");
    net_update();
    EXPECT_FALSE(net_connecting());
    EXPECT_EQ(net_socket, -1);

    write_shapes();
    std::remove((home + names[3]).c_str());
    char hex[41];
    fixed_files_digest_hex(hex);
    EXPECT_STREQ(hex, "83bc94c40e5a0095039e0588856d166b629df77f");   // the other six, in order
    EXPECT_EQ(fixed_files_check(), 0);
}

}   // namespace
