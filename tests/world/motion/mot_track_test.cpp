#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "mot_jerksegment.h"
#include "mot_track.h"

namespace
{

MOT_StateSample Sample(f32 _time, f32 _value, f32 _rate = 0.0f)
{
    MOT_StateSample sample;
    sample.value = {_value, 0.0f, 0.0f};
    sample.derivative = {_rate, 0.0f, 0.0f};
    sample.time = _time;
    return sample;
}

// Times of the live samples from oldest to newest, walked both ways so broken links show.
std::vector<f32> Times(const MOT_StateSampleList& _list)
{
    std::vector<f32> forward, backward;
    for (const MOT_StateSample* s = _list.GetOldest(); s != nullptr; s = s->next)
        forward.push_back(s->time);
    for (const MOT_StateSample* s = _list.GetNewest(); s != nullptr; s = s->previous)
        backward.insert(backward.begin(), s->time);
    EXPECT_EQ(forward, backward);
    EXPECT_EQ(forward.size(), (size_t)_list.GetCount());
    return forward;
}

TEST(MotStateSampleListTest, MergesWithinEpsilonOfTheNewest)
{
    MOT_StateSampleList list;
    list.Record(Sample(1.0f, 5.0f));
    list.Record(Sample(1.0f + 1e-7f, 7.0f));
    EXPECT_EQ(1u, list.GetCount());
    EXPECT_EQ(7.0f, list.GetNewest()->value.x);
    // Just beyond the tolerance a second sample is added.
    list.Record(Sample(1.0f + 3e-7f, 8.0f));
    EXPECT_EQ(2u, list.GetCount());
}

TEST(MotStateSampleListTest, AFifthSampleReusesTheOldest)
{
    MOT_StateSampleList list;
    for (s32 i = 0; i < 4; ++i)
        list.Record(Sample((f32)i, (f32)i));
    const MOT_StateSample* oldest = list.GetOldest();
    list.Record(Sample(4.0f, 4.0f));
    EXPECT_EQ((std::vector<f32>{1, 2, 3, 4}), Times(list));
    EXPECT_EQ(oldest, list.GetNewest());
    list.Record(Sample(5.0f, 5.0f));
    EXPECT_EQ((std::vector<f32>{2, 3, 4, 5}), Times(list));
}

TEST(MotStateSampleListTest, ClearReturnsEverySampleToThePool)
{
    MOT_StateSampleList list;
    for (s32 i = 0; i < 3; ++i)
        list.Record(Sample((f32)i, 0.0f));
    list.Clear();
    EXPECT_EQ(0u, list.GetCount());
    EXPECT_EQ(nullptr, list.GetOldest());
    // Four fresh samples fit without reuse: the pool got all three back.
    for (s32 i = 0; i < 4; ++i)
        list.Record(Sample(10.0f + (f32)i, 0.0f));
    EXPECT_EQ((std::vector<f32>{10, 11, 12, 13}), Times(list));
}

struct Between
{
    f32 rate0, rate1, t, value, velocity;
};

TEST(MotStateSampleListTest, InterpolatesOnTheCubicOrLinearlyWhenAtRest)
{
    const Between cases[] = {
        {1.0f, 1.0f, 0.25f, 0.25f, 1.0f},           // the cubic reduces to a line
        {0.0f, 0.0f, 0.25f, 0.25f, 1.0f},           // both at rest: linear, not 0.15625
        {0.0f, 0.5f, 0.25f, 0.1328125f, 0.96875f},  // j = -9, a = 5
        {0.0f, 0.5f, 0.9999999f, 1.0f, 0.5f},       // meets the end sample
    };
    for (const Between& c : cases) {
        MOT_StateSampleList list;
        list.Record(Sample(0.0f, 0.0f, c.rate0));
        list.Record(Sample(1.0f, 1.0f, c.rate1));
        MOT_StateSample out;
        list.Evaluate(c.t, out);
        EXPECT_NEAR(c.value, out.value.x, 1e-6f) << c.rate0 << " " << c.rate1 << " at " << c.t;
        EXPECT_NEAR(c.velocity, out.derivative.x, 1e-5f) << c.rate0 << " " << c.rate1 << " at " << c.t;
        EXPECT_EQ(c.t, out.time);
    }
}

TEST(MotStateSampleListTest, PicksTheNeighbouringPairAndExtrapolatesBothWays)
{
    MOT_StateSampleList list;
    list.Record(Sample(0.0f, 0.0f, 0.0f));
    list.Record(Sample(1.0f, 10.0f, 0.0f));
    list.Record(Sample(2.0f, 30.0f, 4.0f));
    list.Record(Sample(3.0f, 30.0f, 2.0f));
    MOT_StateSample out;
    list.Evaluate(1.5f, out);  // between 10 (rest) and 30 (rate 4): cubic
    MOT_JerkSegment3 segment;
    const f32 p0[3] = {10, 0, 0}, s0[3] = {0, 0, 0}, p1[3] = {30, 0, 0}, s1[3] = {4, 0, 0};
    ASSERT_TRUE(segment.Fit(1.0f, p0, s0, 2.0f, p1, s1));
    MOT_JerkState3 expected;
    segment.Evaluate(1.5f, expected);
    EXPECT_EQ(expected.value[0], out.value.x);
    list.Evaluate(2.0f, out);
    EXPECT_EQ(30.0f, out.value.x);
    list.Evaluate(3.1f, out);
    EXPECT_NEAR(30.2f, out.value.x, 1e-5f);
    EXPECT_EQ(2.0f, out.derivative.x);
    list.Evaluate(-0.5f, out);
    EXPECT_EQ(0.0f, out.value.x);  // oldest at rest: stays
}

TEST(MotJerkSegment3Test, FitsMeetTheEndAndRejectCoincidentTimes)
{
    MOT_JerkSegment3 segment;
    const f32 p0[3] = {0, 1, -2}, s0[3] = {0, 2, 1}, p1[3] = {1, -1, 3}, s1[3] = {0.5f, 0, -1};
    ASSERT_TRUE(segment.Fit(0.0f, p0, s0, 1.0f, p1, s1));
    EXPECT_EQ(-9.0f, segment.axes[0].j);
    EXPECT_EQ(5.0f, segment.axes[0].a);
    MOT_JerkState3 end;
    ASSERT_TRUE(segment.Evaluate(1.0f, end));
    for (s32 i = 0; i < 3; ++i) {
        EXPECT_NEAR(p1[i], end.value[i], 1e-5f) << i;
        EXPECT_NEAR(s1[i], end.velocity[i], 1e-5f) << i;
    }
    MOT_JerkSegment3 untouched = segment;
    EXPECT_FALSE(segment.FitAxis(1, 2.0f, 0, 0, 2.0f + 1e-7f, 1, 1));
    EXPECT_FALSE(segment.FitLinear(2.0f, p0, 2.0f, p1));
    EXPECT_EQ(untouched.axes[1].j, segment.axes[1].j);
    segment.Clear();
    EXPECT_FALSE(segment.Evaluate(0.5f, end));
}

TEST(MotJerkSegment3Test, FromStateStoresTheStateOneSecondOn)
{
    MOT_JerkSegment3 segment;
    const f32 p[3] = {1, 2, 3}, s[3] = {1, 0, -1}, a[3] = {2, 4, 0}, j[3] = {6, 0, 12};
    segment.FromState(5.0f, p, s, a, j);
    MOT_JerkState3 later;
    ASSERT_TRUE(segment.Evaluate(6.0f, later));
    for (s32 i = 0; i < 3; ++i) {
        EXPECT_EQ(6.0f, segment.axes[i].t1);
        EXPECT_NEAR(segment.axes[i].p1, later.value[i], 1e-5f);
        EXPECT_NEAR(segment.axes[i].s1, later.velocity[i], 1e-5f);
        EXPECT_NEAR(segment.axes[i].endAcceleration, later.acceleration[i], 1e-5f);
    }
    EXPECT_EQ(4.0f, segment.axes[0].p1);  // 1 + 1 + 2/2 + 6/6
}

TEST(MotPositionTrackTest, CachesWithinEpsilonAndRecordsAsTheCache)
{
    MOT_PositionTrack track;
    EXPECT_EQ(-1.0f, track.GetCacheTime());
    track.Restart(0.0f, {0, 0, 0}, {1, 0, 0});
    track.SetState(1.0f, {1, 2, 3}, {1, -1, 0});
    MAT_Vector3 rate;
    EXPECT_EQ((MAT_Vector3{1, 2, 3}), *track.GetAt(1.0f, &rate));
    EXPECT_EQ((MAT_Vector3{1, -1, 0}), rate);

    const MAT_Vector3 at = *track.GetAt(0.5f, &rate);
    // Within the tolerance the cached value comes back, though the curve has moved on.
    EXPECT_EQ(at, *track.GetAt(0.5f + 5e-8f, nullptr));
    EXPECT_NE(at, *track.GetAt(0.5f + 1e-3f, nullptr));

    track.Restart(2.0f, {9, 9, 9}, {0, 0, 0});
    EXPECT_EQ(1u, track.GetList().GetCount());
    EXPECT_EQ((MAT_Vector3{9, 9, 9}), *track.GetAt(0.0f, nullptr));  // no history across a jump
}

TEST(MotPositionTrackTest, ExtrapolatesLinearlyBeyondBothEnds)
{
    MOT_PositionTrack track;
    track.Restart(1.0f, {1, 1, 1}, {2, 0, -1});
    track.SetState(2.0f, {3, 1, 0}, {4, 1, 0});
    EXPECT_NEAR(3.4f, track.GetAt(2.1f, nullptr)->x, 1e-5f);
    EXPECT_NEAR(1.1f, track.GetAt(2.1f, nullptr)->y, 1e-5f);
    const MAT_Vector3 before = *track.GetAt(0.9f, nullptr);
    EXPECT_NEAR(0.8f, before.x, 1e-5f);
    EXPECT_NEAR(1.1f, before.z, 1e-5f);
}

MAT_Matrix33 Turned(f32 _heading)
{
    MAT_Matrix33 m;
    MAT_Angle h(_heading), zero;
    m.FromAngles(h, zero, zero);
    return m;
}

TEST(MotOrientationTrackTest, InterpolatesAxesLinearlyAndKeepsTheEndsConstant)
{
    MOT_OrientationTrack track;
    const MAT_Matrix33 a = Turned(0.0f), b = Turned(1.0f);
    track.Restart(0.0f, a, MAT_Matrix33());
    track.SetState(1.0f, b, MAT_Matrix33());
    const MAT_Matrix33 mid = *track.GetAt(0.25f);
    for (s32 k = 0; k < 9; ++k)
        EXPECT_NEAR(a.m[k] + (b.m[k] - a.m[k]) * 0.25f, mid.m[k], 1e-6f) << k;
    EXPECT_NEAR(b.m[0] - a.m[0], track.GetRates().m[0], 1e-5f);
    const MAT_Matrix33 after = *track.GetAt(3.0f);
    for (s32 k = 0; k < 9; ++k)
        EXPECT_NEAR(b.m[k], after.m[k], 1e-6f) << k;
}

TEST(MotOrientationTrackTest, ForwardsModeAndParameterToItsAxes)
{
    MOT_TransformTrack track;
    const f32 record[26] = {};
    track.SetParameter(record);
    EXPECT_EQ(record, track.GetPositionTrack().GetParameter());
    EXPECT_EQ(record + 13, track.GetOrientationTrack().GetAxisTrack(2).GetParameter());
    EXPECT_EQ(1, track.EnsureMode());
    EXPECT_EQ(1, track.GetOrientationTrack().GetAxisTrack(0).GetMode());
    track.LeaveMode1();
    EXPECT_EQ(0, track.GetPositionTrack().GetMode());
}

::testing::AssertionResult IsOrthonormal(const MAT_Matrix33& _m)
{
    for (s32 i = 0; i < 3; ++i)
        for (s32 k = 0; k < 3; ++k) {
            const f32 dot = _m.GetAxis(i).Dot(_m.GetAxis(k));
            if (std::fabs(dot - (i == k ? 1.0f : 0.0f)) > 1e-5f)
                return ::testing::AssertionFailure() << "axes " << i << "," << k << " dot " << dot;
        }
    return ::testing::AssertionSuccess();
}

TEST(MotTransformTrackTest, GivesAnOrthonormalFrameBetweenSamples)
{
    MOT_TransformTrack track;
    MAT_Matrix34 a, b;
    a.r = Turned(0.0f);
    b.r = Turned(1.5f);
    b.t = {4, 0, 0};
    track.SetTransform(0.0f, a, {0, 0, 0});
    track.SetState(1.0f, b, {0, 0, 0});
    MAT_Vector3 velocity(7, 7, 7);
    const MAT_Matrix34 mid = *track.GetAt(0.5f, &velocity);
    EXPECT_TRUE(IsOrthonormal(mid.r));
    // The plain average of the two rotations is far from unit length; the heading is halved.
    EXPECT_NEAR(0.75f, MAT_GetHeading(mid.r.GetY()), 1e-5f);
    EXPECT_NEAR(2.0f, mid.t.x, 1e-6f);
    EXPECT_NEAR(4.0f, velocity.x, 1e-5f);
}

TEST(MotTransformTrackTest, CachesByExactTimeAndWritesNoVelocityToNull)
{
    MOT_TransformTrack track;
    MAT_Matrix34 a;
    a.r.SetDiagonal(1.0f);
    track.SetTransform(0.0f, a, {1, 0, 0});
    EXPECT_EQ(0.0f, track.GetCacheTime());
    // Recording makes the state the cache: no evaluation, the velocity given comes back.
    MAT_Matrix34 b = a;
    b.t = {2, 0, 0};
    track.SetState(1.0f, b, {3, 0, 0}, 1);
    MAT_Vector3 velocity;
    EXPECT_EQ(2.0f, track.GetAt(1.0f, &velocity)->t.x);
    EXPECT_EQ(3.0f, velocity.x);
    // The transform cache is exact, unlike the position cache beneath it: a time 5e-8 away
    // re-reads the position track, which still answers from its own cache.
    track.GetAt(0.5f, nullptr);
    track.GetAt(0.5f + 5e-8f, nullptr);
    EXPECT_EQ(0.5f + 5e-8f, track.GetCacheTime());
    EXPECT_EQ(0.5f, track.GetPositionTrack().GetCacheTime());
}

}  // namespace
