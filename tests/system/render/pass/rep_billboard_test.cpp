// The billboard pass: only a quad draws, the turn is the wrapped difference of the angles, the
// three rows put the corners where the projection of their view points lies, the light sum at
// the position; on GL the drawn rectangle and its colour.
#include <cmath>

#include "reb_lightset.h"
#include "rep_clear.h"
#include "rep_smallpass_fixture.h"

namespace
{

constexpr f32 BYTE = 0.003921569f;
constexpr f64 TWO_PI = 6.283185307179586;

// The view point of quad corner (_x, 0, _z) of a billboard at view position _e, as the pass
// describes it: a _width x _height rectangle turned by _turn in the view plane.
MAT_Vector3 CornerInView(const MAT_Vector3& _e, f32 _x, f32 _z, f32 _width, f32 _height, f32 _turn)
{
    const f32 c = std::cos(_turn);
    const f32 s = std::sin(_turn);
    return {_e.x + _width * c * _x + _height * s * _z, _e.y, _e.z - _width * s * _x + _height * c * _z};
}

// A camera away from the origin, turned, with an off-centre projection, so that every entry
// of the rows counts.
VEC_Camera PlacedCamera()
{
    VEC_Camera camera;
    camera.SetProjection(-0.8f, 1.2f, -0.7f, 0.8f, 1.0f, 1000.0f, 1.0f);
    MAT_Matrix34 placement;
    placement.SetPositionAngles({1.0f, -2.0f, 0.5f}, MAT_Angle(0.3f), MAT_Angle(0.1f), MAT_Angle(0.0f));
    camera.SetTransform(placement);
    return camera;
}

class BillboardTest : public TST_PassTest
{
protected:
    void SetUp() override
    {
        TST_PassTest::SetUp();
        m_billboard.Create();
        m_camera = PlacedCamera();
        TST_UseCamera(m_transform, m_camera);
    }

    void TearDown() override
    {
        m_billboard.Release();
        TST_PassTest::TearDown();
    }

    void Render(const REB_Mesh* _quad, const MAT_Vector3& _position, f32 _angle = 0.0f, f32 _cameraAngle = 0.0f)
    {
        m_billboard.Render(_quad, _position, MAT_Angle(_angle), 4.0f, 2.5f, MAT_Angle(_cameraAngle), m_transform,
                           m_lights);
    }

    // The clip position the rows give corner (_x, 0, _z).
    static void Clip(f32 _x, f32 _z, f32 _clip[4])
    {
        const f32* c2 = REP_VertexShaderConstants[2];
        const f32* c3 = REP_VertexShaderConstants[3];
        _clip[0] = c2[0] * _x + c2[2] * _z + c2[3];
        _clip[1] = c3[0] * _x + c3[2] * _z + c3[3];
        _clip[2] = REP_VertexShaderConstants[4][2];
        _clip[3] = REP_VertexShaderConstants[4][3];
    }

