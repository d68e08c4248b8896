#include "phy_control.h"

#include <cfloat>
#include <cmath>

#include "mat_clamp.h"

namespace
{

constexpr u32 PHY_BODY_AXES = 0x7;
constexpr u32 PHY_WORLD_AXES = 0x1C0;
constexpr u32 PHY_TRANSLATION_AXES = PHY_BODY_AXES | PHY_WORLD_AXES;
constexpr u32 PHY_ROTATION_AXES = 0x38;
constexpr u32 PHY_HEADING = 0x8;
constexpr u32 PHY_PITCH = 0x10;
constexpr u32 PHY_ROLL = 0x20;

void ConfigureLimits(PHY_PositionLimit& _position, PHY_VelocityLimit& _velocity, f32 _max, f32 _min, f32 _accel)
{
    _position.InvAccel = 1.0f / _accel;
    _position.HighAccel = 1.25f * _accel;
    _position.Accel = _accel;
    _position.LowAccel = 0.75f * _accel;
    _position.MaxVelocity = _max;
    _position.MinVelocity = _min;
    _velocity.Accel = _accel;
    _velocity.MaxVelocity = _max;
    _velocity.MinVelocity = _min;
}

f32 Component(const MAT_Vector3& _v, u32 _axis) { return _axis == 0 ? _v.x : (_axis == 1 ? _v.y : _v.z); }

// The motion state's row of controller rotation axis 0, 1, 2 (heading, pitch, roll).
constexpr s32 PHY_ROW[3] = {MOT_MotionState::HEADING, MOT_MotionState::PITCH, MOT_MotionState::ROLL};

}  // namespace

void PHY_TranslationControl::SetAxis(u32 _axis, f32 _maxVelocity, f32 _minVelocity, f32 _accel)
{
    if (_axis > 2)
        return;
    ConfigureLimits(PositionLimit[_axis], VelocityLimit[_axis], _maxVelocity, _minVelocity, _accel);
    UseLimit[_axis] = 1;
}

void PHY_TranslationControl::Step(const SIM_Clock& _clock, MOT_MotionState& _state)
{
    if ((PositionModeMask & PHY_TRANSLATION_AXES) != 0)
        ApplyPosition(_clock, _state);
    else if ((VelocityModeMask & PHY_TRANSLATION_AXES) != 0)
        ApplyVelocity(_clock, _state);
}

void PHY_TranslationControl::ApplyPosition(const SIM_Clock& _clock, MOT_MotionState& _state)
{
    // A body-axis bit means "go to the point": position targets are always world axes.
    const bool allAxes = (PositionModeMask & PHY_BODY_AXES) != 0;
    for (u32 k = 0; k < 3; ++k) {
        if (!allAxes && (PositionModeMask & (0x40u << k)) == 0)
            continue;
        const f32 x = Component(_state.frame.t, k);
        const f32 v = _state.translation[k].velocity;
        f32 acceleration;
        if (UseLimit[k] == 1) {
            PHY_PositionLimit& limit = PositionLimit[k];
            limit.TargetPosition = TargetPosition[k];
            limit.TargetVelocity = MAT_Clamp(0.0f, -limit.MaxVelocity, limit.MaxVelocity);
            acceleration = limit.Step(_clock, x, v);
        } else {
            PositionPID[k].SetTarget(TargetPosition[k]);
            acceleration = -PositionPID[k].StepWithRate(_clock, x, v);
        }
        _state.translation[k].acceleration += acceleration;
    }
}

void PHY_TranslationControl::ApplyVelocity(const SIM_Clock& _clock, MOT_MotionState& _state)
{
    const MAT_Vector3 velocity = _state.GetVelocity();
    if ((VelocityModeMask & PHY_BODY_AXES) != 0) {
        for (u32 k = 0; k < 3; ++k) {
            if ((VelocityModeMask & (1u << k)) == 0)
                continue;
            const MAT_Vector3 axis = _state.frame.r.GetAxis((s32)k);
            const f32 acceleration = DriveVelocity(_clock, k, velocity.Dot(axis));
            _state.translation[0].acceleration += acceleration * axis.x;
            _state.translation[1].acceleration += acceleration * axis.y;
            _state.translation[2].acceleration += acceleration * axis.z;
        }
        return;
    }
    for (u32 k = 0; k < 3; ++k) {
        if ((VelocityModeMask & (0x40u << k)) == 0)
            continue;
        _state.translation[k].acceleration += DriveVelocity(_clock, k, Component(velocity, k));
    }
}

f32 PHY_TranslationControl::DriveVelocity(const SIM_Clock& _clock, u32 _axis, f32 _speed)
{
    if (UseLimit[_axis] == 1) {
        PHY_VelocityLimit& limit = VelocityLimit[_axis];
        // Symmetric on purpose: the reverse limit does not bound a velocity target.
        limit.TargetVelocity = MAT_Clamp(TargetVelocity[_axis], -limit.MaxVelocity, limit.MaxVelocity);
        return limit.Step(_clock, _speed);
    }
    VelocityPID[_axis].SetTarget(TargetVelocity[_axis]);
    return -VelocityPID[_axis].Step(_clock, _speed);
}

void PHY_RotationControl::SetAxis(u32 _axis, f32 _maxRate, f32 _minRate, f32 _accel)
{
    if (_axis > 2)
        return;
    ConfigureLimits(AngleLimit[_axis], RateLimit[_axis], _maxRate, _minRate, _accel);
    UseLimit[_axis] = 1;
}

