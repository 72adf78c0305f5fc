// The race protocol's datagrams byte by byte, the password proof, the rider info text, the
// race format line, the "knockout" command and the UDP layer's addresses and errors.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>

#include "data/ripemd160.h"
#include "racing/net_protocol.h"
#include "racing/udp.h"

namespace {

std::string hex(const unsigned char *p, int n)
{
    std::string s;
    char b[4];
    for (int i = 0; i < n; ++i) {
        snprintf(b, sizeof b, "%02x", p[i]);
        s += b;
    }
    return s;
}

TEST(NetCodec, EveryClientDatagram)
{
    unsigned char frame[39];
    for (int i = 0; i < 39; ++i) frame[i] = (unsigned char)(0xA0 + i);
    const unsigned char proof[4] = {0xDE, 0xAD, 0xBE, 0xEF};
    unsigned char out[1100];
    const int sizes[] = {21, 13, 13, 13, 17, 9, 13};
    struct Run {
        int size;
        std::string want;
    };
    auto run = [&](int n, const std::string &want) { return Run{n, want + "|" + hex(out, n)}; };
    const Run runs[] = {
        run(net_write_connect(out, 1, 0x11223344), "0001000000000000001e0000004433221100000000"),
        run(net_write_race(out, 5, 0x01020304, 0x05060708, 0x0A0B0C0D), "0504030201080706050d0c0b0a"),
        run(net_write_race(out, 9, 0x01020304, 0x05060708, 7), "09040302010807060507000000"),
        run(net_write_race(out, 14, 0x01020304, 0x05060708, 8), "0e040302010807060508000000"),
        run(net_write_bike_ack(out, 0x01020304, 0x05060708, 7, 160), "0704030201080706050700000" "0a0000000"),
        run(net_write_disconnect(out, 0x01020304, 0x05060708), "0f0403020108070605"),
        run(net_write_ack(out, 0x01020304, 0x05060708, 0x99), "12040302010807060599000000"),
    };
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(runs[i].size, sizes[i]);
        const std::string &w = runs[i].want;
        const size_t bar = w.find('|');
        EXPECT_EQ(w.substr(bar + 1), w.substr(0, bar));
    }

    ASSERT_EQ(net_write_state(out, 2, 9, 3, 1000, 996, frame), 60);
    EXPECT_EQ(hex(out, 21), "0b02000000090000000300000" "0e8030000e4030000");
    EXPECT_EQ(0, memcmp(out + 21, frame, 39));

    const std::string text = "rm125|||||\n7\nAnn";
    ASSERT_EQ(net_write_client_info(out, 2, 9, proof, 0xCAFE, text.data(), (int)text.size()), 41 + (int)text.size());
    EXPECT_EQ(hex(out, 41), "030200000009000000deadbeef00000000feca0000" + std::string(40, '0'));
    EXPECT_EQ(std::string((char *)out + 41, text.size()), text);
    // The text is cut to what a datagram of the client may carry.
    const std::string longer(2000, 'x');
    EXPECT_EQ(net_write_client_info(out, 2, 9, proof, 1, longer.data(), (int)longer.size()), 41 + 982);
}

TEST(NetCodec, PasswordProofIsTheDigestsFirstBytesReversed)
{
    unsigned char proof[4];
    net_password_proof("secret", 0x01020304, proof);
    ripemd160_ctx ctx;
    ripemd160_init(&ctx);
    ripemd160_update(&ctx, "secret\x04\x03\x02\x01", 10);
    ripemd160_final(&ctx);
    const unsigned char want[4] = {ctx.digest[3], ctx.digest[2], ctx.digest[1], ctx.digest[0]};
    EXPECT_EQ(0, memcmp(proof, want, 4));
    for (const char *none : {(const char *)nullptr, ""}) {
        net_password_proof(none, 0x01020304, proof);
        EXPECT_EQ(hex(proof, 4), "00000000");
    }
}

TEST(NetCodec, RiderInfoLongAndShortFormAtTheLimit)
{
    const char *fields[RIDER_FIELDS] = {"rm125", "@b.png", "@g.png", "@w.png", "@h.png", "12", "Ann"};
    // The seven lengths sum to 34: the long form (40 characters) needs a limit above 40.
    char out[128];
    EXPECT_EQ(rider_info_write(out, 41, fields), 40);
    EXPECT_STREQ(out, "rm125|@b.png|@g.png|@w.png|@h.png\n12\nAnn");
    EXPECT_EQ(rider_info_write(out, 40, fields), 12);
    EXPECT_STREQ(out, "rm125\n12\nAnn");
    const char *missing[RIDER_FIELDS] = {"rm125", nullptr, nullptr, nullptr, nullptr, "1", "B"};
    rider_info_write(out, 128, missing);
    EXPECT_STREQ(out, "rm125||||\n1\nB");

    char got[RIDER_FIELDS][RIDER_FIELD_BYTES];
    int present[RIDER_FIELDS];
    rider_info_split("yz250|@b.png|@g.png\n1234\nBob\nextra", got, present);
    EXPECT_STREQ(got[RIDER_BIKE], "yz250");
    EXPECT_STREQ(got[RIDER_GRAPHICS], "@g.png");
    EXPECT_FALSE(present[RIDER_WHEELS]);
    EXPECT_STREQ(got[RIDER_NUMBER], "123");   // three characters at most
    EXPECT_STREQ(got[RIDER_NAME], "Bob");
    rider_info_split("yz250", got, present);
    EXPECT_TRUE(present[RIDER_BIKE]);
    EXPECT_FALSE(present[RIDER_NUMBER]);
    EXPECT_FALSE(present[RIDER_NAME]);
}

