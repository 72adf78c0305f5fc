#include <gtest/gtest.h>
#include "data/mem.h"
#include "data/paths.h"
#include "data/stream.h"
#include "data_fixture.h"
#include "fixtures/fixtures.h"
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <thread>

TEST(PathJoin, ForwardSlashesAndSingleSeparators)
{
    struct Case { const char *first, *second, *want; } cases[] = {
        {"C:\\Users\\me\\AppData\\Local", "/Rutline/", "C:/Users/me/AppData/Local/Rutline/"},
        {"C:\\Users\\me\\AppData\\Local\\", "/Rutline/", "C:/Users/me/AppData/Local/Rutline/"},
        {"/games/rl/", "/", "/games/rl/"},
        {"a///b", "c///d", "a/bc/d"},
        {"a\\\\b/", "\\c", "a/b/c"},
        {"", "", ""},
    };
    for (const Case &c : cases) {
        char *joined = path_join(c.first, c.second);
        ASSERT_NE(joined, nullptr);
        EXPECT_STREQ(joined, c.want) << c.first << " + " << c.second;
        mem_free(joined);
    }
    EXPECT_EQ(path_join(nullptr, "x"), nullptr);
    EXPECT_EQ(path_join("x", nullptr), nullptr);
}

TEST_F(SearchFolders, HomeThenDataFolder)
{
    EXPECT_EQ(search_folder_count(), 2);
    EXPECT_EQ(std::string(search_folder(0)), home);
    EXPECT_EQ(std::string(search_folder(1)), data);
    EXPECT_EQ(search_folder(-1), nullptr);
    EXPECT_EQ(search_folder(2), nullptr);

    // Built once: later changes of the environment do not move the folders.
    setenv("RL_HOME", "/elsewhere", 1);
    EXPECT_EQ(std::string(search_folder(1)), data);

    // Without RL_HOME the data folder is the one holding the program file; a relative XDG data
    // home is not a valid one, so the home folder falls back to $HOME.
    search_folders_free();
    unsetenv("RL_HOME");
    setenv("XDG_DATA_HOME", "relative/dir", 1);
    const char *was = getenv("HOME");
    std::string saved_home = was ? was : "";
    setenv("HOME", (root + "user").c_str(), 1);
    EXPECT_EQ(std::string(search_folder(0)), root + "user/.local/share/Rutline/");
    if (was) setenv("HOME", saved_home.c_str(), 1);
    else unsetenv("HOME");
    char exe[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
    std::string program_folder = std::string(exe).substr(0, std::string(exe).rfind('/') + 1);
    EXPECT_EQ(std::string(search_folder(1)), program_folder);
}

TEST_F(SearchFolders, MakeParentFolders)
{
    make_parent_folders((root + "a//b/c/file.txt").c_str());
    EXPECT_TRUE(fixture_file_exists(root + "a/b/c"));
    EXPECT_FALSE(fixture_file_exists(root + "a/b/c/file.txt"));
    make_parent_folders((root + "d/e/").c_str());
    EXPECT_TRUE(fixture_file_exists(root + "d/e"));
    std::string too_long = root + "f/" + std::string(1100, 'x') + "/g";
    make_parent_folders(too_long.c_str());
    EXPECT_FALSE(fixture_file_exists(root + "f"));
}

TEST_F(SearchFolders, FileReplace)
{
    fixture_write_file(home + "new.txt", "new");
    fixture_write_file(home + "config", "old");
    EXPECT_EQ(file_replace("@new.txt", "@config"), 1);
    EXPECT_EQ(fixture_read_file(home + "config"), "new");
    EXPECT_FALSE(fixture_file_exists(home + "new.txt"));

    // Plain names are taken as they are; "@" names never reach the data folder.
    fixture_write_file(root + "plain.txt", "plain");
    EXPECT_EQ(file_replace((root + "plain.txt").c_str(), "@config"), 1);
    EXPECT_EQ(fixture_read_file(home + "config"), "plain");
    fixture_write_file(data + "only_in_data", "data");
    EXPECT_EQ(file_replace("@only_in_data", "@config"), 0);
    EXPECT_EQ(fixture_read_file(home + "config"), "plain");

    // A ".." step could reach any file of the user: refused, and nothing is removed.
    fixture_write_file(root + "xdg/precious", "keep");
    fixture_write_file(home + "evil", "evil");
    EXPECT_EQ(file_replace("@evil", "@../precious"), 0);
    EXPECT_EQ(file_replace("@sub/../../precious", "@config"), 0);
    EXPECT_EQ(fixture_read_file(root + "xdg/precious"), "keep");
    EXPECT_TRUE(fixture_file_exists(home + "evil"));
    EXPECT_NE(test_log_text().find("Refusing to replace '@../precious'"), std::string::npos);
}

static int failing_rename(const char *, const char *)
{
    errno = EXDEV;
    return -1;
}

TEST_F(SearchFolders, FileReplaceNeverLosesTheTarget)
{
    // A failed rename keeps the old target and the source, and says why.
    fixture_write_file(home + "config", "old");
    fixture_write_file(home + "config.tmp", "new");
    file_rename = failing_rename;
    EXPECT_EQ(file_replace("@config.tmp", "@config"), 0);
    file_rename = rename;
    EXPECT_EQ(fixture_read_file(home + "config"), "old");
    EXPECT_TRUE(fixture_file_exists(home + "config.tmp"));
    EXPECT_NE(test_log_text().find("config.tmp': Invalid cross-device link"), std::string::npos);

    // A missing source: the target stays.
    EXPECT_EQ(file_replace("@gone.tmp", "@config"), 0);
    EXPECT_EQ(fixture_read_file(home + "config"), "old");
}

// A save writes its temporary file beside the target in the home folder, whatever the data
// folder would take, and a failure at any step leaves the old file alone.
TEST_F(SearchFolders, FileSaveStaysInOneFolder)
{
    file_save save;
    fixture_write_file(home + "notes", "old");
    data_stream *s = file_save_begin(&save, "@notes", ".tmp");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(std::string(save.temp), home + "notes.tmp");
    data_puts(s, "new");
    EXPECT_EQ(fixture_read_file(home + "notes"), "old");   // nothing replaced before the commit
    ASSERT_EQ(file_save_commit(&save), 1);
    EXPECT_EQ(fixture_read_file(home + "notes"), "new");
    EXPECT_FALSE(fixture_file_exists(home + "notes.tmp"));

    // The home folder's temporary name is taken by a folder: nothing goes to the data folder.
    mkdir((home + "notes.tmp").c_str(), 0777);
    EXPECT_EQ(file_save_begin(&save, "@notes", ".tmp"), nullptr);
    EXPECT_FALSE(fixture_file_exists(data + "notes.tmp"));
    EXPECT_FALSE(fixture_file_exists(data + "notes"));
    EXPECT_EQ(fixture_read_file(home + "notes"), "new");
    EXPECT_NE(test_log_text().find("notes.tmp': Is a directory"), std::string::npos);
    rmdir((home + "notes.tmp").c_str());

    // The rename fails: old target kept, temporary file gone.
    s = file_save_begin(&save, "@notes", ".tmp");
    ASSERT_NE(s, nullptr);
    data_puts(s, "newer");
    file_rename = failing_rename;
    EXPECT_EQ(file_save_commit(&save), 0);
    file_rename = rename;
    EXPECT_EQ(fixture_read_file(home + "notes"), "new");
    EXPECT_FALSE(fixture_file_exists(home + "notes.tmp"));

    // A name leaving the home folder opens nothing.
    EXPECT_EQ(file_save_begin(&save, "@../notes", ".tmp"), nullptr);
    EXPECT_FALSE(fixture_file_exists(root + "xdg/notes.tmp"));
}

TEST(PathClimbs, DotDotComponentsOnly)
{
    struct Case { const char *path; int climbs; } cases[] = {
        {"..", 1}, {"../x", 1}, {"a/../b", 1}, {"a/..", 1}, {"a\\..\\b", 1},
        {"..x", 0}, {"x..", 0}, {"a/.../b", 0}, {"a/./b", 0}, {"", 0}, {"config", 0},
    };
    for (const Case &c : cases) EXPECT_EQ(path_climbs(c.path), c.climbs) << c.path;
}

TEST_F(SearchFolders, OpenHomeFolderStartsTheDesktopOpener)
{
    // A stand-in opener on PATH writes down what it was asked to open.
    std::string bin = root + "bin/";
    fixture_write_file(bin + "xdg-open", "#!/bin/sh\necho \"$#:$1\" > \"" + root + "opened.tmp\"\n"
                                         "mv \"" + root + "opened.tmp\" \"" + root + "opened\"\n");
    chmod((bin + "xdg-open").c_str(), 0755);
    std::string old_path = getenv("PATH");
    setenv("PATH", (bin.substr(0, bin.size() - 1) + ":" + old_path).c_str(), 1);
    setenv("XDG_DATA_HOME", (root + "xdg///").c_str(), 1);
    search_folders_free();

    open_home_folder();
    setenv("PATH", old_path.c_str(), 1);
    for (int i = 0; i < 500 && !fixture_file_exists(root + "opened"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(fixture_file_exists(home));
    EXPECT_EQ(fixture_read_file(root + "opened"), "1:" + home.substr(0, home.size() - 1) + "\n");
}

TEST_F(SearchFolders, LogFileSetupMakesTheHomeFolder)
{
    log_file_setup();
    EXPECT_TRUE(fixture_file_exists(home));
}
