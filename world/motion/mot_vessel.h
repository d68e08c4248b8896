// The motion model of vessels, torpedoes and mines: moves in three dimensions, turns in
// heading and pitch on time-optimal limiters and banks into turns with a damped roll.
#pragma once

#include "mat_vector.h"
#include "mot_model.h"

class MOT_Vessel : public MOT_Model
{
public:
    f32 GetMaxForwardSpeed() const override { return MovePV; }
    f32 GetMaxReverseSpeed() const override { return MoveNV; }

    // The "Control" keys; a missing key stops in the reader, swing values that give no finite
    // gains stop here.
    void Parse(DES_Section* _section);
    // Friction on the free axes, translation, bank, rotation: the accelerations of one step,
    // before the behaviours run and MOT_MotionState::Integrate.
    void ControlStep(const SIM_Clock& _clock);

    // Steering: targets for the next control step; min and max are fractions of the speed
    // limit, the clock is not read.
    // Head and pitch towards the target, slowing down to min while it lies behind.
    void MoveTo(const SIM_Clock& _clock, const MAT_Vector3& _target, f32 _min, f32 _max);
    // Nose first when the target lies ahead, tail first when it lies behind.
    void AttackRun(const SIM_Clock& _clock, const MAT_Vector3& _target, f32 _min, f32 _max);
    // Tail first towards the target.
    void AttackTurn(const SIM_Clock& _clock, const MAT_Vector3& _target, f32 _min, f32 _max);
    // Stops where it is: the three world axes on speed control with targets 0, every position,
    // facing, angle and rate request off.
    void Halt();
    // Heading and pitch turned towards the point, roll held level; the speeds stay as they are.
    void FacePoint(const MAT_Vector3& _point);
    // The roll of a coordinated turn at the current speed and heading rate, scaled by TurnR.
    void Bank();

    f32 TurnR = 0.0f;
    f32 SwingT = 0.0f;
    f32 SwingA = 0.0f;
};
