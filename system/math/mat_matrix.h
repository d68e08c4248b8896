// 3x3 rotations, rigid 3x4 frames and 4x4 projection matrices.
//
// MAT_Matrix33 holds three axis columns X, Y, Z (element k is row k % 3 of column k / 3);
// applied to v it gives X*v.x + Y*v.y + Z*v.z. MAT_Matrix34 is {t, X, Y, Z}: a point maps to
// t + R*p, a direction to R*v. MAT_Matrix44 holds four columns (translation, X, Y, Z), each
// (x, y, z, w), so its identity has 1 at elements 3, 4, 9 and 14. Rotations from angles are
// Rz(heading) * Rx(pitch) * Ry(roll), z up, so the Y axis is the forward direction.
// Inversions report a singular matrix by returning 0; they never divide by a zero pivot.
#pragma once

#include "mat_angle.h"
#include "mat_quaternion.h"
#include "mat_vector.h"

class MAT_Matrix33
{
public:
    f32 m[9] = {};

    MAT_Vector3 GetAxis(s32 _index) const { return {m[_index * 3], m[_index * 3 + 1], m[_index * 3 + 2]}; }
    MAT_Vector3 GetX() const { return GetAxis(0); }
    MAT_Vector3 GetY() const { return GetAxis(1); }
    MAT_Vector3 GetZ() const { return GetAxis(2); }
    void SetAxis(s32 _index, const MAT_Vector3& _v)
    {
        m[_index * 3] = _v.x;
        m[_index * 3 + 1] = _v.y;
        m[_index * 3 + 2] = _v.z;
    }

    void Zero();
    // _s on the diagonal (1 gives the identity).
    void SetDiagonal(f32 _s);
    // The three vectors become the axes X, Y, Z.
    void SetFromRows(const MAT_Vector3& _x, const MAT_Vector3& _y, const MAT_Vector3& _z);

    MAT_Vector3 Transform(const MAT_Vector3& _v) const
    {
        return {m[0] * _v.x + m[3] * _v.y + m[6] * _v.z, m[1] * _v.x + m[4] * _v.y + m[7] * _v.z,
                m[2] * _v.x + m[5] * _v.y + m[8] * _v.z};
    }
    // The transpose applied: (X.v, Y.v, Z.v).
    MAT_Vector3 TransformTransposed(const MAT_Vector3& _v) const
    {
        return {m[0] * _v.x + m[1] * _v.y + m[2] * _v.z, m[3] * _v.x + m[4] * _v.y + m[5] * _v.z,
                m[6] * _v.x + m[7] * _v.y + m[8] * _v.z};
    }
    // this * B: column j of the result is this applied to column j of B.
    MAT_Matrix33 Multiply(const MAT_Matrix33& _b) const;

    // In place; returns 0 and leaves the matrix unchanged when |det| <= 2.22e-16 (or NaN).
    s32 Invert();
    // Iterates a, b, c towards an orthonormal frame (at most 8 rounds); keepUnit 0 restores
    // the original axis lengths afterwards.
    void Orthonormalize(s32 _keepUnit);

    // R = Rz(h) * Rx(p) * Ry(r); a negligible angle counts as sine 0, cosine 1.
    void FromAngles(const MAT_Angle& _heading, const MAT_Angle& _pitch, const MAT_Angle& _roll);
    // R = Ry(r) * Rx(p) * Rz(h), with no negligible-angle rule.
    void FromAnglesFull(const MAT_Angle& _heading, const MAT_Angle& _pitch, const MAT_Angle& _roll);
    // Inverse of FromAngles. When rounding has pushed |m[5]| above 1 the pitch is not a number,
    // the roll is 0 and the heading comes from the Z axis.
    void GetAngles(MAT_Angle& _heading, MAT_Angle& _pitch, MAT_Angle& _roll) const;

    // Turns about the matrix's own axes: this = this * Rx(a), this * Ry(a), this * Rz(a).
    void RotateX(const MAT_Angle& _a);
    void RotateY(const MAT_Angle& _a);
    void RotateZ(const MAT_Angle& _a);

    // Rotation by the angle's cached sine and cosine about the axis; an axis shorter than
    // 1e-3 gives cos(a) times the identity.
    void FromAxisAngle(const MAT_Angle& _a, const MAT_Vector3& _axis);
    // No normalisation of q.
    void FromQuaternion(const MAT_Quaternion& _q);
    void ToQuaternion(MAT_Quaternion& _q) const;
};
static_assert(sizeof(MAT_Matrix33) == 36, "MAT_Matrix33 is nine floats");

class MAT_Matrix34
{
public:
    MAT_Vector3 t;
    MAT_Matrix33 r;

    void SetFromVectors(const MAT_Vector3& _t, const MAT_Vector3& _x, const MAT_Vector3& _y, const MAT_Vector3& _z);
    void SetPositionAngles(const MAT_Vector3& _t, const MAT_Angle& _heading, const MAT_Angle& _pitch,
                           const MAT_Angle& _roll);
    // Stands at the position looking at the target (heading and pitch snapped like
    // MAT_GetHeadingPitchAngles), turned by the roll.
    void LookAt(const MAT_Vector3& _position, const MAT_Vector3& _target, const MAT_Angle& _roll);
    // this * B: B's origin mapped as a point, B's axes rotated.
    MAT_Matrix34 Compose(const MAT_Matrix34& _b) const;

    MAT_Vector3 TransformPoint(const MAT_Vector3& _p) const { return t + r.Transform(_p); }
    MAT_Vector3 RotateVector(const MAT_Vector3& _v) const { return r.Transform(_v); }
    MAT_Vector3 InverseRotate(const MAT_Vector3& _v) const { return r.TransformTransposed(_v); }
    MAT_Vector3 InverseTransformPoint(const MAT_Vector3& _p) const { return r.TransformTransposed(_p - t); }
    // The inverse frame: the rotation inverted with MAT_Matrix33::Invert (kept as it is when
    // singular), translation = -(inverse rotation * t).
    MAT_Matrix34 InvertRigid() const;
};
static_assert(sizeof(MAT_Matrix34) == 48, "MAT_Matrix34 is twelve floats");

// The frame type under the name its inverse is known by.
typedef MAT_Matrix34 MAT_Transform;

class MAT_Matrix44
{
public:
    f32 m[16] = {};

    // _s at elements 3, 4, 9 and 14.
    void SetDiagonal(f32 _s);
    // This applied after the frame F, as a 4x4 matrix.
    MAT_Matrix44 MultiplyFrame(const MAT_Matrix34& _frame) const;
    // Maps view space (x right, y depth, z up) between the planes l, r, b, t, n, f into the box
    // from P to Q, all scaled by s: x from view x, y from view z, z the depth, w = s * y / n.
    void SetProjection(f32 _left, f32 _right, f32 _bottom, f32 _top, f32 _near, f32 _far, f32 _scale,
                       const MAT_Vector3& _p, const MAT_Vector3& _q);
    // Gauss-Jordan with scaled partial pivoting. Returns 0 and leaves the matrix unchanged when
    // any of the four pivots is zero or its reciprocal is not finite.
    s32 Invert();
};
static_assert(sizeof(MAT_Matrix44) == 64, "MAT_Matrix44 is sixteen floats");
