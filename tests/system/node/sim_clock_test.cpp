// The scene clocks: derived values and the frame fraction, exact in f32.
#include <gtest/gtest.h>

#include <cmath>

#include "sim_clock.h"

namespace
{
// The clocks are process-wide: every test leaves them as it found them.
class SimClockTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_simulation = SIM_GetSimulationClock();
        m_frame = SIM_GetFrameClock();
    }
    void TearDown() override
    {
        SIM_GetSimulationClock() = m_simulation;
        SIM_GetFrameClock() = m_frame;
    }

    SIM_Clock m_simulation;
    SIM_FrameClock m_frame;
};

TEST_F(SimClockTest, ResetGivesTheFixedStepAndItsDerivedValues)
{
    SIM_FrameClock& frame = SIM_GetFrameClock();
    frame.fraction = 0.25f;
    frame.Set(3.0f, 0.5f);
    frame.Reset();
    EXPECT_EQ(0.0f, frame.time);
    EXPECT_EQ(0.05f, frame.dt);
    EXPECT_EQ(20.0f, frame.oneOverDt);
    EXPECT_EQ(0x1.99999ap-6f, frame.dtOverTwo);          // 0.025
    EXPECT_EQ(0x1.47ae16p-10f, frame.dtSquaredOverTwo);  // 0.00125
    EXPECT_EQ(0x1.5d867ep-16f, frame.dtCubedOverSix);    // 2.0833333e-5
    EXPECT_EQ(800.0f, frame.twoOverDtSquared);
    EXPECT_EQ(0.25f, frame.fraction);  // a reset keeps the fraction
}

TEST_F(SimClockTest, SettingTimeOrStepRecomputesFromTheStep)
{
    SIM_Clock& clock = SIM_GetSimulationClock();
    clock.Reset();
    clock.SetStep(0.5f);
    EXPECT_EQ(2.0f, clock.oneOverDt);
    EXPECT_EQ(0.25f, clock.dtOverTwo);
    EXPECT_EQ(0.125f, clock.dtSquaredOverTwo);
    EXPECT_EQ(0.125f / 6.0f, clock.dtCubedOverSix);
    EXPECT_EQ(8.0f, clock.twoOverDtSquared);
    clock.SetTime(7.0f);
    EXPECT_EQ(7.0f, clock.time);
    EXPECT_EQ(0.5f, clock.dt);
    EXPECT_EQ(2.0f, clock.oneOverDt);

    // A frame step of 0 (the first frame of a run) gives infinite reciprocals, no trap.
    clock.SetStep(0.0f);
    EXPECT_TRUE(std::isinf(clock.oneOverDt));
    EXPECT_TRUE(std::isinf(clock.twoOverDtSquared));
    EXPECT_EQ(0.0f, clock.dtCubedOverSix);
}

TEST_F(SimClockTest, FrameFractionPlacesTheFrameBetweenTheLastTwoSteps)
{
    SIM_Clock& simulation = SIM_GetSimulationClock();
    SIM_FrameClock& frame = SIM_GetFrameClock();

    // Simulation time 1.0, step 0.05, frame time 0.975: one half, up to f32 rounding of the
    // operands (0.05f and 0.975f are not exact).
    simulation.Set(1.0f, 0.05f);
    frame.SetTime(0.975f);
    SIM_UpdateFrameFraction();
    EXPECT_EQ(0x1.000018p-1f, frame.fraction);

    // The first frame of a run: both clocks at 0.
    simulation.Reset();
    frame.Set(0.0f, 0.0f);
    SIM_UpdateFrameFraction();
    EXPECT_EQ(1.0f, frame.fraction);
}
}  // namespace
