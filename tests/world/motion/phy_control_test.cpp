#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "mot_motionstate.h"
#include "phy_control.h"
#include "sim_clock.h"

namespace
{

SIM_Clock StepClock()
{
    SIM_Clock clock;
    clock.Set(0.0f, 0.05f);
    return clock;
}

constexpr s32 H = MOT_MotionState::HEADING;
constexpr s32 P = MOT_MotionState::PITCH;
constexpr s32 R = MOT_MotionState::ROLL;

MAT_Vector3 Acceleration(const MOT_MotionState& _state)
{
    return {_state.translation[0].acceleration, _state.translation[1].acceleration, _state.translation[2].acceleration};
}

void SetAcceleration(MOT_MotionState& _state, const MAT_Vector3& _acceleration)
{
    _state.translation[0].acceleration = _acceleration.x;
    _state.translation[1].acceleration = _acceleration.y;
    _state.translation[2].acceleration = _acceleration.z;
}

TEST(PhyControl, ConstructionStartsEveryAxisOnItsPid)
{
    PHY_TranslationControl translation;
    PHY_RotationControl rotation;
    EXPECT_EQ(0u, translation.GetModeMasks());
    for (u32 k = 0; k < 3; ++k) {
        EXPECT_EQ(0u, translation.UseLimit[k]);
        EXPECT_EQ(0u, rotation.UseLimit[k]);
        EXPECT_EQ(1.0f, translation.PositionPID[k].P);
        EXPECT_EQ(FLT_MAX, rotation.AnglePID[k].PrevError);
        EXPECT_EQ(0.0f, rotation.AngleLimit[k].Accel);
        EXPECT_EQ(0.0f, translation.TargetVelocity[k]);
    }
    EXPECT_EQ(0u, rotation.PointTargetMask | rotation.AngleTargetMask | rotation.RateTargetMask);
}

TEST(PhyControl, SetAxisWritesTheLimitRecordsAndIgnoresOtherAxes)
{
    PHY_TranslationControl control;
    control.PositionPID[1].P = 7.0f;
    control.SetAxis(1, 10.0f, -4.0f, 2.0f);
    const PHY_PositionLimit& position = control.PositionLimit[1];
    EXPECT_EQ(0.5f, position.InvAccel);
    EXPECT_EQ(2.5f, position.HighAccel);
    EXPECT_EQ(2.0f, position.Accel);
    EXPECT_EQ(1.5f, position.LowAccel);
    EXPECT_EQ(10.0f, position.MaxVelocity);
    EXPECT_EQ(-4.0f, position.MinVelocity);
    EXPECT_EQ(2.0f, control.VelocityLimit[1].Accel);
    EXPECT_EQ(10.0f, control.VelocityLimit[1].MaxVelocity);
    EXPECT_EQ(-4.0f, control.VelocityLimit[1].MinVelocity);
    EXPECT_EQ(1u, control.UseLimit[1]);
    EXPECT_EQ(7.0f, control.PositionPID[1].P);

    PHY_TranslationControl untouched;
    untouched.SetAxis(3, 10.0f, -4.0f, 2.0f);
    PHY_RotationControl rotation;
    rotation.SetAxis(7, 10.0f, -4.0f, 2.0f);
    for (u32 k = 0; k < 3; ++k) {
        EXPECT_EQ(0u, untouched.UseLimit[k]);
        EXPECT_EQ(0.0f, untouched.PositionLimit[k].Accel);
        EXPECT_EQ(0u, rotation.UseLimit[k]);
        EXPECT_EQ(0.0f, rotation.RateLimit[k].Accel);
    }
}

TEST(PhyControl, SetSwingDerivesPidGainsFromTimeAndRatio)
{
    PHY_RotationControl control;
    control.SetAxis(1, 1.0f, -1.0f, 1.0f);
    control.SetSwing(1, 1.0f, 0.01f, 0.1f);
    EXPECT_NEAR(60.686010f, control.AnglePID[1].P, 1e-4f);
    EXPECT_NEAR(9.2103404f, control.AnglePID[1].D, 1e-6f);
    EXPECT_EQ(0.0f, control.AnglePID[1].I);
    EXPECT_NEAR(4.6051702f, control.RatePID[1].P, 1e-6f);
    EXPECT_EQ(0.0f, control.RatePID[1].D);
    EXPECT_EQ(0.0f, control.RatePID[1].I);
    EXPECT_EQ(0u, control.UseLimit[1]);

    // A ratio of 0 is taken as FLT_EPSILON: omega = sigma x pi / -15.942385.
    control.SetSwing(0, 1.0f, 0.01f, 0.0f);
    const f32 sigma = 4.6051702f;
    const f32 omega = sigma * 3.1415927f / -15.942385f;
    EXPECT_NEAR(omega * omega + sigma * sigma, control.AnglePID[0].P, 1e-4f);
}

TEST(PhyControl, PositionModeWinsAndAnyBodyBitDrivesAllWorldAxes)
{
    const SIM_Clock clock = StepClock();
    PHY_TranslationControl control;
    for (u32 k = 0; k < 3; ++k)
        control.SetAxis(k, 10.0f, -10.0f, 2.0f);
    control.TargetPosition[0] = 10.0f;
    control.TargetPosition[1] = -10.0f;
    control.TargetPosition[2] = 10.0f;
    control.TargetVelocity[0] = 5.0f;
    control.PositionModeMask = 2;
    control.VelocityModeMask = 0x40;
    EXPECT_EQ(0x42u, control.GetModeMasks());
    control.VelocityModeMask = 0x42;  // overlapping masks must not carry into bit 2
    EXPECT_EQ(0x42u, control.GetModeMasks());
    control.VelocityModeMask = 0x40;

    MOT_MotionState state;
    SetAcceleration(state, {1.0f, 1.0f, 1.0f});
    control.Step(clock, state);
    EXPECT_EQ(MAT_Vector3(3.0f, -1.0f, 3.0f), Acceleration(state));
    EXPECT_EQ(0.0f, control.PositionLimit[0].TargetVelocity);

    // World bits alone drive only their axes.
    control.PositionModeMask = 0x100;
    SetAcceleration(state, {});
    control.Step(clock, state);
    EXPECT_EQ(MAT_Vector3(0.0f, 0.0f, 2.0f), Acceleration(state));
}

TEST(PhyControl, PositionPidGetsTheVelocityAsItsRate)
{
    const SIM_Clock clock = StepClock();
    PHY_TranslationControl control;
    control.PositionPID[0].I = 0.0f;
    control.TargetPosition[0] = 1.0f;
    control.PositionModeMask = 0x40;
    MOT_MotionState state;
    control.Step(clock, state);
    EXPECT_EQ(0.0f, state.translation[0].acceleration);
    state.translation[0].velocity = 3.0f;
    control.Step(clock, state);
    // -(P x (0 - 1) + D x 3)
    EXPECT_EQ(-2.0f, state.translation[0].acceleration);
}

TEST(PhyControl, VelocityTargetsAreClampedSymmetrically)
{
    const SIM_Clock clock = StepClock();
    PHY_TranslationControl control;
    control.SetAxis(0, 5.0f, 3.0f, 200.0f);
    control.TargetVelocity[0] = -8.0f;
    control.VelocityModeMask = 0x40;
    MOT_MotionState state;
    control.Step(clock, state);
    EXPECT_EQ(-5.0f, control.VelocityLimit[0].TargetVelocity);
    EXPECT_FLOAT_EQ(-100.0f, state.translation[0].acceleration);
}

TEST(PhyControl, BodyVelocityModeActsAlongTheFrameAxes)
{
    const SIM_Clock clock = StepClock();
    PHY_TranslationControl control;
    control.SetAxis(1, 10.0f, -10.0f, 2.0f);
    control.TargetVelocity[1] = 5.0f;
    // The body bit wins over the world bit; the body's second axis looks along world -x.
    control.VelocityModeMask = 0x2 | 0x40;
    MOT_MotionState state;
    state.frame.r.SetFromRows({0.0f, 1.0f, 0.0f}, {-1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f});
    state.SetVelocity({-1.0f, 0.0f, 0.0f});
    control.Step(clock, state);
    EXPECT_EQ(MAT_Vector3(-2.0f, 0.0f, 0.0f), Acceleration(state));
}

TEST(PhyControl, BodyVelocityModeMeasuresTheSpeedAlongTheTurnedAxis)
{
    // A body turned off the world axes: its first axis (0.6, 0.8, 0), its second (-0.8, 0.6, 0).
    // Only the speed along the second axis counts, and the limiter's answer is applied along it.
    const SIM_Clock clock = StepClock();
    const MAT_Vector3 side(0.6f, 0.8f, 0.0f);
    const MAT_Vector3 forward(-0.8f, 0.6f, 0.0f);
    struct Case
    {
        const char* what;
        MAT_Vector3 velocity;
        f32 acceleration;  // along the second axis
    };
    const Case cases[] = {
        {"too fast", forward * 6.0f, -2.0f},
        {"too fast while slipping sideways", forward * 6.0f + side * 7.0f, -2.0f},
        {"at the target", forward * 5.0f + side * 3.0f, 0.0f},
        // 0.025 short: reached in this step, 0.025 / 0.05.
        {"nearly there", forward * 4.975f, 0.5f},
        {"backwards", forward * -1.0f, 2.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PHY_TranslationControl control;
        control.SetAxis(1, 10.0f, -10.0f, 2.0f);
        control.TargetVelocity[1] = 5.0f;
        control.VelocityModeMask = 0x2;
        MOT_MotionState state;
        state.frame.r.SetFromRows(side, forward, {0.0f, 0.0f, 1.0f});
        state.SetVelocity(c.velocity);
        control.Step(clock, state);
        const MAT_Vector3 expected = forward * c.acceleration;
        const MAT_Vector3 got = Acceleration(state);
        EXPECT_NEAR(expected.x, got.x, 1e-3f);
        EXPECT_NEAR(expected.y, got.y, 1e-3f);
        EXPECT_EQ(0.0f, got.z);
    }
}

TEST(PhyControl, PointTargetTurnsThroughPiTheShortWay)
{
    const SIM_Clock clock = StepClock();
    PHY_RotationControl control;
    control.SetAxis(0, 10.0f, -10.0f, 2.0f);
    control.PointTargetMask = 0x8;
    MOT_MotionState state;
    state.rotation[H].angle = 3.0f;
    // aim = atan2(-x, y) = -3.0
    control.TargetPoint = {-std::sin(-3.0f), std::cos(-3.0f), 0.0f};
    control.Step(clock, state);
    EXPECT_NEAR(3.0f + 0.2831853f, control.AngleLimit[0].TargetPosition, 1e-6f);
    EXPECT_EQ(2.0f, state.rotation[H].acceleration);
    EXPECT_EQ(0.0f, state.rotation[P].acceleration);
}

TEST(PhyControl, HeadingAngleTargetSwitchesTheHeadingToItsLimiterForGood)
{
    const SIM_Clock clock = StepClock();
    PHY_RotationControl control;
    control.SetAxis(0, 10.0f, -10.0f, 2.0f);
    control.SetSwing(0, 1.0f, 0.01f, 0.1f);
    control.AngleTargetMask = 0x8;
    control.TargetAngle[0] = 1.0f;
    MOT_MotionState state;
    control.Step(clock, state);
    EXPECT_EQ(1u, control.UseLimit[0]);
    EXPECT_EQ(2.0f, state.rotation[H].acceleration);

    control.AngleTargetMask = 0;
    control.PointTargetMask = 0x8;
    control.TargetPoint = {1.0f, 0.0f, 0.0f};  // aim -pi/2
    state.rotation[H].acceleration = 0.0f;
    control.Step(clock, state);
    EXPECT_EQ(1u, control.UseLimit[0]);
    EXPECT_EQ(-2.0f, state.rotation[H].acceleration);
    EXPECT_EQ(FLT_MAX, control.AnglePID[0].PrevError);
}

TEST(PhyControl, AnglePidSeesTheShortWayErrorAndRatesAddUp)
{
    const SIM_Clock clock = StepClock();
    PHY_RotationControl control;
    control.SetSwing(2, 1.0f, 0.01f, 0.1f);
    control.AngleTargetMask = 0x20;
    control.RateTargetMask = 0x20;
    control.TargetAngle[2] = -3.0f;
    control.TargetRate[2] = 1.0f;
    MOT_MotionState state;
    state.rotation[R].angle = 3.0f;
    control.Step(clock, state);
    // Both PIDs record their first error only.
    EXPECT_EQ(0.0f, state.rotation[R].acceleration);
    EXPECT_NEAR(0.2831853f, -control.AnglePID[2].PrevError, 1e-5f);

    state.rotation[R].rate = 0.5f;
    control.Step(clock, state);
    const PHY_AngleController& angle = control.AnglePID[2];
    const f32 fromAngle = -(angle.P * -0.2831853f + angle.D * 0.5f);
    const f32 fromRate = -(control.RatePID[2].P * (0.5f - 1.0f));
    EXPECT_NEAR(fromAngle + fromRate, state.rotation[R].acceleration, 1e-4f);
}

TEST(PhyControl, RateLimiterRampsTheRate)
{
    const SIM_Clock clock = StepClock();
    PHY_RotationControl control;
    control.SetAxis(1, 2.0f, -2.0f, 4.0f);
    control.RateTargetMask = 0x10;
    control.TargetRate[1] = -9.0f;
    MOT_MotionState state;
    control.Step(clock, state);
    EXPECT_EQ(-2.0f, control.RateLimit[1].TargetVelocity);
    EXPECT_EQ(-4.0f, state.rotation[P].acceleration);
    EXPECT_EQ(0.0f, state.rotation[H].acceleration);
}

}  // namespace