    REP_Billboard m_billboard;
    VEC_Camera m_camera;
    VEC_TransformState m_transform;
    REB_LightSet m_lights;
};

TEST_F(BillboardTest, OnlyAQuadDrawsAndOnlyADrawStoresThePosition)
{
    const MAT_Vector3 before(1.0f, 2.0f, 3.0f);
    const MAT_Vector3 position(7.0f, 8.0f, 9.0f);
    const std::vector<std::pair<s32, s32>> notQuads[] = {{{5, 4}}, {{6, 3}}, {{7, 4}}, {}};
    for (const auto& ranges : notQuads) {
        m_billboard.position = before;
        m_fake.Forget();
        Render(Mesh(ranges), position);
        EXPECT_EQ(before, m_billboard.position);
        EXPECT_EQ(0u, Draws());
        EXPECT_TRUE(ConstantRegisters().empty());
    }
    // The first material decides, whatever follows it.
    REB_Mesh* quad = Mesh({{6, 4}, {5, 3}});
    Render(quad, position);
    EXPECT_EQ(position, m_billboard.position);
    EXPECT_EQ(quad->GetMaterial(0), m_billboard.material);
    EXPECT_EQ(1u, Draws());
}

TEST_F(BillboardTest, TurnIsTheWrappedDifferenceOfCameraAndBillboardAngles)
{
    struct Case
    {
        f32 angle;
        f32 cameraAngle;
        f64 turn;
    };
    const Case cases[] = {
        {0.0f, 3.5f, 3.5 - TWO_PI},
        {3.0f, -3.0f, TWO_PI - 6.0},
        {0.2f, 0.9f, 0.7},
    };
    const f32 xx = m_camera.GetProjection().m[4];
    const f32 zy = m_camera.GetProjection().m[13];
    for (const Case& c : cases) {
        Render(Mesh({{6, 4}}), {0.0f, 10.0f, 0.0f}, c.angle, c.cameraAngle);
        const f32* c2 = REP_VertexShaderConstants[2];
        const f32* c3 = REP_VertexShaderConstants[3];
        // c2 = (X.x w cos, 0, X.x h sin, .), c3 = (-Z.y w sin, 0, Z.y h cos, .)
        EXPECT_NEAR(c.turn, std::atan2(c2[2] / (xx * 2.5f), c2[0] / (xx * 4.0f)), 1e-5) << c.cameraAngle;
        EXPECT_NEAR(c.turn, std::atan2(-c3[0] / (zy * 4.0f), c3[2] / (zy * 2.5f)), 1e-5) << c.cameraAngle;
    }
}

TEST_F(BillboardTest, CornersProjectWhereTheirViewPointsDo)
{
    const MAT_Vector3 e(0.5f, 12.0f, 0.3f);
    const MAT_Vector3 position = m_camera.GetWorldTransform().TransformPoint(e);
    Render(Mesh({{6, 4}}), position, 0.2f, 0.9f);

    for (const f32 x : {-0.5f, 0.5f}) {
        for (const f32 z : {-0.5f, 0.5f}) {
            f32 actual[4];
            Clip(x, z, actual);
            f32 expected[4];
            TST_Project(m_camera.GetProjection(), CornerInView(e, x, z, 4.0f, 2.5f, 0.7f), expected);
            for (s32 k = 0; k < 4; ++k)
                EXPECT_NEAR(expected[k], actual[k], 2e-4f) << "corner " << x << ", " << z << " row " << k;
        }
    }
    // The rows reach the device as they stand in the mirror.
    for (s32 r = 2; r <= 4; ++r)
        for (s32 k = 0; k < 4; ++k)
            EXPECT_EQ(REP_VertexShaderConstants[r][k], Device().constants[r][k]);
}

TEST_F(BillboardTest, LightsAtThePositionAddToTheAmbientAndAlphaAndEmissiveComeFromTheMaterial)
{
    const MAT_Vector3 position(3.0f, 20.0f, 1.0f);
    MAT_Matrix34 placement;
    placement.t = position;
    VEC_Light light;
    light.m_color1 = {0.25f, 0.125f, 0.5f};
    struct Case
    {
        s32 type;
        f32 added;  // the share of the light's colour in the sum
    };
    // A light that is not a point light (type 0) adds nothing, however close.
    for (const Case& c : {Case{1, 0.0f}, Case{0, 1.0f}}) {
        m_lights.Clear();
        m_lights.SetAmbient(0.2f, 0.3f, 0.4f);
        light.m_type = c.type;
        m_lights.AddLight(light, 5.0f, 10.0f, placement);
        REB_Mesh* quad = Mesh({{6, 4}});
        VEC_Material& material = quad->GetMaterial(0)->material;
        material.diffuseMap.alpha = 51;
        material.selfIllumination = 0x00402010u;
        Render(quad, position);

        const f32 sum[4] = {0.2f + 0.25f * c.added, 0.3f + 0.125f * c.added, 0.4f + 0.5f * c.added, 51.0f * BYTE};
        const f32 emissive[4] = {64.0f / 255.0f, 32.0f / 255.0f, 16.0f / 255.0f, 0.0f};
        for (s32 k = 0; k < 4; ++k) {
            EXPECT_FLOAT_EQ(sum[k], Device().constants[6][k]) << "type " << c.type << " " << k;
            EXPECT_EQ(Device().constants[6][k], REP_VertexShaderConstants[6][k]);
            EXPECT_FLOAT_EQ(emissive[k], Device().constants[5][k]) << k;
        }
    }
}

TEST_F(BillboardTest, ShaderLivesFromCreateToRelease)
{
    EXPECT_NE(0, m_billboard.vertexShader);
    EXPECT_EQ(1u, Device().vertexShaders.size());
    m_billboard.Release();
    EXPECT_EQ(0, m_billboard.vertexShader);
    EXPECT_TRUE(Device().vertexShaders.empty());
}

// ---- GL ----

class BillboardGLTest : public TST_PassGLTest
{
protected:
    void SetUp() override
    {
        TST_PassGLTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        m_billboard.Create();
        m_camera = PlacedCamera();
        TST_UseCamera(m_transform, m_camera);
        Texture(TEXTURE, TEXTURE_COLOR);
    }

