// Vessels: description, set-up, the step with the buzzer defence and death, the Vessel
// messages; and the mesh, simulation entry and exit and non-collision handler that vehicles and
// wheels share.
#include "nod_vessel.h"
#include "nod_creationrecord.h"

#include <cmath>

#include "brisel_cache.h"
#include "brisel_mesh.h"
#include "brisel_renderer.h"
#include "brisel_simulation.h"
#include "brisel_spawn.h"
#include "cod_activeavoid.h"
#include "cod_physical.h"
#include "cod_sensor.h"
#include "des_file.h"
#include "mat_geometry.h"
#include "nod_actor_local.h"
#include "nod_actorreplicators.h"
#include "nod_launcher.h"
#include "nod_message.h"
#include "nod_turret_base.h"
#include "os_fatal.h"
#include "reb_mesh.h"
#include "sim_clock.h"
#include "vec_mesh.h"

RTI_IMPLEMENT_CLASS(NOD_Vessel, "NOD_ShieldedBody")

void NOD_Vessel::RegisterStreamCreator()
{
    RTI_SetClassFunction(GetStaticClassDefinition(), &NOD_CreationRecord::CreateFromStream);
}

namespace
{
constexpr const char* PARSE = "NOD_Vessel::ParseIniFile()";
// cos 15 degrees: the firing cone of vessels and vehicles.
constexpr f32 FIRING_CONE_ANGLE = 0.2617994f;
constexpr f32 FIRING_RANGE_SHARE = 1.1f;
// The motion state's flag word once set up: x, y, z integrated, rotation mode 4.
constexpr u32 SETUP_STATE_FLAGS = 39;

void BoxOf(const MAT_Vector3& _min, const MAT_Vector3& _max, f32 _box[6])
{
    _box[0] = _min.x;
    _box[1] = _min.y;
    _box[2] = _min.z;
    _box[3] = _max.x;
    _box[4] = _max.y;
    _box[5] = _max.z;
}

bool MeshBox(const VEC_Mesh* _mesh, f32 _box[6])
{
    if (_mesh == nullptr)
        return false;
    BoxOf(_mesh->boxMin, _mesh->boxMax, _box);
    return true;
}
}  // namespace

// ---- the shared look ------------------------------------------------------------------------

void NOD_VesselVisual::Parse(DES_Section& _visual, const char* _where)
{
    Release();
    if (Brisel_TheCache == nullptr)
        OS_Fatal(_where, "no resource cache");
    char name[NOD_Node::PATH_BYTES] = {};
    if (_visual.HasEntry("NameMesh") != 0) {
        _visual.GetString("NameMesh", name, sizeof name);
        m_mesh.Allocate(name, _where);
        return;
    }
    _visual.GetString("BriselMesh", name, sizeof name);
    m_visual = Brisel_TheCache->GetVisualCache()->Allocate(name, 1);
}

void NOD_VesselVisual::Release()
{
    if (m_visual != 0 && Brisel_TheCache != nullptr)
        Brisel_TheCache->GetVisualCache()->Release(m_visual);
    m_visual = 0;
    m_mesh.Release();
}

REB_Mesh* NOD_VesselVisual::GetRenderMesh() const { return m_mesh.Get(); }

Brisel_Mesh* NOD_VesselVisual::GetVisual() const
{
    return m_visual != 0 && Brisel_TheCache != nullptr ? Brisel_TheCache->GetVisualCache()->Get(m_visual) : nullptr;
}

bool NOD_VesselVisual::GetLocalBox(f32 _box[6]) const
{
    if (m_mesh.Get() != nullptr) {
        m_mesh.GetLocalBox(_box);
        return true;
    }
    if (const Brisel_Mesh* visual = GetVisual(); visual != nullptr && MeshBox(visual->GetMesh(), _box))
        return true;
    BoxOf(MAT_Vector3(), MAT_Vector3(), _box);
    return false;
}

