#include <gtest/gtest.h>

#include "mat_color.h"
#include "reb_color.h"

namespace
{

TEST(PackColorTest, ComponentsFloorIntoBlueGreenRedAndOpaqueAlpha)
{
    u8 bytes[4] = {};
    REB_PackColor(bytes, {0.1f, 0.5f, 1.0f});
    EXPECT_EQ(255, bytes[0]);
    EXPECT_EQ(127, bytes[1]);
    EXPECT_EQ(25, bytes[2]);
    EXPECT_EQ(255, bytes[3]);
}

TEST(PackColorTest, ValuesOutsideTheRangeSaturate)
{
    struct Case
    {
        f32 value;
        u8 byte;
    };
    for (const Case& c : {Case{-0.5f, 0}, Case{1.2f, 255}, Case{2.0f, 255}, Case{0.999f, 254}})
        EXPECT_EQ(c.byte, REB_ColorByte(c.value)) << c.value;
}

TEST(PackColorTest, EveryByteSurvivesTheWayToFloatsAndBack)
{
    for (s32 b = 0; b < 256; ++b) {
        const u8 bytes[4] = {(u8)b, (u8)b, (u8)b, 255};
        MAT_Vector3 color;
        MAT_ColorFromBytes(bytes, color);
        u8 packed[4] = {};
        REB_PackColor(packed, color);
        ASSERT_EQ(b, packed[0]) << b;
    }
}

}  // namespace
