#include "data_fixture.h"
#include "data/paths.h"
#include "fixtures/fixtures.h"
#include <cstdlib>
#include <zlib.h>

// The log opens on its first line and reads its name then, so it is named before any test runs.
static const std::string g_log_path = [] {
    std::string path = fixture_temp_dir("datalog") + "lastlog.txt";
    setenv("KUBL_LOGFILE", path.c_str(), 0);
    return std::string(getenv("KUBL_LOGFILE"));
}();

std::string test_log_text(void)
{
    return fixture_read_file(g_log_path);
}

void SearchFolders::SetUp()
{
    root = fixture_temp_dir("search");
    ASSERT_FALSE(root.empty());
    home = root + "xdg/Rutline/";
    data = root + "game/";
    fixture_write_file(data + ".keep", "");
    setenv("XDG_DATA_HOME", (root + "xdg").c_str(), 1);
    setenv("RL_HOME", (root + "game").c_str(), 1);
    search_folders_free();
}

void SearchFolders::TearDown()
{
    search_folders_free();
    unsetenv("XDG_DATA_HOME");
    unsetenv("RL_HOME");
}

std::string deflate_raw(const std::string &text)
{
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, text.size()), '\0');
    z.next_in = (Bytef *)text.data();
    z.avail_in = (uInt)text.size();
    z.next_out = (Bytef *)out.data();
    z.avail_out = (uInt)out.size();
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

std::string gzip_bytes(const std::string &text, int flags)
{
    std::string out = {'\x1f', '\x8b', 8, (char)flags, 1, 2, 3, 4, 0, 3};
    if (flags & 0x04) out += std::string("\x05\x00" "extra", 7);
    if (flags & 0x08) out += std::string("name.txt\0", 9);
    if (flags & 0x10) out += std::string("a comment\0", 10);
    if (flags & 0x02) out += "\x12\x34";
    out += deflate_raw(text);
    uLong crc = crc32(0, (const Bytef *)text.data(), (uInt)text.size());
    for (uLong v : {crc, (uLong)text.size()})
        for (int i = 0; i < 4; ++i) out += (char)(v >> (8 * i));
    return out;
}
