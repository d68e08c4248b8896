#include <string>
#include <vector>

#include "reb_fixture.h"
#include "reb_mesh.h"
#include "tools_mesh.h"

static const char* const RECONSTRUCT = "REB_Mesh::Reconstruct()";

// A part of _vertices vertices (x = _marker + index) and _triangles triangles (k, k+1, k+2
// modulo the vertex count).
static void FillPart(VEC_MeshPart& _part, s32 _vertices, s32 _triangles, f32 _marker)
{
    _part.Allocate(_vertices, _triangles);
    _part.vertexCount = _vertices;
    _part.triangleCount = _triangles;
    for (s32 i = 0; i < _vertices; i++)
        _part.vertices[i].x = _marker + (f32)i;
    for (s32 t = 0; t < _triangles; t++)
        for (s32 k = 0; k < 3; k++)
            _part.triangles[t].vertex[k] = (u16)((t + k) % _vertices);
}

static bool EndsWith(const std::string& _text, const std::string& _end)
{
    return _text.size() >= _end.size() && _text.compare(_text.size() - _end.size(), _end.size(), _end) == 0;
}

class RebMeshTest : public RenderBaseTest
{
protected:
    std::vector<DSP_Vertex> ReadVertices(s32 _id, s32 _count)
    {
        void* data = nullptr;
        m_display->VertexBuffer_Lock(_id, 0, &data, 0, _count);
        std::vector<DSP_Vertex> vertices((DSP_Vertex*)data, (DSP_Vertex*)data + _count);
        m_display->VertexBuffer_Unlock(_id);
        return vertices;
    }
    std::vector<u16> ReadIndices(s32 _id, s32 _count)
    {
        void* data = nullptr;
        m_display->IndexBuffer_Lock(_id, 0, &data, 0, _count);
        std::vector<u16> indices((u16*)data, (u16*)data + _count);
        m_display->IndexBuffer_Unlock(_id);
        return indices;
    }
    u32 LockedBuffers()
    {
        u32 locked = 0;
        for (const auto& buffer : Device().vertexBuffers)
            locked += buffer.second.locked;
        for (const auto& buffer : Device().indexBuffers)
            locked += buffer.second.locked;
        return locked;
    }
};

