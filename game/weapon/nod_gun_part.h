// A movable piece of a gun (a revolving barrel cluster, a barrel that kicks back, a tank, a
// head): a node with its own render mesh, local frame and kinematic state, placed in its father
// gun's coordinate system and drawn only by that gun.
//
// A gun description lists its parts as child sections; the gun class finds them by name after
// parsing and writes their frame, rates, damping and integrate flag between steps. Each step
// the part damps (and, while its integrate flag is set, advances) its kinematic state and
// records the frame one step ahead in its own track, so a frame written by the gun in a step is
// drawn from the next step's time on. The part takes no part in collision, runs none of its
// sons and reads no sons of its own. It holds one reference on its mesh in the render-mesh
// cache while its handle is non-zero. One thread.
#pragma once

#include "mat_matrix.h"
#include "mot_friction.h"
#include "mot_motionstate.h"
#include "mot_track.h"
#include "nod_node.h"
#include "os_types.h"
#include "rti_pointer.h"

class NOD_CS;

class NOD_Gun_Part : public NOD_Node
{
    RTI_DECLARE_CLASS(NOD_Gun_Part)

public:
    enum : s32
    {
        NAME_BYTES = 256,
    };

    // At the identity frame, at rest, undamped (nine coefficients 1.0), integrated, no mesh.
    NOD_Gun_Part();
    ~NOD_Gun_Part() override;

    // ParseLCS on the child's section of the gun's description, then the part's own file.
    void ParseIniFile_CtxDes(DES_Section& _context, DES_Section& _data) override;
    // "Visual" (fatal when missing) with its "NameMesh".
    void ParseIniFile_Des(DES_Section& _data) override;
    // Only while in the simulation: damping, integration when flagged, the frame recorded at
    // t + dt with the translation velocities. The sons are not stepped.
    void HeartBeat() override;
    // Node_EnterSimulation and Node_LeaveSimulation (no replies); every other id goes to
    // NOD_Node.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;

    // "Translation" and "Rotation0".."Rotation2" (degrees, each row about the first, second and
    // third axis in turn), recorded at the simulation time and copied into the frame.
    void ParseLCS(DES_Section& _section);
    // Draws the mesh at the frame time's world frame; nothing without a mesh or a renderer.
    void Render();
    // The world frame at _time: the father's world frame composed with the track (the track
    // alone without a body father). Cached by time, as the local sample is.
    const MAT_Matrix34* GetWorldFrame(f32 _time);

    // What a gun class writes between steps. The frame is the kinematic state's matrix; write
    // it through SetFrame (or SetMatrix) so positions and angles keep matching it.
    MOT_MotionState& GetState() { return m_state; }
    const MOT_MotionState& GetState() const { return m_state; }
    const MAT_Matrix34& GetFrame() const { return m_state.frame; }
    void SetFrame(const MAT_Matrix34& _frame) { m_state.SetMatrix(_frame); }
    MOT_Friction& GetDamping() { return m_damping; }
    u32 GetIntegrate() const { return m_integrate; }
    void SetIntegrate(u32 _integrate) { m_integrate = _integrate != 0 ? 1u : 0u; }

    s32 GetMeshHandle() const { return m_mesh; }
    // The father body's coordinate system once the part entered the simulation under it; null
    // before, and once that body is gone.
    NOD_CS* GetParentCS() const;
    MOT_TransformTrack& GetTrack() { return m_track; }

    // The node when it is a gun part, else null; null for null.
    static NOD_Gun_Part* DynamicCast(NOD_Node* _node);

    // A 1-based handle on the named mesh of the render-mesh cache ("vfx\msh\"); fatal without a
    // resource cache (caption _where), or when the cache refuses the mesh.
    static s32 AllocateMesh(const char* _name, const char* _where);
    // Gives one reference back and clears the handle; nothing for 0 or without a cache.
    static void ReleaseMesh(s32* _handle);

private:
    // The track at _time, cached by time.
    const MAT_Matrix34& GetLocalSample(f32 _time);

    MOT_MotionState m_state;
    MOT_Friction m_damping;
    // Set from the start: a part given rates (the gatling revolvers) moves only while
    // integrated; a class that wants a still part clears it.
    u32 m_integrate = 1;
    s32 m_mesh = 0;
    RTI_Pointer m_parentBody;  // the body father the part entered the simulation under
    MOT_TransformTrack m_track;
    MAT_Matrix34 m_localSample;
    f32 m_localTime = -1.0f;
    MAT_Matrix34 m_world;
    f32 m_worldTime = -1.0f;
};
