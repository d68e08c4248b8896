// Constant-jerk fitting and evaluation, in single precision in the order the formulas give.
#include "mot_jerksegment.h"

#include <cmath>

#include "mat_vector.h"

bool MOT_JerkSegment3::FitAxis(s32 _axis, f32 _t0, f32 _p0, f32 _s0, f32 _t1, f32 _p1, f32 _s1)
{
    const f32 dt = _t1 - _t0;
    if (std::fabs(dt) <= MAT_EPSILON)
        return false;
    const f32 j = 12.0f * ((_s0 + _s1) * dt / 2.0f + (_p0 - _p1)) / (dt * dt * dt);
    const f32 a = (_s1 - _s0 - j * (dt * dt) / 2.0f) / dt;
    MOT_JerkAxis& axis = axes[_axis];
    axis.t0 = _t0;
    axis.p0 = _p0;
    axis.s0 = _s0;
    axis.a = a;
    axis.j = j;
    axis.t1 = _t1;
    axis.p1 = _p1;
    axis.s1 = _s1;
    axis.valid = 1;
    return true;
}

bool MOT_JerkSegment3::Fit(f32 _t0, const f32 _p0[3], const f32 _s0[3], f32 _t1, const f32 _p1[3], const f32 _s1[3])
{
    for (s32 i = 0; i < 3; ++i)
        if (!FitAxis(i, _t0, _p0[i], _s0[i], _t1, _p1[i], _s1[i]))
            return false;
    return true;
}

bool MOT_JerkSegment3::FitLinear(f32 _t0, const f32 _p0[3], f32 _t1, const f32 _p1[3])
{
    const f32 dt = _t1 - _t0;
    if (std::fabs(dt) <= MAT_EPSILON)
        return false;
    for (s32 i = 0; i < 3; ++i) {
        const f32 v = (_p1[i] - _p0[i]) / dt;
        MOT_JerkAxis& axis = axes[i];
        axis.t0 = _t0;
        axis.p0 = _p0[i];
        axis.s0 = v;
        axis.a = 0.0f;
        axis.j = 0.0f;
        axis.t1 = _t1;
        axis.p1 = _p1[i];
        axis.s1 = v;
        axis.valid = 1;
    }
    return true;
}

void MOT_JerkSegment3::FromState(f32 _t0, const f32 _p0[3], const f32 _s0[3], const f32 _a0[3], const f32 _j[3])
{
    for (s32 i = 0; i < 3; ++i) {
        MOT_JerkAxis& axis = axes[i];
        axis.t0 = _t0;
        axis.p0 = _p0[i];
        axis.s0 = _s0[i];
        axis.a = _a0[i];
        axis.j = _j[i];
        axis.valid = 1;
        axis.t1 = _t0 + 1.0f;
        axis.p1 = _p0[i] + _s0[i] + _a0[i] / 2.0f + _j[i] / 6.0f;
        axis.s1 = _s0[i] + _a0[i] + _j[i] / 2.0f;
        axis.endAcceleration = _a0[i] + _j[i];
        axis.endJerk = _j[i];
    }
}

bool MOT_JerkSegment3::EvaluateAxis(s32 _axis, f32 _t, MOT_JerkAxisState& _out) const
{
    const MOT_JerkAxis& axis = axes[_axis];
    if (axis.valid != 1)
        return false;
    const f32 u = _t - axis.t0;
    const f32 u2 = u * u;
    _out.time = _t;
    _out.value = axis.p0 + axis.s0 * u + axis.a * u2 / 2.0f + axis.j * (u2 * u) / 6.0f;
    _out.velocity = axis.s0 + axis.a * u + axis.j * u2 / 2.0f;
    _out.acceleration = axis.a + axis.j * u;
    _out.jerk = axis.j;
    return true;
}

bool MOT_JerkSegment3::Evaluate(f32 _t, MOT_JerkState3& _out) const
{
    _out.time = _t;
    for (s32 i = 0; i < 3; ++i) {
        MOT_JerkAxisState state;
        if (!EvaluateAxis(i, _t, state))
            return false;
        _out.value[i] = state.value;
        _out.velocity[i] = state.velocity;
        _out.acceleration[i] = state.acceleration;
        _out.jerk[i] = state.jerk;
    }
    return true;
}

void MOT_JerkSegment3::Clear()
{
    for (MOT_JerkAxis& axis : axes)
        axis.valid = 0;
}
