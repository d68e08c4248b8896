#include <gtest/gtest.h>

#include "mat_round.h"

namespace
{
struct Case
{
    f32 x;
    s32 expected;
};

// x - 0.49999988 rounded to nearest, ties to even: floor for most values, but values just
// below an integer can reach it.
TEST(MatRoundTest, FloorByRoundingAroundHalfAndIntegerBoundaries)
{
    const Case cases[] = {
        {0.0f, 0},
        {-0.0f, 0},
        {1e-8f, 0},
        {0.49999988f, 0},
        {0.5f, 0},
        {0.99999988f, 0},  // difference exactly 0.5: the tie goes to the even 0
        {0.99999994f, 1},  // just below 1, yet 1
        {1.0f, 1},
        {1.5f, 1},
        {1.99999988f, 2},  // difference exactly 1.5: the tie goes to the even 2
        {2.0f, 2},
        {2.5f, 2},
        {3.0f, 3},  // a tie in single precision; exact in double
        {5.0f, 5},
        {7.0f, 7},
        {3.5f, 3},
        {-1e-8f, 0},
        {-0.25f, -1},
        {-0.5f, -1},
        {-1.0f, -1},
        {-1.5f, -2},
        {-1.99999988f, -2},
        {-2.5f, -3},
        {8388607.5f, 8388607},
        {16777216.0f, 16777216},
        {-8388608.0f, -8388608},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, MAT_FloorByRounding(c.x)) << c.x;
    EXPECT_EQ(2147483647, MAT_FloorByRounding(1e20f));
    EXPECT_EQ(-2147483647 - 1, MAT_FloorByRounding(-1e20f));
    EXPECT_EQ(0, MAT_FloorByRounding(NAN));
}

// x + 0.49999988 rounded to nearest, ties to even: the mirror of the floor, so values just
// above an integer can stay on it.
TEST(MatRoundTest, CeilByRoundingAroundHalfAndIntegerBoundaries)
{
    const Case cases[] = {
        {0.0f, 0},
        {-0.0f, 0},
        {1e-8f, 0},          // just above an integer, yet that integer
        {1.1920929e-7f, 0},  // sum exactly 0.5: the tie goes to the even 0
        {0.5f, 1},
        {0.99999994f, 1},
        {1.0f, 1},
        {1.00000012f, 2},  // sum exactly 1.5: the tie goes to the even 2
        {1.5f, 2},
        {2.0f, 2},
        {3.0f, 3},
        {5.0f, 5},
        {-1e-8f, 0},
        {-0.25f, 0},
        {-0.5f, 0},
        {-0.99999994f, -1},  // just above -1, yet -1
        {-1.0f, -1},
        {-1.5f, -1},
        {-2.5f, -2},
        {8388607.5f, 8388608},
        {16777216.0f, 16777216},
        {-8388608.0f, -8388608},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, MAT_CeilByRounding(c.x)) << c.x;
    EXPECT_EQ(2147483647, MAT_CeilByRounding(1e20f));
    EXPECT_EQ(-2147483647 - 1, MAT_CeilByRounding(-1e20f));
    EXPECT_EQ(0, MAT_CeilByRounding(NAN));
}
}  // namespace
