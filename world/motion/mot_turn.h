// The rotation-only motion model of turrets and turret guns: heading and pitch on
// time-optimal limiters, a damped roll, no translation.
#pragma once

#include "des_file.h"
#include "mem_alloc.h"
#include "mot_friction.h"
#include "mot_motionstate.h"
#include "os_types.h"
#include "phy_control.h"
#include "sim_clock.h"

class MOT_Turn : public MEM_Object
{
public:
    // The "Control" keys; a missing key stops in the reader, swing values that give no finite
    // gains stop here.
    void Parse(DES_Section* _section);
    // Friction on the free axes, then rotation: run after the owner's behaviours.
    void ControlStep(const SIM_Clock& _clock);
    void ApplyFrictionOnFreeAxes(const SIM_Clock& _clock);

    MOT_MotionState State;
    PHY_RotationControl Rotation;
    MOT_Friction Friction;
    f32 TurnPV = 0.0f;  // rad/s
    f32 TurnNV = 0.0f;  // rad/s, negated
    f32 TurnT = 0.0f;   // rad/s^2
    f32 SwingT = 0.0f;
    f32 SwingA = 0.0f;
};
