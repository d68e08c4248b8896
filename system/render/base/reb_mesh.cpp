#include "reb_mesh.h"

#include <cstring>
#include <new>

#include "dsp_display.h"
#include "os_fatal.h"

static const char* const s_reconstruct = "REB_Mesh::Reconstruct()";

REB_Mesh::~REB_Mesh()
{
    // Without a device the display has already released every buffer.
    if (SITO_DISPLAY != nullptr && SITO_DISPLAY->HasDevice())
        DestroyBuffers();
    MEM_Free(m_materials);  // REB_Material is trivially destructible
}

u32 REB_Mesh::LoadFromFile(const char* _path)
{
    VEC_Mesh mesh;
    mesh.Load(_path);
    Reconstruct(&mesh);
    return 1;
}

void REB_Mesh::SetMaterialCount(s32 _count)
{
    if (_count == m_materialCount && m_materials != nullptr)
        return;
    MEM_Free(m_materials);
    m_materials = nullptr;
    m_materialCount = 0;
    if (_count <= 0)
        return;
    m_materials = (REB_Material*)MEM_AllocOrDie((u32)_count * sizeof(REB_Material), s_reconstruct);
    for (s32 i = 0; i < _count; i++)
        new (&m_materials[i]) REB_Material();
    m_materialCount = _count;
}

void REB_Mesh::DestroyBuffers()
{
    SITO_DISPLAY->VertexBuffer_Destroy(m_vertexBuffer);
    SITO_DISPLAY->IndexBuffer_Destroy(m_indexBuffer);
    m_vertexBuffer = 0;
    m_indexBuffer = 0;
    m_vertexCapacity = 0;
    m_indexCapacity = 0;
}

// Every index of a mesh is 16 bits and relative to the start of the one vertex buffer, so more
// vertices than 16 bits can address would wrap onto the first ones.
static void RequireAddressable(s64 _vertexCount)
{
    if (_vertexCount > REB_MAX_MESH_VERTICES)
        OS_Fatal(s_reconstruct, "vertex count exceeds 65536");
}

void REB_Mesh::CreateStaticBuffers(s32 _vertexCount, s32 _indexCount, u32 _wideIndices)
{
    m_vertexBufferType = REB_BUFFER_STATIC;
    m_indexBufferType = REB_BUFFER_STATIC;
    // An empty mesh draws nothing and needs no buffers.
    if (_vertexCount > 0) {
        SITO_DISPLAY->VertexBuffer_Create(&m_vertexBuffer, REB_BUFFER_STATIC, _vertexCount);
        m_vertexCapacity = _vertexCount;
    }
    if (_indexCount > 0) {
        // The display refuses 32-bit entries, which stops the program there.
        SITO_DISPLAY->IndexBuffer_Create(&m_indexBuffer, REB_BUFFER_STATIC, _wideIndices ? 1 : 0, _indexCount);
        m_indexCapacity = _indexCount;
    }
}

void REB_Mesh::FillPart(const VEC_MeshPart* _part, REB_Material* _material, DSP_Vertex* _vertices, u16* _indices,
                        s32* _vertexCursor, s32* _indexCursor)
{
    const s32 firstVertex = *_vertexCursor;
    _material->material = _part->material;
    _material->vertexBuffer = m_vertexBuffer;
    _material->firstVertex = firstVertex;
    _material->vertexCount = _part->vertexCount;
    _material->indexBuffer = m_indexBuffer;
    _material->firstIndex = *_indexCursor;
    _material->indexCount = _part->triangleCount * 3;

    if (_part->vertexCount > 0)
        std::memcpy(_vertices + firstVertex, _part->vertices, (size_t)_part->vertexCount * sizeof(DSP_Vertex));
    u16* out = _indices + *_indexCursor;
    for (s32 t = 0; t < _part->triangleCount; t++)
        for (s32 k = 0; k < 3; k++)
            *out++ = (u16)(_part->triangles[t].vertex[k] + firstVertex);

    *_vertexCursor += _part->vertexCount;
    *_indexCursor += _part->triangleCount * 3;
}

// Locks both buffers whole (a missing buffer gives null: nothing is written to it).
static void LockWhole(s32 _vertexBuffer, s32 _vertexCount, s32 _indexBuffer, s32 _indexCount, DSP_Vertex** _vertices,
                      u16** _indices)
{
    void* vertices = nullptr;
    void* indices = nullptr;
    if (_vertexBuffer != 0)
        SITO_DISPLAY->VertexBuffer_Lock(_vertexBuffer, 0, &vertices, 0, _vertexCount);
    if (_indexBuffer != 0)
        SITO_DISPLAY->IndexBuffer_Lock(_indexBuffer, 0, &indices, 0, _indexCount);
    *_vertices = (DSP_Vertex*)vertices;
    *_indices = (u16*)indices;
}

