#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "core/base/Random.h"
#include "tests/support/EnvGuard.h"

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

// The play's draws replay a seed whatever the effects drew in between: the
// window and a headless run of one seed show their frames at another pace.
TEST(Random, ThePlaysDrawsFollowTheSeedWhateverTheOtherDrawsInBetween) {
    const auto plays = [](uint32_t seed, int otherDraws) {
        RandomSeed(seed);
        std::vector<int32_t> drawn;
        for (int i = 0; i < 50; ++i) {
            for (int j = 0; j < otherDraws; ++j) (void)Random(1000);
            drawn.push_back(PlayRandom(1000));
        }
        return drawn;
    };
    const std::vector<int32_t> quiet = plays(5, 0);
    EXPECT_EQ(plays(5, 7), quiet);
    EXPECT_EQ(plays(5, 31), quiet);
    EXPECT_NE(plays(6, 0), quiet);
    EXPECT_EQ(PlayRandom(0), 0);
    EXPECT_EQ(PlayRandom(-3), 0);
}

// QM_RANDOM_SEED seeds both generators as RandomSeed does; a text that is no
// whole number below 2^32 leaves the clock to seed them.
TEST(Random, TheEnvironmentsSeedIsTheSeedOfBothGenerators) {
    RandomSeed(1234);
    const int32_t other = Random(1 << 30), play = PlayRandom(1 << 30);
    struct TCase {
        const char* text;
        bool taken;
    };
    for (const TCase& c : {TCase{"1234", true}, TCase{"12x", false}, TCase{"-1234", false},
                           TCase{"4294967296", false}, TCase{"", false}}) {
        SCOPED_TRACE(c.text);
        TEnvGuard seed("QM_RANDOM_SEED", c.text);
        EXPECT_EQ(RandomizeFromEnvironment(), c.taken);
        const int32_t nowOther = Random(1 << 30), nowPlay = PlayRandom(1 << 30);
        if (c.taken) {
            EXPECT_EQ(nowOther, other);
            EXPECT_EQ(nowPlay, play);
        } else {
            // A clock seed that gives both of these again is a 1 in 2^60 chance.
            EXPECT_FALSE(nowOther == other && nowPlay == play);
        }
    }
}

}  // namespace
