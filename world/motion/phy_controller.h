// Single-axis control laws that turn a target into an acceleration: a PID controller and the
// bounded-acceleration limiters of a position (or angle) and of a velocity (or rate).
//
// Plain records held by value in the compound controllers; a step allocates nothing and reads
// only the clock's dt and 1/dt. All arithmetic is f32 in a fixed order so that every machine
// computes the same frames. Nothing is checked: an acceleration of 0 gives infinite results.
#pragma once

#include <cfloat>

#include "mem_alloc.h"
#include "os_types.h"
#include "sim_clock.h"

class DES_Section;

// A PID controller on the error x - Target. Its first step only records the error, so the
// derivative term never sees a jump from nothing; it is never reset afterwards.
class PHY_Controller : public MEM_Object
{
public:
    PHY_Controller() = default;
    virtual ~PHY_Controller() = default;

    // Reads "P", "I", "D"; a missing or mistyped key is fatal in the reader.
    virtual void PHY_Controller_Parse(DES_Section* _section);
    virtual void SetTarget(f32 _target);

    // The output u for the measured value; the caller adds -u to the acceleration. 0 on the
    // first step and whenever dt is 0 (then nothing changes).
    f32 Step(const SIM_Clock& _clock, f32 _x);
    // As Step, with the measured rate of x as the derivative term.
    f32 StepWithRate(const SIM_Clock& _clock, f32 _x, f32 _rate);

    f32 P = 1.0f;
    f32 D = 1.0f;
    f32 I = 1.0f;
    f32 Target = 0.0f;
    // FLT_MAX until the first step has run.
    f32 PrevError = FLT_MAX;
    f32 Integral = 0.0f;

private:
    f32 Run(const SIM_Clock& _clock, f32 _x, bool _measuredRate, f32 _rate);
};

// A PID on an angle: the target is kept wrapped into [-pi, pi).
class PHY_AngleController : public PHY_Controller
{
public:
    void SetTarget(f32 _target) override;
};

// Time-optimal approach of a position or angle to a target position and velocity under a
// bounded acceleration, finished by a constant acceleration near Accel, bounded in speed.
struct PHY_PositionLimit
{
    // The acceleration that brings x moving at v to TargetPosition with TargetVelocity.
    f32 Step(const SIM_Clock& _clock, f32 _x, f32 _v) const;
    // The same for an angle, approached the shorter way round.
    f32 StepAngle(const SIM_Clock& _clock, f32 _x, f32 _v) const;

    f32 InvAccel = 0.0f;
    f32 HighAccel = 0.0f;
    f32 Accel = 0.0f;
    f32 LowAccel = 0.0f;
    f32 MaxVelocity = 0.0f;
    // Negative for a reverse limit.
    f32 MinVelocity = 0.0f;
    f32 TargetPosition = 0.0f;
    f32 TargetVelocity = 0.0f;

private:
    f32 Approach(const SIM_Clock& _clock, f32 _distance, f32 _v) const;
};

// A bounded-acceleration ramp of a velocity or rate towards TargetVelocity.
struct PHY_VelocityLimit
{
    f32 Step(const SIM_Clock& _clock, f32 _v) const;

    f32 Accel = 0.0f;
    f32 MaxVelocity = 0.0f;
    // Written by the owners' configuration; no step reads it.
    f32 MinVelocity = 0.0f;
    f32 TargetVelocity = 0.0f;
};
