#include "rem_foglayer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "test_dir.h"
#include "tools_fog.h"
#include "tools_tga.h"

namespace
{

// Every byte of layer l holds 3l + 1, so each layer is told apart by any byte.
u32 LayerColor(s32 _layer)
{
    const u32 b = (u32)(3 * _layer + 1);
    return b | b << 8 | b << 16 | b << 24;
}

u8 P(s32 _a, s32 _b) { return (u8)(_a * _b / 255); }

class FogLayerTest : public ::testing::Test
{
protected:
    TST_TempDir m_dir;
    // Before the fog layer: a layer index one past the stack must not find this map there as
    // a 65th layer holding the expected bytes.
    MOS_Map<u32> m_out;
    REM_FogLayer m_fog;

    void SetUp() override
    {
        m_out.Reconstruct(64, 64);
        std::memset(m_out.m_cells, 0xEE, 64 * 64 * 4);
    }

    void Load(const TOOL_Fog& _fog)
    {
        ASSERT_EQ(1u, TOOL_WriteFog("sea.fog", _fog));
        m_fog.LoadFromFile("sea.fog");
    }

    void WriteDensity(const std::vector<u8>& _alphas, s32 _height)
    {
        TOOL_TGA picture = TOOL_MakeTGA((s32)_alphas.size(), _height, 32, 0);
        for (size_t i = 0; i < picture.pixels.size(); ++i)
            picture.pixels[i] = (u32)_alphas[i % _alphas.size()] << 24 | 0x00102030;
        ASSERT_EQ(1u, TOOL_WriteTGA("density.tga", picture));
    }
};

TEST_F(FogLayerTest, LoadKeepsColumnsRowsAndColourBytes)
{
    TOOL_Fog fog;
    fog.rows = 3;
    fog.baseHeight = -5.0f;
    fog.depthStep = 4.0f;
    fog.layerSpacing = 2.0f;
    fog.pixels.resize(64 * 64 * 3);
    // Layer 7, column 5, row 2 gets R 0x11, G 0x22, B 0x33, A 0x44.
    fog.pixels[(7 * 64 + 5) * 3 + 2] = 0x44112233;
    Load(fog);

    EXPECT_EQ(64, m_fog.m_layerCount);
    EXPECT_EQ(3, m_fog.m_rows);
    EXPECT_EQ(-5.0f, m_fog.m_baseHeight);
    EXPECT_EQ(1.0f / 128.0f, m_fog.m_heightScale);
    EXPECT_EQ(1.0f / 12.0f, m_fog.m_depthScale);
    const u8* cell = (const u8*)&m_fog.m_layers[7][2][5];
    EXPECT_EQ(0x33, cell[0]);
    EXPECT_EQ(0x22, cell[1]);
    EXPECT_EQ(0x11, cell[2]);
    EXPECT_EQ(0x44, cell[3]);
    EXPECT_EQ(0u, m_fog.m_layers[7][1][5]);
    EXPECT_EQ(0u, m_fog.m_layers[7][2][4]);
}

TEST_F(FogLayerTest, BlendChoosesLayersAndWeightsByCameraHeight)
{
    Load(TOOL_MakeFog(64, 10.0f, 1.0f, 2.0f, LayerColor));
    struct Case
    {
        f32 height;
        s32 lower;
        s32 lowerWeight;
        s32 upperWeight;
    };
    const Case cases[] = {
        {10.0f + 2.5f * 2.0f, 2, 127, 127},  // half way between layers 2 and 3
        {10.0f, 0, 255, 0},                  // exactly on layer 0
        {3.0f, 0, 255, 0},                   // below the stack: layer 0 alone
        {10.0f + 62.25f * 2.0f, 62, 191, 63},
        {10.0f + 63.0f * 2.0f, 62, 0, 255},  // the top layer alone
        {10.0f + 63.5f * 2.0f, 62, 0, 255},  // inside the top layer's slice: still alone
        {1000.0f, 62, 0, 255},               // above the stack
        {std::numeric_limits<f32>::quiet_NaN(), 0, 255, 0},
    };
    for (const Case& c : cases) {
        m_fog.Blend(c.height, m_out);
        const u8 expected = (u8)(P(c.upperWeight, 3 * (c.lower + 1) + 1) + P(c.lowerWeight, 3 * c.lower + 1));
        const u8* out = (const u8*)m_out.m_cells;
        for (s32 i = 0; i < 64 * 64 * 4; ++i)
            ASSERT_EQ(expected, out[i]) << "height " << c.height << " byte " << i;
    }
}

TEST_F(FogLayerTest, BlendWritesOnlyTheLayersRowsAndLeavesAnEmptyFogAlone)
{
    m_fog.Blend(5.0f, m_out);  // nothing loaded
    EXPECT_EQ(0xEEEEEEEEu, m_out[0][0]);

    Load(TOOL_MakeFog(16, 0.0f, 1.0f, 1.0f, LayerColor));
    m_fog.Blend(0.0f, m_out);
    // 64 x 16 pixels of layer 0 (bytes 1) fill the first 16 rows of the map.
    EXPECT_EQ(0x01010101u, m_out[15][63]);
    EXPECT_EQ(0xEEEEEEEEu, m_out[16][0]);
}

TEST_F(FogLayerTest, RefusedFilesAreFatalWithThePathAndKeepTheOldLayers)
{
    const TOOL_Fog good = TOOL_MakeFog(8, 0.0f, 1.0f, 1.0f, LayerColor);
    Load(good);
    const std::string full = TOOL_FogBytes(good);

    auto with = [&](void (*_change)(TOOL_Fog&)) {
        TOOL_Fog fog = good;
        _change(fog);
        return TOOL_FogBytes(fog);
    };
    struct Case
    {
        std::string bytes;
        const char* caption;
    };
    const Case cases[] = {
        {full.substr(0, 19), "REM_FogLayer::LoadFromFile() file too short"},
        {full.substr(0, full.size() - 1), "REM_FogLayer::LoadFromFile() file too short"},
        {with([](TOOL_Fog& f) { f.layerCount = 32; }), "REM_FogLayer::LoadFromFile() layer count must be 64"},
        {with([](TOOL_Fog& f) { f.layerCount = 65; }), "REM_FogLayer::LoadFromFile() layer count must be 64"},
        {with([](TOOL_Fog& f) { f.rows = 0; }), "REM_FogLayer::LoadFromFile() rows must be 1 to 64"},
        {with([](TOOL_Fog& f) { f.rows = 65; }), "REM_FogLayer::LoadFromFile() rows must be 1 to 64"},
        {with([](TOOL_Fog& f) { f.rows = -1; }), "REM_FogLayer::LoadFromFile() rows must be 1 to 64"},
        {with([](TOOL_Fog& f) { f.layerSpacing = 0.0f; }), "REM_FogLayer::LoadFromFile() illegal layer spacing"},
        {with([](TOOL_Fog& f) { f.layerSpacing = std::numeric_limits<f32>::quiet_NaN(); }),
         "REM_FogLayer::LoadFromFile() illegal layer spacing"},
        {with([](TOOL_Fog& f) { f.layerSpacing = 1e38f; }), "REM_FogLayer::LoadFromFile() illegal layer spacing"},
        {with([](TOOL_Fog& f) { f.depthStep = 0.0f; }), "REM_FogLayer::LoadFromFile() illegal depth step"},
    };
    for (const Case& c : cases) {
        m_dir.Write("bad.fog", c.bytes);
        EXPECT_FATAL(m_fog.LoadFromFile("bad.fog"), c.caption, "bad.fog");
        EXPECT_EQ(64, m_fog.m_layerCount);
        EXPECT_EQ(8, m_fog.m_rows);
    }
    EXPECT_FATAL(m_fog.LoadFromFile("none.fog"), "REM_FogLayer::LoadFromFile() file not found", "none.fog");
}

TEST_F(FogLayerTest, DensityRisesOverTheStackAndRepeats)
{
    // An empty fog layer has no density, keys or not.
    EXPECT_EQ(0.0f, m_fog.Density(3.0f));
    WriteDensity({0, 255}, 1);
    m_fog.LoadDensityFile("density.tga");
    EXPECT_EQ(0.0f, m_fog.Density(3.0f));

    Load(TOOL_MakeFog(4, 100.0f, 1.0f, 0.5f, LayerColor));  // the stack spans 100..132
    EXPECT_EQ(2, m_fog.m_density.GetCount());
    EXPECT_EQ(0u, m_fog.m_density.GetFlags() & VFX_KeyTrack::FLAG_CLAMP);
    EXPECT_FLOAT_EQ(0.0f, m_fog.Density(100.0f));
    EXPECT_FLOAT_EQ(0.5f, m_fog.Density(116.0f));
    EXPECT_NEAR(0.99f, m_fog.Density(131.68f), 1e-4f);
    EXPECT_NEAR(0.0f, m_fog.Density(132.0f), 1e-4f);  // the curve starts again at the top
    EXPECT_FLOAT_EQ(0.25f, m_fog.Density(140.0f));
}

TEST_F(FogLayerTest, DensityPictureFaults)
{
    const char* place = "REM_FogLayer_Density::LoadDensityFile()";
    EXPECT_FATAL(m_fog.LoadDensityFile("none.tga"), place, "Density file not found.");
    WriteDensity({0, 255}, 2);
    EXPECT_FATAL(m_fog.LoadDensityFile("density.tga"), place,
                 "Height of fogdensity/color *,tga picture must be ONE pixel.");
    WriteDensity({128}, 1);
    EXPECT_FATAL(m_fog.LoadDensityFile("density.tga"),
                 "MAT_Interpolator_Linear_Scalar::MAT_Interpolator_Linear_Scalar()",
                 "minimum 2 scalars are needed for interpolation.");
}

}  // namespace
