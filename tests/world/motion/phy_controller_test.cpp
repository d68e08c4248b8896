#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "des_file.h"
#include "os_fatal.h"
#include "phy_controller.h"
#include "sim_clock.h"
#include "test_dir.h"

namespace
{

SIM_Clock StepClock(f32 _dt)
{
    SIM_Clock clock;
    clock.Set(0.0f, _dt);
    return clock;
}

// The record SetAxis writes for these bounds.
PHY_PositionLimit PositionLimit(f32 _accel, f32 _max, f32 _min)
{
    PHY_PositionLimit limit;
    limit.InvAccel = 1.0f / _accel;
    limit.HighAccel = 1.25f * _accel;
    limit.Accel = _accel;
    limit.LowAccel = 0.75f * _accel;
    limit.MaxVelocity = _max;
    limit.MinVelocity = _min;
    return limit;
}

TEST(PhyController, FirstStepOnlyRecordsTheErrorThenPidSumsAllThreeTerms)
{
    const SIM_Clock clock = StepClock(0.05f);
    PHY_Controller pid;
    EXPECT_EQ(FLT_MAX, pid.PrevError);
    EXPECT_EQ(0.0f, pid.Step(clock, 1.0f));
    EXPECT_EQ(1.0f, pid.PrevError);
    EXPECT_EQ(0.0f, pid.Integral);
    // 2 + (2 - 1) x 20 + (2 + 1) x 0.025
    EXPECT_FLOAT_EQ(22.075f, pid.Step(clock, 2.0f));
    EXPECT_EQ(2.0f, pid.PrevError);
    EXPECT_FLOAT_EQ(0.075f, pid.Integral);
}

TEST(PhyController, ZeroStepChangesNothing)
{
    PHY_Controller pid;
    pid.Step(StepClock(0.05f), 1.0f);
    EXPECT_EQ(0.0f, pid.Step(StepClock(0.0f), 5.0f));
    EXPECT_EQ(1.0f, pid.PrevError);
    EXPECT_EQ(0.0f, pid.Integral);
}

TEST(PhyController, RateReplacesTheDifferenceAndIsIgnoredWithoutDerivativeGain)
{
    const SIM_Clock clock = StepClock(0.05f);
    PHY_Controller pid;
    pid.I = 0.0f;
    pid.D = 3.0f;
    pid.SetTarget(1.0f);
    pid.StepWithRate(clock, 0.0f, 100.0f);
    // error 1, rate term 3 x 2; the error difference (which would give 40) plays no part.
    EXPECT_FLOAT_EQ(1.0f + 6.0f, pid.StepWithRate(clock, 2.0f, 2.0f));
    pid.D = 0.0f;
    EXPECT_FLOAT_EQ(2.0f, pid.StepWithRate(clock, 3.0f, 1000.0f));
}

TEST(PhyController, ParseReadsTheGainsIntoTheirFields)
{
    TST_TempDir dir;
    dir.Write("control.des",
              "[Control]\n{\n    P = 2.0\n    I = 3.0\n    D = 4.0\n}\n[Short]\n{\n    P = 5.0\n    I = 6.0\n}\n");
    DES_File file;
    DES_Section root;
    ASSERT_EQ(1u, file.Open(&root, "control.des"));
    DES_Section section;
    ASSERT_EQ(1u, root.FindSection(&section, "Control"));
    PHY_Controller pid;
    pid.PHY_Controller_Parse(&section);
    EXPECT_EQ(2.0f, pid.P);
    EXPECT_EQ(3.0f, pid.I);
    EXPECT_EQ(4.0f, pid.D);

    // A missing key stops the program in the reader.
    ASSERT_EQ(1u, root.FindSection(&section, "Short"));
    bool stopped = false;
    try {
        pid.PHY_Controller_Parse(&section);
    } catch (const OS_FatalError&) {
        stopped = true;
    }
    EXPECT_TRUE(stopped);
    file.Close();
}

TEST(PhyController, AngleControllerWrapsItsTarget)
{
    PHY_AngleController pid;
    PHY_Controller& base = pid;
    base.SetTarget(4.0f);
    EXPECT_FLOAT_EQ(4.0f - 6.2831855f, pid.Target);
    base.SetTarget(3.1415927f);
    EXPECT_EQ(-3.1415927f, pid.Target);
}

TEST(PhyPositionLimit, ApproachesWithFullAccelerationThenFinishesSmoothly)
{
    const SIM_Clock clock = StepClock(0.05f);
    PHY_PositionLimit limit = PositionLimit(2.0f, 10.0f, -10.0f);
    limit.TargetPosition = 10.0f;
    // At rest 10 short: profile 1, switching after sqrt(5) s.
    EXPECT_EQ(2.0f, limit.Step(clock, 0.0f, 0.0f));
    // At sqrt(20) with 5 to go the exact braking -2 lies in [-2.5, -1.5].
    EXPECT_NEAR(-2.0f, limit.Step(clock, 5.0f, std::sqrt(20.0f)), 1e-5f);
    // Too late to stop in time: c = -3.3 is out of reach and the bang-bang brake remains.
    EXPECT_EQ(-2.0f, limit.Step(clock, 9.85f, 1.0f));
}

TEST(PhyPositionLimit, TakesTheExactFinishOnlyNearTheAcceleration)
{
    const SIM_Clock clock = StepClock(0.05f);
    PHY_PositionLimit limit = PositionLimit(2.0f, 10.0f, -10.0f);
    limit.TargetPosition = 10.0f;
    // c = -1.6 is inside [-2.5, -1.5]; c = -1.4 and -2.6 are not and give the bang-bang -a
    // (braking is late) or +a (braking is early).
    EXPECT_NEAR(-1.6f, limit.Step(clock, 5.0f, 4.0f), 1e-5f);
    EXPECT_EQ(2.0f, limit.Step(clock, 10.0f - 8.0f / 1.4f, 4.0f));
    EXPECT_EQ(-2.0f, limit.Step(clock, 10.0f - 8.0f / 2.6f, 4.0f));
}

TEST(PhyPositionLimit, CloseEnoughReturnsTheVelocityErrorOverOneStep)
{
    const SIM_Clock clock = StepClock(0.05f);
    PHY_PositionLimit limit = PositionLimit(2.0f, 10.0f, -10.0f);
    limit.TargetPosition = 1.0f;
    limit.TargetVelocity = 0.05f;
    // |w| = 0.04 < 0.1 and |d| = 0.001 < 0.0025
    EXPECT_EQ((0.05f - 0.01f) * clock.oneOverDt, limit.Step(clock, 0.999f, 0.01f));
}

TEST(PhyPositionLimit, CloseEnoughNeedsBothMagnitudesStrictlyInsideTheirBounds)
{
    // a 2 and dt 0.5 give round bounds: |w| < a dt = 1 and |d| < a dt^2 / 2 = 0.25. Outside
    // them the profiles decide, worked out by hand for each row.
    const SIM_Clock clock = StepClock(0.5f);
    struct Case
    {
        const char* what;
        f32 x, v, target, targetVelocity;
        f32 expected;
    };
    const Case cases[] = {
        {"inside both", 0.0f, 0.0f, 0.125f, 0.5f, 1.0f},
        {"inside both, negative", 0.125f, 0.0f, 0.0f, -0.5f, -1.0f},
        // d on its bound: profile 1 (T1 0.54, T2 none) accelerates, c = 0.5 is out of reach.
        {"d = a dt^2 / 2", 0.0f, 0.0f, 0.25f, 0.5f, 2.0f},
        // Mirrored: profile 2 brakes.
        {"d = -a dt^2 / 2", 0.25f, 0.0f, 0.0f, -0.5f, -2.0f},
        // w on its bound: the exact finish c = (1/2 - 0.375) / 0.078125 = 1.6 lies in [1.5, 2.5]
        // (whereas w / dt would be 2).
        {"w = a dt", 0.0f, -0.375f, 0.078125f, 0.625f, 0.125f / 0.078125f},
        // A large negative w: profile 2 (T 0.19 against 1.92) brakes; c = 9 points the other way.
        {"w = -1.5", 0.0f, 0.0f, 0.125f, -1.5f, -2.0f},
        // A large negative d: only profile 2 exists; c = -0.125 points the other way.
        {"d = -1", 0.0f, 0.0f, -1.0f, 0.5f, -2.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PHY_PositionLimit limit = PositionLimit(2.0f, 10.0f, -10.0f);
        limit.TargetPosition = c.target;
        limit.TargetVelocity = c.targetVelocity;
        EXPECT_FLOAT_EQ(c.expected, limit.Step(clock, c.x, c.v));
    }
}

TEST(PhyPositionLimit, SpeedBoundsCutTheResult)
{
    const SIM_Clock clock = StepClock(0.05f);
    struct Case
    {
        f32 x;
        f32 v;
        f32 target;
        f32 expected;
    };
    // Accel 2, MaxVelocity 1, MinVelocity -0.5.
    const Case cases[] = {
        {0.0f, 0.95f, 100.0f, (1.0f - 0.95f) * 20.0f},     // +2 would pass the upper limit
        {0.0f, 3.0f, 100.0f, (1.0f - 3.0f) * 20.0f},       // already too fast: back in one step
        {0.0f, -0.45f, -100.0f, (-0.5f + 0.45f) * 20.0f},  // -2 would pass the lower limit
        {0.0f, 0.5f, 100.0f, 2.0f},                        // within the limits: untouched
    };
    for (const Case& c : cases) {
        PHY_PositionLimit limit = PositionLimit(2.0f, 1.0f, -0.5f);
        limit.TargetPosition = c.target;
        EXPECT_FLOAT_EQ(c.expected, limit.Step(clock, c.x, c.v)) << c.v << " towards " << c.target;
    }
}

TEST(PhyPositionLimit, NoDistanceLeftUsesTheBangBangResult)
{
    // With d = 0 the exact finish is infinite or NaN and never taken.
    const SIM_Clock clock = StepClock(0.05f);
    struct Case
    {
        f32 v;
        f32 targetVelocity;
        f32 expected;
    };
    const Case cases[] = {
        {1.0f, 0.0f, -2.0f},   // c = -inf
        {1.0f, -1.0f, -2.0f},  // c = 0 / 0; both profiles take 1 s, the tie goes to profile 2
        {-3.0f, 0.0f, 2.0f},   // c = -inf with c x w < 0
        {2.0f, 3.0f, 2.0f},    // c = +inf with c x w > 0
    };
    for (const Case& c : cases) {
        PHY_PositionLimit limit = PositionLimit(2.0f, 10.0f, -10.0f);
        limit.TargetPosition = 4.0f;
        limit.TargetVelocity = c.targetVelocity;
        EXPECT_EQ(c.expected, limit.Step(clock, 4.0f, c.v)) << c.v << " to " << c.targetVelocity;
        // One turn away is no distance for an angle.
        limit.TargetPosition = 1.0f;
        EXPECT_EQ(c.expected, limit.StepAngle(clock, 1.0f + 6.2831855f, c.v)) << c.v;
    }
}

TEST(PhyPositionLimit, AngleGoesTheShorterWayRound)
{
    const SIM_Clock clock = StepClock(0.05f);
    PHY_PositionLimit limit = PositionLimit(2.0f, 10.0f, -10.0f);
    limit.TargetPosition = -3.0f;
    // From 3.0 the short way passes through pi, upwards.
    EXPECT_EQ(2.0f, limit.StepAngle(clock, 3.0f, 0.0f));
    EXPECT_EQ(-2.0f, limit.Step(clock, 3.0f, 0.0f));
}

TEST(PhyVelocityLimit, RampsWithBoundedAcceleration)
{
    const SIM_Clock clock = StepClock(0.05f);
    PHY_VelocityLimit limit;
    limit.Accel = 2.0f;
    limit.MaxVelocity = 5.0f;
    limit.TargetVelocity = 1.0f;
    EXPECT_EQ(2.0f, limit.Step(clock, 0.0f));
    EXPECT_NEAR(1.0f, limit.Step(clock, 0.95f), 1e-5f);
    EXPECT_EQ(-2.0f, limit.Step(clock, 3.0f));
    EXPECT_EQ(0.0f, limit.Step(clock, 1.0f));
}

}  // namespace
