// Quaternions (scalar part first) and the blends used by skinned animation.
//
// Every blend writes the receiving quaternion and normalises it with MAT_FastInvSqrt when its
// squared length exceeds epsilon (a near-zero result is left as it is). Mode 0 blends towards
// -b, mode 1 the shorter way round (the only mode the animation uses), mode 2 towards b.
#pragma once

#include "mat_vector.h"

struct MAT_Quaternion
{
    f32 w = 0.0f;
    f32 x = 0.0f;
    f32 y = 0.0f;
    f32 z = 0.0f;

    constexpr MAT_Quaternion() = default;
    constexpr MAT_Quaternion(f32 _w, f32 _x, f32 _y, f32 _z) : w(_w), x(_x), y(_y), z(_z) {}
    constexpr MAT_Quaternion(f32 _w, const MAT_Vector3& _v) : w(_w), x(_v.x), y(_v.y), z(_v.z) {}

    void Set(f32 _w, const MAT_Vector3& _v)
    {
        w = _w;
        x = _v.x;
        y = _v.y;
        z = _v.z;
    }

    f32 Dot(const MAT_Quaternion& _o) const { return w * _o.w + x * _o.x + y * _o.y + z * _o.z; }
    f32 LengthSquared() const { return Dot(*this); }
    MAT_Quaternion operator+(const MAT_Quaternion& _o) const { return {w + _o.w, x + _o.x, y + _o.y, z + _o.z}; }
    MAT_Quaternion operator-(const MAT_Quaternion& _o) const { return {w - _o.w, x - _o.x, y - _o.y, z - _o.z}; }
    MAT_Quaternion operator*(f32 _s) const { return {w * _s, x * _s, y * _s, z * _s}; }
    MAT_Quaternion operator-() const { return {-w, -x, -y, -z}; }
    bool operator==(const MAT_Quaternion& _o) const = default;

    // Scales to unit length when |q|^2 > epsilon, by the table inverse square root.
    void Normalize();

    // Linear blend a..b at t, then normalised; modes as above, any other mode keeps *this.
    void Blend(const MAT_Quaternion& _a, const MAT_Quaternion& _b, f32 _t, s32 _mode);
    // Spherical blend a..b at t, then normalised; modes as above.
    void Slerp(const MAT_Quaternion& _a, const MAT_Quaternion& _b, f32 _t, s32 _mode);
    // w1 q1 +/- w2 q2 +/- w3 q3 +/- w4 q4, each sign chosen so the next term lies in the
    // running sum's hemisphere; then normalised.
    void WeightedSum4(const MAT_Quaternion& _q1, f32 _w1, const MAT_Quaternion& _q2, f32 _w2, const MAT_Quaternion& _q3,
                      f32 _w3, const MAT_Quaternion& _q4, f32 _w4);
};
static_assert(sizeof(MAT_Quaternion) == 16, "MAT_Quaternion is w, x, y, z");
