#include <gtest/gtest.h>
#include "data/stream.h"
#include "data_fixture.h"
#include "fixtures/fixtures.h"
#include <string>

namespace {

// Everything a stream delivers, byte by byte.
std::string read_all(data_stream *s)
{
    std::string out;
    for (int c; (c = data_getc(s)) >= 0;) out += (char)c;
    return out;
}

std::string sample_text(int lines)
{
    std::string text;
    for (int i = 0; i < lines; ++i) text += "v " + std::to_string(i * 7919 % 100003) + " 0.25 -1.5\n";
    return text;
}

struct Streams : SearchFolders {};

} // namespace

TEST_F(Streams, SearchOrderOfAtNames)
{
    struct Case {
        const char *home_plain, *home_gz, *data_plain, *data_gz, *want;
    } cases[] = {
        {"home", "home gz", "data", "data gz", "home"},
        {nullptr, "home gz", "data", "data gz", "home gz"},
        {nullptr, nullptr, "data", "data gz", "data"},
        {nullptr, nullptr, nullptr, "data gz", "data gz"},
        {nullptr, nullptr, nullptr, nullptr, nullptr},
    };
    int n = 0;
    for (const Case &c : cases) {
        std::string name = "tracks/t" + std::to_string(n++) + "/desc";
        SCOPED_TRACE(name);
        if (c.home_plain) fixture_write_file(home + name, c.home_plain);
        if (c.home_gz) fixture_write_file(home + name + ".gz", gzip_bytes(c.home_gz));
        if (c.data_plain) fixture_write_file(data + name, c.data_plain);
        if (c.data_gz) fixture_write_file(data + name + ".gz", gzip_bytes(c.data_gz));
        data_stream *s = data_open(("@" + name).c_str(), "rb");
        if (!c.want) {
            EXPECT_EQ(s, nullptr);
            continue;
        }
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(read_all(s), c.want);
        data_close(s);
    }

    // A folder of the same name does not hide the file further down.
    fixture_write_file(home + "shadowed/x", "");
    fixture_write_file(data + "shadowed", "file");
    data_stream *s = data_open("@shadowed", "r");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(read_all(s), "file");
    data_close(s);
}

TEST_F(Streams, WritingGoesToTheHomeFolder)
{
    fixture_write_file(data + "config", "from data");
    data_stream *s = data_open("@config", "w");
    ASSERT_NE(s, nullptr);   // the home folder did not exist yet: its chain is made
    EXPECT_EQ(data_printf(s, "message_lines=%d\n", 5), 16);
    EXPECT_EQ(data_putc(s, 'x'), 1);
    EXPECT_GE(data_puts(s, "yz"), 0);
    EXPECT_EQ(data_write(s, "\0!", 2), 2);
    EXPECT_EQ(data_flush(s), 0);
    data_close(s);
    EXPECT_EQ(fixture_read_file(home + "config"), std::string("message_lines=5\nxyz\0!", 21));
    EXPECT_EQ(fixture_read_file(data + "config"), "from data");

    // Only reading takes the ".gz" variant.
    fixture_write_file(home + "results.txt.gz", gzip_bytes("old results"));
    s = data_open("@results.txt", "a");
    ASSERT_NE(s, nullptr);
    data_puts(s, "new");
    data_close(s);
    EXPECT_EQ(fixture_read_file(home + "results.txt"), "new");

    // A ".." step would write outside the home folder.
    EXPECT_EQ(data_open("@../escaped", "wb"), nullptr);
    EXPECT_EQ(data_open("@a/../../escaped", "r+"), nullptr);
    EXPECT_FALSE(fixture_file_exists(root + "xdg/escaped"));
    EXPECT_NE(test_log_text().find("Refusing to write '@../escaped'"), std::string::npos);
}

