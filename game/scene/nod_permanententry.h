// A scene node's place among the renderer's permanent bodies (drawn every frame, not through
// the camera's visible set): taken once however often the node enters the simulation, given
// back by a leave or by the node's destruction, so the renderer never keeps a dead node.
#pragma once

#include "os_types.h"

class Brisel_Renderable;

class NOD_PermanentEntry
{
public:
    NOD_PermanentEntry() = default;
    ~NOD_PermanentEntry() { Leave(); }

    NOD_PermanentEntry(const NOD_PermanentEntry&) = delete;
    NOD_PermanentEntry& operator=(const NOD_PermanentEntry&) = delete;

    // Lists _body with the renderer unless it is listed already (nothing without a renderer).
    void Enter(Brisel_Renderable* _body);
    // Takes the body off the renderer's list if it is on it.
    void Leave();
    u32 IsRegistered() const { return m_body != nullptr ? 1 : 0; }

private:
    Brisel_Renderable* m_body = nullptr;
};
