#include <gtest/gtest.h>
#include "data/ripemd160.h"
#include <string>

namespace {

std::string hex(const std::uint8_t digest[20])
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (int i = 0; i < 20; ++i) {
        out += digits[digest[i] >> 4];
        out += digits[digest[i] & 15];
    }
    return out;
}

// Feeds the message in pieces of the given size (0 = whole), with empty updates between.
std::string digest_of(const std::string &message, size_t piece)
{
    ripemd160_ctx ctx;
    ripemd160_init(&ctx);
    if (!piece) piece = message.size() ? message.size() : 1;
    for (size_t at = 0; at < message.size(); at += piece) {
        ripemd160_update(&ctx, message.data() + at, std::min(piece, message.size() - at));
        ripemd160_update(&ctx, "", 0);
    }
    ripemd160_final(&ctx);
    return hex(ctx.digest);
}

} // namespace

TEST(Ripemd160, PublishedVectorsWholeAndInPieces)
{
    struct Case { std::string message, want; };
    const Case cases[] = {
        {"", "9c1185a5c5e9fc54612808977ee8f548b2258d31"},
        {"a", "0bdc9d2d256b3ee9daae347be6f4dc835a467ffe"},
        {"abc", "8eb208f7e05d987a9b044a8e98c6b087f15a0bfc"},
        {"message digest", "5d0689ef49d2fae572b881b123a85ffa21595f36"},
        {"abcdefghijklmnopqrstuvwxyz", "f71c27109c692c1b56bbdceb5b9d2865b3708dbc"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "12a053384a9c0c88e405a06c27dcf49ada62eb2b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "b0e20b6e3116640286ed3a87a5713079b21f5189"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "9b752e45573d4b39f4dbd3323cab82bf63326bfb"},
        // around the padding boundary: 55 bytes pad into one block, 56 to 63 need two
        {std::string(55, 'a'), "0d8a8c9063a48576a7c97e9f95253a6e53ff6765"},
        {std::string(56, 'a'), "e72334b46c83cc70bef979e15453706c95b888be"},
        {std::string(63, 'a'), "e640041293fe663b9bf3f8c21ffecac03819e6b2"},
        {std::string(64, 'a'), "9dfb7d374ad924f3f88de96291c33e9abed53e32"},
        {std::string(65, 'a'), "99724bb11811e7166af38f671b6a082d8ab4960b"},
        {std::string(119, 'a'), "23e398ff2bac815aa1bbb57ca2a669c841872919"},
        {std::string(120, 'a'), "c476770a6dae31fcee8d25efe6559a05c8024595"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE("length " + std::to_string(c.message.size()));
        for (size_t piece : {0, 1, 63, 64, 65}) {
            SCOPED_TRACE("piece " + std::to_string(piece));
            EXPECT_EQ(digest_of(c.message, piece), c.want);
        }
    }
}

TEST(Ripemd160, MillionA)
{
    const std::string a(1000000, 'a');
    EXPECT_EQ(digest_of(a, 0), "52783243c1697bdbe16d37f97f68f08325dc1528");
    EXPECT_EQ(digest_of(a, 65), "52783243c1697bdbe16d37f97f68f08325dc1528");
}