bool NOD_VesselVisual::GetContactBox(f32 _box[6]) const
{
    if (const Brisel_Mesh* visual = GetVisual(); visual != nullptr && MeshBox(visual->GetCMesh(), _box))
        return true;
    return GetLocalBox(_box);
}

void NOD_VesselVisual::Render(NOD_Body& _body) const
{
    Brisel_Renderer* renderer = Brisel_Renderer::Get();
    if (renderer == nullptr)
        return;
    const MAT_Matrix34& world = *_body.GetWorldTransform(SIM_GetFrameClock().time);
    if (m_mesh.GetHandle() != 0)
        renderer->RenderMesh(m_mesh.Get(), world);
    else if (Brisel_Mesh* visual = GetVisual())
        renderer->RenderBriselMesh(visual, world);
}

void NOD_VesselVisual::GetBoundingBox(NOD_Body& _body, f32* _box, f32 _time) const
{
    if (m_mesh.Get() != nullptr) {
        m_mesh.GetWorldBox(*_body.GetWorldTransform(_time), _box);
        return;
    }
    f32 local[6];
    GetLocalBox(local);
    MAT_AABox box;
    box.m_min = MAT_Vector3(local[0], local[1], local[2]);
    box.m_max = MAT_Vector3(local[3], local[4], local[5]);
    MAT_Vector3 corners[8];
    box.Transform(*_body.GetWorldTransform(_time), corners);
    MAT_AABox world;
    Brisel_Renderer::BoundingBoxOfPoints(world, corners, 8);
    BoxOf(world.m_min, world.m_max, _box);
}

// ---- the shared simulation entry and exit, and messages ------------------------------------

void NOD_EnterArmedBody(NOD_Body& _body, MOT_MotionState& _state)
{
    const f32 now = SIM_GetSimulationClock().time;
    _body.GetAggregate().EnterSimulation(*_body.GetWorldTransform(now), _state.GetVelocity());
    for (s32 i = 0; i < (s32)_body.GetNumOfSons(); ++i)
        delete _body.GetSon(i)->ProcessMessage(NOD_Node_EnterSimulation::Create());
    _body.GetAggregate().LinkSonShields();
    _body.SetFlags(_body.GetFlags() | NOD_Node::FLAG_IN_SIMULATION);
}

void NOD_LeaveArmedBody(NOD_Body& _body, MOT_MotionState& _state)
{
    _body.GetAggregate().UnlinkSonShields();
    for (s32 i = 0; i < (s32)_body.GetNumOfSons(); ++i)
        delete _body.GetSon(i)->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    _body.GetAggregate().LeaveSimulation();
    _body.SetFlags(_body.GetFlags() & ~(u32)NOD_Node::FLAG_IN_SIMULATION);
    const f32 now = SIM_GetSimulationClock().time;
    const MAT_Matrix34 frame = *_body.GetCS().GetTrack().GetAt(now, nullptr);
    _body.GetCS().GetTrack().SetTransform(now, frame, MAT_Vector3());
    _state.SetMatrix(frame);
    _state.SetVelocity(MAT_Vector3());
}

NOD_Message* NOD_SetNonCollisionObjects(NOD_Body& _body, NOD_Message* _message)
{
    auto [a, b] = NOD_Vessel_NonCollideAvoid::Read(_message);
    delete _message;
    const char* own = _body.GetName().GetName();

    if (a == nullptr) {
        if (COD_Physical* physical = _body.GetAggregate().GetPhysical(); physical != nullptr)
            if (COD_Physical_Vessel* vessel = physical->GetVessel())
                vessel->m_ignore.Set(nullptr);
    } else if (NOD_Body* partner = NOD_Body::DynamicCast(a); partner == nullptr) {
        OS_Log(OS_Format("Illegal non collision object %s in object %s", a->GetName().GetName(), own));
    } else if (partner->GetAggregate().GetPhysical() == nullptr) {
        OS_Log(OS_Format("Illegeal non collision object %s in object %s", a->GetName().GetName(), own));
    } else {
        _body.SetNonCollideNode(partner);
    }

    COD_ActiveAvoid* avoider = _body.GetAggregate().GetAvoider();
    if (b == nullptr) {
        if (avoider != nullptr)
            avoider->m_ignore.Set(nullptr);
    } else {
        NOD_Body* other = NOD_Body::DynamicCast(b);
        const bool avoidable = other != nullptr && (other->GetAggregate().GetAvoider() != nullptr ||
                                                    other->GetAggregate().GetObstacle() != nullptr);
        if (!avoidable)
            OS_Log(OS_Format("Illegal non avoidance object %s in object %s", b->GetName().GetName(), own));
        else if (avoider != nullptr)
            avoider->m_ignore.Set(other);
    }
    return nullptr;
}

