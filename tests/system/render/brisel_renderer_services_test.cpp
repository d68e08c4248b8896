// The renderer's drawing services for nodes: meshes, billboards, 2D quads, trails, particles.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "brisel_renderer_fixture.h"
#include "mat_geometry.h"
#include "reb_lightset.h"
#include "rep_clear.h"
#include "rep_constants.h"
#include "rep_object.h"

namespace
{

class ServicesTest : public RendererTest
{
protected:
    void SetUp() override
    {
        RendererTest::SetUp();
        // A camera copy for the calls to test against: at the origin looking along +y.
        Frame();
        m_fake.Forget();
    }

    // A render mesh of one unit square, its box around the origin.
    REB_Mesh* Quad()
    {
        m_meshes.emplace_back(new REB_Mesh());
        VEC_MeshPart part;
        TST_SquarePart(part, 1.0f);
        m_meshes.back()->Reconstruct(&part);
        return m_meshes.back().get();
    }

    std::vector<std::unique_ptr<REB_Mesh>> m_meshes;
};

TEST(RendererBoxTest, TheBoxOfPointsTakesEachAxisOnItsOwn)
{
    const MAT_Vector3 one[1] = {{1.0f, -2.0f, 3.0f}};
    MAT_AABox box;
    Brisel_Renderer::BoundingBoxOfPoints(box, one, 1);
    EXPECT_EQ(one[0], box.m_min);
    EXPECT_EQ(one[0], box.m_max);

    const MAT_Vector3 points[4] = {{1.0f, 1.0f, 1.0f}, {-2.0f, 5.0f, 0.5f}, {3.0f, -4.0f, 2.0f}, {0.0f, 0.0f, -7.0f}};
    Brisel_Renderer::BoundingBoxOfPoints(box, points, 4);
    EXPECT_EQ(MAT_Vector3(-2.0f, -4.0f, -7.0f), box.m_min);
    EXPECT_EQ(MAT_Vector3(3.0f, 5.0f, 2.0f), box.m_max);
}

TEST_F(ServicesTest, AMeshOutsideTheViewDrawsNothingAndLeavesTheLightsAlone)
{
    REB_Mesh* quad = Quad();
    const REB_LightSet& lights = *m_renderer->GetLightSet();
    m_renderer->RenderMeshPrelit(nullptr, quad, TST_At({0.0f, 10.0f, 0.0f}));  // ambient 0, no light
    ASSERT_EQ(0xFF000000u, lights.GetAmbientColor());
    m_fake.Forget();

    m_renderer->RenderMesh(quad, TST_At({0.0f, -10.0f, 0.0f}));  // behind the eye
    m_renderer->RenderMesh(nullptr, TST_At({0.0f, 10.0f, 0.0f}));
    m_renderer->RenderMeshPrelit(nullptr, quad, TST_At({0.0f, -10.0f, 0.0f}));
    m_renderer->RenderMeshPrelit(quad, nullptr, TST_At({0.0f, 10.0f, 0.0f}));
    EXPECT_EQ(0u, Draws());
    EXPECT_EQ(0xFF000000u, lights.GetAmbientColor());
    EXPECT_EQ(0, lights.GetLightCount());
}

TEST_F(ServicesTest, AMeshInViewIsLitByTheObjectLightFromAbove)
{
    REB_Mesh* quad = Quad();
    m_renderer->RenderMesh(quad, TST_At({2.0f, 10.0f, 3.0f}));
    EXPECT_GT(Draws(), 0u);
    const REB_LightSet& lights = *m_renderer->GetLightSet();
    ASSERT_EQ(1, lights.GetLightCount());
    const REB_Light& light = lights.GetLight(0);
    EXPECT_EQ(MAT_Vector3(0.04f, 0.15f, 0.25f), light.light.m_color1);
    EXPECT_EQ(MAT_Vector3(0.35f, 0.30f, 0.20f), light.light.m_color2);
    EXPECT_EQ(1, light.light.m_type);
    EXPECT_EQ(MAT_Vector3(2.0f, 10.0f, 3.0f), light.worldPosition);
    EXPECT_EQ(MAT_Vector3(0.0f, 0.0f, -1.0f), light.worldDirection);
    EXPECT_EQ(0xFF191919u, lights.GetAmbientColor());  // 0.1 as bytes 25
}

TEST_F(ServicesTest, TheDetailedMeshIsChosenByTheTrueDistance)
{
    TST_FakeDetailedMesh detailed;
    detailed.switchDistance = 5.5f;
    detailed.near = Quad();
    m_renderer->RenderBriselMesh(&detailed, TST_At({3.0f, 4.0f, 0.0f}));
    ASSERT_EQ(1u, detailed.distances.size());
    EXPECT_EQ(5.0f, detailed.distances[0]);
    EXPECT_GT(Draws(), 0u);
    m_fake.Forget();
    m_renderer->RenderBriselMesh(&detailed, TST_At({30.0f, 40.0f, 0.0f}));  // no far level
    m_renderer->RenderBriselMesh(nullptr, TST_At({3.0f, 4.0f, 0.0f}));
    EXPECT_EQ(0u, Draws());
}

TEST_F(ServicesTest, Draw2DQuadBlendsAnOpaqueAlphaAndCentresOnPixels)
{
    struct Case
    {
        u8 alpha;
        u8 drawn;
    };
    const u8 color[4] = {0, 0, 255, 255};  // red
    for (const Case& c : {Case{255, 254}, Case{192, 192}, Case{0, 0}}) {
        SCOPED_TRACE(c.alpha);
        m_renderer->Draw2DQuad(7, 100.0f, 40.0f, MAT_Angle(), 32.0f, 16.0f, color, 2, c.alpha);
        EXPECT_NEAR((f32)c.drawn / 255.0f, REP_VertexShaderConstants[6][3], 1e-6f);
    }
    // Virtual x 100.5 of 640 from the left, y 40.5 of 480 from the top.
    EXPECT_NEAR(100.5f * 2.0f / 640.0f - 1.0f, REP_VertexShaderConstants[2][3], 1e-6f);
    EXPECT_NEAR(1.0f - 40.5f * 2.0f / 480.0f, REP_VertexShaderConstants[3][3], 1e-6f);
    EXPECT_EQ(0xFFFF0000u, m_renderer->GetLightSet()->GetAmbientColor());
    EXPECT_EQ(0, m_renderer->GetLightSet()->GetLightCount());
}

TEST_F(ServicesTest, BillboardsTakeTextureColourAndAlphaFromTheCaller)
{
    const u8 color[4] = {10, 20, 30, 40};
    m_renderer->RenderBillboard(9, {1.0f, 20.0f, 2.0f}, 3.0f, 4.0f, color);
    const REP_Billboard& pass = *m_renderer->GetBillboardPass();
    ASSERT_NE(nullptr, pass.material);
    EXPECT_EQ(9u, pass.material->material.diffuseMap.textureId);
    EXPECT_EQ(40, pass.material->material.diffuseMap.alpha);
    EXPECT_EQ(1, pass.material->material.diffuseMap.blendMode);
    EXPECT_EQ(MAT_Vector3(1.0f, 20.0f, 2.0f), pass.position);
    EXPECT_EQ(0xFF1E140Au, m_renderer->GetLightSet()->GetAmbientColor());
    EXPECT_EQ(1u, Draws());
}

TEST_F(ServicesTest, TrailsAppendToTheRingAndWrapWithADiscard)
{
    TST_FakeTrail trail;
    trail.quads = 63;  // 128 vertices, 126 triangles (378 indices): eight fill the vertices
    for (s32 i = 0; i < 9; ++i)
        m_renderer->RenderTrail(&trail, 5);
    const std::vector<Lock> vertices = Locks("Vertex");
    const std::vector<Lock> indices = Locks("Index");
    ASSERT_EQ(9u, vertices.size());
    ASSERT_EQ(9u, indices.size());
    for (u32 i = 0; i < 9; ++i) {
        SCOPED_TRACE(i);
        const u32 slot = i < 8 ? i : 0;
        EXPECT_EQ(slot * 128u * 40u, vertices[i].offset);
        EXPECT_EQ(128u * 40u, vertices[i].size);
        EXPECT_EQ(slot == 0 ? (u32)DEV_LOCK_DISCARD : (u32)DEV_LOCK_NOOVERWRITE, vertices[i].flags);
        EXPECT_EQ(slot * 378u * 2u, indices[i].offset);
        EXPECT_EQ(slot == 0 ? (u32)DEV_LOCK_DISCARD : (u32)DEV_LOCK_NOOVERWRITE, indices[i].flags);
    }
    // The seventh trail's indices point at its own vertices.
    const DEV_NullBuffer& entries = Device().indexBuffers[indices[6].buffer];
    u16 first[3] = {};
    std::memcpy(first, entries.data + indices[6].offset, sizeof(first));
    EXPECT_EQ(6 * 128 + 0, first[0]);
    EXPECT_EQ(6 * 128 + 2, first[1]);
    EXPECT_EQ(6 * 128 + 1, first[2]);
    const DEV_NullBuffer& stream = Device().vertexBuffers[vertices[6].buffer];
    DSP_Vertex vertex;
    std::memcpy(&vertex, stream.data + vertices[6].offset + 40, sizeof(vertex));
    EXPECT_EQ(-0.5f, vertex.z);  // in world coordinates, as built

    const REB_Material& range = *m_renderer->GetTrailMesh()->GetMaterial(0);
    EXPECT_EQ(0, range.firstVertex);
    EXPECT_EQ(128, range.vertexCount);
    EXPECT_EQ(378, range.indexCount);
    EXPECT_EQ(5u, range.material.diffuseMap.textureId);
    EXPECT_EQ(9u, Draws());
    EXPECT_EQ(std::vector<f32>(9, 0.0f), trail.times);
    EXPECT_EQ(0xFFFFFFFFu, m_renderer->GetLightSet()->GetAmbientColor());

    // A trail with nothing to draw draws nothing and keeps the ring where it was.
    m_fake.Forget();
    trail.quads = 0;
    m_renderer->RenderTrail(&trail, 5);
    EXPECT_EQ(0u, Draws());
    EXPECT_EQ(128, m_renderer->GetTrailMesh()->GetMaterial(0)->vertexCount);
}

TEST_F(ServicesTest, ParticlesTakeOneKeyPositionForAllCurvesAndSaturateTheirColours)
{
    Brisel_ParticleLook look;
    look.textureId = 3;
    look.size = 2.0f;
    look.renderMode = 3;
    VFX_KeyTrack* curves[5] = {&look.red, &look.green, &look.blue, &look.alpha, &look.sizeCurve};
    for (VFX_KeyTrack* curve : curves)
        curve->Allocate(16);
    // Red runs over 16 keys; green and blue have only two, so a late index passes their keys.
    look.green.Allocate(2);
    look.blue.Allocate(2);
    for (VFX_KeyTrack* curve : curves)
        curve->SetTiming(0.0f, 1.0f, VFX_KeyTrack::FLAG_CLAMP);
    look.red.Fill(1.2f);  // above 1: saturates, never wraps
    look.green.GetKeys()[0] = 0.5f;
    look.green.GetKeys()[1] = -0.25f;  // below 0
    look.blue.Fill(0.2f);
    look.alpha.Fill(0.5f);
    look.sizeCurve.Fill(1.0f);

    TST_FakeParticles particles;
    Brisel_ParticleState particle;
    particle.birth = 0.0f;
    particle.ageRate = 0.1f;  // age 0.9 at t = 9: red's index 13
    particle.previousPosition = {0.0f, 10.0f, 0.0f};
    particle.position = {4.0f, 20.0f, 0.0f};
    particle.previousAngle = 0.0f;
    particle.angle = 1.0f;
    particle.look = &look;
    particles.particles.push_back(particle);

    m_renderer->RenderParticle(particle, 9.0f, 0.25f);
    const REP_Billboard& pass = *m_renderer->GetParticleBillboardPass();
    EXPECT_EQ(0xFFFF0033u, m_renderer->GetLightSet()->GetAmbientColor());  // green read its last key
    ASSERT_NE(nullptr, pass.material);
    EXPECT_EQ(3u, pass.material->material.diffuseMap.textureId);
    EXPECT_EQ(127, pass.material->material.diffuseMap.alpha);
    EXPECT_EQ(3, pass.material->material.diffuseMap.blendMode);
    EXPECT_EQ(MAT_Vector3(1.0f, 12.5f, 0.0f), pass.position);
    EXPECT_EQ(1u, Draws());

    // Sizes of 0.1 and below are not drawn.
    m_fake.Forget();
    look.sizeCurve.Fill(0.05f);  // 0.1 after the scale
    m_renderer->RenderParticle(particle, 9.0f, 0.25f);
    EXPECT_EQ(0u, Draws());
    look.sizeCurve.Fill(0.055f);
    m_renderer->RenderParticle(particle, 9.0f, 0.25f);
    EXPECT_EQ(1u, Draws());

    // The frame draws the installed system at the frame clock's time and fraction.
    m_fake.Forget();
    SIM_GetFrameClock().fraction = 0.5f;
    Frame(9.0f);
    EXPECT_EQ(2u, Draws());  // the sky and the particle
    EXPECT_EQ(MAT_Vector3(2.0f, 15.0f, 0.0f), pass.position);
}

TEST_F(ServicesTest, AnimatedParticlesTakeTheirFrameFromTheTextureSet)
{
    Brisel_ParticleLook look;
    look.textureId = -1;
    look.animation.type = FX_TEXTUREANIM_ONESHOT;
    look.animation.textureSet = m_renderer->GetCausticHandle();
    look.animation.frames = 4.0f;
    for (VFX_KeyTrack* curve : {&look.red, &look.green, &look.blue, &look.alpha, &look.sizeCurve}) {
        curve->Allocate(2);
        curve->Fill(1.0f);
        curve->SetTiming(0.0f, 1.0f, VFX_KeyTrack::FLAG_CLAMP);
    }
    Brisel_ParticleState particle;
    particle.ageRate = 0.5f;
    particle.position = particle.previousPosition = {0.0f, 10.0f, 0.0f};
    particle.look = &look;
    const FX_TextureSet* set = m_resources->GetTextureSet(m_renderer->GetCausticHandle());
    m_renderer->RenderParticle(particle, 1.0f, 0.0f);  // age 0.5: frame 2
    const REP_Billboard& pass = *m_renderer->GetParticleBillboardPass();
    ASSERT_NE(nullptr, pass.material);
    EXPECT_EQ((u32)set->GetID(2), pass.material->material.diffuseMap.textureId);
}

TEST_F(ServicesTest, WithoutAParticleSystemNoParticleIsDrawn)
{
    m_renderer->RenderParticles();
    EXPECT_EQ(0u, Draws());
}

}  // namespace
