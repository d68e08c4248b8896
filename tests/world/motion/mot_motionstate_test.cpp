#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "mot_friction.h"
#include "mot_motionstate.h"
#include "mot_smoother.h"

namespace
{

SIM_Clock Step()
{
    SIM_Clock clock;
    clock.Set(0.0f, 0.05f);
    return clock;
}

constexpr s32 P = MOT_MotionState::PITCH, R = MOT_MotionState::ROLL, H = MOT_MotionState::HEADING;

TEST(MotMotionStateTest, FlagsZeroOnlyClearsAccelerationsAndJerks)
{
    MOT_MotionState state;
    state.translation[0] = {1, 2, 3, 4};
    state.rotation[H].rate = 1.0f;
    state.rotation[H].acceleration = 5.0f;
    const MAT_Matrix34 frame = state.frame;
    state.Integrate(Step(), 1);
    EXPECT_EQ(1.0f, state.translation[0].position);
    EXPECT_EQ(2.0f, state.translation[0].velocity);
    EXPECT_EQ(0.0f, state.translation[0].acceleration);
    EXPECT_EQ(0.0f, state.translation[0].jerk);
    EXPECT_EQ(0.0f, state.rotation[H].angle.Get());
    EXPECT_EQ(0.0f, state.rotation[H].acceleration);
    EXPECT_EQ(0, std::memcmp(&frame, &state.frame, sizeof frame));
}

TEST(MotMotionStateTest, ConstantJerkStepOnTheFlaggedAxesOnly)
{
    MOT_MotionState state;
    state.flags = MOT_MotionState::FLAG_Y;
    state.translation[0] = {0, 1, 2, 6};
    state.translation[1] = {0, 1, 2, 6};
    state.Integrate(Step());
    EXPECT_NEAR(0.052625f, state.translation[1].position, 1e-7f);
    EXPECT_NEAR(1.1075f, state.translation[1].velocity, 1e-6f);
    EXPECT_EQ(state.translation[1].position, state.frame.t.y);
    EXPECT_EQ(0.0f, state.translation[1].acceleration);
    EXPECT_EQ(0.0f, state.translation[0].position);
    EXPECT_EQ(1.0f, state.translation[0].velocity);
    EXPECT_EQ(0.0f, state.frame.t.x);
}

TEST(MotMotionStateTest, AngleWrapsIntoTheHalfOpenRange)
{
    MOT_MotionState state;
    state.rotation[H].angle = 3.1f;
    state.rotation[H].rate = 2.0f;
    state.IntegrateAngle(Step(), H);
    EXPECT_NEAR(-3.08319f, state.rotation[H].angle.Get(), 1e-5f);
    EXPECT_NEAR(std::sin(-3.08319f), state.rotation[H].angle.Sin(), 1e-5f);
}

struct ModeCase
{
    u32 mode;
    const char* integrated;
    char builder;  // 'Z' for Rz Rx Ry, 'Y' for Ry Rx Rz, 'I' for the identity
    const char* turns;
};

const ModeCase MODES[] = {
    {1, "H", 'Z', "H"},  {2, "PH", 'Z', "HP"},  {3, "RH", 'Z', "HR"},  {4, "PRH", 'Z', "HPR"},  {5, "PRH", 'Y', "HRP"},
    {6, "P", 'Z', "P"},  {7, "PH", 'Y', "PH"},  {8, "PR", 'Z', "PR"},  {9, "PRH", 'Y', "PHR"},  {10, "PRH", 'Y', "PRH"},
    {11, "R", 'Z', "R"}, {12, "RH", 'Y', "RH"}, {13, "PR", 'Y', "RP"}, {14, "PRH", 'I', "RHP"}, {15, "PRH", 'Y', "RPH"},
};

s32 Row(char _name) { return _name == 'P' ? P : _name == 'R' ? R : H; }

void Prepare(MOT_MotionState& _state, u32 _mode, u32 _regime)
{
    _state.flags = _mode << MOT_MotionState::MODE_SHIFT;
    _state.regime = _regime;
    const f32 angles[3] = {0.1f, 0.2f, 0.3f}, rates[3] = {1.0f, 2.0f, 3.0f};
    for (s32 i = 0; i < 3; ++i) {
        _state.rotation[i].angle = angles[i];
        _state.rotation[i].rate = rates[i];
    }
    _state.frame.r.FromAngles(MAT_Angle(0.4f), MAT_Angle(-0.5f), MAT_Angle(0.6f));
}

::testing::AssertionResult SameAxes(const MAT_Matrix33& _expected, const MAT_Matrix33& _actual)
{
    for (s32 k = 0; k < 9; ++k)
        if (!(std::fabs(_expected.m[k] - _actual.m[k]) <= 1e-6f))
            return ::testing::AssertionFailure() << "element " << k << ": " << _expected.m[k] << " vs " << _actual.m[k];
    return ::testing::AssertionSuccess();
}

TEST(MotMotionStateTest, RotationModesInBothRegimes)
{
    const SIM_Clock clock = Step();
    for (const ModeCase& c : MODES) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode);
        f32 expectedAngle[3] = {0.1f, 0.2f, 0.3f};
        f32 increment[3] = {};
        for (const char* n = c.integrated; *n; ++n) {
            const s32 row = Row(*n);
            increment[row] = (f32)(row + 1) * clock.dt;
            expectedAngle[row] += increment[row];
        }

