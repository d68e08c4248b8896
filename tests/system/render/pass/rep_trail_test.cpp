// The trail and plant passes: constants per material (and none for a material without
// indices), the ambient-and-alpha register kept between calls, the plant's fade row; on GL the
// additive trail and the fading plant against their formulas.
#include <cmath>

#include "reb_lightset.h"
#include "rem_foglayer.h"
#include "rep_clear.h"
#include "rep_smallpass_fixture.h"

namespace
{

constexpr f32 BYTE = 0.003921569f;

// Runs the same checks over both passes.
template <class PASS>
class FoggedPassTest : public TST_PassTest
{
protected:
    void SetUp() override
    {
        TST_PassTest::SetUp();
        m_pass.Create();
        m_pass.fadeStart = 10.0f;
        m_pass.fadeEnd = 50.0f;
        TST_UseCamera(m_transform, m_camera);
    }

    void TearDown() override
    {
        m_pass.Release();
        TST_PassTest::TearDown();
    }

    PASS m_pass;
    VEC_Camera m_camera;
    VEC_TransformState m_transform;
    REB_LightSet m_lights;
};

// The trail has no fade; these fields give both passes one shape for the fixture.
struct TestTrail : REP_Trail
{
    f32 fadeStart = 0.0f;
    f32 fadeEnd = 0.0f;
};

using Passes = ::testing::Types<TestTrail, REP_Plant>;
TYPED_TEST_SUITE(FoggedPassTest, Passes);

bool IsPlant(const REP_Trail&) { return false; }
bool IsPlant(const REP_Plant&) { return true; }

TYPED_TEST(FoggedPassTest, MaterialWithoutIndicesSetsNoConstantsAndDrawsNothing)
{
    // Before the materials: the transform (c3), the ambient (c51), the plant's fade row (c11).
    std::vector<u32> head = {3, 51};
    if (IsPlant(this->m_pass))
        head.push_back(11);

    this->m_fake.Forget();
    this->m_pass.Render(this->Mesh({{0, 0}}), this->m_transform, this->m_lights);
    EXPECT_EQ(head, this->ConstantRegisters());
    EXPECT_EQ(0u, this->Draws());

    this->m_fake.Forget();
    this->m_pass.Render(this->Mesh({{0, 0}, {6, 4}, {0, 0}}), this->m_transform, this->m_lights);
    std::vector<u32> drawn = head;
    for (u32 r : {51u, 50u, 9u})
        drawn.push_back(r);
    EXPECT_EQ(drawn, this->ConstantRegisters());
    EXPECT_EQ(1u, this->Draws());
}

TYPED_TEST(FoggedPassTest, MaterialGivesTextureAlphaAndEmissiveAndTheAlphaOutlivesTheCall)
{
    const DEV_Handle texture = this->Texture(3);
    const DEV_Handle fogTexture = this->Texture(10);
    REB_Mesh* mesh = this->Mesh({{6, 4}});
    VEC_Material& material = mesh->GetMaterial(0)->material;
    material.diffuseMap.textureId = 3;
    material.diffuseMap.alpha = 128;
    material.selfIllumination = 0xFFFF8040u;  // the top byte is not a colour
    this->m_pass.fogTexture = 10;
    this->m_pass.otherFogTexture = 11;
    this->m_lights.SetAmbient(0.25f, 0.5f, 0.75f);

    this->m_pass.Render(mesh, this->m_transform, this->m_lights);

    const f32 ambientAlpha[4] = {0.25f, 0.5f, 0.75f, 128.0f * BYTE};
    const f32 emissive[4] = {1.0f, 128.0f / 255.0f, 64.0f / 255.0f, 0.0f};
    for (s32 k = 0; k < 4; ++k) {
        EXPECT_FLOAT_EQ(ambientAlpha[k], this->Device().constants[51][k]) << k;
        EXPECT_FLOAT_EQ(emissive[k], this->Device().constants[50][k]) << k;
    }
    EXPECT_EQ(texture, this->Device().stageTextures[0]);
    EXPECT_EQ(fogTexture, this->Device().stageTextures[1]);
    EXPECT_EQ(11, this->m_pass.slots[REP_Trail::SECOND_FOG_TEXTURE]);

    // A later call takes the new ambient colour but keeps the last material's alpha.
    this->m_lights.SetAmbient(0.1f, 0.2f, 0.3f);
    this->m_pass.Render(this->Mesh({{0, 0}}), this->m_transform, this->m_lights);
    const f32 kept[4] = {0.1f, 0.2f, 0.3f, 128.0f * BYTE};
    for (s32 k = 0; k < 4; ++k) {
        EXPECT_FLOAT_EQ(kept[k], this->Device().constants[51][k]) << k;
        EXPECT_FLOAT_EQ(kept[k], this->m_pass.ambientAlpha[k]) << k;
    }
}

TYPED_TEST(FoggedPassTest, FogRowsMeasureHeightAndViewDepthOfTheObject)
{
    VEC_Camera camera;
    MAT_Matrix34 placement;
    placement.r.SetDiagonal(1.0f);
    placement.t = {0.0f, -5.0f, 0.0f};
    camera.SetTransform(placement);
    TST_UseCamera(this->m_transform, camera);
    MAT_Matrix34 world;
    world.r.SetDiagonal(1.0f);
    world.t = {0.0f, 0.0f, 12.0f};
    this->m_transform.SetWorld(world);
    REM_FogLayer fog;
    fog.m_baseHeight = 2.0f;
    fog.m_heightScale = 0.1f;
    fog.m_depthScale = 0.01f;
    this->m_pass.fogLayer = &fog;

    this->m_pass.Render(this->Mesh({{6, 4}}), this->m_transform, this->m_lights);

    // 10 above the base, 5 ahead of the eye, both scaled.
    const f32 rows[2][4] = {{0.0f, 0.0f, 0.1f, 1.0f}, {0.0f, 0.01f, 0.0f, 0.05f}};
    for (s32 r = 0; r < 2; ++r)
        for (s32 k = 0; k < 4; ++k)
            EXPECT_NEAR(rows[r][k], this->Device().constants[9 + r][k], 1e-6f) << "c" << 9 + r << "[" << k << "]";
}

class PlantTest : public FoggedPassTest<REP_Plant>
{
protected:
    // The shader's fade factor for an object point at view depth _depth, with the camera and
    // the object both placed off the axes so every term of the row counts.
    f32 FadeAt(f32 _depth)
    {
        VEC_Camera camera;
        MAT_Matrix34 placement;
        placement.SetPositionAngles({3.0f, -4.0f, 1.0f}, MAT_Angle(0.5f), MAT_Angle(-0.1f), MAT_Angle(0.0f));
        camera.SetTransform(placement);
        TST_UseCamera(m_transform, camera);
        MAT_Matrix34 world;
        world.SetPositionAngles({2.0f, 7.0f, -1.0f}, MAT_Angle(0.2f), MAT_Angle(0.0f), MAT_Angle(0.3f));
        m_transform.SetWorld(world);
        m_pass.Render(Mesh({{6, 4}}), m_transform, m_lights);

        const MAT_Vector3 point = world.InverseTransformPoint(placement.TransformPoint({1.5f, _depth, -0.7f}));
        const f32* c = REP_VertexShaderConstants[11];
        for (s32 k = 0; k < 4; ++k) {
            EXPECT_TRUE(std::isfinite(c[k])) << k;
            EXPECT_EQ(c[k], Device().constants[11][k]) << k;
        }
        const f32 f = c[0] * point.x + c[1] * point.y + c[2] * point.z + c[3];
        return f < 0.0f ? 0.0f : f > 1.0f ? 1.0f : f;
    }
};

TEST_F(PlantTest, AlphaIsWholeToTheFadeStartHalfWayThenGoneFromTheEnd)
{
    m_pass.fadeStart = 10.0f;
    m_pass.fadeEnd = 50.0f;
    const f32 cases[][2] = {{0.0f, 1.0f}, {10.0f, 1.0f}, {20.0f, 0.75f}, {30.0f, 0.5f}, {50.0f, 0.0f}, {80.0f, 0.0f}};
    for (const auto& c : cases)
        EXPECT_NEAR(c[1], FadeAt(c[0]), 2e-5f) << "depth " << c[0];
}

TEST_F(PlantTest, FadeThatEndsWhereItStartsCutsOffAtTheEnd)
{
    // A zero or negative span would divide by zero or fade backwards.
    const f32 ends[][2] = {{30.0f, 30.0f}, {50.0f, 30.0f}};
    for (const auto& e : ends) {
        m_pass.fadeStart = e[0];
        m_pass.fadeEnd = e[1];
        EXPECT_EQ(1.0f, FadeAt(29.9f)) << e[0] << ".." << e[1];
        EXPECT_EQ(0.0f, FadeAt(30.1f)) << e[0] << ".." << e[1];
    }
}

// ---- GL ----

class FoggedGLTest : public TST_PassGLTest
{
protected:
    void SetUp() override
    {
        TST_PassGLTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        m_trail.Create();
        m_plant.Create();
        m_lights.SetAmbient(0.6f, 0.5f, 0.4f);
        Texture(TEXTURE, TEXTURE_COLOR);
        Texture(FOG, FOG_COLOR);
        m_trail.fogTexture = FOG;
        m_trail.otherFogTexture = FOG + 1;
        m_plant.fogTexture = FOG;
        m_plant.otherFogTexture = FOG + 1;
    }

