#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "mat_matrix.h"

namespace
{

constexpr f32 PI = 3.1415927f;

MAT_Angle Angle(f32 _radians)
{
    MAT_Angle angle;
    angle = _radians;
    return angle;
}

MAT_Matrix33 Identity33()
{
    MAT_Matrix33 m;
    m.SetDiagonal(1.0f);
    return m;
}

::testing::AssertionResult Near(const MAT_Vector3& _expected, const MAT_Vector3& _actual, f32 _tolerance = 1e-5f)
{
    if (std::fabs(_expected.x - _actual.x) <= _tolerance && std::fabs(_expected.y - _actual.y) <= _tolerance &&
        std::fabs(_expected.z - _actual.z) <= _tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected (" << _expected.x << ", " << _expected.y << ", " << _expected.z
                                         << ") got (" << _actual.x << ", " << _actual.y << ", " << _actual.z << ")";
}

template <int N>
::testing::AssertionResult NearElements(const f32 (&_expected)[N], const f32 (&_actual)[N], f32 _tolerance = 1e-5f)
{
    for (int k = 0; k < N; ++k)
        if (!(std::fabs(_expected[k] - _actual[k]) <= _tolerance))
            return ::testing::AssertionFailure()
                   << "element " << k << ": expected " << _expected[k] << " got " << _actual[k];
    return ::testing::AssertionSuccess();
}

struct Angles
{
    f32 h, p, r;
};
const Angles ANGLES[] = {
    {0.3f, 0.2f, 0.1f}, {-2.5f, 1.2f, -3.0f}, {3.1f, -1.5f, 0.7f}, {1.0f, -0.4f, 2.9f}, {-0.01f, 0.9f, -1.7f}};

TEST(MatMatrix33Test, AnglesFollowTheZUpConventions)
{
    MAT_Matrix33 m;
    m.FromAngles(Angle(0.0f), Angle(0.0f), Angle(0.0f));
    EXPECT_TRUE(NearElements(Identity33().m, m.m, 0.0f));

    // Heading turns +y towards -x, pitch raises +y towards +z, roll turns X about the forward Y.
    m.FromAngles(Angle(PI / 2), Angle(0.0f), Angle(0.0f));
    EXPECT_TRUE(Near({-1, 0, 0}, m.Transform({0, 1, 0})));
    m.FromAngles(Angle(0.0f), Angle(PI / 2), Angle(0.0f));
    EXPECT_TRUE(Near({0, 0, 1}, m.Transform({0, 1, 0})));
    m.FromAngles(Angle(0.0f), Angle(0.0f), Angle(PI / 2));
    EXPECT_TRUE(Near({0, 1, 0}, m.Transform({0, 1, 0})));
    EXPECT_TRUE(Near({0, 0, -1}, m.Transform({1, 0, 0})));

    // The Y axis is the direction whose heading and pitch built the matrix.
    for (const Angles& a : ANGLES) {
        m.FromAngles(Angle(a.h), Angle(a.p), Angle(a.r));
        f32 heading, pitch;
        MAT_GetHeadingPitch(m.GetY(), heading, pitch);
        EXPECT_NEAR(a.p, pitch, 1e-5f);
        EXPECT_NEAR(0.0f, MAT_WrapAngle(a.h - heading), 1e-5f);
    }
}

TEST(MatMatrix33Test, RotationOrderMatchesTheElementaryTurns)
{
    for (const Angles& a : ANGLES) {
        MAT_Angle h = Angle(a.h), p = Angle(a.p), r = Angle(a.r);
        MAT_Matrix33 built, turned = Identity33();
        built.FromAngles(h, p, r);
        turned.RotateZ(h);
        turned.RotateX(p);
        turned.RotateY(r);
        EXPECT_TRUE(NearElements(turned.m, built.m)) << a.h << " " << a.p << " " << a.r;

        MAT_Matrix33 full, reversed = Identity33();
        full.FromAnglesFull(h, p, r);
        reversed.RotateY(r);
        reversed.RotateX(p);
        reversed.RotateZ(h);
        EXPECT_TRUE(NearElements(reversed.m, full.m)) << a.h << " " << a.p << " " << a.r;

        // Products of rotations compose like the turns.
        MAT_Matrix33 heading, rest;
        heading.FromAngles(h, Angle(0.0f), Angle(0.0f));
        rest.FromAngles(Angle(0.0f), p, r);
        EXPECT_TRUE(NearElements(built.m, heading.Multiply(rest).m));

        MAT_Vector3 v(0.5f, -2.0f, 3.0f), rotated = v;
        MAT_RotateByAngles(rotated, h, p, r);
        EXPECT_TRUE(Near(built.Transform(v), rotated, 0.0f));
    }
}

TEST(MatMatrix33Test, NegligibleAnglesCountAsZeroOnlyInFromAngles)
{
    MAT_Angle tiny = Angle(1e-7f);  // assigned: keeps its sine
    ASSERT_EQ(1e-7f, tiny.Sin());
    MAT_Matrix33 m;
    m.FromAngles(tiny, tiny, tiny);
    EXPECT_TRUE(NearElements(Identity33().m, m.m, 0.0f));
    m.FromAnglesFull(tiny, Angle(0.0f), Angle(0.0f));
    EXPECT_EQ(1e-7f, m.m[1]);
}

TEST(MatMatrix33Test, GetAnglesInvertsFromAngles)
{
    for (const Angles& a : ANGLES) {
        MAT_Matrix33 m;
        m.FromAngles(Angle(a.h), Angle(a.p), Angle(a.r));
        MAT_Angle h, p, r;
        m.GetAngles(h, p, r);
        EXPECT_NEAR(0.0f, MAT_WrapAngle(a.h - h.Get()), 2e-4f) << a.h;
        EXPECT_NEAR(a.p, p.Get(), 2e-4f) << a.p;
        EXPECT_NEAR(0.0f, MAT_WrapAngle(a.r - r.Get()), 2e-4f) << a.r;
        EXPECT_EQ(m.m[5], p.Sin());
        EXPECT_FLOAT_EQ(std::cos(p.Get()), p.Cos());
        EXPECT_FLOAT_EQ(std::sin(h.Get()), h.Sin());
    }
}

TEST(MatMatrix33Test, GetAnglesStraightUpTakesHeadingFromZ)
{
    MAT_Matrix33 m;
    m.FromAngles(Angle(0.8f), Angle(PI / 2), Angle(0.0f));
    m.m[5] = 1.0000001f;  // rounding past 1: the pitch is not a number
    MAT_Angle h, p, r;
    m.GetAngles(h, p, r);
    EXPECT_EQ(0.0f, r.Get());
    EXPECT_EQ(0.0f, r.Sin());
    EXPECT_EQ(1.0f, r.Cos());
    EXPECT_EQ((f32)std::atan2((f64)m.m[6], -(f64)m.m[7]), h.Get());
    EXPECT_NEAR(0.8f, h.Get(), 1e-5f);
    EXPECT_TRUE(std::isnan(p.Get()));
    EXPECT_EQ(1.0000001f, p.Sin());
}

TEST(MatMatrix33Test, QuaternionConversionsRoundTrip)
{
    struct Case
    {
        MAT_Matrix33 matrix;
        MAT_Quaternion quaternion;
    };
    auto diagonal = [](f32 _x, f32 _y, f32 _z) {
        MAT_Matrix33 m;
        m.m[0] = _x;
        m.m[4] = _y;
        m.m[8] = _z;
        return m;
    };
    const Case known[] = {
        {diagonal(1, 1, 1), {1, 0, 0, 0}},
        {diagonal(1, -1, -1), {0, 1, 0, 0}},  // half turns about x, y, z
        {diagonal(-1, 1, -1), {0, 0, 1, 0}},
        {diagonal(-1, -1, 1), {0, 0, 0, 1}},
    };
    for (const Case& c : known) {
        MAT_Quaternion q;
        c.matrix.ToQuaternion(q);
        EXPECT_EQ(c.quaternion, q);
    }

    // Unit quaternions with each component in turn the largest, so every branch is taken.
    const MAT_Quaternion quaternions[] = {
        {0.9f, 0.1f, -0.3f, 0.2f}, {0.2f, -0.8f, 0.4f, 0.1f}, {-0.1f, 0.3f, 0.9f, -0.2f}, {0.3f, 0.1f, -0.2f, -0.9f}};
    for (MAT_Quaternion q : quaternions) {
        q.Normalize();
        MAT_Matrix33 m;
        m.FromQuaternion(q);
        MAT_Quaternion back;
        m.ToQuaternion(back);
        // q and -q are the same rotation.
        f32 sign = back.Dot(q) < 0.0f ? -1.0f : 1.0f;
        EXPECT_TRUE(
            NearElements<4>({q.w, q.x, q.y, q.z}, {sign * back.w, sign * back.x, sign * back.y, sign * back.z}, 1e-3f));
        // A unit quaternion gives a rotation.
        EXPECT_NEAR(1.0f, m.GetX().Cross(m.GetY()).Dot(m.GetZ()), 1e-3f);
    }
}

TEST(MatMatrix33Test, AxisAngleAgreesWithTheQuaternionOfTheSameTurn)
{
    const MAT_Vector3 axes[] = {{0, 0, 1}, {0, 0, 2}, {1, 1, 0}, {-0.3f, 0.5f, 0.8f}};
    for (const MAT_Vector3& axis : axes) {
        f32 angle = 1.1f;
        MAT_Vector3 unit = axis.GetNormalized();
        MAT_Matrix33 fromAxis, fromQuaternion;
        fromAxis.FromAxisAngle(Angle(angle), axis);
        fromQuaternion.FromQuaternion(MAT_Quaternion(std::cos(angle / 2), unit * std::sin(angle / 2)));
        EXPECT_TRUE(NearElements(fromQuaternion.m, fromAxis.m)) << axis.x << " " << axis.y << " " << axis.z;
    }
    // About +z the turn is a heading.
    MAT_Matrix33 m;
    m.FromAxisAngle(Angle(PI / 2), {0, 0, 1});
    EXPECT_TRUE(Near({-1, 0, 0}, m.Transform({0, 1, 0})));

    // No usable axis: cos(a) times the identity.
    m.FromAxisAngle(Angle(1.0f), {0, 0, 0});
    MAT_Matrix33 scaled;
    scaled.SetDiagonal(std::cos(1.0f));
    EXPECT_TRUE(NearElements(scaled.m, m.m, 1e-7f));
}

TEST(MatMatrix33Test, InvertRefusesSingularMatrices)
{
    MAT_Matrix33 m;
    m.FromAngles(Angle(0.4f), Angle(-0.2f), Angle(1.3f));
    m.SetAxis(0, m.GetX() * 2.0f);
    MAT_Matrix33 inverse = m;
    ASSERT_EQ(1, inverse.Invert());
    EXPECT_TRUE(NearElements(Identity33().m, m.Multiply(inverse).m));

    MAT_Matrix33 flat;
    flat.m[0] = 1e-6f;
    flat.m[4] = 1e-6f;
    flat.m[8] = 1e-5f;  // determinant 1e-17
    MAT_Matrix33 nan = Identity33();
    nan.m[4] = std::numeric_limits<f32>::quiet_NaN();
    MAT_Matrix33 rank2 = Identity33();
    rank2.SetAxis(2, {1, 1, 0});
    for (const MAT_Matrix33& singular : {flat, nan, rank2}) {
        MAT_Matrix33 copy = singular;
        EXPECT_EQ(0, copy.Invert());
        EXPECT_EQ(0, std::memcmp(singular.m, copy.m, sizeof(copy.m)));
    }
}

TEST(MatMatrix33Test, OrthonormalizeStraightensAxes)
{
    MAT_Matrix33 rotation;
    rotation.FromAngles(Angle(0.7f), Angle(0.3f), Angle(-0.2f));
    MAT_Matrix33 m = rotation;
    m.Orthonormalize(1);
    EXPECT_TRUE(NearElements(rotation.m, m.m, 1e-6f));

    MAT_Matrix33 skewed;
    skewed.SetFromRows({2, 0.1f, 0}, {0.2f, 3, 0.1f}, {0, -0.1f, 0.5f});
    m = skewed;
    m.Orthonormalize(1);
    EXPECT_NEAR(1.0f, m.GetX().Length(), 1e-5f);
    EXPECT_NEAR(1.0f, m.GetY().Length(), 1e-5f);
    EXPECT_NEAR(0.0f, m.GetX().Dot(m.GetY()), 1e-4f);
    EXPECT_NEAR(0.0f, m.GetY().Dot(m.GetZ()), 1e-4f);
    EXPECT_NEAR(1.0f, m.GetX().Cross(m.GetY()).Dot(m.GetZ()), 1e-4f);

    MAT_Matrix33 kept = skewed;
    kept.Orthonormalize(0);
    EXPECT_NEAR(skewed.GetX().Length(), kept.GetX().Length(), 1e-5f);
    EXPECT_NEAR(skewed.GetY().Length(), kept.GetY().Length(), 1e-5f);
    EXPECT_NEAR(skewed.GetZ().Length(), kept.GetZ().Length(), 1e-5f);
    EXPECT_TRUE(Near(m.GetY(), kept.GetY().GetNormalized()));
}

TEST(MatMatrix34Test, FramesComposeAndInvert)
{
    MAT_Matrix34 a, b;
    a.SetPositionAngles({1, 2, 3}, Angle(0.5f), Angle(-0.3f), Angle(1.0f));
    b.SetPositionAngles({-4, 0.5f, 2}, Angle(-2.0f), Angle(0.8f), Angle(0.2f));
    const MAT_Vector3 p(0.7f, -1.5f, 2.5f);

    EXPECT_TRUE(Near(a.TransformPoint(b.TransformPoint(p)), a.Compose(b).TransformPoint(p)));
    EXPECT_TRUE(Near(p, a.InverseTransformPoint(a.TransformPoint(p))));
    EXPECT_TRUE(Near(p, a.InverseRotate(a.RotateVector(p))));
    EXPECT_TRUE(Near(a.RotateVector(p) + a.t, a.TransformPoint(p), 0.0f));

    MAT_Transform inverse = a.InvertRigid();
    EXPECT_TRUE(Near(p, inverse.TransformPoint(a.TransformPoint(p))));
    MAT_Matrix34 identity = a.Compose(inverse);
    EXPECT_TRUE(Near({0, 0, 0}, identity.t));
    EXPECT_TRUE(NearElements(Identity33().m, identity.r.m));

    // A singular rotation stays as it was; the translation still uses it.
    MAT_Matrix34 flat;
    flat.SetFromVectors({1, 2, 3}, {1, 0, 0}, {1, 0, 0}, {0, 0, 1});
    MAT_Matrix34 flatInverse = flat.InvertRigid();
    EXPECT_EQ(0, std::memcmp(flat.r.m, flatInverse.r.m, sizeof(flat.r.m)));
    EXPECT_TRUE(Near(flat.RotateVector(flat.t).Negate(), flatInverse.t, 0.0f));
}

TEST(MatMatrix34Test, LookAtPointsTheForwardAxisAtTheTarget)
{
    MAT_Matrix34 frame;
    const MAT_Vector3 position(1, 1, 1), target(-3, 4, 2);
    frame.LookAt(position, target, Angle(0.0f));
    EXPECT_TRUE(Near((target - position).GetNormalized(), frame.r.GetY()));
    EXPECT_NEAR(0.0f, frame.r.GetX().z, 1e-6f);  // no roll: X stays level
    EXPECT_TRUE(Near(position, frame.t, 0.0f));

    frame.LookAt(position, position, Angle(0.0f));  // no direction: looks along +y
    EXPECT_TRUE(NearElements(Identity33().m, frame.r.m, 0.0f));
}

// Row r, column c of the usual layout (columns X, Y, Z, translation).
f32 At(const MAT_Matrix44& _m, int _row, int _column) { return _m.m[((_column + 1) & 3) * 4 + _row]; }

MAT_Matrix44 Product(const MAT_Matrix44& _a, const MAT_Matrix44& _b)
{
    MAT_Matrix44 result;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            f32 sum = 0.0f;
            for (int k = 0; k < 4; ++k)
                sum += At(_a, r, k) * At(_b, k, c);
            result.m[((c + 1) & 3) * 4 + r] = sum;
        }
    return result;
}

MAT_Matrix44 Identity44()
{
    MAT_Matrix44 m;
    m.SetDiagonal(1.0f);
    return m;
}

MAT_Matrix44 Projection()
{
    MAT_Matrix44 m;
    m.SetProjection(-1, 1, -0.75000185f, 0.75000185f, 1, 1000, 1, {-1, 0, -1}, {1, 1, 1});
    return m;
}

TEST(MatMatrix44Test, ProjectionMapsTheViewVolumeIntoTheBox)
{
    const MAT_Matrix44 m = Projection();
    struct Case
    {
        MAT_Vector3 view;
        MAT_Vector3 projected;  // (x, depth, height) after the divide by w
    };
    const Case cases[] = {
        {{0, 1, 0}, {0, 0, 0}},              // near plane: depth 0
        {{0, 1000, 0}, {0, 1, 0}},           // far plane: depth 1
        {{-1, 1, 0.75000185f}, {-1, 0, 1}},  // left top corner of the near plane
        {{500, 500, -375.000925f}, {1, 1000.0f / 999.0f * (1.0f - 1.0f / 500.0f), -1}},
    };
    for (const Case& c : cases) {
        f32 out[4];
        for (int row = 0; row < 4; ++row)
            out[row] = m.m[row] + m.m[4 + row] * c.view.x + m.m[8 + row] * c.view.y + m.m[12 + row] * c.view.z;
        EXPECT_FLOAT_EQ(c.view.y, out[3]);
        // Output x is horizontal, y the height, z the depth.
        EXPECT_TRUE(Near({c.projected.x, c.projected.z, c.projected.y},
                         {out[0] / out[3], out[1] / out[3], out[2] / out[3]}, 1e-5f));
    }
}

TEST(MatMatrix44Test, FrameProductMatchesTheFullProduct)
{
    MAT_Matrix34 frame;
    frame.SetPositionAngles({3, -2, 5}, Angle(0.4f), Angle(0.1f), Angle(-0.6f));
    MAT_Matrix44 asMatrix;
    for (int axis = 0; axis < 3; ++axis) {
        MAT_Vector3 a = frame.r.GetAxis(axis);
        asMatrix.m[4 * (axis + 1)] = a.x;
        asMatrix.m[4 * (axis + 1) + 1] = a.y;
        asMatrix.m[4 * (axis + 1) + 2] = a.z;
    }
    asMatrix.m[0] = frame.t.x;
    asMatrix.m[1] = frame.t.y;
    asMatrix.m[2] = frame.t.z;
    asMatrix.m[3] = 1.0f;
    EXPECT_TRUE(NearElements(Product(Projection(), asMatrix).m, Projection().MultiplyFrame(frame).m, 1e-4f));
    EXPECT_TRUE(NearElements(asMatrix.m, Identity44().MultiplyFrame(frame).m, 0.0f));
}

TEST(MatMatrix44Test, InvertGivesTheInverse)
{
    MAT_Matrix34 frame;
    frame.SetPositionAngles({3, -2, 5}, Angle(0.4f), Angle(0.1f), Angle(-0.6f));
    MAT_Matrix44 permuted;  // zeros on the diagonal: needs row exchanges
    const f32 elements[16] = {0, 0, 3, 1, 0, 2, 0, 0, 1, 0, 0, 4, 0, 5, 1, 0};
    std::memcpy(permuted.m, elements, sizeof(elements));
    const MAT_Matrix44 matrices[] = {Identity44(), Projection(), Projection().MultiplyFrame(frame), permuted};
    for (const MAT_Matrix44& m : matrices) {
        MAT_Matrix44 inverse = m;
        ASSERT_EQ(1, inverse.Invert());
        EXPECT_TRUE(NearElements(Identity44().m, Product(m, inverse).m, 1e-4f));
        EXPECT_TRUE(NearElements(Identity44().m, Product(inverse, m).m, 1e-4f));
    }
}

TEST(MatMatrix44Test, InvertRefusesSingularMatricesAndKeepsThem)
{
    MAT_Matrix44 zero;
    MAT_Matrix44 noW = Identity44();  // the w row is empty: singular only at the last pivot
    noW.m[3] = 0.0f;
    MAT_Matrix44 dependent = Identity44();  // translation column = X + Y, w row empty
    dependent.m[0] = 1.0f;
    dependent.m[1] = 1.0f;
    dependent.m[3] = 0.0f;
    MAT_Matrix44 nearly = Identity44();  // a last pivot whose reciprocal overflows
    nearly.m[3] = 1e-39f;
    MAT_Matrix44 nan = Identity44();
    nan.m[9] = std::numeric_limits<f32>::quiet_NaN();
    MAT_Matrix44 firstColumnEmpty = Identity44();
    firstColumnEmpty.m[4] = 0.0f;
    for (const MAT_Matrix44& singular : {zero, noW, dependent, nearly, nan, firstColumnEmpty}) {
        MAT_Matrix44 copy = singular;
        EXPECT_EQ(0, copy.Invert());
        EXPECT_EQ(0, std::memcmp(singular.m, copy.m, sizeof(copy.m)));
    }
}

}  // namespace
