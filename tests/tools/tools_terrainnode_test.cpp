// The terrain directory's light map: neutral on level ground, shaded by the slope of the height
// field it belongs to (laid out as the tile's texture coordinates read it), and found by the
// texture loader under the name the terrain node registers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dsp_texture.h"
#include "test_dir.h"
#include "tools_terrainnode.h"

namespace
{

u32 Grey(u32 _pixel) { return _pixel & 0xFFu; }
u32 Alpha(u32 _pixel) { return _pixel >> 24; }

// A field of _size x _size samples whose height is _height(x, y).
template <typename Height>
TOOL_TerrainDirectory Field(s32 _size, Height _height)
{
    TOOL_TerrainDirectory terrain;
    terrain.size = _size;
    terrain.scale[0] = terrain.scale[1] = 8.0f;
    terrain.heights.resize((size_t)(_size * _size));
    for (s32 y = 0; y < _size; ++y)
        for (s32 x = 0; x < _size; ++x)
            terrain.heights[(size_t)(y * _size + x)] = _height(x, y);
    return terrain;
}

TEST(ToolsTerrainLightmapTest, LevelGroundIsNeutralGreyWithFullCaustics)
{
    // Sample count -> level of the map's side: two texels a sample step, from 4 x 4 up to 256 x 256.
    const struct
    {
        s32 size;
        s32 level;
    } cases[] = {{2, 2}, {3, 2}, {5, 3}, {17, 5}, {33, 6}, {129, 8}, {257, 8}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        EXPECT_EQ(c.level, TOOL_TerrainLightmapLevel(c.size));
        for (u16 height : {(u16)0, (u16)40000}) {
            const TOOL_TGA map = TOOL_TerrainLightmap(Field(c.size, [&](s32, s32) { return height; }));
            ASSERT_EQ(1 << c.level, map.width);
            ASSERT_EQ(1 << c.level, map.height);
            EXPECT_EQ(32, map.depth);
            for (u32 pixel : map.pixels)
                ASSERT_EQ(0xFF808080u, pixel);
        }
    }
}

TEST(ToolsTerrainLightmapTest, SlopesFacingTheSunBrighterTurnedAwayDarker)
{
    // The sun stands high towards +x and +y: ground falling towards it is lit more than level
    // ground, ground rising towards it less, and steep ground turned away gets no caustics.
    const struct
    {
        s32 dx, dy;  // height units gained per sample step
        bool brighter;
    } cases[] = {{-2, 0, true}, {0, -2, true}, {2, 0, false}, {0, 2, false}, {-2, -2, true}, {2, 2, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dx << " " << c.dy);
        const TOOL_TGA map =
            TOOL_TerrainLightmap(Field(17, [&](s32 _x, s32 _y) { return (u16)(200 + c.dx * _x + c.dy * _y); }));
        // A texel well inside the field, away from its clamped edges.
        const u32 pixel = map.pixels[(size_t)(map.height / 2 * map.width + map.width / 2)];
        EXPECT_EQ(Grey(pixel), (pixel >> 8) & 0xFFu);
        EXPECT_EQ(Grey(pixel), (pixel >> 16) & 0xFFu);
        if (c.brighter) {
            EXPECT_GT(Grey(pixel), 0x82u);
            EXPECT_EQ(255u, Alpha(pixel));
        } else {
            EXPECT_LT(Grey(pixel), 0x7Au);
            EXPECT_LT(Alpha(pixel), 240u);
        }
    }
    // A wall turned away from the sun still gets the water's scattered light.
    const TOOL_TGA wall = TOOL_TerrainLightmap(Field(17, [](s32 _x, s32) { return (u16)(5000 * _x); }));
    const u32 pixel = wall.pixels[(size_t)(wall.height / 2 * wall.width + wall.width / 2)];
    EXPECT_EQ(0u, Alpha(pixel));
    EXPECT_GT(Grey(pixel), 0x20u);
    EXPECT_LT(Grey(pixel), 0x60u);
}

TEST(ToolsTerrainLightmapTest, FieldRowZeroIsThePicturesBottomRow)
{
    // A slope across the field's lower rows only, level ground above: the picture's lower half
    // is shaded and its upper half neutral, as the height picture lists the same rows.
    const TOOL_TGA map = TOOL_TerrainLightmap(Field(17, [](s32, s32 _y) { return (u16)(_y < 8 ? 2 * (8 - _y) : 0); }));
    const s32 side = map.width;
    for (s32 row = 0; row < side; ++row) {
        const u32 pixel = map.pixels[(size_t)(row * side + side / 2)];
        if (row < side / 2 - 2) {
            EXPECT_EQ(0xFF808080u, pixel) << "picture row " << row;
        } else if (row > side / 2 + 2) {
            EXPECT_GT(Grey(pixel), 0x80u) << "picture row " << row;
        }
    }
}

TEST(ToolsTerrainLightmapTest, TheTextureLoaderFindsTheLevelTheDirectoryWrites)
{
    TST_TempDir dir;
    for (s32 size : {5, 33}) {
        SCOPED_TRACE(size);
        TOOL_TerrainDirectory terrain;
        terrain.directory = "ground" + std::to_string(size);
        terrain.size = size;
        for (const auto& file : TOOL_TerrainDirectoryFiles(terrain))
            dir.Write(file.first, file.second);
        const std::string name = TOOL_TerrainDirectoryName(terrain) + "\\lightmap";
        const s32 level = TOOL_TerrainLightmapLevel(size);
        EXPECT_EQ(DSP_TEXTURE_A8R8G8B8, DSP_Texture::CheckTGA(name.c_str(), level));
        for (s32 other = 0; other <= 8; ++other)
            if (other != level) {
                EXPECT_EQ(DSP_TEXTURE_NONE, DSP_Texture::CheckTGA(name.c_str(), other)) << other;
            }
    }
}

}  // namespace
