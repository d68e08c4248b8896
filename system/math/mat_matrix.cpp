// 3x3 rotations, rigid frames and 4x4 matrices.
#include "mat_matrix.h"

#include <cmath>
#include <utility>

namespace
{

// The sine and cosine FromAngles uses: a negligible angle is taken as exactly 0.
void TrimmedSinCos(const MAT_Angle& _a, f32& _sin, f32& _cos)
{
    if (MAT_IsTiny(_a.Get())) {
        _sin = 0.0f;
        _cos = 1.0f;
        return;
    }
    _sin = _a.Sin();
    _cos = _a.Cos();
}

}  // namespace

// ---- MAT_Matrix33 ----

void MAT_Matrix33::Zero()
{
    for (f32& element : m)
        element = 0.0f;
}

void MAT_Matrix33::SetDiagonal(f32 _s)
{
    Zero();
    m[0] = m[4] = m[8] = _s;
}

void MAT_Matrix33::SetFromRows(const MAT_Vector3& _x, const MAT_Vector3& _y, const MAT_Vector3& _z)
{
    SetAxis(0, _x);
    SetAxis(1, _y);
    SetAxis(2, _z);
}

MAT_Matrix33 MAT_Matrix33::Multiply(const MAT_Matrix33& _b) const
{
    MAT_Matrix33 result;
    for (s32 j = 0; j < 3; ++j)
        result.SetAxis(j, Transform(_b.GetAxis(j)));
    return result;
}

s32 MAT_Matrix33::Invert()
{
    // a[r][c] = element of row r, column c.
    auto a = [this](s32 _r, s32 _c) { return (f64)m[_c * 3 + _r]; };
    // Signed cofactor of (r, c) by the cyclic rule.
    auto cofactor = [&a](s32 _r, s32 _c) {
        s32 r1 = (_r + 1) % 3, r2 = (_r + 2) % 3, c1 = (_c + 1) % 3, c2 = (_c + 2) % 3;
        return a(r1, c1) * a(r2, c2) - a(r1, c2) * a(r2, c1);
    };
    f64 det = a(0, 0) * cofactor(0, 0) + a(0, 1) * cofactor(0, 1) + a(0, 2) * cofactor(0, 2);
    if (!(std::fabs(det) > MAT_DET_EPSILON))
        return 0;
    f32 inverse[9];
    for (s32 r = 0; r < 3; ++r)
        for (s32 c = 0; c < 3; ++c)
            inverse[c * 3 + r] = (f32)(cofactor(c, r) / det);
    for (s32 k = 0; k < 9; ++k)
        m[k] = inverse[k];
    return 1;
}

void MAT_Matrix33::Orthonormalize(s32 _keepUnit)
{
    f32 lengthX = GetX().Length(), lengthY = GetY().Length(), lengthZ = GetZ().Length();
    MAT_Vector3 a = GetX().Divide(lengthX), b = GetY().Divide(lengthY), c = GetZ().Divide(lengthZ);
    for (s32 round = 0; round < 8; ++round) {
        MAT_Vector3 x = a + b.Cross(c), y = b + c.Cross(a), z = c + a.Cross(b);
        x.Normalize();
        y.Normalize();
        z.Normalize();
        SetFromRows(x, y, z);
        if ((x - a).LengthSquared() < 1e-8f && (y - b).LengthSquared() < 1e-8f && (z - c).LengthSquared() < 1e-8f)
            break;
        a = x;
        b = y;
        c = z;
    }
    if (_keepUnit == 0)
        SetFromRows(GetX() * lengthX, GetY() * lengthY, GetZ() * lengthZ);
}

void MAT_Matrix33::FromAngles(const MAT_Angle& _heading, const MAT_Angle& _pitch, const MAT_Angle& _roll)
{
    f32 s1, c1, s2, c2, s3, c3;
    TrimmedSinCos(_heading, s1, c1);
    TrimmedSinCos(_pitch, s2, c2);
    TrimmedSinCos(_roll, s3, c3);
    m[0] = c3 * c1 - s3 * s1 * s2;
    m[1] = s3 * c1 * s2 + c3 * s1;
    m[2] = -s3 * c2;
    m[3] = -s1 * c2;
    m[4] = c1 * c2;
    m[5] = s2;
    m[6] = c3 * s1 * s2 + s3 * c1;
    m[7] = s3 * s1 - c3 * c1 * s2;
    m[8] = c3 * c2;
}

