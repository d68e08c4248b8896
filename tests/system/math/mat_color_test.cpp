#include <gtest/gtest.h>

#include "mat_color.h"

namespace
{

TEST(ColorTest, BytesBecomeRedGreenBlueOverTheirFullRange)
{
    const u8 bytes[4] = {255, 51, 0, 7};  // B, G, R, A
    MAT_Vector3 color{9.0f, 9.0f, 9.0f};
    MAT_ColorFromBytes(bytes, color);
    EXPECT_EQ(0.0f, color.x);
    EXPECT_FLOAT_EQ(0.2f, color.y);
    EXPECT_EQ(1.0f, color.z);
}

}  // namespace
