#include "mto_patch.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "test_dir.h"
#include "tools_patch.h"
#include "vec_mesh.h"

namespace
{

// A source of capacity 3 with 2 parts in use. Part 0: vertices at x = 0..5, triangles (0 1 2),
// (2 1 3), (3 4 5); part 1: vertices at x = 10..12, one triangle.
class PatchTest : public ::testing::Test
{
protected:
    TST_TempDir m_dir;
    VEC_Mesh m_source;
    MTO_Patch m_patch;

    void SetUp() override
    {
        m_source.Allocate(3);
        m_source.partCount = 2;
        BuildPart(m_source.parts[0], 6, {{0, 1, 2}, {2, 1, 3}, {3, 4, 5}}, 0.0f, 0x112233);
        BuildPart(m_source.parts[1], 3, {{0, 1, 2}}, 10.0f, 0x445566);
    }

    // The meshes belong to the caller.
    void TearDown() override { DeleteMeshes(); }
    void DeleteMeshes()
    {
        for (s32 i = 0; i < m_patch.m_meshCount; ++i)
            delete m_patch.m_meshes[i];
        m_patch.m_meshCount = 0;
    }

    static void BuildPart(VEC_MeshPart& _part, s32 _vertices, std::vector<std::array<u16, 3>> _triangles, f32 _x,
                          u32 _color)
    {
        _part.Allocate(_vertices, (s32)_triangles.size());
        for (s32 v = 0; v < _vertices; ++v) {
            _part.vertices[v].x = _x + (f32)v;
            _part.vertices[v].y = (f32)v * 0.5f;
            VEC_SetVertexFileIndex(_part.vertices[v], (u32)v);
        }
        _part.vertexCount = _vertices;
        for (size_t t = 0; t < _triangles.size(); ++t) {
            for (s32 c = 0; c < 3; ++c)
                _part.triangles[t].vertex[c] = _triangles[t][c];
            _part.triangles[t].group = (u8)(t + 7);
        }
        _part.triangleCount = (s32)_triangles.size();
        _part.material.diffuseColor = _color;
    }

    void Load(const TOOL_Patch& _patch)
    {
        ASSERT_EQ(1u, TOOL_WritePatch("p.pat", _patch));
        ASSERT_EQ(1u, m_patch.Load("p.pat"));
    }

