// Patch sets: a loaded mesh cut into small stand-alone meshes, one or more per patch, for the
// shrapnel of a breaking body.
//
// A patch file (description format) lists triangle records, each naming a part and a triangle of
// the source mesh, and patches, each a run of consecutive triangle records. The set owns its two
// record arrays; it does not own the meshes CreateMeshes builds: the caller takes them over.
// Every failure is fatal; records that name no triangle record, part or triangle are refused with
// the patch file's name rather than read past the arrays.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"

class VEC_Mesh;

struct MTO_PatchTriangle
{
    u8 u = 0;          // "U", stored only
    u8 part = 0;       // "B": part of the source mesh
    u16 triangle = 0;  // "T": triangle within that part
    s32 n[3] = {};     // "N0".."N2", stored only
};

struct MTO_PatchRecord
{
    s32 first = 0;  // "T": first triangle record
    s32 count = 0;  // "N": consecutive triangle records
    f32 a = 0.0f;   // "A", "V0", "V1": stored only
    f32 v0[3] = {};
    f32 v1[3] = {};
};

class MTO_Patch : public MEM_Object
{
public:
    enum
    {
        MAX_MESHES = 512
    };

    MTO_Patch() = default;
    ~MTO_Patch();
    MTO_Patch(const MTO_Patch&) = delete;
    MTO_Patch& operator=(const MTO_Patch&) = delete;

    // Reads a patch file, replacing the records; returns 1.
    u32 Load(const char* _path);
    // Cuts every patch into meshes of at most _maxTriangles triangles (greater than 0); a 513th
    // mesh is fatal "mesh array overflow".
    void CreateMeshes(const VEC_Mesh& _source, s32 _maxTriangles);
    // A new mesh of the _count records from _records, with its own compact vertex arrays.
    VEC_Mesh* BuildMesh(const VEC_Mesh& _source, const MTO_PatchTriangle* _records, s32 _count) const;

    MTO_PatchTriangle* m_triangles = nullptr;
    s32 m_triangleCount = 0;
    MTO_PatchRecord* m_patches = nullptr;
    s32 m_patchCount = 0;
    VEC_Mesh* m_meshes[MAX_MESHES] = {};
    s32 m_meshCount = 0;

private:
    void FreeRecords();

    char m_name[260] = {};  // the file the records came from, for the refusals of BuildMesh
};
