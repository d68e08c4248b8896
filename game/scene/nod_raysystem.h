// Shafts of light falling through the water onto the sea floor around the viewer: a body in
// render bucket 2 that owns a pool of light rays (RAY_RaySystem, configured by the fixed file
// "ini\raysystem.des", read in the constructor) and moves them once per simulation step.
//
// The rays are placed around the driver's camera on the ground of the driver's terrain cell;
// without a terrain none is placed or drawn. The heart beat runs whenever the father steps the
// node; the renderer draws it as a permanent body between Node_EnterSimulation and
// Node_LeaveSimulation, registered once however often it enters. Construction needs the
// display (the shared quad) and stops the program on a bad settings file. One thread.
#pragma once

#include "nod_body.h"
#include "nod_permanententry.h"
#include "os_types.h"
#include "ray_raysystem.h"

class NOD_Replicator;
class NOD_RaySystem : public NOD_Body
{
    RTI_DECLARE_CLASS(NOD_RaySystem)

public:
    // Stores the class's stream creator in the creator table.
    static void RegisterStreamCreator();

public:
    NOD_RaySystem();
    ~NOD_RaySystem() override;
    NOD_Replicator* CreateReplicator() override;

    // One step of every ray at the simulation clock's time; the sons are not stepped.
    void HeartBeat() override;
    // Node_EnterSimulation and Node_LeaveSimulation (the renderer's permanent bodies); every
    // other id goes to NOD_Body.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;
    // Draws the active rays, faded by the renderer camera's pitch and the frame's fraction.
    void Render() override;

    static NOD_RaySystem* DynamicCast(NOD_Node* _node);

    RAY_RaySystem& GetRays() { return m_rays; }
    const RAY_RaySystem& GetRays() const { return m_rays; }

private:
    NOD_PermanentEntry m_permanent;
    RAY_RaySystem m_rays;
};
