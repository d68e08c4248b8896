// The sky pass: the fog density as the texture factor, the sky placed at the eye with its fog
// rows, every material drawn; on GL the blend of sky and fog.
#include <algorithm>
#include <cmath>
#include <limits>

#include "rem_foglayer.h"
#include "rep_clear.h"
#include "rep_smallpass_fixture.h"

namespace
{

class ClearTest : public TST_PassTest
{
protected:
    void SetUp() override
    {
        TST_PassTest::SetUp();
        m_clear.Create();
        TST_UseCamera(m_transform, m_camera);
    }

    void TearDown() override
    {
        m_clear.Release();
        TST_PassTest::TearDown();
    }

    REP_Clear m_clear;
    VEC_Camera m_camera;
    VEC_TransformState m_transform;
};

TEST_F(ClearTest, FogDensityIsTruncatedIntoEveryByteOfTheTextureFactor)
{
    struct Case
    {
        f32 density;
        u32 factor;
    };
    const Case cases[] = {
        {0.0f, 0x00000000u},
        {1.0f, 0xFFFFFFFFu},
        {0.999f, 0xFEFEFEFEu},  // 254.7: truncated, not rounded
        {0.5f, 0x7F7F7F7Fu},
        // Outside 0..1 the byte is clamped rather than spilling into its neighbours.
        {1.5f, 0xFFFFFFFFu},
        {-0.25f, 0x00000000u},
        {std::numeric_limits<f32>::quiet_NaN(), 0x00000000u},
    };
    REB_Mesh* sky = Mesh({{3, 3}});
    for (const Case& c : cases) {
        m_clear.fogDensity = c.density;
        m_clear.Render(sky, m_camera, m_transform);
        u32 factor = 0;
        m_display->GetRenderState(DSP_RS_TEXTUREFACTOR, &factor);
        EXPECT_EQ(c.factor, factor) << "density " << c.density;
        EXPECT_EQ(c.factor, Device().renderStates[DEV_RS_TEXTUREFACTOR]) << "density " << c.density;
    }
}

TEST_F(ClearTest, SkySitsAtTheEyeScaledByNearPlusFarWithDoubledFogRows)
{
    VEC_Camera camera;
    camera.SetProjection(-1.0f, 1.0f, -0.75f, 0.75f, 2.0f, 98.0f, 1.0f);
    MAT_Matrix34 placement;
    placement.r.SetDiagonal(1.0f);
    placement.t = {10.0f, 20.0f, 30.0f};
    camera.SetTransform(placement);
    TST_UseCamera(m_transform, camera);

    REM_FogLayer fog;
    fog.m_baseHeight = 5.0f;
    fog.m_heightScale = 0.01f;
    fog.m_depthScale = 0.001f;
    m_clear.fogLayer = &fog;
    m_clear.Render(Mesh({{3, 3}}), camera, m_transform);

    // Scale near + far = 100, no turn, at the eye.
    const MAT_Matrix34& world = m_transform.GetWorld();
    EXPECT_EQ(placement.t, world.t);
    const f32 expectedAxes[9] = {100.0f, 0.0f, 0.0f, 0.0f, 100.0f, 0.0f, 0.0f, 0.0f, 100.0f};
    for (s32 i = 0; i < 9; ++i)
        EXPECT_FLOAT_EQ(expectedAxes[i], world.r.m[i]) << i;

    // The sky point (0, 0.5, 0) lies 50 ahead of the eye; c3..c6 project it.
    const f32 point[4] = {0.0f, 0.5f, 0.0f, 1.0f};
    f32 expected[4];
    TST_Project(camera.GetProjection(), {0.0f, 50.0f, 0.0f}, expected);
    for (s32 row = 0; row < 4; ++row) {
        const f32* c = Device().constants[3 + row];
        EXPECT_NEAR(expected[row], c[0] * point[0] + c[1] * point[1] + c[2] * point[2] + c[3] * point[3], 1e-4f)
            << "row " << row;
    }

    // Height (30 - 5 above the base, z axis 100) and depth (y axis 100), then x, y, z doubled.
    const f32 rows[4][4] = {
        {0.0f, 0.0f, 1.0f, 0.25f}, {0.0f, 0.1f, 0.0f, 0.0f}, {0.0f, 0.0f, 2.0f, 0.25f}, {0.0f, 0.2f, 0.0f, 0.0f}};
    for (s32 r = 0; r < 4; ++r) {
        for (s32 k = 0; k < 4; ++k) {
            EXPECT_NEAR(rows[r][k], Device().constants[7 + r][k], 1e-6f) << "c" << 7 + r << "[" << k << "]";
            EXPECT_EQ(Device().constants[7 + r][k], REP_VertexShaderConstants[7 + r][k]);
        }
    }
}

TEST_F(ClearTest, EveryMaterialGoesToTheDrawAndOneWithoutIndicesDrawsNothing)
{
    const DEV_Handle first = Texture(3);
    const DEV_Handle empty = Texture(4);
    const DEV_Handle last = Texture(5);
    const DEV_Handle fog = Texture(10);
    REB_Mesh* sky = Mesh({{6, 4}, {0, 0}, {3, 3}});
    for (s32 i = 0; i < 3; ++i)
        sky->GetMaterial(i)->material.diffuseMap.textureId = (u32)(3 + i);
    m_clear.fogTexture = 10;
    m_clear.otherFogTexture = 11;
    m_fake.Forget();

    m_clear.Render(sky, m_camera, m_transform);

    EXPECT_EQ(2u, Draws());
    const std::vector<std::string> binds = m_fake.Matching("SetTexture 0 ");
    const auto bound = [&](DEV_Handle _handle) {
        return std::find(binds.begin(), binds.end(), "SetTexture 0 " + std::to_string(_handle)) != binds.end();
    };
    EXPECT_TRUE(bound(first));
    EXPECT_TRUE(bound(empty));
    EXPECT_TRUE(bound(last));
    EXPECT_EQ(fog, Device().stageTextures[1]);
    EXPECT_EQ(11, m_clear.slots[REP_Clear::SECOND_FOG_TEXTURE]);
    // The sky never hides what comes after it.
    EXPECT_EQ(0u, Device().renderStates[DEV_RS_ZENABLE]);
    EXPECT_EQ(0u, Device().renderStates[DEV_RS_ZWRITEENABLE]);
}

TEST_F(ClearTest, ShadersLiveFromCreateToRelease)
{
    // The cube-mapped program is not built: its slot stays empty.
    EXPECT_EQ(0, m_clear.slots[REP_Clear::VS_CMFM]);
    EXPECT_NE(0, m_clear.slots[REP_Clear::VS_SMFM]);
    EXPECT_EQ(1u, Device().vertexShaders.size());
    m_clear.Release();
    EXPECT_EQ(0, m_clear.slots[REP_Clear::VS_SMFM]);
    EXPECT_TRUE(Device().vertexShaders.empty());
}

// ---- GL ----

class ClearGLTest : public TST_PassGLTest
{
protected:
    void SetUp() override
    {
        TST_PassGLTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        m_clear.Create();
        m_clear.fogTexture = FOG;
        m_clear.otherFogTexture = FOG + 1;
        // Height scale 0: the fog is read at u = 0. The sky quad lies at 0.5 of the sky scale
        // ahead, so its doubled depth coordinate is 1 (the fog's last rows) where the undoubled
        // one would fall on the middle of the texture.
        m_fog.m_depthScale = 1.0f / (m_camera.GetNear() + m_camera.GetFar());
        m_clear.fogLayer = &m_fog;
        Texture(SKY, SKY_COLOR);
        Texture(FOG, 2,
                {FOG_NEAR, FOG_NEAR, FOG_NEAR, FOG_NEAR, FOG_NEAR, FOG_NEAR, FOG_NEAR, FOG_NEAR, FOG_FAR, FOG_FAR,
                 FOG_FAR, FOG_FAR, FOG_FAR, FOG_FAR, FOG_FAR, FOG_FAR});

        std::vector<DSP_Vertex> vertices;
        std::vector<u16> indices;
        // In sky units: the quad at 0.5 ahead, normalised device coordinates -0.5..0.5.
        Quad(vertices, indices, 0.0f, 0.0f, 0.5f, 0.5f, 0xFFFFFFFFu);
        m_sky = Mesh(vertices, indices);
        m_sky->GetMaterial(0)->material.diffuseMap.textureId = SKY;
    }