TEST_F(RebMeshTest, WholeMeshSharesOneBufferPair)
{
    VEC_Mesh mesh;
    mesh.Allocate(2);
    mesh.partCount = 2;
    FillPart(mesh.parts[0], 10, 3, 100.0f);
    FillPart(mesh.parts[1], 20, 5, 200.0f);
    mesh.parts[1].material.diffuseMap.SetTextureName("hull");
    mesh.boxMin = {-1.0f, -2.0f, -3.0f};
    mesh.boxMax = {1.0f, 2.0f, 3.0f};

    REB_Mesh render;
    render.Reconstruct(&mesh);

    // One static buffer of each kind, sized for all parts, filled through one whole lock each.
    ASSERT_EQ(1u, m_fake.Count("CreateVertexBuffer"));
    ASSERT_EQ(1u, m_fake.Count("CreateIndexBuffer"));
    EXPECT_EQ(0u, m_fake.Matching("CreateVertexBuffer")[0].find("CreateVertexBuffer 1200 "));
    EXPECT_EQ(0u, m_fake.Matching("CreateIndexBuffer")[0].find("CreateIndexBuffer 48 "));
    ASSERT_EQ(1u, m_fake.Count("LockVertexBuffer"));
    ASSERT_EQ(1u, m_fake.Count("LockIndexBuffer"));
    EXPECT_TRUE(EndsWith(m_fake.Matching("LockVertexBuffer")[0], " 0 1200 0x800"));
    EXPECT_TRUE(EndsWith(m_fake.Matching("LockIndexBuffer")[0], " 0 48 0x800"));
    EXPECT_EQ(1u, m_fake.Count("UnlockVertexBuffer"));
    EXPECT_EQ(1u, m_fake.Count("UnlockIndexBuffer"));
    EXPECT_EQ(0u, LockedBuffers());

    EXPECT_EQ(REB_BUFFER_STATIC, render.GetVertexBufferType());
    EXPECT_EQ(30, render.GetVertexCapacity());
    EXPECT_EQ(24, render.GetIndexCapacity());
    EXPECT_NE(0, render.GetVertexBuffer());
    EXPECT_NE(0, render.GetIndexBuffer());
    EXPECT_EQ(mesh.boxMin, render.boxMin);
    EXPECT_EQ(mesh.boxMax, render.boxMax);

    ASSERT_EQ(2, render.GetMaterialCount());
    const REB_Material* first = render.GetMaterial(0);
    const REB_Material* second = render.GetMaterial(1);
    for (const REB_Material* m : {first, second}) {
        EXPECT_EQ(render.GetVertexBuffer(), m->vertexBuffer);
        EXPECT_EQ(render.GetIndexBuffer(), m->indexBuffer);
    }
    EXPECT_EQ(0, first->firstVertex);
    EXPECT_EQ(10, first->vertexCount);
    EXPECT_EQ(0, first->firstIndex);
    EXPECT_EQ(9, first->indexCount);
    EXPECT_EQ(10, second->firstVertex);
    EXPECT_EQ(20, second->vertexCount);
    EXPECT_EQ(9, second->firstIndex);
    EXPECT_EQ(15, second->indexCount);
    EXPECT_STREQ("hull", second->material.diffuseMap.name);

    const std::vector<DSP_Vertex> vertices = ReadVertices(render.GetVertexBuffer(), 30);
    EXPECT_EQ(100.0f, vertices[0].x);
    EXPECT_EQ(109.0f, vertices[9].x);
    EXPECT_EQ(200.0f, vertices[10].x);
    EXPECT_EQ(219.0f, vertices[29].x);
    // The second part's indices are stored plus its first vertex.
    const std::vector<u16> indices = ReadIndices(render.GetIndexBuffer(), 24);
    const std::vector<u16> expected = {0,  1,  2,  1,  2,  3,  2,  3,  4,  10, 11, 12,
                                       11, 12, 13, 12, 13, 14, 13, 14, 15, 14, 15, 16};
    EXPECT_EQ(expected, indices);
}

TEST_F(RebMeshTest, RebuildingAndDeletingReleaseTheBuffers)
{
    VEC_MeshPart part;
    FillPart(part, 4, 2, 0.0f);
    part.boxMin = {0.0f, 0.0f, 0.0f};
    part.boxMax = {3.0f, 1.0f, 1.0f};
    {
        REB_Mesh render;
        render.Reconstruct(&part);
        EXPECT_EQ(1, render.GetMaterialCount());
        EXPECT_EQ(part.boxMax, render.boxMax);
        EXPECT_EQ(6, render.GetMaterial(0)->indexCount);
        EXPECT_EQ(1u, Device().vertexBuffers.size() - 1);  // besides the shared dynamic buffer

        render.Reconstruct(&part);
        EXPECT_EQ(1u, m_fake.Count("ReleaseVertexBuffer"));
        EXPECT_EQ(1u, m_fake.Count("ReleaseIndexBuffer"));
        EXPECT_EQ(2u, Device().vertexBuffers.size());
        EXPECT_EQ(2u, Device().indexBuffers.size());
    }
    EXPECT_EQ(2u, m_fake.Count("ReleaseVertexBuffer"));
    EXPECT_EQ(2u, m_fake.Count("ReleaseIndexBuffer"));
    EXPECT_EQ(1u, Device().vertexBuffers.size());
    EXPECT_EQ(1u, Device().indexBuffers.size());
}

