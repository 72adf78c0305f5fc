// The server's reliable messages and command texts as the client takes them: erosion for our
// race only, the "erode" strength rule, the hide thresholds and the no-arcade rule.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "data/console.h"
#include "racing/net_client.h"
#include "racing/race.h"
#include "racing/race_state.h"
#include "shell/seams_neighbours.h"
#include "terrain/erosion.h"

namespace {

bool last_line_is(const char *text)
{
    return std::string(g_console.lines[(g_console.write_index + CONSOLE_LINES - 1) % CONSOLE_LINES]) == text;
}

struct NetMessages : ::testing::Test {
    void SetUp() override
    {
        net_client_reset(nullptr);
        net_client.race = 3;
        erode_queue_reset();
        console_clear();
    }
    void TearDown() override
    {
        net_client_reset(nullptr);
        erode_queue_reset();
        erode_level = 0;
    }
};

TEST_F(NetMessages, ErosionOnlyForOurRace)
{
    for (uint32_t race : {4u, 3u}) {
        std::string d = std::string(1, (char)17) + std::string(4, '\0') + (char)NET_KIND_ERODE;
        unsigned char id[4];
        net_put_u32(id, race);
        d.append((const char *)id, 4);
        d += '\1';                       // one point
        d.append(16, '\x10');
        net_handle_reliable((const unsigned char *)d.c_str(), (int)d.size());
        EXPECT_EQ(erode_queue.queue_count, race == 3 ? 1 : 0) << race;
    }
}

TEST_F(NetMessages, ServerCommands)
{
    struct Case {
        const char *text;
        int level_before, level_after;
        const char *printed;   // the console's last line, or null when nothing was printed
    };
    const Case cases[] = {
        {"erode 3 0", -1, 0, nullptr},       // no strength yet: only set to 0
        {"erode 3 512", -1, 512, nullptr},
        {"erode 3 0", 200, 0, nullptr},
        {"erode 4 512", 7, 7, nullptr},      // another race
        {"erode 3", 7, 7, "Malformed erode command received"},
        {"erodex", 7, 7, "Malformed erode command received"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        console_clear();
        erode_level = c.level_before;
        net_server_command(c.text);
        EXPECT_EQ(erode_level, c.level_after);
        if (c.printed) EXPECT_TRUE(last_line_is(c.printed));
        else EXPECT_TRUE(last_line_is(""));
    }

    net_server_command("off_course_bias 4.5");
    net_server_command("off_course_scale nan");
    net_server_command("off_course_scale inf");
    EXPECT_FLOAT_EQ(off_course_bias, 4.5f);
    EXPECT_FLOAT_EQ(off_course_scale, 1.5f);

    EXPECT_EQ(net_no_arcade_rule(), 0);
    net_server_command("no_arcade please");   // only the whole text counts
    EXPECT_EQ(net_no_arcade_rule(), 0);
    net_server_command("no_arcade");
    EXPECT_EQ(net_no_arcade_rule(), 1);
    net_client_reset(nullptr);
    EXPECT_EQ(net_no_arcade_rule(), 0);
    EXPECT_FLOAT_EQ(off_course_bias, 10.0f);
}

}   // namespace
