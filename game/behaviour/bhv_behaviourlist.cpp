#include "bhv_behaviourlist.h"

#include "contactaggregate.h"
#include "nod_body.h"
#include "nod_message.h"
#include "os_fatal.h"

void BHV_StateBehaviourList::Register(BHV_Behaviour* _behaviour, const BHV_Owner* _owner)
{
    if (m_count >= CAPACITY)
        OS_Fatal("BHV_StateBehaviourList::Register()", "too many state behaviours");
    _behaviour->m_owner = _owner;
    m_behaviours[m_count] = _behaviour;
    m_codes[m_count] = 0;
    ++m_count;
}

NOD_Message* BHV_StateBehaviourList::ProcessMessage(NOD_Message* _message, s32* _handled)
{
    *_handled = 0;
    for (s32 i = 0; i < m_count; ++i) {
        const s32 code = m_behaviours[i]->IsStartMessage(_message);
        if (code == 0)
            continue;
        if (m_codes[i] != 0)
            m_behaviours[i]->Interrupt();
        m_codes[i] = code;
        return m_behaviours[i]->ProcessMessage(_message, _handled);
    }
    for (s32 i = 0; i < m_count; ++i) {
        if (m_codes[i] != 0 && m_behaviours[i]->IsStopMessage(_message) != 0) {
            m_codes[i] = 0;
            return m_behaviours[i]->ProcessMessage(_message, _handled);
        }
    }
    for (s32 i = 0; i < m_count; ++i) {
        if (m_behaviours[i]->IsStopMessage(_message) != 0)
            continue;
        NOD_Message* reply = m_behaviours[i]->ProcessMessage(_message, _handled);
        if (*_handled != 0)
            return reply;
    }
    return nullptr;
}

void BHV_StateBehaviourList::HandlePass(s32 _code)
{
    // The count and codes are re-read every round: a behaviour's Handle may stop itself (or
    // another) through the owner.
    for (s32 i = 0; i < m_count; ++i) {
        if (m_codes[i] == _code)
            m_behaviours[i]->Handle();
    }
}

void BHV_ActionBehaviourSlot::Register(BHV_ActionBehaviour* _behaviour, const BHV_Owner* _owner)
{
    if (m_count >= CAPACITY)
        OS_Fatal("BHV_ActionBehaviourSlot::Register()", "too many action behaviours");
    _behaviour->m_owner = _owner;
    m_behaviours[m_count] = _behaviour;
    ++m_count;
}

NOD_Message* BHV_ActionBehaviourSlot::ProcessMessage(NOD_Message* _message, s32* _handled)
{
    *_handled = 0;
    for (s32 i = 0; i < m_count; ++i) {
        if (m_behaviours[i]->IsStartMessage(_message) == 0)
            continue;
        if (m_current != nullptr)
            m_current->Interrupt();
        m_current = m_behaviours[i];
        return m_current->ProcessMessage(_message, _handled);
    }
    if (m_current == nullptr)
        return nullptr;
    BHV_ActionBehaviour* behaviour = m_current;
    const s32 stop = behaviour->IsStopMessage(_message);
    NOD_Message* reply = behaviour->ProcessMessage(_message, _handled);
    if (stop != 0 && m_current == behaviour)
        m_current = nullptr;
    return reply;
}

void BHV_ActionBehaviourSlot::Handle()
{
    BHV_ActionBehaviour* behaviour = m_current;
    if (behaviour == nullptr)
        return;
    // Handle may re-enter the owner and start another behaviour; only the one stepped here
    // may be dropped for finishing.
    if (behaviour->Handle() == 0 && m_current == behaviour)
        m_current = nullptr;
}

NOD_Message* BHV_DispatchToOwnerChain(NOD_Body* _owner, NOD_Message* _message, ContactAggregate* _aggregate,
                                      BHV_StateBehaviourList* _states, BHV_ActionBehaviourSlot* _actions)
{
    if (_aggregate != nullptr) {
        u32 handled = 0;
        NOD_Message* reply = _aggregate->ProcessEmitterMessage(_message, handled);
        if (handled != 0)
            return reply;
    }
    s32 handled = 0;
    if (_states != nullptr) {
        NOD_Message* reply = _states->ProcessMessage(_message, &handled);
        if (handled != 0)
            return reply;
    }
    if (_actions != nullptr) {
        NOD_Message* reply = _actions->ProcessMessage(_message, &handled);
        if (handled != 0)
            return reply;
    }
    return _owner->NOD_Body::ProcessMessage(_message);
}