void NOD_SetAvoidanceBit(NOD_Body& _body, u32 _bit, u32 _on)
{
    COD_ActiveAvoid* avoider = _body.GetAggregate().GetAvoider();
    if (avoider == nullptr)
        return;
    if (_on != 0)
        avoider->m_avoidanceFlags |= _bit;
    else
        avoider->m_avoidanceFlags &= ~_bit;
}

void NOD_SetFiringCone(COD_Sensor* _sensor, f32 _range)
{
    if (_sensor == nullptr)
        return;
    _sensor->m_flags = (_sensor->m_flags | COD_SENSOR_SEEING) & ~COD_SENSOR_VISIBILITY_TESTED;
    _sensor->m_coneCosine = std::cos(FIRING_CONE_ANGLE);
    _sensor->m_seeingRange = _range;
}

static_assert(NOD_Vessel_NonCollideAvoid::ID == NOD_Vessel_CollisionObjects::ID + 4 &&
              NOD_Vessel_AvoidanceTerrain::ID == NOD_Vessel_CollisionObjects::ID + 3);
static_assert(NOD_Vehicle_NonCollideAvoid::ID == NOD_Vehicle_CollisionObjects::ID + 4 &&
              NOD_Vehicle_AvoidanceTerrain::ID == NOD_Vehicle_CollisionObjects::ID + 3);

NOD_Message* NOD_ProcessCarrierMessage(NOD_Body& _body, MOT_MotionState& _state, NOD_Message* _message, u32 _firstId,
                                       u32* _handled)
{
    *_handled = 1;
    const u32 id = _message->GetType();
    if (id == NOD_Node_EnterSimulation::ID || id == NOD_Node_LeaveSimulation::ID) {
        delete _message;
        if (id == NOD_Node_EnterSimulation::ID)
            NOD_EnterArmedBody(_body, _state);
        else
            NOD_LeaveArmedBody(_body, _state);
        return nullptr;
    }
    // The family's first five: collision objects, collision terrain, avoidance objects,
    // avoidance terrain (one u8 each), then the non-collision pair.
    if (id == _firstId + 4)
        return NOD_SetNonCollisionObjects(_body, _message);
    if (id < _firstId || id > _firstId + 3) {
        *_handled = 0;
        return nullptr;
    }
    u8 on = 0;
    NOD_Vessel_CollisionObjects::Read(_message, &on);
    delete _message;
    if (id == _firstId || id == _firstId + 1)
        _body.SetCollision(id - _firstId, on);
    else
        NOD_SetAvoidanceBit(_body, id == _firstId + 2 ? COD_AVOID_OBJECTS : COD_AVOID_TERRAIN, on);
    return nullptr;
}

// ---- the vessel -----------------------------------------------------------------------------

NOD_Vessel::NOD_Vessel()
{
    // The model is built after the body: its motion state is attached here.
    GetCS().SetAttachedFrame(&m_model.State);
    m_model.State.SetMatrix(*GetCS().GetTrack().GetAt(0.0f, nullptr));
    m_attackers.AllocateAttackers(this);
    m_torpedoes.AllocateTorpedoes(this);
}

