// The "AttackBehaviour" section of a vehicle's description: the twelve keys of the vehicle's
// attack, each a float, in the order its reader takes them. Any key can be left out or written
// with the wrong type (a quoted string), so tests can describe broken files.
#pragma once

#include <string>

#include "os_types.h"

struct TOOL_VehicleAttackSection
{
    f32 normalVelocity = 10.0f;
    f32 waitingTime = 5.0f;
    f32 coneOfFire = 5.0f;  // degrees
    f32 alignMinDistance = 40.0f;
    f32 alignMaxDistance = 80.0f;
    f32 alignMaxTime = 10.0f;
    f32 minimumTimeToStick = 3.0f;
    f32 castratedMeanDist = 50.0f;
    f32 castratedDevDist = 10.0f;
    f32 castratedStrikeTimeOut = 8.0f;
    f32 castratedMinRad = 60.0f;
    f32 castratedMaxRad = 150.0f;
    std::string omitKey;
    std::string mistypedKey;
};

// "[AttackBehaviour]" with its keys.
std::string TOOL_VehicleAttackSectionText(const TOOL_VehicleAttackSection& _section);
