// Render meshes: a mesh's vertices and indices in display buffers, drawn one range per material.
//
// Every REB_Mesh has one vertex buffer and one index buffer (display ids, 0 none) for all of its
// materials, so a draw binds the streams once. The buffers address vertices through 16-bit
// indices, so a mesh holds at most 65536 vertices (more is fatal). Static meshes are built from
// a VEC_Mesh or one VEC_MeshPart and never change; dynamic meshes get empty buffers that their
// users fill, changing only the materials' draw ranges. A mesh owns its buffers and destroys them
// with itself. Building needs SITO_DISPLAY (fatal without).
#pragma once

#include "mat_vector.h"
#include "mem_alloc.h"
#include "os_types.h"
#include "vec_mesh.h"

constexpr s32 REB_MAX_MESH_VERTICES = 65536;

// Buffer types, as the display takes them.
constexpr s32 REB_BUFFER_STATIC = 0;
constexpr s32 REB_BUFFER_DYNAMIC = 1;

// One material of a render mesh and its draw range in the mesh's buffers.
struct REB_Material
{
    VEC_Material material;
    s32 vertexBuffer = 0;
    s32 firstVertex = 0;
    s32 vertexCount = 0;
    s32 indexBuffer = 0;
    s32 firstIndex = 0;
    s32 indexCount = 0;
};

class REB_Mesh : public MEM_Object
{
public:
    REB_Mesh() = default;
    // Destroys the buffers while the display has a device.
    ~REB_Mesh();
    REB_Mesh(const REB_Mesh&) = delete;
    REB_Mesh& operator=(const REB_Mesh&) = delete;

    // VEC_Mesh::Load, then Reconstruct from it; returns 1.
    u32 LoadFromFile(const char* _path);
    // Static buffers for the whole mesh, one material per part.
    void Reconstruct(const VEC_Mesh* _mesh);
    // Static buffers for one part, one material.
    void Reconstruct(const VEC_MeshPart* _part);
    // Empty buffers for later filling; a buffer is re-created only when its type or size
    // changes. Every material gets both ids and an empty range.
    void Reconstruct(s32 _vertexBufferType, s32 _vertexCount, s32 _indexBufferType, s32 _indexCount,
                     s32 _materialCount);

    s32 GetMaterialCount() const { return m_materialCount; }
    REB_Material* GetMaterial(s32 _index) { return &m_materials[_index]; }
    const REB_Material* GetMaterial(s32 _index) const { return &m_materials[_index]; }
    s32 GetVertexBufferType() const { return m_vertexBufferType; }
    s32 GetVertexBuffer() const { return m_vertexBuffer; }
    s32 GetVertexCapacity() const { return m_vertexCapacity; }
    s32 GetIndexBufferType() const { return m_indexBufferType; }
    s32 GetIndexBuffer() const { return m_indexBuffer; }
    s32 GetIndexCapacity() const { return m_indexCapacity; }

    MAT_Vector3 boxMin;
    MAT_Vector3 boxMax;

private:
    void SetMaterialCount(s32 _count);
    void DestroyBuffers();
    void CreateStaticBuffers(s32 _vertexCount, s32 _indexCount, u32 _wideIndices);
    void FillPart(const VEC_MeshPart* _part, REB_Material* _material, DSP_Vertex* _vertices, u16* _indices,
                  s32* _vertexCursor, s32* _indexCursor);

    REB_Material* m_materials = nullptr;
    s32 m_materialCount = 0;
    s32 m_vertexBufferType = REB_BUFFER_STATIC;
    s32 m_vertexBuffer = 0;
    s32 m_vertexCapacity = 0;
    s32 m_indexBufferType = REB_BUFFER_STATIC;
    s32 m_indexBuffer = 0;
    s32 m_indexCapacity = 0;
};

// Copies the three 16-bit indices of each triangle into _indices (3 x _count entries).
void REB_IndexRepack(u16* _indices, const VEC_Triangle* _triangles, s32 _count);