NOD_Vessel::~NOD_Vessel()
{
    m_visual.Release();
    m_torpedoes.Release();
    m_attackers.Release();
    GetCS().SetAttachedFrame(nullptr);
}

NOD_Vessel* NOD_Vessel::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Vessel*>(_node);
}

NOD_TorpedoLauncher* NOD_Vessel::GetTorpedoLauncher() const
{
    return static_cast<NOD_TorpedoLauncher*>(static_cast<NOD_Node*>(m_torpedoLauncher.Get()));
}

NOD_BuzzerLauncher* NOD_Vessel::GetBuzzerLauncher() const
{
    return static_cast<NOD_BuzzerLauncher*>(static_cast<NOD_Node*>(m_buzzerLauncher.Get()));
}

NOD_NPC_Gun* NOD_Vessel::GetGun() const { return static_cast<NOD_NPC_Gun*>(static_cast<NOD_Node*>(m_gun.Get())); }

void NOD_Vessel::ParseIniFile_Des(DES_Section& _data)
{
    DES_Section visual = NOD_ActorSection(_data, "Visual", PARSE);
    m_visual.Parse(visual, PARSE);

    DES_Section control = NOD_ActorSection(_data, "Control", PARSE);
    m_model.Parse(&control);

    NOD_ShieldedBody::ParseIniFile(_data);

    ContactAggregate& aggregate = GetAggregate();
    DES_Section collision = NOD_ActorSection(_data, "Collision", PARSE);
    aggregate.GeneratePhysicalVessel(&collision, 1, &m_model);
    // Vessels ignore the ground until the script switches it on.
    SetCollision(1, 0);

    f32 box[6];
    m_visual.GetContactBox(box);
    aggregate.GenerateVisibleObject(box);

    DES_Section avoidance = NOD_ActorSection(_data, "Avoidance", PARSE);
    aggregate.GenerateActiveAvoid(&avoidance);
    aggregate.GenerateShadowCaster();
    aggregate.GenerateShadowReceiver(0);

    DES_Section emitter = NOD_ActorSection(_data, "Emitter", PARSE);
    aggregate.GenerateEmitter(&emitter);
    aggregate.GenerateSensor1();
    aggregate.GenerateSensor4();
    aggregate.GenerateSensor2();

    DES_Section escape;
    if (_data.FindSection(&escape, "EscapeBehaviour") != 0)
        m_escapeTo.ReadDataFrom(&escape);
    DES_Section attack;
    if (_data.FindSection(&attack, "AttackBehaviour") != 0)
        m_attack.ParseIniFile(attack);

    LoadSons(_data);

    NOD_TorpedoLauncher* torpedoLauncher = NOD_TorpedoLauncher::DynamicCast(Find(SIM_Path("torlaunch")));
    m_torpedoLauncher.Set(torpedoLauncher);
    if (torpedoLauncher != nullptr)
        torpedoLauncher->SetOwner(this);

    NOD_BuzzerLauncher* buzzerLauncher = NOD_BuzzerLauncher::DynamicCast(Find(SIM_Path("buzzlaunch")));
    m_buzzerLauncher.Set(buzzerLauncher);
    if (buzzerLauncher != nullptr) {
        buzzerLauncher->SetOwner(this);
        DES_Section buzzer = NOD_ActorSection(_data, "BuzzerParam", PARSE);
        f32 radius = 0.0f;
        f32 intelligence = 0.0f;
        buzzer.GetFloat("BuzzerRadius", &radius);
        buzzer.GetFloat("BuzzerTime", &m_buzzerTime);
        buzzer.GetFloat("BuzzerIntelligence", &intelligence);
        buzzer.GetS32("NumOfBuzzers", &m_numOfBuzzers);
        m_buzzerRadiusSq = radius * radius;
        m_buzzerTimer = 0.0f;
        // The chance p per second, as a chance per step.
        m_buzzerChance = 1.0f - std::pow(1.0f - intelligence, SIM_STEP);
    }

    NOD_NPC_Gun* gun = NOD_NPC_Gun::DynamicCast(Find(SIM_Path("gun")));
    m_gun.Set(gun);
    if (gun != nullptr)
        gun->SetShooter(this);

    SetUp();

    f32 range = DEFAULT_RANGE;
    if (gun != nullptr && Brisel_TheSpawn != nullptr)
        range = Brisel_TheSpawn->GetBulletRange(gun->GetBulletType()) * FIRING_RANGE_SHARE;
    NOD_SetFiringCone(aggregate.GetSensor4(), range);
    if (COD_Sensor* targets = aggregate.GetSensor2())
        targets->SetCapacities(0, 0, 100, 0);
}