    void TearDown() override
    {
        if (m_display != nullptr) {
            m_trail.Release();
            m_plant.Release();
        }
        TST_PassGLTest::TearDown();
    }

    // The lit, textured colour of both shaders before the fog: saturate(c51 x V + c50) x T,
    // with the alpha _alpha x V.a x T.a.
    void Lit(u32 _vertex, u32 _emissive, f32 _alpha, f32 _out[4]) const
    {
        const f32 ambient[3] = {0.6f, 0.5f, 0.4f};
        for (s32 k = 0; k < 3; ++k) {
            const u32 shift = 16 - 8 * (u32)k;
            f32 d = ambient[k] * TST_Channel(_vertex, shift) + TST_Channel(_emissive, shift);
            d = d > 1.0f ? 1.0f : d;
            _out[k] = d * TST_Channel(TEXTURE_COLOR, shift);
        }
        _out[3] = _alpha * TST_Channel(_vertex, 24) * TST_Channel(TEXTURE_COLOR, 24);
    }

    REB_Mesh* Quads(const std::vector<f32>& _depths, u32 _vertex, u32 _emissive, u8 _alpha)
    {
        std::vector<DSP_Vertex> vertices;
        std::vector<u16> indices;
        for (size_t i = 0; i < _depths.size(); ++i)
            Quad(vertices, indices, -0.6f + 0.4f * (f32)i, 0.0f, 0.15f, _depths[i], _vertex);
        REB_Mesh* mesh = Mesh(vertices, indices);
        VEC_Material& material = mesh->GetMaterial(0)->material;
        material.diffuseMap.textureId = TEXTURE;
        material.diffuseMap.alpha = _alpha;
        material.selfIllumination = _emissive;
        return mesh;
    }

