// The motion model of characters: turn in heading on a limiter while pitch and roll are held
// by damped controllers.
#pragma once

#include "mat_vector.h"
#include "mot_model.h"

class MOT_OldOne : public MOT_Model
{
public:
    f32 GetMaxForwardSpeed() const override { return MovePV; }
    f32 GetMaxReverseSpeed() const override { return MoveNV; }

    // The same keys as the vessel's.
    void Parse(DES_Section* _section);

    // Steering: targets for the next control step; speed is a fraction of MovePV and the
    // clock is not read.
    // Head towards the target, tip the pitch towards it and drive along the body's third axis.
    void GotoPosition(const SIM_Clock& _clock, const MAT_Vector3& _target, f32 _speed);
    // Fly towards the target with a world velocity, tilted with the current speed.
    void GotoPositionArrive(const SIM_Clock& _clock, const MAT_Vector3& _target, f32 _speed);

    f32 TurnR = 0.0f;
    f32 SwingT = 0.0f;
    f32 SwingA = 0.0f;
};
