#include <gtest/gtest.h>

#include "mem_alloc.h"
#include "rpl_bitset.h"

TEST(RplBitSetTest, GrowingPastTheInsideWordKeepsTheBitsAndClearsTheNewOnes)
{
    const u32 before = MEM_GetBytesInUse();
    {
        RPL_BitSet bits;
        bits.Resize(32);
        EXPECT_EQ(1u, bits.GetCapacity());
        EXPECT_EQ(before, MEM_GetBytesInUse());  // the inside word
        bits.SetAll();
        EXPECT_EQ(0xFFFFFFFFu, bits.Words()[0]);

        bits.Resize(33);
        EXPECT_EQ(2u, bits.GetCapacity());
        EXPECT_EQ(2u, bits.GetWordCount());
        EXPECT_EQ(0xFFFFFFFFu, bits.Words()[0]);
        EXPECT_FALSE(bits.Test(32));
        bits.SetAll();
        EXPECT_EQ(1u, bits.Words()[1]);  // nothing past the count

        bits.Resize(100);
        EXPECT_EQ(4u, bits.GetCapacity());
        EXPECT_TRUE(bits.Test(32));
        EXPECT_FALSE(bits.Test(33));
        EXPECT_EQ(0u, bits.Words()[3]);
    }
    EXPECT_EQ(before, MEM_GetBytesInUse());
}

TEST(RplBitSetTest, BitsPastTheCountStayClearWhenItShrinksAndGrowsAgain)
{
    RPL_BitSet bits;
    bits.Resize(40);
    bits.SetAll();
    bits.Resize(5);
    EXPECT_EQ(0x1Fu, bits.Words()[0]);
    EXPECT_EQ(0u, bits.Words()[1]);
    bits.Set(7);  // past the count: nothing
    EXPECT_FALSE(bits.Test(7));
    bits.Resize(40);
    for (u32 i = 5; i < 40; ++i)
        EXPECT_FALSE(bits.Test(i)) << i;
    bits.Clear(2);
    EXPECT_EQ(0x1Bu, bits.Words()[0]);
}
