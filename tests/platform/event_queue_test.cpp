#include <gtest/gtest.h>
#include "platform/display_internal.h"
#include "platform/input.h"
#include <vector>

namespace {

struct Popped { std::uint32_t code; int pressed, s, us; };

std::vector<Popped> drain(event_queue *q)
{
    std::vector<Popped> out;
    Popped p;
    while (kubl_event_pop(q, &p.code, &p.pressed, &p.s, &p.us)) out.push_back(p);
    return out;
}

}  // namespace

TEST(EventQueue, ComesOutInStampOrderEqualStampsInPushOrder)
{
    event_queue q{};
    q.head = 250;   // the order holds across the wrap at 256
    struct Push { std::uint32_t code; int pressed, s, us; };
    const Push pushes[] = {
        {0x1010, 1, 10, 500}, {0x1011, 1, 10, 100}, {0x1012, 0, 9, 999999}, {0x1013, 1, 10, 500},
        {0x1014, 1, 11, 0}, {0x1015, 0, 10, 500}, {0x1016, 1, 10, 100}, {0x1017, 1, 0, 0},
    };
    for (const Push &p : pushes) kubl_event_push(&q, p.code, p.pressed, p.s, p.us);
    std::vector<Popped> got = drain(&q);
    const std::uint32_t want[] = {0x1017, 0x1012, 0x1011, 0x1016, 0x1010, 0x1013, 0x1015, 0x1014};
    ASSERT_EQ(got.size(), std::size(want));
    for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i].code, want[i]) << i;
    EXPECT_EQ(got[1].pressed, 0);   // the release bit comes back as the pressed flag
    EXPECT_EQ(got[1].s, 9);
    EXPECT_EQ(got[1].us, 999999);
    EXPECT_EQ(got[6].pressed, 0);
    EXPECT_EQ(got[7].pressed, 1);
}

TEST(EventQueue, The257thEventIsLost)
{
    event_queue q{};
    // Pushed in reverse stamp order, so every push moves all the way to the front.
    for (int i = 0; i < 257; ++i) kubl_event_push(&q, 0x10000 + i, 1, 1000 - i, 0);
    EXPECT_EQ(q.count, 256);
    std::vector<Popped> got = drain(&q);
    ASSERT_EQ(got.size(), 256u);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(got[i].code, std::uint32_t(0x10000 + 255 - i));
}

TEST(EventQueue, PopDueStopsAtTheLimit)
{
    event_queue q{};
    kubl_event_push(&q, 'a', 1, 5, 100);
    kubl_event_push(&q, 'b', 1, 5, 200);
    std::uint32_t code;
    int pressed;
    EXPECT_EQ(kubl_event_pop_due(&q, &code, &pressed, 5, 99), 0);   // before the oldest stamp
    EXPECT_EQ(q.count, 2);
    EXPECT_EQ(kubl_event_pop_due(&q, &code, &pressed, 5, 100), 1);  // equal is due
    EXPECT_EQ(code, std::uint32_t('a'));
    EXPECT_EQ(kubl_event_pop_due(&q, &code, &pressed, 4, 999999), 0);
    EXPECT_EQ(kubl_event_pop_due(&q, &code, &pressed, 6, 0), 1);
    EXPECT_EQ(kubl_event_pop_due(&q, &code, &pressed, 100, 0), 0);  // empty
}

TEST(EventQueue, DisplayReadsDeliverPerTick)
{
    display *d = kubl_display_alloc("queue");
    ASSERT_NE(d, nullptr);
    kubl_display_push_event(d, 0x102D, 1, 100, 3000);   // pressed 3 ms into the frame
    kubl_display_push_event(d, 0x102D, 0, 100, 9000);   // released 9 ms into it
    std::uint32_t code;
    int pressed, s, us;
    // Ticks of 1/128 s from 100.0 s: the press belongs to the tick at 7812 us, the release to 15625.
    EXPECT_EQ(kubl_event_read_until(d, &code, &pressed, 100, 0), 0);
    EXPECT_EQ(kubl_event_read_until(d, &code, &pressed, 100, 7812), 1);
    EXPECT_EQ(pressed, 1);
    EXPECT_EQ(kubl_event_read_until(d, &code, &pressed, 100, 7812), 0);
    EXPECT_EQ(kubl_event_read_until(d, &code, &pressed, 100, 15625), 1);
    EXPECT_EQ(pressed, 0);
    EXPECT_EQ(code, 0x102Du);

    kubl_display_push_event(d, 0x2000, 1, 7, 70);
    EXPECT_EQ(kubl_event_read_stamped(d, &code, &pressed, &s, &us), 1);
    EXPECT_EQ(code, 0x2000u);
    EXPECT_EQ(s, 7);
    EXPECT_EQ(us, 70);
    EXPECT_EQ(kubl_event_read(d, &code, &pressed), 0);
    kubl_display_free(d);
}
