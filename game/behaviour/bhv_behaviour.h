// The behaviour interface: the artificial intelligence of a computer-driven body is a fixed set
// of behaviour objects, plain data members of their owner node, switched on and off by typed
// messages and stepped by the owner once per simulation step.
//
// State behaviours watch and report; any number of them run at once (BHV_StateBehaviourList).
// Action behaviours move or fight; at most one of an owner's is current
// (BHV_ActionBehaviourSlot). Both containers treat the two bases alike.
//
// A behaviour reaches its owner only through NOD_Body and the owner's record of parts
// (BHV_Owner), which the container hands it when the owner registers it: it reports to the
// script thread bound to the owner (Notify) and ends itself through its own stop message sent to
// the owner's ProcessMessage (SendToOwner), so the owner's containers see the stop like any
// other. Behaviours are constructed with their owner, never heap objects, never copied, and live
// exactly as long as the owner. One thread.
#pragma once

#include "bhv_owner.h"
#include "os_types.h"

class BHV_ActionBehaviourSlot;
class BHV_StateBehaviourList;
class NOD_Body;
class NOD_Message;

class BHV_Behaviour
{
public:
    // The five operations keep this order; derived classes add nothing before them.

    // 0 when _message does not start this behaviour; else the activation code: the pass a state
    // behaviour runs in (1 or 2), 1 for action behaviours. Looks at the id only.
    virtual s32 IsStartMessage(const NOD_Message* _message) = 0;
    // Non-zero when _message is this behaviour's stop message.
    virtual s32 IsStopMessage(const NOD_Message* _message) = 0;
    // Handling: sets *_handled to 1, takes the message and returns the reply (null when the
    // message has no out-arguments, after deleting it). Otherwise leaves *_handled at 0, leaves
    // the message alone and returns null.
    virtual NOD_Message* ProcessMessage(NOD_Message* _message, s32* _handled) = 0;
    // One step. Action behaviours answer 0 once finished, 1 while they go on; state behaviours'
    // answers are ignored.
    virtual s32 Handle() = 0;
    // A newer start takes this behaviour's place (its own restart included).
    virtual void Interrupt() = 0;

    // Behaviours that own arrays free them here; nothing deletes a behaviour through this base,
    // the owner's destruction runs the member's own destructor.
    virtual ~BHV_Behaviour() = default;

    BHV_Behaviour(const BHV_Behaviour&) = delete;
    BHV_Behaviour& operator=(const BHV_Behaviour&) = delete;

    // Hands a notification built by a prototype's Create to the script thread bound to _owner
    // (_queued 1: delivered at the script's next step; 0: the script runs at once). The reply of
    // an immediate call is deleted; unbound owners drop the message.
    static void Notify(NOD_Body* _owner, NOD_Message* _message, u32 _queued);
    // Sends _message to _owner's own ProcessMessage (how a behaviour stops itself from Handle)
    // and deletes any reply. Re-enters the owner's containers: callers hold no state across it.
    static void SendToOwner(NOD_Body* _owner, NOD_Message* _message);

    // The owner's parts, given at registration; null until the behaviour is registered.
    const BHV_Owner* GetOwner() const { return m_owner; }

protected:
    BHV_Behaviour() = default;

private:
    // Registration is the only way to give a behaviour its owner.
    friend class BHV_StateBehaviourList;
    friend class BHV_ActionBehaviourSlot;

    const BHV_Owner* m_owner = nullptr;
};

// Base of the behaviours that move or fight; the same five operations.
class BHV_ActionBehaviour : public BHV_Behaviour
{
protected:
    BHV_ActionBehaviour() = default;
};
