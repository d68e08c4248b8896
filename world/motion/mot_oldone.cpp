// Characters: heading on a limiter, damped pitch and roll.
#include "mot_oldone.h"

#include <cmath>

#include "mot_model_local.h"

void MOT_OldOne::Parse(DES_Section* _section)
{
    ParseMove(_section);
    ParseTurn(_section);
    _section->GetFloat("TurnR", &TurnR);
    Rotation.SetAxis(0, TurnPV, TurnNV, TurnT);
    MOT_ParseSwing(_section, "MOT_OldOne::Parse()", &SwingT, &SwingA);
    Rotation.SetSwing(1, SwingT, 0.01f, SwingA);
    Rotation.SetSwing(2, SwingT, 0.01f, SwingA);
    MOT_ParseMoveFriction(_section, &Friction);
    MOT_ParseTurnFriction(_section, &Friction);
}

void MOT_OldOne::GotoPosition(const SIM_Clock&, const MAT_Vector3& _target, f32 _speed)
{
    MOT_AimAt(Rotation, _target, MOT_HEADING_BIT);
    const MAT_Vector3 d = _target - State.frame.t;
    const f32 horizontal = std::sqrt(d.x * d.x + d.y * d.y);
    // The body's third axis is the one it moves along: it tips over towards the target.
    const f32 pitch = (f32)std::atan2((f64)d.z, (f64)horizontal) - 1.5707964f;
    MOT_SetAngleTarget(Rotation, 1, pitch);
    MOT_DriveAlong(Translation, 2, _speed * MovePV);
}

void MOT_OldOne::GotoPositionArrive(const SIM_Clock&, const MAT_Vector3& _target, f32 _speed)
{
    const MAT_Vector3 d = _target - State.frame.t;
    const f32 distance = d.Length();
    MAT_Vector3 v = d;
    if (distance > 0.0f)
        v = d * ((_speed * MovePV) / distance);

    MOT_SetAngleTarget(Rotation, 0, (f32)std::atan2(-(f64)v.x, (f64)v.y));
    const f32 tilt = -State.GetVelocity().Length() * TurnR;
    const f32 pitch = (f32)std::atan2((f64)v.Dot(State.frame.r.GetAxis(1)), (f64)v.z);
    const f32 roll = (f32)std::atan2((f64)v.Dot(State.frame.r.GetAxis(0)), (f64)v.z);
    MOT_SetAngleTarget(Rotation, 1, pitch * tilt);
    MOT_SetAngleTarget(Rotation, 2, roll * tilt);

    const u32 worldAxes = 0x1C0;
    Translation.VelocityModeMask |= worldAxes;
    Translation.PositionModeMask &= ~worldAxes;
    Translation.TargetVelocity[0] = v.x;
    Translation.TargetVelocity[1] = v.y;
    Translation.TargetVelocity[2] = v.z;
}
