#include <gtest/gtest.h>

#include <cmath>

#include "mat_quaternion.h"

namespace
{

::testing::AssertionResult Near(const MAT_Quaternion& _expected, const MAT_Quaternion& _actual, f32 _tolerance = 1e-4f)
{
    if (std::fabs(_expected.w - _actual.w) <= _tolerance && std::fabs(_expected.x - _actual.x) <= _tolerance &&
        std::fabs(_expected.y - _actual.y) <= _tolerance && std::fabs(_expected.z - _actual.z) <= _tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected (" << _expected.w << ", " << _expected.x << ", " << _expected.y
                                         << ", " << _expected.z << ") got (" << _actual.w << ", " << _actual.x << ", "
                                         << _actual.y << ", " << _actual.z << ")";
}

// A turn about z by the angle.
MAT_Quaternion AboutZ(f32 _angle) { return {std::cos(_angle / 2), 0, 0, std::sin(_angle / 2)}; }

const f32 HALF = 0.70710678f;

TEST(MatQuaternionTest, BlendModesChooseTheirDirection)
{
    struct Case
    {
        MAT_Quaternion b;
        s32 mode;
        MAT_Quaternion expected;
    };
    const MAT_Quaternion a(1, 0, 0, 0);
    const Case cases[] = {
        {{0, 1, 0, 0}, 2, {HALF, HALF, 0, 0}},
        {{0, 1, 0, 0}, 0, {HALF, -HALF, 0, 0}},
        {{0, 1, 0, 0}, 1, {HALF, HALF, 0, 0}},                        // equal distances: the plain sum
        {{-HALF, HALF, 0, 0}, 1, {0.92387953f, -0.38268343f, 0, 0}},  // the short way
        {{-1, 0, 0, 0}, 1, {1, 0, 0, 0}},                             // q and -q: q, not zero
        {{-1, 0, 0, 0}, 2, {0, 0, 0, 0}},                             // the plain sum cancels; too short to normalise
    };
    for (const Case& c : cases) {
        MAT_Quaternion r;
        r.Blend(a, c.b, 0.5f, c.mode);
        EXPECT_TRUE(Near(c.expected, r)) << "mode " << c.mode;
    }

    // Any other mode keeps what the receiver held (normalised).
    MAT_Quaternion kept(0, 0, 3, 4);
    kept.Blend(a, {0, 1, 0, 0}, 0.5f, 7);
    EXPECT_TRUE(Near({0, 0, 0.6f, 0.8f}, kept));
}

TEST(MatQuaternionTest, SlerpFollowsTheGreatCircle)
{
    const MAT_Quaternion a = AboutZ(0.2f), b = AboutZ(1.4f);
    for (f32 t : {0.0f, 0.25f, 0.5f, 1.0f}) {
        MAT_Quaternion r;
        r.Slerp(a, b, t, 2);
        EXPECT_TRUE(Near(AboutZ(0.2f + 1.2f * t), r)) << t;
        // Mode 1 takes the short way whatever sign b has.
        r.Slerp(a, -b, t, 1);
        EXPECT_TRUE(Near(AboutZ(0.2f + 1.2f * t), r)) << t;
        // Mode 0 goes to -b.
        r.Slerp(a, -b, t, 0);
        EXPECT_TRUE(Near(AboutZ(0.2f + 1.2f * t), r)) << t;
    }
    // Nearly equal ends blend linearly.
    MAT_Quaternion r;
    r.Slerp(a, AboutZ(0.2f + 1e-4f), 0.5f, 1);
    EXPECT_TRUE(Near(AboutZ(0.2f + 5e-5f), r, 1e-6f));
}

TEST(MatQuaternionTest, SlerpBetweenOppositeEndsTurnsThroughAPerpendicular)
{
    const MAT_Quaternion a(0.5f, 0.5f, -0.5f, 0.5f);
    const MAT_Quaternion perpendicular(a.z, -a.y, a.x, -a.w);
    ASSERT_EQ(0.0f, a.Dot(perpendicular));
    for (f32 t : {0.0f, 0.3f, 0.5f, 1.0f}) {
        MAT_Quaternion r;
        r.Slerp(a, -a, t, 2);
        EXPECT_NEAR(1.0f, r.LengthSquared(), 1e-4f) << t;
        EXPECT_NEAR(std::cos(t * 1.5707963f), r.Dot(a), 1e-4f) << t;
        EXPECT_NEAR(std::sin(t * 1.5707963f), r.Dot(perpendicular), 1e-4f) << t;
    }
}

TEST(MatQuaternionTest, WeightedSumAlignsHemispheres)
{
    const MAT_Quaternion q1 = AboutZ(0.3f), q2 = AboutZ(0.5f), q3 = AboutZ(0.1f), q4 = AboutZ(0.9f);
    MAT_Quaternion r;
    r.WeightedSum4(q1, 1, q2, 0, q3, 0, q4, 0);
    EXPECT_TRUE(Near(q1, r));
    // Flipping any input's sign does not change the blend.
    MAT_Quaternion plain, flipped;
    plain.WeightedSum4(q1, 0.4f, q2, 0.3f, q3, 0.2f, q4, 0.1f);
    flipped.WeightedSum4(q1, 0.4f, -q2, 0.3f, q3, 0.2f, -q4, 0.1f);
    EXPECT_TRUE(Near(plain, flipped, 1e-6f));
    EXPECT_NEAR(1.0f, plain.LengthSquared(), 1e-3f);
    // Equal weights of two turns give the halfway turn.
    r.WeightedSum4(q1, 0.5f, -q2, 0.5f, q3, 0, q4, 0);
    EXPECT_TRUE(Near(AboutZ(0.4f), r));
}

TEST(MatQuaternionTest, NormalizeLeavesNearZeroAlone)
{
    MAT_Quaternion tiny(1e-4f, 0, 2e-4f, 0);
    MAT_Quaternion copy = tiny;
    copy.Normalize();
    EXPECT_EQ(tiny, copy);
    MAT_Quaternion q(0, 3, 0, 4);
    q.Normalize();
    EXPECT_TRUE(Near({0, 0.6f, 0, 0.8f}, q));
    EXPECT_EQ(MAT_Quaternion(2, 1, 2, 3), MAT_Quaternion(2, MAT_Vector3(1, 2, 3)));
}

}  // namespace
