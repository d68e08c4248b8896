// First-order smoothing towards a target: each step covers the fraction dt / (tau + dt) of
// the remaining distance, so tau 0 jumps to the target and tau = dt goes half way.
#pragma once

#include "mat_matrix.h"
#include "mem_alloc.h"
#include "os_types.h"
#include "sim_clock.h"

class MOT_Smoother : public MEM_Object
{
public:
    // Time constant in seconds.
    f32 tau = 0.0f;

    void Smooth(const SIM_Clock& _clock, f32 _current, f32 _target, f32* _out) const;
    // Element by element; the outputs may alias the inputs.
    void SmoothVector3(const SIM_Clock& _clock, const f32 _current[3], const f32 _target[3], f32 _out[3]) const;
    void SmoothMatrix3(const SIM_Clock& _clock, const MAT_Matrix33& _current, const MAT_Matrix33& _target,
                       MAT_Matrix33& _out) const;
    void SmoothMatrix34(const SIM_Clock& _clock, const MAT_Matrix34& _current, const MAT_Matrix34& _target,
                        MAT_Matrix34& _out) const;
    // Along the shorter way round, through pi when that is shorter.
    void SmoothAngle(const SIM_Clock& _clock, const MAT_Angle& _current, const MAT_Angle& _target,
                     MAT_Angle& _out) const;

private:
    f32 Weight(const SIM_Clock& _clock) const { return _clock.dt / (tau + _clock.dt); }
};
