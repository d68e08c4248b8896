// The skin: weights from the reference file with their saturation and checks, the mesh links,
// and the deformation from the skeleton's poses.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "anim_fixture.h"
#include "vca_animationcontroller.h"
#include "vca_animdata.h"
#include "vca_skeleton.h"
#include "vca_skin.h"
#include "vec_mesh.h"

namespace
{

class VcaSkinTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TST_WriteAnimationFixture(m_dir, m_fixture);
        m_mesh.Load("vfx\\msh\\walker.msh");
    }
    void WriteReference(const TOOL_AnimData& _reference) const
    {
        m_dir.Write("animation/bad.msh", TOOL_AnimDataText(_reference));
    }
    // The mesh's vertex positions by file index.
    std::vector<MAT_Vector3> Positions() const
    {
        std::vector<MAT_Vector3> positions(8);
        for (s32 p = 0; p < m_mesh.partCount; ++p)
            for (s32 v = 0; v < m_mesh.parts[p].vertexCount; ++v) {
                const DSP_Vertex& vertex = m_mesh.parts[p].vertices[v];
                positions.at(VEC_GetVertexFileIndex(vertex)) = {vertex.x, vertex.y, vertex.z};
            }
        return positions;
    }

    TST_TempDir m_dir;
    TOOL_AnimationFixture m_fixture = TOOL_MakeAnimationFixture();
    VEC_Mesh m_mesh;
};

TEST_F(VcaSkinTest, WeightBytesAddUpAndSaturate)
{
    TOOL_AnimData reference = m_fixture.reference;
    // Vertex 0: listed twice for the root (200 + 100 saturates); vertex 1: W above 1 and a
    // second bone with W below 0 (skipped); vertex 8 makes nine links.
    reference.bones[0].vertices = {{0, 200.0f / 255.0f + 0.001f}, {0, 100.0f / 255.0f + 0.001f}, {1, 1.5f}};
    reference.bones[1].vertices = {{1, -0.2f}, {0, 0.0f}, {8, 0.25f}};
    WriteReference(reference);
    VCA_Skin skin;
    skin.LoadReferenceFrame("animation\\bad.msh");
    ASSERT_EQ(9, skin.vertexCount);
    EXPECT_EQ(1, skin.links[0].count);
    EXPECT_EQ(255, skin.links[0].weights[0]);
    EXPECT_EQ(1, skin.links[1].count);
    EXPECT_EQ(255, skin.links[1].weights[0]);
    EXPECT_EQ(1, skin.links[8].count);
    EXPECT_EQ(1, skin.links[8].bones[0]);
    EXPECT_EQ(63, skin.links[8].weights[0]);
    EXPECT_EQ(0, skin.links[2].count);
    // Unlinked vertices fail the mesh check.
    EXPECT_FATAL(skin.SetMesh(&m_mesh, 1), "Error: Vertex in animated mesh is not linked to any bone for skinning. ",
                 "VCA_Skin::SetMesh()");

    // A vertex of the same bone twice adds the bytes.
    VCA_Skin fixture;
    fixture.LoadReferenceFrame("animation\\walker.msh");
    ASSERT_EQ(8, fixture.vertexCount);
    EXPECT_EQ(2, fixture.links[2].count);
    EXPECT_EQ(255, fixture.links[2].weights[0] + fixture.links[2].weights[1]);
}

