// The record by which a small visual body (light, halo, flare) is known to the collision
// world's visible-object handler: a box about the body that the camera collects it by.
//
// The body owns one; the record owns its PCS_VisibleObject (owner = the body, entry id -1
// while not registered). Without an installed contact world nothing is registered and the
// box is still kept. Enter and Leave also link the body's frame to its father body's and set
// or clear the in-simulation flag, as each of these bodies does on entering and leaving.
// One thread.
#pragma once

#include "mat_vector.h"
#include "os_types.h"

class NOD_Body;
class NOD_Message;
class PCS_VisibleObject;

class NOD_VisibleRecord
{
public:
    explicit NOD_VisibleRecord(NOD_Body* _owner);
    ~NOD_VisibleRecord();
    NOD_VisibleRecord(const NOD_VisibleRecord&) = delete;
    NOD_VisibleRecord& operator=(const NOD_VisibleRecord&) = delete;

    // Linked to the father body, the world frame at t + dt refreshed, registered with the box
    // of half size _halfSize about it and the root body as user; in the simulation.
    void Enter(NOD_Body& _body, const MAT_Vector3& _halfSize);
    // The world frame at t + dt refreshed; the box of half size 1 about it goes to the handler.
    void Step(NOD_Body& _body);
    // Removed from the handler, out of the simulation, the track restarted at t at rest with
    // the frame it holds there (the attached frame taking it).
    void Leave(NOD_Body& _body);

    // Node_EnterSimulation (Enter with _firstHalfSize) and Node_LeaveSimulation (Leave): the
    // message deleted and 1; any other message is left to the caller and 0.
    u32 HandleEntry(NOD_Body& _body, NOD_Message* _message, const MAT_Vector3& _firstHalfSize);

    const PCS_VisibleObject* GetObject() const { return m_object; }
    // Min xyz, max xyz of the last box handed over.
    const f32* GetBox() const { return m_box; }

private:
    void BoxAbout(NOD_Body& _body, const MAT_Vector3& _halfSize);

    PCS_VisibleObject* m_object = nullptr;  // owned
    f32 m_box[6] = {};
};