void MAT_Matrix33::FromAnglesFull(const MAT_Angle& _heading, const MAT_Angle& _pitch, const MAT_Angle& _roll)
{
    f32 s1 = _heading.Sin(), c1 = _heading.Cos();
    f32 s2 = _pitch.Sin(), c2 = _pitch.Cos();
    f32 s3 = _roll.Sin(), c3 = _roll.Cos();
    m[0] = s3 * s1 * s2 + c1 * c3;
    m[1] = c2 * s1;
    m[2] = c3 * s1 * s2 - c1 * s3;
    m[3] = c1 * s3 * s2 - c3 * s1;
    m[4] = c1 * c2;
    m[5] = c1 * c3 * s2 + s3 * s1;
    m[6] = c2 * s3;
    m[7] = -s2;
    m[8] = c3 * c2;
}

void MAT_Matrix33::GetAngles(MAT_Angle& _heading, MAT_Angle& _pitch, MAT_Angle& _roll) const
{
    f32 pitch = MAT_WrapAngle((f32)std::asin((f64)m[5]));
    f32 pitchCos = (f32)std::cos((f64)pitch);
    _pitch.SetWithSinCos(pitch, m[5], pitchCos);
    // Zero or not a number (|m[5]| pushed above 1 by rounding): straight up or down, where
    // heading and roll turn about the same axis, so the roll is taken as 0.
    if (!(pitchCos > 0.0f || pitchCos < 0.0f)) {
        _roll.SetWithSinCos(0.0f, 0.0f, 1.0f);
        _heading = (f32)std::atan2((f64)m[6], -(f64)m[7]);
        return;
    }
    _heading = (f32)std::atan2(-(f64)m[3], (f64)m[4]);
    _roll = (f32)std::atan2(-(f64)m[2], (f64)m[8]);
}

void MAT_Matrix33::RotateX(const MAT_Angle& _a)
{
    f32 s = _a.Sin(), c = _a.Cos();
    MAT_Vector3 y = GetY(), z = GetZ();
    SetAxis(1, y * c + z * s);
    SetAxis(2, z * c - y * s);
}

void MAT_Matrix33::RotateY(const MAT_Angle& _a)
{
    f32 s = _a.Sin(), c = _a.Cos();
    MAT_Vector3 x = GetX(), z = GetZ();
    SetAxis(0, x * c - z * s);
    SetAxis(2, x * s + z * c);
}

void MAT_Matrix33::RotateZ(const MAT_Angle& _a)
{
    f32 s = _a.Sin(), c = _a.Cos();
    MAT_Vector3 x = GetX(), y = GetY();
    SetAxis(0, x * c + y * s);
    SetAxis(1, y * c - x * s);
}

void MAT_Matrix33::FromAxisAngle(const MAT_Angle& _a, const MAT_Vector3& _axis)
{
    f32 n = _axis.LengthSquared();
    MAT_Vector3 u = _axis;
    if (n < 1e-6f)
        u.SetAll(0.0f);
    else if (!(std::fabs(n - 1.0f) <= 1e-6f))
        u = _axis.Divide(std::sqrt(n));
    f32 c = _a.Cos(), s = _a.Sin(), k = 1.0f - c;
    m[0] = k * u.x * u.x + c;
    m[1] = k * u.x * u.y + s * u.z;
    m[2] = k * u.x * u.z - s * u.y;
    m[3] = k * u.x * u.y - s * u.z;
    m[4] = k * u.y * u.y + c;
    m[5] = k * u.y * u.z + s * u.x;
    m[6] = k * u.x * u.z + s * u.y;
    m[7] = k * u.y * u.z - s * u.x;
    m[8] = k * u.z * u.z + c;
}

