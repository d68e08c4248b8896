// The records the attack behaviours and the enemy watches share for choosing targets: the
// three answers every target test gives and the size of the interest-name list a script hands
// to an attack.
//
// A behaviour keeps its interest names itself (BHV_INTEREST_NAMES SIM_Names, the non-empty
// ones packed from index 0) and points its sensor's name filter at them; a body's name matches
// a name that is a proper prefix of it, with case. Targets are tested with the attacker's
// sensor, the attacker slots of the attacker's own body (who attacks it, which torpedoes home on
// it) and an optional patrol area; a target whose own attacker slots are full has its quota of
// attackers and is not joined.
//
// The aiming helper BHV_BallisticIntercept keeps no state and reads nothing but its arguments.
#pragma once

#include "mat_vector.h"
#include "os_types.h"

enum : s32
{
    // Number of interest names of an attack start message.
    BHV_INTEREST_NAMES = 4
};

// Answer of every function that classifies a body as a target.
enum BHV_TargetCode : s32
{
    // Sensed (and inside the area where one is given), with a free attacker slot.
    BHV_TARGET_ATTACKABLE = 0,
    // Sensed (and inside the area), but its attacker slots are full.
    BHV_TARGET_FULL = 1,
    // Not sensed, outside the area, or nothing found.
    BHV_TARGET_NONE = 2
};

// Where a shot leaving _shooter at _speed meets a target at _target moving on with constant
// _velocity: the flight time t (> 0) with the aim point _target + _velocity x t in *_aim, or
// -1.0 with *_aim left alone when the target is at least as fast as the shot. The time is the
// positive root of (|V|^2 - s^2) t^2 + (D . V) t + |D|^2 = 0 (D from shooter to target): a
// single D . V, so only a target with D . V = 0 (at rest or crossing) is met exactly; one
// moving away is aimed short, one coming nearer long. The aim must stay as it is: the turrets
// and the homing torpedoes are tuned to it.
f32 BHV_BallisticIntercept(const MAT_Vector3& _shooter, f32 _speed, const MAT_Vector3& _target,
                           const MAT_Vector3& _velocity, MAT_Vector3* _aim);
