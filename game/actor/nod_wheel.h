// A vehicle's wheel: a shielded body hung on its father that rolls with the father's forward
// speed, rides the ground on a suspension of one radius up or down from its rest height,
// collides and can be destroyed.
//
// The radius is a quarter of the box's height plus length (the plain mesh's box, else the body
// visual's level-0 box); a wheel of radius 0 does not roll. The ground is the run's terrain at
// the wheel's position (none off the grid or without a terrain: the suspension then rests at
// its top). A father without a motion state counts as standing still. Mesh and drawing are the
// vessel's (nod_vessel.h). One thread.
#pragma once

#include "mot_motionstate.h"
#include "nod_shieldedbody.h"
#include "nod_vessel.h"

class NOD_Wheel : public NOD_ShieldedBody
{
    RTI_DECLARE_CLASS(NOD_Wheel)

public:
    NOD_Wheel();
    ~NOD_Wheel() override;

    // Visual, Collision (a ground body, no motion model), Avoidance (an obstacle), a shadow
    // receiver, Shield; then the radius.
    void ParseIniFile_Des(DES_Section& _data) override;
    // Roll and suspension, one motion step, contacts into the shield (and the death test), the
    // contact parts. Neither the sons' steps nor a separate shield test.
    void HeartBeat() override;
    // 5002 (fatal without a father), 5003; the rest to the body.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;

    void Render() override { m_visual.Render(*this); }
    void GetBoundingBox(f32* _box, f32 _time) override { m_visual.GetBoundingBox(*this, _box, _time); }
    // The world position of the mesh box's centre (the body's position without a mesh).
    MAT_Vector3* GetMatrixAtTime(MAT_Vector3* _position, f32 _time) override;
    // The physical description's mass; 0 before the description is read.
    f32 GetMass() override;
    // The vessel-kind rules, then the death test.
    void ApplyContactsToShield() override;

    static NOD_Wheel* DynamicCast(NOD_Node* _node);

    f32 GetRadius() const { return m_radius; }
    f32 GetRestHeight() const { return m_restHeight; }
    const MOT_MotionState& GetState() const { return m_state; }
    const NOD_VesselVisual& GetVisual() const { return m_visual; }

private:
    void PM_EnterSimulation();
    void PM_LeaveSimulation();
    void FollowGround(const SIM_Clock& _clock);
    // The father's motion-state velocity; zero without a father body with a motion state.
    MAT_Vector3 FatherVelocity() const;

    NOD_VesselVisual m_visual;
    f32 m_radius = 0.0f;
    f32 m_inverseRadius = 0.0f;
    f32 m_restHeight = 0.0f;
    MOT_MotionState m_state;
};