        MOT_MotionState absolute;
        Prepare(absolute, c.mode, MOT_MotionState::REGIME_ABSOLUTE);
        absolute.Integrate(clock);
        MAT_Matrix33 expected;
        const MAT_Angle h(expectedAngle[H]), p(expectedAngle[P]), r(expectedAngle[R]);
        if (c.builder == 'Z')
            expected.FromAngles(h, p, r);
        else if (c.builder == 'Y')
            expected.FromAnglesFull(h, p, r);
        else
            expected.SetDiagonal(1.0f);
        EXPECT_TRUE(SameAxes(expected, absolute.frame.r)) << "absolute";
        for (s32 i = 0; i < 3; ++i)
            EXPECT_NEAR(expectedAngle[i], absolute.rotation[i].angle.Get(), 1e-6f) << "absolute row " << i;

        MOT_MotionState incremental;
        Prepare(incremental, c.mode, MOT_MotionState::REGIME_INCREMENTAL);
        expected = incremental.frame.r;
        incremental.Integrate(clock);
        for (const char* n = c.turns; *n; ++n) {
            const MAT_Angle turn(increment[Row(*n)]);
            if (*n == 'P')
                expected.RotateX(turn);
            else if (*n == 'R')
                expected.RotateY(turn);
            else
                expected.RotateZ(turn);
        }
        EXPECT_TRUE(SameAxes(expected, incremental.frame.r)) << "incremental";
        for (s32 i = 0; i < 3; ++i)
            EXPECT_NEAR(expectedAngle[i], incremental.rotation[i].angle.Get(), 1e-6f) << "incremental row " << i;
    }
}

TEST(MotMotionStateTest, SetMatrixTakesPositionsAndAnglesButNotVelocities)
{
    MOT_MotionState state;
    state.SetVelocity({1, 2, 3});
    MAT_Matrix34 frame;
    frame.SetPositionAngles({4, 5, 6}, MAT_Angle(0.3f), MAT_Angle(0.2f), MAT_Angle(0.1f));
    state.SetMatrix(frame);
    EXPECT_EQ(5.0f, state.translation[1].position);
    EXPECT_NEAR(0.3f, state.rotation[H].angle.Get(), 1e-6f);
    EXPECT_NEAR(0.2f, state.rotation[P].angle.Get(), 1e-6f);
    EXPECT_NEAR(0.1f, state.rotation[R].angle.Get(), 1e-6f);
    EXPECT_EQ((MAT_Vector3{1, 2, 3}), state.GetVelocity());
    state.SetPosition({7, 8, 9});
    EXPECT_EQ(9.0f, state.translation[2].position);
    EXPECT_EQ((MAT_Vector3{7, 8, 9}), state.frame.t);
    state.Reset();
    EXPECT_EQ((MAT_Vector3{}), state.GetVelocity());
    EXPECT_EQ(8.0f, state.translation[1].position);
}

struct FrictionCase
{
    u32 flags;
    f32 coefficient;
    MAT_Vector3 acceleration;
};

