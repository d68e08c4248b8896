// The flight of debris and shrapnel.
#include "nod_freeflight.h"

#include "nod_body.h"
#include "nod_message.h"
#include "sim_clock.h"

void NOD_FreeFlight::Attach(NOD_Body& _body, u32 _frictionFlags)
{
    _body.GetCS().SetAttachedFrame(&state);
    state.flags = NOD_FREE_MOTION_FLAGS;
    state.regime = MOT_MotionState::REGIME_INCREMENTAL;
    friction.flags = _frictionFlags;
}

void NOD_FreeFlight::Enter(NOD_Body& _body)
{
    if (NOD_Body* father = NOD_Body::DynamicCast(_body.GetFather()))
        _body.GetCS().SetParent(&father->GetCS());
    const f32 now = SIM_GetSimulationClock().time;
    const MAT_Matrix34 frame = state.frame;
    _body.GetCS().SetTransform(now, frame);
    NOD_EnterSons(_body);
    startTime = now;
}

void NOD_FreeFlight::Leave(NOD_Body& _body) { NOD_LeaveFrozen(_body); }

void NOD_FreeFlight::Step(NOD_Body& _body, const SIM_Clock& _clock)
{
    state.translation[0].acceleration = lift.x;
    state.translation[1].acceleration = lift.y;
    state.translation[2].acceleration = lift.z;
    friction.Apply(_clock, state);
    state.Integrate(_clock, 1);
    _body.GetCS().RecordStep(_clock.time + _clock.dt, state.frame, state.GetVelocity());
}

NOD_SimulationMessage NOD_TakeSimulationMessage(NOD_Message* _message)
{
    switch (_message->GetType()) {
    case NOD_Node_EnterSimulation::ID:
        delete _message;
        return NOD_SIMULATION_ENTER;
    case NOD_Node_LeaveSimulation::ID:
        delete _message;
        return NOD_SIMULATION_LEAVE;
    default:
        return NOD_SIMULATION_OTHER;
    }
}

void NOD_EnterSons(NOD_Node& _node)
{
    for (s32 i = 0; i < (s32)_node.GetNumOfSons(); ++i)
        delete _node.GetSon(i)->ProcessMessage(NOD_Node_EnterSimulation::Create());
}

void NOD_LeaveSons(NOD_Node& _node)
{
    for (s32 i = 0; i < (s32)_node.GetNumOfSons(); ++i)
        delete _node.GetSon(i)->ProcessMessage(NOD_Node_LeaveSimulation::Create());
}

void NOD_LeaveFrozen(NOD_Body& _body)
{
    NOD_LeaveSons(_body);
    _body.GetAggregate().LeaveSimulation();
    _body.SetFlags(_body.GetFlags() & ~(u32)NOD_Node::FLAG_IN_SIMULATION);
    const f32 now = SIM_GetSimulationClock().time;
    const MAT_Matrix34 frame = *_body.GetCS().GetTrack().GetAt(now, nullptr);
    _body.GetCS().SetTransform(now, frame);
}
