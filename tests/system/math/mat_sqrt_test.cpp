#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "mat_sqrt.h"

namespace
{

constexpr f32 INF = std::numeric_limits<f32>::infinity();

f32 FromBits(u32 _bits)
{
    f32 value;
    std::memcpy(&value, &_bits, 4);
    return value;
}

TEST(MatSqrtTest, ExactValuesAndSpecialInputs)
{
    struct Case
    {
        f32 x;
        f32 root;
        f32 inverse;
    };
    const Case cases[] = {
        {4.0f, 2.0f, 0.5f},  {-4.0f, 2.0f, 0.5f},  // the sign is ignored
        {1.0f, 1.0f, 1.0f},  {16.0f, 4.0f, 0.25f}, {0.25f, 0.5f, 2.0f},      {1048576.0f, 1024.0f, 1.0f / 1024.0f},
        {0.0f, 0.0f, INF},   {-0.0f, 0.0f, INF},   {FromBits(1), 0.0f, INF},  // smallest denormal
        {1e-39f, 0.0f, INF}, {INF, INF, 0.0f},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.root, MAT_FastSqrt(c.x)) << c.x;
        EXPECT_EQ(c.inverse, MAT_FastInvSqrt(c.x)) << c.x;
    }
}

TEST(MatSqrtTest, RelativeErrorStaysBelowTwoToTheMinus14)
{
    // Every 4099th normal float: all exponents, mantissas spread over the whole table.
    const f64 bound = std::ldexp(1.0, -14);
    f64 worstRoot = 0.0, worstInverse = 0.0;
    for (u32 bits = 0x00800000u; bits < 0x7F800000u; bits += 4099u) {
        f32 x = FromBits(bits);
        f64 exact = std::sqrt((f64)x);
        worstRoot = std::fmax(worstRoot, std::fabs(MAT_FastSqrt(x) - exact) / exact);
        worstInverse = std::fmax(worstInverse, std::fabs(MAT_FastInvSqrt(x) * exact - 1.0));
    }
    EXPECT_LT(worstRoot, bound);
    EXPECT_LT(worstInverse, bound);
    // Rounding down to 13 mantissa bits does cost precision: it is not the hardware root.
    EXPECT_GT(worstRoot, std::ldexp(1.0, -20));
}

TEST(MatSqrtTest, TablesHoldRootsAndInversesOfTheirEntries)
{
    MAT_SqrtTables();
    MAT_SqrtTables();  // a second call changes nothing
    EXPECT_FALSE(MAT_sqrtPending);
    EXPECT_EQ(1.0f, MAT_sqrtMantissa[0].root);
    EXPECT_EQ(std::sqrt(1.5f), MAT_sqrtMantissa[4096].root);
    // The inverse comes from the unrounded root: 1 / sqrt(2) in double, rounded once.
    EXPECT_EQ((f32)(1.0 / std::sqrt(2.0)), MAT_sqrtExponent[128].inverse);
    EXPECT_EQ(0.0f, MAT_sqrtExponent[0].root);
    EXPECT_EQ(INF, MAT_sqrtExponent[0].inverse);
    EXPECT_EQ(INF, MAT_sqrtExponent[255].root);
    EXPECT_EQ(0.0f, MAT_sqrtExponent[255].inverse);
}

}  // namespace
