// The reliable message layer: incoming messages handled once each in sequence order, held when
// early, refused when too far ahead; outgoing ones one at a time, re-sent until acknowledged.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "racing/net_protocol.h"
#include "racing/net_reliable.h"

namespace {

std::vector<std::string> handled;
void record(const unsigned char *d, int length) { handled.emplace_back((const char *)d + 6, (size_t)(length - 6)); }

std::string message(uint32_t sequence, const std::string &body)
{
    unsigned char head[5] = {17};
    net_put_u32(head + 1, sequence);
    return std::string((const char *)head, 5) + "\x13" + body;
}

struct Reliable : ::testing::Test {
    void SetUp() override
    {
        net_reliable_clear();
        handled.clear();
    }
    void TearDown() override { net_reliable_clear(); }
    int receive(const std::string &d)
    {
        std::string copy = d + '\0';
        return net_reliable_receive((const unsigned char *)copy.data(), (int)d.size(), record);
    }
};

TEST_F(Reliable, IncomingInSequenceOrderOnce)
{
    EXPECT_EQ(receive(message(2, "c")), 1);
    EXPECT_EQ(receive(message(1, "b")), 1);
    EXPECT_TRUE(handled.empty());
    EXPECT_EQ(receive(message(2, "c")), 1);   // held already: acknowledged, kept once
    EXPECT_EQ(net_reliable.held_count, 2);
    EXPECT_EQ(receive(message(0, "a")), 1);
    EXPECT_EQ(handled, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(receive(message(1, "b")), 1);   // a repeat is acknowledged again, not handled
    EXPECT_EQ(handled.size(), 3u);
    EXPECT_EQ(net_reliable.held_count, 0);
}

TEST_F(Reliable, TooFarAheadOrTooShortIsNeitherHeldNorAcknowledged)
{
    EXPECT_EQ(receive(message(NET_HOLD_AHEAD, "x")), 0);
    EXPECT_EQ(receive(message(0xFFFFFFFFu, "x")), 0);
    EXPECT_EQ(receive(std::string("\x11\x00\x00\x00\x00", 5)), 0);
    EXPECT_EQ(receive(message(NET_HOLD_AHEAD - 1, "x")), 1);
    EXPECT_EQ(net_reliable.held_count, 1);
    EXPECT_TRUE(handled.empty());
}

TEST_F(Reliable, HeldDatagramLongerThanANodeKeepsAllItsBytes)
{
    const std::string body(1000, 'q');
    receive(message(1, body));
    receive(message(0, "a"));
    ASSERT_EQ(handled.size(), 2u);
    EXPECT_EQ(handled[1], body);
}

TEST_F(Reliable, OneMessageInFlightResentEveryHalfSecond)
{
    net_reliable_set_header(3, 0x77);
    net_msg_node *a = net_msg_new();
    net_msg_node *b = net_msg_new();
    EXPECT_EQ(a->length, NET_MSG_HEADER);
    EXPECT_EQ(net_get_u32(a->payload + 1), 3u);
    EXPECT_EQ(net_get_u32(a->payload + 5), 0x77u);
    EXPECT_EQ(net_get_u32(b->payload + 9), 1u);

    EXPECT_EQ(net_reliable_due(100.0), a);
    EXPECT_EQ(net_reliable_due(100.25), nullptr);
    EXPECT_EQ(net_reliable_due(100.5), nullptr);
    EXPECT_EQ(net_reliable_due(100.51), a);
    net_reliable_acked(1);   // not the head: ignored
    EXPECT_EQ(net_reliable.send_head, a);
    net_reliable_acked(0);
    EXPECT_EQ(net_reliable.send_head, b);
    EXPECT_EQ(net_reliable_due(100.52), b);
    net_reliable_acked(1);
    EXPECT_EQ(net_reliable.send_head, nullptr);
    EXPECT_EQ(net_reliable.send_tail, nullptr);
}

}   // namespace
