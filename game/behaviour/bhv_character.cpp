#include "bhv_character.h"

#include "mot_oldone.h"
#include "nod_body.h"
#include "nod_message.h"
#include "os_fatal.h"
#include "os_string.h"
#include "sim_clock.h"
#include "sim_name.h"
#include "vca_animationcontroller.h"

// ---- BHV_PhysicalCharacter_A_LookTo ----

namespace
{
// Rotation bits of the heading and the pitch in the control sets; the world z axis among the
// velocity targets.
constexpr u32 HEADING = 0x8;
constexpr u32 PITCH = 0x10;
constexpr u32 WORLD_Z = 0x100;

// _bits steer towards the shared point, and leave the angle and rate sets.
void AimAt(PHY_RotationControl& _rotation, const MAT_Vector3& _point, u32 _bits)
{
    _rotation.TargetPoint = _point;
    _rotation.PointTargetMask |= _bits;
    _rotation.AngleTargetMask &= ~_bits;
    _rotation.RateTargetMask &= ~_bits;
}
}  // namespace

s32 BHV_PhysicalCharacter_A_LookTo::IsStartMessage(const NOD_Message* _message)
{
    return _message->GetType() == NOD_PhysicalCharacter_LookTo::ID ? 1 : 0;
}

// The same id: the slot tests for a start first, so this never stops it.
s32 BHV_PhysicalCharacter_A_LookTo::IsStopMessage(const NOD_Message* _message) { return IsStartMessage(_message); }

NOD_Message* BHV_PhysicalCharacter_A_LookTo::ProcessMessage(NOD_Message* _message, s32* _handled)
{
    if (_message->GetType() != NOD_PhysicalCharacter_LookTo::ID)
        return nullptr;
    *_handled = 1;
    u8 mode = 0;
    NOD_PhysicalCharacter_LookTo::Read(_message, &m_point, &mode);
    delete _message;
    m_mode = MODE_NONE;
    if (mode > 2) {
        OS_Log("wrong mode BHV_PhysicalCharacter_A_LookTo");
        return nullptr;
    }
    m_mode = mode;
    MOT_OldOne* motion = GetOwner() != nullptr ? GetOwner()->characterMotion : nullptr;
    if (motion != nullptr) {
        motion->Translation.VelocityModeMask = 0;
        motion->Rotation.PointTargetMask = 0;
        motion->Rotation.AngleTargetMask = 0;
        motion->Rotation.RateTargetMask = 0;
    }
    return nullptr;
}

s32 BHV_PhysicalCharacter_A_LookTo::Handle()
{
    MOT_OldOne* motion = GetOwner() != nullptr ? GetOwner()->characterMotion : nullptr;
    if (m_mode == MODE_NONE || motion == nullptr)
        return 0;
    PHY_RotationControl& rotation = motion->Rotation;
    switch (m_mode) {
    case 0:
        AimAt(rotation, m_point, HEADING | PITCH);
        break;
    case 1:
        AimAt(rotation, m_point, HEADING);
        rotation.TargetAngle[1] = 0.0f;
        rotation.AngleTargetMask |= PITCH;
        rotation.PointTargetMask &= ~PITCH;
        rotation.RateTargetMask &= ~PITCH;
        break;
    default: {
        AimAt(rotation, m_point, HEADING);
        MAT_Vector3 position;
        GetOwner()->body->GetMatrixAtTime(&position, SIM_GetSimulationClock().time);
        const f32 rise = m_point.z - position.z;
        PHY_TranslationControl& translation = motion->Translation;
        translation.TargetVelocity[2] = rise < -motion->MovePV  ? -motion->MovePV
                                        : rise > motion->MovePV ? motion->MovePV
                                                                : rise;
        translation.VelocityModeMask |= WORLD_Z;
        translation.PositionModeMask &= ~WORLD_Z;
        break;
    }
    }
    return 1;
}

// The controls stay as they are; the script hears that the look ended.
void BHV_PhysicalCharacter_A_LookTo::Interrupt()
{
    if (GetOwner() != nullptr && GetOwner()->body != nullptr)
        Notify(GetOwner()->body, NOD_PhysicalCharacter_LookToOverride::Create(), 1);
}

// ---- BHV_Character_A_Animation ----

void BHV_Character_A_Animation::Init(s32 _count, const SIM_Name* _names, const s32* _handles,
                                     VCA_AnimationController* _controller)
{
    m_count = _count;
    m_names = _names;
    m_handles = _handles;
    m_controller = _controller;
    m_current = -1;
}

s32 BHV_Character_A_Animation::IsStartMessage(const NOD_Message* _message)
{
    return _message->GetType() == NOD_Character_StartAnimation::ID ? 1 : 0;
}

s32 BHV_Character_A_Animation::IsStopMessage(const NOD_Message* _message)
{
    return _message->GetType() == NOD_Character_StopAnimation::ID ? 1 : 0;
}

void BHV_Character_A_Animation::Stop()
{
    if (m_controller != nullptr && m_current >= 0)
        m_controller->DeactivateAnimation(m_current);
    m_current = -1;
}

NOD_Message* BHV_Character_A_Animation::ProcessMessage(NOD_Message* _message, s32* _handled)
{
    switch (_message->GetType()) {
    case NOD_Character_StartAnimation::ID: {
        *_handled = 1;
        SIM_Name name;
        NOD_Character_StartAnimation::Read(_message, &name);
        delete _message;
        s32 found = -1;
        for (s32 i = 0; i < m_count && found < 0; ++i)
            if (OS_StrICmp(m_names[i].GetName(), name.GetName()) == 0)
                found = i;
        // The name as the script sent it; the behaviour stays current with nothing playing.
        if (found < 0 || m_controller == nullptr) {
            OS_Log(OS_Format("Unkown animation %s in StartAnimation", name.GetName()));
            return nullptr;
        }
        m_current = m_handles[found];
        const f32 now = SIM_GetSimulationClock().time;
        m_controller->ActivateAnimation(m_current, 0, 1.0f, now, now, 0.0f, 0);
        return nullptr;
    }
    case NOD_Character_StopAnimation::ID:
        *_handled = 1;
        delete _message;
        Stop();
        return nullptr;
    default:
        return nullptr;
    }
}

// One-shot animations end in the controller; the behaviour runs until stopped or replaced.
s32 BHV_Character_A_Animation::Handle() { return 1; }

void BHV_Character_A_Animation::Interrupt() { Stop(); }
