// The particle fields: what the generator draws from the C runtime's generator and how it lays
// out each particle; the sprite pass's constants evaluated through the shader's formula on the
// CPU (wrapping, facing, fading); and on GL, that the shader draws what the formula says.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "crt_rand.h"
#include "reb_lightset.h"
#include "rep_smallpass_fixture.h"
#include "rep_sprite.h"
#include "vec_mesh.h"

namespace
{

// ---- the generator's reference, written from its definition ----

// The C runtime's generator on a state of its own.
struct ReferenceRand
{
    u32 state = 0;
    f32 Next()
    {
        state = state * 214013u + 2531011u;
        return (f32)((state >> 16) & 0x7FFFu) / 32767.0f;
    }
};

// The five draws of one particle.
struct Draws
{
    f32 angle, radius, y, x, z;
};

Draws NextParticle(ReferenceRand& _rand)
{
    Draws draws;
    draws.angle = _rand.Next();
    draws.radius = _rand.Next();
    draws.y = _rand.Next();
    draws.x = _rand.Next();
    draws.z = _rand.Next();
    return draws;
}

struct FieldDeleter
{
    void operator()(VEC_MeshPart* _part) const { delete _part; }
};
using FieldPtr = std::unique_ptr<VEC_MeshPart, FieldDeleter>;

VEC_Material MakeTemplate()
{
    VEC_Material material;
    material.diffuseMap.textureId = 7;
    material.diffuseMap.blendMode = 1;
    material.diffuseMap.alpha = 200;
    material.diffuseMap.SetTextureName("plankton_a");
    material.detailMap.textureId = 9;
    material.diffuseColor = 0x00102030u;
    material.selfIllumination = 0x00405060u;
    return material;
}

// ---- the sprite shader's formula on the CPU ----

struct SpriteVertex
{
    f32 clip[4];
    f32 view[3];   // the wrapped centre in view space, before the corner offset
    f32 color[4];  // before the device saturates it
};

f32 Dot4(const f32* _a, const f32* _b) { return _a[0] * _b[0] + _a[1] * _b[1] + _a[2] * _b[2] + _a[3] * _b[3]; }
f32 Dot3(const f32* _a, const f32* _b) { return _a[0] * _b[0] + _a[1] * _b[1] + _a[2] * _b[2]; }

SpriteVertex EvaluateSprite(const f32 _c[REP_NUM_CONSTANTS][4], const DSP_Vertex& _vertex)
{
    const f32 position[3] = {_vertex.x, _vertex.y, _vertex.z};
    f32 q[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    for (s32 k = 0; k < 3; ++k) {
        const f32 scaled = (position[k] + _c[13][k]) * _c[14][k];
        q[k] = scaled - std::floor(scaled);
    }
    f32 p[4] = {Dot4(q, _c[2]), Dot4(q, _c[3]), Dot4(q, _c[4]), 1.0f};
    SpriteVertex out;
    for (s32 k = 0; k < 3; ++k)
        out.view[k] = p[k];
    const f32 fade = std::max(Dot4(p, _c[15]), 0.0f);
    const f32 normal[3] = {_vertex.nx, _vertex.ny, _vertex.nz};
    p[0] += Dot3(normal, _c[5]);
    p[2] += Dot3(normal, _c[6]);
    for (s32 row = 0; row < 4; ++row)
        out.clip[row] = Dot4(p, _c[7 + row]);
    const f32 v[4] = {TST_Channel(_vertex.color, 16), TST_Channel(_vertex.color, 8), TST_Channel(_vertex.color, 0),
                      TST_Channel(_vertex.color, 24)};
    for (s32 k = 0; k < 4; ++k)
        out.color[k] = _c[12][k] * v[k] + _c[11][k];
    for (s32 k = 0; k < 3; ++k)
        out.color[k] *= fade;
    return out;
}

// A placement looking along the heading and pitch from _eye.
MAT_Matrix34 Placement(const MAT_Vector3& _eye, f32 _heading, f32 _pitch)
{
    MAT_Matrix34 placement;
    placement.SetPositionAngles(_eye, MAT_Angle(_heading), MAT_Angle(_pitch), MAT_Angle());
    return placement;
}

// ---- the generator ----

TEST(SpriteFieldTest, EmptyFieldIsTheTemplateAndDrawsNothingFromTheGenerator)
{
    const VEC_Material material = MakeTemplate();
    for (s32 count : {0, -3}) {
        CRT_SRand(1234);
        FieldPtr part(REP_Sprite::GenerateField(material, count, 10.0f, 1.0f, 2.0f, 0.0f, 1.0f));
        ASSERT_NE(nullptr, part);
        EXPECT_EQ(0, part->vertexCount) << count;
        EXPECT_EQ(0, part->triangleCount) << count;
        EXPECT_EQ(0, std::memcmp(&material, &part->material, sizeof(VEC_Material))) << count;
        ReferenceRand reference{1234};
        EXPECT_EQ(reference.Next(), (f32)CRT_Rand() / 32767.0f) << "the generator was drawn from";
    }
}

TEST(SpriteFieldTest, ParticlesTakeTheirValuesFromTheNextDrawsInOrder)
{
    // Whatever drew from the generator before, the field starts at the next value.
    const f32 e = 25.0f, r0 = 0.5f, r1 = 3.0f, a0 = -1.0f, a1 = 2.5f;
    for (s32 before : {0, 1, 4}) {
        CRT_SRand(777);
        for (s32 i = 0; i < before; ++i)
            CRT_Rand();
        FieldPtr part(REP_Sprite::GenerateField(MakeTemplate(), 3, e, r0, r1, a0, a1));
        ASSERT_EQ(9, part->vertexCount);

        ReferenceRand reference{777};
        for (s32 i = 0; i < before; ++i)
            reference.Next();
        for (s32 particle = 0; particle < 3; ++particle) {
            const Draws u = NextParticle(reference);
            const f32 angle = a0 + u.angle * (a1 - a0);
            const f32 radius = r0 + u.radius * (r1 - r0);
            const DSP_Vertex& corner = part->vertices[3 * particle];
            EXPECT_NEAR(radius * std::cos(angle), corner.nx, 1e-5f) << before << " " << particle;
            EXPECT_EQ(0.0f, corner.ny);
            EXPECT_NEAR(radius * std::sin(angle), corner.nz, 1e-5f) << before << " " << particle;
            EXPECT_NEAR(-e + u.x * 2.0f * e, corner.x, 1e-5f) << before << " " << particle;
            EXPECT_NEAR(-e + u.y * 2.0f * e, corner.y, 1e-5f) << before << " " << particle;
            EXPECT_NEAR(-e + u.z * 2.0f * e, corner.z, 1e-5f) << before << " " << particle;
        }
        // Five draws a particle and no more.
        EXPECT_EQ(reference.Next(), (f32)CRT_Rand() / 32767.0f) << before;
    }
}

TEST(SpriteFieldTest, FieldsGeneratedBackToBackDiffer)
{
    CRT_SRand(5);
    FieldPtr first(REP_Sprite::GenerateField(MakeTemplate(), 20, 10.0f, 1.0f, 2.0f, 0.0f, 6.0f));
    FieldPtr second(REP_Sprite::GenerateField(MakeTemplate(), 20, 10.0f, 1.0f, 2.0f, 0.0f, 6.0f));
    s32 differing = 0;
    for (s32 i = 0; i < 60; ++i)
        differing += std::memcmp(&first->vertices[i], &second->vertices[i], sizeof(DSP_Vertex)) != 0;
    EXPECT_EQ(60, differing);
}

TEST(SpriteFieldTest, EveryParticleIsOneTriangleOfThreeCornersAroundItsCentre)
{
    const f32 e = 8.0f, r0 = 1.0f, r1 = 4.0f, a0 = 0.25f, a1 = 1.75f;
    CRT_SRand(99);
    const s32 n = 200;
    FieldPtr part(REP_Sprite::GenerateField(MakeTemplate(), n, e, r0, r1, a0, a1));
    ASSERT_EQ(3 * n, part->vertexCount);
    ASSERT_EQ(n, part->triangleCount);
    const VEC_Material material = MakeTemplate();
    EXPECT_EQ(0, std::memcmp(&part->material, &material, sizeof(VEC_Material)));

    const f32 uv[3][2] = {{1.0f, 0.5f}, {0.25f, 0.9330127f}, {0.25f, 0.0669873f}};
    MAT_Vector3 low(1e9f, 1e9f, 1e9f), high(-1e9f, -1e9f, -1e9f);
    for (s32 i = 0; i < n; ++i) {
        const DSP_Vertex* corners = &part->vertices[3 * i];
        const f32 radius = std::hypot(corners[0].nx, corners[0].nz);
        const f32 angle = std::atan2(corners[0].nz, corners[0].nx);
        EXPECT_GE(radius, r0 - 1e-5f) << i;
        EXPECT_LE(radius, r1 + 1e-5f) << i;
        EXPECT_GE(angle, a0 - 1e-5f) << i;
        EXPECT_LE(angle, a1 + 1e-5f) << i;
        for (s32 k = 0; k < 3; ++k) {
            const DSP_Vertex& v = corners[k];
            // The corners sit a third of a turn apart on the particle's circle.
            const f32 cornerAngle = angle + (f32)k * 2.0943952f;
            EXPECT_NEAR(radius * std::cos(cornerAngle), v.nx, 1e-5f) << i << " " << k;
            EXPECT_EQ(0.0f, v.ny);
            EXPECT_NEAR(radius * std::sin(cornerAngle), v.nz, 1e-5f) << i << " " << k;
            EXPECT_EQ(uv[k][0], v.u) << i << " " << k;
            EXPECT_EQ(uv[k][1], v.v) << i << " " << k;
            EXPECT_EQ(0xFFFFFFFFu, v.color);
            EXPECT_EQ(corners[0].x, v.x);
            EXPECT_EQ(corners[0].y, v.y);
            EXPECT_EQ(corners[0].z, v.z);
        }
        const MAT_Vector3 centre(corners[0].x, corners[0].y, corners[0].z);
        for (f32 c : {centre.x, centre.y, centre.z}) {
            EXPECT_GE(c, -e);
            EXPECT_LE(c, e);
        }
        low.Set(std::min(low.x, centre.x), std::min(low.y, centre.y), std::min(low.z, centre.z));
        high.Set(std::max(high.x, centre.x), std::max(high.y, centre.y), std::max(high.z, centre.z));

        const VEC_Triangle& triangle = part->triangles[i];
        EXPECT_EQ(3 * i, triangle.vertex[0]);
        EXPECT_EQ(3 * i + 2, triangle.vertex[1]);
        EXPECT_EQ(3 * i + 1, triangle.vertex[2]);
    }
    EXPECT_EQ(low, part->boxMin);
    EXPECT_EQ(high, part->boxMax);
}

// ---- the pass on the recording device ----

class SpriteTest : public TST_PassTest
{
protected:
    void SetUp() override
    {
        TST_PassTest::SetUp();
        m_sprite.Create();
        TST_UseCamera(m_transform, m_camera);
    }

    void TearDown() override
    {
        m_sprite.Release();
        TST_PassTest::TearDown();
    }

    // A static mesh of the field part.
    REB_Mesh* FieldMesh(const VEC_MeshPart* _part)
    {
        m_meshes.emplace_back(new REB_Mesh());
        m_meshes.back()->Reconstruct(_part);
        return m_meshes.back().get();
    }

    void Render(const REB_Mesh* _mesh, const MAT_Vector3& _offset, f32 _fade = 1.0f)
    {
        m_sprite.Render(_mesh, _offset, MAT_Angle(), 1.0f, 1.0f, MAT_Angle(), _fade, m_transform, m_lights);
    }

    REP_Sprite m_sprite;
    VEC_Camera m_camera;
    VEC_TransformState m_transform;
    REB_LightSet m_lights;
};

TEST_F(SpriteTest, FieldCubeIsCentredHalfASideAheadOfTheEyeWhereverItLooks)
{
    // Sides 18, 20 and 22: E is their mean.
    REB_Mesh* mesh = Mesh({{6, 6}});
    mesh->boxMin = {-9.0f, -10.0f, -11.0f};
    mesh->boxMax = {9.0f, 10.0f, 11.0f};
    const f32 e = 20.0f;
    VEC_Camera camera;
    camera.SetTransform(Placement({5.0f, -3.0f, 2.0f}, 0.6f, -0.3f));
    TST_UseCamera(m_transform, camera);

    m_fake.Forget();
    m_sprite.Render(mesh, {0.0f, 0.0f, 0.0f}, MAT_Angle(), 1.0f, 1.0f, MAT_Angle(), 1.0f, m_transform, m_lights);
    ASSERT_EQ(1u, Draws());

    const auto& c = REP_VertexShaderConstants;
    const auto view = [&](f32 _x, f32 _y, f32 _z) {
        const f32 q[4] = {_x, _y, _z, 1.0f};
        return MAT_Vector3(Dot4(q, c[2]), Dot4(q, c[3]), Dot4(q, c[4]));
    };
    // The cube's centre lies E/2 straight ahead in view space, whatever the camera's turn.
    const MAT_Vector3 centre = view(0.5f, 0.5f, 0.5f);
    EXPECT_NEAR(0.0f, centre.x, 1e-4f);
    EXPECT_NEAR(e / 2.0f, centre.y, 1e-4f);
    EXPECT_NEAR(0.0f, centre.z, 1e-4f);
    // Its edges stay aligned with the world axes and E long.
    const MAT_Matrix34& placement = camera.GetWorldTransform();
    const MAT_Vector3 corner = placement.t + placement.r.GetY() * (e / 2.0f) - MAT_Vector3(e, e, e) * 0.5f;
    const f32 cubeCorners[3][3] = {{0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {0.25f, 1.0f, 0.75f}};
    for (const auto& q : cubeCorners) {
        const MAT_Vector3 expected = placement.InverseTransformPoint(corner + MAT_Vector3(q[0], q[1], q[2]) * e);
        const MAT_Vector3 actual = view(q[0], q[1], q[2]);
        EXPECT_NEAR(expected.x, actual.x, 1e-4f);
        EXPECT_NEAR(expected.y, actual.y, 1e-4f);
        EXPECT_NEAR(expected.z, actual.z, 1e-4f);
    }
    // c13 and c14 take world positions to cube coordinates.
    const f32 shift[3] = {-corner.x, -corner.y, -corner.z};
    for (s32 k = 0; k < 3; ++k) {
        EXPECT_NEAR(shift[k], c[13][k], 1e-4f) << k;
        EXPECT_FLOAT_EQ(1.0f / e, c[14][k]) << k;
    }
    EXPECT_EQ(0.0f, c[13][3]);
    EXPECT_EQ(1.0f, c[14][3]);
    // c7-c10 project view positions.
    const f32 point[4] = {1.0f, 7.0f, -2.0f, 1.0f};
    f32 expected[4];
    TST_Project(camera.GetProjection(), {point[0], point[1], point[2]}, expected);
    for (s32 row = 0; row < 4; ++row)
        EXPECT_NEAR(expected[row], Dot4(point, c[7 + row]), 1e-5f) << row;
    // The device holds what the mirror holds.
    for (s32 r = 2; r <= 15; ++r)
        for (s32 k = 0; k < 4; ++k)
            EXPECT_EQ(c[r][k], Device().constants[r][k]) << "c" << r << "[" << k << "]";
    EXPECT_EQ(1u, m_fake.Count("SetVertexShader "));
}

TEST_F(SpriteTest, CornersScaleBySizeAndTurnByTheCameraAngleLessTheSpriteAngle)
{
    REB_Mesh* mesh = Mesh({{3, 3}});
    mesh->boxMax = {1.0f, 1.0f, 1.0f};
    struct Case
    {
        f32 camera, sprite, width, height, turn;
    };
    const Case cases[] = {
        {0.0f, 0.0f, 2.0f, 3.0f, 0.0f},
        {0.5f, 0.2f, 2.0f, 3.0f, 0.3f},
        {-3.0f, 3.0f, 1.0f, 0.5f, -6.0f + 2.0f * 3.14159265f},  // wrapped
    };
    for (const Case& t : cases) {
        m_sprite.Render(mesh, {}, MAT_Angle(t.sprite), t.width, t.height, MAT_Angle(t.camera), 1.0f, m_transform,
                        m_lights);
        // A corner offset (x, -, z) scaled by the size, then turned by the angle in the view plane.
        const f32 offsets[2][3] = {{1.0f, 0.0f, 0.0f}, {0.0f, 5.0f, 1.0f}};
        for (const auto& n : offsets) {
            const f32 x = n[0] * t.width, z = n[2] * t.height;
            const f32 turnedX = x * std::cos(t.turn) - z * std::sin(t.turn);
            const f32 turnedZ = x * std::sin(t.turn) + z * std::cos(t.turn);
            EXPECT_NEAR(turnedX, Dot3(n, REP_VertexShaderConstants[5]), 1e-5f) << t.turn;
            EXPECT_NEAR(turnedZ, Dot3(n, REP_VertexShaderConstants[6]), 1e-5f) << t.turn;
        }
    }
}

TEST_F(SpriteTest, ColourComesFromAmbientEmissiveAndAlphaWithTheMapsOwnStates)
{
    const DEV_Handle texture = Texture(4);
    REB_Mesh* mesh = Mesh({{3, 3}});
    mesh->boxMax = {1.0f, 1.0f, 1.0f};
    VEC_Material& material = mesh->GetMaterial(0)->material;
    material.diffuseMap.textureId = 4;
    material.diffuseMap.alpha = 128;
    material.diffuseMap.blendMode = 1;
    material.selfIllumination = 0xAAFF8000u;  // the top byte is not part of the colour
    m_lights.SetAmbient(0.25f, 0.5f, 0.75f);
    REP_VertexShaderConstants[12][0] = 9.0f;

    Render(mesh, {});
    const auto& c = REP_VertexShaderConstants;
    EXPECT_FLOAT_EQ(1.0f, c[11][0]);
    EXPECT_FLOAT_EQ(128.0f / 255.0f, c[11][1]);
    EXPECT_EQ(0.0f, c[11][2]);
    EXPECT_EQ(0.0f, c[11][3]);
    EXPECT_EQ(0.25f, c[12][0]);
    EXPECT_EQ(0.5f, c[12][1]);
    EXPECT_EQ(0.75f, c[12][2]);
    EXPECT_FLOAT_EQ(128.0f / 255.0f, c[12][3]);
    EXPECT_EQ(mesh->GetMaterial(0), m_sprite.material);
    // Additive: source alpha onto the frame, nothing culled.
    EXPECT_EQ((u32)DEV_BLEND_SRCALPHA, Device().renderStates[DEV_RS_SRCBLEND]);
    EXPECT_EQ((u32)DEV_BLEND_ONE, Device().renderStates[DEV_RS_DESTBLEND]);
    EXPECT_EQ((u32)DEV_CULL_NONE, Device().renderStates[DEV_RS_CULLMODE]);
    EXPECT_EQ(texture, Device().stageTextures[0]);
}

TEST_F(SpriteTest, OnlyTheFirstMaterialWithIndicesAndAnExtentIsDrawn)
{
    REB_Mesh* unindexed = Mesh({{0, 0}, {3, 3}});
    unindexed->boxMax = {1.0f, 1.0f, 1.0f};
    REB_Mesh* flat = Mesh({{3, 3}});
    flat->boxMin = flat->boxMax = {2.0f, 2.0f, 2.0f};
    REB_Mesh* none = Mesh({});
    REB_Mesh* twoMaterials = Mesh({{6, 4}, {3, 3}});
    twoMaterials->boxMax = {1.0f, 1.0f, 1.0f};

    for (REB_Mesh* mesh : {unindexed, flat, none}) {
        m_fake.Forget();
        Render(mesh, {});
        EXPECT_EQ(0u, Draws());
        EXPECT_TRUE(ConstantRegisters().empty());
    }
    m_fake.Forget();
    Render(twoMaterials, {});
    ASSERT_EQ(1u, Draws());
    EXPECT_EQ("DrawIndexedPrimitive 4 0 4 0 2", m_fake.Matching("DrawIndexedPrimitive").front());
}

// A field of generated particles around the origin, for the wrapping tests.
class SpriteFieldWrapTest : public SpriteTest
{
protected:
    void SetUp() override
    {
        SpriteTest::SetUp();
        CRT_SRand(31);
        m_part.reset(REP_Sprite::GenerateField(MakeTemplate(), 40, 10.0f, 0.5f, 1.0f, 0.0f, 6.0f));
        m_mesh = FieldMesh(m_part.get());
        const MAT_Vector3 side = m_mesh->boxMax - m_mesh->boxMin;
        m_extent = (side.x + side.y + side.z) / 3.0f;
        VEC_Camera camera;
        camera.SetTransform(Placement({3.0f, 4.0f, -1.0f}, 2.0f, 0.4f));
        TST_UseCamera(m_transform, camera);
    }

    std::vector<SpriteVertex> Drawn(const MAT_Vector3& _offset)
    {
        Render(m_mesh, _offset);
        std::vector<SpriteVertex> vertices;
        for (s32 i = 0; i < m_part->vertexCount; ++i)
            vertices.push_back(EvaluateSprite(REP_VertexShaderConstants, m_part->vertices[i]));
        return vertices;
    }

    FieldPtr m_part;
    REB_Mesh* m_mesh = nullptr;
    f32 m_extent = 0.0f;
};

TEST_F(SpriteFieldWrapTest, OffsetGrowingByOnePeriodLeavesTheFieldUnchanged)
{
    const MAT_Vector3 offset(1.5f, -2.0f, 0.7f);
    const std::vector<SpriteVertex> before = Drawn(offset);
    const MAT_Vector3 steps[3] = {{m_extent, 0.0f, 0.0f}, {0.0f, m_extent, 0.0f}, {0.0f, 0.0f, -m_extent}};
    for (const MAT_Vector3& step : steps) {
        const std::vector<SpriteVertex> after = Drawn(offset + step);
        for (size_t i = 0; i < before.size(); ++i)
            for (s32 k = 0; k < 4; ++k)
                ASSERT_NEAR(before[i].clip[k], after[i].clip[k], 1e-3f) << i << " " << k;
    }
    // Half a period does move it.
    const std::vector<SpriteVertex> moved = Drawn(offset + MAT_Vector3(m_extent / 2.0f, 0.0f, 0.0f));
    EXPECT_GT(std::fabs(moved[0].clip[0] - before[0].clip[0]) + std::fabs(moved[0].clip[3] - before[0].clip[3]), 0.1f);
}

TEST_F(SpriteFieldWrapTest, EveryParticleStaysInTheCubeAheadOfTheEye)
{
    for (const MAT_Vector3& offset : {MAT_Vector3(), MAT_Vector3(123.0f, -456.0f, 78.9f)}) {
        const std::vector<SpriteVertex> drawn = Drawn(offset);
        for (const SpriteVertex& v : drawn) {
            // The cube spans depth 0..E ahead of the eye; its half diagonal bounds the rest.
            const f32 distance =
                std::sqrt(v.view[0] * v.view[0] + (v.view[1] - m_extent / 2.0f) * (v.view[1] - m_extent / 2.0f) +
                          v.view[2] * v.view[2]);
            EXPECT_LE(distance, m_extent * 0.8661f);
        }
    }
}

TEST_F(SpriteTest, FadeScalesTheColourLinearlyOverViewDepth)
{
    // E = 20 and the camera at the origin looking along +y: a particle at world y = d lies at
    // view depth d.
    REB_Mesh* mesh = Mesh({{3, 3}});
    mesh->boxMin = {-10.0f, -10.0f, -10.0f};
    mesh->boxMax = {10.0f, 10.0f, 10.0f};
    m_lights.SetAmbient(1.0f, 1.0f, 1.0f);
    struct Case
    {
        f32 fade, depth, factor;
    };
    const Case cases[] = {
        {0.5f, 0.0f, 1.0f},  {0.5f, 10.0f, 0.75f}, {0.5f, 19.99f, 0.50025f},
        {0.0f, 10.0f, 0.5f}, {1.0f, 15.0f, 1.0f},  {-1.0f, 15.0f, 0.0f},  // never below black
    };
    for (const Case& t : cases) {
        Render(mesh, {}, t.fade);
        DSP_Vertex particle;
        particle.y = t.depth;
        particle.color = 0xFFFFFFFFu;
        const SpriteVertex v = EvaluateSprite(REP_VertexShaderConstants, particle);
        EXPECT_NEAR(t.depth, v.view[1], 1e-4f);
        for (s32 k = 0; k < 3; ++k)
            EXPECT_NEAR(t.factor, v.color[k], 1e-5f) << t.fade << " at " << t.depth;
        EXPECT_NEAR(1.0f, v.color[3], 1e-6f) << "alpha does not fade";
        // The whole depth E, where wrapping never lets a particle be: fade itself.
        const f32 far[4] = {0.0f, 20.0f, 0.0f, 1.0f};
        EXPECT_NEAR(std::max(t.fade, 0.0f), std::max(Dot4(far, REP_VertexShaderConstants[15]), 0.0f), 1e-6f);
    }
}

// ---- GL: the shader against the formula ----

class SpriteGLTest : public TST_PassGLTest
{
protected:
    void SetUp() override
    {
        TST_PassGLTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        m_sprite.Create();
        Texture(TEXTURE, 0xFFFFFFFFu);
        VEC_Material material;
        material.diffuseMap.textureId = TEXTURE;
        CRT_SRand(3);
        m_part.reset(REP_Sprite::GenerateField(material, 2, 10.0f, 1.5f, 1.5f, 0.3f, 0.3f));
        // Two particles where the test wants them: ahead at depth E/2 and near the far side.
        const MAT_Vector3 centres[2] = {{0.0f, 10.0f, 0.0f}, {-4.0f, 18.0f, 3.0f}};
        for (s32 i = 0; i < 2; ++i) {
            for (s32 k = 0; k < 3; ++k) {
                DSP_Vertex& v = m_part->vertices[3 * i + k];
                v.x = centres[i].x;
                v.y = centres[i].y;
                v.z = centres[i].z;
                v.color = COLOR;
            }
        }
        m_part->boxMin = {-10.0f, -10.0f, -10.0f};
        m_part->boxMax = {10.0f, 10.0f, 10.0f};
        m_meshes.emplace_back(new REB_Mesh());
        m_meshes.back()->Reconstruct(m_part.get());
        m_mesh = m_meshes.back().get();
        m_lights.SetAmbient(0.9f, 0.6f, 0.3f);
    }

    void TearDown() override
    {
        if (m_display != nullptr)
            m_sprite.Release();
        TST_PassGLTest::TearDown();
    }

    enum
    {
        TEXTURE = 3
    };
    static constexpr u32 COLOR = TST_Argb(255, 255, 200, 100);

    REP_Sprite m_sprite;
    REB_LightSet m_lights;
    FieldPtr m_part;
    REB_Mesh* m_mesh = nullptr;
};

TEST_F(SpriteGLTest, ParticlesAreDrawnWhereAndAsTheFormulaSays)
{
    for (const MAT_Vector3& offset : {MAT_Vector3(), MAT_Vector3(0.0f, 0.0f, 20.0f)}) {
        Frame(TST_Argb(255, 0, 0, 0), [&] {
            m_sprite.Render(m_mesh, offset, MAT_Angle(0.2f), 1.0f, 1.0f, MAT_Angle(0.9f), 0.5f, m_transform, m_lights);
        });
        for (s32 i = 0; i < 2; ++i) {
            DSP_Vertex centre = m_part->vertices[3 * i];
            centre.nx = centre.ny = centre.nz = 0.0f;
            const SpriteVertex v = EvaluateSprite(REP_VertexShaderConstants, centre);
            const u32 expected = TST_PackRgb(v.color[0], v.color[1], v.color[2]);
            EXPECT_TRUE(TST_RgbNear(expected, PixelAt(v.clip))) << "particle " << i;
            // Beyond the particle's corner radius the frame is untouched.
            f32 beside[4];
            std::memcpy(beside, v.clip, sizeof(beside));
            beside[0] += 2.0f * 1.5f * std::fabs(REP_VertexShaderConstants[7][0]);
            EXPECT_TRUE(TST_RgbNear(0, PixelAt(beside))) << "particle " << i;
        }
        // At depth E/2 with fade 0.5: three quarters of ambient x vertex colour.
        EXPECT_TRUE(
            TST_RgbNear(TST_PackRgb(0.75f * 0.9f, 0.75f * 0.6f * 200.0f / 255.0f, 0.75f * 0.3f * 100.0f / 255.0f),
                        Pixel(WIDTH / 2, HEIGHT / 2)));
    }
}

}  // namespace