TEST_F(VcaSkinTest, BrokenReferenceFilesAndMeshesStop)
{
    struct Case
    {
        TOOL_AnimData reference;
        const char* caption;
        const char* message;
    };
    TOOL_AnimData negative = m_fixture.reference;
    negative.bones[1].vertices[0].index = -1;
    TOOL_AnimData huge = m_fixture.reference;
    huge.bones[1].vertices[0].index = 2147483647;
    TOOL_AnimData nine = m_fixture.reference;
    for (s32 b = 0; b < 8; ++b)
        nine.bones.push_back({"extra", 50 + b, 10, nine.bones[0].samples, {{0, 0.1f}}});
    TOOL_AnimData noSample = m_fixture.reference;
    noSample.omitSection = "SV0";
    TOOL_AnimData noBone = m_fixture.reference;
    noBone.omitSection = "B2";
    TOOL_AnimData noNosv = m_fixture.reference;
    noNosv.omitKey = "NOSV";
    const Case cases[] = {
        {negative, "VCA_Skin::LoadReferenceFrame()",
         "vertex index -1 outside 0..1048575 in file \"animation\\bad.msh\""},
        {huge, "VCA_Skin::LoadReferenceFrame()",
         "vertex index 2147483647 outside 0..1048575 in file \"animation\\bad.msh\""},
        {nine, "Error: More than MAX_NUM_OF_BONES_PER_VERTEX bones referenced by vertex.",
         "VCA_Skin::LoadReferenceFrame()"},
        {noSample, "DES FILE ERROR",
         "(VCA_Skin::LoadReferenceFrame()): Get [\"SV0\"] in file \"animation\\bad.msh\" failed"},
        {noBone, "DES FILE ERROR",
         "(VCA_Skin::LoadReferenceFrame()): Get [\"B2\"] in file \"animation\\bad.msh\" failed"},
        {noNosv, "DesFile Error", "data \"NOSV\" not found in file \"animation\\bad.msh\""},
    };
    for (const Case& c : cases) {
        WriteReference(c.reference);
        VCA_Skin skin;
        EXPECT_FATAL(skin.LoadReferenceFrame("animation\\bad.msh"), c.caption, c.message);
    }

    VCA_Skin skin;
    EXPECT_FATAL(skin.SetMesh(&m_mesh, 1), "Error: Load reference frame before setting mesh.", "VCA_Skin::SetMesh()");
    // A skin of fewer vertices than the mesh names.
    TOOL_AnimData small = m_fixture.reference;
    small.bones = {small.bones[0]};
    WriteReference(small);
    skin.LoadReferenceFrame("animation\\bad.msh");
    EXPECT_FATAL(skin.SetMesh(&m_mesh, 1),
                 "Error: Vertex in animated mesh references index higher than all vertices defined in skin. ",
                 "VCA_Skin::SetMesh()");
    VCA_Skeleton skeleton;
    skeleton.Load("animation\\walker.msh");
    VCA_Skin noMesh;
    noMesh.LoadReferenceFrame("animation\\walker.msh");
    EXPECT_FATAL(noMesh.ComputeAnimatedMesh(1.0f, &skeleton), "Error: Can't access animated mesh. ",
                 "VCA_Skin::ComputeAnimatedMesh()");
    VCA_Skeleton big;
    big.count = 257;
    EXPECT_FATAL(noMesh.ComputeAnimatedMesh(1.0f, &big),
                 "Error: Maximal 256 bones allowed for animated mesh computation (increase by re-compilation). ",
                 "VCA_Skin::ComputeAnimatedMesh()");
    big.count = 0;
}

TEST_F(VcaSkinTest, TheReferencePoseReproducesTheMeshAndPosesMoveIt)
{
    const std::vector<MAT_Vector3> reference = Positions();
    VCA_Skin skin;
    skin.LoadReferenceFrame("animation\\walker.msh");
    skin.SetMesh(&m_mesh, 1);
    EXPECT_EQ(&m_mesh, skin.GetMesh());
    VCA_Skeleton skeleton;
    skeleton.Load("animation\\walker.msh");
    skin.ComputeAnimatedMesh(1.0f, &skeleton);
    std::vector<MAT_Vector3> positions = Positions();
    for (size_t i = 0; i < positions.size(); ++i)
        TST_ExpectNear(reference[i], positions[i], 1e-5f, ("vertex " + std::to_string(i)).c_str());

    // The walk at 0.25 s: the root one unit along x, the spine turned 45 degrees about z.
    VCA_AnimData walk;
    walk.Load("animation\\walker_walk.des", "animation\\walker.msh");
    VCA_AnimationController controller;
    controller.SetSkeleton(&skeleton);
    controller.ActivateAnimation(controller.AddAnimation(&walk), 0, 1.0f, 0.0f, 0.0f, 0.0f, 0);
    controller.Update(0.25f);
    skin.ComputeAnimatedMesh(2.0f, &skeleton);
    positions = Positions();
    // The bottom row follows the root alone (scaled by 2); the top row the head, which the
    // spine turned: (1, 0, 3) about the spine's joint at (0, 0, 1) -> (cos 45, sin 45, 3).
    TST_ExpectNear(MAT_Vector3(2.0f, 0.0f, 0.0f), positions[0], 1e-4f, "root row");
    TST_ExpectNear(MAT_Vector3(4.0f, 0.0f, 0.0f), positions[1], 1e-4f, "root row");
    TST_ExpectNear(MAT_Vector3(2.0f * (1.0f + 0.70710677f), 2.0f * 0.70710677f, 6.0f), positions[7], 1e-3f, "head row");
    // Normals recomputed: the top quad turned rigidly by 45 degrees about z, and its normal
    // with it.
    for (s32 v = 0; v < m_mesh.parts[0].vertexCount; ++v) {
        const DSP_Vertex& vertex = m_mesh.parts[0].vertices[v];
        if (VEC_GetVertexFileIndex(vertex) == 7) {
            EXPECT_NEAR(0.70710677f, std::fabs(vertex.nx), 1e-2f);
            EXPECT_NEAR(0.70710677f, std::fabs(vertex.ny), 1e-2f);
        }
    }
}

}  // namespace