TEST_F(RebMeshTest, DynamicBuffersAreMadeOnlyWhenTheyChange)
{
    REB_Mesh trail;
    trail.Reconstruct(REB_BUFFER_DYNAMIC, 1024, REB_BUFFER_DYNAMIC, 3072, 2);
    EXPECT_EQ(REB_BUFFER_DYNAMIC, trail.GetVertexBufferType());
    EXPECT_EQ(REB_BUFFER_DYNAMIC, trail.GetIndexBufferType());
    EXPECT_EQ(1024, trail.GetVertexCapacity());
    EXPECT_EQ(3072, trail.GetIndexCapacity());
    ASSERT_EQ(1u, m_fake.Count("CreateVertexBuffer 40960 "));
    ASSERT_EQ(1u, m_fake.Count("CreateIndexBuffer 6144 "));
    ASSERT_EQ(2, trail.GetMaterialCount());
    for (s32 i = 0; i < 2; i++) {
        const REB_Material* m = trail.GetMaterial(i);
        EXPECT_EQ(trail.GetVertexBuffer(), m->vertexBuffer);
        EXPECT_EQ(trail.GetIndexBuffer(), m->indexBuffer);
        EXPECT_EQ(0, m->vertexCount);
        EXPECT_EQ(0, m->indexCount);
    }
    // Discard locks are what dynamic buffers are for.
    void* data = nullptr;
    EXPECT_EQ(0, m_display->VertexBuffer_Lock(trail.GetVertexBuffer(), 1, &data, 0, 1024));
    m_display->VertexBuffer_Unlock(trail.GetVertexBuffer());

    // The same request again: nothing is made, the ranges empty again, the material data stays.
    trail.GetMaterial(0)->material.diffuseMap.blendMode = 1;
    trail.GetMaterial(0)->indexCount = 30;
    m_fake.Forget();
    const s32 vertexBuffer = trail.GetVertexBuffer();
    trail.Reconstruct(REB_BUFFER_DYNAMIC, 1024, REB_BUFFER_DYNAMIC, 3072, 2);
    EXPECT_EQ(0u, m_fake.Count("Create"));
    EXPECT_EQ(0u, m_fake.Count("Release"));
    EXPECT_EQ(0, trail.GetMaterial(0)->indexCount);
    EXPECT_EQ(1, trail.GetMaterial(0)->material.diffuseMap.blendMode);

    // A new index count re-makes only the index buffer; a new type re-makes the vertex buffer.
    trail.Reconstruct(REB_BUFFER_DYNAMIC, 1024, REB_BUFFER_DYNAMIC, 6000, 2);
    EXPECT_EQ(0u, m_fake.Count("CreateVertexBuffer"));
    EXPECT_EQ(1u, m_fake.Count("CreateIndexBuffer 12000 "));
    EXPECT_EQ(vertexBuffer, trail.GetVertexBuffer());
    trail.Reconstruct(REB_BUFFER_STATIC, 1024, REB_BUFFER_DYNAMIC, 6000, 2);
    EXPECT_EQ(1u, m_fake.Count("CreateVertexBuffer"));
    EXPECT_EQ(1u, m_fake.Count("ReleaseVertexBuffer"));
    EXPECT_EQ(REB_BUFFER_STATIC, trail.GetVertexBufferType());
}

TEST_F(RebMeshTest, MoreVerticesThanSixteenBitsAddressAreFatal)
{
    VEC_Mesh mesh;
    mesh.Allocate(2);
    mesh.partCount = 2;
    FillPart(mesh.parts[0], 40000, 1, 0.0f);
    FillPart(mesh.parts[1], 25536, 1, 0.0f);
    {
        REB_Mesh render;
        render.Reconstruct(&mesh);  // 65536 vertices: the last one is index 0xFFFF
        const std::vector<u16> indices = ReadIndices(render.GetIndexBuffer(), 6);
        EXPECT_EQ(40000, indices[3]);
    }

    m_fake.Forget();
    FillPart(mesh.parts[1], 25537, 1, 0.0f);
    REB_Mesh render;
    EXPECT_FATAL(render.Reconstruct(&mesh), RECONSTRUCT, "vertex count exceeds 65536");
    VEC_MeshPart part;
    FillPart(part, 65537, 1, 0.0f);
    EXPECT_FATAL(render.Reconstruct(&part), RECONSTRUCT, "vertex count exceeds 65536");
    EXPECT_FATAL(render.Reconstruct(REB_BUFFER_DYNAMIC, 65537, REB_BUFFER_DYNAMIC, 3, 1), RECONSTRUCT,
                 "vertex count exceeds 65536");
    EXPECT_EQ(0u, m_fake.Count("Create"));
}

