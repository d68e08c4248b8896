// Buzzers: description, clones, the launch with its torpedo claim, the drifting step.
#include "nod_buzzer.h"
#include "nod_creationrecord.h"

#include "bhv_attackerslots.h"
#include "cod_physical.h"
#include "des_file.h"
#include "nod_bodyreplicator.h"
#include "nod_message.h"
#include "nod_torpedo.h"
#include "sim_clock.h"

RTI_IMPLEMENT_CLASS(NOD_Buzzer, "NOD_ShieldedBody")

void NOD_Buzzer::RegisterStreamCreator()
{
    RTI_SetClassFunction(GetStaticClassDefinition(), &NOD_CreationRecord::CreateFromStream);
}

namespace
{
// The buzzer shares its reader's texts with the torpedo.
constexpr const char* PARSE = "NOD_Torpedo::ParseIniFile()";
constexpr f32 GRAVITY = -9.81f;
// The largest squared distance a claim starts from.
constexpr f32 FAR_AWAY = 3.4028235e38f;
// Translation along the three body axes and the three rotation axes.
constexpr u32 ALL_AXES = MOT_Friction::BODY_X | MOT_Friction::BODY_Y | MOT_Friction::BODY_Z | MOT_Friction::HEADING |
                         MOT_Friction::PITCH | MOT_Friction::ROLL;

DES_Section Section(DES_Section& _data, const char* _name)
{
    DES_Section section;
    if (_data.FindSection(&section, _name) == 0)
        DES_FatalSection(PARSE, _name, _data.GetFile() != nullptr ? _data.GetFile()->GetName() : "");
    return section;
}
}  // namespace

NOD_Buzzer::NOD_Buzzer()
{
    // The motion state is a member of this class, built after the body: it is attached here.
    GetCS().SetAttachedFrame(&m_state);
    m_state.SetMatrix(*GetCS().GetTrack().GetAt(0.0f, nullptr));
    SetRenderBucket(0);
}

NOD_Buzzer::~NOD_Buzzer() = default;

void NOD_Buzzer::SetDamping()
{
    m_friction.flags |= ALL_AXES;
    for (s32 i : {0, 1, 2, 6, 7, 8})
        m_friction.c[i] = FRICTION;
}

NOD_Node* NOD_Buzzer::Clone()
{
    NOD_Buzzer* clone = new NOD_Buzzer;
    clone->m_loadRecord = m_loadRecord;
    clone->m_name = m_name;
    clone->m_mesh.Share(m_mesh);
    clone->GetAggregate().Clone(GetAggregate());
    clone->GetShieldRef().CopyFrom(GetShieldRef());
    clone->m_state = m_state;
    clone->m_friction = m_friction;
    NOD_TakePrototypePlace(clone->m_state, *this);
    clone->m_state.regime = MOT_MotionState::REGIME_ABSOLUTE;
    clone->SetDamping();
    return clone;
}

void NOD_Buzzer::ParseIniFile_Des(DES_Section& _data)
{
    m_mesh.ParseVisual(_data, PARSE);
    DES_Section collision = Section(_data, "Collision");
    GetAggregate().GeneratePhysicalVessel(&collision, 1, nullptr);
    f32 box[6];
    m_mesh.GetLocalBox(box);
    GetAggregate().GenerateVisibleObject(box);
    NOD_ShieldedBody::ParseIniFile(_data);
    SetDamping();
}

void NOD_Buzzer::Launch(NOD_Node* _owner, const MAT_Matrix34& _frame, f32 _eject, const MAT_Vector3& _tumbling)
{
    NOD_Body* owner = NOD_Body::DynamicCast(_owner);
    if (owner != nullptr)
        ClaimTorpedo(owner);
    SetNonCollideNode(_owner);
    MAT_Vector3 ownerVelocity;
    if (owner != nullptr)
        owner->GetVelocity(&ownerVelocity);
    m_state.SetVelocity(_frame.r.GetY() * -_eject + ownerVelocity);
    m_state.rotation[MOT_MotionState::PITCH].rate = _tumbling.x;
    m_state.rotation[MOT_MotionState::ROLL].rate = _tumbling.y;
    m_state.rotation[MOT_MotionState::HEADING].rate = _tumbling.z;
}

void NOD_Buzzer::ClaimTorpedo(NOD_Body* _owner)
{
    BHV_AttackerSlots* slots = _owner->GetTorpedoSlots();
    if (slots == nullptr)
        return;
    const f32 now = SIM_GetSimulationClock().time;
    NOD_Torpedo* nearest = nullptr;
    f32 nearestSquared = FAR_AWAY;
    NOD_Node* node = nullptr;
    while (slots->GetNext(node) != 0) {
        NOD_Torpedo* torpedo = NOD_Torpedo::DynamicCast(node);
        if (torpedo == nullptr || torpedo->GetBuzzerDistract() != 1)
            continue;
        const MAT_Vector3 d = _owner->GetWorldTransform(now)->t - torpedo->GetWorldTransform(now)->t;
        const f32 squared = d.LengthSquared();
        if (squared < nearestSquared) {
            nearest = torpedo;
            nearestSquared = squared;
        }
    }
    if (nearest == nullptr)
        return;
    nearest->SetForcedTarget(this);
    // It counts no more for the body it homed on, and none of that body's buzzers claims it
    // again: it leaves the slots it was found in even when its target was dropped (the
    // looking modes drop one now and then without leaving the slots).
    slots->Remove(nearest);
    NOD_Body* target = NOD_Body::DynamicCast(nearest->GetTarget());
    if (target != nullptr && target != _owner && target->GetTorpedoSlots() != nullptr)
        target->GetTorpedoSlots()->Remove(nearest);
}

NOD_Message* NOD_Buzzer::ProcessMessage(NOD_Message* _message)
{
    return NOD_ProcessProjectileMessage(*this, _message, [](NOD_Body& _body) {
        NOD_Buzzer& buzzer = static_cast<NOD_Buzzer&>(_body);
        NOD_EnterProjectile(buzzer, buzzer.m_state.GetVelocity());
    });
}

void NOD_Buzzer::HeartBeat()
{
    if (!IsInSimulation())
        return;
    const SIM_Clock& clock = SIM_GetSimulationClock();
    m_state.translation[0].acceleration = 0.0f;
    m_state.translation[1].acceleration = 0.0f;
    m_state.translation[2].acceleration = GRAVITY;
    m_friction.Apply(clock, m_state);
    COD_Physical* physical = GetAggregate().GetPhysical();
    if (physical != nullptr && physical->m_contactFlag != 0)
        ApplyContactsToShield();
    m_state.Integrate(clock, 1);
    const f32 next = clock.time + clock.dt;
    GetCS().GetTrack().SetState(next, m_state.frame, m_state.GetVelocity());
    GetAggregate().HeartBeat(*GetWorldTransform(next), m_state.GetVelocity());
    NOD_Node::HeartBeat();
    CheckShield();
}

void NOD_Buzzer::ApplyContactsToShield()
{
    SHL_Shield& shield = GetShieldRef();
    shield.SetFace(SHL_FACE_RIGHT, 0, shield.GetFaceInMax(SHL_FACE_RIGHT));
}

void NOD_Buzzer::Explode() { NOD_ExplodeProjectile(*this, m_state.GetVelocity()); }

NOD_Buzzer* NOD_Buzzer::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Buzzer*>(_node);
}

NOD_Replicator* NOD_Buzzer::CreateReplicator() { return new NOD_ShieldReplicator(1); }