TEST(MotFrictionTest, DampsAlongBodyOrWorldAxes)
{
    // The body is turned a quarter: its first axis is world +y, moving at 2 along it.
    const FrictionCase cases[] = {
        {MOT_Friction::BODY_X, 1.0f, {0, -40, 0}},
        {MOT_Friction::BODY_X, 0.5f, {0, -20, 0}},
        {MOT_Friction::BODY_X, 3.0f, {0, -40, 0}},
        {MOT_Friction::BODY_X | MOT_Friction::WORLD_X, 1.0f, {-20, 0, 0}},  // world x speed 1
        {MOT_Friction::BODY_Y, 1.0f, {-20, 0, 0}},
        {MOT_Friction::HEADING, 1.0f, {0, 0, 0}},
    };
    for (const FrictionCase& c : cases) {
        MOT_MotionState state;
        state.frame.r.FromAngles(MAT_Angle(-MAT_PI / 2), MAT_Angle(), MAT_Angle());
        state.SetVelocity({1, 2, 0});
        MOT_Friction friction;
        friction.flags = c.flags;
        for (f32& coefficient : friction.c)
            coefficient = c.coefficient;
        friction.Apply(Step(), state);
        const MAT_Vector3 a(state.translation[0].acceleration, state.translation[1].acceleration,
                            state.translation[2].acceleration);
        EXPECT_NEAR(c.acceleration.x, a.x, 1e-4f) << c.flags << " " << c.coefficient;
        EXPECT_NEAR(c.acceleration.y, a.y, 1e-4f) << c.flags << " " << c.coefficient;
        EXPECT_NEAR(c.acceleration.z, a.z, 1e-4f) << c.flags << " " << c.coefficient;
        EXPECT_EQ(2.0f, state.translation[1].velocity);
    }
}

TEST(MotFrictionTest, DampsRatesAndLeavesDrivenAxesFree)
{
    MOT_MotionState state;
    state.rotation[H].rate = 1.0f;
    state.rotation[P].rate = 2.0f;
    state.rotation[R].rate = 3.0f;
    MOT_Friction friction;
    friction.flags = MOT_Friction::HEADING | MOT_Friction::PITCH | MOT_Friction::ROLL;
    friction.c[8] = 0.5f;
    // Two controllers both drive the heading: joined they free the heading alone (a sum,
    // 8 + 8 = 16, would free the pitch instead).
    friction.ApplyOnFreeAxes(Step(), state, {MOT_Friction::HEADING, MOT_Friction::HEADING});
    EXPECT_EQ(0.0f, state.rotation[H].acceleration);
    EXPECT_NEAR(-40.0f, state.rotation[P].acceleration, 1e-4f);
    EXPECT_NEAR(-30.0f, state.rotation[R].acceleration, 1e-4f);
    EXPECT_EQ(MOT_Friction::HEADING | MOT_Friction::PITCH | MOT_Friction::ROLL, friction.flags);
}

TEST(MotSmootherTest, MovesByTheWeightAndTakesTheShortWayRound)
{
    const SIM_Clock clock = Step();
    MOT_Smoother halfway;
    halfway.tau = 0.05f;
    const f32 current[3] = {0, 2, -4}, target[3] = {2, 2, 0};
    f32 out[3];
    halfway.SmoothVector3(clock, current, target, out);
    EXPECT_EQ(1.0f, out[0]);
    EXPECT_EQ(2.0f, out[1]);
    EXPECT_EQ(-2.0f, out[2]);
    f32 scalar = 0.0f;
    halfway.Smooth(clock, 1.0f, 3.0f, &scalar);
    EXPECT_EQ(2.0f, scalar);

    MAT_Angle angle;
    halfway.SmoothAngle(clock, MAT_Angle(3.0f), MAT_Angle(-3.0f), angle);
    // Half of the 0.283 rad through pi, wrapped to the negative side.
    EXPECT_NEAR(3.0f + 0.14159f - 2.0f * MAT_PI, angle.Get(), 1e-4f);
    EXPECT_NEAR(std::cos(angle.Get()), angle.Cos(), 1e-6f);

    MOT_Smoother instant;
    instant.SmoothAngle(clock, MAT_Angle(1.0f), MAT_Angle(-2.0f), angle);
    EXPECT_NEAR(-2.0f, angle.Get(), 1e-6f);
}

}  // namespace