TEST_F(RebMeshTest, ThirtyTwoBitIndicesStopAtTheDisplay)
{
    static const char* const CREATE = "DSP_Display::IndexBuffer_Create()";
    static const char* const WIDE = "32bit index buffers currently not supported";
    VEC_MeshPart part;
    FillPart(part, 100, 21845, 0.0f);  // 65535 indices still fit
    {
        REB_Mesh render;
        render.Reconstruct(&part);
        EXPECT_EQ(65535, render.GetIndexCapacity());
    }
    FillPart(part, 100, 21846, 0.0f);
    REB_Mesh render;
    EXPECT_FATAL(render.Reconstruct(&part), CREATE, WIDE);
    REB_Mesh dynamic;
    EXPECT_FATAL(dynamic.Reconstruct(REB_BUFFER_DYNAMIC, 16, REB_BUFFER_DYNAMIC, 65536, 1), CREATE, WIDE);
}

TEST_F(RebMeshTest, BuildingWithoutADisplayIsFatal)
{
    VEC_Mesh mesh;
    mesh.Allocate(1);
    mesh.partCount = 1;
    FillPart(mesh.parts[0], 3, 1, 0.0f);
    REB_Mesh render;
    SITO_DISPLAY = nullptr;
    EXPECT_FATAL(render.Reconstruct(&mesh), RECONSTRUCT, "SITO_DISPLAY is NULL");
    EXPECT_FATAL(render.Reconstruct(&mesh.parts[0]), RECONSTRUCT, "SITO_DISPLAY is NULL");
    EXPECT_FATAL(render.Reconstruct(REB_BUFFER_DYNAMIC, 3, REB_BUFFER_DYNAMIC, 3, 1), RECONSTRUCT,
                 "SITO_DISPLAY is NULL");
    EXPECT_EQ(0u, m_fake.Count("Create"));
}

TEST(RebIndexRepackTest, PacksTheIndexTriples)
{
    VEC_Triangle triangles[2];
    triangles[0] = {{7, 8, 9}, 3, 1};
    triangles[1] = {{0xFFFF, 0, 42}, 255, 255};
    u16 indices[7] = {1, 1, 1, 1, 1, 1, 0xABCD};
    REB_IndexRepack(indices, triangles, 2);
    const u16 expected[7] = {7, 8, 9, 0xFFFF, 0, 42, 0xABCD};
    for (s32 i = 0; i < 7; i++)
        EXPECT_EQ(expected[i], indices[i]) << i;
}

TEST_F(RebMeshTest, LoadFromFileBuildsOneMaterialPerPart)
{
    TST_TempDir dir;
    TOOL_Mesh grid = TOOL_MeshGrid(3, 2, 2);
    grid.materials[1].diffuseBitmap = "obj\\deck";
    ASSERT_EQ(1u, TOOL_WriteMesh("grid.msh", grid));

    VEC_Mesh mesh;
    mesh.Load("grid.msh");
    REB_Mesh render;
    EXPECT_EQ(1u, render.LoadFromFile("grid.msh"));

    ASSERT_EQ(mesh.partCount, render.GetMaterialCount());
    s32 vertices = 0;
    for (s32 p = 0; p < mesh.partCount; p++) {
        const REB_Material* m = render.GetMaterial(p);
        EXPECT_EQ(vertices, m->firstVertex);
        EXPECT_EQ(mesh.parts[p].vertexCount, m->vertexCount);
        EXPECT_EQ(mesh.parts[p].triangleCount * 3, m->indexCount);
        EXPECT_STREQ(mesh.parts[p].material.diffuseMap.name, m->material.diffuseMap.name);
        vertices += m->vertexCount;
    }
    EXPECT_EQ(vertices, render.GetVertexCapacity());
    EXPECT_EQ(mesh.boxMax, render.boxMax);
}
