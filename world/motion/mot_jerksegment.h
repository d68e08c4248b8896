// Three-axis constant-jerk segments: the curve the motion tracks interpolate with.
//
// Each axis is a cubic in time from its start state (value, velocity, acceleration, jerk at
// t0); it may be evaluated at any time, before t0 and after t1 as well. An axis is usable only
// while its valid flag is 1; a failed fit leaves that axis as it was, so owners clear the
// flags before fitting. Plain value type: no allocation, no errors reported.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"

struct MOT_JerkAxis
{
    u32 valid = 0;
    f32 t0 = 0.0f;
    f32 p0 = 0.0f;
    f32 s0 = 0.0f;
    f32 a = 0.0f;
    f32 j = 0.0f;
    f32 t1 = 0.0f;
    f32 p1 = 0.0f;
    f32 s1 = 0.0f;
    f32 endAcceleration = 0.0f;
    f32 endJerk = 0.0f;
};

// The state of one axis at a time.
struct MOT_JerkAxisState
{
    f32 time = 0.0f;
    f32 value = 0.0f;
    f32 velocity = 0.0f;
    f32 acceleration = 0.0f;
    f32 jerk = 0.0f;
};

// The state of three axes at a time.
struct MOT_JerkState3
{
    f32 time = 0.0f;
    f32 value[3] = {};
    f32 velocity[3] = {};
    f32 acceleration[3] = {};
    f32 jerk[3] = {};
};

class MOT_JerkSegment3 : public MEM_Object
{
public:
    MOT_JerkAxis axes[3];

    // The cubic that leaves (t0, p0) with velocity s0 and meets (t1, p1) with velocity s1.
    // Fails, leaving the axis untouched, when |t1 - t0| <= 2^-23.
    bool FitAxis(s32 _axis, f32 _t0, f32 _p0, f32 _s0, f32 _t1, f32 _p1, f32 _s1);
    // FitAxis on the three axes in order; stops at the first failure.
    bool Fit(f32 _t0, const f32 _p0[3], const f32 _s0[3], f32 _t1, const f32 _p1[3], const f32 _s1[3]);
    // A straight line between two values; fails like FitAxis.
    bool FitLinear(f32 _t0, const f32 _p0[3], f32 _t1, const f32 _p1[3]);
    // Runs on from one state without an end; the stored end is the state one second later.
    void FromState(f32 _t0, const f32 _p0[3], const f32 _s0[3], const f32 _a0[3], const f32 _j[3]);

    // Fails when the axis is not valid.
    bool EvaluateAxis(s32 _axis, f32 _t, MOT_JerkAxisState& _out) const;
    // The three axes in order, stopping at the first failure; the out time is t.
    bool Evaluate(f32 _t, MOT_JerkState3& _out) const;

    void Clear();
};
