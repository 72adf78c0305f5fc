#include <gtest/gtest.h>
#include "data/file_index.h"
#include "data/mem.h"
#include "data/stream.h"
#include "fixtures/fixtures.h"
#include "data_fixture.h"
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>
#include <zlib.h>

namespace {

// A home folder and a data folder of our own; the index is freed before and after each test so
// every test builds it afresh from its own files.
class FileIndex : public ::testing::Test {
protected:
    std::string root, home, data;
    void SetUp() override
    {
        root = fixture_temp_dir("index");
        home = root + "xdg/Rutline/";
        data = root + "data/";
        mkdir((root + "xdg").c_str(), 0777);
        mkdir(home.c_str(), 0777);
        mkdir(data.c_str(), 0777);
        setenv("XDG_DATA_HOME", (root + "xdg").c_str(), 1);
        setenv("RL_HOME", (root + "data").c_str(), 1);
        data_files_free();
    }
    void TearDown() override { data_files_free(); }

    static std::vector<std::string> names()
    {
        std::vector<std::string> out;
        const char *const *list = file_index_names();
        for (int i = 0; list && list[i]; ++i) out.push_back(list[i]);
        return out;
    }
    static const file_index_entry *find(const char *name) { return file_index_entry_at(file_index_lookup(name)); }
};

std::string saf(const std::vector<std::pair<std::string, std::string>> &members)
{
    std::string header, body;
    for (const auto &m : members) {
        header += std::to_string(m.second.size()) + " " + m.first + "\n";
        body += m.second;
    }
    return header + "-\n" + body;
}

// Everything a stream delivers, read byte by byte as the loaders do.
std::string read_all(data_stream *s)
{
    std::string out;
    for (int c; (c = data_getc(s)) >= 0;) out += (char)c;
    return out;
}

// A stream record as data_open makes one, before it opens anything.
data_stream *new_stream(void)
{
    data_stream *s = (data_stream *)mem_alloc(sizeof(data_stream));
    memset(s, 0, sizeof *s);
    s->pushed_back = -1;
    return s;
}

std::string open_and_read(const char *name)
{
    data_stream *s = new_stream();
    std::string out = file_index_open_member(s, name) ? read_all(s) : "<none>";
    data_close(s);
    return out;
}

} // namespace

TEST_F(FileIndex, SourcesRankHomeThenDataThenArchivesInNameOrder)
{
    fixture_write_file(home + "config", "home");
    fixture_write_file(data + "config", "data");
    fixture_write_file(data + "Track/Desc", "folder");
    fixture_write_file(data + "b.saf", saf({{"track/desc", "member"}, {"both", "from b"}}));
    fixture_write_file(data + "a.saf", saf({{"both", "from a"}, {"only//in///a", "A"}}));

    EXPECT_EQ(names(), (std::vector<std::string>{"a.saf", "b.saf", "both", "config", "only/in/a", "Track/Desc"}));

    ASSERT_NE(find("config"), nullptr);
    EXPECT_EQ(find("config")->priority, 0);
    EXPECT_EQ(find("CONFIG")->path, home + "config");
    // a folder file beats an archive member of the same name in any letter case
    EXPECT_EQ(find("track/desc")->path, data + "Track/Desc");
    EXPECT_EQ(find("TRACK/DESC")->path, data + "Track/Desc");
    // archives rank by their own names: a.saf (priority 2) before b.saf (3)
    EXPECT_EQ(find("both")->priority, 2);
    EXPECT_EQ(open_and_read("both"), "from a");
    EXPECT_EQ(open_and_read("Only/In/A"), "A");
    EXPECT_EQ(file_index_lookup("missing"), -1);
    EXPECT_EQ(file_index_lookup("conf"), -1);
}

