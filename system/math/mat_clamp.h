// Bounding a value and measuring the short way between two angles.
//
// Inline and stateless; f32 throughout so that every machine gets the same bits.
#pragma once

#include "mat_angle.h"
#include "os_types.h"

// lo when x < lo, x when x <= hi, else hi: a NaN x falls through both tests and yields hi.
inline f32 MAT_Clamp(f32 _x, f32 _lo, f32 _hi)
{
    if (_x < _lo)
        return _lo;
    if (_x <= _hi)
        return _x;
    return _hi;
}

// The signed turn from one angle to the other the shorter way round, in [-pi, pi); one
// correction suffices because both wrapped angles already lie in [-pi, pi).
inline f32 MAT_AngleDifference(f32 _from, f32 _to)
{
    f32 difference = MAT_WrapAngle(_to) - MAT_WrapAngle(_from);
    if (difference < -MAT_PI)
        return difference + MAT_TWO_PI;
    if (difference >= MAT_PI)
        return difference - MAT_TWO_PI;
    return difference;
}
