#include <gtest/gtest.h>

#include <string>

#include "core/object/CryptMd5.h"

namespace {

struct TDigestCase {
    std::string input;
    const char* hex;
};

TEST(MD5, Rfc1321TestSuite) {
    const TDigestCase cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"1234567890123456789012345678901234567890123456789012345678901234567890123456789"
         "0",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases) EXPECT_EQ(MD5ToHex(MD5Of(c.input)), c.hex) << '"' << c.input << '"';
}

// Lengths around the padding boundaries (55/56 bytes fit one or two final
// blocks), checked against an independent md5sum.
TEST(MD5, PaddingBoundaries) {
    const TDigestCase cases[] = {
        {std::string(55, 'x'), "04364420e25c512fd958a70738aa8f72"},
        {std::string(56, 'x'), "668a72d5ba17f08e62dabcafad6db14b"},
        {std::string(63, 'x'), "7dc2ca208106a2f703567bdff99d8981"},
        {std::string(64, 'x'), "c1bb4f81d892b2d57947682aeb252456"},
        {std::string(65, 'x'), "1bc932052302d074bdec39795fe00cf6"},
        {std::string(119, 'x'), "ab347a5f68c8a443cfcddc633f12c24f"},
        {std::string(120, 'x'), "fb98667f98096de92620b64f46e1c5b5"},
        {std::string(1000, 'x'), "398533d48111e9f664b1f64cb10c4b63"},
    };
    for (const auto& c : cases) EXPECT_EQ(MD5ToHex(MD5Of(c.input)), c.hex) << c.input.size();
}

TEST(MD5, PiecewiseFeedingMatchesOneShot) {
    std::string text;
    for (int i = 0; i < 300; ++i) text += char('A' + i % 53);
    const TMD5Digest whole = MD5Of(text);
    for (size_t piece : {1u, 3u, 55u, 63u, 64u, 65u, 127u}) {
        TMD5 md5;
        for (size_t at = 0; at < text.size(); at += piece) {
            md5.Update(std::string_view(text).substr(at, piece));
        }
        EXPECT_EQ(md5.Final(), whole) << "pieces of " << piece;
        // Final resets: the same object hashes afresh.
        md5.Update("abc");
        EXPECT_EQ(MD5ToHex(md5.Final()), "900150983cd24fb0d6963f7d28e17f72");
    }
}

TEST(MD5, CrMD5WritesIntoTheCallersBuffer) {
    TMD5Digest out{};
    TCrMD5 md5(out);
    md5.InputString = "message digest";
    md5.ComputeDigest();
    EXPECT_EQ(MD5ToHex(out), "f96b697d7cb7938d525a2f31aaf161d0");
}

}  // namespace
