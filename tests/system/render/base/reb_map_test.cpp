#include "reb_fixture.h"
#include "reb_map.h"
#include "vec_mesh.h"

using RebMapTest = RenderBaseTest;

TEST_F(RebMapTest, BlendModesBecomeRenderStates)
{
    struct Case
    {
        u8 blendMode, alpha, flags, depthBias;
        s32 renderMode;
        u32 source, destination, alphaTest, cull, zWrite;
    };
    const Case cases[] = {
        {0, 255, 3, 0, 0, 2, 1, 1, 3, 1},                                    // opaque: the only case that culls
        {0, 200, 3, 0, 0, 2, 1, 1, 1, 1}, {1, 255, 1, 0, 0, 5, 2, 1, 1, 1},  // additive
        {2, 128, 3, 4, 0, 5, 6, 1, 1, 1},                                    // filter
        {3, 255, 0, 0, 0, 9, 2, 0, 1, 0},                                    // multiplicative
        {4, 255, 2, 9, 0, 1, 4, 0, 1, 0},                                    // inverse
        {5, 255, 3, 0, 1, 9, 6, 1, 1, 1},
    };
    for (const Case& c : cases) {
        VEC_Map map;
        map.blendMode = c.blendMode;
        map.alpha = c.alpha;
        map.flags = c.flags;
        map.depthBias = c.depthBias;
        m_display->SetRenderState(DSP_RS_FILLMODE, 2);
        REB_Map::SetMapToRenderState(&map, c.renderMode);

        u32 expected[DSP_RS_COUNT] = {1, 2, c.zWrite,          c.alphaTest, c.source, c.destination, c.cull, 4,
                                      0, 5, (u32)c.renderMode, c.depthBias, 0};
        for (s32 i = 0; i < DSP_RS_COUNT; i++) {
            u32 value = 0xDEAD;
            m_display->GetRenderState(i, &value);
            EXPECT_EQ(expected[i], value) << "mode " << (s32)c.blendMode << " alpha " << (s32)c.alpha << " state " << i;
        }
        // What the cache holds is what the device got.
        EXPECT_EQ(c.cull, Device().renderStates[DEV_RS_CULLMODE]);
        EXPECT_EQ(c.source, Device().renderStates[DEV_RS_SRCBLEND]);
        EXPECT_EQ((u32)c.depthBias, Device().renderStates[DEV_RS_ZBIAS]);
    }
}

TEST_F(RebMapTest, StageZeroModulatesTheMapsTextureAndStageOneIsOff)
{
    m_display->Texture_Create(5, 7, 2, 1);
    // Leave the stages in states the conversion must undo.
    m_display->SetTextureStageState(0, DSP_TSS_COLOROP, 2);
    m_display->SetTextureStageState(0, DSP_TSS_ADDRESSU, 3);
    m_display->SetTextureStageState(0, DSP_TSS_MIPFILTER, 2);
    m_display->SetTextureStageState(0, DSP_TSS_TEXCOORDINDEX, 1);
    m_display->SetTextureStageState(1, DSP_TSS_COLOROP, 4);

    VEC_Map map;
    map.textureId = 5;
    REB_Map::SetMapToRenderState(&map, 0);

    std::map<u32, u32>& stage0 = Device().stageStates[0];
    EXPECT_EQ(4u, stage0[DEV_TSS_COLOROP]);
    EXPECT_EQ(0u, stage0[DEV_TSS_COLORARG1]);
    EXPECT_EQ(2u, stage0[DEV_TSS_COLORARG2]);
    EXPECT_EQ(4u, stage0[DEV_TSS_ALPHAOP]);
    EXPECT_EQ(0u, stage0[DEV_TSS_ALPHAARG1]);
    EXPECT_EQ(2u, stage0[DEV_TSS_ALPHAARG2]);
    EXPECT_EQ(0u, stage0[DEV_TSS_TEXCOORDINDEX]);
    EXPECT_EQ(1u, stage0[DEV_TSS_ADDRESSU]);
    EXPECT_EQ(1u, stage0[DEV_TSS_ADDRESSV]);
    EXPECT_EQ(2u, stage0[DEV_TSS_MAGFILTER]);
    EXPECT_EQ(2u, stage0[DEV_TSS_MINFILTER]);
    EXPECT_EQ(1u, stage0[DEV_TSS_MIPFILTER]);
    EXPECT_EQ(0u, stage0[DEV_TSS_MIPMAPLODBIAS]);
    EXPECT_NE(0u, Device().stageTextures[0]);
    EXPECT_EQ(1u, Device().stageStates[1][DEV_TSS_COLOROP]);

    // A map without a texture unbinds the stage's.
    map.textureId = VEC_NO_TEXTURE;
    REB_Map::SetMapToRenderState(&map, 0);
    EXPECT_EQ(0u, Device().stageTextures[0]);
}

TEST_F(RebMapTest, UnknownBlendModeIsFatalBeforeAnyState)
{
    VEC_Map map;
    map.blendMode = 6;
    map.alpha = 10;
    EXPECT_FATAL(REB_Map::SetMapToRenderState(&map, 0), "REB_Map::SetMapToRenderState(RenderMode)", "illegal mode");
    EXPECT_EQ(0u, m_fake.Count("SetRenderState"));
    EXPECT_EQ(0u, m_fake.Count("SetTextureStageState"));
}
