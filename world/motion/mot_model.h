// The common part of the motion models that drive a moving node's body: its motion state,
// the controllers that turn targets into accelerations, the friction of the free axes and the
// limits read from the node's "Control" section.
//
// A model lives inside its node. Parsing configures the controllers once; steering routines
// then change only masks and targets, and the owner's control step plus
// MOT_MotionState::Integrate change the state once per simulation step. Nothing allocates.
#pragma once

#include "des_file.h"
#include "mem_alloc.h"
#include "mot_friction.h"
#include "mot_motionstate.h"
#include "os_types.h"
#include "phy_control.h"
#include "sim_clock.h"

class MOT_Model : public MEM_Object
{
public:
    virtual ~MOT_Model() = default;

    virtual f32 GetMaxForwardSpeed() const = 0;
    // Negative or 0: the reverse limit is stored negated.
    virtual f32 GetMaxReverseSpeed() const = 0;

    // Friction on every axis that no controller drives in this step.
    void ApplyFrictionOnFreeAxes(const SIM_Clock& _clock);

    MOT_MotionState State;
    PHY_TranslationControl Translation;
    PHY_RotationControl Rotation;
    MOT_Friction Friction;
    f32 MovePV = 0.0f;  // m/s
    f32 MoveNV = 0.0f;  // m/s, negated
    f32 MoveT = 0.0f;   // m/s^2
    f32 TurnPV = 0.0f;  // rad/s
    f32 TurnNV = 0.0f;  // rad/s, negated
    f32 TurnT = 0.0f;   // rad/s^2

protected:
    // "MovePV", "MoveNV", "MoveT" and the limits of all three translation axes.
    void ParseMove(DES_Section* _section);
    // "TurnPV", "TurnNV", "TurnT" converted to radians.
    void ParseTurn(DES_Section* _section);
};
