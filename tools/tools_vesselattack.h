// Writer of the "AttackBehaviour" section of a vessel description: how a vessel fights on
// Vessel_AttackPatrol (speeds, cone of fire, attack positions, escapes, sit and wave, the
// castrated radii, torpedo intervals). For test fixtures, benches and the sample scene.
#pragma once

#include <string>

#include "os_types.h"

// The values of a vessel's "AttackBehaviour" section; each stands for its key. The defaults
// make a vessel that fires inside 10 degrees, launches a torpedo every 8 s or so and breaks
// away now and then.
struct TOOL_VesselAttackSection
{
    f32 normalVelocity = 0.8f;  // NormalVelocity: fraction of the top speed
    f32 waitingTime = 3.0f;     // WaitingTime: seconds before another shooter may take over
    f32 coneOfFire = 10.0f;     // ConeOfFire: half-angle, degrees
    f32 alignAheadProb = 0.25f;
    f32 alignLeftProb = 0.25f;
    f32 alignBackProb = 0.25f;
    f32 alignRightProb = 0.25f;
    f32 alignMinHeight = 5.0f;
    f32 alignMaxHeight = 20.0f;
    f32 alignMinDistance = 40.0f;
    f32 alignMaxDistance = 80.0f;
    f32 alignMaxTime = 15.0f;
    f32 escMeanDist = 60.0f;
    f32 escDevDist = 15.0f;
    f32 escFactor = 1.0f;
    f32 escRatio = 0.0f;
    f32 escStrikeTimeOut = 6.0f;
    f32 escMaxTimeInCone = 5.0f;
    f32 escBackwardDistance = 20.0f;
    f32 sitMeanTime = 4.0f;
    f32 sitDevTime = 1.0f;
    f32 waveProb = 0.5f;
    f32 waveTime = 6.0f;
    f32 waveStartDist = 50.0f;
    f32 allStopDist = 25.0f;
    f32 castratedMinRad = 80.0f;
    f32 castratedMaxRad = 150.0f;
    f32 torpedoMeanTime = 8.0f;
    f32 torpedoDeviation = 2.0f;
    f32 defensivity = 0.2f;  // chance of breaking away per 1.5 s in the target's sights
    // A broken section, which stops the reader: the key left out, or written as a quoted string.
    std::string omitKey;
    std::string mistypedKey;
};

// "[AttackBehaviour]" with the 30 keys in the order the reader takes them.
std::string TOOL_VesselAttackSectionText(const TOOL_VesselAttackSection& _section);
