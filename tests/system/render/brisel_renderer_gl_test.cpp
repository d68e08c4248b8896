// One frame of a small scene through the whole renderer on the GL display: sky, a terrain
// patch, two objects under fog, a billboard, a trail, a particle, plankton, an overlay quad and
// text, each found in the screenshot where the camera puts it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "brisel_scene_data.h"
#include "gl_fixture.h"
#include "test_dir.h"

namespace
{

struct Rgb
{
    s32 r, g, b;
};

// The scene of TST_FrameScene on the GL display.
class RendererGLTest : public TST_GLTest
{
protected:
    void SetUp() override
    {
        TST_GLTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        TST_WriteFrameSceneData(m_dir);
        m_frame.reset(new TST_FrameScene());
    }

    void TearDown() override
    {
        m_frame.reset();
        TST_GLTest::TearDown();
    }

    // The screenshot's pixel at column _x, row _y (row 0 at the top).
    Rgb PixelAt(s32 _x, s32 _y) const
    {
        const u32 color = Pixel(_x, _y);
        return {(s32)(color >> 16 & 0xFF), (s32)(color >> 8 & 0xFF), (s32)(color & 0xFF)};
    }

    TST_TempDir m_dir;
    std::unique_ptr<TST_FrameScene> m_frame;
};

::testing::AssertionResult Near(const Rgb& _pixel, s32 _r, s32 _g, s32 _b, s32 _tolerance)
{
    if (std::abs(_pixel.r - _r) <= _tolerance && std::abs(_pixel.g - _g) <= _tolerance &&
        std::abs(_pixel.b - _b) <= _tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << _pixel.r << ", " << _pixel.g << ", " << _pixel.b << ") is not near ("
                                         << _r << ", " << _g << ", " << _b << ")";
}

// The eye sits at the origin looking along +y with a 90 degree view: a point (x, y, z) lands
// on the screen at (320 + 320 x / y, 240 - 320 z / y).
TEST_F(RendererGLTest, OneFrameShowsEveryKindOfContentWhereTheCameraPutsIt)
{
    ASSERT_TRUE(m_frame->Build());
    m_frame->Frame(0.0f);
    ReadBack();

    // The sky wall, untouched by fog (its density is 0).
    EXPECT_TRUE(Near(PixelAt(40, 40), 0, 0, 160, 8));
    EXPECT_TRUE(Near(PixelAt(600, 100), 0, 0, 160, 8));
    // Additive billboard, particle and trail over the sky.
    EXPECT_TRUE(Near(PixelAt(320, 176), 255, 0, 160, 12));
    EXPECT_TRUE(Near(PixelAt(533, 176), 0, 255, 160, 12));
    const Rgb trailPixel = PixelAt(220, 80);
    EXPECT_GT(trailPixel.r, 120);
    EXPECT_EQ(trailPixel.r, trailPixel.g);
    EXPECT_GT(trailPixel.b, 200);
    // Both objects are drawn over the sky; the far one is nearer to the fog's green.
    const Rgb nearObject = PixelAt(224, 176);
    const Rgb farObject = PixelAt(465, 176);
    EXPECT_LT(nearObject.b, 100);
    EXPECT_LT(farObject.b, 100);
    EXPECT_GT(farObject.g - farObject.r, nearObject.g - nearObject.r + 80);
    EXPECT_GT(farObject.g, 150);
    // The terrain fills the lower screen, greener where it is farther.
    const Rgb nearGround = PixelAt(320, 470);
    const Rgb farGround = PixelAt(320, 300);
    EXPECT_GT(nearGround.r, nearGround.b);
    EXPECT_LT(farGround.b, 100);
    EXPECT_GT(farGround.g - farGround.r, nearGround.g - nearGround.r + 40);
    // The overlay quad and the text over it all.
    EXPECT_TRUE(Near(PixelAt(560, 400), 255, 128, 0, 6));
    EXPECT_TRUE(Near(PixelAt(68 + 5, 368 + 2), 255, 255, 255, 12));
    EXPECT_FALSE(Near(PixelAt(68 + 40, 368 + 40), 255, 255, 255, 40));
    // Plankton: its additive olive specks over the sky.
    s32 specks = 0;
    for (s32 y = 0; y < 140; ++y)
        for (s32 x = 0; x < WIDTH; ++x)
            specks += Near(PixelAt(x, y), 128, 128, 160, 24) ? 1 : 0;
    EXPECT_GT(specks, 20);
}

}  // namespace
