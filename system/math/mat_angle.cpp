// Angle wrapping, sine and cosine, direction angles.
#include "mat_angle.h"

#include <cmath>

namespace
{

// 1 / 2pi as a float; the turn count is formed in single precision.
constexpr f32 INV_TWO_PI = 0.15915494f;
// Beyond this many turns a float turn count can be off by half a turn or more (and soon does
// not fit 32 bits), so the one fold of the last step would no longer reach [-pi, pi).
constexpr f32 MAX_COUNTED_TURNS = 4194304.0f;

}  // namespace

f32 MAT_WrapAngle(f32 _angle)
{
    f64 magnitude = std::fabs((f64)_angle);
    if (magnitude < MAT_PI_D)
        return _angle;
    if (magnitude >= MAT_TWO_PI_D) {
        f32 turns = _angle * INV_TWO_PI;
        // Both branches take the remainder modulo the float 2 pi exactly and round it once.
        if (std::fabs(turns) < MAX_COUNTED_TURNS)
            _angle = (f32)((f64)_angle - (f64)MAT_FloorByRounding(turns) * (f64)MAT_TWO_PI);
        else
            _angle = (f32)std::fmod((f64)_angle, (f64)MAT_TWO_PI);
    }
    if (_angle < -MAT_PI)
        return _angle + MAT_TWO_PI;
    if (_angle >= MAT_PI)
        return _angle - MAT_TWO_PI;
    return _angle;
}

void MAT_SinCos(f32 _angle, f32& _sin, f32& _cos)
{
    _sin = (f32)std::sin((f64)_angle);
    _cos = (f32)std::cos((f64)_angle);
}

void MAT_Angle::Set(f32 _angle)
{
    if (MAT_IsTiny(_angle)) {
        SetWithSinCos(0.0f, 0.0f, 1.0f);
        return;
    }
    *this = _angle;
}

MAT_Angle& MAT_Angle::operator=(f32 _angle)
{
    m_angle = MAT_WrapAngle(_angle);
    MAT_SinCos(m_angle, m_sin, m_cos);
    return *this;
}

MAT_Angle& MAT_Angle::operator+=(f32 _delta) { return *this = m_angle + _delta; }

f32 MAT_GetHeading(const MAT_Vector3& _v) { return (f32)std::atan2(-(f64)_v.x, (f64)_v.y); }

f32 MAT_GetPitch(const MAT_Vector3& _v)
{
    f32 horizontal = _v.x * _v.x + _v.y * _v.y;
    return (f32)std::atan2((f64)_v.z, std::sqrt((f64)horizontal));
}

void MAT_GetHeadingPitch(const MAT_Vector3& _v, f32& _heading, f32& _pitch)
{
    _heading = MAT_GetHeading(_v);
    _pitch = MAT_GetPitch(_v);
}

void MAT_GetHeadingAngle(const MAT_Vector3& _v, MAT_Angle& _heading) { _heading.Set(MAT_GetHeading(_v)); }

void MAT_GetHeadingPitchAngles(const MAT_Vector3& _v, MAT_Angle& _heading, MAT_Angle& _pitch)
{
    _heading.Set(MAT_GetHeading(_v));
    _pitch.Set(MAT_GetPitch(_v));
}
