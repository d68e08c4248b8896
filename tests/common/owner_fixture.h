// A test-only owner of weapons: a shielded body that moves at a constant velocity, answers it
// as its velocity, keeps attacker and torpedo slots, registers whatever contact parts the test
// gave it (a target: GeneratePhysicalGeneric before it enters), and fires its weapons from
// inside its own simulation step, as the player, vessels and turrets do. The test hands it its weapons
// (Adopt: made a son and entered into the simulation with it) and the firing it wants per step
// (onStep, called with the step's time before the sons run). No class of its own is registered:
// it is made by the test, never by name. Free of the test framework.
#pragma once

#include <functional>

#include "bhv_attackerslots.h"
#include "mot_motionstate.h"
#include "nod_message.h"
#include "nod_shieldedbody.h"
#include "sim_clock.h"

// The identity axes at _position.
inline MAT_Matrix34 TST_FrameAt(const MAT_Vector3& _position)
{
    MAT_Matrix34 frame;
    frame.r.SetDiagonal(1.0f);
    frame.t = _position;
    return frame;
}

class TST_OwnerBody : public NOD_ShieldedBody
{
public:
    // At _frame, moving at _velocity; not in the simulation until told.
    explicit TST_OwnerBody(const MAT_Matrix34& _frame = TST_FrameAt(MAT_Vector3()),
                           const MAT_Vector3& _velocity = MAT_Vector3())
    {
        GetCS().SetAttachedFrame(&m_kinematics);
        m_kinematics.flags = MOT_MotionState::FLAG_X | MOT_MotionState::FLAG_Y | MOT_MotionState::FLAG_Z;
        const f32 now = SIM_GetSimulationClock().time;
        GetCS().SetTransform(now, _frame);
        m_kinematics.SetVelocity(_velocity);
        GetCS().GetTrack().SetTransform(now, _frame, _velocity);
        m_attackers.AllocateAttackers(this);
        m_torpedoes.AllocateTorpedoes(this);
    }
    ~TST_OwnerBody() override { GetCS().SetAttachedFrame(nullptr); }

    // The weapon becomes the last son; in the simulation when the owner is.
    NOD_Node* Adopt(NOD_Node* _weapon)
    {
        AddSon(_weapon);
        if (IsInSimulation())
            delete _weapon->ProcessMessage(NOD_Node_EnterSimulation::Create());
        return _weapon;
    }

    // The firing of this step, then one step of motion with its contact parts, then the sons
    // (its weapons).
    void HeartBeat() override
    {
        if (!IsInSimulation())
            return;
        ++steps;
        const SIM_Clock& clock = SIM_GetSimulationClock();
        if (onStep)
            onStep(clock.time);
        NOD_Body::HeartBeat();
        GetAggregate().HeartBeat(*GetWorldTransform(clock.time + clock.dt), m_kinematics.GetVelocity());
    }
    // Entering and leaving the simulation take the contact parts and the sons along.
    NOD_Message* ProcessMessage(NOD_Message* _message) override
    {
        const s32 type = _message->GetType();
        if (type != NOD_Node_EnterSimulation::ID && type != NOD_Node_LeaveSimulation::ID)
            return NOD_Body::ProcessMessage(_message);
        const u32 enter = type == NOD_Node_EnterSimulation::ID;
        delete _message;
        if (enter) {
            const f32 now = SIM_GetSimulationClock().time;
            GetAggregate().EnterSimulation(*GetWorldTransform(now), m_kinematics.GetVelocity());
            SetFlags(GetFlags() | FLAG_IN_SIMULATION);
        } else {
            GetAggregate().LeaveSimulation();
            SetFlags(GetFlags() & ~(u32)FLAG_IN_SIMULATION);
        }
        for (s32 i = 0; i < (s32)GetNumOfSons(); ++i)
            delete GetSon(i)->ProcessMessage(enter ? NOD_Node_EnterSimulation::Create()
                                                   : NOD_Node_LeaveSimulation::Create());
        return nullptr;
    }
    MAT_Vector3* GetVelocity(MAT_Vector3* _velocity) override
    {
        *_velocity = m_kinematics.GetVelocity();
        return _velocity;
    }
    BHV_AttackerSlots* GetAttackerSlots() override { return &m_attackers; }
    BHV_AttackerSlots* GetTorpedoSlots() override { return &m_torpedoes; }

    // Called in every step the owner runs, with the step's time.
    std::function<void(f32)> onStep;
    s32 steps = 0;

private:
    MOT_MotionState m_kinematics;
    BHV_AttackerSlots m_attackers;
    BHV_AttackerSlots m_torpedoes;
};
