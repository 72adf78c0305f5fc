#include <gtest/gtest.h>
#include "fixtures/fixtures.h"
#include "log_capture.h"
#include "platform/clock.h"
#include "platform/log.h"
#include <cstdint>
#include <cstdlib>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

static std::int64_t g_fake_us;
static std::int64_t fake_clock(void) { return g_fake_us; }

struct FakeClock {
    explicit FakeClock(std::int64_t us) { g_fake_us = us; kubl_time_set_source(fake_clock); }
    ~FakeClock() { kubl_time_set_source(nullptr); }
};

TEST(PlatformClock, SplitsA64BitCount)
{
    struct Case { std::int64_t us; int seconds, microseconds; };
    const Case cases[] = {
        {0, 0, 0},
        {3725500000LL, 3725, 500000},
        // 24.86 days: a signed 32-bit millisecond count would have turned negative here.
        {2147483648LL * 1000 + 1500, 2147483, 649500},
        {100LL * 86400 * 1000000 + 999999, 8640000, 999999},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.us);
        FakeClock clock(c.us);
        int s = -1, us = -1;
        EXPECT_EQ(kubl_time_now(&s, &us), 1);
        EXPECT_EQ(s, c.seconds);
        EXPECT_EQ(us, c.microseconds);
    }
}

TEST(PlatformClock, SleepLastsAtLeastTheWaitAndIgnoresAFakeClock)
{
    FakeClock frozen(5);   // a frozen fake clock must not make the sleep spin forever
    std::int64_t before = kubl_time_monotonic_us();
    kubl_sleep_for(0, 62500);
    EXPECT_GE(kubl_time_monotonic_us() - before, 62500);
    before = kubl_time_monotonic_us();
    kubl_sleep_for(0, 0);
    kubl_sleep_for(-1, 0);
    EXPECT_LT(kubl_time_monotonic_us() - before, 1000000);
}

TEST(PlatformLog, StampsEveryLineAndOpensWithTwoLines)
{
    FakeClock clock(3725500000LL);
    LogCapture log;
    kubl_log_printf("hello %d\n", 7);
    kubl_log_error("bad thing");
    EXPECT_EQ(log.text(), "[1:02:05.50] Logfile \"" + log.path + "\" opened\n"
                          "[1:02:05.50] KUBL 0.31\n"
                          "[1:02:05.50] hello 7\n"
                          "[1:02:05.50] Error: bad thing\n");
}

TEST(PlatformLog, HoursAreNotReducedModuloADay)
{
    FakeClock clock((26LL * 3600 + 59 * 60 + 7) * 1000000 + 90000);
    LogCapture log;
    kubl_log_printf("x\n");
    EXPECT_TRUE(log.has("[26:59:07.09] x\n"));
}

TEST(PlatformLog, OpenModes)
{
    struct Case { const char *prefix; const char *flags; bool keeps_old; };
    const Case cases[] = {
        {"", nullptr, false},
        {">", nullptr, false},
        {">>", nullptr, true},
        {">>", "w", false},      // the flags replace the mode in every case
        {"", "a", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.prefix) + " flags " + (c.flags ? c.flags : "-"));
        std::string path = fixture_temp_dir("logmode") + "run.txt";
        fixture_write_file(path, "old line\n");
        setenv("KUBL_LOGFILE", (std::string(c.prefix) + path).c_str(), 1);
        if (c.flags) setenv("KUBL_LOGFILE_FLAGS", c.flags, 1);
        else unsetenv("KUBL_LOGFILE_FLAGS");
        kubl_log_reset();
        kubl_log_printf("new line\n");
        kubl_log_reset();
        std::string text = fixture_read_file(path);
        EXPECT_EQ(text.rfind("old line\n", 0) == 0, c.keeps_old) << text;
        EXPECT_NE(text.find("Logfile \"" + path + "\" opened\n"), std::string::npos) << text;
        EXPECT_NE(text.find("new line\n"), std::string::npos);
    }
    unsetenv("KUBL_LOGFILE");
    unsetenv("KUBL_LOGFILE_FLAGS");
}

TEST(PlatformLog, HandOffNameIsUsedOnlyAsTheFirstMessage)
{
    unsetenv("KUBL_LOGFILE");
    unsetenv("KUBL_LOGFILE_FLAGS");
    std::string dir = fixture_temp_dir("handoff");

    kubl_log_reset();
    kubl_log_printf("KUBL_LOGFILE=%s", (dir + "last.txt").c_str());
    kubl_log_printf("line\n");
    std::string text = fixture_read_file(dir + "last.txt");
    EXPECT_EQ(text.find("KUBL_LOGFILE="), std::string::npos);
    EXPECT_NE(text.find("] KUBL 0.31\n"), std::string::npos);
    EXPECT_NE(text.find("] line\n"), std::string::npos);

    // Without a name at the first message the log stays silent for good.
    kubl_log_reset();
    kubl_log_printf("too early\n");
    kubl_log_printf("KUBL_LOGFILE=%s", (dir + "never.txt").c_str());
    kubl_log_printf("line\n");
    EXPECT_FALSE(fixture_file_exists(dir + "never.txt"));

    // The variable wins over the hand-off.
    setenv("KUBL_LOGFILE", (dir + "env.txt").c_str(), 1);
    kubl_log_reset();
    kubl_log_printf("KUBL_LOGFILE=%s", (dir + "handed.txt").c_str());
    kubl_log_printf("line\n");
    EXPECT_TRUE(fixture_file_exists(dir + "env.txt"));
    EXPECT_FALSE(fixture_file_exists(dir + "handed.txt"));
    kubl_log_reset();
    unsetenv("KUBL_LOGFILE");
}

TEST(PlatformLog, DropsMarkedMessagesAndStaysClosed)
{
    LogCapture log;
    kubl_log_printf("\x13secret\n");
    kubl_log_printf("kept\n");
    kubl_log_printf(nullptr);
    kubl_log_printf("after close\n");
    std::string text = log.text();
    EXPECT_EQ(text.find("secret"), std::string::npos);
    EXPECT_NE(text.find("] kept\n"), std::string::npos);
    EXPECT_EQ(text.find("after close"), std::string::npos);
}

TEST(PlatformLog, LinesFromManyThreadsStayWhole)
{
    LogCapture log;
    const int threads = 4, lines = 400;
    std::string filler(300, 'x');   // long enough that a torn write would show
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
        workers.emplace_back([&, t] {
            for (int i = 0; i < lines; ++i) kubl_log_printf("thread %d line %d %s end\n", t, i, filler.c_str());
        });
    for (std::thread &w : workers) w.join();
    kubl_log_printf("long %s\n", std::string(5000, 'y').c_str());

    std::istringstream in(log.text());
    std::regex whole("\\[\\d+:\\d\\d:\\d\\d\\.\\d\\d\\] (Logfile .*|KUBL 0\\.31|thread \\d line \\d+ x{300} end|long y{5000})");
    int count = 0;
    for (std::string line; std::getline(in, line); ++count) ASSERT_TRUE(std::regex_match(line, whole)) << line;
    EXPECT_EQ(count, threads * lines + 3);
}
