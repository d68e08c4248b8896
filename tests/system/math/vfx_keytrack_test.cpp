#include <gtest/gtest.h>

#include <type_traits>
#include <utility>

#include "mat_interpolator.h"
#include "test_dir.h"
#include "vfx_keytrack.h"

static_assert(std::is_same_v<MAT_Interpolator_Linear_Scalar, VFX_KeyTrack>, "one curve record under two names");

namespace
{

// Keys 0, 10, 20, ... over [_start, _start + _length].
VFX_KeyTrack Ramp(s32 _count, f32 _start, f32 _length, u32 _flags)
{
    VFX_KeyTrack track(_count);
    for (s32 i = 0; i < _count; ++i)
        track.GetKeys()[i] = 10.0f * (f32)i;
    track.SetTiming(_start, _length, _flags);
    return track;
}

struct LocateCase
{
    s32 count;
    u32 flags;
    f32 t;
    s32 index;
    f32 fraction;
};

TEST(VfxKeyTrackTest, LocatesIndexAndFraction)
{
    const LocateCase cases[] = {
        {5, VFX_KeyTrack::FLAG_CLAMP, 0.3f, 1, 0.2f},   // inside
        {5, VFX_KeyTrack::FLAG_CLAMP, -1.0f, 0, 0.0f},  // before the start: first key
        {5, VFX_KeyTrack::FLAG_CLAMP, 0.0f, 0, 0.0f},   // at the start
        {5, VFX_KeyTrack::FLAG_CLAMP, 2.0f, 3, 1.0f},   // beyond the end: last key
        {5, VFX_KeyTrack::FLAG_CLAMP, 1.0f, 3, 1.0f},   // at the end
        {4, VFX_KeyTrack::FLAG_CLAMP, 7.0f, 2, 1.0f},   // 4 keys beyond the length
        {5, 0, 1.3f, 1, 0.2f},                          // repeats with the length
        {5, 0, -0.7f, 1, 0.2f},                         // and below the start
        {5, 0, 0.5f, 2, 0.0f},                          // exactly on a key
    };
    for (const LocateCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "count " << c.count << " flags " << c.flags << " t " << c.t);
        const VFX_KeyTrack track = Ramp(c.count, 0.0f, 1.0f, c.flags);
        s32 index = -9;
        f32 fraction = -9.0f;
        track.Locate(c.t, index, fraction);
        EXPECT_EQ(c.index, index);
        EXPECT_NEAR(c.fraction, fraction, 1e-5f);
    }
}

TEST(VfxKeyTrackTest, EvaluatesEndsAndRepetition)
{
    const VFX_KeyTrack clamped = Ramp(5, 2.0f, 4.0f, VFX_KeyTrack::FLAG_CLAMP);
    EXPECT_FLOAT_EQ(0.0f, clamped.Evaluate(1.0f));
    EXPECT_FLOAT_EQ(40.0f, clamped.Evaluate(100.0f));
    EXPECT_NEAR(15.0f, clamped.Evaluate(2.0f + 1.5f), 1e-4f);

    const VFX_KeyTrack repeating = Ramp(5, 2.0f, 4.0f, 0);
    for (f32 x : {0.0f, 0.3f, 1.7f, 3.9f}) {
        SCOPED_TRACE(x);
        const f32 once = repeating.Evaluate(2.0f + x);
        EXPECT_NEAR(once, repeating.Evaluate(2.0f + 4.0f + x), 1e-3f);
        EXPECT_NEAR(once, repeating.Evaluate(2.0f - 4.0f + x), 1e-3f);
        EXPECT_NEAR(once, repeating.Evaluate(2.0f + 12.0f + x), 1e-3f);
    }
}

