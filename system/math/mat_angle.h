// Angles in radians that carry their sine and cosine, and direction angles of vectors.
//
// A MAT_Angle always lies in [-pi, pi) (pi itself wraps to -pi) and its sine and cosine are
// those of the stored float, so rotations built from it need no trigonometry. Set() snaps a
// negligible value (or NaN) to exactly {0, 0, 1}; assignment and += wrap but never snap.
// Heading = atan2(-x, y): 0 looks along +y, positive turns towards -x. Pitch = atan2(z, |xy|).
#pragma once

#include "mat_vector.h"

class MAT_Matrix33;

// Brings an angle into [-pi, pi). Turn counts too large for a 32-bit integer are removed with
// an exact floating-point remainder instead.
f32 MAT_WrapAngle(f32 _angle);
// Both values from one evaluation, rounded to float.
void MAT_SinCos(f32 _angle, f32& _sin, f32& _cos);

class MAT_Angle
{
public:
    constexpr MAT_Angle() = default;
    explicit MAT_Angle(f32 _angle) { Set(_angle); }

    // Snaps |a| <= epsilon (and NaN) to {0, 0, 1}, otherwise wraps and fills sine and cosine.
    void Set(f32 _angle);
    // Wraps and recomputes, never snaps.
    MAT_Angle& operator=(f32 _angle);
    // Adds before wrapping; never snaps.
    MAT_Angle& operator+=(f32 _delta);

    f32 Get() const { return m_angle; }
    f32 Sin() const { return m_sin; }
    f32 Cos() const { return m_cos; }

private:
    friend class MAT_Matrix33;
    void SetWithSinCos(f32 _angle, f32 _sin, f32 _cos)
    {
        m_angle = _angle;
        m_sin = _sin;
        m_cos = _cos;
    }

    f32 m_angle = 0.0f;
    f32 m_sin = 0.0f;
    f32 m_cos = 1.0f;
};
static_assert(sizeof(MAT_Angle) == 12, "MAT_Angle is angle, sine, cosine");

// Direction angles of v, unwrapped.
f32 MAT_GetHeading(const MAT_Vector3& _v);
f32 MAT_GetPitch(const MAT_Vector3& _v);
void MAT_GetHeadingPitch(const MAT_Vector3& _v, f32& _heading, f32& _pitch);
// The same as angles, through MAT_Angle::Set (a zero direction gives 0 and 0).
void MAT_GetHeadingAngle(const MAT_Vector3& _v, MAT_Angle& _heading);
void MAT_GetHeadingPitchAngles(const MAT_Vector3& _v, MAT_Angle& _heading, MAT_Angle& _pitch);

// v = Rz(h) * Rx(p) * Ry(r) * v; a component of v that is exactly 0 contributes nothing.
void MAT_RotateByAngles(MAT_Vector3& _v, const MAT_Angle& _heading, const MAT_Angle& _pitch, const MAT_Angle& _roll);
