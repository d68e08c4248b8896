// The plain character: its description, its step, its messages and its box.
#include "nod_character.h"

#include "des_file.h"
#include "nod_message.h"
#include "nod_physicalcharacter.h"
#include "sim_clock.h"
#include "vca_cache.h"

RTI_IMPLEMENT_CLASS(NOD_Character, "NOD_Body")

namespace
{
const char* const PARSE = "NOD_Character::ParseIniFile()";
}  // namespace

NOD_Character::NOD_Character()
{
    // The body moves with the motion model's state, which exists only now.
    GetCS().SetAttachedFrame(&m_motion.State);
    m_motion.State.SetMatrix(*GetCS().GetTrack().GetAt(0.0f, nullptr));
}

NOD_Character::~NOD_Character() { GetCS().SetAttachedFrame(nullptr); }

void NOD_Character::ParseIniFile_Des(DES_Section& _data)
{
    m_set.Load(_data, PARSE);
    static const f32 unitBox[6] = {-0.5f, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f};
    GetAggregate().GenerateVisibleObject(unitBox);
    LoadSons(_data);
    m_parts.Fill(this);
    m_parts.characterMotion = &m_motion;
    m_animation.Init(m_set.GetAnimationCount(), m_set.GetSet()->names, m_set.GetHandles(), &m_set.controller);
    m_actions.Register(&m_animation, &m_parts);
}

void NOD_Character::HeartBeat()
{
    if (!IsInSimulation())
        return;
    const SIM_Clock& clock = SIM_GetSimulationClock();
    const f32 next = clock.time + clock.dt;
    NOD_StepCharacter(*this, m_actions, m_motion);
    const MAT_Matrix34 world = *GetWorldTransform(next);
    GetAggregate().HeartBeat(world, m_motion.State.GetVelocity());
    NOD_Node::HeartBeat();
}

NOD_Message* NOD_Character::ProcessMessage(NOD_Message* _message)
{
    switch (_message->GetType()) {
    case NOD_Node_EnterSimulation::ID:
        NOD_PhysicalCharacter::PM_EnterSimulation(this, _message);
        return nullptr;
    case NOD_Node_LeaveSimulation::ID:
        NOD_PhysicalCharacter::PM_LeaveSimulation(this, _message);
        return nullptr;
    default:
        return BHV_DispatchToOwnerChain(this, _message, nullptr, nullptr, &m_actions);
    }
}

void NOD_Character::Render()
{
    const f32 time = SIM_GetFrameClock().time;
    m_set.Animate(time);
    (void)GetWorldTransform(time);
}

void NOD_Character::GetBoundingBox(f32* _box, f32 _time) { NOD_CharacterSet::GetBoundingBox(*this, _box, _time); }
