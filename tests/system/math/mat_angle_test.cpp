#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "mat_angle.h"

namespace
{

constexpr f32 NOT_A_NUMBER = std::numeric_limits<f32>::quiet_NaN();

TEST(MatAngleTest, WrapMapsIntoMinusPiToPi)
{
    struct Case
    {
        f32 angle;
        f32 wrapped;
    };
    const Case cases[] = {
        {0.0f, 0.0f},
        {1.0f, 1.0f},
        {-3.0f, -3.0f},
        {3.1415927f, -3.1415927f},  // pi itself goes to -pi
        {-3.1415927f, -3.1415927f},
        {7.0f, 7.0f - 6.2831855f},   // 0.71681...
        {-7.0f, 6.2831855f - 7.0f},  // -0.71681...
        {6.2831855f, 0.0f},
        {4.0f, 4.0f - 6.2831855f},
        {-4.0f, 6.2831855f - 4.0f},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.wrapped, MAT_WrapAngle(c.angle)) << c.angle;
    EXPECT_NEAR(0.71681, MAT_WrapAngle(7.0f), 1e-5);
    EXPECT_TRUE(std::isnan(MAT_WrapAngle(NOT_A_NUMBER)));
}

TEST(MatAngleTest, WrapKeepsTheDirectionOfLargeAngles)
{
    for (f32 angle : {12.5f, -12.5f, 100.0f, 1000.5f, -31415.9f, 123456.7f, 2.5e6f}) {
        f32 wrapped = MAT_WrapAngle(angle);
        EXPECT_GE(wrapped, -3.1415927f) << angle;
        EXPECT_LT(wrapped, 3.1415927f) << angle;
        // The same direction, apart from the turns counted with the float 2 pi (2.8e-8 short
        // of the true turn, relatively).
        f64 tolerance = std::fabs((f64)angle) * 3e-8 + 1e-6;
        EXPECT_NEAR(std::sin((f64)angle), std::sin((f64)wrapped), tolerance) << angle;
        EXPECT_NEAR(std::cos((f64)angle), std::cos((f64)wrapped), tolerance) << angle;
    }
}

TEST(MatAngleTest, WrapOfHugeAnglesStaysInRange)
{
    // Turn counts beyond what a float (or a 32-bit integer) counts exactly.
    const f32 huge[] = {3e7f, -1e9f, 1.35e10f, -1e20f, 3.4028235e38f, -3.4028235e38f};
    for (f32 angle : huge) {
        f32 wrapped = MAT_WrapAngle(angle);
        EXPECT_GE(wrapped, -3.1415927f) << angle;
        EXPECT_LT(wrapped, 3.1415927f) << angle;
        // The exact remainder modulo the float 2 pi.
        f64 remainder = std::fmod((f64)angle, (f64)6.2831855f);
        EXPECT_NEAR(0.0, std::sin(((f64)wrapped - remainder) / 2.0), 1e-6) << angle;
    }
}

// The float 2 pi in units of 2^-21; the float pi is half of it.
constexpr u64 TURN_UNITS = 13176795;

// The wrap of _angle (|_angle| >= 4) worked out in integers. From 4 up a float is a whole
// number of 2^-21 units, and so is the float 2 pi, so the remainder is a whole number of units
// below 2^24: a float itself. Wrapping therefore needs no rounding at all when the remainder
// is formed exactly.
f32 ExactWrap(f32 _angle)
{
    s32 exponent = 0;
    const f32 fraction = std::frexp(std::fabs(_angle), &exponent);  // |angle| = fraction x 2^exponent
    // |angle| = mantissa x 2^(exponent - 24) = mantissa x 2^(exponent - 3) units.
    u64 units = (u64)std::ldexp(fraction, 24) % TURN_UNITS;
    for (s32 i = 3; i < exponent; ++i)
        units = units * 2 % TURN_UNITS;
    s64 remainder = (s64)(_angle < 0 ? (TURN_UNITS - units) % TURN_UNITS : units);
    if (2 * remainder >= (s64)TURN_UNITS)  // at or past pi
        remainder -= (s64)TURN_UNITS;
    return std::ldexp((f32)remainder, -21);
}

// The same wrap evaluated in float alone: the turns times 2 pi are rounded before the subtraction.
f32 SinglePrecisionWrap(f32 _angle)
{
    const f32 turns = std::floor(_angle / 6.2831855f);
    const f32 whole = turns * 6.2831855f;
    f32 wrapped = _angle - whole;
    if (wrapped >= 3.1415927f)
        wrapped -= 6.2831855f;
    return wrapped;
}

TEST(MatAngleTest, WrapIsTheExactRemainderRoundedOnce)
{
    ASSERT_EQ(6.2831855f, std::ldexp((f32)TURN_UNITS, -21));
    struct Case
    {
        const char* what;
        f32 angle;
        f64 singlePrecisionError;  // at least this far off when evaluated in float alone
    };
    const Case cases[] = {
        {"under three turns", 15.0f, 0.0},
        {"95 turns", 598.0f, 2.5e-5},
        {"96 turns back", -598.0f, 1e-5},
        {"beyond any turn count", 1e20f, 0.0},
        {"the largest float, negative", -3.4028235e38f, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const f32 expected = ExactWrap(c.angle);
        EXPECT_GE(expected, -3.1415927f);
        EXPECT_LT(expected, 3.1415927f);
        EXPECT_EQ(expected, MAT_WrapAngle(c.angle)) << c.angle;
        if (c.singlePrecisionError > 0.0) {
            EXPECT_GE(std::fabs((f64)SinglePrecisionWrap(c.angle) - (f64)expected), c.singlePrecisionError);
        }
    }
    // Worked out by hand: 15 x 2^21 - 2 x 13176795 = 5103690 units.
    EXPECT_EQ(std::ldexp(5103690.0f, -21), MAT_WrapAngle(15.0f));
}

TEST(MatAngleTest, SetSnapsTinyValuesAssignmentDoesNot)
{
    MAT_Angle angle;
    for (f32 tiny : {1e-8f, -1e-8f, 1.1920929e-7f, -1.1920929e-7f, 0.0f, NOT_A_NUMBER}) {
        angle = 1.0f;
        angle.Set(tiny);
        EXPECT_EQ(0.0f, angle.Get()) << tiny;
        EXPECT_EQ(0.0f, angle.Sin()) << tiny;
        EXPECT_EQ(1.0f, angle.Cos()) << tiny;
    }
    angle.Set(2.4e-7f);
    EXPECT_EQ(2.4e-7f, angle.Get());

    angle = 1e-8f;
    EXPECT_EQ(1e-8f, angle.Get());
    EXPECT_EQ(1e-8f, angle.Sin());
    EXPECT_EQ(1.0f, angle.Cos());

    angle = 3.5f;
    EXPECT_EQ(3.5f - 6.2831855f, angle.Get());
    // Sine and cosine of the stored value (the float 2 pi is not quite a turn).
    EXPECT_FLOAT_EQ(std::sin(angle.Get()), angle.Sin());
    EXPECT_FLOAT_EQ(std::cos(angle.Get()), angle.Cos());

    angle = 3.0f;
    angle += 0.5f;
    EXPECT_EQ(3.5f - 6.2831855f, angle.Get());
    angle = 0.25f;
    angle += -0.25f;  // adds, never snaps: exactly 0 with sine 0, cosine 1
    EXPECT_EQ(0.0f, angle.Get());
    EXPECT_EQ(1.0f, angle.Cos());

    MAT_Angle fresh;
    EXPECT_EQ(0.0f, fresh.Get());
    EXPECT_EQ(1.0f, fresh.Cos());
}

TEST(MatAngleTest, HeadingAndPitchOfDirections)
{
    struct Case
    {
        MAT_Vector3 v;
        f32 heading;
        f32 pitch;
    };
    const f32 pi = 3.1415927f;
    const Case cases[] = {
        {{0, 1, 0}, 0.0f, 0.0f},     // heading 0 looks along +y
        {{-1, 0, 0}, pi / 2, 0.0f},  // positive heading turns towards -x
        {{1, 0, 0}, -pi / 2, 0.0f},   {{-1, 1, 0}, pi / 4, 0.0f},
        {{0, -1, 0}, -pi, 0.0f},       // atan2(-0, -1): the -x of a +0 is -0
        {{-1e-30f, -1, 0}, pi, 0.0f},  // unwrapped in the float form
        {{0, 0, 1}, 0.0f, pi / 2},     // positive pitch raises towards +z
        {{0, 3, -3}, 0.0f, -pi / 4},  {{1, 1, std::sqrt(2.0f)}, -pi / 4, pi / 4},
    };
    for (const Case& c : cases) {
        f32 heading, pitch;
        MAT_GetHeadingPitch(c.v, heading, pitch);
        EXPECT_FLOAT_EQ(c.heading, heading) << c.v.x << " " << c.v.y << " " << c.v.z;
        EXPECT_FLOAT_EQ(c.pitch, pitch) << c.v.x << " " << c.v.y << " " << c.v.z;
        EXPECT_EQ(heading, MAT_GetHeading(c.v));
        EXPECT_EQ(pitch, MAT_GetPitch(c.v));
    }

    MAT_Angle heading, pitch;
    MAT_GetHeadingPitchAngles({-1e-30f, -1, 0}, heading, pitch);
    EXPECT_EQ(-pi, heading.Get());  // the angle form wraps
    MAT_GetHeadingPitchAngles({0, 0, 0}, heading, pitch);
    EXPECT_EQ(0.0f, heading.Get());
    EXPECT_EQ(1.0f, heading.Cos());
    EXPECT_EQ(0.0f, pitch.Get());
    EXPECT_EQ(1.0f, pitch.Cos());
    MAT_GetHeadingAngle({-2, 0, 5}, heading);
    EXPECT_FLOAT_EQ(pi / 2, heading.Get());
    EXPECT_FLOAT_EQ(1.0f, heading.Sin());
}

}  // namespace
