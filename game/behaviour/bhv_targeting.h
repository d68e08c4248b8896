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
#pragma once

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