void NOD_Vessel::SetUp()
{
    const MAT_Matrix34 frame = *GetCS().GetTrack().GetAt(SIM_GetSimulationClock().time, nullptr);
    m_model.State.SetMatrix(frame);
    m_model.State.flags = SETUP_STATE_FLAGS;

    m_parts.Fill(this);
    m_parts.vesselMotion = &m_model;
    m_actions.Register(&m_goto, &m_parts);
    m_actions.Register(&m_stop, &m_parts);
    m_actions.Register(&m_patrol, &m_parts);
    m_actions.Register(&m_sink, &m_parts);
    m_actions.Register(&m_escort, &m_parts);
    m_actions.Register(&m_escapeTo, &m_parts);
    m_actions.Register(&m_attack, &m_parts);
    m_attack.SetGun(GetGun());
    m_attack.SetTorpedoLauncher(GetTorpedoLauncher());

    if (COD_Sensor* perception = GetAggregate().GetSensor1())
        perception->SetCapacities(64, 16, 16, 16);
    m_states.Register(&m_shotHits, &m_parts);
    m_states.Register(&m_sensor, &m_parts);
    m_sensor.Init(16, 16, 16);
    m_states.Register(&m_shieldGuard, &m_parts);
    m_states.Register(&m_watchEnemiePatrol, &m_parts);
}

void NOD_Vessel::HeartBeat()
{
    if (!IsInSimulation())
        return;
    const SIM_Clock& clock = SIM_GetSimulationClock();
    MOT_MotionState& state = m_model.State;
    ContactAggregate& aggregate = GetAggregate();

    aggregate.ApplyCollisionResponse(&state);
    m_model.ControlStep(clock);
    m_states.HandlePass1();
    m_actions.Handle();
    if (GetBuzzerLauncher() != nullptr)
        HandleBuzzers();
    if (NOD_HasContacts(*this) != 0)
        ApplyContactsToShield();
    m_states.HandlePass2();
    state.Integrate(clock, 1);
    const f32 next = clock.time + clock.dt;
    GetCS().RecordStep(next, state.frame, state.GetVelocity());

    aggregate.HeartBeat(*GetWorldTransform(next), state.GetVelocity());
    NOD_Node::HeartBeat();

    if (GetShieldRef().IsExhausted() != 0)
        Die();
}

void NOD_Vessel::Die()
{
    NOD_Node::GC_AddNode(this);
    if (Brisel_TheSpawn == nullptr)
        return;
    const f32 now = SIM_GetSimulationClock().time;
    const MAT_Matrix34 frame = *GetWorldTransform(now);
    Brisel_DebrisLaunch launch;
    launch.velocity = m_model.State.GetVelocity();
    Brisel_TheSpawn->SpawnDebris(0, frame, launch);
    if (m_visual.GetVisualHandle() == 0)
        return;
    MAT_Vector3 velocity;
    GetVelocity(&velocity);
    MAT_Vector3 centre;
    GetMatrixAtTime(&centre, now);
    for (s32 piece = 0; piece < 5; ++piece)
        Brisel_TheSpawn->SpawnShrapnel(m_visual.GetVisualHandle(), piece, frame, velocity, centre, MAT_Vector3());
}

