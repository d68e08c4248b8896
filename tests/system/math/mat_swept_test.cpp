#include <gtest/gtest.h>

#include <cmath>

#include "mat_fixture.h"
#include "mat_random.h"
#include "mat_swept.h"

namespace
{
MAT_Matrix34 Identity()
{
    MAT_Matrix34 f;
    f.r.SetDiagonal(1);
    return f;
}

MAT_Matrix34 Pose(const MAT_Vector3& _t, f32 _heading, f32 _pitch, f32 _roll)
{
    MAT_Matrix34 f;
    f.SetPositionAngles(_t, MAT_Angle(_heading), MAT_Angle(_pitch), MAT_Angle(_roll));
    return f;
}

// The segment between two points given in the box's own frame.
MAT_Segment LocalSegment(const MAT_Matrix34& _frame, const MAT_Vector3& _from, const MAT_Vector3& _to)
{
    MAT_Segment s;
    s.Set(_frame.TransformPoint(_from), _frame.TransformPoint(_to));
    return s;
}

f32 Handedness(const MAT_Matrix33& _r) { return _r.GetX().Cross(_r.GetY()).Dot(_r.GetZ()); }

struct SweptCase
{
    const char* name;
    MAT_Vector3 from;  // in the box's frame
    MAT_Vector3 to;
    f32 radius;
    s32 hit;
};

TEST(MatSweptTest, SphereBoxCountsOnlyLookAheadsThatPassThroughOrStartInside)
{
    const MAT_Vector3 half = {1, 1, 1};
    const SweptCase cases[] = {
        {"passes through", {-5, 0.2f, 0.1f}, {5, 0.3f, 0.1f}, 0, 1},
        {"ends inside after entering", {-5, 0.2f, 0.1f}, {0, 0.3f, 0.1f}, 0, 0},
        {"stops short of the box", {-5, 0.2f, 0.1f}, {-2, 0.3f, 0.1f}, 0, 0},
        {"box behind", {3, 0.2f, 0.1f}, {9, 0.3f, 0.1f}, 0, 0},
        {"passes beside", {-5, 2.5f, 0.1f}, {5, 2.7f, 0.1f}, 0, 0},
        {"beside, within the radius", {-5, 2.5f, 0.1f}, {5, 2.7f, 0.1f}, 2, 1},
        {"starts inside, leaves", {0.5f, 0, 0}, {0.5f, 0.1f, 10}, 0, 1},
        {"inside, look-ahead stays inside", {0, 0, 0}, {0.5f, 0.1f, 0}, 0, 0},
        {"axis-parallel beside: the slab counts as entered", {-5, 3, 0}, {5, 3, 0}, 0, 1},
    };
    const MAT_Matrix34 frames[2] = {Identity(), Pose({10, -20, 3}, 0.7f, 0.3f, -0.2f)};
    for (const MAT_Matrix34& frame : frames) {
        for (const SweptCase& c : cases) {
            const MAT_Segment segment = LocalSegment(frame, c.from, c.to);
            EXPECT_EQ(c.hit, MAT_SweptSphereBoxTest(segment, c.radius, frame, half)) << c.name;
        }
    }

    // Leaving the box exactly at the end of the look-ahead still counts (exit == length).
    EXPECT_EQ(1, MAT_SweptSphereBoxTest(LocalSegment(Identity(), {-5, 0, 0}, {1, 0, 0}), 0, Identity(), half));
    EXPECT_EQ(0, MAT_SweptSphereBoxTest(LocalSegment(Identity(), {-5, 0, 0}, {0.999f, 0, 0}), 0, Identity(), half));

    // The box's frame is honoured: a world segment passing 1.0 beside the centre meets the
    // box whose 2.0 half extent lies along world y, and misses across its 0.5 half extent.
    const MAT_Matrix34 turned = TST_QuarterTurnFrame();
    MAT_Segment segment;
    segment.Set({5, 21, 30.2f}, {15, 21, 30.2f});
    EXPECT_EQ(1, MAT_SweptSphereBoxTest(segment, 0, turned, {2, 0.5f, 1}));
    segment.Set({11, 15, 30.2f}, {11.2f, 25, 30.4f});
    EXPECT_EQ(0, MAT_SweptSphereBoxTest(segment, 0, turned, {2, 0.5f, 1}));
}

TEST(MatSweptTest, BoxTestInsideLeavesByTheNearestFace)
{
    const MAT_Matrix34 frame = TST_QuarterTurnFrame();
    const MAT_Segment segment = LocalSegment(frame, {0.8f, 0, 0}, {0.8f, 0.1f, 10});
    MAT_SweptResult result;
    ASSERT_EQ(1, MAT_SweptBoxTest(segment, 0, 1, frame, {1, 2, 3}, 0, result));
    EXPECT_EQ(1e15f, result.m_value);
    TST_ExpectNear({0, 1, 0}, result.m_direction, 1e-6f, "local +x in world");

    // The bias pushes each world component by its sign.
    ASSERT_EQ(1, MAT_SweptBoxTest(segment, 0, 1, frame, {1, 2, 3}, 0.5f, result));
    TST_ExpectNear(MAT_Vector3(-0.5f, 0.5f, -1.5f).GetNormalized(), result.m_direction, 1e-6f, "biased");

    // The radius inflates the box, so the nearest face is measured to the inflated one.
    const MAT_Segment low = LocalSegment(frame, {0, 0, -3.5f}, {0.1f, 0, 6});
    ASSERT_EQ(1, MAT_SweptBoxTest(low, 1, 1, frame, {2, 3, 3}, 0, result));
    TST_ExpectNear({0, 0, -1}, result.m_direction, 1e-6f, "floor");
}

TEST(MatSweptTest, BoxTestAheadSteersPastTheNearestSilhouetteEdge)
{
    const struct
    {
        const char* name;
        MAT_Matrix34 frame;
        MAT_Vector3 from;
        f32 radius;
        MAT_Vector3 half;
        f32 bias;
        f32 value;
        MAT_Vector3 direction;  // world
    } cases[] = {
        // Start 9 before the face y = -1, 0.5 below the top edge: value = scale * 0.5 / 9.
        {"top edge", Identity(), {0, -10, 0.5f}, 0, {1, 1, 1}, 0, 2 * 0.5f / 9, {0, 0, 1}},
        {"side edge, turned frame, inflated",
         TST_QuarterTurnFrame(),
         {0.6f, -10, 0},
         0.5f,
         {0.5f, 0.5f, 0.5f},
         0,
         2 * 0.4f / 9,
         {0, 1, 0}},
        // Biased, every edge's direction leans the same way; the top edge stays nearest along
        // its leaning direction.
        {"biased",
         Identity(),
         {0, -10, 0.5f},
         0,
         {1, 1, 1},
         0.5f,
         2 * 0.5f / (1.5f / std::sqrt(2.5f)) / 9,
         MAT_Vector3(-0.5f, 0, 1.5f).GetNormalized()},
    };
    for (const auto& c : cases) {
        const MAT_Vector3 to = {c.from.x, c.from.y + 20, c.from.z};
        const MAT_Segment segment = LocalSegment(c.frame, c.from, to);
        MAT_SweptResult result;
        ASSERT_EQ(1, MAT_SweptBoxTest(segment, c.radius, 2, c.frame, c.half, c.bias, result)) << c.name;
        EXPECT_NEAR(c.value, result.m_value, 1e-5f) << c.name;
        TST_ExpectNear(c.direction, result.m_direction, 1e-5f, c.name);
    }
}

TEST(MatSweptTest, BoxTestWithTheCornerPlaneBehindAndMisses)
{
    // Entering the face y = -1 just ahead while heading across: the corner plane lies behind.
    const MAT_Matrix34 frame = Identity();
    const MAT_Vector3 from = {0.9f, -1.001f, 0.9f};
    const MAT_Segment segment = LocalSegment(frame, from, from + MAT_Vector3(-0.9f, 1, -0.9f).GetNormalized() * 10);
    MAT_SweptResult result;
    ASSERT_EQ(1, MAT_SweptBoxTest(segment, 0, 2, frame, {1, 1, 1}, 0, result));
    EXPECT_EQ(1e20f, result.m_value);
    EXPECT_NEAR(1.0f, result.m_direction.Length(), 1e-6f);

    // A miss leaves the result alone.
    result.m_value = 7;
    result.m_direction = {1, 2, 3};
    const MAT_Segment short_ = LocalSegment(frame, {-5, 0.2f, 0.1f}, {0, 0.3f, 0.1f});
    EXPECT_EQ(0, MAT_SweptBoxTest(short_, 0, 2, frame, {1, 1, 1}, 0, result));
    EXPECT_EQ(7.0f, result.m_value);
    EXPECT_EQ(MAT_Vector3(1, 2, 3), result.m_direction);
}

TEST(MatSweptTest, MatchBoxAxesExchangesAndKeepsARotation)
{
    const MAT_Matrix34 a = Identity();
    MAT_Matrix34 b;
    b.r.SetAxis(0, {0, 1, 0});
    b.r.SetAxis(1, {-1, 0, 0});
    b.r.SetAxis(2, {0, 0, 1});
    MAT_Vector3 half = {2, 0.5f, 0.25f};
    MAT_MatchBoxAxes(a, b, half);
    // B's X goes to place Y (agreeing with A's Y); B's Y, turned, to place X. Only one axis
    // was turned, so Z stays as it is and B remains right-handed.
    TST_ExpectNear({1, 0, 0}, b.r.GetX(), 0, "X");
    TST_ExpectNear({0, 1, 0}, b.r.GetY(), 0, "Y");
    TST_ExpectNear({0, 0, 1}, b.r.GetZ(), 0, "Z");
    EXPECT_EQ(MAT_Vector3(0.5f, 2, 0.25f), half);

    // Random poses: whatever is exchanged or turned, B stays a rotation with the same box.
    MAT_Random random;
    for (s32 round = 0; round < 200; ++round) {
        auto angle = [&random] { return (f32)(random.Next() * MAT_RANDOM_SIGNED - 1.0) * 3.1f; };
        const MAT_Matrix34 pa = Pose({0, 0, 0}, angle(), angle() * 0.5f, angle());
        const MAT_Matrix34 pb0 = Pose({1, 2, 3}, angle(), angle() * 0.5f, angle());
        MAT_Matrix34 pb = pb0;
        MAT_Vector3 extents = {1, 2, 3};
        MAT_MatchBoxAxes(pa, pb, extents);
        EXPECT_NEAR(1.0f, Handedness(pb.r), 1e-5f) << round;
        const MAT_AABox before = {MAT_Vector3(-1, -2, -3), MAT_Vector3(1, 2, 3)};
        const MAT_AABox after = {-extents, extents};
        MAT_Vector3 c0[8];
        MAT_Vector3 c1[8];
        before.Transform(pb0, c0);
        after.Transform(pb, c1);
        for (const MAT_Vector3& p : c1) {
            f32 nearest = 1e9f;
            for (const MAT_Vector3& q : c0)
                nearest = std::fmin(nearest, (p - q).Length());
            EXPECT_LT(nearest, 1e-4f) << round;
        }
    }
}

void ExpectEncloses(const MAT_Matrix34& _frame, const MAT_Vector3& _half, const MAT_Matrix34& _box,
                    const MAT_Vector3& _boxHalf, const char* _what)
{
    const MAT_AABox local = {-_boxHalf, _boxHalf};
    MAT_Vector3 corners[8];
    local.Transform(_box, corners);
    for (const MAT_Vector3& c : corners) {
        const MAT_Vector3 p = _frame.InverseTransformPoint(c);
        EXPECT_LE(std::fabs(p.x), _half.x * 1.001f + 1e-4f) << _what;
        EXPECT_LE(std::fabs(p.y), _half.y * 1.001f + 1e-4f) << _what;
        EXPECT_LE(std::fabs(p.z), _half.z * 1.001f + 1e-4f) << _what;
    }
}

TEST(MatSweptTest, OrientedBoxEnclosesBothPoses)
{
    MAT_Matrix34 frame;
    MAT_Vector3 half;

    const MAT_Matrix34 pose = Pose({1, 2, 3}, 0.4f, -0.3f, 0.2f);
    MAT_SweptOrientedBoxTest(pose, {1, 2, 3}, pose, {1, 2, 3}, frame, half);
    TST_ExpectNear(pose.t, frame.t, 1e-5f, "same box: centre");
    for (s32 axis = 0; axis < 3; ++axis)
        TST_ExpectNear(pose.r.GetAxis(axis), frame.r.GetAxis(axis), 1e-3f, "same box: axis");
    TST_ExpectNear({1, 2, 3}, half, 1e-3f, "same box: extents");

    MAT_Matrix34 moved = Identity();
    moved.t = {4, 0, 0};
    MAT_SweptOrientedBoxTest(Identity(), {1, 1, 1}, moved, {1, 1, 1}, frame, half);
    TST_ExpectNear({2, 0, 0}, frame.t, 0, "moved: centre");
    TST_ExpectNear({3, 1, 1}, half, 1e-6f, "moved: extents");

    // B is A turned a quarter about z: after relabelling both share one rotation.
    MAT_Matrix34 quarter = Identity();
    quarter.r.SetAxis(0, {0, 1, 0});
    quarter.r.SetAxis(1, {-1, 0, 0});
    MAT_SweptOrientedBoxTest(Identity(), {2, 0.5f, 0.5f}, quarter, {2, 0.5f, 0.5f}, frame, half);
    TST_ExpectNear({1, 0, 0}, frame.r.GetX(), 1e-6f, "quarter: X");
    TST_ExpectNear({2, 2, 0.5f}, half, 1e-5f, "quarter: extents");

    // The output may be one of the inputs.
    MAT_Matrix34 a = Pose({0, 0, 0}, 0.1f, 0, 0);
    MAT_Vector3 aHalf = {1, 1, 1};
    const MAT_Matrix34 b = Pose({3, 1, 0}, 0.5f, 0.1f, 0);
    MAT_SweptOrientedBoxTest(a, aHalf, b, {2, 1, 1}, frame, half);
    MAT_SweptOrientedBoxTest(a, aHalf, b, {2, 1, 1}, a, aHalf);
    TST_ExpectNear(frame.t, a.t, 0, "aliased centre");
    TST_ExpectNear(half, aHalf, 0, "aliased extents");

    MAT_Random random;
    for (s32 round = 0; round < 200; ++round) {
        auto value = [&random](f32 _range) { return (f32)(random.Next() * MAT_RANDOM_SIGNED - 1.0) * _range; };
        const MAT_Matrix34 pa = Pose({value(5), value(5), value(5)}, value(3.1f), value(1.5f), value(3.1f));
        const MAT_Matrix34 pb = Pose({value(5), value(5), value(5)}, value(3.1f), value(1.5f), value(3.1f));
        const MAT_Vector3 ha = {1 + value(0.9f), 1 + value(0.9f), 1 + value(0.9f)};
        const MAT_Vector3 hb = {1 + value(0.9f), 1 + value(0.9f), 1 + value(0.9f)};
        MAT_SweptOrientedBoxTest(pa, ha, pb, hb, frame, half);
        EXPECT_NEAR(1.0f, Handedness(frame.r), 1e-3f) << round;
        ExpectEncloses(frame, half, pa, ha, "random A");
        ExpectEncloses(frame, half, pb, hb, "random B");
    }
}

// Two nearly equal half turns whose quaternions come out with opposite signs: their sum has
// no direction, and the box must still enclose both instead of collapsing.
TEST(MatSweptTest, OrientedBoxOfCancellingQuaternions)
{
    MAT_Matrix34 a = Identity();
    a.r.SetAxis(0, {0, -1, 0});
    a.r.SetAxis(1, {-1, 0, 0});
    a.r.SetAxis(2, {0, 0, -1});
    MAT_Matrix34 b = a;
    b.r.m[4] = 1e-6f;
    MAT_Quaternion qa;
    MAT_Quaternion qb;
    a.r.ToQuaternion(qa);
    b.r.ToQuaternion(qb);
    ASSERT_LE((qa + qb).LengthSquared(), MAT_EPSILON);

    MAT_Matrix34 frame;
    MAT_Vector3 half;
    MAT_SweptOrientedBoxTest(a, {1, 2, 3}, b, {1, 2, 3}, frame, half);
    ExpectEncloses(frame, half, a, {1, 2, 3}, "A");
    ExpectEncloses(frame, half, b, {1, 2, 3}, "B");
    EXPECT_NEAR(1.0f, std::fabs(Handedness(frame.r)), 1e-5f);
}
}  // namespace
