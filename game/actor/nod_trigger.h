// The trigger: an invisible, motionless sensing body that reports to its script the bodies
// entering and leaving its presence, acoustic and visibility ranges, through the sensor state
// behaviour, which the Trigger_* messages set up.
//
// It carries sensor 1 of its contact parts (idle until a sensing flag is on) in a state
// behaviour list of one entry, with the owner record the behaviour reads. It never moves by
// itself: its coordinate system, its father and the position messages place it. One thread,
// inside the step's node pass.
#pragma once

#include "bhv_behaviourlist.h"
#include "bhv_bodystates.h"
#include "bhv_owner.h"
#include "nod_body.h"

class NOD_Trigger : public NOD_Body
{
    RTI_DECLARE_CLASS(NOD_Trigger)

public:
    // Room of sensor 1's blocking, heard, present and seen lists, and of the behaviour's sets.
    static constexpr s32 BLOCKING_CAPACITY = 128;
    static constexpr s32 LIST_CAPACITY = 32;

    NOD_Trigger();
    ~NOD_Trigger() override;

    // The sensor behaviour's pass, the sons, then the contact parts where the trigger stands.
    void HeartBeat() override;
    // Node_EnterSimulation and Node_LeaveSimulation; every other message goes to the state
    // list, then to the body.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;

    const BHV_StateBehaviourList& GetStates() const { return m_states; }
    const BHV_Owner& GetOwnerRecord() const { return m_parts; }

    static NOD_Trigger* DynamicCast(NOD_Node* _node);

private:
    BHV_StateBehaviourList m_states;
    BHV_Body_S_Sensor m_sensor;
    BHV_Owner m_parts;
};
