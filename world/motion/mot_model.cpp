// Parsing of the "Control" keys and the steering pieces all motion models share.
#include "mot_model.h"

#include <cfloat>
#include <cmath>

#include "mot_model_local.h"
#include "os_fatal.h"

namespace
{

f32 ReadFloat(DES_Section* _section, const char* _key)
{
    f32 value = 0.0f;
    _section->GetFloat(_key, &value);
    return value;
}

[[noreturn]] void FatalValue(DES_Section* _section, const char* _where, const char* _key, const char* _problem)
{
    const DES_File* file = _section->GetFile();
    if (file != nullptr && file->GetName()[0] != '\0')
        OS_Fatal(_where, OS_Format("\"%s\" in file \"%s\" %s", _key, file->GetName(), _problem));
    OS_Fatal(_where, OS_Format("\"%s\" in section \"%s\" %s", _key, _section->GetName(), _problem));
}

}  // namespace

f32 MOT_ParseAcceleration(f32 _limit, f32 _time)
{
    if (_limit == 0.0f && _time == 0.0f)
        return 0.0f;
    return _limit / _time;
}

void MOT_ParseTurn(DES_Section* _section, f32* _turnPV, f32* _turnNV, f32* _turnT)
{
    const f32 turnPV = ReadFloat(_section, "TurnPV");
    const f32 turnNV = ReadFloat(_section, "TurnNV");
    const f32 turnT = MOT_ParseAcceleration(turnPV, ReadFloat(_section, "TurnT"));
    *_turnPV = turnPV * MOT_DEGREES;
    *_turnNV = turnNV * -MOT_DEGREES;
    *_turnT = turnT * MOT_DEGREES;
}

void MOT_ParseSwing(DES_Section* _section, const char* _where, f32* _swingT, f32* _swingA)
{
    const f32 swingT = ReadFloat(_section, "SwingT");
    const f32 swingA = ReadFloat(_section, "SwingA");
    // The swing gains divide by the time and by ln of the ratio: a time of 0 or less, a ratio
    // of exactly 1 or a negative one give infinite or NaN gains that would spread through the
    // whole simulation. (A ratio within epsilon of 0 is taken as epsilon by the controller.)
    if (!(swingT > 0.0f))
        FatalValue(_section, _where, "SwingT", "must be above 0");
    if (swingA == 1.0f || swingA < -FLT_EPSILON || swingA != swingA)
        FatalValue(_section, _where, "SwingA", "must be 0 or positive and not 1");
    *_swingT = swingT;
    *_swingA = swingA;
}

void MOT_ParseMoveFriction(DES_Section* _section, MOT_Friction* _friction)
{
    f32 xyz[3] = {};
    _section->GetVector3("MoveFriction", xyz);
    u32 flags = _friction->flags & ~(MOT_Friction::BODY_X | MOT_Friction::BODY_Y | MOT_Friction::BODY_Z |
                                     MOT_Friction::WORLD_X | MOT_Friction::WORLD_Y | MOT_Friction::WORLD_Z);
    for (u32 i = 0; i < 3; ++i) {
        _friction->c[i] = xyz[i];
        _friction->c[3 + i] = xyz[i];
        if (xyz[i] > 0.0f)
            flags |= MOT_Friction::BODY_X << i;
    }
    _friction->flags = flags;
}

void MOT_ParseTurnFriction(DES_Section* _section, MOT_Friction* _friction)
{
    f32 hpr[3] = {};
    _section->GetVector3("TurnFriction", hpr);
    u32 flags = _friction->flags & ~(MOT_Friction::HEADING | MOT_Friction::PITCH | MOT_Friction::ROLL);
    for (u32 i = 0; i < 3; ++i) {
        _friction->c[6 + i] = hpr[i];
        if (hpr[i] > 0.0f)
            flags |= MOT_Friction::HEADING << i;
    }
    _friction->flags = flags;
}

f32 MOT_HeadingCosine(const MOT_MotionState& _state, const MAT_Vector3& _target)
{
    const MAT_Vector3 forward = _state.frame.r.GetAxis(1);
    const f32 forwardLength = std::sqrt(forward.x * forward.x + forward.y * forward.y);
    const f32 dx = _target.x - _state.frame.t.x;
    const f32 dy = _target.y - _state.frame.t.y;
    const f32 distance = std::sqrt(dx * dx + dy * dy);
    if (!(forwardLength > 0.0f) || !(distance > 0.0f))
        return 1.0f;
    const f32 fx = forward.x / forwardLength;
    const f32 fy = forward.y / forwardLength;
    return (dx * fx + dy * fy) / distance;
}

void MOT_AimAt(PHY_RotationControl& _rotation, const MAT_Vector3& _point, u32 _bits)
{
    _rotation.TargetPoint = _point;
    _rotation.PointTargetMask |= _bits;
    _rotation.AngleTargetMask &= ~_bits;
    _rotation.RateTargetMask &= ~_bits;
}

void MOT_SetAngleTarget(PHY_RotationControl& _rotation, u32 _axis, f32 _angle)
{
    const u32 bit = MOT_HEADING_BIT << _axis;
    _rotation.TargetAngle[_axis] = _angle;
    _rotation.AngleTargetMask |= bit;
    _rotation.PointTargetMask &= ~bit;
    _rotation.RateTargetMask &= ~bit;
}

void MOT_DriveAlong(PHY_TranslationControl& _translation, u32 _axis, f32 _speed)
{
    const u32 bit = 1u << _axis;
    _translation.VelocityModeMask |= bit;
    _translation.PositionModeMask &= ~bit;
    _translation.TargetVelocity[_axis] = _speed;
}

void MOT_Model::ApplyFrictionOnFreeAxes(const SIM_Clock& _clock)
{
    Friction.ApplyOnFreeAxes(_clock, State,
                             {Translation.PositionModeMask, Translation.VelocityModeMask, Rotation.AngleTargetMask,
                              Rotation.PointTargetMask, Rotation.RateTargetMask});
}

void MOT_Model::ParseMove(DES_Section* _section)
{
    MovePV = ReadFloat(_section, "MovePV");
    MoveNV = ReadFloat(_section, "MoveNV");
    MoveT = ReadFloat(_section, "MoveT");
    MoveT = MOT_ParseAcceleration(MovePV, MoveT);
    MoveNV = -MoveNV;
    for (u32 axis = 0; axis < 3; ++axis)
        Translation.SetAxis(axis, MovePV, MoveNV, MoveT);
}

void MOT_Model::ParseTurn(DES_Section* _section) { MOT_ParseTurn(_section, &TurnPV, &TurnNV, &TurnT); }
