#include "bhv_character.h"

#include "nod_message.h"
#include "os_fatal.h"
#include "os_string.h"
#include "sim_clock.h"
#include "sim_name.h"
#include "vca_animationcontroller.h"

// Inert until filled: the set-up calls keep nothing.
BHV_INERT_OPERATIONS(BHV_PhysicalCharacter_A_LookTo)

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
