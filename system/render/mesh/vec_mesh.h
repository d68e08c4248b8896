// Meshes and materials as loaded from ".msh" description files and as built in code.
//
// A VEC_Mesh owns its parts; a part owns its vertex and triangle arrays (MEM_Alloc). A loaded
// mesh has one part per material, each with its own vertices (split where texture coordinates
// disagree), degenerate triangles removed and triangles reordered for the vertex cache; it is
// built once and then only read. Parts built in code (quads, trails, patch meshes) are filled
// directly and their counts set by the builder, within the capacities given to Allocate.
// Triangle indices are 16 bits: a part never holds more than 65536 vertices.
// Every failure of Load is fatal (OS_Fatal), so a mesh that returns from it is sound.
#pragma once

#include <cstring>

#include "dsp_display.h"
#include "mat_vector.h"
#include "mem_alloc.h"
#include "os_types.h"

class DES_Section;

constexpr u32 VEC_NO_TEXTURE = 0xFFFFFFFFu;
constexpr u32 VEC_MAX_MATERIALS = 256;
constexpr u32 VEC_MAX_PART_VERTICES = 65536;
constexpr u32 VEC_TEXTURE_NAME_BYTES = 64;  // names of at most 62 characters

// VEC_Map::flags
constexpr u8 VEC_MAP_DEPTHBUFFERED = 1;
constexpr u8 VEC_MAP_ONESIDED = 2;

// Vertices loaded from a file carry their index in the file's vertex list in the last value,
// as the bits of a 32-bit integer.
inline void VEC_SetVertexFileIndex(DSP_Vertex& _vertex, u32 _index) { std::memcpy(&_vertex.extra, &_index, 4); }
inline u32 VEC_GetVertexFileIndex(const DSP_Vertex& _vertex)
{
    u32 index;
    std::memcpy(&index, &_vertex.extra, 4);
    return index;
}

struct VEC_Triangle
{
    u16 vertex[3] = {};
    u8 material = 0;
    u8 group = 0;

    // Reads "G", "V0", "V1", "V2", "M" of one triangle subsection; returns 1. A corner outside
    // 0..65535 or a material outside 0..255 is fatal with the file name (never wrapped).
    u32 Load(DES_Section* _section);
};

// One texture layer of a material.
struct VEC_Map
{
    u32 textureId = VEC_NO_TEXTURE;  // from the texture-name registry
    u8 blendMode = 0;                // 0-5, see REB_Map::SetMapToRenderState
    u8 alpha = 255;
    u8 flags = VEC_MAP_DEPTHBUFFERED | VEC_MAP_ONESIDED;
    u8 depthBias = 0;
    f32 tiling = 1.0f;
    char name[VEC_TEXTURE_NAME_BYTES] = {};

    VEC_Map() = default;
    // Fatal "VEC_Map::SetTextureName() texturename too long" (the name as text) from 63 characters.
    void SetTextureName(const char* _name);
};

struct VEC_Material
{
    VEC_Map diffuseMap;
    VEC_Map detailMap;         // the bump map
    u32 diffuseColor = 0;      // 0x00RRGGBB: in memory the bytes B, G, R, 0
    u32 selfIllumination = 0;  // 0x00RRGGBB

    // Parse_Diffuse, then Parse_Detail, from one material subsection.
    void Parse(DES_Section* _section);
    void Parse_Diffuse(DES_Section* _section);
    void Parse_Detail(DES_Section* _section);
};

struct VEC_MeshPart : public MEM_Object
{
    MAT_Vector3 boxMin{-0.5f, -0.5f, -0.5f};
    MAT_Vector3 boxMax{0.5f, 0.5f, 0.5f};
    s32 vertexCount = 0;
    s32 vertexCapacity = 0;
    DSP_Vertex* vertices = nullptr;
    s32 triangleCount = 0;
    s32 triangleCapacity = 0;
    VEC_Triangle* triangles = nullptr;
    VEC_Material material;

    VEC_MeshPart() = default;
    ~VEC_MeshPart();
    VEC_MeshPart(const VEC_MeshPart&) = delete;
    VEC_MeshPart& operator=(const VEC_MeshPart&) = delete;

    // Arrays for _vertices and _triangles; an array of the same capacity is kept, one of another
    // capacity replaced. Both counts become 0, every vertex colour white, every triangle's
    // material and group 0.
    void Allocate(s32 _vertices, s32 _triangles);
    void Free();
    // Smooth vertex normals from the triangles: _fast 0 exact (true square roots, faces with a
    // squared length up to FLT_EPSILON added unnormalised), 1 through the fast sqrt tables.
    void ComputeNormals(u32 _fast);
    // Box of the vertex positions; an empty part keeps its box.
    void ComputeBoundingBox();
};

class VEC_Mesh : public MEM_Object
{
public:
    VEC_Mesh() = default;
    ~VEC_Mesh();
    VEC_Mesh(const VEC_Mesh&) = delete;
    VEC_Mesh& operator=(const VEC_Mesh&) = delete;

    // Reads a ".msh" file; returns 1. A missing file and everything else wrong is fatal.
    u32 Load(const char* _path);
    // _count empty parts (the array replaced only when the count differs); parts in use 0.
    void Allocate(s32 _count);
    void Free();

    MAT_Vector3 boxMin;
    MAT_Vector3 boxMax;
    VEC_MeshPart* parts = nullptr;
    s32 partCapacity = 0;
    s32 partCount = 0;  // parts in use
};
