// The compound controllers: three translation axes and three rotation angles, each driven by
// its limiter or its PID as configured, adding accelerations to a motion state's.
//
// Owners write the masks and targets directly and select axes by mask bits (translation:
// bits 0-2 body axes, 6-8 world x, y, z; rotation: bits 3, 4, 5 heading, pitch, roll); the
// controllers never change their masks. A step allocates nothing and only adds to the
// accelerations, which the motion state's integration consumes and clears. Positions are read
// from the frame's translation, body axes from its rotation; rotation axis 0, 1, 2 (heading,
// pitch, roll) is the motion state's HEADING, PITCH, ROLL row.
#pragma once

#include "mat_vector.h"
#include "mot_motionstate.h"
#include "os_types.h"
#include "phy_controller.h"
#include "sim_clock.h"

class PHY_TranslationControl : public MEM_Object
{
public:
    PHY_TranslationControl() = default;
    ~PHY_TranslationControl() = default;

    // Axis 0, 1 or 2 switches to its limiters with these bounds; other numbers change nothing.
    void SetAxis(u32 _axis, f32 _maxVelocity, f32 _minVelocity, f32 _accel);
    // Position mode wins when both mode masks select axes.
    void Step(const SIM_Clock& _clock, MOT_MotionState& _state);
    void ApplyPosition(const SIM_Clock& _clock, MOT_MotionState& _state);
    void ApplyVelocity(const SIM_Clock& _clock, MOT_MotionState& _state);
    // Both masks combined, for the owners' friction masking: OR, not a sum, so an axis in both
    // masks cannot carry into another axis's bit (identical for disjoint masks).
    u32 GetModeMasks() const { return PositionModeMask | VelocityModeMask; }

    PHY_Controller PositionPID[3];
    PHY_PositionLimit PositionLimit[3];
    u32 PositionModeMask = 0;
    f32 TargetPosition[3] = {};
    PHY_Controller VelocityPID[3];
    PHY_VelocityLimit VelocityLimit[3];
    u32 VelocityModeMask = 0;
    f32 TargetVelocity[3] = {};
    // 1: the limiters drive the axis; any other value: the PIDs.
    u32 UseLimit[3] = {};

private:
    f32 DriveVelocity(const SIM_Clock& _clock, u32 _axis, f32 _speed);
};

class PHY_RotationControl : public MEM_Object
{
public:
    PHY_RotationControl() = default;
    ~PHY_RotationControl() = default;

    // Axis 0, 1 or 2 (heading, pitch, roll) switches to its limiters; others change nothing.
    void SetAxis(u32 _axis, f32 _maxRate, f32 _minRate, f32 _accel);
    // PID gains for an angle error that decays to the residual after the time, each swing
    // the ratio of the one before.
    void SetSwing(u32 _axis, f32 _time, f32 _residual, f32 _ratio);
    // Angle targets first, then rate targets; an axis selected by both gets both.
    void Step(const SIM_Clock& _clock, MOT_MotionState& _state);
    // A heading angle target puts the heading on its limiter for good.
    void ApplyAngle(const SIM_Clock& _clock, MOT_MotionState& _state);
    void ApplyRate(const SIM_Clock& _clock, MOT_MotionState& _state);

    PHY_AngleController AnglePID[3];
    PHY_PositionLimit AngleLimit[3];
    u32 PointTargetMask = 0;
    u32 AngleTargetMask = 0;
    MAT_Vector3 TargetPoint;
    f32 TargetAngle[3] = {};
    PHY_Controller RatePID[3];
    PHY_VelocityLimit RateLimit[3];
    u32 RateTargetMask = 0;
    f32 TargetRate[3] = {};
    u32 UseLimit[3] = {};

private:
    f32 DriveAngle(const SIM_Clock& _clock, u32 _axis, f32 _angle, f32 _rate, f32 _target);
};