static void UnlockBoth(s32 _vertexBuffer, s32 _indexBuffer)
{
    if (_vertexBuffer != 0)
        SITO_DISPLAY->VertexBuffer_Unlock(_vertexBuffer);
    if (_indexBuffer != 0)
        SITO_DISPLAY->IndexBuffer_Unlock(_indexBuffer);
}

void REB_Mesh::Reconstruct(const VEC_Mesh* _mesh)
{
    if (SITO_DISPLAY == nullptr)
        OS_Fatal(s_reconstruct, "SITO_DISPLAY is NULL");

    s64 vertexCount = 0;
    s64 indexCount = 0;
    u32 wide = 0;
    for (s32 p = 0; p < _mesh->partCount; p++) {
        const s64 indices = (s64)_mesh->parts[p].triangleCount * 3;
        if (indices > 65535)
            wide = 1;
        vertexCount += _mesh->parts[p].vertexCount;
        indexCount += indices;
    }
    RequireAddressable(vertexCount);

    DestroyBuffers();
    boxMin = _mesh->boxMin;
    boxMax = _mesh->boxMax;
    SetMaterialCount(_mesh->partCount);
    CreateStaticBuffers((s32)vertexCount, (s32)indexCount, wide);

    DSP_Vertex* vertices = nullptr;
    u16* indices = nullptr;
    LockWhole(m_vertexBuffer, m_vertexCapacity, m_indexBuffer, m_indexCapacity, &vertices, &indices);
    s32 vertexCursor = 0;
    s32 indexCursor = 0;
    for (s32 p = 0; p < _mesh->partCount; p++)
        FillPart(&_mesh->parts[p], &m_materials[p], vertices, indices, &vertexCursor, &indexCursor);
    UnlockBoth(m_vertexBuffer, m_indexBuffer);
}

void REB_Mesh::Reconstruct(const VEC_MeshPart* _part)
{
    if (SITO_DISPLAY == nullptr)
        OS_Fatal(s_reconstruct, "SITO_DISPLAY is NULL");
    const s64 indexCount = (s64)_part->triangleCount * 3;
    RequireAddressable(_part->vertexCount);

    DestroyBuffers();
    boxMin = _part->boxMin;
    boxMax = _part->boxMax;
    SetMaterialCount(1);
    CreateStaticBuffers(_part->vertexCount, (s32)indexCount, indexCount > 65535 ? 1 : 0);

    DSP_Vertex* vertices = nullptr;
    u16* indices = nullptr;
    LockWhole(m_vertexBuffer, m_vertexCapacity, m_indexBuffer, m_indexCapacity, &vertices, &indices);
    s32 vertexCursor = 0;
    s32 indexCursor = 0;
    FillPart(_part, &m_materials[0], vertices, indices, &vertexCursor, &indexCursor);
    UnlockBoth(m_vertexBuffer, m_indexBuffer);
}

void REB_Mesh::Reconstruct(s32 _vertexBufferType, s32 _vertexCount, s32 _indexBufferType, s32 _indexCount,
                           s32 _materialCount)
{
    if (SITO_DISPLAY == nullptr)
        OS_Fatal(s_reconstruct, "SITO_DISPLAY is NULL");
    RequireAddressable(_vertexCount);

    if (m_vertexBuffer == 0 || _vertexBufferType != m_vertexBufferType || _vertexCount != m_vertexCapacity) {
        SITO_DISPLAY->VertexBuffer_Destroy(m_vertexBuffer);
        m_vertexBuffer = 0;
        SITO_DISPLAY->VertexBuffer_Create(&m_vertexBuffer, _vertexBufferType, _vertexCount);
        m_vertexBufferType = _vertexBufferType;
        m_vertexCapacity = _vertexCount;
    }
    if (m_indexBuffer == 0 || _indexBufferType != m_indexBufferType || _indexCount != m_indexCapacity) {
        SITO_DISPLAY->IndexBuffer_Destroy(m_indexBuffer);
        m_indexBuffer = 0;
        // The display refuses 32-bit entries, which stops the program there.
        SITO_DISPLAY->IndexBuffer_Create(&m_indexBuffer, _indexBufferType, _indexCount >= 65536 ? 1 : 0, _indexCount);
        m_indexBufferType = _indexBufferType;
        m_indexCapacity = _indexCount;
    }

    SetMaterialCount(_materialCount);
    for (s32 i = 0; i < m_materialCount; i++) {
        REB_Material& material = m_materials[i];
        material.vertexBuffer = m_vertexBuffer;
        material.firstVertex = 0;
        material.vertexCount = 0;
        material.indexBuffer = m_indexBuffer;
        material.firstIndex = 0;
        material.indexCount = 0;
    }
}

void REB_IndexRepack(u16* _indices, const VEC_Triangle* _triangles, s32 _count)
{
    for (s32 t = 0; t < _count; t++) {
        _indices[3 * t] = _triangles[t].vertex[0];
        _indices[3 * t + 1] = _triangles[t].vertex[1];
        _indices[3 * t + 2] = _triangles[t].vertex[2];
    }
}
