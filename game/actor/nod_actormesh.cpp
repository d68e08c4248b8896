// The actor bodies' mesh reference: loading, release, boxes and centres.
#include "nod_actormesh.h"

#include "brisel_cache.h"
#include "brisel_renderer.h"
#include "con_cache.h"
#include "mat_geometry.h"
#include "os_fatal.h"
#include "reb_mesh.h"

namespace
{
CON_Cache<REB_Mesh>* MeshCache()
{
    return Brisel_TheCache != nullptr ? Brisel_TheCache->GetRenderMeshCache() : nullptr;
}
}  // namespace

void NOD_ActorMesh::Allocate(const char* _name, const char* _where)
{
    Release();
    CON_Cache<REB_Mesh>* cache = MeshCache();
    if (cache == nullptr)
        OS_Fatal(_where, "no resource cache");
    m_handle = cache->Allocate(_name, 1);
}

void NOD_ActorMesh::Release()
{
    if (m_handle != 0 && MeshCache() != nullptr)
        MeshCache()->Release(m_handle);
    m_handle = 0;
}

REB_Mesh* NOD_ActorMesh::Get() const
{
    CON_Cache<REB_Mesh>* cache = MeshCache();
    return m_handle != 0 && cache != nullptr ? cache->Get(m_handle) : nullptr;
}

void NOD_ActorMesh::GetLocalBox(f32 _box[6]) const
{
    const REB_Mesh* mesh = Get();
    const MAT_Vector3 low = mesh != nullptr ? mesh->boxMin : MAT_Vector3(-0.5f, -0.5f, -0.5f);
    const MAT_Vector3 high = mesh != nullptr ? mesh->boxMax : MAT_Vector3(0.5f, 0.5f, 0.5f);
    _box[0] = low.x;
    _box[1] = low.y;
    _box[2] = low.z;
    _box[3] = high.x;
    _box[4] = high.y;
    _box[5] = high.z;
}

void NOD_ActorMesh::GetWorldBox(const MAT_Matrix34& _frame, f32* _box) const
{
    f32 local[6];
    GetLocalBox(local);
    MAT_AABox box;
    box.SetFromCorners(MAT_Vector3(local[0], local[1], local[2]), MAT_Vector3(local[3], local[4], local[5]));
    MAT_Vector3 corners[8];
    box.Transform(_frame, corners);
    MAT_AABox world;
    Brisel_Renderer::BoundingBoxOfPoints(world, corners, 8);
    _box[0] = world.m_min.x;
    _box[1] = world.m_min.y;
    _box[2] = world.m_min.z;
    _box[3] = world.m_max.x;
    _box[4] = world.m_max.y;
    _box[5] = world.m_max.z;
}

MAT_Vector3 NOD_ActorMesh::GetCentre(const MAT_Matrix34& _frame) const
{
    const REB_Mesh* mesh = Get();
    if (mesh == nullptr)
        return _frame.t;
    return _frame.TransformPoint((mesh->boxMin + mesh->boxMax) * 0.5f);
}
