#include <gtest/gtest.h>
#include "data/working_set.h"
#include "data_fixture.h"

TEST(WorkingSet, RangeFromPhysicalMemory)
{
    const std::uint64_t MiB = 1 << 20, GiB = 1024 * MiB;
    struct Case { std::uint64_t total; int set; std::uint64_t minimum, maximum; } cases[] = {
        {512 * MiB, 1, 480 * MiB, 480 * MiB},
        {4 * GiB, 1, GiB, 2 * GiB - 32 * MiB},
        {64 * GiB, 1, GiB, 2 * GiB - 32 * MiB},
        {64 * MiB, 1, 32 * MiB, 32 * MiB},
        {64 * MiB - 1, 0, 0, 0},
        {48 * MiB, 0, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.total);
        std::uint32_t minimum = 0, maximum = 0;
        ASSERT_EQ(working_set_range(c.total, &minimum, &maximum), c.set);
        if (!c.set) continue;
        EXPECT_EQ(minimum, c.minimum);
        EXPECT_EQ(maximum, c.maximum);
    }
}

TEST(WorkingSet, SetupLogsTheRangeAndTheOutcome)
{
    working_set_setup();
    std::string log = test_log_text();
    EXPECT_NE(log.find("Setting working set range to "), std::string::npos);
    // The limit is recorded but not enforced here; the log must not claim otherwise.
    EXPECT_NE(log.find("Working set limit set, but it has no effect on Linux\n"), std::string::npos);
    EXPECT_EQ(log.find("successfully"), std::string::npos);
}
