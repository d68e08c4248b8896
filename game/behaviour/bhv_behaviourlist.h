// The two containers an owner embeds for its behaviours, and the owner's message dispatch chain.
//
// Registration is the owner's set-up: Register appends in the order the owner lists its
// behaviours, which is the order every scan consults them, and gives each behaviour the owner's
// record of parts (BHV_Owner; the owner keeps it, the behaviour keeps its address). The capacities are fixed (10 state,
// 20 action behaviours); registering one more is fatal rather than a write past the array.
// Neither container is ever emptied. Containers keep no iterator state across the calls they
// make, so a behaviour may re-enter its owner's ProcessMessage from Handle (a self-stop).
// Nothing here allocates. One thread.
#pragma once

#include "bhv_behaviour.h"
#include "os_types.h"

class ContactAggregate;
class NOD_Body;
class NOD_Message;
struct BHV_Owner;

class BHV_StateBehaviourList
{
public:
    enum
    {
        CAPACITY = 10
    };

    BHV_StateBehaviourList() = default;
    BHV_StateBehaviourList(const BHV_StateBehaviourList&) = delete;
    BHV_StateBehaviourList& operator=(const BHV_StateBehaviourList&) = delete;

    // Appends _behaviour, inactive, and gives it _owner (not null, kept for the owner's life).
    // Fatal past CAPACITY.
    void Register(BHV_Behaviour* _behaviour, const BHV_Owner* _owner);

    // Offers _message: the first behaviour it starts (interrupted first when already active),
    // else the active behaviour it stops (code cleared before it sees the stop), else every
    // behaviour, active or not, whose stop message it is not, until one handles it.
    NOD_Message* ProcessMessage(NOD_Message* _message, s32* _handled);
    // Handle of every behaviour with code 1 (pass 1) or 2 (pass 2), in registration order.
    void HandlePass1() { HandlePass(1); }
    void HandlePass2() { HandlePass(2); }

    s32 GetCount() const { return m_count; }
    BHV_Behaviour* GetBehaviour(s32 _index) const { return m_behaviours[_index]; }
    // 0 inactive, else the pass the behaviour runs in.
    s32 GetCode(s32 _index) const { return m_codes[_index]; }

private:
    void HandlePass(s32 _code);

    s32 m_count = 0;
    BHV_Behaviour* m_behaviours[CAPACITY] = {};
    s32 m_codes[CAPACITY] = {};
};

class BHV_ActionBehaviourSlot
{
public:
    enum
    {
        CAPACITY = 20
    };

    BHV_ActionBehaviourSlot() = default;
    BHV_ActionBehaviourSlot(const BHV_ActionBehaviourSlot&) = delete;
    BHV_ActionBehaviourSlot& operator=(const BHV_ActionBehaviourSlot&) = delete;

    // Appends _behaviour and gives it _owner (not null, kept for the owner's life). Fatal past
    // CAPACITY.
    void Register(BHV_ActionBehaviour* _behaviour, const BHV_Owner* _owner);

    // A start message interrupts the current behaviour (even when it is the one starting) and
    // makes the started one current; any other message goes to the current behaviour only, and
    // its stop message ends it without Interrupt.
    NOD_Message* ProcessMessage(NOD_Message* _message, s32* _handled);
    // Steps the current behaviour; a finished one (Handle 0) is current no more.
    void Handle();

    s32 GetCount() const { return m_count; }
    BHV_ActionBehaviour* GetBehaviour(s32 _index) const { return m_behaviours[_index]; }
    BHV_ActionBehaviour* GetCurrent() const { return m_current; }

private:
    s32 m_count = 0;
    BHV_ActionBehaviour* m_behaviours[CAPACITY] = {};
    BHV_ActionBehaviour* m_current = nullptr;
};

// The dispatch chain an owner's ProcessMessage runs for every message that is not its own class
// message nor Node_EnterSimulation/Node_LeaveSimulation: the aggregate's emitter messages,
// the state list, the action slot (each skipped when null), then NOD_Body::ProcessMessage of
// _owner, which handles the body messages and logs the rest as lost. The first that handles the
// message ends the chain; its reply is returned.
NOD_Message* BHV_DispatchToOwnerChain(NOD_Body* _owner, NOD_Message* _message, ContactAggregate* _aggregate,
                                      BHV_StateBehaviourList* _states, BHV_ActionBehaviourSlot* _actions);
