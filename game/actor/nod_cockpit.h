// The cockpit: a mesh drawn over the scene, without depth test or depth writes, while the
// camera looks from the cockpit's father; a son of that body, fixed at its offset and turned
// with it.
//
// While shown it is one of the renderer's permanent bodies; it leaves that list the step the
// camera stops looking from its father, when it leaves the simulation and when it dies. It has
// no contact parts and takes no Body_* message. It holds one reference on its render mesh.
// One thread, inside the step's node pass.
#pragma once

#include "mot_motionstate.h"
#include "nod_body.h"
#include "nod_projectile.h"

class NOD_Cockpit : public NOD_Body
{
    RTI_DECLARE_CLASS(NOD_Cockpit)

public:
    // The renderer's bucket for bodies drawn last.
    static constexpr s16 RENDER_BUCKET = 9;

    NOD_Cockpit();
    ~NOD_Cockpit() override;

    // "Visual" / "NameMesh".
    void ParseIniFile_Des(DES_Section& _data) override;
    // Follows the father, then decides whether it is shown; the sons are not stepped.
    void HeartBeat() override;
    // Node_EnterSimulation and Node_LeaveSimulation; the rest goes to the node.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;
    // The mesh at the frame time with depth test and depth writes off (both restored).
    void Render() override;
    void GetBoundingBox(f32* _box, f32 _time) override;

    u32 IsShown() const { return m_shown; }
    s32 GetMeshHandle() const { return m_mesh.GetHandle(); }
    MOT_MotionState& GetMotionState() { return m_state; }

    static NOD_Cockpit* DynamicCast(NOD_Node* _node);

private:
    void SetShown(u32 _shown);
    // Whether the run's camera looks from the father now.
    u32 IsFatherViewed() const;

    MOT_MotionState m_state;
    u32 m_shown = 0;
    NOD_ProjectileMesh m_mesh;
};
