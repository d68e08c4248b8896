// The compound controllers: three translation axes and three rotation angles, each driven by
// its limiter or its PID as configured, adding accelerations to a motion state's.
//
// Owners write the masks and targets directly and select axes by mask bits (translation:
// bits 0-2 body axes, 6-8 world x, y, z; rotation: bits 3, 4, 5 heading, pitch, roll); the
// controllers never change their masks. A step allocates nothing and only adds to the
// accelerations, which the motion state's integration consumes and clears.
#pragma once

#include "mat_vector.h"
#include "os_types.h"
#include "phy_controller.h"
#include "sim_clock.h"

// What the controllers read from a motion state and the accelerations they add to; the
// motion state's owner fills it before a step and copies the accelerations back after it,
// so this layer stays independent of the motion state's layout.
struct PHY_MotionView
{
    MAT_Vector3 position;  // world, the translation of the frame
    MAT_Vector3 velocity;  // world
    MAT_Vector3 axis[3];   // the frame's first, second, third axis
    f32 angle[3] = {};     // heading, pitch, roll
    f32 rate[3] = {};
    MAT_Vector3 acceleration;
    f32 angleAcceleration[3] = {};
};

class PHY_TranslationControl : public MEM_Object
{
public:
    PHY_TranslationControl() = default;
    ~PHY_TranslationControl() = default;

    // Axis 0, 1 or 2 switches to its limiters with these bounds; other numbers change nothing.
    void SetAxis(u32 _axis, f32 _maxVelocity, f32 _minVelocity, f32 _accel);
    // Position mode wins when both mode masks select axes.
    void Step(const SIM_Clock& _clock, PHY_MotionView& _state);
    void ApplyPosition(const SIM_Clock& _clock, PHY_MotionView& _state);
    void ApplyVelocity(const SIM_Clock& _clock, PHY_MotionView& _state);
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
    void Step(const SIM_Clock& _clock, PHY_MotionView& _state);
    // A heading angle target puts the heading on its limiter for good.
    void ApplyAngle(const SIM_Clock& _clock, PHY_MotionView& _state);
    void ApplyRate(const SIM_Clock& _clock, PHY_MotionView& _state);

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