    void TearDown() override
    {
        if (m_display != nullptr)
            m_clear.Release();
        TST_PassGLTest::TearDown();
    }

    static constexpr s32 SKY = 2;
    static constexpr s32 FOG = 6;
    static constexpr u32 SKY_COLOR = TST_Argb(255, 200, 100, 40);
    static constexpr u32 FOG_NEAR = TST_Argb(255, 255, 0, 255);
    static constexpr u32 FOG_FAR = TST_Argb(255, 20, 180, 240);

    REP_Clear m_clear;
    REM_FogLayer m_fog;
    REB_Mesh* m_sky = nullptr;
};

TEST_F(ClearGLTest, SkyIsBlendedTowardsTheFarFogByTheDensity)
{
    for (f32 density : {0.0f, 0.4f, 1.0f}) {
        m_clear.fogDensity = density;
        Frame(TST_Argb(255, 0, 0, 0), [&] { m_clear.Render(m_sky, m_camera, m_transform); });
        const f32 f = (f32)(u32)(density * 255.0f) / 255.0f;
        const auto blend = [&](u32 _shift) {
            return TST_Channel(FOG_FAR, _shift) * f + TST_Channel(SKY_COLOR, _shift) * (1.0f - f);
        };
        const u32 expected = TST_PackRgb(blend(16), blend(8), blend(0));
        EXPECT_TRUE(TST_RgbNear(expected, Pixel(WIDTH / 2, HEIGHT / 2))) << "density " << density;
        EXPECT_TRUE(TST_RgbNear(expected, Pixel(WIDTH * 3 / 8, HEIGHT * 5 / 8))) << "density " << density;
        // Outside the quad the frame keeps its clear colour.
        EXPECT_TRUE(TST_RgbNear(0, Pixel(WIDTH / 8, HEIGHT / 2))) << "density " << density;
    }
}

}  // namespace
