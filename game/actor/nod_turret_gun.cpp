// Turret guns: description, entering and leaving under the turret's turning frame, the pitch
// step, drawing and the queries.
#include "nod_turret_gun.h"
#include "nod_creationrecord.h"

#include "brisel_renderer.h"
#include "cod_physical.h"
#include "des_file.h"
#include "nod_actor_local.h"
#include "nod_bodyreplicator.h"
#include "nod_freeflight.h"
#include "nod_launcher.h"
#include "nod_message.h"
#include "nod_turret_base.h"
#include "sim_clock.h"
#include "sim_name.h"

RTI_IMPLEMENT_CLASS(NOD_Turret_Gun, "NOD_ShieldedBody")

void NOD_Turret_Gun::RegisterStreamCreator()
{
    RTI_SetClassFunction(GetStaticClassDefinition(), &NOD_CreationRecord::CreateFromStream);
}

namespace
{
// The turret gun is read as part of its turret and reports under the turret's name.
constexpr const char* PARSE = "NOD_Turret_Base::ParseIniFile()";
// Rotation mode 6: only the pitch integrated, no translation.
constexpr u32 PITCH_ONLY_FLAGS = 48;
}  // namespace

NOD_Turret_Gun::NOD_Turret_Gun()
{
    // The turn model is a member built after the body: its state is attached here.
    GetCS().SetAttachedFrame(&m_turn.State);
}

NOD_Turret_Gun::~NOD_Turret_Gun() { m_mesh.Release(); }

NOD_Turret_Gun* NOD_Turret_Gun::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Turret_Gun*>(_node);
}

void NOD_Turret_Gun::ParseIniFile_Des(DES_Section& _data)
{
    NOD_ReadVisual(_data, PARSE, m_mesh, false);

    DES_Section control = NOD_ActorSection(_data, "Control", PARSE);
    m_turn.Parse(&control);

    NOD_ShieldedBody::ParseIniFile(_data);

    ContactAggregate& aggregate = GetAggregate();
    DES_Section collision = NOD_ActorSection(_data, "Collision", PARSE);
    // Without a father, or under one without a physical description, the flag is 0.
    aggregate.GeneratePhysicalVessel(&collision, NOD_FatherIsFreeBody(this), nullptr);
    f32 box[6];
    m_mesh.GetBodyBox(box);
    aggregate.GenerateVisibleObject(box);
    DES_Section avoidance = NOD_ActorSection(_data, "Avoidance", PARSE);
    aggregate.GeneratePassiveAvoid(&avoidance);
    aggregate.GenerateShadowReceiver(0);
    // The gun body rides on its turret and never collides with the ground itself.
    aggregate.GetPhysical()->m_activeFlag = 0;

    LoadSons(_data);
    m_gun = NOD_NPC_Gun::DynamicCast(Find(SIM_Path("gun")));

    MAT_Matrix34 frame = *GetCS().GetTrack().GetAt(SIM_GetSimulationClock().time, nullptr);
    m_turn.State.SetMatrix(frame);
    m_turn.State.flags = PITCH_ONLY_FLAGS;
}

void NOD_Turret_Gun::HeartBeat()
{
    if (!IsInSimulation())
        return;
    const SIM_Clock& clock = SIM_GetSimulationClock();
    m_turn.ControlStep(clock);
    MOT_MotionState& state = m_turn.State;
    state.Integrate(clock, 1);
    const f32 next = clock.time + clock.dt;
    GetCS().RecordStep(next, state.frame, state.GetVelocity());
    if (NOD_HasContacts(*this) != 0)
        ApplyContactsToShield();
    GetAggregate().HeartBeat(*GetWorldTransform(next), state.GetVelocity());
    NOD_Node::HeartBeat();
}

NOD_Message* NOD_Turret_Gun::ProcessMessage(NOD_Message* _message)
{
    switch (_message->GetType()) {
    case NOD_Body_SetCS::ID:
        return NOD_Body::ProcessMessage(_message);
    case NOD_Node_EnterSimulation::ID:
        delete _message;
        PM_EnterSimulation();
        return nullptr;
    case NOD_Node_LeaveSimulation::ID:
        delete _message;
        PM_LeaveSimulation();
        return nullptr;
    default:
        // Driven through its turret: the gun body answers nothing else.
        delete _message;
        return nullptr;
    }
}

void NOD_Turret_Gun::PM_EnterSimulation()
{
    if (NOD_Turret_Base* turret = NOD_Turret_Base::DynamicCast(GetFather()))
        GetCS().SetParent(&turret->GetTurretCS());
    GetAggregate().EnterSimulation(*GetWorldTransform(SIM_GetSimulationClock().time), m_turn.State.GetVelocity());
    NOD_EnterSons(*this);
    GetAggregate().LinkSonShields();
    SetFlags(GetFlags() | FLAG_IN_SIMULATION);
}

void NOD_Turret_Gun::PM_LeaveSimulation()
{
    GetAggregate().UnlinkSonShields();
    NOD_LeaveSons(*this);
    GetAggregate().LeaveSimulation();
    SetFlags(GetFlags() & ~(u32)FLAG_IN_SIMULATION);
    NOD_FreezeFrame(GetCS());
}

void NOD_Turret_Gun::Render() { m_mesh.Render(*this); }

void NOD_Turret_Gun::GetBoundingBox(f32* _box, f32 _time) { m_mesh.GetWorldBox(*GetWorldTransform(_time), _box); }

MAT_Vector3* NOD_Turret_Gun::GetVelocity(MAT_Vector3* _velocity)
{
    *_velocity = NOD_CarriedVelocity(*this, m_turn.State.GetVelocity());
    return _velocity;
}

MAT_Vector3* NOD_Turret_Gun::GetMatrixAtTime(MAT_Vector3* _position, f32 _time)
{
    *_position = m_mesh.GetCentre(*GetWorldTransform(_time));
    return _position;
}

f32 NOD_Turret_Gun::GetMass() { return NOD_TurretMass(*this); }

NOD_Replicator* NOD_Turret_Gun::CreateReplicator() { return new NOD_ShieldReplicator(1); }
