// Body visuals: the render meshes of a body's two levels of detail with their switch
// distances, its geometry and collision meshes, and the shrapnel pieces it breaks into.
//
// A visual is read from a ".ash" description by the body-visuals table of the run's
// Brisel_Cache and shared by every body that names the same file. It holds one reference in
// the run's render-mesh and mesh-geometry tables for each mesh it names, which Release gives
// back, and owns its shrapnel meshes (centred on their own centres; each offset says where the
// piece sat in the body). Loading needs the run's cache, and SITO_DISPLAY when there are
// shrapnel pieces to build; every failure of Load is fatal. One thread.
#pragma once

#include <cfloat>

#include "brisel_scene.h"
#include "mat_vector.h"
#include "mem_alloc.h"
#include "os_types.h"

class REB_Mesh;
class VEC_Mesh;

class Brisel_Mesh final : public MEM_Object, public Brisel_DetailedMesh
{
public:
    enum
    {
        MAX_SHRAPNELS = 8,          // pieces a visual holds
        SHRAPNEL_COUNT_LIMIT = 128  // counts from here on are refused
    };
    // Pieces per cut: large enough that every patch gives one piece.
    static constexpr s32 SHRAPNEL_TRIANGLES = 100000;

    Brisel_Mesh();
    // Deletes the shrapnel meshes still held; the table references are given back by Release,
    // which the body-visuals table calls first.
    ~Brisel_Mesh();
    Brisel_Mesh(const Brisel_Mesh&) = delete;
    Brisel_Mesh& operator=(const Brisel_Mesh&) = delete;

    // Reads a ".ash" description and allocates its meshes; returns 1 (every failure is fatal).
    u32 Load(const char* _path);
    // Cuts the mesh _meshName of the geometry table with the patch file _topologyPath (taken
    // verbatim) and keeps the min(_count, 8) pieces with the largest box diagonals, or all of
    // them in the order of the cut when there are no more. A count of 128 or more is fatal.
    void CreateShrapnels(const char* _topologyPath, const char* _meshName, s32 _count);
    // Gives back every table reference and deletes the shrapnel meshes; safe to call twice.
    void Release();

    // The geometry of the coarsest level (M1's when M1 is given, else M0's); null for none.
    VEC_Mesh* GetMesh() const;
    // The collision mesh (CMesh); null for none.
    VEC_Mesh* GetCMesh() const;
    // Below D0 the level 0 mesh, from D0 on the level 1 mesh (null without M1). NaN gives
    // level 1, as it is not below D0.
    REB_Mesh* GetMeshByDistance(f32 _distance) override;
    // The same choice against D0 x D0 (for callers that never take the square root).
    REB_Mesh* GetMeshBySquaredDistance(f32 _squaredDistance);

    // The shrapnel pieces, as the renderer walks them for their texture names.
    s32 GetRenderMeshCount() const override { return m_shrapnelCount; }
    REB_Mesh* GetRenderMesh(s32 _index) override;

    s32 GetShrapnelCount() const { return m_shrapnelCount; }
    // Null and the origin for an index outside 0..count - 1.
    REB_Mesh* GetShrapnelMesh(s32 _index) const;
    MAT_Vector3 GetShrapnelOffset(s32 _index) const;

    s32 GetGeometryHandle() const { return m_geometry; }
    s32 GetCollisionHandle() const { return m_collisionMesh; }
    s32 GetLevel0Handle() const { return m_level0Mesh; }
    s32 GetLevel1Handle() const { return m_level1Mesh; }
    f32 GetLevel0Distance() const { return m_level0Distance; }
    f32 GetLevel1Distance() const { return m_level1Distance; }

private:
    void DeleteShrapnels();
    REB_Mesh* Level(u32 _nearLevel) const;

    REB_Mesh* m_shrapnelMeshes[MAX_SHRAPNELS] = {};
    MAT_Vector3 m_shrapnelOffsets[MAX_SHRAPNELS];
    s32 m_shrapnelCount = 0;
    s32 m_geometry = 0;       // mesh-geometry table
    s32 m_collisionMesh = 0;  // mesh-geometry table
    s32 m_level0Mesh = 0;     // render-mesh table
    f32 m_level0Distance = FLT_MAX;
    f32 m_level0DistanceSquared = FLT_MAX;
    s32 m_level1Mesh = 0;  // render-mesh table
    f32 m_level1Distance = FLT_MAX;
    f32 m_level1DistanceSquared = FLT_MAX;
};
