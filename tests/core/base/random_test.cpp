#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "core/base/Random.h"

namespace {

TEST(Random, ASeedReplaysItsSequenceWithinRange) {
    RandomSeed(99);
    std::vector<int32_t> first;
    for (int i = 0; i < 200; ++i) first.push_back(Random(7));
    RandomSeed(99);
    std::set<int32_t> seen;
    for (int i = 0; i < 200; ++i) {
        int32_t value = Random(7);
        EXPECT_EQ(value, first[static_cast<size_t>(i)]);
        seen.insert(value);
    }
    EXPECT_EQ(seen, (std::set<int32_t>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(Random(0), 0);
    EXPECT_EQ(Random(-5), 0);
    for (int i = 0; i < 100; ++i) {
        double f = RandomFloat();
        EXPECT_GE(f, 0.0);
        EXPECT_LT(f, 1.0);
    }
}

}  // namespace