    // The pixel at the centre of quad _index of Quads.
    u32 QuadPixel(size_t _index) const
    {
        const f32 x = -0.6f + 0.4f * (f32)_index;
        return Pixel((s32)((x + 1.0f) * 0.5f * (f32)WIDTH), HEIGHT / 2);
    }

    static constexpr s32 TEXTURE = 3;
    static constexpr s32 FOG = 6;
    static constexpr u32 TEXTURE_COLOR = TST_Argb(204, 200, 150, 250);
    static constexpr u32 FOG_COLOR = TST_Argb(64, 30, 90, 160);
    static constexpr u32 BACKGROUND = TST_Argb(255, 40, 20, 60);

    REP_Trail m_trail;
    REP_Plant m_plant;
    REB_LightSet m_lights;
};

TEST_F(FoggedGLTest, TrailAddsItsLitTextureWeightedByItsAlphaAndTheFog)
{
    const u32 vertex = TST_Argb(255, 128, 255, 64);
    const u32 emissive = TST_Argb(0, 32, 64, 96);
    REB_Mesh* mesh = Quads({10.0f}, vertex, emissive, 191);
    Frame(BACKGROUND, [&] { m_trail.Render(mesh, m_transform, m_lights); });

    f32 lit[4];
    Lit(vertex, emissive, 191.0f * BYTE, lit);
    const f32 weight = lit[3] * (1.0f - TST_Channel(FOG_COLOR, 24));
    const u32 expected =
        TST_PackRgb(TST_Channel(BACKGROUND, 16) + lit[0] * weight, TST_Channel(BACKGROUND, 8) + lit[1] * weight,
                    TST_Channel(BACKGROUND, 0) + lit[2] * weight);
    EXPECT_TRUE(TST_RgbNear(expected, QuadPixel(0)));
    // A second trail adds again: the blend adds and nothing writes depth.
    Frame(BACKGROUND, [&] {
        m_trail.Render(mesh, m_transform, m_lights);
        m_trail.Render(mesh, m_transform, m_lights);
    });
    const u32 twice = TST_PackRgb(TST_Channel(BACKGROUND, 16) + 2.0f * lit[0] * weight,
                                  TST_Channel(BACKGROUND, 8) + 2.0f * lit[1] * weight,
                                  TST_Channel(BACKGROUND, 0) + 2.0f * lit[2] * weight);
    EXPECT_TRUE(TST_RgbNear(twice, QuadPixel(0), 3));
}

TEST_F(FoggedGLTest, PlantFadesOverViewDepthAndTakesTheFogColour)
{
    const u32 vertex = TST_Argb(255, 255, 200, 100);
    const u32 emissive = TST_Argb(0, 10, 20, 30);
    m_plant.fadeStart = 10.0f;
    m_plant.fadeEnd = 50.0f;
    // Whole, halved, an eighth (alpha 32, under the alpha test's 64) and beyond the end.
    const std::vector<f32> depths = {5.0f, 30.0f, 45.0f, 60.0f};
    const f32 fades[] = {1.0f, 0.5f, 0.125f, 0.0f};
    REB_Mesh* mesh = Quads(depths, vertex, emissive, 255);
    Frame(BACKGROUND, [&] { m_plant.Render(mesh, m_transform, m_lights); });

    for (size_t i = 0; i < depths.size(); ++i) {
        f32 lit[4];
        Lit(vertex, emissive, fades[i], lit);
        const f32 fogAlpha = TST_Channel(FOG_COLOR, 24);
        u32 expected = BACKGROUND;
        if (lit[3] * 255.0f > 64.0f) {
            const auto channel = [&](u32 _shift, f32 _lit) {
                const f32 source = TST_Channel(FOG_COLOR, _shift) * fogAlpha + _lit * (1.0f - fogAlpha);
                return source * lit[3] + TST_Channel(BACKGROUND, _shift) * (1.0f - lit[3]);
            };
            expected = TST_PackRgb(channel(16, lit[0]), channel(8, lit[1]), channel(0, lit[2]));
        }
        EXPECT_TRUE(TST_RgbNear(expected, QuadPixel(i))) << "depth " << depths[i];
    }
}

}  // namespace
