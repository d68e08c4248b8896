// What torpedoes and buzzers share: mesh references, leaving the simulation, debris, clones'
// start states.
#include "nod_projectile.h"
#include "brisel_cache.h"
#include "brisel_renderer.h"
#include "brisel_spawn.h"
#include "con_cache.h"
#include "mot_motionstate.h"
#include "nod_body.h"
#include "nod_freeflight.h"
#include "nod_message.h"
#include "os_fatal.h"
#include "reb_mesh.h"
#include "sim_clock.h"

namespace
{
CON_Cache<REB_Mesh>* MeshCache()
{
    return Brisel_TheCache != nullptr ? Brisel_TheCache->GetRenderMeshCache() : nullptr;
}

void Corner(const f32 _box[6], s32 _corner, MAT_Vector3& _out)
{
    _out.Set((_corner & 1) != 0 ? _box[3] : _box[0], (_corner & 2) != 0 ? _box[4] : _box[1],
             (_corner & 4) != 0 ? _box[5] : _box[2]);
}
}  // namespace

void NOD_ProjectileMesh::Allocate(const char* _name, const char* _where)
{
    Release();
    CON_Cache<REB_Mesh>* cache = MeshCache();
    if (cache == nullptr)
        OS_Fatal(_where, "no resource cache");
    m_handle = cache->Allocate(_name, 1);
}

void NOD_ProjectileMesh::Share(const NOD_ProjectileMesh& _prototype)
{
    Release();
    CON_Cache<REB_Mesh>* cache = MeshCache();
    if (_prototype.m_handle == 0 || cache == nullptr)
        return;
    cache->AddRef(_prototype.m_handle);
    m_handle = _prototype.m_handle;
}

void NOD_ProjectileMesh::Release()
{
    if (m_handle != 0 && MeshCache() != nullptr)
        MeshCache()->Release(m_handle);
    m_handle = 0;
}

REB_Mesh* NOD_ProjectileMesh::Get() const
{
    CON_Cache<REB_Mesh>* cache = MeshCache();
    return m_handle != 0 && cache != nullptr ? cache->Get(m_handle) : nullptr;
}

void NOD_ProjectileMesh::GetLocalBox(f32 _box[6]) const
{
    const REB_Mesh* mesh = Get();
    const MAT_Vector3 low = mesh != nullptr ? mesh->boxMin : MAT_Vector3();
    const MAT_Vector3 high = mesh != nullptr ? mesh->boxMax : MAT_Vector3();
    _box[0] = low.x;
    _box[1] = low.y;
    _box[2] = low.z;
    _box[3] = high.x;
    _box[4] = high.y;
    _box[5] = high.z;
}

void NOD_ProjectileMesh::Render(NOD_Body& _body) const
{
    const REB_Mesh* mesh = Get();
    Brisel_Renderer* renderer = Brisel_Renderer::Get();
    if (mesh == nullptr || renderer == nullptr)
        return;
    renderer->RenderMesh(mesh, *_body.GetWorldTransform(SIM_GetFrameClock().time));
}

void NOD_ProjectileMesh::GetBoundingBox(NOD_Body& _body, f32* _box, f32 _time) const
{
    f32 local[6];
    GetLocalBox(local);
    WorldBox(local, *_body.GetWorldTransform(_time), _box);
}

void NOD_ProjectileMesh::WorldBox(const f32 _local[6], const MAT_Matrix34& _world, f32* _box)
{
    for (s32 corner = 0; corner < 8; ++corner) {
        MAT_Vector3 point;
        Corner(_local, corner, point);
        point = _world.TransformPoint(point);
        const f32 xyz[3] = {point.x, point.y, point.z};
        for (s32 axis = 0; axis < 3; ++axis) {
            if (corner == 0 || xyz[axis] < _box[axis])
                _box[axis] = xyz[axis];
            if (corner == 0 || xyz[axis] > _box[axis + 3])
                _box[axis + 3] = xyz[axis];
        }
    }
}

MAT_Vector3 NOD_ProjectileMesh::GetCentre(NOD_Body& _body, f32 _time) const
{
    f32 local[6];
    GetLocalBox(local);
    const MAT_Vector3 centre((local[0] + local[3]) * 0.5f, (local[1] + local[4]) * 0.5f, (local[2] + local[5]) * 0.5f);
    return _body.GetWorldTransform(_time)->TransformPoint(centre);
}

void NOD_EnterProjectile(NOD_Body& _body, const MAT_Vector3& _velocity)
{
    _body.GetAggregate().EnterSimulation(*_body.GetWorldTransform(SIM_GetSimulationClock().time), _velocity);
    NOD_EnterSons(_body);
    _body.GetAggregate().LinkSonShields();
    _body.SetFlags(_body.GetFlags() | NOD_Node::FLAG_IN_SIMULATION);
}

void NOD_LeaveProjectile(NOD_Body& _body)
{
    _body.GetAggregate().UnlinkSonShields();
    NOD_LeaveFrozen(_body);
}

NOD_Message* NOD_ProcessProjectileMessage(NOD_Body& _body, NOD_Message* _message, void (*_enter)(NOD_Body& _body))
{
    switch (NOD_TakeSimulationMessage(_message)) {
    case NOD_SIMULATION_ENTER:
        _enter(_body);
        return nullptr;
    case NOD_SIMULATION_LEAVE:
        NOD_LeaveProjectile(_body);
        return nullptr;
    default:
        return _body.NOD_Body::ProcessMessage(_message);
    }
}

void NOD_ExplodeProjectile(NOD_Body& _body, const MAT_Vector3& _velocity)
{
    if (Brisel_TheSpawn == nullptr)
        return;
    Brisel_DebrisLaunch launch;
    launch.velocity = _velocity;
    Brisel_TheSpawn->SpawnDebris(0, *_body.GetWorldTransform(SIM_GetSimulationClock().time), launch);
}

void NOD_TakePrototypePlace(MOT_MotionState& _state, NOD_Body& _prototype)
{
    _state.SetMatrix(*_prototype.GetCS().GetTrack().GetAt(SIM_GetSimulationClock().time, nullptr));
    _state.flags = NOD_FREE_MOTION_FLAGS;
}
