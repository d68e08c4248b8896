// The bullet: description, copies, flight, death and impact.
#include "nod_bullet.h"

#include "brisel_cache.h"
#include "brisel_renderer.h"
#include "brisel_soundsystem.h"
#include "brisel_spawn.h"
#include "cod_physical.h"
#include "des_file.h"
#include "mat_angle.h"
#include "mat_geometry.h"
#include "nod_message.h"
#include "nod_weapon_local.h"
#include "nod_weaponreplicators.h"
#include "reb_mesh.h"
#include "sim_clock.h"

RTI_IMPLEMENT_CLASS(NOD_Bullet, "NOD_ShieldedBody")

void NOD_Bullet::RegisterStreamCreator()
{
    RTI_SetClassFunction(GetStaticClassDefinition(), &NOD_Bullet::CreateFromStream);
}

namespace
{
const char* const PARSE = "NOD_Bullet::ParseIniFile()";
constexpr u32 NAME_BYTES = 260;
// The impact emitters: ground hits and object hits.
constexpr s32 GROUND_HIT_EMITTER = 2;
constexpr s32 OBJECT_HIT_EMITTER = 0;
constexpr s32 EFFECT_KIND = 1;
// Every impact effect stands turned a quarter turn about the first axis, whatever the bullet's
// direction.
constexpr f32 IMPACT_TURN = 1.5707964f;

CON_Cache<REB_Mesh>* RenderMeshes()
{
    return Brisel_TheCache != nullptr ? Brisel_TheCache->GetRenderMeshCache() : nullptr;
}
}  // namespace

NOD_Bullet::NOD_Bullet()
{
    // The kinematic state is a member, constructed after the bases: it becomes the attached
    // frame only now.
    m_kinematics.flags = KINEMATIC_FLAGS;
    GetCS().SetAttachedFrame(&m_kinematics);
    SetRenderBucket(BRISEL_BUCKET_BULLETS);
}

NOD_Bullet::~NOD_Bullet()
{
    if (m_mesh != 0) {
        if (CON_Cache<REB_Mesh>* meshes = RenderMeshes())
            meshes->Release(m_mesh);
        m_mesh = 0;
    }
    m_groundHit.Release();
    m_objectHit.Release();
    m_shooter.Set(nullptr);
    GetCS().SetAttachedFrame(nullptr);
}

NOD_Node* NOD_Bullet::Clone()
{
    NOD_Bullet* clone = new NOD_Bullet();
    clone->SetName(GetName().GetName());
    clone->GetAggregate().Clone(GetAggregate());
    clone->GetShieldRef().CopyFrom(GetShieldRef());
    clone->m_vMax = m_vMax;
    clone->m_mesh = m_mesh;
    if (m_mesh != 0) {
        if (CON_Cache<REB_Mesh>* meshes = RenderMeshes())
            meshes->AddRef(m_mesh);
    }
    clone->m_groundHit.Copy(m_groundHit);
    clone->m_objectHit.Copy(m_objectHit);
    for (s32 i = 0; i < (s32)GetNumOfSons(); ++i) {
        if (NOD_Node* son = GetSon(i)->Clone())
            clone->AddSon(son);
    }
    return clone;
}

void NOD_Bullet::ParseIniFile_Des(DES_Section& _data)
{
    char text[NAME_BYTES] = {};
    DES_Section info = NOD_RequireSection(_data, "Info", PARSE);
    info.GetString("Name", text, sizeof(text));
    SetName(text);

    DES_Section visual = NOD_RequireSection(_data, "Visual", PARSE);
    if (visual.HasEntry("PrimaryMesh")) {
        visual.GetString("PrimaryMesh", text, sizeof(text));
        CON_Cache<REB_Mesh>* meshes = RenderMeshes();
        if (meshes == nullptr)
            OS_Fatal(PARSE, "no resource cache");
        // The new mesh first: a shared mesh stays loaded through the exchange.
        const s32 mesh = meshes->Allocate(text, 1);
        meshes->Release(m_mesh);
        m_mesh = mesh;
    }

    DES_Section collision = NOD_RequireSection(_data, "Collision", PARSE);
    GetAggregate().GeneratePhysicalBullet(&collision);
    const f32 visibleBox[6] = {-1.0f, -1.0f, -1.0f, 1.0f, 1.0f, 1.0f};
    GetAggregate().GenerateVisibleObject(visibleBox);

    DES_Section control = NOD_RequireSection(_data, "Control", PARSE);
    control.GetFloat("VMax", &m_vMax);

    NOD_ShieldedBody::ParseIniFile(_data);
    m_groundHit.Set("ef_02.wav", 22050, 2205, 255, 25, 1, 0.0f, 0.0f);
    m_objectHit.Set("ef_01.wav", 22050, 1100, 255, 25, 1, 0.0f, 0.0f);
    LoadSons(_data);
}

void NOD_Bullet::HeartBeat()
{
    if (!IsInSimulation())
        return;
    const SIM_Clock& clock = SIM_GetSimulationClock();
    m_kinematics.Integrate(clock, 1);
    const MAT_Vector3 velocity = m_kinematics.GetVelocity();
    GetCS().GetTrack().SetState(clock.time + clock.dt, m_kinematics.frame, velocity);
    GetAggregate().HeartBeat(*GetWorldTransform(clock.time + clock.dt), velocity);
    NOD_Node::HeartBeat();

    const u32 old = clock.time > m_launchTime + LIFE_TIME;
    if (old)
        Leave(clock.time);
    const COD_Physical* physical = GetAggregate().GetPhysical();
    const u32 hit = physical != nullptr && physical->m_contactFlag != 0;
    if (old || hit)
        NOD_Node::GC_AddNode(this);
}

