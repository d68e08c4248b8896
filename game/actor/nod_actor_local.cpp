// The actor classes' shared mesh reference and section lookup.
#include "nod_actor_local.h"

#include "brisel_cache.h"
#include "brisel_renderer.h"
#include "cod_physical.h"
#include "con_cache.h"
#include "des_file.h"
#include "mat_geometry.h"
#include "nod_body.h"
#include "nod_cs.h"
#include "os_fatal.h"
#include "reb_mesh.h"
#include "sim_clock.h"

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

DES_Section NOD_ActorSection(DES_Section& _data, const char* _name, const char* _where)
{
    DES_Section section;
    if (_data.FindSection(&section, _name) == 0)
        DES_FatalSection(_where, _name, _data.GetFile() != nullptr ? _data.GetFile()->GetName() : "");
    return section;
}

f32 NOD_TurretMass(const NOD_Body& _body)
{
    COD_Physical* physical = _body.GetAggregate().GetPhysical();
    const COD_Physical_Vessel* vessel = physical != nullptr ? physical->GetVessel() : nullptr;
    return vessel != nullptr ? vessel->m_mass : 0.0f;
}

u32 NOD_FatherIsFreeBody(const NOD_Node* _node)
{
    const NOD_Body* father = _node != nullptr ? NOD_Body::DynamicCast(_node->GetFather()) : nullptr;
    const COD_Physical* physical = father != nullptr ? father->GetAggregate().GetPhysical() : nullptr;
    return physical != nullptr && physical->m_kind == COD_KIND_FREE_BODY ? 1u : 0u;
}

MAT_Vector3 NOD_CarriedVelocity(NOD_Body& _body, const MAT_Vector3& _rates)
{
    NOD_Body* father = NOD_Body::DynamicCast(_body.GetFather());
    if (father == nullptr)
        return _rates;
    MAT_Vector3 fatherVelocity;
    father->GetVelocity(&fatherVelocity);
    return father->GetWorldTransform(SIM_GetSimulationClock().time)->r.Transform(_rates) + fatherVelocity;
}

void NOD_FreezeFrame(NOD_CS& _cs)
{
    const f32 now = SIM_GetSimulationClock().time;
    const MAT_Matrix34 local = *_cs.GetTrack().GetAt(now, nullptr);
    _cs.SetTransform(now, local);
}
