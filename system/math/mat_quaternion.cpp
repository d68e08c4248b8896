// Quaternion blends for key-frame interpolation.
#include "mat_quaternion.h"

#include <cmath>

#include "mat_sqrt.h"

namespace
{

// True when b lies in a's hemisphere (the shorter way round from a to b).
bool SameHemisphere(const MAT_Quaternion& _a, const MAT_Quaternion& _b)
{
    return (_a - _b).LengthSquared() <= (_a + _b).LengthSquared();
}

constexpr f64 HALF_PI = 1.5707963267948966;

}  // namespace

void MAT_Quaternion::Normalize()
{
    f32 lengthSquared = LengthSquared();
    if (lengthSquared > MAT_EPSILON)
        *this = *this * MAT_FastInvSqrt(lengthSquared);
}

void MAT_Quaternion::Blend(const MAT_Quaternion& _a, const MAT_Quaternion& _b, f32 _t, s32 _mode)
{
    MAT_Quaternion from = _a * (1.0f - _t), to = _b * _t;
    if (_mode == 0 || (_mode == 1 && !SameHemisphere(_a, _b)))
        *this = from - to;
    else if (_mode == 1 || _mode == 2)
        *this = from + to;
    Normalize();
}

void MAT_Quaternion::Slerp(const MAT_Quaternion& _a, const MAT_Quaternion& _b, f32 _t, s32 _mode)
{
    MAT_Quaternion b = _b;
    if (_mode == 0 || (_mode == 1 && !SameHemisphere(_a, _b)))
        b = -_b;
    f32 cosine = _a.Dot(b);
    MAT_Quaternion result;
    if (cosine + 1.0f <= 1e-6f) {
        // Opposite ends: no single great circle, so turn through a quaternion perpendicular
        // to a. All four components are weighted, which keeps the path on the unit sphere.
        MAT_Quaternion perpendicular(_a.z, -_a.y, _a.x, -_a.w);
        f32 s0 = (f32)std::sin((1.0 - _t) * HALF_PI);
        f32 s1 = (f32)std::sin(_t * HALF_PI);
        result = _a * s0 + perpendicular * s1;
    } else {
        f32 s0, s1;
        if (1.0f - cosine <= 1e-6f) {
            s0 = 1.0f - _t;
            s1 = _t;
        } else {
            f64 theta = std::acos((f64)cosine);
            f64 sinTheta = std::sin(theta);
            s0 = (f32)(std::sin((1.0 - _t) * theta) / sinTheta);
            s1 = (f32)(std::sin(_t * theta) / sinTheta);
        }
        result = _a * s0 + b * s1;
    }
    *this = result;
    Normalize();
}

void MAT_Quaternion::WeightedSum4(const MAT_Quaternion& _q1, f32 _w1, const MAT_Quaternion& _q2, f32 _w2,
                                  const MAT_Quaternion& _q3, f32 _w3, const MAT_Quaternion& _q4, f32 _w4)
{
    MAT_Quaternion sum = SameHemisphere(_q1, _q2) ? _q1 * _w1 + _q2 * _w2 : _q1 * _w1 - _q2 * _w2;
    sum = SameHemisphere(sum, _q3) ? sum + _q3 * _w3 : sum - _q3 * _w3;
    sum = SameHemisphere(sum, _q4) ? sum + _q4 * _w4 : sum - _q4 * _w4;
    *this = sum;
    Normalize();
}
