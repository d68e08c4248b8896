#include <gtest/gtest.h>

#include "crt_rand.h"

namespace
{
struct Sequence
{
    u32 seed;
    s32 values[6];
};

// First draws after seeding, worked out from state = state * 214013 + 2531011 (mod 2^32) and
// bits 16..30 of the new state. Seed 1: 214013 + 2531011 = 2745024, 2745024 >> 16 = 41.
TEST(CrtRandTest, SeededSequencesFollowTheRecurrence)
{
    const Sequence sequences[] = {
        {1, {41, 18467, 6334, 26500, 19169, 15724}},
        {12345, {7584, 19164, 25795, 22125, 5828, 23405}},
        {0, {38, 7719, 21238, 0, 0, 0}},
        {0xFFFFFFFFu, {35, 29739, 3374, 0, 0, 0}},  // the state wraps at 32 bits
    };
    for (const Sequence& s : sequences) {
        CRT_SRand(s.seed);
        const u32 count = s.values[3] == 0 ? 3 : 6;
        for (u32 i = 0; i < count; ++i)
            EXPECT_EQ(s.values[i], CRT_Rand()) << "seed " << s.seed << ", draw " << i;
    }
}

TEST(CrtRandTest, ReseedingRepeatsAndResultsStayInRange)
{
    CRT_SRand(777);
    s32 first[100];
    s32 highest = 0;
    for (s32& value : first) {
        value = CRT_Rand();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, CRT_RAND_MAX);
        highest = value > highest ? value : highest;
    }
    EXPECT_GT(highest, CRT_RAND_MAX / 2);
    CRT_SRand(777);
    for (s32 value : first)
        EXPECT_EQ(value, CRT_Rand());
    EXPECT_EQ(32767, CRT_RAND_MAX);
}
}  // namespace
