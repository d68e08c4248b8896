// Wheels: description, entering and leaving under a father, rolling and suspension.
#include "nod_wheel.h"

#include <algorithm>
#include <cfloat>

#include "brisel_simulation.h"
#include "cod_physical.h"
#include "des_file.h"
#include "mrt_terrain.h"
#include "nod_actor_local.h"
#include "nod_message.h"
#include "os_fatal.h"
#include "sim_clock.h"

RTI_IMPLEMENT_CLASS(NOD_Wheel, "NOD_ShieldedBody")

namespace
{
constexpr const char* PARSE = "NOD_Wheel::ParseIniFile()";
// The motion state integrates z only, with rotation mode 6 (rates about the body's axes).
constexpr u32 WHEEL_STATE_FLAGS = 52;

// The ground height at (x, y); FLT_MAX off the grid and without a terrain.
f32 GroundAt(f32 _x, f32 _y)
{
    if (Brisel_TheSimulation == nullptr || Brisel_TheSimulation->terrainCell == nullptr ||
        Brisel_TheSimulation->terrainCell->terrain == nullptr)
        return FLT_MAX;
    return Brisel_TheSimulation->terrainCell->terrain->GetHeightAt(_x, _y);
}
}  // namespace

NOD_Wheel::NOD_Wheel()
{
    GetCS().SetAttachedFrame(&m_state);
    m_state.SetMatrix(*GetCS().GetTrack().GetAt(0.0f, nullptr));
    m_state.flags = WHEEL_STATE_FLAGS;
    SetRenderBucket(0);
}

NOD_Wheel::~NOD_Wheel()
{
    m_visual.Release();
    GetCS().SetAttachedFrame(nullptr);
}

NOD_Wheel* NOD_Wheel::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Wheel*>(_node);
}

void NOD_Wheel::ParseIniFile_Des(DES_Section& _data)
{
    DES_Section visual = NOD_ActorSection(_data, "Visual", PARSE);
    m_visual.Parse(visual, PARSE);

    ContactAggregate& aggregate = GetAggregate();
    DES_Section collision = NOD_ActorSection(_data, "Collision", PARSE);
    aggregate.GeneratePhysicalVessel(&collision, 0, nullptr);

    f32 box[6];
    m_visual.GetContactBox(box);
    aggregate.GenerateVisibleObject(box);

    DES_Section avoidance = NOD_ActorSection(_data, "Avoidance", PARSE);
    aggregate.GeneratePassiveAvoid(&avoidance);
    aggregate.GenerateShadowReceiver(0);

    NOD_ShieldedBody::ParseIniFile(_data);

    // A body visual has no render mesh of its own: its level-0 box gives the radius.
    f32 local[6];
    m_visual.GetLocalBox(local);
    m_radius = ((local[4] - local[1]) + (local[5] - local[2])) * 0.25f;
    m_inverseRadius = m_radius > 0.0f ? 1.0f / m_radius : 0.0f;
}

NOD_Message* NOD_Wheel::ProcessMessage(NOD_Message* _message)
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
        return NOD_ShieldedBody::ProcessMessage(_message);
    }
}

MAT_Vector3 NOD_Wheel::FatherVelocity() const
{
    NOD_Body* father = NOD_Body::DynamicCast(GetFather());
    const MOT_MotionState* state = father != nullptr ? father->GetAttachedFrame() : nullptr;
    return state != nullptr ? state->GetVelocity() : MAT_Vector3();
}

void NOD_Wheel::PM_EnterSimulation()
{
    NOD_Body* father = NOD_Body::DynamicCast(GetFather());
    if (father != nullptr)
        GetCS().SetParent(&father->GetCS());
    if (GetFather() == nullptr)
        OS_Fatal("NOD_Wheel::PM_EnterSimulation()", "a wheel needs a parent node");
    const f32 now = SIM_GetSimulationClock().time;
    GetAggregate().EnterSimulation(*GetWorldTransform(now), FatherVelocity());
    for (s32 i = 0; i < (s32)GetNumOfSons(); ++i)
        delete GetSon(i)->ProcessMessage(NOD_Node_EnterSimulation::Create());
    GetAggregate().LinkSonShields();
    m_state.SetMatrix(*GetCS().GetTrack().GetAt(now, nullptr));
    m_restHeight = m_state.translation[2].position;
    SetFlags(GetFlags() | FLAG_IN_SIMULATION);
}

void NOD_Wheel::PM_LeaveSimulation()
{
    GetAggregate().UnlinkSonShields();
    for (s32 i = 0; i < (s32)GetNumOfSons(); ++i)
        delete GetSon(i)->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    GetAggregate().LeaveSimulation();
    SetFlags(GetFlags() & ~(u32)FLAG_IN_SIMULATION);
    const f32 now = SIM_GetSimulationClock().time;
    SetTransform(now, *GetCS().GetTrack().GetAt(now, nullptr));
}

void NOD_Wheel::FollowGround(const SIM_Clock& _clock)
{
    // Roll: the father's speed along its forward axis over the radius.
    MAT_Vector3 velocity;
    f32 forward = 0.0f;
    if (NOD_Body* father = NOD_Body::DynamicCast(GetFather())) {
        const MAT_Matrix34 frame = *father->GetWorldTransform(_clock.time);
        father->GetVelocity(&velocity);
        forward = velocity.Dot(frame.r.GetY());
    }
    m_state.rotation[0].rate = -forward * m_inverseRadius;
    m_state.rotation[1].rate = 0.0f;
    m_state.rotation[2].rate = 0.0f;

    // Suspension: the travel that puts the wheel's bottom on the ground, within one radius.
    const MAT_Vector3 world = GetWorldTransform(_clock.time)->t;
    const f32 ground = GroundAt(world.x, world.y);
    const MAT_Vector3 local = m_state.frame.t;
    f32 travel = (local.z - m_restHeight) - (world.z - m_radius - ground);
    travel = std::clamp(travel, -m_radius, m_radius);
    m_state.SetPosition(MAT_Vector3(local.x, local.y, m_restHeight + travel));
}

void NOD_Wheel::HeartBeat()
{
    if (!IsInSimulation())
        return;
    const SIM_Clock& clock = SIM_GetSimulationClock();
    FollowGround(clock);
    m_state.Integrate(clock, 1);
    const f32 next = clock.time + clock.dt;
    GetCS().RecordStep(next, m_state.frame, m_state.GetVelocity());
    if (NOD_HasContacts(*this) != 0)
        ApplyContactsToShield();
    GetAggregate().HeartBeat(*GetWorldTransform(next), FatherVelocity());
}

void NOD_Wheel::ApplyContactsToShield()
{
    ApplyVesselContacts();
    if (GetShieldRef().IsExhausted() != 0)
        NOD_Node::GC_AddNode(this);
}

MAT_Vector3* NOD_Wheel::GetMatrixAtTime(MAT_Vector3* _position, f32 _time)
{
    const MAT_Matrix34& world = *GetWorldTransform(_time);
    f32 box[6];
    if (!m_visual.GetLocalBox(box)) {
        *_position = world.t;
        return _position;
    }
    const MAT_Vector3 centre((box[0] + box[3]) * 0.5f, (box[1] + box[4]) * 0.5f, (box[2] + box[5]) * 0.5f);
    *_position = world.TransformPoint(centre);
    return _position;
}

f32 NOD_Wheel::GetMass()
{
    COD_Physical* physical = GetAggregate().GetPhysical();
    COD_Physical_Vessel* vessel = physical != nullptr ? physical->GetVessel() : nullptr;
    return vessel != nullptr ? vessel->m_mass : 0.0f;
}