void NOD_Bullet::Leave(f32 _time)
{
    GetAggregate().LeaveSimulation();
    SetFlags(GetFlags() & ~(u32)FLAG_IN_SIMULATION);
    const MAT_Matrix34 frame = *GetCS().GetTrack().GetAt(_time, nullptr);
    GetCS().SetTransform(_time, frame);
    TellSons(0);
}

void NOD_Bullet::TellSons(u32 _enter)
{
    for (s32 i = 0; i < (s32)GetNumOfSons(); ++i) {
        NOD_Node* son = GetSon(i);
        delete son->ProcessMessage(_enter != 0 ? NOD_Node_EnterSimulation::Create()
                                               : NOD_Node_LeaveSimulation::Create());
    }
}

void NOD_Bullet::Explode()
{
    const COD_Physical* physical = GetAggregate().GetPhysical();
    if (physical == nullptr || physical->m_kind != COD_KIND_BULLET)
        return;
    const COD_Physical_Bullet* bullet = static_cast<const COD_Physical_Bullet*>(physical);
    MAT_Matrix34 frame;
    frame.r.SetDiagonal(1.0f);
    frame.r.RotateX(MAT_Angle(IMPACT_TURN));
    frame.t = bullet->m_hitPoint;
    const u32 ground = bullet->m_terrainHit != 0;
    if (Brisel_TheSoundSystem != nullptr)
        Brisel_TheSoundSystem->PlayEffect(EFFECT_KIND, ground ? &m_groundHit : &m_objectHit);
    if (Brisel_TheSpawn != nullptr)
        Brisel_TheSpawn->SpawnEmitter(ground ? GROUND_HIT_EMITTER : OBJECT_HIT_EMITTER, GetRoot(), frame);
}

void NOD_Bullet::Render()
{
    CON_Cache<REB_Mesh>* meshes = RenderMeshes();
    Brisel_Renderer* renderer = Brisel_Renderer::Get();
    if (m_mesh == 0 || meshes == nullptr || renderer == nullptr)
        return;
    renderer->RenderMesh(meshes->Get(m_mesh), *GetWorldTransform(SIM_GetFrameClock().time));
}

void NOD_Bullet::GetBoundingBox(f32* _box, f32 _time)
{
    CON_Cache<REB_Mesh>* meshes = RenderMeshes();
    const REB_Mesh* mesh = m_mesh != 0 && meshes != nullptr ? meshes->Get(m_mesh) : nullptr;
    if (mesh == nullptr) {
        NOD_Body::GetBoundingBox(_box, _time);
        return;
    }
    MAT_AABox local;
    local.m_min = mesh->boxMin;
    local.m_max = mesh->boxMax;
    MAT_Vector3 corners[8];
    local.Transform(*GetWorldTransform(_time), corners);
    MAT_AABox world;
    world.m_min = world.m_max = corners[0];
    for (s32 i = 1; i < 8; ++i)
        world.Extend(corners[i]);
    const f32 box[6] = {world.m_min.x, world.m_min.y, world.m_min.z, world.m_max.x, world.m_max.y, world.m_max.z};
    for (s32 i = 0; i < 6; ++i)
        _box[i] = box[i];
}

NOD_Node* NOD_Bullet::GetShooter() { return static_cast<NOD_Node*>(m_shooter.Get()); }

NOD_Bullet* NOD_Bullet::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Bullet*>(_node);
}

void NOD_Bullet::PM_EnterSimulation()
{
    const f32 now = SIM_GetSimulationClock().time;
    m_launchTime = now;
    const MAT_Vector3 velocity = m_kinematics.frame.r.GetY() * m_vMax;
    m_kinematics.SetVelocity(velocity);
    GetAggregate().EnterSimulation(*GetWorldTransform(now), velocity);
    SetFlags(GetFlags() | FLAG_IN_SIMULATION);
    TellSons(1);
}

void NOD_Bullet::StartFromLaunch()
{
    const f32 now = SIM_GetSimulationClock().time;
    MOT_TransformTrack& track = GetCS().GetTrack();
    const MAT_Matrix34 frame = *track.GetAt(m_launchTime, nullptr);
    const MAT_Vector3 velocity = frame.r.GetY() * m_vMax;
    track.SetTransform(m_launchTime, frame, velocity);
    if (MOT_MotionState* attached = GetAttachedFrame()) {
        attached->SetMatrix(frame);
        attached->SetVelocity(velocity);
    }
    m_kinematics.SetVelocity(velocity);
    GetAggregate().EnterSimulation(*GetWorldTransform(now), m_kinematics.GetVelocity());
    SetFlags(GetFlags() | FLAG_IN_SIMULATION);
}

void NOD_Bullet::PM_LeaveSimulation() { Leave(SIM_GetSimulationClock().time); }

NOD_Message* NOD_Bullet::ProcessMessage(NOD_Message* _message)
{
    switch (_message->GetType()) {
    case NOD_Node_EnterSimulation::ID:
        delete _message;
        PM_EnterSimulation();
        return nullptr;
    case NOD_Node_LeaveSimulation::ID:
        delete _message;
        PM_LeaveSimulation();
        return nullptr;
    default:
        return NOD_Body::ProcessMessage(_message);
    }
}

NOD_Replicator* NOD_Bullet::CreateReplicator() { return new NOD_BulletReplicator(); }
