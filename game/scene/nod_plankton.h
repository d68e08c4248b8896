// Drifting specks in the water around the viewer: the node defines the renderer's five
// plankton layers when it is created and, while it is one of the renderer's permanent bodies
// (between Node_EnterSimulation and Node_LeaveSimulation), hands the renderer each frame one
// opacity factor that falls from 1.2 at rest to 0.2 at 200 world units per second or faster.
//
// The renderer keeps the layers after the node is gone; a second plankton node defines them
// again. No description keys of its own. One thread.
#pragma once

#include "mat_vector.h"
#include "nod_body.h"
#include "nod_permanententry.h"
#include "os_types.h"

class NOD_Replicator;
class NOD_Plankton : public NOD_Body
{
    RTI_DECLARE_CLASS(NOD_Plankton)

public:
    // Stores the class's stream creator in the creator table.
    static void RegisterStreamCreator();

public:
    enum : s32
    {
        LAYERS = 5,
        PARTICLES = 256,
    };
    static constexpr f32 FIELD_HALF_SIZE = 15.0f;
    static constexpr f32 SPEED_FACTOR = 0.005f;

    // Defines the five layers when a renderer exists.
    NOD_Plankton();
    ~NOD_Plankton() override;
    NOD_Replicator* CreateReplicator() override;

    // Does nothing, for the sons too.
    void HeartBeat() override {}
    // Node_EnterSimulation and Node_LeaveSimulation (the sons are not involved); every other id
    // goes to NOD_Body.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;
    // The opacity factor from the camera's speed since the last drawn frame, then the layers.
    void Render() override;

    // The factor the last Render handed the renderer (1.2 before any).
    f32 GetLastFactor() const { return m_lastFactor; }
    const MAT_Vector3& GetLastCameraPosition() const { return m_lastCameraPosition; }
    u32 IsRegistered() const { return m_permanent.IsRegistered(); }

    static NOD_Plankton* DynamicCast(NOD_Node* _node);

private:
    MAT_Vector3 m_lastCameraPosition;
    f32 m_lastFactor = 1.2f;
    NOD_PermanentEntry m_permanent;
};
