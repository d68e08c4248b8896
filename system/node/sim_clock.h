// The two scene clocks: process-wide records of single-precision values.
//
// The simulation clock holds the time of the step being computed and the fixed step of
// 0.05 s; the frame clock holds the scene time being drawn, the scene time since the previous
// drawn frame as its step, and the frame fraction. Both keep the values derived from the step
// (1/dt, dt/2, dt^2/2, dt^3/6, 2/dt^2) so that motion code reads them instead of dividing;
// setting the time or the step recomputes them. All arithmetic is f32, so every machine
// computes the same values; a step of 0 gives infinite reciprocals (no trap).
// The benchmark run owns and drives them; everything else only reads them. Single-threaded.
#pragma once

#include "os_types.h"

struct SIM_Clock
{
    f32 time = 0.0f;
    f32 dt = 0.0f;
    f32 oneOverDt = 0.0f;
    f32 dtOverTwo = 0.0f;
    f32 dtSquaredOverTwo = 0.0f;
    f32 dtCubedOverSix = 0.0f;
    f32 twoOverDtSquared = 0.0f;

    void SetTime(f32 _time);
    void SetStep(f32 _dt);
    void Set(f32 _time, f32 _dt);
    // Time 0 and the simulation step.
    void Reset();
};

struct SIM_FrameClock : SIM_Clock
{
    // Where the drawn frame lies between the last two simulation steps; a reset keeps it.
    f32 fraction = 0.0f;
};

// The simulation's fixed step in seconds.
inline constexpr f32 SIM_STEP = 0.05f;

SIM_Clock& SIM_GetSimulationClock();
SIM_FrameClock& SIM_GetFrameClock();

// fraction = (frame time - (simulation time - simulation dt)) / simulation dt.
void SIM_UpdateFrameFraction();