TEST(NetCodec, RaceFormatLineAndKnockout)
{
    struct Case {
        uint32_t limit, laps;
        const char *want;
    };
    const Case cases[] = {
        {11520, 3, "2 minutes + 3 laps\n"},
        {0, 5, "5 laps\n"},
        {2560, 0, "0 minutes\n"},
    };
    for (const Case &c : cases) {
        char line[64];
        race_format_line(line, sizeof line, c.limit, c.laps);
        EXPECT_STREQ(line, c.want);
    }

    struct Knockout {
        const char *text;
        int first, rest;   // -1: not a knockout command
    };
    const Knockout knockouts[] = {
        {"knockout 100 200", 100, 200},
        {"knockout 999999", 460800, 460800},
        {"knockout -5", 0, 0},
        {"knockout", 0, 0},
        {"knockouts 5", -1, -1},
    };
    for (const Knockout &k : knockouts) {
        SCOPED_TRACE(k.text);
        int rules[16];
        for (int &r : rules) r = -7;
        ASSERT_EQ(knockout_parse(k.text, rules), k.first >= 0);
        if (k.first < 0) continue;
        EXPECT_EQ(rules[0], k.first);
        for (int i = 1; i < 16; ++i) EXPECT_EQ(rules[i], k.rest);
    }
}

TEST(NetCodec, NetworkTextEscapedForTheLogAndTerminal)
{
    struct Case {
        const char *what, *text;
        int size;
        const char *want;
    };
    const Case cases[] = {
        {"plain", "Wrong password", 64, "Wrong password"},
        {"its own line end", "Server restarting\n", 64, "Server restarting"},
        {"a colour escape", "\x1b[31mred", 64, "\\x1b[31mred"},
        {"a forged line", "a\rb\nc", 64, "a\\x0db\\x0ac"},
        {"delete and a bell", "x\x7f\x07", 64, "x\\x7f\\x07"},
        {"UTF-8 kept", "Jos\xc3\xa9 \xe2\x82\xac", 64, "Jos\xc3\xa9 \xe2\x82\xac"},
        {"bytes that are no UTF-8", "\xff\xfe\xc3(", 64, "\\xff\\xfe\\xc3("},
        {"an 8-bit control introducer", "\xc2\x9b" "2J", 64, "\\xc2\\x9b2J"},
        {"cut whole", "ab\x1b", 6, "ab"},
        {"cut before a character", "a\xc3\xa9", 3, "a"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        char out[64];
        net_escape_text(out, c.size, c.text);
        EXPECT_STREQ(out, c.want);
    }
}

TEST(NetUdp, ResolveAddresses)
{
    struct Case {
        const char *text;
        int ok, port;
    };
    const Case cases[] = {
        {"127.0.0.1:5000", 1, 5000},
        {"127.0.0.1", 1, 19800},
        {"localhost:77x", 1, 77},
        {"127.0.0.1:65535", 1, 65535},
        {"127.0.0.1:65536", 0, 0},
        {"127.0.0.1:99999999999999999999", 0, 0},
        {"localhost:abc", 0, 0},   // resolved whole, colon and all: no such host
        {":80", 0, 0},
        {"", 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        net_address a;
        ASSERT_EQ(udp_resolve(&a, c.text, 19800), c.ok);
        if (c.ok) EXPECT_EQ(udp_address_port(&a), c.port);
        EXPECT_EQ(a.length, 16);
    }
}

TEST(NetUdp, ReceiveEmptyOversizedAndRefused)
{
    const int s = udp_open();
    ASSERT_GE(s, 0);
    sockaddr_in me{};
    me.sin_family = AF_INET;
    me.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(s, (sockaddr *)&me, sizeof me), 0);
    socklen_t n = sizeof me;
    getsockname(s, (sockaddr *)&me, &n);
    net_address self;
    udp_address_loopback(&self, ntohs(me.sin_port));

    unsigned char buffer[1024];
    net_address from;
    EXPECT_EQ(udp_receive(s, buffer, 1024, &from), -1);
    EXPECT_STREQ(udp_error_text, "");

    std::string big(1024, 'b'), fits(1023, 'f');
    ASSERT_EQ(udp_send(s, big.data(), 1024, &self), 1024);
    ASSERT_EQ(udp_send(s, fits.data(), 1023, &self), 1023);
    EXPECT_EQ(udp_receive(s, buffer, 1024, &from), -1);
    EXPECT_STREQ(udp_error_text, "EMSGSIZE");
    EXPECT_EQ(udp_receive(s, buffer, 1024, &from), 1023);
    EXPECT_EQ(buffer[1023], 0);
    EXPECT_TRUE(udp_address_equal(&from, &self));
    udp_close(s);

    udp_record_error(ECONNREFUSED);
    EXPECT_STREQ(udp_error_text, "ECONNREFUSED");
    udp_record_error(4242);
    EXPECT_STREQ(udp_error_text, "4242");
}

}   // namespace