void MAT_Matrix33::FromQuaternion(const MAT_Quaternion& _q)
{
    f32 w = _q.w, x = _q.x, y = _q.y, z = _q.z;
    m[0] = w * w + x * x - y * y - z * z;
    m[1] = 2.0f * (x * y + w * z);
    m[2] = 2.0f * (x * z - w * y);
    m[3] = 2.0f * (x * y - w * z);
    m[4] = w * w - x * x + y * y - z * z;
    m[5] = 2.0f * (y * z + w * x);
    m[6] = 2.0f * (x * z + w * y);
    m[7] = 2.0f * (y * z - w * x);
    m[8] = w * w - x * x - y * y + z * z;
}

void MAT_Matrix33::ToQuaternion(MAT_Quaternion& _q) const
{
    // Start from the largest of 4w^2 - 1, 4x^2 - 1, 4y^2 - 1, 4z^2 - 1 so the division is safe.
    f32 d[4] = {m[0] + m[4] + m[8], m[0] - m[4] - m[8], m[4] - m[0] - m[8], m[8] - m[0] - m[4]};
    s32 i = d[1] > d[0] ? 1 : 0;
    if (d[2] > d[i])
        i = 2;
    if (d[3] > d[i])
        i = 3;
    f32 s = std::sqrt((d[i] + 1.0f) * 0.25f);
    f32 f = 0.25f / s;
    switch (i) {
    case 0:
        _q = MAT_Quaternion(s, (m[5] - m[7]) * f, (m[6] - m[2]) * f, (m[1] - m[3]) * f);
        break;
    case 1:
        _q = MAT_Quaternion((m[5] - m[7]) * f, s, (m[3] + m[1]) * f, (m[6] + m[2]) * f);
        break;
    case 2:
        _q = MAT_Quaternion((m[6] - m[2]) * f, (m[3] + m[1]) * f, s, (m[7] + m[5]) * f);
        break;
    default:
        _q = MAT_Quaternion((m[1] - m[3]) * f, (m[6] + m[2]) * f, (m[7] + m[5]) * f, s);
        break;
    }
}

void MAT_RotateByAngles(MAT_Vector3& _v, const MAT_Angle& _heading, const MAT_Angle& _pitch, const MAT_Angle& _roll)
{
    MAT_Matrix33 rotation;
    rotation.FromAngles(_heading, _pitch, _roll);
    MAT_Vector3 result;
    const f32 component[3] = {_v.x, _v.y, _v.z};
    for (s32 k = 0; k < 3; ++k)
        if (component[k] != 0.0f)
            result += rotation.GetAxis(k) * component[k];
    _v = result;
}

// ---- MAT_Matrix34 ----

void MAT_Matrix34::SetFromVectors(const MAT_Vector3& _t, const MAT_Vector3& _x, const MAT_Vector3& _y,
                                  const MAT_Vector3& _z)
{
    t = _t;
    r.SetFromRows(_x, _y, _z);
}

void MAT_Matrix34::SetPositionAngles(const MAT_Vector3& _t, const MAT_Angle& _heading, const MAT_Angle& _pitch,
                                     const MAT_Angle& _roll)
{
    t = _t;
    r.FromAngles(_heading, _pitch, _roll);
}

void MAT_Matrix34::LookAt(const MAT_Vector3& _position, const MAT_Vector3& _target, const MAT_Angle& _roll)
{
    MAT_Angle heading, pitch;
    MAT_GetHeadingPitchAngles(_target - _position, heading, pitch);
    t = _position;
    r.FromAngles(heading, pitch, _roll);
}

MAT_Matrix34 MAT_Matrix34::Compose(const MAT_Matrix34& _b) const
{
    MAT_Matrix34 result;
    result.t = TransformPoint(_b.t);
    result.r = r.Multiply(_b.r);
    return result;
}

MAT_Matrix34 MAT_Matrix34::InvertRigid() const
{
    MAT_Matrix34 result;
    result.r = r;
    result.r.Invert();
    result.t = result.r.Transform(t).Negate();
    return result;
}

// ---- MAT_Matrix44 ----

void MAT_Matrix44::SetDiagonal(f32 _s)
{
    for (f32& element : m)
        element = 0.0f;
    m[3] = m[4] = m[9] = m[14] = _s;
}

