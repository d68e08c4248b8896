// The plankton texture: a soft round dot inside the triangle a particle is drawn as, found by
// the texture loader under the names the plankton node registers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "dsp_texture.h"
#include "test_dir.h"
#include "tools_plants.h"

namespace
{

// The texture coordinates of a particle's three corners, as the particle-field generator
// gives them: an equilateral triangle on the texture's inscribed circle.
const f32 CORNERS[3][2] = {{1.0f, 0.5f}, {0.25f, 0.9330127f}, {0.25f, 0.0669873f}};

// Distance of the texture point (_u, _v) inside the triangle from its nearest edge, negative
// outside.
f32 InsideTriangle(f32 _u, f32 _v)
{
    f32 nearest = 1.0f;
    for (s32 k = 0; k < 3; ++k) {
        const f32* a = CORNERS[k];
        const f32* b = CORNERS[(k + 1) % 3];
        const f32 ex = b[0] - a[0], ey = b[1] - a[1];
        // The corners run counter-clockwise: the inside lies left of each edge.
        const f32 distance = (ex * (_v - a[1]) - ey * (_u - a[0])) / std::sqrt(ex * ex + ey * ey);
        nearest = std::min(nearest, distance);
    }
    return nearest;
}

TEST(ToolsPlanktonTextureTest, SoftRoundDotThatNoEdgeOfTheTriangleCuts)
{
    const TOOL_TGA dot = TOOL_PlanktonTexture();
    const s32 side = 1 << TOOL_PLANKTON_LEVEL;
    ASSERT_EQ(side, dot.width);
    ASSERT_EQ(side, dot.height);
    ASSERT_EQ(32, dot.depth);
    auto alpha = [&](s32 _x, s32 _y) { return (s32)(dot.pixels[(size_t)(_y * side + _x)] >> 24); };

    EXPECT_GE(alpha(side / 2, side / 2), 250);  // opaque at the centre
    s32 steepest = 0;
    for (s32 y = 0; y < side; ++y)
        for (s32 x = 0; x < side; ++x) {
            const u32 pixel = dot.pixels[(size_t)(y * side + x)];
            ASSERT_EQ(0x00FFFFFFu, pixel & 0x00FFFFFFu) << x << " " << y;  // white, even where clear
            // Round: the same at each mirror image.
            ASSERT_EQ(alpha(x, y), alpha(side - 1 - x, y));
            ASSERT_EQ(alpha(x, y), alpha(y, x));
            // Filtering reads a texel's neighbours: clear wherever a texel lies within one
            // texel of an edge, or outside.
            const f32 u = ((f32)x + 0.5f) / (f32)side, v = ((f32)y + 0.5f) / (f32)side;
            if (InsideTriangle(u, v) < 1.0f / (f32)side) {
                ASSERT_EQ(0, alpha(x, y)) << x << " " << y;
            }
            if (x > 0)
                steepest = std::max(steepest, std::abs(alpha(x, y) - alpha(x - 1, y)));
        }
    // Soft: the dot fades over many texels, with no step that reads as an edge.
    EXPECT_LT(steepest, 40);
    // Most of the triangle's inscribed circle carries the dot.
    EXPECT_GT(alpha(side / 2 + side / 5, side / 2), 0);
}

TEST(ToolsPlanktonTextureTest, TheTextureLoaderFindsEveryLayersFile)
{
    TST_TempDir dir;
    EXPECT_EQ(0u, TOOL_WritePlanktonTextures(dir.Path()));  // directories are not made
    dir.Write("vfx/tex/fx/.keep", "");
    ASSERT_EQ(1u, TOOL_WritePlanktonTextures(dir.Path()));
    for (s32 layer = 0; layer < TOOL_PLANKTON_LAYERS; ++layer) {
        SCOPED_TRACE(layer);
        EXPECT_EQ(DSP_TEXTURE_A8R8G8B8, DSP_Texture::CheckTGA(TOOL_PlanktonTextureName(layer), TOOL_PLANKTON_LEVEL));
        EXPECT_TRUE(dir.Exists(TOOL_PlanktonTextureFile(layer)));
    }
    EXPECT_EQ("", TOOL_PlanktonTextureFile(TOOL_PLANKTON_LAYERS));
}

}  // namespace
