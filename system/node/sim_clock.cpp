// The scene clocks.
#include "sim_clock.h"

namespace
{
SIM_Clock s_simulationClock;
SIM_FrameClock s_frameClock;
}  // namespace

void SIM_Clock::SetTime(f32 _time) { Set(_time, dt); }

void SIM_Clock::SetStep(f32 _dt) { Set(time, _dt); }

void SIM_Clock::Set(f32 _time, f32 _dt)
{
    time = _time;
    dt = _dt;
    oneOverDt = 1.0f / _dt;
    dtOverTwo = _dt / 2.0f;
    dtSquaredOverTwo = _dt * _dt / 2.0f;
    dtCubedOverSix = _dt * _dt * _dt / 6.0f;
    twoOverDtSquared = oneOverDt * oneOverDt * 2.0f;
}

void SIM_Clock::Reset() { Set(0.0f, SIM_STEP); }

SIM_Clock& SIM_GetSimulationClock() { return s_simulationClock; }

SIM_FrameClock& SIM_GetFrameClock() { return s_frameClock; }

void SIM_UpdateFrameFraction()
{
    const SIM_Clock& simulation = s_simulationClock;
    s_frameClock.fraction = (s_frameClock.time - (simulation.time - simulation.dt)) / simulation.dt;
}
