// NOD_Mine: the floating mine. A shielded body that hangs in the water and, while active, swings
// its heading and position gently about where it entered the simulation, or, once something
// audible comes within its activation range, runs straight at the loudest nearest body it hears
// at a fixed speed. It explodes into debris when its shield is exhausted, or when an active mine
// takes any kinetic damage. Scripts switch it with Mine_Activate and Mine_Deactivate; its one
// state behaviour, the shield guard, reports on its shield.
//
// The mine's motion state is its attached frame, so the parsed frame is where it starts. The
// owner record and the guard live inside the mine; bodies are never copied or moved. One
// thread, inside the step's node pass.
#pragma once

#include "bhv_behaviourlist.h"
#include "bhv_bodystates.h"
#include "bhv_owner.h"
#include "mat_angle.h"
#include "mat_vector.h"
#include "mot_vessel.h"
#include "nod_projectile.h"
#include "nod_shieldedbody.h"

class NOD_Mine : public NOD_ShieldedBody
{
    RTI_DECLARE_CLASS(NOD_Mine)

public:
    // Stores the class's stream creator in the creator table.
    static void RegisterStreamCreator();

public:
    // The sensed list's room.
    static constexpr s32 HEARD_CAPACITY = 50;

    // Active, nothing latched, both swing phases drawn (the position's first).
    NOD_Mine();
    ~NOD_Mine() override;

    // "Visual", "Control", "Collision", "Avoidance", "Emitter", "Shield"; every section and key
    // is mandatory.
    void ParseIniFile_Des(DES_Section& _data) override;
    void HeartBeat() override;
    // Mine_Activate, Mine_Deactivate, Mine_IsActive, Node_EnterSimulation and
    // Node_LeaveSimulation; the rest goes to the shield guard, then to the body.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;

    void Render() override { m_mesh.Render(*this); }
    // The world box of the mesh box, or of the unit box around the origin without a mesh.
    void GetBoundingBox(f32* _box, f32 _time) override;
    MAT_Vector3* GetVelocity(MAT_Vector3* _velocity) override;
    // The centre of the mesh box; the frame's origin without a mesh.
    MAT_Vector3* GetMatrixAtTime(MAT_Vector3* _position, f32 _time) override;
    // The mass its physical description read: the vessel description asks for it while it is
    // made. Fatal, as for any body, without one.
    f32 GetMass() override;
    // Contacts and shot hits by the vessel rules, whatever the physical type.
    void ApplyContactsToShield() override { ApplyVesselContacts(); }

    // The body to chase now, from the acoustic list of the last sensing pass: the loudest,
    // then nearest (later entries win ties), once any heard body came within the activation
    // range; null (and the latch cleared) otherwise.
    NOD_Body* FindTarget();

    u32 IsActive() const { return m_active; }
    u32 IsTargetLatched() const { return m_targetLatched; }
    f32 GetMaxVelocity() const { return m_maxVelocity; }
    f32 GetActivationRange() const { return m_activationRange; }
    f32 GetDeactivationRange() const { return m_deactivationRange; }
    f32 GetHeadingFrequency() const { return m_headingFrequency; }
    f32 GetHeadingAmplitude() const { return m_headingAmplitude; }
    f32 GetBaseHeading() const { return m_baseHeading; }
    const MAT_Angle& GetHeadingPhase() const { return m_headingPhase; }
    f32 GetPositionFrequency() const { return m_positionFrequency; }
    const MAT_Vector3& GetPositionAmplitude() const { return m_positionAmplitude; }
    const MAT_Vector3& GetRestPosition() const { return m_restPosition; }
    const MAT_Angle& GetPositionPhase() const { return m_positionPhase; }
    // Kinetic, EMP, bio: what Mine_Deactivate and Mine_Activate put into the shield's Out values.
    const s32* GetActiveOut() const { return m_activeOut; }
    const s32* GetActivationOut() const { return m_activationOut; }
    const f32* GetFaceRatioSnapshot() const { return m_faceRatios; }
    const NOD_ProjectileMesh& GetMesh() const { return m_mesh; }
    MOT_Vessel& GetModel() { return m_model; }
    BHV_StateBehaviourList& GetStates() { return m_states; }

    // The node when it is a mine, else null; null for null.
    static NOD_Mine* DynamicCast(NOD_Node* _node);

private:
    void PM_EnterSimulation();
    void PM_LeaveSimulation();
    // The shield's kinetic, EMP and bio Out values.
    void SetShieldOut(const s32 _out[3]);
    // In / InMax of the six kinetic faces now.
    void TakeFaceRatios();
    // Whether a kinetic face ratio moved since the snapshot.
    bool FaceRatiosChanged();
    // The heading and position swing of a watching mine, one step on.
    void Swing(f32 _dt);

    NOD_ProjectileMesh m_mesh;
    f32 m_maxVelocity = 0.0f;
    f32 m_activationRange = 0.0f;
    f32 m_deactivationRange = 0.0f;
    u32 m_targetLatched = 0;
    u32 m_active = 1;
    f32 m_headingFrequency = 0.0f;
    f32 m_headingAmplitude = 0.0f;
    f32 m_baseHeading = 0.0f;
    MAT_Angle m_headingPhase;
    f32 m_positionFrequency = 0.0f;
    MAT_Vector3 m_positionAmplitude;
    MAT_Vector3 m_restPosition;
    MAT_Angle m_positionPhase;
    s32 m_activeOut[3] = {};
    s32 m_activationOut[3] = {};
    f32 m_faceRatios[SHL_FACE_COUNT] = {};
    BHV_Owner m_parts;
    BHV_StateBehaviourList m_states;
    BHV_Body_S_ShieldGuard m_guard;
    MOT_Vessel m_model;
};
