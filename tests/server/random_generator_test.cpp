#include "server/random_generator.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace pyrandel {
namespace {

struct Step {
    int n;
    int result;
    std::uint32_t state;
};

struct Sequence {
    const char* name;
    std::uint32_t seed;
    std::vector<Step> steps;
};

TEST(RandomGenerator, MatchesEveryOtherCopyBitForBit)
{
    const std::vector<Sequence> sequences = {
        {"creation state",
         RandomGenerator::INITIAL_STATE,
         {{4, 3, 0x75C40C57u}, {4, 0, 0x5E2206AEu}, {4, 3, 0xE113035Cu}}},
        {"state 1", 1u, {{100, 2, 2u}}},
    };
    for (const Sequence& sequence : sequences) {
        RandomGenerator random;
        random.SetSeed(sequence.seed);
        for (const Step& step : sequence.steps) {
            EXPECT_EQ(random.Next(step.n), step.result) << sequence.name;
            EXPECT_EQ(random.state(), step.state) << sequence.name;
        }
    }
}

TEST(RandomGenerator, StartsInItsCreationState)
{
    RandomGenerator random;
    EXPECT_EQ(random.state(), 0x9778182Bu);
    EXPECT_EQ(random.Next(4), 3);
}

TEST(RandomGenerator, SetSeedReturnsThePreviousState)
{
    RandomGenerator random;
    EXPECT_EQ(random.SetSeed(42u), RandomGenerator::INITIAL_STATE);
    EXPECT_EQ(random.SetSeed(7u), 42u);
    EXPECT_EQ(random.state(), 7u);
}

TEST(RandomGenerator, CountsBelowOneGiveZeroButStillAdvance)
{
    for (const int n : {0, -1, -4, INT_MIN}) {
        RandomGenerator random;
        RandomGenerator reference;
        EXPECT_EQ(random.Next(n), 0) << n;
        (void)reference.Next(4);
        EXPECT_EQ(random.state(), reference.state()) << n;
    }
}

TEST(RandomGenerator, StaysWithinRange)
{
    RandomGenerator random;
    std::vector<int> seen(7, 0);
    for (int i = 0; i < 7000; ++i) {
        const int value = random.Next(7);
        ASSERT_GE(value, 0);
        ASSERT_LT(value, 7);
        ++seen[static_cast<std::size_t>(value)];
    }
    for (const int count : seen) {
        EXPECT_GT(count, 0);
    }
    for (const int n : {1, INT_MAX}) {
        const int value = random.Next(n);
        EXPECT_GE(value, 0);
        EXPECT_LT(value, n);
    }
}

} // namespace
} // namespace pyrandel
