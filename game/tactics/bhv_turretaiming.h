// BHV_TurretAiming: what the turret behaviours and the vehicle attack ask of a gun turret
// (NOD_Turret_Base, an actor above this folder), which implements it and installs its cast at
// start-up.
//
// Angles are the turret's alpha (heading about its vertical axis, 0 straight ahead) and beta
// (pitch), in radians, in the frame of the turret's mount. A behaviour finds the interface of a
// node through DynamicCast each time it needs it: a turret can be destroyed before its carrier,
// so a carrier's behaviour keeps the turret by node (RTI_Pointer) and never the interface. With
// no cast installed every node answers null. One thread.
#pragma once

#include "mat_vector.h"
#include "os_types.h"

class NOD_Body;
class NOD_Node;
class NOD_NPC_Gun;

class BHV_TurretAiming
{
public:
    // The node's aiming interface, or null for null, a node that is no turret, or no installed
    // cast.
    using Cast = BHV_TurretAiming* (*)(NOD_Node* _node);

    // Clamps both angles to the turret's range and makes them the turn targets, turning the
    // long way round through the allowed sector when the short way crosses the blocked side.
    virtual void SetTargetAngles(f32 _alpha, f32 _beta) = 0;
    // SetTargetAngles with the angles from the gun towards _point (world coordinates).
    virtual void AimAtPoint(const MAT_Vector3& _point) = 0;
    // The angles towards where the gun's bullet meets _target moving on at its velocity (the
    // target's position when the bullet cannot catch it). Sets no target.
    virtual void ComputeAnglesTo(NOD_Body* _target, f32* _alpha, f32* _beta) = 0;
    // Each angle clamped to the turret's range, in place.
    virtual void ClampAngles(f32* _alpha, f32* _beta) = 0;
    // 1 when the angle lies in the turret's range (limits included), else 0.
    virtual s32 IsAlphaInRange(f32 _alpha) = 0;
    virtual s32 IsBetaInRange(f32 _beta) = 0;
    // 1 when the turret has settled on the angles: both turn rates below 1 degree per second and
    // both current angles within 5 degrees (the heading compared the short way round), else 0.
    virtual s32 IsAimedAt(f32 _alpha, f32 _beta) = 0;
    // 1 when both current angles lie within _tolerance degrees of the given ones, compared
    // without wrapping, else 0.
    virtual s32 IsWithinAngles(f32 _alpha, f32 _beta, f32 _tolerance) = 0;
    // The speed of the gun's bullet type.
    virtual f32 GetBulletVelocity() = 0;
    // The gun the turret fires.
    virtual NOD_NPC_Gun* GetGun() = 0;

    static BHV_TurretAiming* DynamicCast(NOD_Node* _node);
    // Installs the turret's cast (null removes it) and answers the one it replaces, so the
    // installer can put that back when it goes.
    static Cast InstallCast(Cast _cast);

protected:
    BHV_TurretAiming() = default;
    // Never deleted through the interface: the turret node owns itself.
    ~BHV_TurretAiming() = default;
};
