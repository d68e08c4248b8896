// 3D vectors and the small scalar helpers of the math layer.
//
// Plain value types of 32-bit floats: they allocate nothing, report nothing and keep no state.
// The world is z up; a heading of 0 looks along +y (see mat_angle.h). Everything here is
// inline so that per-vertex loops pay no call.
#pragma once

#include <cmath>

#include "mat_round.h"
#include "os_types.h"

// Below this magnitude a value counts as negligible (the single-precision epsilon).
constexpr f32 MAT_EPSILON = 1.1920928955078125e-7f;
// Determinants at or below this magnitude count as singular (the double-precision epsilon).
constexpr f64 MAT_DET_EPSILON = 2.220446049250313e-16;

constexpr f64 MAT_PI_D = 3.141592653589793;
constexpr f64 MAT_TWO_PI_D = 6.283185307179586;
constexpr f32 MAT_PI = 3.1415927f;
constexpr f32 MAT_TWO_PI = 6.2831855f;

// Negligible in the sense of the angle and matrix code: |v| <= epsilon, and NaN counts as
// negligible too (the comparison is written so that it fails towards "tiny").
inline bool MAT_IsTiny(f32 _value) { return !(std::fabs(_value) > MAT_EPSILON); }

struct MAT_Vector3
{
    f32 x = 0.0f;
    f32 y = 0.0f;
    f32 z = 0.0f;

    constexpr MAT_Vector3() = default;
    constexpr MAT_Vector3(f32 _x, f32 _y, f32 _z) : x(_x), y(_y), z(_z) {}

    void Set(f32 _x, f32 _y, f32 _z)
    {
        x = _x;
        y = _y;
        z = _z;
    }
    void SetAll(f32 _value) { x = y = z = _value; }

    MAT_Vector3 operator+(const MAT_Vector3& _o) const { return {x + _o.x, y + _o.y, z + _o.z}; }
    MAT_Vector3 operator-(const MAT_Vector3& _o) const { return {x - _o.x, y - _o.y, z - _o.z}; }
    MAT_Vector3& Add(const MAT_Vector3& _o)
    {
        x += _o.x;
        y += _o.y;
        z += _o.z;
        return *this;
    }
    MAT_Vector3& operator+=(const MAT_Vector3& _o) { return Add(_o); }
    MAT_Vector3& operator-=(const MAT_Vector3& _o)
    {
        x -= _o.x;
        y -= _o.y;
        z -= _o.z;
        return *this;
    }
    MAT_Vector3 operator*(f32 _s) const { return {x * _s, y * _s, z * _s}; }
    MAT_Vector3& operator*=(f32 _s)
    {
        x *= _s;
        y *= _s;
        z *= _s;
        return *this;
    }
    // Multiplies by the reciprocal: one division, three products.
    MAT_Vector3 Divide(f32 _s) const { return *this * (1.0f / _s); }
    // (a * v.x, b * v.y, c * v.z): takes a point from a space of scaled units into the world.
    static MAT_Vector3 MulComponents(const MAT_Vector3& _v, f32 _a, f32 _b, f32 _c)
    {
        return {_a * _v.x, _b * _v.y, _c * _v.z};
    }
    MAT_Vector3 Negate() const { return {-x, -y, -z}; }
    MAT_Vector3 operator-() const { return Negate(); }

    f32 Dot(const MAT_Vector3& _o) const { return x * _o.x + y * _o.y + z * _o.z; }
    // this x other
    MAT_Vector3 Cross(const MAT_Vector3& _o) const
    {
        return {y * _o.z - z * _o.y, z * _o.x - x * _o.z, x * _o.y - y * _o.x};
    }
    f32 LengthSquared() const { return x * x + y * y + z * z; }
    f32 Length() const { return std::sqrt(LengthSquared()); }

    // In place; only a vector of squared length exactly 0 is left alone.
    void Normalize()
    {
        f32 lengthSquared = LengthSquared();
        if (lengthSquared == 0.0f)
            return;
        *this *= 1.0f / std::sqrt(lengthSquared);
    }
    // A copy; a vector of squared length at most epsilon comes back unchanged.
    MAT_Vector3 GetNormalized() const
    {
        f32 lengthSquared = LengthSquared();
        if (lengthSquared <= MAT_EPSILON)
            return *this;
        return *this * (1.0f / std::sqrt(lengthSquared));
    }

    bool operator==(const MAT_Vector3& _o) const = default;
};
static_assert(sizeof(MAT_Vector3) == 12, "MAT_Vector3 is three floats");

inline MAT_Vector3 operator*(f32 _s, const MAT_Vector3& _v) { return _v * _s; }

// _a <= _b gives (_a, _b), otherwise (_b, _a).
inline void MAT_MinMax(f32 _a, f32 _b, f32& _min, f32& _max)
{
    if (_a <= _b) {
        _min = _a;
        _max = _b;
    } else {
        _min = _b;
        _max = _a;
    }
}
inline f32 MAT_Max(f32 _a, f32 _b) { return _a >= _b ? _a : _b; }
inline u32 MAT_AddU32(u32 _a, u32 _b) { return _a + _b; }
