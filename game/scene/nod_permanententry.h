// A scene node's place among the renderer's permanent bodies (drawn every frame, not through
// the camera's visible set): taken once however often the node enters the simulation, given
// back by a leave or by the node's destruction, so the renderer never keeps a dead node.
// The body that owns the entry passes itself to every call; its in-simulation flag and its
// place on the renderer's list change together, so no reader sees one without the other.
#pragma once

#include "os_types.h"

class Brisel_Renderable;
class NOD_Body;
class NOD_Message;

class NOD_PermanentEntry
{
public:
    NOD_PermanentEntry() = default;
    ~NOD_PermanentEntry() { Leave(); }

    NOD_PermanentEntry(const NOD_PermanentEntry&) = delete;
    NOD_PermanentEntry& operator=(const NOD_PermanentEntry&) = delete;

    // Node_EnterSimulation and Node_LeaveSimulation of _body: deletes the message, sets or
    // clears the flag and lists or unlists _body (SetInSimulation); answers 1. Any other message
    // is left to the caller untouched, and the answer is 0.
    u32 ProcessSimulationMessage(NOD_Body* _body, NOD_Message* _message);
    // Entering (_in 1) sets _body's in-simulation flag and lists it with the renderer unless it
    // is listed already (nothing without a renderer); leaving (0) takes it off the list if it
    // is on it and clears the flag.
    void SetInSimulation(NOD_Body* _body, u32 _in);
    u32 IsRegistered() const { return m_body != nullptr ? 1 : 0; }

private:
    void Enter(Brisel_Renderable* _body);
    void Leave();

    Brisel_Renderable* m_body = nullptr;
};
