#include <gtest/gtest.h>
#include "data/mem.h"
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// A failed allocation must come back as null here, not stop the sanitizer run.
extern "C" const char *__asan_default_options() { return "allocator_may_return_null=1"; }

namespace {

const std::size_t kHuge = SIZE_MAX / 4;

void set_tracking(const char *value)
{
    if (value) setenv("RL_CHECK_ALLOC", value, 1);
    else unsetenv("RL_CHECK_ALLOC");
    mem_tracking_reset();
}

std::string entry(const void *p, int sequence)
{
    char text[64];
    snprintf(text, sizeof text, "%p:%d\n", p, sequence);
    return text;
}

std::string not_found(const void *p)
{
    char text[64];
    snprintf(text, sizeof text, "Allocation not found for %p!\n", p);
    return text;
}

std::string dump(void)
{
    testing::internal::CaptureStderr();
    mem_dump_live();
    return testing::internal::GetCapturedStderr();
}

struct MemTracking : testing::Test {
    void SetUp() override { set_tracking("1"); }
    void TearDown() override { set_tracking(nullptr); }
};

} // namespace

TEST(MemWrappers, SwitchOffRecordsNothing)
{
    for (const char *value : {(const char *)nullptr, "0", "-3", "abc", ""}) {
        SCOPED_TRACE(value ? value : "(unset)");
        set_tracking(value);
        void *p = mem_alloc(32);
        p = mem_resize(p, 64);
        EXPECT_EQ(dump(), "");
        mem_free(p);
    }
    set_tracking(nullptr);
}

TEST_F(MemTracking, LiveBlocksInRecordOrderAndDoubleFreeReported)
{
    void *a = mem_alloc(16), *b = mem_alloc(24), *c = mem_alloc(8);
    EXPECT_EQ(dump(), entry(a, 0) + entry(b, 1) + entry(c, 2));

    mem_free(b);
    EXPECT_EQ(dump(), entry(a, 0) + entry(c, 2));

    // The second free is reported and never reaches the heap (the sanitizer would catch it).
    testing::internal::CaptureStderr();
    mem_free(b);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), not_found(b));

    int local;
    testing::internal::CaptureStderr();
    mem_free(&local);
    mem_free(nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), not_found(&local));

    mem_free(a);
    mem_free(c);
    EXPECT_EQ(dump(), "");
}

TEST_F(MemTracking, ResizeMovesTheEntry)
{
    void *a = mem_alloc(16);
    void *fence = mem_alloc(16);
    void *moved = mem_resize(a, 1 << 20);
    ASSERT_NE(moved, nullptr);
    ASSERT_NE(moved, a);
    EXPECT_EQ(dump(), entry(fence, 1) + entry(moved, 2));

    void *fresh = mem_resize(nullptr, 40);   // a resize of nothing is an allocation
    EXPECT_EQ(dump(), entry(fence, 1) + entry(moved, 2) + entry(fresh, 3));

    EXPECT_EQ(mem_resize(fresh, 0), nullptr);   // frees, and the entry goes with it
    EXPECT_EQ(dump(), entry(fence, 1) + entry(moved, 2));
    mem_free(moved);
    mem_free(fence);
}

TEST_F(MemTracking, FailedResizeKeepsTheBlockKnown)
{
    char *a = (char *)mem_alloc(16);
    a[0] = 'k';
    testing::internal::CaptureStderr();
    EXPECT_EQ(mem_resize(a, kHuge), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr().find("Allocation not found"), std::string::npos);
    EXPECT_EQ(a[0], 'k');
    EXPECT_EQ(dump(), entry(a, 0));

    testing::internal::CaptureStderr();
    mem_free(a);   // still known: freed without a report
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(mem_alloc(kHuge), nullptr);   // nothing recorded for a failed allocation
    EXPECT_EQ(dump(), "");
}

TEST_F(MemTracking, FullTableSwitchesTrackingOff)
{
    const int table = 0x100000;
    std::vector<void *> blocks(table);
    for (int i = 0; i < table; ++i) blocks[i] = mem_alloc(1);

    testing::internal::CaptureStderr();
    void *late = mem_alloc(1);
    mem_free(late);   // never recorded, yet not reported: checks are off now
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Too many allocations to check!\n");

    for (void *p : blocks) mem_free(p);
}

TEST(MemWrappers, AllocOrDieClosesThenExits)
{
    mem_fatal_close = [] { fputs("closing audio and display\n", stderr); };
    EXPECT_EXIT(alloc_or_die(kHuge), testing::ExitedWithCode(1),
                "closing audio and display\n.*Error.*Out of virtual memory");
    mem_fatal_close = nullptr;
    EXPECT_EXIT(alloc_or_die(kHuge), testing::ExitedWithCode(1), "Out of virtual memory");
    void *p = alloc_or_die(10);
    EXPECT_NE(p, nullptr);
    mem_free(p);
}