// Reading an "@" name never leaves the folder it is looked up in; a ".." that stays inside
// reads as it always did.
TEST_F(Streams, ReadingStaysInsideTheSearchFolders)
{
    fixture_write_file(root + "outside", "secret");
    fixture_write_file(data + "a/inside", "kept");
    fixture_write_file(data + "b", "b");
    struct Case { const char *name, *want; } cases[] = {
        {"@../outside", nullptr},
        {"@a/../../outside", nullptr},
        {"@a\\..\\..\\outside", nullptr},
        {"@./../outside", nullptr},
        {"@a/../b", "b"},
        {"@a/./inside", "kept"},
        {"@a/x/../inside", nullptr},   // inside, but not there
        {"@a/../a/inside", "kept"},
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
    EXPECT_NE(test_log_text().find("Refusing to read '@../outside'"), std::string::npos);
}

TEST_F(Streams, MemberIsBounded)
{
    std::string member;
    for (int i = 0; i < 100; ++i) member += (char)('a' + i % 26);
    std::string path = root + "archive.saf";
    fixture_write_file(path, "HEADER!" + member + "other data after the member");

    data_stream *s = data_open(path.c_str(), "rb");   // any record will do for a member
    ASSERT_NE(s, nullptr);
    fclose(s->file);
    ASSERT_EQ(data_open_member(s, path.c_str(), 7, 100, 0), 1);
    EXPECT_EQ(read_all(s), member);
    EXPECT_EQ(data_getc(s), -1);
    EXPECT_EQ(s->position, 100u);

    ASSERT_EQ(data_seek(s, 0), 1);
    char buffer[1000];
    EXPECT_EQ(data_read(s, buffer, 1000), 100);
    EXPECT_EQ(std::string(buffer, 100), member);

    EXPECT_EQ(data_seek(s, 100), 0);   // the size itself is past the end
    EXPECT_EQ(data_seek(s, 99), 1);
    EXPECT_EQ(data_getc(s), member[99]);
    EXPECT_EQ(data_getc(s), -1);

    // A byte pushed back comes out first and is not counted again.
    data_seek(s, 10);
    s->pushed_back = data_getc(s);
    EXPECT_EQ(data_read(s, buffer, 3), 3);
    EXPECT_EQ(std::string(buffer, 3), member.substr(10, 3));
    EXPECT_EQ(s->position, 13u);
    data_close(s);

    EXPECT_EQ(data_open_member(s = data_open(path.c_str(), "rb"), (root + "missing").c_str(), 0, 1, 0), 0);
    data_close(s);
}

TEST_F(Streams, GzipHeaders)
{
    const std::string text = "gate 1 2 3\n";
    std::string good = gzip_bytes(text);
    struct Case {
        const char *what;
        std::string bytes;
        const char *want;   // null: does not open
    } cases[] = {
        {"plain", good, "gate 1 2 3\n"},
        {"name and extra", gzip_bytes(text, 0x04 | 0x08), "gate 1 2 3\n"},
        {"every field", gzip_bytes(text, 0x02 | 0x04 | 0x08 | 0x10 | 0x01), "gate 1 2 3\n"},
        {"reserved 0x20", gzip_bytes(text, 0x20), nullptr},
        {"reserved 0x80", gzip_bytes(text, 0x80), nullptr},
        {"bad magic", "\x1f\x8c" + good.substr(2), nullptr},
        {"not deflate", good.substr(0, 2) + "\x07" + good.substr(3), nullptr},
        {"ends before the flags", good.substr(0, 3), nullptr},
        {"ends inside the extra field", gzip_bytes(text, 0x04).substr(0, 14), nullptr},
        {"ends inside the header CRC", gzip_bytes("", 0x02).substr(0, 11), nullptr},
        {"ends inside the name", gzip_bytes(text, 0x08).substr(0, 14), ""},
        {"empty file", "", nullptr},
        {"two members: first only", good + gzip_bytes("second member\n"), "gate 1 2 3\n"},
        {"no trailer", good.substr(0, good.size() - 8), "gate 1 2 3\n"},
    };
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::string name = "h" + std::to_string(n++);
        fixture_write_file(data + name + ".gz", c.bytes);
        data_stream *s = data_open(("@" + name).c_str(), "rb");
        if (!c.want) {
            EXPECT_EQ(s, nullptr);
            continue;
        }
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(read_all(s), c.want);
        EXPECT_EQ(data_getc(s), -1);
        EXPECT_EQ(data_seek(s, 0), 0);   // no seeking in compressed data
        data_close(s);
    }
}

TEST_F(Streams, GzipAcrossBlocks)
{
    // Larger than one input block compressed and many output blocks decompressed.
    std::string text = sample_text(20000);
    std::string gz = gzip_bytes(text);
    ASSERT_GT(gz.size(), 16384u * 2);
    fixture_write_file(root + "model.km.gz", gz);

    data_stream *s = data_open((root + "model.km").c_str(), "rb");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(read_all(s), text);
    EXPECT_EQ(s->position, text.size());
    data_close(s);

    // Mixed reads in odd sizes give the same bytes.
    s = data_open((root + "model.km").c_str(), "rb");
    std::string mixed;
    char buffer[3000];
    for (int step = 0;; ++step) {
        int want = 1 + step * 37 % 2999;
        int got = data_read(s, buffer, want);
        mixed.append(buffer, got);
        int c = data_getc(s);
        if (c >= 0) mixed += (char)c;
        if (got < want && c < 0) break;
    }
    EXPECT_EQ(mixed, text);
    data_close(s);

    // A compressed member: the member size bounds the compressed input.
    std::string path = root + "pack.saf";
    fixture_write_file(path, "0123456789abc" + gzip_bytes("member text\n") + gzip_bytes("next member"));
    s = data_open(path.c_str(), "rb");
    fclose(s->file);
    ASSERT_EQ(data_open_member(s, path.c_str(), 13, (std::uint32_t)gzip_bytes("member text\n").size(), 1), 1);
    EXPECT_EQ(read_all(s), "member text\n");
    data_close(s);
}