void NOD_Vessel::HandleBuzzers()
{
    const SIM_Clock& clock = SIM_GetSimulationClock();
    m_buzzerTimer -= clock.dt;
    if (m_buzzerTimer > 0.0f || m_numOfBuzzers < 1)
        return;
    MAT_Vector3 own;
    GetMatrixAtTime(&own, clock.time);
    NOD_Node* node = nullptr;
    while (m_torpedoes.GetNext(node) != 0) {
        NOD_Body* torpedo = NOD_Body::DynamicCast(node);
        if (torpedo == nullptr)
            continue;
        MAT_Vector3 position;
        torpedo->GetMatrixAtTime(&position, clock.time);
        if ((own - position).LengthSquared() >= m_buzzerRadiusSq)
            continue;
        // Only the first torpedo inside the radius counts in a step, launch or not.
        const f32 draw =
            Brisel_TheSimulation != nullptr ? (f32)Brisel_TheSimulation->random.Next() * 2.3283064e-10f : 1.0f;
        if (draw < m_buzzerChance) {
            --m_numOfBuzzers;
            GetBuzzerLauncher()->Launch();
            m_buzzerTimer = m_buzzerTime;
        }
        return;
    }
}

NOD_Message* NOD_Vessel::ProcessMessage(NOD_Message* _message)
{
    u32 handled = 0;
    NOD_Message* reply =
        NOD_ProcessCarrierMessage(*this, m_model.State, _message, NOD_Vessel_CollisionObjects::ID, &handled);
    if (handled != 0)
        return reply;
    switch (_message->GetType()) {
    case NOD_Vessel_AttackTurrets::ID:
        return PM_AttackTurrets(_message);
    case NOD_Vessel_AttackTurretsStop::ID:
        return PM_AttackTurretsStop(_message);
    default:
        return BHV_DispatchToOwnerChain(this, _message, &GetAggregate(), &m_states, &m_actions);
    }
}

NOD_Message* NOD_Vessel::PM_AttackTurrets(NOD_Message* _message)
{
    SIM_Name prefix;
    SIM_Name names[4];
    NOD_Vessel_AttackTurrets::Read(_message, &prefix, &names[0], &names[1], &names[2], &names[3]);
    delete _message;
    SendToTurrets(prefix, names);
    return nullptr;
}

NOD_Message* NOD_Vessel::PM_AttackTurretsStop(NOD_Message* _message)
{
    SIM_Name prefix;
    NOD_Vessel_AttackTurretsStop::Read(_message, &prefix);
    delete _message;
    SendToTurrets(prefix, nullptr);
    return nullptr;
}

void NOD_Vessel::SendToTurrets(const SIM_Name& _prefix, const SIM_Name* _names)
{
    for (s32 i = 0; i < (s32)GetNumOfSons(); ++i) {
        NOD_Node* son = GetSon(i);
        if (NOD_Turret_Base::DynamicCast(son) == nullptr || son->GetName().HasProperPrefix(_prefix) == 0)
            continue;
        NOD_Message* order = _names != nullptr
                                 ? NOD_Turret_Base_DirectAttack::Create(_names[0], _names[1], _names[2], _names[3])
                                 : NOD_Turret_Base_DirectAttackStop::Create();
        delete son->ProcessMessage(order);
    }
}

MAT_Vector3* NOD_Vessel::GetVelocity(MAT_Vector3* _velocity)
{
    *_velocity = m_model.State.GetVelocity();
    return _velocity;
}

f32 NOD_Vessel::GetMass()
{
    COD_Physical* physical = GetAggregate().GetPhysical();
    COD_Physical_Vessel* vessel = physical != nullptr ? physical->GetVessel() : nullptr;
    return vessel != nullptr ? vessel->m_mass : 0.0f;
}

NOD_Replicator* NOD_Vessel::CreateReplicator() { return new NOD_SteeredReplicator(); }
