// The temporary folders of tests, benchmarks and fuzz targets go when the process that made them
// exits, with what they hold, and a forked child that exits leaves its parent's alone.
#include "fixtures/temp_folders.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "fixtures/fixtures.h"

namespace {

bool exists(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// Runs body in a child that then exits as a program ends; the child's exit status.
template <class Body>
int in_child(Body body)
{
    const pid_t pid = fork();
    if (pid == 0) {
        body();
        exit(0);
    }
    int status = -1;
    waitpid(pid, &status, 0);
    return status;
}

TEST(TempFolders, GoneWithTheProcessThatMadeThem)
{
    // The child writes the name it got through a pipe: the parent checks after the child is gone.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const int status = in_child([&] {
        char tmpl[] = "/tmp/rl_temp_folders_XXXXXX";
        const char *dir = temp_folder_make(tmpl);
        if (!dir) exit(2);
        const std::string inner = std::string(dir) + "/a/b";
        fixture_write_file(inner + "/file", "bytes");
        if (write(fds[1], dir, sizeof tmpl) != (ssize_t)sizeof tmpl) exit(3);
    });
    close(fds[1]);
    char made[sizeof "/tmp/rl_temp_folders_XXXXXX"] = {};
    ASSERT_EQ(read(fds[0], made, sizeof made), (ssize_t)sizeof made);
    close(fds[0]);
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(exists(made)) << made << " outlived the process that made it";
}

TEST(TempFolders, AChildLeavesItsParentsFolders)
{
    char tmpl[] = "/tmp/rl_temp_folders_XXXXXX";
    const char *dir = temp_folder_make(tmpl);
    ASSERT_NE(dir, nullptr);
    fixture_write_file(std::string(dir) + "/file", "bytes");
    EXPECT_EQ(in_child([] {}), 0);
    EXPECT_TRUE(exists(std::string(dir) + "/file"));
}

}   // namespace
