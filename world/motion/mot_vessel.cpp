// Vessels: three-dimensional steering, heading and pitch on limiters, banking roll.
#include "mot_vessel.h"

#include <cmath>

#include "mot_model_local.h"

void MOT_Vessel::Parse(DES_Section* _section)
{
    ParseMove(_section);
    ParseTurn(_section);
    _section->GetFloat("TurnR", &TurnR);
    Rotation.SetAxis(0, TurnPV, TurnNV, TurnT);
    Rotation.SetAxis(1, TurnPV, TurnNV, TurnT);
    MOT_ParseSwing(_section, "MOT_Vessel::Parse()", &SwingT, &SwingA);
    Rotation.SetSwing(2, SwingT, 0.01f, SwingA);
    MOT_ParseMoveFriction(_section, &Friction);
    MOT_ParseTurnFriction(_section, &Friction);
}

void MOT_Vessel::ControlStep(const SIM_Clock& _clock)
{
    ApplyFrictionOnFreeAxes(_clock);
    Translation.Step(_clock, State);
    Bank();
    Rotation.Step(_clock, State);
}

void MOT_Vessel::MoveTo(const SIM_Clock&, const MAT_Vector3& _target, f32 _min, f32 _max)
{
    const f32 c = MOT_HeadingCosine(State, _target);
    const f32 w = (c + 1.0f) / 2.0f;
    MOT_AimAt(Rotation, _target, MOT_HEADING_BIT | MOT_PITCH_BIT);
    MOT_DriveAlong(Translation, 1, MOT_BlendSpeed(_min, _max, w) * MovePV);
}

void MOT_Vessel::AttackRun(const SIM_Clock& _clock, const MAT_Vector3& _target, f32 _min, f32 _max)
{
    if (MOT_HeadingCosine(State, _target) >= 0.0f) {
        MoveTo(_clock, _target, _min, _max);
        return;
    }
    AttackTurn(_clock, _target, _min, _max);
}

void MOT_Vessel::AttackTurn(const SIM_Clock&, const MAT_Vector3& _target, f32 _min, f32 _max)
{
    const f32 c = MOT_HeadingCosine(State, _target);
    const f32 w = (1.0f - c) / 2.0f;
    // Pointing the nose at the target mirrored through the body turns the tail to the target.
    const MAT_Vector3& p = State.frame.t;
    const MAT_Vector3 mirrored(2.0f * p.x - _target.x, 2.0f * p.y - _target.y, 2.0f * p.z - _target.z);
    MOT_AimAt(Rotation, mirrored, MOT_HEADING_BIT | MOT_PITCH_BIT);
    MOT_DriveAlong(Translation, 1, MOT_BlendSpeed(_min, _max, w) * MoveNV);
}

void MOT_Vessel::Halt()
{
    Translation.PositionModeMask = 0;
    Translation.VelocityModeMask = MOT_WORLD_AXES;
    for (f32& target : Translation.TargetVelocity)
        target = 0.0f;
    Rotation.PointTargetMask = 0;
    Rotation.AngleTargetMask = 0;
    Rotation.RateTargetMask = 0;
}

void MOT_Vessel::FacePoint(const MAT_Vector3& _point)
{
    MOT_AimAt(Rotation, _point, MOT_HEADING_BIT | MOT_PITCH_BIT);
    MOT_SetAngleTarget(Rotation, 2, 0.0f);
}

void MOT_Vessel::Bank()
{
    const f32 forwardSpeed = State.GetVelocity().Dot(State.frame.r.GetAxis(1));
    const f32 turnRate = State.rotation[MOT_MotionState::HEADING].rate;
    // tan(bank) = v x omega / g of a coordinated turn.
    const f32 lateral = -forwardSpeed * turnRate * 0.1019367991845056f;
    MOT_SetAngleTarget(Rotation, 2, TurnR * (f32)std::atan((f64)lateral));
}