// "@" names for reading: home folder (plain, then ".gz"), data folder (plain, then ".gz"), then
// the index, where a ".gz" entry wins only over a plain entry of strictly worse priority.
TEST_F(FileIndex, AtNamesSearchFoldersThenTheIndex)
{
    fixture_write_file(home + "a.gz", gzip_bytes("home gz"));
    fixture_write_file(data + "a", "data plain");
    fixture_write_file(data + "b.gz", gzip_bytes("data gz"));
    fixture_write_file(data + "Track/Desc", "folder file");
    fixture_write_file(data + "track/packed.gz", gzip_bytes("folder gz"));
    fixture_write_file(data + "a.saf", saf({{"b", "member"}, {"c.gz", gzip_bytes("a gz")}, {"d", "a plain"},
                                            {"e", "a plain e"}, {"e.gz", gzip_bytes("a gz e")}}));
    fixture_write_file(data + "b.saf", saf({{"c", "b plain"}, {"d.gz", gzip_bytes("b gz")}, {"f.gz", gzip_bytes("b gz f")},
                                            {"g", std::string(3000, 'g')}}));
    ASSERT_NE(file_index_names(), nullptr);

    struct Case { const char *name, *want; };
    const Case cases[] = {
        {"@a", "home gz"},              // the home folder's ".gz" beats the data folder's plain file
        {"@b", "data gz"},              // a folder's ".gz" beats an archive member
        {"@c", "a gz"},                 // ".gz" of the better archive
        {"@d", "a plain"},              // plain of the better archive
        {"@e", "a plain e"},            // same archive: plain wins the tie
        {"@F", "b gz f"},               // only the ".gz" exists, any letter case
        {"@TRACK/desc", "folder file"}, // the folders compare exactly; the index does not
        {"@Track/Packed", "folder gz"},
        {"@missing", nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        data_stream *s = data_open(c.name, "rb");
        if (!c.want) {
            EXPECT_EQ(s, nullptr);
            continue;
        }
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(read_all(s), c.want);
        data_close(s);
    }
    // a member read in bulk stops at its end too
    data_stream *s = data_open("@g", "rb");
    ASSERT_NE(s, nullptr);
    std::string buffer(5000, '\0');
    EXPECT_EQ(data_read(s, buffer.data(), 5000), 3000);
    EXPECT_EQ(data_read(s, buffer.data(), 5000), 0);
    data_close(s);
}

TEST_F(FileIndex, MemberOffsetsFollowTheHeader)
{
    // "10 abc/first\n" + "20 second\n" + "-\n" is a 25-byte header
    std::string first(10, '1'), second(20, '2');
    fixture_write_file(data + "pack.saf", "10 abc/first\n20 second\n-\n" + first + second + "trailing bytes");
    ASSERT_NE(file_index_names(), nullptr);
    ASSERT_NE(find("abc/first"), nullptr);
    ASSERT_NE(find("second"), nullptr);
    EXPECT_EQ(find("abc/first")->offset, 25u);
    EXPECT_EQ(find("abc/first")->size, 10u);
    EXPECT_EQ(find("second")->offset, 35u);
    EXPECT_EQ(find("second")->size, 20u);
    EXPECT_EQ(find("second")->path, data + "pack.saf");

    // a member ends at its size, whatever follows it in the archive
    EXPECT_EQ(open_and_read("abc/first"), first);
    EXPECT_EQ(open_and_read("second"), second);
    data_stream *s = new_stream();
    ASSERT_EQ(file_index_open_member(s, "abc/first"), 1);
    char buffer[1000];
    EXPECT_EQ(data_read(s, buffer, sizeof buffer), 10);
    EXPECT_EQ(data_getc(s), -1);
    data_close(s);
}

TEST_F(FileIndex, MalformedArchivesAddNothing)
{
    struct Case { const char *why; std::string bytes; };
    const Case cases[] = {
        {"no end line", "3 a\n3 b\nabcdef"},
        {"end line without its newline", "3 a\n-"},
        {"last line without its newline", "3 a"},
        {"line without a size", "3 a\nname\n-\nabc"},
        {"negative size", "-3 a\n-\nabc"},
        {"size beyond 32 bits", "99999999999 a\n-\nabc"},
        {"member past the end", "3 a\n5 b\n-\nabcdefg"},
        {"line too long", "3 " + std::string(1100, 'n') + "\n-\nabc"},
        {"empty file", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.why);
        SetUp();
        fixture_write_file(data + "bad.saf", c.bytes);
        fixture_write_file(data + "good.saf", saf({{"kept", "yes"}}));
        std::vector<std::string> want = {"bad.saf", "good.saf", "kept"};
        EXPECT_EQ(names(), want);
        EXPECT_EQ(open_and_read("kept"), "yes");
        TearDown();
    }
    // the largest members that still fit are fine
    SetUp();
    fixture_write_file(data + "exact.saf", "3 a\n0 empty\n4 b\n-\nabcdefg");
    ASSERT_NE(file_index_names(), nullptr);
    EXPECT_EQ(open_and_read("a"), "abc");
    EXPECT_EQ(open_and_read("empty"), "");
    EXPECT_EQ(open_and_read("b"), "defg");
}

TEST_F(FileIndex, OnlyRegularFilesNamedLikeArchivesAreOpened)
{
    fixture_write_file(data + "x.saf/inner.txt", "in a folder");
    fixture_write_file(data + ".saf", saf({{"hidden", "z"}}));
    fixture_write_file(data + "sub/.saf", saf({{"nested", "n"}}));
    ASSERT_EQ(mkfifo((data + "pipe").c_str(), 0666), 0);
    EXPECT_EQ(names(), (std::vector<std::string>{".saf", "nested", "sub/.saf", "x.saf/inner.txt"}));
    EXPECT_EQ(open_and_read("x.saf/inner.txt"), "in a folder");
}

TEST_F(FileIndex, SymlinkLoopsEndButSharedFoldersAreListedOnEveryPath)
{
    fixture_write_file(data + "sub/file.txt", "f");
    ASSERT_EQ(symlink(data.c_str(), (data + "sub/up").c_str()), 0);      // back to an ancestor
    ASSERT_EQ(symlink("sub", (data + "again").c_str()), 0);               // a second way in
    ASSERT_EQ(symlink(".", (data + "sub/self").c_str()), 0);
    EXPECT_EQ(names(), (std::vector<std::string>{"again/file.txt", "sub/file.txt"}));
}

TEST_F(FileIndex, OverlappingFoldersKeepTheirOwnPriority)
{
    setenv("RL_HOME", home.c_str(), 1);
    fixture_write_file(home + "shared.txt", "s");
    EXPECT_EQ(names(), (std::vector<std::string>{"shared.txt"}));
    int at = file_index_lookup("shared.txt");
    ASSERT_GE(at, 0);
    EXPECT_EQ(file_index_entry_at(at)->priority, 0);
    ASSERT_NE(file_index_entry_at(at + 1), nullptr);
    EXPECT_EQ(file_index_entry_at(at + 1)->priority, 1);
}

TEST_F(FileIndex, EmptyIndexAndEntryText)
{
    EXPECT_EQ(file_index_lookup("anything"), -1);   // not built yet
    char text[64];
    EXPECT_EQ(file_index_entry_text(0, text, sizeof text), 0);
    EXPECT_EQ(names(), std::vector<std::string>{});
    EXPECT_EQ(file_index_lookup(""), -1);
    data_stream *s = new_stream();
    EXPECT_EQ(file_index_open_member(s, "anything"), 0);
    data_close(s);

    TearDown();
    SetUp();
    fixture_write_file(data + "name.txt", "x");
    ASSERT_NE(file_index_names(), nullptr);
    ASSERT_EQ(file_index_entry_text(0, text, sizeof text), 1);
    EXPECT_EQ(std::string(text), std::string("name.txt -> ") + (data + "name.txt").substr(0, 63 - 12));
    ASSERT_EQ(file_index_entry_text(0, text, 6), 1);
    EXPECT_STREQ(text, "name.");
    EXPECT_EQ(file_index_entry_text(1, text, sizeof text), 0);
    EXPECT_EQ(file_index_entry_text(-1, text, sizeof text), 0);
}
