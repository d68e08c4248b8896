// Element-wise and angular first-order smoothing.
#include "mot_smoother.h"

void MOT_Smoother::Smooth(const SIM_Clock& _clock, f32 _current, f32 _target, f32* _out) const
{
    const f32 w = Weight(_clock);
    *_out = (1.0f - w) * _current + w * _target;
}

void MOT_Smoother::SmoothVector3(const SIM_Clock& _clock, const f32 _current[3], const f32 _target[3],
                                 f32 _out[3]) const
{
    const f32 w = Weight(_clock);
    for (s32 i = 0; i < 3; ++i)
        _out[i] = _current[i] + (_target[i] - _current[i]) * w;
}

void MOT_Smoother::SmoothMatrix3(const SIM_Clock& _clock, const MAT_Matrix33& _current, const MAT_Matrix33& _target,
                                 MAT_Matrix33& _out) const
{
    const f32 w = Weight(_clock);
    for (s32 i = 0; i < 9; ++i)
        _out.m[i] = _current.m[i] + (_target.m[i] - _current.m[i]) * w;
}

void MOT_Smoother::SmoothMatrix34(const SIM_Clock& _clock, const MAT_Matrix34& _current, const MAT_Matrix34& _target,
                                  MAT_Matrix34& _out) const
{
    const f32 w = Weight(_clock);
    _out.t = _current.t + (_target.t - _current.t) * w;
    SmoothMatrix3(_clock, _current.r, _target.r, _out.r);
}

void MOT_Smoother::SmoothAngle(const SIM_Clock& _clock, const MAT_Angle& _current, const MAT_Angle& _target,
                               MAT_Angle& _out) const
{
    const f32 w = Weight(_clock);
    const f32 current = MAT_WrapAngle(_current.Get());
    f32 d = MAT_WrapAngle(_target.Get()) - current;
    if (d < -MAT_PI)
        d += MAT_TWO_PI;
    else if (d >= MAT_PI)
        d -= MAT_TWO_PI;
    _out = _current.Get() + w * d;
}
