#include "core/base/SafeConvert.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr int64_t kMax64 = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin64 = std::numeric_limits<int64_t>::min();
constexpr int32_t kMax32 = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin32 = std::numeric_limits<int32_t>::min();

TEST(SafeConvertTest, RoundHalfEvenGoesToTheEvenNeighbour) {
    struct Case {
        double in, out;
    };
    const Case cases[] = {{0.5, 0},  {1.5, 2}, {2.5, 2},   {-2.5, -2}, {-0.5, -0.0},   {0.49, 0},
                          {0.51, 1}, {7.5, 8}, {-7.5, -8}, {3.0, 3},   {1e300, 1e300}, {-1.25, -1}};
    for (const Case& c : cases) EXPECT_EQ(RoundHalfEven(c.in), c.out) << c.in;
    EXPECT_TRUE(std::isnan(RoundHalfEven(kNaN)));
    EXPECT_EQ(RoundHalfEven(kInf), kInf);
}

TEST(SafeConvertTest, EveryInputHasADefinedResult) {
    struct Case {
        double in;
        int64_t round64, trunc64;
        int32_t round32, trunc32;
    };
    const Case cases[] = {
        {kNaN, 0, 0, 0, 0},
        {kInf, kMax64, kMax64, kMax32, kMax32},
        {-kInf, kMin64, kMin64, kMin32, kMin32},
        {1e30, kMax64, kMax64, kMax32, kMax32},
        {-1e30, kMin64, kMin64, kMin32, kMin32},
        {9223372036854775808.0, kMax64, kMax64, kMax32, kMax32},  // 2^63
        {-9223372036854775808.0, kMin64, kMin64, kMin32, kMin32},
        {2147483647.6, 2147483648, 2147483647, kMax32, kMax32},
        {-2147483648.4, -2147483648, -2147483648, kMin32, kMin32},
        {-2147483649.0, -2147483649, -2147483649, kMin32, kMin32},
        {2.5, 2, 2, 2, 2},
        {-2.7, -3, -2, -3, -2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SaturatingRound<int64_t>(c.in), c.round64) << c.in;
        EXPECT_EQ(SaturatingTrunc<int64_t>(c.in), c.trunc64) << c.in;
        EXPECT_EQ(SaturatingRound<int32_t>(c.in), c.round32) << c.in;
        EXPECT_EQ(SaturatingTrunc<int32_t>(c.in), c.trunc32) << c.in;
    }
}

TEST(SafeConvertTest, UnsignedTargetsStopAtZero) {
    EXPECT_EQ(SaturatingRound<uint8_t>(-3.0), 0);
    EXPECT_EQ(SaturatingRound<uint8_t>(255.4), 255);
    EXPECT_EQ(SaturatingRound<uint8_t>(255.6), 255);
    EXPECT_EQ(SaturatingTrunc<uint8_t>(1e9), 255);
    EXPECT_EQ(SaturatingTrunc<uint32_t>(kNaN), 0u);
    EXPECT_EQ(SaturatingTrunc<uint64_t>(kInf), std::numeric_limits<uint64_t>::max());
}

}  // namespace