    void TearDown() override
    {
        if (m_display != nullptr)
            m_billboard.Release();
        TST_PassGLTest::TearDown();
    }

    static constexpr s32 TEXTURE = 4;
    static constexpr u32 TEXTURE_COLOR = TST_Argb(255, 220, 160, 240);
    static constexpr u32 BACKGROUND = TST_Argb(255, 10, 60, 30);

    REP_Billboard m_billboard;
    REB_LightSet m_lights;
};

TEST_F(BillboardGLTest, TurnedRectangleAroundThePositionInItsLitColour)
{
    const u32 vertex = TST_Argb(255, 255, 128, 200);
    std::vector<DSP_Vertex> vertices;
    // Clockwise on the screen, as the opaque map's culling keeps.
    const f32 corners[4][2] = {{-0.5f, -0.5f}, {-0.5f, 0.5f}, {0.5f, 0.5f}, {0.5f, -0.5f}};
    for (const auto& corner : corners) {
        DSP_Vertex v;
        v.x = corner[0];
        v.z = corner[1];
        v.color = vertex;
        v.u = corner[0] + 0.5f;
        v.v = 0.5f - corner[1];
        vertices.push_back(v);
    }
    REB_Mesh* quad = Mesh(vertices, {0, 1, 2, 0, 2, 3});
    VEC_Material& material = quad->GetMaterial(0)->material;
    material.diffuseMap.textureId = TEXTURE;
    material.selfIllumination = 0x00100820u;

    const MAT_Vector3 e(0.5f, 12.0f, 0.3f);
    const MAT_Vector3 position = m_camera.GetWorldTransform().TransformPoint(e);
    m_lights.SetAmbient(0.3f, 0.4f, 0.2f);
    VEC_Light light;
    light.m_color1 = {0.2f, 0.1f, 0.5f};
    MAT_Matrix34 placement;
    placement.t = position;
    m_lights.AddLight(light, 1.0f, 2.0f, placement);

    Frame(BACKGROUND, [&] {
        m_billboard.Render(quad, position, MAT_Angle(0.2f), 4.0f, 2.5f, MAT_Angle(0.9f), m_transform, m_lights);
    });

    // Colour: saturate((ambient + light) x V + emissive) x texture.
    const f32 light3[3] = {0.5f, 0.5f, 0.7f};
    const f32 emissive[3] = {16.0f / 255.0f, 8.0f / 255.0f, 32.0f / 255.0f};
    f32 rgb[3];
    for (s32 k = 0; k < 3; ++k) {
        const u32 shift = 16 - 8 * (u32)k;
        const f32 d = light3[k] * TST_Channel(vertex, shift) + emissive[k];
        rgb[k] = (d > 1.0f ? 1.0f : d) * TST_Channel(TEXTURE_COLOR, shift);
    }
    const u32 lit = TST_PackRgb(rgb[0], rgb[1], rgb[2]);

    f32 clip[4];
    TST_Project(m_camera.GetProjection(), e, clip);
    EXPECT_TRUE(TST_RgbNear(lit, PixelAt(clip))) << "centre";
    // Just inside and just outside each corner, along the diagonal through it.
    for (const auto& corner : corners) {
        for (const f32 reach : {0.9f, 1.1f}) {
            TST_Project(m_camera.GetProjection(),
                        CornerInView(e, corner[0] * reach, corner[1] * reach, 4.0f, 2.5f, 0.7f), clip);
            EXPECT_TRUE(TST_RgbNear(reach < 1.0f ? lit : BACKGROUND, PixelAt(clip)))
                << "corner " << corner[0] << ", " << corner[1] << " at " << reach;
        }
    }
}

}  // namespace