void PHY_RotationControl::SetSwing(u32 _axis, f32 _time, f32 _residual, f32 _ratio)
{
    if (_axis > 2)
        return;
    const f32 residual = std::fabs(_residual) > FLT_EPSILON ? _residual : FLT_EPSILON;
    const f32 ratio = std::fabs(_ratio) > FLT_EPSILON ? _ratio : FLT_EPSILON;
    // Logarithms in double so that every machine's libm rounds to the same f32.
    const f64 sigmaD = -std::log((f64)residual) / (f64)_time;
    const f32 sigma = (f32)sigmaD;
    const f32 omega = (f32)(sigmaD * MAT_PI_D / std::log((f64)ratio));

    AnglePID[_axis].P = omega * omega + sigma * sigma;
    AnglePID[_axis].D = 2.0f * sigma;
    AnglePID[_axis].I = 0.0f;
    RatePID[_axis].P = sigma;
    RatePID[_axis].D = 0.0f;
    RatePID[_axis].I = 0.0f;
    UseLimit[_axis] = 0;
}

void PHY_RotationControl::Step(const SIM_Clock& _clock, MOT_MotionState& _state)
{
    if (((PointTargetMask | AngleTargetMask) & PHY_ROTATION_AXES) != 0)
        ApplyAngle(_clock, _state);
    if ((RateTargetMask & PHY_ROTATION_AXES) != 0)
        ApplyRate(_clock, _state);
}

f32 PHY_RotationControl::DriveAngle(const SIM_Clock& _clock, u32 _axis, f32 _angle, f32 _rate, f32 _target)
{
    if (UseLimit[_axis] == 1) {
        PHY_PositionLimit& limit = AngleLimit[_axis];
        limit.TargetPosition = _target;
        limit.TargetVelocity = MAT_Clamp(0.0f, -limit.MaxVelocity, limit.MaxVelocity);
        return limit.StepAngle(_clock, _angle, _rate);
    }
    PHY_AngleController& pid = AnglePID[_axis];
    pid.SetTarget(_target);
    // The PID's error becomes the angle from the target the shorter way round.
    const f32 measured = pid.Target - MAT_AngleDifference(_angle, pid.Target);
    return -pid.StepWithRate(_clock, measured, _rate);
}

void PHY_RotationControl::ApplyAngle(const SIM_Clock& _clock, MOT_MotionState& _state)
{
    const MAT_Vector3 toPoint = TargetPoint - _state.frame.t;
    MOT_RotationAxis& heading = _state.rotation[MOT_MotionState::HEADING];
    MOT_RotationAxis& pitch = _state.rotation[MOT_MotionState::PITCH];
    MOT_RotationAxis& roll = _state.rotation[MOT_MotionState::ROLL];
    const f32 headingAngle = heading.angle.Get();
    const f32 pitchAngle = pitch.angle.Get();

    if ((AngleTargetMask & PHY_HEADING) != 0) {
        UseLimit[0] = 1;
        heading.acceleration += DriveAngle(_clock, 0, headingAngle, heading.rate, TargetAngle[0]);
    } else if ((PointTargetMask & PHY_HEADING) != 0) {
        const f32 aim = (f32)std::atan2(-(f64)toPoint.x, (f64)toPoint.y);
        const f32 target = headingAngle + MAT_AngleDifference(headingAngle, aim);
        heading.acceleration += DriveAngle(_clock, 0, headingAngle, heading.rate, target);
    }

    if ((AngleTargetMask & PHY_PITCH) != 0) {
        pitch.acceleration += DriveAngle(_clock, 1, pitchAngle, pitch.rate, TargetAngle[1]);
    } else if ((PointTargetMask & PHY_PITCH) != 0) {
        const f32 horizontal = std::sqrt(toPoint.x * toPoint.x + toPoint.y * toPoint.y);
        const f32 aim = (f32)std::atan2((f64)toPoint.z, (f64)horizontal);
        const f32 target = pitchAngle + MAT_AngleDifference(pitchAngle, aim);
        pitch.acceleration += DriveAngle(_clock, 1, pitchAngle, pitch.rate, target);
    }

    if ((AngleTargetMask & PHY_ROLL) != 0)
        roll.acceleration += DriveAngle(_clock, 2, roll.angle.Get(), roll.rate, TargetAngle[2]);
}

void PHY_RotationControl::ApplyRate(const SIM_Clock& _clock, MOT_MotionState& _state)
{
    for (u32 n = 0; n < 3; ++n) {
        if ((RateTargetMask & (PHY_HEADING << n)) == 0)
            continue;
        MOT_RotationAxis& axis = _state.rotation[PHY_ROW[n]];
        const f32 rate = axis.rate;
        f32 acceleration;
        if (UseLimit[n] == 1) {
            PHY_VelocityLimit& limit = RateLimit[n];
            limit.TargetVelocity = MAT_Clamp(TargetRate[n], -limit.MaxVelocity, limit.MaxVelocity);
            acceleration = limit.Step(_clock, rate);
        } else {
            RatePID[n].SetTarget(TargetRate[n]);
            acceleration = -RatePID[n].Step(_clock, rate);
        }
        axis.acceleration += acceleration;
    }
}