    // One patch of _count records, all naming triangle 0 of part 0.
    static TOOL_Patch OnePatch(s32 _count)
    {
        TOOL_Patch patch;
        patch.triangles.resize((size_t)_count);
        patch.patches.push_back({0, _count, 0.0f, {}, {}});
        return patch;
    }
};

TEST_F(PatchTest, LoadReadsEveryRecord)
{
    TOOL_Patch patch;
    patch.triangles.push_back({3, 1, 0, {4, 5, 6}});
    patch.triangles.push_back({0, 0, 2, {0, 0, 0}});
    patch.patches.push_back({0, 2, 1.5f, {1.0f, 2.0f, 3.0f}, {-1.0f, -2.0f, -3.0f}});
    Load(patch);
    ASSERT_EQ(2, m_patch.m_triangleCount);
    ASSERT_EQ(1, m_patch.m_patchCount);
    EXPECT_EQ(3, m_patch.m_triangles[0].u);
    EXPECT_EQ(1, m_patch.m_triangles[0].part);
    EXPECT_EQ(6, m_patch.m_triangles[0].n[2]);
    EXPECT_EQ(2, m_patch.m_triangles[1].triangle);
    EXPECT_EQ(2, m_patch.m_patches[0].count);
    EXPECT_EQ(1.5f, m_patch.m_patches[0].a);
    EXPECT_EQ(-3.0f, m_patch.m_patches[0].v1[2]);
}

TEST_F(PatchTest, BuildMeshSharesUsedVerticesOnlyAndKeepsEmptyPartsInTheBox)
{
    const MTO_PatchTriangle records[] = {{0, 0, 1, {}}, {0, 0, 0, {}}};
    VEC_Mesh* mesh = m_patch.BuildMesh(m_source, records, 2);
    ASSERT_EQ(3, mesh->partCapacity);
    ASSERT_EQ(2, mesh->partCount);

    const VEC_MeshPart& part = mesh->parts[0];
    // Source vertices 2, 1, 3, 0 in order of first use; 4 and 5 are not copied.
    ASSERT_EQ(4, part.vertexCount);
    EXPECT_EQ(4, part.vertexCapacity);
    const u32 expected[] = {2, 1, 3, 0};
    for (s32 v = 0; v < 4; ++v)
        EXPECT_EQ(expected[v], VEC_GetVertexFileIndex(part.vertices[v]));
    ASSERT_EQ(2, part.triangleCount);
    EXPECT_EQ(0, part.triangles[0].vertex[0]);
    EXPECT_EQ(2, part.triangles[0].vertex[2]);
    EXPECT_EQ(8, part.triangles[0].group);
    EXPECT_EQ(3, part.triangles[1].vertex[0]);
    EXPECT_EQ(1, part.triangles[1].vertex[1]);
    EXPECT_EQ(0, part.triangles[1].vertex[2]);  // the shared source vertex 2
    EXPECT_EQ(0x112233u, part.material.diffuseColor);

    // Part 1 took no triangle: no vertices, the empty box, which still widens the mesh box.
    EXPECT_EQ(0, mesh->parts[1].vertexCount);
    EXPECT_EQ(0x445566u, mesh->parts[1].material.diffuseColor);
    EXPECT_EQ(-0.5f, mesh->boxMin.x);
    EXPECT_EQ(-0.5f, mesh->boxMin.z);
    EXPECT_EQ(3.0f, mesh->boxMax.x);
    EXPECT_EQ(1.5f, mesh->boxMax.y);
    EXPECT_EQ(0.5f, mesh->boxMax.z);
    delete mesh;
}

TEST_F(PatchTest, CreateMeshesCutsPatchesIntoChunks)
{
    TOOL_Patch patch = OnePatch(260);
    patch.patches = {{0, 250, 0.0f, {}, {}}, {250, 0, 0.0f, {}, {}}, {250, 10, 0.0f, {}, {}}};
    Load(patch);
    m_patch.CreateMeshes(m_source, 100);
    ASSERT_EQ(4, m_patch.m_meshCount);
    const s32 triangles[] = {100, 100, 50, 10};
    for (s32 i = 0; i < 4; ++i) {
        EXPECT_EQ(triangles[i], m_patch.m_meshes[i]->parts[0].triangleCount);
        EXPECT_EQ(3, m_patch.m_meshes[i]->parts[0].vertexCount);
    }
}

TEST_F(PatchTest, The513thMeshIsFatal)
{
    Load(OnePatch(512));
    m_patch.CreateMeshes(m_source, 1);
    EXPECT_EQ(512, m_patch.m_meshCount);
    DeleteMeshes();

    Load(OnePatch(513));
    EXPECT_FATAL(m_patch.CreateMeshes(m_source, 1), "MTO_Patch::CreateMeshes()", "mesh array overflow");
    EXPECT_EQ(512, m_patch.m_meshCount);
}

TEST_F(PatchTest, RecordsNamingWhatDoesNotExistAreFatalWithTheFileName)
{
    struct Case
    {
        TOOL_Patch patch;
        const char* caption;
        const char* message;
    };
    auto with = [](void (*_change)(TOOL_Patch&)) {
        TOOL_Patch patch = OnePatch(2);
        _change(patch);
        return patch;
    };
    const Case loads[] = {
        {with([](TOOL_Patch& p) { p.numOfT = -2; }), "MTO_Patch::Load() - illegal number of triangles", "p.pat"},
        {with([](TOOL_Patch& p) { p.numOfP = -2; }), "MTO_Patch::Load() - illegal number of patches", "p.pat"},
        {with([](TOOL_Patch& p) { p.patches[0].count = 3; }),
         "MTO_Patch::Load() - patch references unknown triangle records", "p.pat"},
        {with([](TOOL_Patch& p) { p.patches[0].first = -1; }),
         "MTO_Patch::Load() - patch references unknown triangle records", "p.pat"},
        {with([](TOOL_Patch& p) { p.patches[0].count = -1; }),
         "MTO_Patch::Load() - patch references unknown triangle records", "p.pat"},
        // Read narrow, these would wrap to triangle 4, part 0 and part 255.
        {with([](TOOL_Patch& p) { p.triangles[1].triangle = 65540; }),
         "MTO_Patch::Load() - triangle record out of range", "p.pat"},
        {with([](TOOL_Patch& p) { p.triangles[1].part = 256; }), "MTO_Patch::Load() - triangle record out of range",
         "p.pat"},
        {with([](TOOL_Patch& p) { p.triangles[0].part = -1; }), "MTO_Patch::Load() - triangle record out of range",
         "p.pat"},
        {with([](TOOL_Patch& p) { p.numOfT = 2000000000; }), "DES FILE ERROR",
         "(MTO_Patch::Load): Get [\"T2\"] in file \"p.pat\" failed"},
        {with([](TOOL_Patch& p) { p.numOfP = 2; }), "DES FILE ERROR",
         "(MTO_Patch::Load): Get [\"P1\"] in file \"p.pat\" failed"},
    };
    for (const Case& c : loads) {
        SCOPED_TRACE(c.message);
        SCOPED_TRACE(c.caption);
        ASSERT_EQ(1u, TOOL_WritePatch("p.pat", c.patch));
        EXPECT_FATAL(m_patch.Load("p.pat"), c.caption, c.message);
    }
    m_dir.Write("p.pat", "[Triangle]\n{\n    NumOfT = 0\n}\n");
    EXPECT_FATAL(m_patch.Load("p.pat"), "DES FILE ERROR",
                 "(MTO_Patch::Load): Get [\"Patch\"] in file \"p.pat\" failed");
    m_dir.Write("p.pat", "[Patch]\n{\n    NumOfP = 0\n}\n");
    EXPECT_FATAL(m_patch.Load("p.pat"), "DES FILE ERROR",
                 "(MTO_Patch::Load): Get [\"Triangle\"] in file \"p.pat\" failed");

    // Parts and triangles are checked against the source when the meshes are built.
    const Case builds[] = {
        {with([](TOOL_Patch& p) { p.triangles[1].part = 2; }),
         "MTO_Patch::BuildMesh() - triangle references unknown part", "p.pat"},
        {with([](TOOL_Patch& p) { p.triangles[1].triangle = 3; }),
         "MTO_Patch::BuildMesh() - triangle references unknown triangle", "p.pat"},
        {with([](TOOL_Patch& p) { p.triangles[1].part = 1, p.triangles[1].triangle = 1; }),
         "MTO_Patch::BuildMesh() - triangle references unknown triangle", "p.pat"},
    };
    for (const Case& c : builds) {
        Load(c.patch);
        EXPECT_FATAL(m_patch.CreateMeshes(m_source, 100), c.caption, c.message);
        EXPECT_EQ(0, m_patch.m_meshCount);
    }
    // A source triangle pointing past its part's vertices is refused too.
    m_source.parts[0].triangles[0].vertex[1] = 6;
    Load(OnePatch(1));
    EXPECT_FATAL(m_patch.CreateMeshes(m_source, 100), "MTO_Patch::BuildMesh() - triangle references unknown vertex",
                 "p.pat");
}

}  // namespace
