// The flight that debris and shrapnel share: a free rigid body of its own motion state and
// friction, pulled by a constant world acceleration (its lift), that ends its life time after it
// entered the simulation.
//
// The owner embeds it and attaches its state as the body's attached frame. Entering links the
// body to a body father and restarts its track where the state stands; each step adds the lift,
// damps, integrates and records the next sample; leaving freezes the body where its own track
// has it. One thread.
#pragma once

#include "mat_vector.h"
#include "mot_friction.h"
#include "mot_motionstate.h"
#include "os_types.h"

class NOD_Body;
class NOD_Message;
class NOD_Node;
struct SIM_Clock;

// Translation x, y, z integrated, and rotation mode 4 (absolute heading, pitch, roll): the
// motion of every body flying free of a vessel's controls.
constexpr u32 NOD_FREE_MOTION_FLAGS = 0x27;

class NOD_FreeFlight
{
public:
    MOT_MotionState state;
    MOT_Friction friction;
    f32 startTime = 0.0f;  // simulation time of the entry
    f32 lifeTime = 0.0f;   // seconds from the entry until the body is collected
    MAT_Vector3 lift;

    // The state becomes _body's attached frame, integrating x, y, z and turning about its own
    // axes; the friction damps the _frictionFlags axes.
    void Attach(NOD_Body& _body, u32 _frictionFlags);
    // Linked to a body father, the track restarted now at the state's frame at rest, the sons
    // told, started now. The owner sets the in-simulation flag.
    void Enter(NOD_Body& _body);
    // The sons told, the contact parts unregistered, the flag cleared, and the body frozen at
    // rest where its own track has it now (the state takes that frame).
    void Leave(NOD_Body& _body);
    // Lift, damping, one step of the clock; the track's sample at the step's end.
    void Step(NOD_Body& _body, const SIM_Clock& _clock);
    // 1 once the life time lies behind _time.
    bool IsOver(f32 _time) const { return startTime + lifeTime < _time; }
};

// What a flying body's message handler does with a message: Node_EnterSimulation and
// Node_LeaveSimulation are taken (deleted), anything else is left to the caller.
enum NOD_SimulationMessage : s32
{
    NOD_SIMULATION_OTHER = 0,
    NOD_SIMULATION_ENTER = 1,
    NOD_SIMULATION_LEAVE = 2,
};
NOD_SimulationMessage NOD_TakeSimulationMessage(NOD_Message* _message);

// Node_EnterSimulation to every son, in order.
void NOD_EnterSons(NOD_Node& _node);
// Node_LeaveSimulation to every son, in order.
void NOD_LeaveSons(NOD_Node& _node);
// A flying body's way out of the simulation: the sons told, the contact parts unregistered,
// the flag cleared, and the body frozen at rest where its own track has it now.
void NOD_LeaveFrozen(NOD_Body& _body);
