#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>

#include "mat_random.h"

namespace
{

// The reference: the standard library's MT19937 loaded with the linear-congruential fill
// (plus the word offsets of a non-default seed), which is what the seeding must amount to.
std::mt19937 ReferenceFor(u32 _oddSeed, bool _offsets)
{
    std::stringstream state;
    u32 s = _oddSeed;
    for (u32 i = 0; i < 624; ++i) {
        state << (u32)(s + (_offsets ? i + 1 : 0)) << ' ';
        s *= 69069u;
    }
    std::mt19937 reference;
    state >> reference;
    return reference;
}

TEST(MatRandomTest, DefaultSeedsStartWithTheKnownDraws)
{
    // 0 means the default, and the even 2178 becomes 2 * 2178 + 1 = 4357.
    for (u32 seed : {0u, 4357u, 2178u}) {
        MAT_Random random(seed);
        EXPECT_EQ(3510405877u, random.Next()) << seed;
        EXPECT_EQ(4290933890u, random.Next()) << seed;
        EXPECT_EQ(2191955339u, random.Next()) << seed;
    }
    EXPECT_EQ(4357u, MAT_Random().GetSeed());
}

TEST(MatRandomTest, SequencesEqualStandardMt19937OfTheSeedFill)
{
    struct Case
    {
        u32 seed;
        u32 oddSeed;
        bool offsets;
    };
    const Case cases[] = {{4357, 4357, false},
                          {0, 4357, false},
                          {1, 1, true},
                          {2, 5, true},
                          {5, 5, true},
                          {0xFFFFFFFFu, 0xFFFFFFFFu, true},
                          {0x80000000u, 0x00000001u, true}};
    for (const Case& c : cases) {
        MAT_Random random(c.seed);
        std::mt19937 reference = ReferenceFor(c.oddSeed, c.offsets);
        // Past two regenerations of the whole state.
        for (int i = 0; i < 1500; ++i)
            ASSERT_EQ((u32)reference(), random.Next()) << "seed " << c.seed << " draw " << i;
    }
}

TEST(MatRandomTest, OtherSeedsDifferAndInstancesAreIndependent)
{
    MAT_Random one(1), two(2), standard(4357);
    u32 a = one.Next(), b = two.Next(), c = standard.Next();
    EXPECT_NE(a, b);
    EXPECT_NE(a, c);
    EXPECT_NE(b, c);

    MAT_Random first(77), second(77);
    for (int i = 0; i < 100; ++i)
        first.Next();
    MAT_Random fresh(77);
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(fresh.Next(), second.Next());

    // Seeding again restarts the sequence.
    first.Seed(0);
    EXPECT_EQ(3510405877u, first.Next());
}

TEST(MatRandomTest, GaussianIsExactWithoutDeviationAndRoughlyNormal)
{
    MAT_Random random;
    for (f32 mean : {0.0f, 1.5f, -1234.25f, 3e30f})
        EXPECT_EQ(mean, random.Gaussian(mean, 0.0f));

    // Sum of ten uniforms: mean 5, deviation 0.9129, scaled by 1.087 (not normalised to 1).
    const int count = 20000;
    f64 sum = 0.0, sumSquares = 0.0;
    f32 low = 0.0f, high = 0.0f;
    for (int i = 0; i < count; ++i) {
        f32 value = random.Gaussian(10.0f, 2.0f);
        sum += value;
        sumSquares += (f64)value * value;
        low = i == 0 || value < low ? value : low;
        high = i == 0 || value > high ? value : high;
    }
    f64 mean = sum / count;
    f64 deviation = std::sqrt(sumSquares / count - mean * mean);
    EXPECT_NEAR(10.0, mean, 0.05);
    EXPECT_NEAR(2.0 * 1.087 * std::sqrt(10.0 / 12.0), deviation, 0.05);
    // The sum is bounded: 10 +/- 5 * 2 * 1.087.
    EXPECT_GE(low, 10.0f - 10.87f);
    EXPECT_LE(high, 10.0f + 10.87f);
}

TEST(MatRandomTest, UniformValuesReachOneAndIndicesAreClamped)
{
    struct Case
    {
        u32 value;
        f64 unit;
    };
    const Case cases[] = {{0u, 0.0}, {4294967294u, 1.0}, {4294967295u, 1.0000000002328306}, {2147483647u, 0.5}};
    for (const Case& c : cases)
        EXPECT_EQ(c.unit, MAT_RandomUnit(c.value)) << c.value;
    EXPECT_EQ(1.0, 4294967294.0 * MAT_RANDOM_SIGNED - 1.0);
    EXPECT_EQ(-10.0, 0.0 * MAT_RANDOM_SIGNED_TEN - 10.0);

    EXPECT_EQ(0, MAT_RandomIndex(0u, 10));
    EXPECT_EQ(9, MAT_RandomIndex(4294967293u, 10));
    EXPECT_EQ(9, MAT_RandomIndex(4294967294u, 10));  // u = 1.0 would index 10
    EXPECT_EQ(9, MAT_RandomIndex(4294967295u, 10));
    EXPECT_EQ(0, MAT_RandomIndex(4294967295u, 1));
}

}  // namespace
