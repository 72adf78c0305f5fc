#include "track_home.h"
#include "shell/track_list.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

using TrackList = TrackHome;

TEST_F(TrackList, LongNamesFromDescSortedWithoutRegardToCase)
{
    write("t/b/terrain.hf", "x");
    write("t/b/desc", "beta\r\nsecond line");
    write("t/a/terrain.hf", "x");
    write("t/a/desc", "Alpha");                      // no line break: the whole text
    write("t/a2/terrain.hf.gz", "x");
    write("t/a2/desc", "alpha2\n");
    write("t/empty/terrain.hf", "x");
    write("t/empty/desc", "\nnot this");              // an empty first line sorts first
    write("t/plain/terrain.hf", "x");                 // no desc: the folder names it
    write("t/case/Terrain.hf", "x");                  // not a track
    write("t/both/terrain.hf", "x");                  // listed once per height file
    write("t/both/terrain.hf.gz", "x");
    write("t/both/desc", std::string(1500, 'z') + "\n");
    ASSERT_EQ(scan_tracks(), 1);

    struct Row { const char *folder; std::string long_name; };
    const std::vector<Row> want = {
        {"t/empty", ""},
        {"t/a", "Alpha"},
        {"t/a2", "alpha2"},
        {"t/b", "beta"},
        {"t/plain", "t/plain"},
        {"t/both", std::string(TRACK_LONG_NAME_MAX, 'z')},   // cut at 1023
        {"t/both", std::string(TRACK_LONG_NAME_MAX, 'z')},
    };
    ASSERT_EQ(track_list.count, (int)want.size());
    for (int i = 0; i < track_list.count; ++i) {
        SCOPED_TRACE(i);
        EXPECT_STREQ(track_list.folders[i], want[i].folder);
        EXPECT_EQ(track_list.long_names[i], want[i].long_name);
    }
    EXPECT_EQ(track_list_find("t/both"), 5);
    EXPECT_EQ(track_list_find("t/missing"), -1);
}

TEST_F(TrackList, NoTracksAndTheChoice)
{
    write("t/x/notes.txt", "x");
    EXPECT_EQ(scan_tracks(), 0);
    EXPECT_EQ(track_list.count, 0);
    EXPECT_EQ(track_choice_index(), -1);
    track_list_free();
    data_files_free();

    write("t/x/terrain.hf", "x");
    write("t/y/terrain.hf", "x");
    ASSERT_EQ(scan_tracks(), 1);
    EXPECT_EQ(track_choice_index(), 0);
    EXPECT_EQ(track_choice_select("t/y"), 1);
    EXPECT_EQ(track_choice_select("t/nowhere"), 0);   // leaves the choice as it is
    EXPECT_STREQ(track_list_folder(track_choice_index()), "t/y");
    EXPECT_EQ(track_list_folder(2), nullptr);
}
