// The standard set: its one program drawn with the states of the material's diffuse map, and
// on the GL device the lit, glowing, see-through colour against its formula for each blend.
#include "rep_object_fixture.h"
#include "rep_pixel_fixture.h"
#include "rep_standard.h"

namespace
{

// ---- through the recording fake ----

using RepStandardTest = TST_ObjectFakeTest;

TEST_F(RepStandardTest, DrawsWithTheStatesOfTheDiffuseMap)
{
    struct Case
    {
        u8 blendMode, alpha, flags, depthBias;
        u32 source, destination, zWrite, cull;
    };
    const Case cases[] = {
        {0, 255, VEC_MAP_DEPTHBUFFERED, 0, DEV_BLEND_ONE, DEV_BLEND_ZERO, 1, DEV_CULL_CCW},
        {1, 255, 0, 3, DEV_BLEND_SRCALPHA, DEV_BLEND_ONE, 0, DEV_CULL_NONE},
        {2, 200, VEC_MAP_DEPTHBUFFERED, 1, DEV_BLEND_SRCALPHA, DEV_BLEND_INVSRCALPHA, 1, DEV_CULL_NONE},
    };
    REP_Standard standard;
    standard.Create();
    ASSERT_EQ(1u, m_fake.Count("CreateVertexShader"));
    const DEV_Handle program = Device().vertexShaders.begin()->first;
    Texture(7);
    REB_Material* material = Mesh({6})->GetMaterial(0);
    material->firstIndex = 3;
    material->firstVertex = 2;
    material->material.diffuseMap.textureId = 7;
    for (const Case& c : cases) {
        VEC_Map& map = material->material.diffuseMap;
        map.blendMode = c.blendMode;
        map.alpha = c.alpha;
        map.flags = c.flags;
        map.depthBias = c.depthBias;
        ForgetCalls();
        standard.Draw(*material);
        EXPECT_EQ(program, Device().vertexShader);
        std::map<u32, u32>& states = Device().renderStates;
        EXPECT_EQ(c.source, states[DEV_RS_SRCBLEND]) << (s32)c.blendMode;
        EXPECT_EQ(c.destination, states[DEV_RS_DESTBLEND]) << (s32)c.blendMode;
        EXPECT_EQ(c.zWrite, states[DEV_RS_ZWRITEENABLE]) << (s32)c.blendMode;
        EXPECT_EQ((u32)c.depthBias, states[DEV_RS_ZBIAS]) << (s32)c.blendMode;
        EXPECT_EQ(c.cull, states[DEV_RS_CULLMODE]) << (s32)c.blendMode;
        EXPECT_EQ(Device().textures.begin()->first, Device().stageTextures[0]);
        EXPECT_EQ((u32)DEV_TOP_DISABLE, Device().stageStates[1][DEV_TSS_COLOROP]);
        EXPECT_EQ(std::vector<std::string>{"DrawIndexedPrimitive 4 2 3 3 2"}, m_fake.Matching("DrawIndexedPrimitive"));
    }
    standard.Release();
    EXPECT_EQ(0, standard.vertexShader);
    EXPECT_TRUE(Device().vertexShaders.empty());
}

// ---- on the GL device ----

using Color = TST_PixelTest::Color;

class RepStandardPixelTest : public TST_PixelTest
{
protected:
    void SetUp() override
    {
        TST_PixelTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        m_standard.Create();
    }

    void TearDown() override
    {
        if (m_display != nullptr)
            m_standard.Release();
        TST_PixelTest::TearDown();
    }

    REP_Standard m_standard;
};

TEST_F(RepStandardPixelTest, LitGlowingColourBlendsByTheMapsMode)
{
    constexpr u32 BACKGROUND = 0xFF806040u;
    constexpr u32 VERTEX_COLOR = 0xCCE6CCB3u;
    constexpr u32 TEXEL = 0xC0A08060u;
    const Color ambient = {0.20f, 0.15f, 0.10f, 0.9f};
    const Color front = {0.50f, 0.45f, 0.30f, 0.0f};
    const Color back = {0.10f, 0.25f, 0.40f, 0.0f};
    const Color glow = {0.05f, 0.10f, 0.0f, 0.0f};
    PassThrough();
    REP_SetConstant4(50, glow.r, glow.g, glow.b, 0.0f);
    REP_SetConstant4(51, ambient.r, ambient.g, ambient.b, ambient.a);
    REP_SetConstant4(53, front.r, front.g, front.b, 0.0f);
    REP_SetConstant4(54, back.r, back.g, back.b, 0.0f);
    REP_SetConstant4(55, 0.0f, 1.0f, 0.0f, 0.0f);
    // The vertices carry (0.75, 0.75): the texel at row 1, column 1 of four.
    Texture(1, 1, {0xFFE00000u, 0xFF00E000u, 0xFF0000E0u, TEXEL});

    struct Case
    {
        const char* name;
        u8 blendMode;
        f32 normalY;  // N = (0, y, 0.8): lit from the front or the back
    };
    const Case cases[] = {
        {"opaque, front", 0, 0.6f}, {"additive, back", 1, -0.6f},       {"filter, front", 2, 0.6f},
        {"filter, back", 2, -0.6f}, {"multiplicative, front", 3, 0.6f},
    };
    const Color vertex = Unpack(VERTEX_COLOR);
    const Color texel = Unpack(TEXEL);
    const Color frame = Unpack(BACKGROUND);
    for (const Case& c : cases) {
        REB_Material& material = *ScreenQuad({0.0f, c.normalY, 0.8f}, VERTEX_COLOR, 0.75f, 0.75f)->GetMaterial(0);
        material.material.diffuseMap.textureId = 1;
        material.material.diffuseMap.blendMode = c.blendMode;
        material.material.diffuseMap.alpha = 200;
        Frame(BACKGROUND, [&] { m_standard.Draw(material); });

        const f32 d = c.normalY;
        auto channel = [&](f32 _ambient, f32 _front, f32 _back, f32 _vertex, f32 _glow, f32 _texel) {
            const f32 light = _ambient + _front * (d > 0.0f ? d : 0.0f) - _back * (d < 0.0f ? d : 0.0f);
            return Saturate(light * _vertex + _glow) * _texel;
        };
        const Color source = {channel(ambient.r, front.r, back.r, vertex.r, glow.r, texel.r),
                              channel(ambient.g, front.g, back.g, vertex.g, glow.g, texel.g),
                              channel(ambient.b, front.b, back.b, vertex.b, glow.b, texel.b),
                              Saturate(ambient.a * vertex.a) * texel.a};
        auto blend = [&](f32 _s, f32 _f) {
            switch (c.blendMode) {
            case 0:
                return _s;
            case 1:
                return _s * source.a + _f;
            case 2:
                return _s * source.a + _f * (1.0f - source.a);
            default:
                return _s * _f + _f;
            }
        };
        const Color expected = {blend(source.r, frame.r), blend(source.g, frame.g), blend(source.b, frame.b), 0.0f};
        EXPECT_TRUE(RgbNear(PackRgb(expected), Centre())) << c.name;
    }
}

}  // namespace