MAT_Matrix44 MAT_Matrix44::MultiplyFrame(const MAT_Matrix34& _frame) const
{
    MAT_Matrix44 result;
    const MAT_Vector3& p = _frame.t;
    for (s32 row = 0; row < 4; ++row) {
        result.m[row] = m[row] + m[4 + row] * p.x + m[8 + row] * p.y + m[12 + row] * p.z;
        for (s32 axis = 0; axis < 3; ++axis) {
            MAT_Vector3 a = _frame.r.GetAxis(axis);
            result.m[4 * (axis + 1) + row] = m[4 + row] * a.x + m[8 + row] * a.y + m[12 + row] * a.z;
        }
    }
    return result;
}

void MAT_Matrix44::SetProjection(f32 _left, f32 _right, f32 _bottom, f32 _top, f32 _near, f32 _far, f32 _scale,
                                 const MAT_Vector3& _p, const MAT_Vector3& _q)
{
    f32 hx = (_q.x - _p.x) * 0.5f, hy = (_q.y - _p.y) * 0.5f, hz = (_q.z - _p.z) * 0.5f;
    f32 cx = (_p.x + _q.x) * 0.5f, cy = (_p.y + _q.y) * 0.5f, cz = (_p.z + _q.z) * 0.5f;
    for (f32& element : m)
        element = 0.0f;
    m[2] = -2.0f * hy * _far * _scale / (_far - _near);
    m[4] = 2.0f * hx * _scale / (_right - _left);
    m[8] = ((_left + _right) * hx / (_right - _left) + cx) * _scale / _near;
    m[9] = ((_bottom + _top) * hz / (_top - _bottom) + cz) * _scale / _near;
    m[10] = ((_near + _far) * hy / (_far - _near) + cy) * _scale / _near;
    m[11] = _scale / _near;
    m[13] = 2.0f * hz * _scale / (_top - _bottom);
}

s32 MAT_Matrix44::Invert()
{
    // Work on a copy in the usual layout: a[row][column], columns X, Y, Z, translation, so a
    // failure leaves the matrix as it was.
    f32 a[4][4];
    for (s32 row = 0; row < 4; ++row)
        for (s32 column = 0; column < 4; ++column)
            a[row][column] = m[((column + 1) & 3) * 4 + row];

    s32 swapped[4] = {0, 1, 2, 3};
    for (s32 column = 0; column < 4; ++column) {
        // Scaled partial pivoting: the row whose element is largest against the rest of the
        // row still to be eliminated; the first row wins a tie.
        s32 pivotRow = -1;
        f32 best = 0.0f;
        for (s32 row = column; row < 4; ++row) {
            f32 sum = 0.0f;
            for (s32 k = column; k < 4; ++k)
                sum += std::fabs(a[row][k]);
            f32 ratio = sum > 0.0f ? std::fabs(a[row][column]) / sum : 0.0f;
            if (ratio > best) {
                best = ratio;
                pivotRow = row;
            }
        }
        // The last pivot is tested like the others: a matrix that is singular only there
        // would otherwise come back as infinities with success reported.
        if (pivotRow < 0)
            return 0;
        if (pivotRow != column)
            std::swap(a[pivotRow], a[column]);
        swapped[column] = pivotRow;

        f32 pivotInverse = 1.0f / a[column][column];
        if (!std::isfinite(pivotInverse))
            return 0;
        a[column][column] = 1.0f;
        for (s32 k = 0; k < 4; ++k)
            a[column][k] *= pivotInverse;
        for (s32 row = 0; row < 4; ++row) {
            if (row == column)
                continue;
            f32 factor = a[row][column];
            a[row][column] = 0.0f;
            for (s32 k = 0; k < 4; ++k)
                a[row][k] -= a[column][k] * factor;
        }
    }
    // Row exchanges of the input are column exchanges of the inverse, undone in reverse.
    for (s32 column = 3; column >= 0; --column)
        if (swapped[column] != column)
            for (s32 row = 0; row < 4; ++row)
                std::swap(a[row][swapped[column]], a[row][column]);

    for (s32 row = 0; row < 4; ++row)
        for (s32 column = 0; column < 4; ++column)
            if (!std::isfinite(a[row][column]))
                return 0;
    for (s32 row = 0; row < 4; ++row)
        for (s32 column = 0; column < 4; ++column)
            m[((column + 1) & 3) * 4 + row] = a[row][column];
    return 1;
}
