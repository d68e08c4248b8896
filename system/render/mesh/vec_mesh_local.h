// The steps VEC_Mesh::Load applies to each part, kept apart so the tests can drive them alone.
#pragma once

#include "os_fatal.h"
#include "vec_mesh.h"

// A scratch array through the engine's allocator, freed on every way out (fatal errors unwind).
template <typename T>
class VEC_Scratch
{
public:
    explicit VEC_Scratch(u64 _count)
    {
        const u64 bytes = (_count == 0 ? 1 : _count) * (u64)sizeof(T);
        if (bytes > 0x7FFFFFFFull)
            OS_Fatal("VEC_Mesh::Load()", "out of memory");
        m_data = (T*)MEM_AllocOrDie((u32)bytes, "VEC_Mesh::Load()");
        for (u64 i = 0; i < _count; ++i)
            new (&m_data[i]) T();
    }
    ~VEC_Scratch() { MEM_Free(m_data); }
    VEC_Scratch(const VEC_Scratch&) = delete;
    VEC_Scratch& operator=(const VEC_Scratch&) = delete;
    T& operator[](u64 _index) { return m_data[_index]; }
    T* Data() { return m_data; }
    // Moves the array out; the scratch then owns nothing.
    T* Release()
    {
        T* data = m_data;
        m_data = nullptr;
        return data;
    }

private:
    T* m_data = nullptr;
};

// The keys of one triangle subsection as wide as the file stores them: a corner or material
// past its field must be refused by the reader, not wrapped onto another vertex or material.
struct VEC_TriangleKeys
{
    s32 group = 0;
    s32 vertex[3] = {};
    s32 material = 0;
};
// Reads "G", "V0", "V1", "V2", "M" in that order (a missing or mistyped key is fatal).
void VEC_ReadTriangleKeys(DES_Section* _section, VEC_TriangleKeys* _keys);
// The record of keys already checked to fit: corners 0..65535, material 0..255; the group
// keeps its low byte.
VEC_Triangle VEC_TriangleFromKeys(const VEC_TriangleKeys& _keys);
// The caption of the fatal error for a material that no triangle uses or that is unknown; the
// file name is its text.
constexpr const char* VEC_UNKNOWN_MATERIAL_CAPTION =
    "VEC_Mesh::Load() - materials may not be referenced by triangles or triangles may reference unknown materials";

// Texture coordinates of the three corners of each triangle, 6 floats per triangle (u0 v0 u1
// v1 u2 v2), kept in step with the part's triangle list.
void VEC_ComputeNormals(DSP_Vertex* _vertices, s32 _vertexCount, const VEC_Triangle* _triangles, s32 _triangleCount,
                        u32 _fast);
// Drops triangles with two equal corner indices.
void VEC_RemoveDegenerates(VEC_MeshPart* _part, f32* _cornerUV);
// Drops vertices no triangle uses; survivors renumbered in order of first use.
void VEC_RemoveUnusedVertices(VEC_MeshPart* _part);
// Gives each corner a vertex whose coordinates match within _tolerance, copying vertices where
// corners disagree. More than 65536 vertices afterwards is fatal, naming _file.
void VEC_SplitByTexture(VEC_MeshPart* _part, const f32* _cornerUV, f32 _tolerance, const char* _file);
// Reorders triangles and vertices so that each triangle reuses recent vertices (windows of
// _window new indices); the set of triangles drawn is unchanged. Each step gives the triangle
// a scan of all remaining ones under the load-time rule would pick, but visits only the few
// that replace the best so far: a part of t triangles costs O(t log t).
void VEC_ReorderForCache(VEC_MeshPart* _part, u32 _window);
