// A body that moves at a constant velocity, with a box of +/- 2 about it, for the tests and
// benches of what hangs under moving bodies (lights, halos, flares). Entering and leaving the
// simulation take its sons along. Made by the test, never by name. Free of the test framework.
#pragma once

#include "mot_motionstate.h"
#include "nod_body.h"
#include "nod_message.h"
#include "sim_clock.h"

class TST_Mover : public NOD_Body
{
public:
    TST_Mover(const MAT_Vector3& _position, const MAT_Vector3& _velocity) : NOD_Body(&m_state)
    {
        GetCS().SetAttachedFrame(&m_state);
        m_state.flags = MOT_MotionState::FLAG_X | MOT_MotionState::FLAG_Y | MOT_MotionState::FLAG_Z;
        MAT_Matrix34 frame;
        frame.r.SetDiagonal(1.0f);
        frame.t = _position;
        const f32 now = SIM_GetSimulationClock().time;
        GetCS().SetTransform(now, frame);
        m_state.SetVelocity(_velocity);
        GetCS().GetTrack().SetTransform(now, frame, _velocity);
    }
    ~TST_Mover() override { GetCS().SetAttachedFrame(nullptr); }
    void GetBoundingBox(f32* _box, f32 _time) override
    {
        const MAT_Vector3 p = GetWorldTransform(_time)->t;
        const f32 box[6] = {p.x - 2.0f, p.y - 2.0f, p.z - 2.0f, p.x + 2.0f, p.y + 2.0f, p.z + 2.0f};
        for (s32 i = 0; i < 6; ++i)
            _box[i] = box[i];
    }
    NOD_Message* ProcessMessage(NOD_Message* _message) override
    {
        const u32 type = _message->GetType();
        if (type != NOD_Node_EnterSimulation::ID && type != NOD_Node_LeaveSimulation::ID)
            return NOD_Body::ProcessMessage(_message);
        delete _message;
        const bool enter = type == NOD_Node_EnterSimulation::ID;
        SetFlags(enter ? GetFlags() | FLAG_IN_SIMULATION : GetFlags() & ~(u32)FLAG_IN_SIMULATION);
        for (s32 i = 0; i < (s32)GetNumOfSons(); ++i)
            delete GetSon(i)->ProcessMessage(enter ? static_cast<NOD_Message*>(NOD_Node_EnterSimulation::Create())
                                                   : static_cast<NOD_Message*>(NOD_Node_LeaveSimulation::Create()));
        return nullptr;
    }

private:
    MOT_MotionState m_state;
};
