// Deforms a character's mesh from the poses of its skeleton: every skin vertex follows up to
// eight bones with byte weights.
//
// The links come from the set's reference file; a mesh vertex names its skin vertex by the
// file index it carries (VEC_GetVertexFileIndex). The skin moves the vertices of the mesh it
// is given (not owned: the set's mesh, shared by every character of the set, each deforming it
// right before drawing). Bone frames live in a fixed table of 256 entries; a deformation
// allocates nothing. One thread.
#pragma once

#include "mat_vector.h"
#include "mem_alloc.h"
#include "os_types.h"

class VCA_Skeleton;
class VEC_Mesh;

enum : s32
{
    VCA_MAX_BONES_PER_VERTEX = 8,
    VCA_MAX_SKIN_BONES = 256,
    // The highest skin vertex a reference file may name, plus one: a bound on the links a
    // file can make the skin allocate.
    VCA_MAX_SKIN_VERTICES = 1 << 20,
};

struct VCA_SkinLink
{
    MAT_Vector3 referencePosition;
    u8 weights[VCA_MAX_BONES_PER_VERTEX] = {};
    u8 bones[VCA_MAX_BONES_PER_VERTEX] = {};
    u8 count = 0;
};

class VCA_Skin : public MEM_Object
{
public:
    VCA_Skin() = default;
    ~VCA_Skin();
    VCA_Skin(const VCA_Skin&) = delete;
    VCA_Skin& operator=(const VCA_Skin&) = delete;

    // Reads the vertex weights of the reference file (weight bytes W x 255, saturated; a
    // vertex listed twice for a bone adds its bytes, saturated). Missing AnimData, bone or
    // SV0 sections, a negative NOB, a vertex index outside 0..VCA_MAX_SKIN_VERTICES - 1, a
    // weighted bone past the 256 a link can name and a ninth bone of a vertex are fatal.
    void LoadReferenceFrame(const char* _path);
    // Keeps the mesh; with _copy, checks every vertex's link and takes its position as the
    // link's reference position. Fatal without links, and for a vertex without a sound link.
    void SetMesh(VEC_Mesh* _mesh, s32 _copy);
    // Writes the deformed positions into the mesh and recomputes its normals.
    void ComputeAnimatedMesh(f32 _scale, const VCA_Skeleton* _skeleton);

    VEC_Mesh* GetMesh() const { return mesh; }

    VEC_Mesh* mesh = nullptr;
    VCA_SkinLink* links = nullptr;
    s32 vertexCount = 0;
};
