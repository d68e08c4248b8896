#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "mat_clamp.h"

namespace
{

TEST(MatClampTest, BoundsBothSidesAndSendsNanToTheUpperBound)
{
    struct Case
    {
        f32 x;
        f32 lo;
        f32 hi;
        f32 expected;
    };
    const Case cases[] = {
        {-8.0f, -5.0f, 5.0f, -5.0f},
        {8.0f, -5.0f, 5.0f, 5.0f},
        {2.5f, -5.0f, 5.0f, 2.5f},
        {-5.0f, -5.0f, 5.0f, -5.0f},
        {5.0f, -5.0f, 5.0f, 5.0f},
        {0.0f, -0.0f, 0.0f, 0.0f},
        {std::numeric_limits<f32>::quiet_NaN(), -5.0f, 5.0f, 5.0f},
        {-std::numeric_limits<f32>::infinity(), -5.0f, 5.0f, -5.0f},
        // An inverted range: the lower test comes first.
        {0.0f, 1.0f, -1.0f, 1.0f},
        {3.0f, 1.0f, -1.0f, -1.0f},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, MAT_Clamp(c.x, c.lo, c.hi)) << c.x << " in [" << c.lo << ", " << c.hi << "]";
}

TEST(MatClampTest, AngleDifferenceTakesTheShorterWayRound)
{
    struct Case
    {
        f32 from;
        f32 to;
        f32 expected;
    };
    const Case cases[] = {
        {0.0f, 1.0f, 1.0f},
        {1.0f, 0.0f, -1.0f},
        {3.0f, -3.0f, -6.0f + 6.2831855f},  // through pi, not a turn of -6
        {-3.0f, 3.0f, 6.0f - 6.2831855f},
        {0.5f, 0.5f + 6.2831855f, 0.0f},  // the same direction one turn on
        {7.0f, 0.0f, 6.2831855f - 7.0f},  // from is wrapped first
        {0.0f, 3.1415927f, -3.1415927f},  // exactly half a turn is -pi
        {-3.1415927f, 0.0f, -3.1415927f},
    };
    for (const Case& c : cases) {
        f32 difference = MAT_AngleDifference(c.from, c.to);
        EXPECT_NEAR(c.expected, difference, 1e-6f) << c.from << " -> " << c.to;
        EXPECT_GE(difference, -3.1415927f);
        EXPECT_LT(difference, 3.1415927f);
    }
    EXPECT_NEAR(0.2831853f, MAT_AngleDifference(3.0f, -3.0f), 1e-6f);
}

}  // namespace
