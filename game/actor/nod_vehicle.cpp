// Vehicles: description, set-up, the ground-following step and the Vehicle messages.
#include "nod_vehicle.h"
#include "nod_creationrecord.h"

#include "brisel_simulation.h"
#include "brisel_spawn.h"
#include "cod_activeavoid.h"
#include "cod_physical.h"
#include "cod_sensor.h"
#include "des_file.h"
#include "mrt_terrain.h"
#include "nod_actor_local.h"
#include "nod_actorreplicators.h"
#include "nod_launcher.h"
#include "nod_message.h"
#include "nod_turret_base.h"
#include "sim_clock.h"

RTI_IMPLEMENT_CLASS(NOD_Vehicle, "NOD_ShieldedBody")

void NOD_Vehicle::RegisterStreamCreator()
{
    RTI_SetClassFunction(GetStaticClassDefinition(), &NOD_CreationRecord::CreateFromStream);
}

namespace
{
constexpr const char* PARSE = "NOD_Vehicle::ParseIniFile()";
constexpr f32 FIRING_RANGE_SHARE = 1.1f;
constexpr f32 DEFAULT_RANGE = 300.0f;
constexpr u32 SETUP_STATE_FLAGS = 39;

}  // namespace

NOD_Vehicle::NOD_Vehicle()
{
    GetCS().SetAttachedFrame(&m_model.State);
    m_model.State.SetMatrix(*GetCS().GetTrack().GetAt(0.0f, nullptr));
    m_attackers.AllocateAttackers(this);
    m_torpedoes.AllocateTorpedoes(this);
}

NOD_Vehicle::~NOD_Vehicle()
{
    m_visual.Release();
    m_torpedoes.Release();
    m_attackers.Release();
    GetCS().SetAttachedFrame(nullptr);
}

NOD_Vehicle* NOD_Vehicle::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Vehicle*>(_node);
}

NOD_Turret_Base* NOD_Vehicle::GetTurret() const
{
    return NOD_Turret_Base::DynamicCast(static_cast<NOD_Node*>(m_turret.Get()));
}

MRT_Terrain* NOD_Vehicle::CurrentTerrain()
{
    if (Brisel_TheSimulation == nullptr || Brisel_TheSimulation->terrainCell == nullptr)
        return nullptr;
    return Brisel_TheSimulation->terrainCell->terrain;
}

void NOD_Vehicle::ParseIniFile_Des(DES_Section& _data)
{
    DES_Section visual = NOD_ActorSection(_data, "Visual", PARSE);
    m_visual.Parse(visual, PARSE);

    DES_Section control = NOD_ActorSection(_data, "Control", PARSE);
    m_model.Parse(&control);

    ContactAggregate& aggregate = GetAggregate();
    DES_Section collision = NOD_ActorSection(_data, "Collision", PARSE);
    aggregate.GeneratePhysicalVessel(&collision, 0, nullptr);

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

    NOD_ShieldedBody::ParseIniFile(_data);

    DES_Section attack;
    if (_data.FindSection(&attack, "AttackBehaviour") != 0)
        m_attack.ParseIniFile(attack);

    LoadSons(_data);

    m_turret.Set(NOD_Turret_Base::DynamicCast(Find(SIM_Path("Turm1"))));

    SetUp();

    f32 range = DEFAULT_RANGE;
    if (NOD_Turret_Base* turret = GetTurret(); turret != nullptr) {
        NOD_NPC_Gun* gun = turret->GetGun();
        if (gun != nullptr && Brisel_TheSpawn != nullptr)
            range = Brisel_TheSpawn->GetBulletRange(gun->GetBulletType()) * FIRING_RANGE_SHARE;
    }
    NOD_SetFiringCone(aggregate.GetSensor4(), range);
    if (COD_Sensor* targets = aggregate.GetSensor2())
        targets->SetCapacities(0, 0, 30, 0);
}

void NOD_Vehicle::SetUp()
{
    const MAT_Matrix34 frame = *GetCS().GetTrack().GetAt(SIM_GetSimulationClock().time, nullptr);
    m_model.State.SetMatrix(frame);
    m_model.State.flags = SETUP_STATE_FLAGS;

    // Ground following rests the drawn box on the ground.
    m_visual.GetLocalBox(m_model.FollowBox);
    m_model.HeightOffset = 0.0f;
    m_model.Terrain = CurrentTerrain();

    m_parts.Fill(this);
    m_parts.vehicleMotion = &m_model;
    m_actions.Register(&m_goto, &m_parts);
    m_actions.Register(&m_stop, &m_parts);
    m_actions.Register(&m_patrol, &m_parts);
    m_actions.Register(&m_patrolPark, &m_parts);
    m_actions.Register(&m_attack, &m_parts);
    m_attack.SetTurret(GetTurret());

    if (COD_Sensor* perception = GetAggregate().GetSensor1())
        perception->SetCapacities(64, 16, 16, 16);
    m_states.Register(&m_shotHits, &m_parts);
    m_states.Register(&m_sensor, &m_parts);
    m_sensor.Init(16, 16, 16);
    m_states.Register(&m_shieldGuard, &m_parts);
    m_states.Register(&m_watchEnemiePatrol, &m_parts);
}

void NOD_Vehicle::HeartBeat()
{
    if (!IsInSimulation())
        return;
    const SIM_Clock& clock = SIM_GetSimulationClock();
    MOT_MotionState& state = m_model.State;
    ContactAggregate& aggregate = GetAggregate();

    aggregate.ApplyCollisionResponse(&state);
    // The terrain node may have loaded, reloaded or dropped its ground since the last step.
    m_model.Terrain = CurrentTerrain();
    m_model.ControlStep(clock);
    m_states.HandlePass1();
    m_actions.Handle();
    if (NOD_HasContacts(*this) != 0)
        ApplyContactsToShield();
    m_states.HandlePass2();
    state.Integrate(clock, 1);
    const f32 next = clock.time + clock.dt;
    GetCS().RecordStep(next, state.frame, state.GetVelocity());

    aggregate.HeartBeat(*GetWorldTransform(next), state.GetVelocity());
    NOD_Node::HeartBeat();

    if (GetShieldRef().IsExhausted() != 0)
        NOD_Node::GC_AddNode(this);
}

NOD_Message* NOD_Vehicle::ProcessMessage(NOD_Message* _message)
{
    u32 handled = 0;
    NOD_Message* reply =
        NOD_ProcessCarrierMessage(*this, m_model.State, _message, NOD_Vehicle_CollisionObjects::ID, &handled);
    if (handled != 0)
        return reply;
    // Placed by the body itself, past the contact part and the behaviours.
    if (_message->GetType() == NOD_Body_SetCS::ID)
        return NOD_Body::ProcessMessage(_message);
    return BHV_DispatchToOwnerChain(this, _message, &GetAggregate(), &m_states, &m_actions);
}

COD_Sensor* NOD_Vehicle::GetSensor()
{
    if (NOD_Body* turret = GetTurret())
        return turret->GetSensor();
    return NOD_ShieldedBody::GetSensor();
}

MAT_Vector3* NOD_Vehicle::GetVelocity(MAT_Vector3* _velocity)
{
    *_velocity = m_model.State.GetVelocity();
    return _velocity;
}

NOD_Replicator* NOD_Vehicle::CreateReplicator() { return new NOD_SteeredReplicator(); }