// Rounding can put the position on the last key or before the first; the index must stay on
// a segment that exists (under the sanitizer a read past the keys would stop the test).
TEST(VfxKeyTrackTest, IndexStaysWithinTheKeys)
{
    // 0.99999994 * 2 = 1.99999988, which the floor by rounding takes to 2 = count - 1.
    const VFX_KeyTrack three = Ramp(3, 0.0f, 1.0f, 0);
    s32 index = -9;
    f32 fraction = -9.0f;
    three.Locate(0.99999994f, index, fraction);
    EXPECT_EQ(1, index);
    EXPECT_FLOAT_EQ(1.0f, fraction);
    EXPECT_FLOAT_EQ(20.0f, three.Evaluate(0.99999994f));

    // Just below the start, the wrap lands exactly on the length.
    const VFX_KeyTrack five = Ramp(5, 0.0f, 1.0f, 0);
    five.Locate(-1e-9f, index, fraction);
    EXPECT_EQ(3, index);
    EXPECT_FLOAT_EQ(1.0f, fraction);
    EXPECT_FLOAT_EQ(40.0f, five.Evaluate(-1e-9f));

    // Interpolating with an index from a longer curve reads the nearer end.
    EXPECT_FLOAT_EQ(40.0f, five.Interpolate(7, 0.5f));
    EXPECT_FLOAT_EQ(0.0f, five.Interpolate(-3, 0.5f));
}

TEST(VfxKeyTrackTest, ShortCurves)
{
    const VFX_KeyTrack empty;
    EXPECT_EQ(0, empty.GetCount());
    EXPECT_EQ(nullptr, empty.GetKeys());
    s32 index = -9;
    f32 fraction = -9.0f;
    empty.Locate(5.0f, index, fraction);
    EXPECT_EQ(0, index);
    EXPECT_FLOAT_EQ(0.0f, empty.Evaluate(5.0f));
    EXPECT_FLOAT_EQ(0.0f, empty.Interpolate(0, 0.5f));

    for (u32 flags : {0u, (u32)VFX_KeyTrack::FLAG_CLAMP}) {
        SCOPED_TRACE(flags);
        VFX_KeyTrack one(1);
        one.Fill(7.0f);
        one.SetTiming(0.0f, 1.0f, flags);
        for (f32 t : {-3.0f, 0.0f, 0.5f, 1.0f, 9.0f}) {
            one.Locate(t, index, fraction);
            EXPECT_EQ(0, index);
            EXPECT_FLOAT_EQ(7.0f, one.Evaluate(t));
        }
    }
}

TEST(VfxKeyTrackTest, AllocatesZeroKeysAndMoves)
{
    VFX_KeyTrack track(16);
    ASSERT_EQ(16, track.GetCount());
    for (s32 i = 0; i < 16; ++i)
        EXPECT_EQ(0.0f, track.GetKeys()[i]);
    track.SetTiming(0.0f, 1.0f, VFX_KeyTrack::FLAG_CLAMP);
    EXPECT_FLOAT_EQ(15.0f, track.GetKeysPerUnit());
    EXPECT_FLOAT_EQ(1.0f, track.GetInverseLength());
    track.Fill(0.25f);
    EXPECT_FLOAT_EQ(0.25f, track.Evaluate(0.5f));

    // Reallocation replaces the keys and clears the clamp flag.
    track.Allocate(4);
    EXPECT_EQ(4, track.GetCount());
    EXPECT_EQ(0.0f, track.GetKeys()[3]);
    EXPECT_EQ(0u, track.GetFlags() & VFX_KeyTrack::FLAG_CLAMP);

    VFX_KeyTrack moved(std::move(track));
    EXPECT_EQ(4, moved.GetCount());
    EXPECT_EQ(0, track.GetCount());
    EXPECT_EQ(nullptr, track.GetKeys());
    track = std::move(moved);
    EXPECT_EQ(4, track.GetCount());
}

TEST(VfxKeyTrackTest, RefusesCountsItCannotHold)
{
    TST_TempDir dir;  // the fatal path writes its log line here
    const char* caption = "MAT_Interpolator_Linear_Scalar::MAT_Interpolator_Linear_Scalar()";
    EXPECT_FATAL(MAT_Interpolator_Linear_Scalar curve(0), caption, "minimum 2 scalars are needed for interpolation.");
    EXPECT_FATAL(VFX_KeyTrack curve(-4), caption, "minimum 2 scalars are needed for interpolation.");
    EXPECT_FATAL(VFX_KeyTrack curve(0x7FFFFFFF), caption, "no more memory to allocate scalar array.");
}

}  // namespace