TEST_F(Streams, DamagedDeflateEndsTheStream)
{
    std::string text = sample_text(3000);
    std::string gz = gzip_bytes(text);
    std::string truncated = gz.substr(0, gz.size() / 2);
    std::string corrupt = gz;
    for (size_t i = 200; i < 260; ++i) corrupt[i] = (char)0xFF;
    std::string bad_block_type = gz.substr(0, 10) + "\x07" + gz.substr(11);   // BTYPE 11 is invalid

    struct Case { const char *what; std::string bytes; bool prefix_exact; } cases[] = {
        {"truncated", truncated, true},
        {"corrupt", corrupt, false},
        {"invalid block type", bad_block_type, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        fixture_write_file(root + "damaged.gz", c.bytes);
        data_stream *s = data_open((root + "damaged").c_str(), "rb");
        ASSERT_NE(s, nullptr);
        std::string got = read_all(s);
        EXPECT_LT(got.size(), text.size());
        if (c.prefix_exact) {
            EXPECT_GT(got.size(), 0u);
            EXPECT_EQ(got, text.substr(0, got.size()));
        }
        for (int i = 0; i < 3; ++i) EXPECT_EQ(data_getc(s), -1);
        char buffer[64];
        EXPECT_EQ(data_read(s, buffer, 64), 0);
        EXPECT_EQ(data_gets(s, buffer, 64), nullptr);
        data_close(s);
    }

    // A compressed member whose size cuts the deflate data short ends the same way.
    fixture_write_file(root + "cut.saf", gz);
    data_stream *s = data_open((root + "cut.saf").c_str(), "rb");
    fclose(s->file);
    ASSERT_EQ(data_open_member(s, (root + "cut.saf").c_str(), 0, (std::uint32_t)gz.size() / 3, 1), 1);
    std::string got = read_all(s);
    EXPECT_LT(got.size(), text.size());
    EXPECT_EQ(got, text.substr(0, got.size()));
    data_close(s);
}

TEST_F(Streams, GetsSplitsLongLines)
{
    for (bool compressed : {false, true}) {
        SCOPED_TRACE(compressed ? "gzip" : "plain");
        std::string text = "abcdefghij\nxy";
        std::string path = root + (compressed ? "lines_gz" : "lines");
        fixture_write_file(compressed ? path + ".gz" : path, compressed ? gzip_bytes(text) : text);
        data_stream *s = data_open(path.c_str(), "r");
        ASSERT_NE(s, nullptr);
        char buffer[5] = "zzzz";
        EXPECT_STREQ(data_gets(s, buffer, 1), "");   // nothing read
        for (const char *want : {"abcd", "efgh", "ij\n", "xy"}) {
            ASSERT_EQ(data_gets(s, buffer, 5), buffer);
            EXPECT_STREQ(buffer, want);
        }
        EXPECT_EQ(data_gets(s, buffer, 5), nullptr);
        EXPECT_EQ(s->position, text.size());
        data_close(s);
    }
}

TEST_F(Streams, PlainSeekAndMissingFiles)
{
    fixture_write_file(root + "plain", "0123456789");
    data_stream *s = data_open((root + "plain").c_str(), "rb");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(data_seek(s, 4), 1);
    EXPECT_EQ(data_getc(s), '4');
    EXPECT_EQ(s->position, 5u);
    EXPECT_EQ(data_seek(s, 0x7FFFFFFF), 0);
    EXPECT_EQ(data_getc(s), '5');
    data_close(s);

    EXPECT_EQ(data_open((root + "missing").c_str(), "rb"), nullptr);
    EXPECT_EQ(data_open(root.c_str(), "rb"), nullptr);   // a folder is not a file
    EXPECT_EQ(data_open("@missing", "rb"), nullptr);
    data_close(nullptr);
}
