#include "bhv_requests.h"

#include <cmath>

#include "cod_activeavoid.h"
#include "mot_model.h"
#include "nod_body.h"
#include "sim_clock.h"

namespace
{
constexpr u32 BODY_AXES = 0x7;
constexpr u32 WORLD_Z = 0x100;
constexpr u32 HEADING = 0x8;
constexpr u32 PITCH = 0x10;
constexpr u32 ROTATION_AXES = 0x38;
}  // namespace

void BHV_ClearRequests(MOT_Model& _model)
{
    _model.Translation.PositionModeMask = 0;
    _model.Translation.VelocityModeMask = 0;
    _model.Rotation.PointTargetMask = 0;
    _model.Rotation.AngleTargetMask = 0;
    _model.Rotation.RateTargetMask = 0;
}

void BHV_BrakeLinear(MOT_Model& _model)
{
    PHY_TranslationControl& translation = _model.Translation;
    translation.PositionModeMask &= ~BODY_AXES;
    translation.VelocityModeMask |= BODY_AXES;
    for (f32& target : translation.TargetVelocity)
        target = 0.0f;
}

void BHV_Brake(MOT_Model& _model)
{
    BHV_BrakeLinear(_model);
    PHY_RotationControl& rotation = _model.Rotation;
    rotation.PointTargetMask &= ~ROTATION_AXES;
    rotation.AngleTargetMask &= ~ROTATION_AXES;
    rotation.RateTargetMask |= ROTATION_AXES;
    for (f32& target : rotation.TargetRate)
        target = 0.0f;
}

void BHV_FacePoint(MOT_Model& _model, const MAT_Vector3& _point)
{
    PHY_RotationControl& rotation = _model.Rotation;
    rotation.TargetPoint = _point;
    rotation.PointTargetMask |= HEADING | PITCH;
    rotation.AngleTargetMask &= ~(HEADING | PITCH);
    rotation.RateTargetMask &= ~(HEADING | PITCH);
}

void BHV_HoldAttitude(MOT_Model& _model)
{
    PHY_RotationControl& rotation = _model.Rotation;
    rotation.TargetAngle[0] = _model.State.rotation[MOT_MotionState::HEADING].angle.Get();
    rotation.TargetAngle[1] = 0.0f;
    rotation.TargetAngle[2] = 0.0f;
    rotation.AngleTargetMask |= ROTATION_AXES;
    rotation.PointTargetMask &= ~ROTATION_AXES;
    rotation.RateTargetMask &= ~ROTATION_AXES;
}

void BHV_SetVerticalSpeed(MOT_Model& _model, f32 _speed)
{
    PHY_TranslationControl& translation = _model.Translation;
    // Body-axis speed control would shadow the world axis.
    translation.VelocityModeMask = (translation.VelocityModeMask & ~BODY_AXES) | WORLD_Z;
    translation.PositionModeMask &= ~(BODY_AXES | WORLD_Z);
    translation.TargetVelocity[2] = _speed;
}

void BHV_ResetToBody(MOT_Model& _model, NOD_Body* _body)
{
    BHV_ClearRequests(_model);
    _model.State.SetMatrix(*_body->GetWorldTransform(SIM_GetSimulationClock().time));
}

f32 BHV_HorizontalDistance(const MOT_Model& _model, const MAT_Vector3& _point)
{
    const MAT_Vector3& p = _model.State.frame.t;
    const f32 dx = _point.x - p.x;
    const f32 dy = _point.y - p.y;
    return std::sqrt(dx * dx + dy * dy);
}

f32 BHV_HorizontalSpeed(const MOT_Model& _model)
{
    const f32 vx = _model.State.translation[0].velocity;
    const f32 vy = _model.State.translation[1].velocity;
    return std::sqrt(vx * vx + vy * vy);
}

MAT_Vector3 BHV_SteeringPoint(const COD_ActiveAvoid* _avoider, const MAT_Vector3& _goal)
{
    if (_avoider != nullptr && _avoider->m_resultFlag != 0)
        return _avoider->m_correctedGoal;
    return _goal;
}

MAT_Vector3 BHV_GroundGoal(NOD_Body* _body, const MAT_Vector3& _goal)
{
    const f32 z = _body->GetWorldTransform(SIM_GetSimulationClock().time + SIM_STEP)->t.z;
    return {_goal.x, _goal.y, z};
}
